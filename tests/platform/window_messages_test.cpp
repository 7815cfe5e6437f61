// The window core: the recorded creation, destruction and message-order
// logs (reduced to the messages this core sends: no geometry, no
// activation), window classes, and messages between threads.
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

// Windows are named by their text; every message of interest is logged as
// "name:message".
std::vector<std::string> &Log() {
    static std::vector<std::string> log;
    return log;
}

std::string NameOf(const JsonValue &entry) {
    const std::string &msg = entry["msg"].AsString();
    return entry["w"].AsString() + ":" + msg;
}

const char *MessageName(UINT m) {
    switch (m) {
        case WM_NCCREATE: return "WM_NCCREATE";
        case WM_CREATE: return "WM_CREATE";
        case WM_DESTROY: return "WM_DESTROY";
        case WM_NCDESTROY: return "WM_NCDESTROY";
        case WM_CLOSE: return "WM_CLOSE";
        default: return nullptr;
    }
}

// What a window does with a message, chosen by its name.
LRESULT CALLBACK LoggingProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    char name[32] = "?";
    if (m == WM_NCCREATE || m == WM_CREATE) std::snprintf(name, sizeof name, "%s", reinterpret_cast<CREATESTRUCTA *>(l)->lpszName);
    thread_local std::map<HWND, std::string> names;
    if (m == WM_NCCREATE) names[hwnd] = name;
    const std::string who = names[hwnd];
    if (const char *text = MessageName(m)) Log().push_back(who + ":" + text);
    if (m >= WM_USER && m < WM_USER + 0x100) Log().push_back(who + ":WM_USER+" + std::to_string(m - WM_USER));
    if (m == WM_CREATE && who == "createfails") return -1;
    if (m == WM_CREATE && who == "selfdestroy") DestroyWindow(hwnd);
    if (m == WM_CLOSE && who == "pan2") return 1;
    if (m == WM_USER + 2) return 42;
    if (m == WM_USER + 7) return SendMessageA(reinterpret_cast<HWND>(w), WM_USER + 2, 0, 0);
    if (m == WM_DESTROY && who == "echo") PostQuitMessage(0);
    return DefWindowProcA(hwnd, m, w, l);
}

// Keeps the recorded log's entries for the messages this core sends.
std::vector<std::string> Reduced(const JsonValue &log) {
    std::vector<std::string> kept;
    for (const JsonValue &entry : log.items()) {
        const std::string &msg = entry["msg"].AsString();
        if (msg == "WM_NCCREATE" || msg == "WM_CREATE" || msg == "WM_DESTROY" || msg == "WM_NCDESTROY" ||
            msg == "WM_CLOSE" || msg.rfind("WM_USER+", 0) == 0)
            kept.push_back(NameOf(entry));
    }
    return kept;
}

class WindowMessages : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.lpszClassName = "WinTestClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
        Log().clear();
    }
    void TearDown() override {
        EXPECT_TRUE(UnregisterClassA("WinTestClass", nullptr));
        LeakCheckedTest::TearDown();
    }
    static HWND Make(const char *name, HWND owner = nullptr) {
        return CreateWindowExA(0, "WinTestClass", name, WS_CAPTION, 0, 0, 100, 100, owner, nullptr, nullptr, nullptr);
    }
};

TEST_F(WindowMessages, CreationAndDestructionLogsReplay) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue create = LoadJsonFile(PlatformVectorPath("meta_user/user_create.json"));
    const JsonValue messages = LoadJsonFile(PlatformVectorPath("meta_user/user_messages.json"));
    HWND owner = Make("owner");
    for (const char *name : {"createfails", "selfdestroy"}) {
        const JsonValue &row = create[std::string("create_where_WM_CREATE_") +
                                      (name[0] == 'c' ? "returns_minus1" : "calls_DestroyWindow_and_returns_0")];
        Log().clear();
        SetLastError(0);
        EXPECT_EQ(Make(name, owner), nullptr) << name;
        EXPECT_EQ(static_cast<long long>(GetLastError()), row["lasterror"].AsInt()) << name;
        EXPECT_EQ(Log(), Reduced(row["log"])) << name;
    }
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(static_cast<long long>(GetLastError()), create["create_unknown_class"]["lasterror"].AsInt());
    EXPECT_EQ(Make("x", reinterpret_cast<HWND>(0x1234)), nullptr);
    EXPECT_EQ(static_cast<long long>(GetLastError()), create["create_with_invalid_owner"]["lasterror"].AsInt());

    // Owned windows go first, the most recent first.
    HWND pan = Make("pan", owner);
    Make("pan3", owner);
    Log().clear();
    EXPECT_TRUE(DestroyWindow(owner));
    EXPECT_EQ(Log(), Reduced(messages["DestroyWindow_owner_with_owned_windows"]["log"]));
    EXPECT_FALSE(IsWindow(pan));

    // WM_CLOSE answered by the procedure keeps the window.
    HWND pan2 = Make("pan2");
    Log().clear();
    EXPECT_EQ(SendMessageA(pan2, WM_CLOSE, 0, 0), messages["WM_CLOSE_handled_without_DefWindowProc"]["SendMessageA_result"].AsInt());
    EXPECT_EQ(Log(), Reduced(messages["WM_CLOSE_handled_without_DefWindowProc"]["log"]));
    EXPECT_TRUE(DestroyWindow(pan2));

    const JsonValue &dead = messages["calls_on_destroyed_window"];
    EXPECT_EQ(SendMessageA(pan2, WM_USER, 0, 0), dead["SendMessageA"].AsInt());
    EXPECT_EQ(static_cast<long long>(GetLastError()), dead["SendMessageA_lasterror"].AsInt());
    EXPECT_EQ(PostMessageA(pan2, WM_USER, 0, 0), dead["PostMessageA"].AsInt());
    EXPECT_EQ(static_cast<long long>(GetLastError()), dead["PostMessageA_lasterror"].AsInt());
    // The recording's implementation said ERROR_ACCESS_DENIED here; a
    // destroyed handle is an invalid one.
    EXPECT_FALSE(DestroyWindow(pan2));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowMessages, PostedSentAndQuitOrderReplays) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue row = LoadJsonFile(PlatformVectorPath("meta_user/user_messages.json"))["post_send_quit_paint_order"];
    HWND pan = Make("pan");
    Log().clear();
    EXPECT_TRUE(PostMessageA(pan, WM_USER + 1, 11, 12));
    Log().push_back("SendMessageA returned " + std::to_string(SendMessageA(pan, WM_USER + 2, 21, 22)));
    PostMessageA(pan, WM_USER + 3, 31, 32);
    PostQuitMessage(7);
    PostMessageA(pan, WM_USER + 4, 41, 42);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
    Log().push_back("WM_QUIT " + std::to_string(msg.wParam));
    std::vector<std::string> recorded;
    for (const JsonValue &entry : row["log"].items()) {
        const std::string &note = entry["note"].AsString();
        if (note.rfind("SendMessageA returned", 0) == 0) recorded.push_back(note);
        if (note.rfind("GetMessageA returned 0", 0) == 0) recorded.push_back("WM_QUIT " + note.substr(note.size() - 1));
        if (!entry["msg"].IsNull()) recorded.push_back(NameOf(entry));
    }
    EXPECT_EQ(Log(), recorded);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is retrieved once";
    DestroyWindow(pan);
}

TEST_F(WindowMessages, ClassesRegisterOncePerNameInAnyCase) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue rows = LoadJsonFile(PlatformVectorPath("meta_user/user_class.json"));
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "WINTESTCLASS";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(static_cast<long long>(GetLastError()), rows["RegisterClassA_same_name_other_case"]["lasterror"].AsInt());
    HWND one = Make("one");
    EXPECT_FALSE(UnregisterClassA("wintestclass", nullptr));
    EXPECT_EQ(static_cast<long long>(GetLastError()), rows["UnregisterClassA_with_one_window_left"]["lasterror"].AsInt());
    EXPECT_FALSE(UnregisterClassA("WinTestClass", reinterpret_cast<HINSTANCE>(0x10000)));
    EXPECT_EQ(static_cast<long long>(GetLastError()), rows["UnregisterClassA_other_instance"]["lasterror"].AsInt());
    for (const JsonValue &entry : rows["long_class_names"].items()) {
        const std::string name(static_cast<std::size_t>(entry["length"].AsInt()), 'L');
        wc.lpszClassName = name.c_str();
        SetLastError(0);
        const ATOM atom = RegisterClassA(&wc);
        EXPECT_EQ(atom != 0, entry["RegisterClassA"].IsString()) << name.size();
        if (atom == 0) {
            EXPECT_EQ(static_cast<long long>(GetLastError()), entry["lasterror"].AsInt()) << name.size();
        } else {
            EXPECT_TRUE(UnregisterClassA(name.c_str(), nullptr));
        }
    }
    DestroyWindow(one);
}

// A window on a thread of its own: messages sent to it from here wait for
// that thread's message loop; when the thread ends, waiting senders get 0.
TEST_F(WindowMessages, SendingToAnotherThreadWaitsForItsLoop) {
    std::atomic<HWND> remote{nullptr};
    std::atomic<bool> release{false};
    std::thread worker([&] {
        remote = Make("remote");
        MSG msg;
        while (!release) {
            // Answering a sent message is part of retrieving.
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            std::this_thread::yield();
        }
        // Ends with its window still there: the thread's end removes it.
    });
    while (remote == nullptr) std::this_thread::yield();
    EXPECT_EQ(SendMessageA(remote, WM_USER + 2, 0, 0), 42);
    EXPECT_TRUE(PostMessageA(remote, WM_USER + 5, 0, 0));
    EXPECT_FALSE(DestroyWindow(remote)) << "only its own thread destroys a window";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    DWORD process = 0;
    EXPECT_NE(GetWindowThreadProcessId(remote, &process), GetCurrentThreadId());
    EXPECT_EQ(process, GetCurrentProcessId());
    release = true;
    worker.join();
    EXPECT_FALSE(IsWindow(remote));
    EXPECT_EQ(SendMessageA(remote, WM_USER + 2, 0, 0), 0);

    // A thread that never answers and then ends: the sender gets 0.
    std::atomic<bool> sending{false};
    std::thread silent([&] {
        remote = Make("silent");
        while (!sending) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    while (remote == nullptr || !IsWindow(remote)) std::this_thread::yield();
    sending = true;
    EXPECT_EQ(SendMessageA(remote, WM_USER + 2, 0, 0), 0);
    silent.join();
}

// Two threads that send to each other's windows from inside a sent message
// answer each other instead of waiting for ever.
TEST_F(WindowMessages, ThreadsSendingToEachOtherDoNotDeadlock) {
    HWND local = Make("local");
    std::atomic<HWND> remote{nullptr};
    std::thread worker([&] {
        remote = Make("echo");
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    while (remote == nullptr) std::this_thread::yield();
    // WM_USER+7 makes the remote window send WM_USER+2 back to `local`.
    EXPECT_EQ(SendMessageA(remote, WM_USER + 7, reinterpret_cast<WPARAM>(local), 0), 42);
    EXPECT_TRUE(PostMessageA(remote, WM_CLOSE, 0, 0));
    worker.join();
    EXPECT_FALSE(IsWindow(remote));
    DestroyWindow(local);
}

}  // namespace
}  // namespace zelt::test
