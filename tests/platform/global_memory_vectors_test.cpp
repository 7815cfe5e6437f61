// Replays the probed global-memory sequence row by row: the same calls in the
// same order, each result and last error compared with the vector.
#include <cstring>

#include "platform/vector_rows.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

class GlobalMemoryVectors : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        rows_ = LoadJsonFile(PlatformVectorPath("meta_user/kernel_global.json"));
        ASSERT_TRUE(rows_.IsArray());
    }
    const JsonValue &Row(const std::string &call) { return RowByCall(rows_, call); }

    static std::size_t CountNonzero(const void *p, std::size_t from, std::size_t to) {
        std::size_t n = 0;
        for (std::size_t i = from; i < to; ++i) n += static_cast<const unsigned char *>(p)[i] != 0;
        return n;
    }

    JsonValue rows_;
};

constexpr std::size_t kPairAlign = 2 * sizeof(void *);

TEST_F(GlobalMemoryVectors, FixedBlock) {
    PresetLastError();
    HGLOBAL h = GlobalAlloc(GMEM_FIXED, 100);
    const JsonValue *row = &Row("h = GlobalAlloc(GMEM_FIXED, 100)");
    ASSERT_NE(h, nullptr);
    ExpectLastError((*row)["lasterror"], GetLastError(), "GlobalAlloc fixed");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(h) % kPairAlign, 0u);

    PresetLastError();
    EXPECT_EQ(GlobalFlags(h), ParseHex(Row("GlobalFlags(h)")["result"]));
    ExpectLastError(Row("GlobalFlags(h)")["lasterror"], GetLastError(), "GlobalFlags");
    PresetLastError();
    EXPECT_EQ(GlobalSize(h), static_cast<SIZE_T>(Row("GlobalSize(h)")["result"].AsInt()));
    ExpectLastError(Row("GlobalSize(h)")["lasterror"], GetLastError(), "GlobalSize");

    PresetLastError();
    auto *p = static_cast<unsigned char *>(GlobalLock(h));
    EXPECT_EQ(p == h, Row("p = GlobalLock(h)")["pointer_equals_handle"].AsInt() == 1);
    ExpectLastError(Row("p = GlobalLock(h)")["lasterror"], GetLastError(), "GlobalLock");
    PresetLastError();
    EXPECT_EQ(GlobalLock(h) == h, Row("GlobalLock(h) again")["pointer_equals_handle"].AsInt() == 1);
    ExpectLastError(Row("GlobalLock(h) again")["lasterror"], GetLastError(), "GlobalLock again");
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, static_cast<UINT>(Row("GlobalLock(h) again")["GlobalFlags_lock_count"].AsInt()));

    for (const char *call : {"GlobalUnlock(h)", "GlobalUnlock(h) again"}) {
        PresetLastError();
        EXPECT_EQ(GlobalUnlock(h), Row(call)["result"].AsInt()) << call;
        ExpectLastError(Row(call)["lasterror"], GetLastError(), call);
    }
    PresetLastError();
    EXPECT_EQ(GlobalHandle(p) == h, Row("GlobalHandle(p)")["equals_h"].AsInt() == 1);
    ExpectLastError(Row("GlobalHandle(p)")["lasterror"], GetLastError(), "GlobalHandle(p)");
    PresetLastError();
    EXPECT_EQ(GlobalHandle(p + 16), nullptr);
    ExpectLastError(Row("GlobalHandle(p + 16)")["lasterror"], GetLastError(), "GlobalHandle(p + 16)");

    for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i + 1);
    row = &Row("GlobalReAlloc(h, 120, GMEM_ZEROINIT) (fixed, small growth, no GMEM_MOVEABLE)");
    PresetLastError();
    HGLOBAL r = GlobalReAlloc(h, 120, GMEM_ZEROINIT);
    EXPECT_EQ(r, h) << "small growth stays in place";
    ExpectLastError((*row)["lasterror"], GetLastError(), "fixed small growth");
    EXPECT_EQ(GlobalSize(h), static_cast<SIZE_T>((*row)["GlobalSize"].AsInt()));
    EXPECT_EQ(CountNonzero(p, 0, 100), 100u);
    EXPECT_EQ(CountNonzero(p, 100, 120), static_cast<std::size_t>((*row)["nonzero_in_grown_part"].AsInt()));

    row = &Row("GlobalReAlloc(h, 4 MiB, GMEM_ZEROINIT) (fixed, large growth, no GMEM_MOVEABLE)");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(h, 4 << 20, GMEM_ZEROINIT), nullptr);
    ExpectLastError((*row)["lasterror"], GetLastError(), "fixed large growth");

    row = &Row("GlobalReAlloc(h, 4 MiB, GMEM_MOVEABLE|GMEM_ZEROINIT) (fixed, large growth)");
    PresetLastError();
    r = GlobalReAlloc(h, 4 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(r, nullptr);
    EXPECT_NE(r, h);
    ExpectLastError((*row)["lasterror"], GetLastError(), "fixed large growth, moveable");
    EXPECT_EQ(GlobalLock(r) == r, (*row)["still_fixed_lock_returns_handle"].AsInt() == 1);
    EXPECT_EQ(GlobalFlags(r), ParseHex((*row)["GlobalFlags"]));
    EXPECT_EQ(GlobalSize(r), static_cast<SIZE_T>((*row)["GlobalSize"].AsInt()));
    EXPECT_EQ(CountNonzero(r, 0, 100), 100u);
    EXPECT_EQ(CountNonzero(r, 100, 4 << 20), static_cast<std::size_t>((*row)["nonzero_in_grown_part"].AsInt()));
    PresetLastError();
    EXPECT_EQ(GlobalFlags(h), GMEM_INVALID_HANDLE) << "the old address is no longer a block";
    PresetLastError();
    EXPECT_EQ(GlobalFree(r), nullptr);
    ExpectLastError(Row("GlobalFree(h)")["lasterror"], GetLastError(), "GlobalFree");

    PresetLastError();
    h = GlobalAlloc(GPTR, 64);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CountNonzero(h, 0, 64), static_cast<std::size_t>(Row("GlobalAlloc(GMEM_FIXED|GMEM_ZEROINIT, 64)")["nonzero_bytes"].AsInt()));
    ExpectLastError(Row("GlobalAlloc(GMEM_FIXED|GMEM_ZEROINIT, 64)")["lasterror"], GetLastError(), "GPTR");
    GlobalFree(h);
}

TEST_F(GlobalMemoryVectors, MoveableBlock) {
    PresetLastError();
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, 100);
    ASSERT_NE(m, nullptr);
    ExpectLastError(Row("m = GlobalAlloc(GMEM_MOVEABLE, 100)")["lasterror"], GetLastError(), "alloc");
    // 8 mod 16 in the 64-bit probe: sizeof(void*) mod 2 * sizeof(void*).
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m) % kPairAlign, sizeof(void *));
    EXPECT_EQ(GlobalFlags(m), ParseHex(Row("GlobalFlags(m)")["result"]));

    const JsonValue *row = &Row("p = GlobalLock(m)");
    PresetLastError();
    auto *p = static_cast<unsigned char *>(GlobalLock(m));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void *>(p), m);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % kPairAlign, 0u);
    ExpectLastError((*row)["lasterror"], GetLastError(), "lock");
    EXPECT_EQ(GlobalFlags(m), ParseHex((*row)["GlobalFlags"]));
    PresetLastError();
    EXPECT_EQ(GlobalLock(m), p);
    EXPECT_EQ(GlobalFlags(m), ParseHex(Row("GlobalLock(m) again")["GlobalFlags"]));
    EXPECT_EQ(GlobalHandle(p), m);
    ExpectLastError(Row("GlobalHandle(p)")["lasterror"], GetLastError(), "GlobalHandle");
    PresetLastError();
    EXPECT_EQ(GlobalHandle(p + 16), nullptr);
    ExpectLastError(Row("GlobalHandle(p + 16)")["lasterror"], GetLastError(), "GlobalHandle(p + 16)");
    EXPECT_EQ(GlobalSize(m), static_cast<SIZE_T>(Row("GlobalSize(m)")["result"].AsInt()));
    PresetLastError();
    EXPECT_EQ(GlobalSize(p), static_cast<SIZE_T>(Row("GlobalSize((HGLOBAL)p) (pointer instead of handle)")["result"].AsInt()));
    ExpectLastError(Row("GlobalSize((HGLOBAL)p) (pointer instead of handle)")["lasterror"], GetLastError(), "GlobalSize(p)");

    row = &Row("GlobalUnlock(m) (lock count 2 -> 1)");
    PresetLastError();
    EXPECT_EQ(GlobalUnlock(m), (*row)["result"].AsInt());
    ExpectLastError((*row)["lasterror"], GetLastError(), "unlock 2->1");
    EXPECT_EQ(GlobalFlags(m), ParseHex((*row)["GlobalFlags"]));

    for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i + 1);
    row = &Row("GlobalReAlloc(m, 240100, GMEM_ZEROINIT) while locked (count 1), no GMEM_MOVEABLE");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(m, 240100, GMEM_ZEROINIT), nullptr);
    ExpectLastError((*row)["lasterror"], GetLastError(), "locked growth");
    EXPECT_EQ(GlobalSize(m), static_cast<SIZE_T>((*row)["GlobalSize_after"].AsInt()));

    for (const char *call : {"GlobalUnlock(m) (lock count 1 -> 0)", "GlobalUnlock(m) (not locked)"}) {
        PresetLastError();
        EXPECT_EQ(GlobalUnlock(m), Row(call)["result"].AsInt()) << call;
        ExpectLastError(Row(call)["lasterror"], GetLastError(), call);
        EXPECT_EQ(GlobalFlags(m), ParseHex(Row(call)["GlobalFlags"])) << call;
    }

    row = &Row("GlobalReAlloc(m, 240100, GMEM_ZEROINIT) unlocked");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(m, 240100, GMEM_ZEROINIT), m);
    ExpectLastError((*row)["lasterror"], GetLastError(), "unlocked growth");
    EXPECT_EQ(GlobalSize(m), static_cast<SIZE_T>((*row)["GlobalSize"].AsInt()));
    auto *q = static_cast<unsigned char *>(GlobalLock(m));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q != p, (*row)["pointer_moved"].AsInt() == 1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(q[i], i + 1) << "byte " << i;
    EXPECT_EQ(CountNonzero(q, 100, 240100), static_cast<std::size_t>((*row)["nonzero_in_grown_part"].AsInt()));

    // Locked once; growth allowed with GMEM_MOVEABLE and the lock count kept.
    row = &Row("GlobalReAlloc(m, 480100, GMEM_MOVEABLE|GMEM_ZEROINIT) while locked (count 1)");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(m, 480100, GMEM_MOVEABLE | GMEM_ZEROINIT), m);
    ExpectLastError((*row)["lasterror"], GetLastError(), "locked growth, moveable");
    EXPECT_EQ(GlobalSize(m), static_cast<SIZE_T>((*row)["GlobalSize"].AsInt()));
    q = static_cast<unsigned char *>(GlobalLock(m));
    EXPECT_EQ(GlobalFlags(m) & GMEM_LOCKCOUNT, static_cast<UINT>((*row)["lock_count_after_relock"].AsInt()));
    EXPECT_EQ(CountNonzero(q, 240100, 480100), static_cast<std::size_t>((*row)["nonzero_in_grown_part"].AsInt()));
    GlobalUnlock(m);
    GlobalUnlock(m);

    row = &Row("GlobalReAlloc(m, 50, 0) (shrink)");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(m, 50, 0), m);
    ExpectLastError((*row)["lasterror"], GetLastError(), "shrink");
    EXPECT_EQ(GlobalSize(m), static_cast<SIZE_T>((*row)["GlobalSize"].AsInt()));

    row = &Row("GlobalReAlloc(m, 0, GMEM_MOVEABLE) (discard)");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(m, 0, GMEM_MOVEABLE), m);
    ExpectLastError((*row)["lasterror"], GetLastError(), "discard");
    PresetLastError();
    EXPECT_EQ(GlobalLock(m), nullptr);
    ExpectLastError((*row)["GlobalLock_lasterror"], GetLastError(), "lock discarded");
    EXPECT_EQ(GlobalFlags(m), ParseHex((*row)["GlobalFlags"]));
    EXPECT_EQ(GlobalSize(m), static_cast<SIZE_T>((*row)["GlobalSize"].AsInt()));

    row = &Row("GlobalReAlloc(m, 64, GMEM_MOVEABLE|GMEM_ZEROINIT) (revive the discarded block)");
    PresetLastError();
    EXPECT_EQ(GlobalReAlloc(m, 64, GMEM_MOVEABLE | GMEM_ZEROINIT), m);
    ExpectLastError((*row)["lasterror"], GetLastError(), "revive");
    q = static_cast<unsigned char *>(GlobalLock(m));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(CountNonzero(q, 0, 64), static_cast<std::size_t>((*row)["nonzero_bytes"].AsInt()));

    PresetLastError();
    EXPECT_EQ(GlobalFree(m), nullptr) << "freeing a locked block succeeds";
    ExpectLastError(Row("GlobalFree(m) while locked (count 1)")["lasterror"], GetLastError(), "free locked");
    PresetLastError();
    EXPECT_EQ(GlobalFlags(m), ParseHex(Row("GlobalFlags(m) after GlobalFree")["result"]));
    ExpectLastError(Row("GlobalFlags(m) after GlobalFree")["lasterror"], GetLastError(), "flags after free");
    PresetLastError();
    EXPECT_EQ(GlobalLock(m), nullptr);
    ExpectLastError(Row("GlobalLock(m) after GlobalFree")["lasterror"], GetLastError(), "lock after free");
    PresetLastError();
    EXPECT_EQ(GlobalFree(m), m);
    ExpectLastError(Row("GlobalFree(m) again")["lasterror"], GetLastError(), "free again");
}

struct FlagCase {
    const char *name;
    UINT flags;
};

TEST_F(GlobalMemoryVectors, AllocationFlags) {
    const FlagCase cases[] = {
        {"GMEM_MOVEABLE|GMEM_ZEROINIT (GHND, 0x42)", GHND},
        {"GMEM_MOVEABLE|GMEM_DDESHARE (0x2002)", GMEM_MOVEABLE | GMEM_DDESHARE},
        {"GMEM_FIXED|GMEM_DDESHARE (0x2000)", GMEM_DDESHARE},
        {"GMEM_MOVEABLE|GMEM_DISCARDABLE (0x102)", GMEM_MOVEABLE | GMEM_DISCARDABLE},
        {"GMEM_MOVEABLE|GMEM_NOCOMPACT|GMEM_NODISCARD (0x32)", GMEM_MOVEABLE | GMEM_NOCOMPACT | GMEM_NODISCARD},
    };
    for (const FlagCase &c : cases) {
        const JsonValue &row = Row(std::string("GlobalAlloc(") + c.name + ", 100)");
        PresetLastError();
        HGLOBAL h = GlobalAlloc(c.flags, 100);
        ASSERT_NE(h, nullptr) << c.name;
        ExpectLastError(row["lasterror"], GetLastError(), c.name);
        EXPECT_EQ(GlobalFlags(h), ParseHex(row["GlobalFlags_unlocked"])) << c.name;
        void *p = GlobalLock(h);
        EXPECT_EQ(p == h, row["GlobalLock_equals_handle"].AsInt() == 1) << c.name;
        EXPECT_EQ(GlobalFlags(h), ParseHex(row["GlobalFlags_locked_once"])) << c.name;
        EXPECT_EQ(GlobalHandle(p) == h, row["GlobalHandle_of_pointer_equals_handle"].AsInt() == 1) << c.name;
        if (row.Has("zero_filled")) {
            const auto *bytes = static_cast<const unsigned char *>(p);
            bool allZero = true;
            for (int i = 0; i < 100; ++i) allZero = allZero && bytes[i] == 0;
            EXPECT_EQ(allZero, row["zero_filled"].AsInt() == 1) << c.name;
        }
        GlobalUnlock(h);
        GlobalFree(h);
    }
}

TEST_F(GlobalMemoryVectors, AllocationSizes) {
    for (SIZE_T size : {SIZE_T{0}, SIZE_T{1}, SIZE_T{3}, SIZE_T{13}, SIZE_T{4096}}) {
        const JsonValue &moveable = Row("GlobalAlloc(GMEM_MOVEABLE, " + std::to_string(size) + ")");
        PresetLastError();
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
        ASSERT_NE(h, nullptr);
        ExpectLastError(moveable["lasterror"], GetLastError(), "moveable alloc");
        PresetLastError();
        void *p = GlobalLock(h);
        const DWORD lockError = GetLastError();
        EXPECT_EQ(p != nullptr, moveable["GlobalLock"].AsString() == "pointer") << size;
        ExpectLastError(moveable["GlobalLock_lasterror"], lockError, "moveable lock");
        EXPECT_EQ(GlobalSize(h), static_cast<SIZE_T>(moveable["GlobalSize"].AsInt())) << size;
        EXPECT_EQ(GlobalFlags(h), ParseHex(moveable["GlobalFlags"])) << size;
        if (p != nullptr) GlobalUnlock(h);
        GlobalFree(h);

        const JsonValue &fixed = Row("GlobalAlloc(GMEM_FIXED, " + std::to_string(size) + ")");
        PresetLastError();
        h = GlobalAlloc(GMEM_FIXED, size);
        ASSERT_NE(h, nullptr);
        ExpectLastError(fixed["lasterror"], GetLastError(), "fixed alloc");
        EXPECT_EQ(GlobalSize(h), static_cast<SIZE_T>(fixed["GlobalSize"].AsInt())) << size;
        GlobalFree(h);
    }
    PresetLastError();
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_T{1} << 46), nullptr);
    ExpectLastError(Row("GlobalAlloc(GMEM_MOVEABLE, 2^46) (too large)")["lasterror"], GetLastError(), "too large");
    PresetLastError();
    HGLOBAL odd = GlobalAlloc(0x8000 | GMEM_MOVEABLE, 16);
    EXPECT_NE(odd, nullptr);
    ExpectLastError(Row("GlobalAlloc(0x8002, 16) (undefined flag bit 0x8000)")["lasterror"], GetLastError(), "0x8002");
    GlobalFree(odd);
}

TEST_F(GlobalMemoryVectors, NullAndForeignHandles) {
    static char notGlobal[64];
    PresetLastError();
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    ExpectLastError(Row("GlobalLock(NULL)")["lasterror"], GetLastError(), "GlobalLock(NULL)");
    PresetLastError();
    EXPECT_EQ(GlobalUnlock(nullptr), Row("GlobalUnlock(NULL)")["result"].AsInt());
    ExpectLastError(Row("GlobalUnlock(NULL)")["lasterror"], GetLastError(), "GlobalUnlock(NULL)");
    PresetLastError();
    EXPECT_EQ(GlobalSize(nullptr), 0u);
    ExpectLastError(Row("GlobalSize(NULL)")["lasterror"], GetLastError(), "GlobalSize(NULL)");
    PresetLastError();
    EXPECT_EQ(GlobalFlags(nullptr), ParseHex(Row("GlobalFlags(NULL)")["result"]));
    ExpectLastError(Row("GlobalFlags(NULL)")["lasterror"], GetLastError(), "GlobalFlags(NULL)");
    PresetLastError();
    EXPECT_EQ(GlobalHandle(nullptr), nullptr);
    ExpectLastError(Row("GlobalHandle(NULL)")["lasterror"], GetLastError(), "GlobalHandle(NULL)");
    PresetLastError();
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    ExpectLastError(Row("GlobalFree(NULL)")["lasterror"], GetLastError(), "GlobalFree(NULL)");
    PresetLastError();
    EXPECT_EQ(GlobalLock(notGlobal), notGlobal);
    ExpectLastError(Row("GlobalLock(address of a static buffer)")["lasterror"], GetLastError(), "GlobalLock(static)");
    PresetLastError();
    EXPECT_EQ(GlobalHandle(notGlobal), nullptr);
    ExpectLastError(Row("GlobalHandle(address of a static buffer)")["lasterror"], GetLastError(), "GlobalHandle(static)");
}

}  // namespace
}  // namespace zelt::test
