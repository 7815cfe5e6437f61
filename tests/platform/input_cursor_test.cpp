// Input and cursors: the recorded capture and mouse-input logs, the
// ShowCursor counter, and .cur files built here from seeded random masks,
// loaded whole and rejected at every truncation.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

std::vector<std::string> inputLog;
HWND pan = nullptr;

std::string Hex(unsigned long v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04lx", v);
    return text;
}

LRESULT CALLBACK InputProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    const std::string who = hwnd == pan ? "pan" : "owner";
    const auto at = [&] { return " " + std::to_string(short(LOWORD(l))) + "," + std::to_string(short(HIWORD(l))); };
    switch (m) {
        case WM_NCHITTEST: {
            const LRESULT hit = DefWindowProcA(hwnd, m, w, l);
            inputLog.push_back(who + " WM_NCHITTEST" + at() + " -> " + std::to_string(hit));
            return hit;
        }
        case WM_SETCURSOR: inputLog.push_back(who + " WM_SETCURSOR " + std::to_string(LOWORD(l)) + " " + Hex(HIWORD(l))); break;
        case WM_MOUSEMOVE: inputLog.push_back(who + " WM_MOUSEMOVE " + Hex(w) + at()); break;
        case WM_NCMOUSEMOVE: inputLog.push_back(who + " WM_NCMOUSEMOVE " + std::to_string(w) + at()); break;
        case WM_LBUTTONDOWN:
            inputLog.push_back(who + " WM_LBUTTONDOWN " + Hex(w) + at());
            SetCapture(hwnd);
            break;
        case WM_LBUTTONUP:
            inputLog.push_back(who + " WM_LBUTTONUP " + Hex(w) + at());
            ReleaseCapture();
            break;
        case WM_CAPTURECHANGED: inputLog.push_back(who + " WM_CAPTURECHANGED " + (l == 0 ? "NULL" : "other")); break;
        default: break;
    }
    return DefWindowProcA(hwnd, m, w, l);
}

// The recorded log entries in this test's words.
std::vector<std::string> Expected(const JsonValue &log, std::size_t count) {
    static const std::pair<const char *, int> hits[] = {{"HTCLIENT", 1}, {"HTCAPTION", 2}, {"HTTOPLEFT", 13}};
    const auto hitCode = [](const std::string &name) {
        for (const auto &[n, v] : hits)
            if (name == n) return v;
        return -100;
    };
    std::vector<std::string> out;
    for (std::size_t i = 0; i < log.size() && out.size() < count; ++i) {
        const JsonValue &e = log[i];
        const std::string who = e["w"].AsString(), msg = e["msg"].AsString();
        if (!e["returned_by"].IsNull() || !e["call"].IsNull()) {
            if (e["returned_by"].AsString() == "WM_NCHITTEST")
                out.back() += " -> " + std::to_string(hitCode(e["value"].AsString()));
            continue;
        }
        if (msg == "WM_NCHITTEST")
            out.push_back(who + " WM_NCHITTEST " + std::to_string(e["screen_x"].AsInt()) + "," + std::to_string(e["screen_y"].AsInt()));
        else if (msg == "WM_SETCURSOR")
            out.push_back(who + " WM_SETCURSOR " + std::to_string(hitCode(e["hit"].AsString())) + " " +
                          (e["mouse_msg"].AsString() == "WM_MOUSEMOVE" ? "0x0200" : "0x0201"));
        else if (msg == "WM_NCMOUSEMOVE")
            out.push_back(who + " WM_NCMOUSEMOVE " + std::to_string(hitCode(e["hit"].AsString())) + " " +
                          std::to_string(e["screen_x"].AsInt()) + "," + std::to_string(e["screen_y"].AsInt()));
        else if (msg == "WM_CAPTURECHANGED")
            out.push_back(who + " WM_CAPTURECHANGED " + (e["new_capture"].AsString() == "NULL" ? "NULL" : "other"));
        else
            out.push_back(who + " " + msg + " " + e["wParam"].AsString() + " " + std::to_string(e["x"].AsInt()) + "," +
                          std::to_string(e["y"].AsInt()));
    }
    return out;
}

class InputCursor : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
        WNDCLASSA wc{};
        wc.lpfnWndProc = InputProc;
        wc.lpszClassName = "InputProbe";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        if (pan != nullptr) DestroyWindow(pan);
        pan = nullptr;
        ZeltHostPumpMessages();
        UnregisterClassA("InputProbe", nullptr);
        LeakCheckedTest::TearDown();
    }
};

TEST_F(InputCursor, RecordedMouseSequences) {
    const JsonValue v = LoadJsonFile(PlatformVectorPath("meta_user/user_input.json"));
    pan = CreateWindowExA(0, "InputProbe", "pan", WS_CAPTION | WS_SYSMENU, 50, 50, 320, 200, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(pan, SW_SHOW);
    ZeltHostPumpMessages();
    // The recorded points, relative to the recorded client origin (53, 82).
    POINT c{40, 30};
    ClientToScreen(pan, &c);
    const auto move = [&](int x, int y, DWORD buttons) {
        inputLog.clear();
        ZeltHostMouseInput(x, y, buttons);
        ZeltHostPumpMessages();
    };
    const auto recorded = [&](const char *key, std::size_t count = 100) {
        std::vector<std::string> want = Expected(v[key]["log"], count);
        // Screen coordinates move with this window's origin.
        for (std::string &line : want)
            for (const auto &[from, to] : {std::pair{std::to_string(98) + "," + std::to_string(114),
                                                     std::to_string(c.x + 5) + "," + std::to_string(c.y + 2)}})
                if (auto at = line.find(from); at != std::string::npos) line.replace(at, from.size(), to);
        return want;
    };
    move(c.x + 5, c.y + 2, 0);
    EXPECT_EQ(inputLog, recorded("SendInput_move_in_client"));
    move(c.x + 5, c.y + 2, MK_LBUTTON);
    EXPECT_EQ(inputLog, recorded("SendInput_left_down"));
    EXPECT_EQ(GetCapture(), pan);
    move(c.x - 40 - 33, c.y - 30 - 43, MK_LBUTTON);
    EXPECT_EQ(inputLog, recorded("SendInput_move_outside_while_captured"));
    move(c.x - 40 - 33, c.y - 30 - 43, 0);
    // Up to the release; what lies under the pointer then differs.
    EXPECT_EQ(inputLog, recorded("SendInput_left_up", 2));
    EXPECT_EQ(GetCapture(), nullptr);
    RECT frame;
    GetWindowRect(pan, &frame);
    inputLog.clear();
    move((frame.left + frame.right) / 2, frame.top + 8, 0);
    ASSERT_EQ(inputLog.size(), 3u);
    EXPECT_EQ(inputLog[2].rfind("pan WM_NCMOUSEMOVE 2 ", 0), 0u) << inputLog[2];
}

TEST_F(InputCursor, CaptureMessagesAndShowCounter) {
    pan = CreateWindowExA(0, "InputProbe", "pan", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND owner = CreateWindowExA(0, "InputProbe", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    inputLog.clear();
    EXPECT_EQ(SetCapture(pan), nullptr);
    EXPECT_EQ(SetCapture(owner), pan);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(inputLog, (std::vector<std::string>{"pan WM_CAPTURECHANGED other", "owner WM_CAPTURECHANGED NULL"}));
    DestroyWindow(owner);
    const JsonValue seq = LoadJsonFile(PlatformVectorPath("meta_user/user_metrics.json"))["ShowCursor_sequence_from_start"];
    const int start = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    for (std::size_t i = 0; i < seq["calls"].size(); ++i)
        EXPECT_EQ(ShowCursor(seq["calls"][i].AsString() == "TRUE") - start, seq["returns"][i].AsInt()) << i;
}

// A one-entry 1-bit .cur file of side x side pixels.
std::vector<BYTE> CurFile(int side, POINT hot, const std::vector<int> &andBits, const std::vector<int> &xorBits) {
    const int row = ((side + 31) / 32) * 4;
    std::vector<BYTE> f;
    const auto u16 = [&](unsigned v) { f.push_back(BYTE(v)); f.push_back(BYTE(v >> 8)); };
    const auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
    u16(0); u16(2); u16(1);
    f.push_back(BYTE(side)); f.push_back(BYTE(side)); f.push_back(0); f.push_back(0);
    u16(unsigned(hot.x)); u16(unsigned(hot.y)); u32(40 + 8 + 2u * row * side); u32(22);
    u32(40); u32(unsigned(side)); u32(unsigned(2 * side)); u16(1); u16(1); u32(0); u32(0); u32(0); u32(0); u32(0); u32(0);
    u32(0x000000); u32(0xFFFFFF);
    for (const std::vector<int> *mask : {&xorBits, &andBits})
        for (int y = side - 1; y >= 0; --y) {
            std::vector<BYTE> bytes(static_cast<std::size_t>(row));
            for (int x = 0; x < side; ++x)
                if ((*mask)[y * side + x]) bytes[x / 8] |= BYTE(0x80 >> (x % 8));
            f.insert(f.end(), bytes.begin(), bytes.end());
        }
    return f;
}

TEST(CursorFile, RandomMasksLoadAndTruncationsAreRejected) {
    std::mt19937 random(1234);
    HINSTANCE module = GetModuleHandleA(nullptr);
    for (int round = 0; round < 6; ++round) {
        const int side = round % 2 == 0 ? 32 : 16 + round;
        std::vector<int> andBits(side * side), xorBits(side * side);
        for (int &b : andBits) b = int(random() & 1);
        for (int &b : xorBits) b = int(random() & 1);
        const POINT hot{LONG(random() % side), LONG(random() % side)};
        const std::vector<BYTE> file = CurFile(side, hot, andBits, xorBits);
        const std::string name = "cur" + std::to_string(round);
        ASSERT_TRUE(ZeltHostAddModuleResource(module, RT_CURSOR, name.c_str(), file.data(), DWORD(file.size())));
        HCURSOR cursor = LoadCursorA(module, name.c_str());
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(LoadCursorA(module, name.c_str()), cursor);  // shared
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_EQ(info.xHotspot, DWORD(hot.x));
        EXPECT_EQ(info.yHotspot, DWORD(hot.y));
        EXPECT_EQ(info.hbmColor, nullptr);
        // The mask bitmap: AND rows, then XOR rows, WORD-aligned.
        const int row = ((side + 15) / 16) * 2;
        std::vector<BYTE> bits(static_cast<std::size_t>(row) * side * 2);
        ASSERT_EQ(GetBitmapBits(info.hbmMask, LONG(bits.size()), bits.data()), LONG(bits.size()));
        for (int y = 0; y < 2 * side; ++y)
            for (int x = 0; x < side; ++x) {
                const int want = y < side ? andBits[y * side + x] : xorBits[(y - side) * side + x];
                ASSERT_EQ((bits[y * row + x / 8] >> (7 - x % 8)) & 1, want) << round << ": " << x << "," << y;
            }
        DeleteObject(info.hbmMask);
        // Every strict prefix is malformed.
        for (std::size_t cut = 0; cut < file.size(); cut += 1 + cut / 8) {
            const std::string partial = name + "/" + std::to_string(cut);
            ASSERT_TRUE(ZeltHostAddModuleResource(module, RT_CURSOR, partial.c_str(), file.data(), DWORD(cut)));
            EXPECT_EQ(LoadCursorA(module, partial.c_str()), nullptr) << cut;
        }
    }
}

}  // namespace
}  // namespace zelt::test
