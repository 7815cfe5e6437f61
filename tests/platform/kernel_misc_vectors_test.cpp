// Replays kernel_misc.json (MulDiv, lstrcmpA/lstrcmpiA, profile strings, the
// tick count, last error after successful calls) and the MulDiv table of the
// raster vectors.
#include <cstring>
#include <string>

#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

const JsonValue &Misc() {
    static const JsonValue misc = LoadJsonFile(PlatformVectorPath("meta_user/kernel_misc.json"));
    return misc;
}

TEST(MulDivVectors, ProbedCases) {
    const JsonValue &cases = Misc()["MulDiv"];
    ASSERT_GT(cases.size(), 0u);
    for (const JsonValue &c : cases.items()) {
        const int a = static_cast<int>(c["args"][0].AsInt()), b = static_cast<int>(c["args"][1].AsInt()),
                  d = static_cast<int>(c["args"][2].AsInt());
        PresetLastError();
        EXPECT_EQ(MulDiv(a, b, d), c["result"].AsInt()) << "MulDiv(" << a << ", " << b << ", " << d << ")";
        ExpectLastError(c["lasterror"], GetLastError(), "MulDiv");
    }
}

// The documented rule computed independently: exact product and quotient in
// 128 bits, halves away from zero, -1 outside 32 bits or for divisor 0.
int ExactMulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const __int128 product = static_cast<__int128>(a) * b;
    const __int128 magnitude = product < 0 ? -product : product;
    const __int128 divisor = c < 0 ? -static_cast<__int128>(c) : c;
    __int128 q = (2 * magnitude + divisor) / (2 * divisor);
    if ((product < 0) != (c < 0)) q = -q;
    return (q >= INT32_MIN && q <= INT32_MAX) ? static_cast<int>(q) : -1;
}

// The raster table gives the documented value beside the probed one; the
// platform follows the documentation where they differ.
TEST(MulDivVectors, DocumentedRule) {
    const JsonValue table = LoadJsonFile(PlatformVectorPath("raster/muldiv.json"));
    ASSERT_GT(table["cases"].size(), 90u);
    int inconsistentRows = 0;
    for (const JsonValue &c : table["cases"].items()) {
        const int a = static_cast<int>(c["nNumber"].AsInt()), b = static_cast<int>(c["nNumerator"].AsInt()),
                  d = static_cast<int>(c["nDenominator"].AsInt());
        // One row's "documented_rule" value contradicts the rule it names:
        // (-2^31)(-2^31)/(-2^31) is exactly -2^31, which fits, yet the row
        // says 2^31 - 1. The exact value is what the rule gives.
        if (ExactMulDiv(a, b, d) != c["documented_rule"].AsInt()) {
            ++inconsistentRows;
            EXPECT_EQ(a, INT32_MIN);
            EXPECT_EQ(d, INT32_MIN);
        }
        EXPECT_EQ(MulDiv(a, b, d), ExactMulDiv(a, b, d)) << "MulDiv(" << a << ", " << b << ", " << d << ")";
    }
    EXPECT_EQ(inconsistentRows, 1);
}

// Over seeded random arguments biased toward halves and limits.
TEST(MulDivVectors, RandomAgainstExactRounding) {
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::uint32_t x = seed * 2654435761u;
        auto next = [&x] {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            return x;
        };
        const int picks[] = {0, 1, -1, 2, -2, 0x7FFFFFFF, -0x7FFFFFFF - 1, 46341, -46341};
        auto pick = [&] { return (next() & 3) == 0 ? picks[next() % 9] : static_cast<int>(next()) >> (next() % 31); };
        const int a = pick(), b = pick(), c = pick();
        ASSERT_EQ(MulDiv(a, b, c), ExactMulDiv(a, b, c)) << "case " << seed << ": MulDiv(" << a << ", " << b << ", " << c << ")";
    }
}

TEST(StringCompareVectors, LinguisticTable) {
    const JsonValue &rows = Misc()["lstrcmpA"];
    ASSERT_GT(rows.size(), 20u);
    for (const JsonValue &row : rows.items()) {
        const std::string &a = row["a"].AsString(), &b = row["b"].AsString();
        PresetLastError();
        EXPECT_EQ(lstrcmpA(a.c_str(), b.c_str()), row["lstrcmpA"].AsInt()) << "lstrcmpA(\"" << a << "\", \"" << b << "\")";
        ExpectLastError(row["lasterror"], GetLastError(), "lstrcmpA");
        EXPECT_EQ(lstrcmpiA(a.c_str(), b.c_str()), row["lstrcmpiA"].AsInt()) << "lstrcmpiA(\"" << a << "\", \"" << b << "\")";
    }
    const JsonValue &nulls = Misc()["lstrcmpA_NULL"];
    EXPECT_EQ(lstrcmpA(nullptr, "a"), nulls["NULL_vs_a"].AsInt());
    EXPECT_EQ(lstrcmpA("a", nullptr), nulls["a_vs_NULL"].AsInt());
    EXPECT_EQ(lstrcmpA(nullptr, nullptr), nulls["NULL_vs_NULL"].AsInt());
}

// A comparison is an order: antisymmetric, zero only for equal text, and
// transitive, checked over random short strings from a mixed alphabet.
TEST(StringCompare, OrderInvariants) {
    const char alphabet[] = "aAbBeE\xe9\xc9-' _1~";
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::uint32_t x = seed * 0x9E3779B9u;
        auto next = [&x] {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            return x;
        };
        std::string s[3];
        for (std::string &text : s)
            for (unsigned n = next() % 4; n > 0; --n) text += alphabet[next() % (sizeof alphabet - 1)];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                const int ij = lstrcmpA(s[i].c_str(), s[j].c_str());
                ASSERT_EQ(ij, -lstrcmpA(s[j].c_str(), s[i].c_str())) << "case " << seed;
                ASSERT_EQ(ij == 0, s[i] == s[j]) << "case " << seed << ": \"" << s[i] << "\" vs \"" << s[j] << "\"";
                ASSERT_EQ(lstrcmpiA(s[i].c_str(), s[j].c_str()), -lstrcmpiA(s[j].c_str(), s[i].c_str())) << "case " << seed;
            }
        }
        const int ab = lstrcmpA(s[0].c_str(), s[1].c_str()), bc = lstrcmpA(s[1].c_str(), s[2].c_str());
        if (ab == bc && ab != 0) {
            ASSERT_EQ(lstrcmpA(s[0].c_str(), s[2].c_str()), ab) << "case " << seed;
        }
    }
    EXPECT_EQ(lstrlenA("abc"), 3);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

class ProfileVectors : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ZELT_WIN_INI");
        ZeltHostResetProfile();
    }
    void TearDown() override { ZeltHostResetProfile(); }
};

TEST_F(ProfileVectors, ProbedCalls) {
    const JsonValue &misc = Misc();
    char buf[128];
    std::memset(buf, 'x', sizeof buf);
    const JsonValue &device = misc["GetProfileStringA_windows_device"];
    PresetLastError();
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, 81), device["result"].AsInt());
    ExpectLastError(device["lasterror"], GetLastError(), "windows/device");
    EXPECT_EQ(std::string(buf), device["text"].AsString());

    char keys[64];
    std::memset(keys, 'x', sizeof keys);
    const JsonValue &allKeys = misc["GetProfileStringA_windows_all_keys"];
    const DWORD n = GetProfileStringA("windows", nullptr, "", keys, sizeof keys);
    EXPECT_EQ(n, allKeys["result"].AsInt());
    EXPECT_EQ(std::string(keys, n + 1), allKeys["keys_nul_separated"].AsString());

    const JsonValue &blanks = misc["GetProfileStringA_default_trailing_blanks"];
    PresetLastError();
    EXPECT_EQ(GetProfileStringA("ProbeNoSection", "nokey", "def  ", buf, 81), blanks["result"].AsInt());
    ExpectLastError(blanks["lasterror"], GetLastError(), "default with blanks");
    EXPECT_EQ(std::string(buf), blanks["text"].AsString());

    const JsonValue &truncated = misc["GetProfileStringA_truncated_default"];
    std::memset(buf, 'x', sizeof buf);
    PresetLastError();
    EXPECT_EQ(GetProfileStringA("ProbeNoSection", "nokey", "abcdefghij", buf, 5), truncated["result"].AsInt());
    ExpectLastError(truncated["lasterror"], GetLastError(), "truncated default");
    EXPECT_EQ(std::string(buf, 6), truncated["buf_first_6"].AsString());

    const JsonValue &nullDefault = misc["GetProfileStringA_NULL_default"];
    PresetLastError();
    EXPECT_EQ(GetProfileStringA("ProbeNoSection", "nokey", nullptr, buf, 81), nullDefault["result"].AsInt());
    ExpectLastError(nullDefault["lasterror"], GetLastError(), "NULL default");
    EXPECT_EQ(std::string(buf), nullDefault["text"].AsString());

    const JsonValue &written = misc["device_entry_written_then_read"];
    EXPECT_EQ(WriteProfileStringA("windows", "device", "Probe Printer,winspool,LPT1:"), written["WriteProfileStringA"].AsInt());
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, 81), written["GetProfileStringA"].AsInt());
    EXPECT_EQ(std::string(buf), written["text"].AsString());
    char small[12];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(GetProfileStringA("windows", "device", "", small, 10), written["read_into_10_bytes"].AsInt());
    EXPECT_EQ(std::string(small, 11), written["small_buf"].AsString());
    EXPECT_EQ(WriteProfileStringA("windows", "device", nullptr), written["deleted_again"].AsInt());
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, 81), written["read_after_delete"].AsInt());
}

TEST_F(ProfileVectors, FileContentsAndHostSetters) {
    const std::string path = ::testing::TempDir() + "zelt_profile_test.ini";
    {
        FILE *file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("; comment\n[Windows]\n device = Laser,winspool,LPT2: \nload=\n[Devices]\nLaser=winspool,LPT2:\n"
                   "Quoted=\"  padded  \"\n",
                   file);
        std::fclose(file);
    }
    setenv("ZELT_WIN_INI", path.c_str(), 1);
    ZeltHostResetProfile();
    char buf[64];
    EXPECT_EQ(GetProfileStringA("windows", "DEVICE", "", buf, sizeof buf), 20u);
    EXPECT_STREQ(buf, "Laser,winspool,LPT2:");
    EXPECT_EQ(GetProfileStringA("devices", "quoted", "", buf, sizeof buf), 10u);
    EXPECT_STREQ(buf, "  padded  ");

    // Key list: each name NUL-terminated, one more NUL at the end.
    EXPECT_EQ(GetProfileStringA("windows", nullptr, "", buf, sizeof buf), 12u);
    EXPECT_EQ(std::string(buf, 13), std::string("device\0load\0\0", 13));
    // A list that does not fit is cut and ends in two NULs: size - 2.
    EXPECT_EQ(GetProfileStringA("windows", nullptr, "", buf, 5), 3u);
    EXPECT_EQ(std::string(buf, 5), std::string("dev\0\0", 5));

    ZeltHostSetProfileString("windows", "device", "Other,drv,FILE:");
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, sizeof buf), 15u);
    ZeltHostSetProfileString("windows", "device", nullptr);
    EXPECT_EQ(GetProfileStringA("windows", "device", "none", buf, sizeof buf), 4u);
    EXPECT_EQ(WriteProfileStringA("devices", nullptr, nullptr), TRUE) << "NULL key removes the section";
    EXPECT_EQ(GetProfileStringA("devices", "Laser", "", buf, sizeof buf), 0u);

    // Reset forgets the changes and reads the file again.
    ZeltHostResetProfile();
    EXPECT_EQ(GetProfileStringA("devices", "Laser", "", buf, sizeof buf), 14u);
    unsetenv("ZELT_WIN_INI");
    std::remove(path.c_str());
}

TEST(TickCountVectors, ClockAndLastError) {
    const JsonValue &tick = Misc()["GetTickCount"];
    EXPECT_EQ(static_cast<DWORD>(static_cast<DWORD>(5) - static_cast<DWORD>(0xFFFFFFF0u)),
              static_cast<DWORD>(tick["unsigned_difference_across_wrap_example"].AsInt()));
    const DWORD t1 = GetTickCount();
    Sleep(50);
    const DWORD t2 = GetTickCount();
    EXPECT_GE(t2 - t1, 45u);
    EXPECT_LT(t2 - t1, 5000u);
    EXPECT_EQ(static_cast<DWORD>(GetTickCount64()) - GetTickCount(), 0u);  // may race a tick: rare

    ZeltHostSetTickCount(0xFFFFFFF0u);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    Sleep(2);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u) << "a fixed clock does not move";
    ZeltHostUseRealClock();
    EXPECT_GE(GetTickCount64(), ULONGLONG{t2});

    const JsonValue &after = Misc()["last_error_after_successful_calls_when_preset_to_1234"];
    SetLastError(1234);
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, 10);
    EXPECT_EQ(GetLastError(), after["GlobalAlloc"].AsInt());
    SetLastError(1234);
    GlobalLock(g);
    EXPECT_EQ(GetLastError(), after["GlobalLock"].AsInt());
    SetLastError(1234);
    GlobalUnlock(g);
    EXPECT_EQ(GetLastError(), after["GlobalUnlock_to_zero"].AsInt());
    SetLastError(1234);
    GlobalFree(g);
    EXPECT_EQ(GetLastError(), after["GlobalFree"].AsInt());
    SetLastError(1234);
    GetTickCount();
    EXPECT_EQ(GetLastError(), after["GetTickCount"].AsInt());
}

}  // namespace
}  // namespace zelt::test
