// Kernel services against their rules: allocation failures in every
// allocating call, string comparison as an order, profile files, the tick
// clock, thread-local storage and the module entry point's calls.
#include <cstring>
#include <mutex>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class KernelModel : public LeakCheckedTest {};

TEST_F(KernelModel, AllocationFailuresLeaveBlocksAsTheyWere) {
    for (UINT flags : {UINT{GMEM_FIXED}, UINT{GMEM_MOVEABLE}, UINT{GHND}, UINT{GMEM_MOVEABLE | GMEM_DDESHARE}}) {
        bool made = false;
        EXPECT_EQ(ForEachAllocationFailure([&] { HGLOBAL h = GlobalAlloc(flags, 200); made = h != nullptr, GlobalFree(h); },
                      [&](long failedAt) {
                          EXPECT_FALSE(made) << "flags " << flags << ", allocation " << failedAt;
                          EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
                      }),
                  (flags & GMEM_MOVEABLE) ? 2 : 1)
            << "a moveable block is a record and its data";
    }
    for (UINT flags : {UINT{GMEM_FIXED}, UINT{GMEM_MOVEABLE}}) {
        HGLOBAL h = GlobalAlloc(flags, 100);
        auto *data = static_cast<BYTE *>(GlobalLock(h));
        std::iota(data, data + 100, BYTE{0});
        ZeltHostFailAllocationAfter(1);  // the growth's allocation fails
        EXPECT_TRUE(GlobalReAlloc(h, 100000, GMEM_MOVEABLE) == nullptr && GetLastError() == ERROR_NOT_ENOUGH_MEMORY);
        ZeltHostFailAllocationAfter(-1);
        EXPECT_EQ(GlobalSize(h), 100u);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(data[i], i) << "contents kept";
        GlobalUnlock(h), GlobalFree(h);
    }
}

// A comparison is an order: antisymmetric, zero only for equal text,
// transitive; over random short strings of a mixed alphabet.
TEST(KernelRules, StringComparisonIsAnOrder) {
    const char alphabet[] = "aAbBeE\xe9\xc9-' _1~";
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng{seed};
        std::string s[3];
        for (std::string &text : s)
            for (unsigned n = rng() % 4; n > 0; --n) text += alphabet[rng() % (sizeof alphabet - 1)];
        for (const std::string &a : s)
            for (const std::string &b : s) {
                const int ab = lstrcmpA(a.c_str(), b.c_str());
                ASSERT_EQ(ab, -lstrcmpA(b.c_str(), a.c_str())) << "case " << seed;
                ASSERT_EQ(ab == 0, a == b) << "case " << seed << ": \"" << a << "\" vs \"" << b << "\"";
                ASSERT_EQ(lstrcmpiA(a.c_str(), b.c_str()), -lstrcmpiA(b.c_str(), a.c_str())) << "case " << seed;
            }
        const int ab = lstrcmpA(s[0].c_str(), s[1].c_str()), bc = lstrcmpA(s[1].c_str(), s[2].c_str());
        if (ab == bc && ab != 0) { ASSERT_EQ(lstrcmpA(s[0].c_str(), s[2].c_str()), ab) << "case " << seed; }
    }
    EXPECT_TRUE(lstrlenA("abc") == 3 && lstrlenA(nullptr) == 0);
}

TEST(KernelRules, ProfileFilesAndHostSetters) {
    const std::string path = ::testing::TempDir() + "zelt_profile_test.ini";
    FILE *file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("; comment\n[Windows]\n device = Laser,winspool,LPT2: \nload=\n[Devices]\nLaser=winspool,LPT2:\nQuoted=\"  padded  \"\n", file);
    std::fclose(file);
    setenv("ZELT_WIN_INI", path.c_str(), 1);
    ZeltHostResetProfile();
    char buf[64];
    EXPECT_EQ(GetProfileStringA("windows", "DEVICE", "", buf, sizeof buf), 20u);
    EXPECT_STREQ(buf, "Laser,winspool,LPT2:");
    EXPECT_EQ(GetProfileStringA("devices", "quoted", "", buf, sizeof buf), 10u);
    EXPECT_STREQ(buf, "  padded  ");
    EXPECT_EQ(GetProfileStringA("windows", nullptr, "", buf, sizeof buf), 12u);  // names NUL-separated, one more NUL
    EXPECT_EQ(std::string(buf, 13), std::string("device\0load\0\0", 13));
    EXPECT_EQ(GetProfileStringA("windows", nullptr, "", buf, 5), 3u) << "a cut list ends in two NULs";
    EXPECT_EQ(std::string(buf, 5), std::string("dev\0\0", 5));
    ZeltHostSetProfileString("windows", "device", "Other,drv,FILE:");
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, sizeof buf), 15u);
    ZeltHostSetProfileString("windows", "device", nullptr);
    EXPECT_EQ(GetProfileStringA("windows", "device", "none", buf, sizeof buf), 4u);
    EXPECT_TRUE(WriteProfileStringA("devices", nullptr, nullptr)) << "a NULL key removes the section";
    EXPECT_EQ(GetProfileStringA("devices", "Laser", "", buf, sizeof buf), 0u);
    ZeltHostResetProfile();  // forgets the changes and reads the file again
    EXPECT_EQ(GetProfileStringA("devices", "Laser", "", buf, sizeof buf), 14u);
    unsetenv("ZELT_WIN_INI");
    ZeltHostResetProfile();
    std::remove(path.c_str());
}

TEST(KernelRules, TickClockRunsOrStandsStill) {
    const DWORD t1 = GetTickCount();
    Sleep(1);
    EXPECT_GE(GetTickCount64(), ULONGLONG{t1}) << "the real clock never goes back";
    ZeltHostSetTickCount(0xFFFFFFF0u);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    Sleep(2);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u) << "a set clock does not move";
    EXPECT_EQ(DWORD(GetTickCount64()), 0xFFFFFFF0u);
    ZeltHostUseRealClock();
    EXPECT_GE(GetTickCount64(), ULONGLONG{t1});
}

TEST(ThreadLocalStorage, SlotsArePerThreadReusedAndFinite) {
    const DWORD slot = TlsAlloc();
    int marker = 0;
    ASSERT_TRUE(TlsSetValue(slot, &marker));
    SetLastError(77);
    EXPECT_EQ(TlsGetValue(slot), &marker);
    EXPECT_EQ(GetLastError(), 0u) << "success clears the last error";
    DWORD other = 0;
    std::thread([&] {
        EXPECT_EQ(TlsGetValue(slot), nullptr) << "another thread sees its own value";
        other = GetCurrentThreadId();
    }).join();
    EXPECT_TRUE(other != 0 && other != GetCurrentThreadId());
    ASSERT_TRUE(TlsFree(slot));
    EXPECT_EQ(TlsAlloc(), slot) << "the lowest free index comes back";
    EXPECT_EQ(TlsGetValue(slot), nullptr) << "and reads NULL";
    TlsFree(slot);
    EXPECT_FALSE(TlsFree(slot));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(TlsGetValue(TLS_OUT_OF_INDEXES), nullptr);
    EXPECT_FALSE(TlsSetValue(100000, nullptr));
    std::vector<DWORD> slots;
    for (DWORD s; (s = TlsAlloc()) != TLS_OUT_OF_INDEXES && slots.size() < 100000;) slots.push_back(s);
    EXPECT_GE(slots.size(), 64u);
    for (DWORD s : slots) EXPECT_TRUE(TlsFree(s));
}

std::mutex callsMutex;
std::vector<DWORD> calls;  // reasons, in order
BOOL refuse = FALSE;
DWORD slotSeen = TLS_OUT_OF_INDEXES;
void *valueAtDetach = nullptr;

BOOL WINAPI Entry(HINSTANCE, DWORD reason, LPVOID) {
    std::lock_guard lock(callsMutex);
    calls.push_back(reason);
    if (reason == DLL_THREAD_DETACH && slotSeen != TLS_OUT_OF_INDEXES) valueAtDetach = TlsGetValue(slotSeen);
    return reason == DLL_PROCESS_ATTACH ? !refuse : TRUE;
}

std::vector<DWORD> Take() {
    std::lock_guard lock(callsMutex);
    return std::exchange(calls, {});
}

TEST(ModuleAttach, EntryPointSeesAttachThreadsAndDetach) {
    auto *instance = reinterpret_cast<HINSTANCE>(uintptr_t{0x5A10000});
    Take();
    ASSERT_TRUE(ZeltHostAttachModule(instance, Entry));
    EXPECT_EQ(Take(), std::vector<DWORD>{DLL_PROCESS_ATTACH});
    // A thread that used TLS detaches on its own thread, still seeing its
    // slots; a thread that never touched TLS produces nothing.
    slotSeen = TlsAlloc();
    int marker = 0;
    std::thread([&] { TlsSetValue(slotSeen, &marker); }).join();
    std::thread([] {}).join();
    EXPECT_EQ(Take(), std::vector<DWORD>{DLL_THREAD_DETACH});
    EXPECT_EQ(valueAtDetach, &marker);
    TlsFree(slotSeen);
    slotSeen = TLS_OUT_OF_INDEXES;
    // Attached twice: it stays until the second detach.
    ASSERT_TRUE(ZeltHostAttachModule(instance, Entry));
    ZeltHostDetachModule(instance);
    std::thread([] { TlsGetValue(0); }).join();
    EXPECT_EQ(Take(), (std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH, DLL_THREAD_DETACH}));
    ZeltHostDetachModule(instance);
    std::thread([] { TlsGetValue(0); }).join();
    EXPECT_EQ(Take(), std::vector<DWORD>{DLL_PROCESS_DETACH});
    ZeltHostDetachModule(instance);
    EXPECT_TRUE(Take().empty()) << "detaching a module that is gone does nothing";
    // A refused attach is answered with a detach and not remembered.
    refuse = TRUE;
    EXPECT_FALSE(ZeltHostAttachModule(instance, Entry));
    refuse = FALSE;
    std::thread([] { TlsGetValue(0); }).join();
    EXPECT_EQ(Take(), (std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}));
}

}  // namespace
}  // namespace zelt::test
