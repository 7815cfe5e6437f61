// Thread-local storage and module attach: fresh slots read NULL on every
// thread, exhaustion, and the DllMain sequence a worker thread produces.
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "zelt/host.h"

namespace zelt::test {
namespace {

TEST(ThreadLocalStorage, FreshSlotIsNullOnEveryThread) {
    const DWORD slot = TlsAlloc();
    ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
    int marker = 0;
    ASSERT_TRUE(TlsSetValue(slot, &marker));
    SetLastError(77);
    EXPECT_EQ(TlsGetValue(slot), &marker);
    EXPECT_EQ(GetLastError(), 0u) << "success clears the last error";
    std::thread([slot] {
        EXPECT_EQ(TlsGetValue(slot), nullptr) << "another thread sees its own value";
        int other = 0;
        TlsSetValue(slot, &other);
        EXPECT_EQ(TlsGetValue(slot), &other);
    }).join();
    EXPECT_EQ(TlsGetValue(slot), &marker);
    ASSERT_TRUE(TlsFree(slot));

    // The same index handed out again reads NULL here, where it held a value.
    const DWORD again = TlsAlloc();
    ASSERT_EQ(again, slot) << "the lowest free index is reused";
    EXPECT_EQ(TlsGetValue(again), nullptr);
    TlsFree(again);

    EXPECT_FALSE(TlsFree(slot)) << "already free";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(TlsGetValue(TLS_OUT_OF_INDEXES), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(TlsSetValue(100000, nullptr));
}

TEST(ThreadLocalStorage, ExhaustionAndThreadIds) {
    std::vector<DWORD> slots;
    for (;;) {
        const DWORD slot = TlsAlloc();
        if (slot == TLS_OUT_OF_INDEXES) break;
        slots.push_back(slot);
        ASSERT_LT(slots.size(), 100000u);
    }
    EXPECT_GE(slots.size(), 64u);
    for (DWORD slot : slots) EXPECT_TRUE(TlsFree(slot));

    const DWORD mine = GetCurrentThreadId();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD theirs = 0;
    std::thread([&theirs] { theirs = GetCurrentThreadId(); }).join();
    EXPECT_NE(theirs, mine);
    EXPECT_NE(theirs, 0u);
}

struct EntryCall {
    HINSTANCE instance;
    DWORD reason;
    std::thread::id thread;
};

std::mutex entryMutex;
std::vector<EntryCall> entryCalls;
BOOL refuseAttach = FALSE;

BOOL WINAPI RecordingEntry(HINSTANCE instance, DWORD reason, LPVOID) {
    std::lock_guard lock(entryMutex);
    entryCalls.push_back({instance, reason, std::this_thread::get_id()});
    return reason == DLL_PROCESS_ATTACH ? !refuseAttach : TRUE;
}

std::vector<EntryCall> TakeCalls() {
    std::lock_guard lock(entryMutex);
    std::vector<EntryCall> calls;
    calls.swap(entryCalls);
    return calls;
}

TEST(ModuleAttach, AttachThreadDetachAndDetach) {
    auto *instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x5A10000));
    TakeCalls();
    ASSERT_TRUE(ZeltHostAttachModule(instance, RecordingEntry));
    std::vector<EntryCall> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(calls[0].instance, instance);

    // A worker that uses TLS gets DLL_THREAD_DETACH on its own thread.
    std::thread::id workerId;
    std::thread worker([&workerId] {
        workerId = std::this_thread::get_id();
        const DWORD slot = TlsAlloc();
        TlsSetValue(slot, &workerId);
        TlsFree(slot);
    });
    worker.join();
    // A worker that never touches TLS produces nothing.
    std::thread([] {}).join();
    calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_THREAD_DETACH));
    EXPECT_EQ(calls[0].thread, workerId);

    // Attached twice: two attach calls, and it stays until the second detach.
    ASSERT_TRUE(ZeltHostAttachModule(instance, RecordingEntry));
    ZeltHostDetachModule(instance);
    std::thread([] { TlsGetValue(0); }).join();
    calls = TakeCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(calls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
    EXPECT_EQ(calls[2].reason, static_cast<DWORD>(DLL_THREAD_DETACH)) << "still attached once";

    ZeltHostDetachModule(instance);
    std::thread([] { TlsGetValue(0); }).join();
    calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
    ZeltHostDetachModule(instance);
    EXPECT_TRUE(TakeCalls().empty()) << "detaching a module that is gone does nothing";
}

TEST(ModuleAttach, RefusedAttachIsAnsweredWithDetach) {
    auto *instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x5B20000));
    TakeCalls();
    refuseAttach = TRUE;
    EXPECT_FALSE(ZeltHostAttachModule(instance, RecordingEntry));
    refuseAttach = FALSE;
    std::vector<EntryCall> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(calls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
    std::thread([] { TlsGetValue(0); }).join();
    EXPECT_TRUE(TakeCalls().empty()) << "a refused module is not remembered";
}


// A module's thread-detach handler still sees what the exiting thread kept in
// its slots, so it can free it (as the display library frees the thread's
// settings record).
DWORD detachSlot = TLS_OUT_OF_INDEXES;
void *valueSeenAtDetach = nullptr;
BOOL WINAPI SlotReadingEntry(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_THREAD_DETACH) {
        valueSeenAtDetach = TlsGetValue(detachSlot);
        TlsSetValue(detachSlot, nullptr);
    }
    return TRUE;
}

TEST(ModuleAttach, ThreadDetachHandlerStillReadsTheThreadsSlots) {
    auto *instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x5C30000));
    detachSlot = TlsAlloc();
    ASSERT_NE(detachSlot, TLS_OUT_OF_INDEXES);
    ASSERT_TRUE(ZeltHostAttachModule(instance, SlotReadingEntry));
    int marker = 0;
    std::thread worker([&] { ASSERT_TRUE(TlsSetValue(detachSlot, &marker)); });
    worker.join();
    EXPECT_EQ(valueSeenAtDetach, &marker);
    ZeltHostDetachModule(instance);
    TlsFree(detachSlot);
}

}  // namespace
}  // namespace zelt::test
