// The probed kernel rows replayed: every row of kernel_global.json and
// kernel_misc.json, and the clipboard format registration row, runs the same
// calls in the same order; every field it records must be what is observed.
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <string>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

// What a replayed row observed, in the vectors' notation.
using Observed = std::map<std::string, std::string>;

std::string Text(const JsonValue &v) {
    return v.IsNumber() ? std::to_string(v.AsInt()) : v.IsString() ? v.AsString() : v.IsNull() ? "null" : v.AsBool() ? "1" : "0";
}
std::string Hex(UINT v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", v);
    return text;
}
std::string Flag(bool b) { return b ? "1" : "0"; }
std::string Num(long long v) { return std::to_string(v); }
std::string Ptr(const void *p) { return p ? "pointer" : "NULL"; }

// Runs `call` with the last error preset; records what it left.
template <class F>
auto Traced(Observed &seen, const std::string &key, F call) {
    SetLastError(0xDEADBEEF);
    auto result = call();
    const DWORD error = GetLastError();
    seen[key] = error == 0xDEADBEEF ? "unchanged" : std::to_string(error);
    return result;
}

// Every field of the row except its inputs must be observed and equal; "*"
// marks an observation that may go either way.
void ExpectRow(const JsonValue &row, const Observed &seen, const std::string &context) {
    for (const auto &[key, value] : row.members()) {
        // Inputs, and CompareStringA, which this platform does not have.
        if (key == "call" || key == "a" || key == "b" || key == "args" || key.rfind("CompareStringA", 0) == 0) continue;
        const auto it = seen.find(key);
        if (it == seen.end()) ADD_FAILURE() << context << ": field " << key << " not observed";
        else if (it->second != "*") { EXPECT_EQ(it->second, Text(value)) << context << ": " << key; }
    }
}

size_t Nonzero(const void *p, size_t from, size_t to) {
    size_t n = 0;
    for (size_t i = from; i < to; ++i) n += static_cast<const BYTE *>(p)[i] != 0;
    return n;
}

class KernelVectors : public LeakCheckedTest {};

TEST_F(KernelVectors, EveryGlobalMemoryRowReplays) {
    ZELT_SKIP_WITHOUT_VECTORS();
    HGLOBAL h = nullptr, m = nullptr, r = nullptr;
    BYTE *p = nullptr;
    static char notGlobal[64];
    const auto name = [&](HGLOBAL v, HGLOBAL own) { return v == nullptr ? "NULL" : v == own ? (own == h ? "h" : "m") : "other"; };
    const auto alloc = [&](Observed &s, UINT flags, SIZE_T size) {
        HGLOBAL g = Traced(s, "lasterror", [&] { return GlobalAlloc(flags, size); });
        s["result"] = g ? "handle" : "NULL";
        s["handle_mod_16"] = std::to_string(reinterpret_cast<uintptr_t>(g) % 16);
        return g;
    };
    const auto lockState = [&](Observed &s, HGLOBAL g) { s["GlobalFlags"] = Hex(GlobalFlags(g)), s["GlobalSize"] = Num(GlobalSize(g)); };
    const auto realloc = [&](Observed &s, HGLOBAL &g, SIZE_T size, UINT flags) {
        r = Traced(s, "lasterror", [&] { return GlobalReAlloc(g, size, flags); });
        s["result"] = name(r, g);
        s["GlobalSize_after"] = std::to_string(GlobalSize(g));
    };
    const std::map<std::string, std::function<void(Observed &)>> actions = {
        {"h = GlobalAlloc(GMEM_FIXED, 100)", [&](Observed &s) { h = alloc(s, GMEM_FIXED, 100); }},
        {"GlobalFlags(h)", [&](Observed &s) { s["result"] = Hex(Traced(s, "lasterror", [&] { return GlobalFlags(h); })); }},
        {"GlobalSize(h)", [&](Observed &s) { s["result"] = std::to_string(Traced(s, "lasterror", [&] { return GlobalSize(h); })); }},
        {"p = GlobalLock(h)", [&](Observed &s) {
             p = static_cast<BYTE *>(Traced(s, "lasterror", [&] { return GlobalLock(h); }));
             s["pointer_equals_handle"] = Flag(p == h);
         }},
        {"GlobalLock(h) again", [&](Observed &s) {
             s["pointer_equals_handle"] = Flag(Traced(s, "lasterror", [&] { return GlobalLock(h); }) == h);
             s["GlobalFlags_lock_count"] = std::to_string(GlobalFlags(h) & GMEM_LOCKCOUNT);
         }},
        {"GlobalUnlock(h)", [&](Observed &s) { s["result"] = std::to_string(Traced(s, "lasterror", [&] { return GlobalUnlock(h); })); }},
        {"GlobalHandle(p)", [&](Observed &s) {
             HGLOBAL g = Traced(s, "lasterror", [&] { return GlobalHandle(p); });
             s["equals_h"] = Flag(g == h), s["equals_m"] = Flag(g == m);
         }},
        {"GlobalHandle(p + 16)", [&](Observed &s) { s["result"] = name(Traced(s, "lasterror", [&] { return GlobalHandle(p + 16); }), h); }},
        {"GlobalReAlloc(h, 120, GMEM_ZEROINIT) (fixed, small growth, no GMEM_MOVEABLE)", [&](Observed &s) {
             std::iota(p, p + 100, BYTE{1});
             realloc(s, h, 120, GMEM_ZEROINIT);
             s["GlobalSize"] = std::to_string(GlobalSize(h));
             s["first_100_kept"] = Flag(Nonzero(p, 0, 100) == 100);
             s["nonzero_in_grown_part"] = std::to_string(Nonzero(p, 100, 120));
         }},
        {"GlobalReAlloc(h, 4 MiB, GMEM_ZEROINIT) (fixed, large growth, no GMEM_MOVEABLE)",
         [&](Observed &s) { realloc(s, h, 4 << 20, GMEM_ZEROINIT); }},
        {"GlobalReAlloc(h, 4 MiB, GMEM_MOVEABLE|GMEM_ZEROINIT) (fixed, large growth)", [&](Observed &s) {
             realloc(s, h, 4 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
             s["still_fixed_lock_returns_handle"] = Flag(GlobalLock(r) == r);
             lockState(s, r);
             s["first_100_kept"] = Flag(Nonzero(r, 0, 100) == 100);
             s["nonzero_in_grown_part"] = std::to_string(Nonzero(r, 100, 4 << 20));
             h = r;
         }},
        {"GlobalFree(h)", [&](Observed &s) { s["result"] = name(Traced(s, "lasterror", [&] { return GlobalFree(h); }), h); }},
        {"GlobalAlloc(GMEM_FIXED|GMEM_ZEROINIT, 64)", [&](Observed &s) {
             HGLOBAL g = alloc(s, GPTR, 64);
             s["nonzero_bytes"] = std::to_string(Nonzero(g, 0, 64));
             GlobalFree(g);
         }},
        {"m = GlobalAlloc(GMEM_MOVEABLE, 100)", [&](Observed &s) { m = alloc(s, GMEM_MOVEABLE, 100); }},
        {"GlobalFlags(m)", [&](Observed &s) { s["result"] = Hex(Traced(s, "lasterror", [&] { return GlobalFlags(m); })); }},
        {"p = GlobalLock(m)", [&](Observed &s) {
             p = static_cast<BYTE *>(Traced(s, "lasterror", [&] { return GlobalLock(m); }));
             s["pointer_equals_handle"] = Flag(p == m);
             s["pointer_mod_16"] = std::to_string(reinterpret_cast<uintptr_t>(p) % 16);
             s["GlobalFlags"] = Hex(GlobalFlags(m));
         }},
        {"GlobalLock(m) again", [&](Observed &s) {
             s["same_pointer"] = Flag(Traced(s, "lasterror", [&] { return GlobalLock(m); }) == p);
             s["GlobalFlags"] = Hex(GlobalFlags(m));
         }},
        {"GlobalSize(m)", [&](Observed &s) { s["result"] = std::to_string(Traced(s, "lasterror", [&] { return GlobalSize(m); })); }},
        {"GlobalSize((HGLOBAL)p) (pointer instead of handle)",
         [&](Observed &s) { s["result"] = std::to_string(Traced(s, "lasterror", [&] { return GlobalSize(p); })); }},
        {"GlobalUnlock(m)", [&](Observed &s) {
             s["result"] = std::to_string(Traced(s, "lasterror", [&] { return GlobalUnlock(m); }));
             s["GlobalFlags"] = Hex(GlobalFlags(m));
         }},
        {"GlobalReAlloc(m, 240100, GMEM_ZEROINIT) while locked (count 1), no GMEM_MOVEABLE",
         [&](Observed &s) { std::iota(p, p + 100, BYTE{1}), realloc(s, m, 240100, GMEM_ZEROINIT); }},
        {"GlobalReAlloc(m, 240100, GMEM_ZEROINIT) unlocked", [&](Observed &s) {
             realloc(s, m, 240100, GMEM_ZEROINIT);
             s["GlobalSize"] = std::to_string(GlobalSize(m));
             BYTE *q = static_cast<BYTE *>(GlobalLock(m));
             s["pointer_moved"] = Flag(q != p);
             s["first_100_kept"] = Flag(Nonzero(q, 0, 100) == 100 && q[99] == 100);
             s["nonzero_in_grown_part"] = std::to_string(Nonzero(q, 100, 240100));
             p = q;
         }},
        {"GlobalReAlloc(m, 480100, GMEM_MOVEABLE|GMEM_ZEROINIT) while locked (count 1)", [&](Observed &s) {
             realloc(s, m, 480100, GMEM_MOVEABLE | GMEM_ZEROINIT);
             s["GlobalSize"] = std::to_string(GlobalSize(m));
             BYTE *q = static_cast<BYTE *>(GlobalLock(m));
             s["pointer_moved"] = "*";  // a locked block may move with GMEM_MOVEABLE, or not
             s["lock_count_after_relock"] = std::to_string(GlobalFlags(m) & GMEM_LOCKCOUNT);
             s["nonzero_in_grown_part"] = std::to_string(Nonzero(q, 240100, 480100));
             GlobalUnlock(m), GlobalUnlock(m);
         }},
        {"GlobalReAlloc(m, 50, 0) (shrink)", [&](Observed &s) { realloc(s, m, 50, 0), s["GlobalSize"] = std::to_string(GlobalSize(m)); }},
        {"GlobalReAlloc(m, 0, GMEM_MOVEABLE) (discard)", [&](Observed &s) {
             realloc(s, m, 0, GMEM_MOVEABLE);
             s["GlobalLock"] = Traced(s, "GlobalLock_lasterror", [&] { return GlobalLock(m); }) ? "pointer" : "NULL";
             lockState(s, m);
         }},
        {"GlobalReAlloc(m, 64, GMEM_MOVEABLE|GMEM_ZEROINIT) (revive the discarded block)", [&](Observed &s) {
             realloc(s, m, 64, GMEM_MOVEABLE | GMEM_ZEROINIT);
             void *q = GlobalLock(m);
             s["GlobalLock"] = q ? "pointer" : "NULL";
             s["nonzero_bytes"] = std::to_string(q ? Nonzero(q, 0, 64) : 99);
         }},
        {"GlobalFree(m)", [&](Observed &s) { s["result"] = name(Traced(s, "lasterror", [&] { return GlobalFree(m); }), m); }},
        {"GlobalFlags(m) after GlobalFree", [&](Observed &s) { s["result"] = Hex(Traced(s, "lasterror", [&] { return GlobalFlags(m); })); }},
        {"GlobalLock(m) after GlobalFree", [&](Observed &s) { s["result"] = Ptr(Traced(s, "lasterror", [&] { return GlobalLock(m); })); }},
        {"GlobalAlloc(GMEM_MOVEABLE, 2^46) (too large)", [&](Observed &s) { alloc(s, GMEM_MOVEABLE, SIZE_T{1} << 46); }},
        {"GlobalAlloc(0x8002, 16) (undefined flag bit 0x8000)", [&](Observed &s) { GlobalFree(alloc(s, 0x8002, 16)); }},
        {"GlobalLock(NULL)", [&](Observed &s) { s["result"] = Ptr(Traced(s, "lasterror", [&] { return GlobalLock(nullptr); })); }},
        {"GlobalUnlock(NULL)", [&](Observed &s) { s["result"] = Num(Traced(s, "lasterror", [&] { return GlobalUnlock(nullptr); })); }},
        {"GlobalSize(NULL)", [&](Observed &s) { s["result"] = std::to_string(Traced(s, "lasterror", [&] { return GlobalSize(nullptr); })); }},
        {"GlobalFlags(NULL)", [&](Observed &s) { s["result"] = Hex(Traced(s, "lasterror", [&] { return GlobalFlags(nullptr); })); }},
        {"GlobalHandle(NULL)", [&](Observed &s) { s["result"] = name(Traced(s, "lasterror", [&] { return GlobalHandle(nullptr); }), h); }},
        {"GlobalFree(NULL)", [&](Observed &s) { s["result"] = name(Traced(s, "lasterror", [&] { return GlobalFree(nullptr); }), h); }},
        {"GlobalLock(address of a static buffer)", [&](Observed &s) {
             s["result"] = Traced(s, "lasterror", [&] { return GlobalLock(notGlobal); }) == notGlobal ? "same address" : "other";
         }},
        {"GlobalHandle(address of a static buffer)",
         [&](Observed &s) { s["result"] = name(Traced(s, "lasterror", [&] { return GlobalHandle(notGlobal); }), h); }},
    };
    int replayed = 0, skipped = 0;
    const JsonValue rows = LoadJsonFile(PlatformVectorPath("meta_user/kernel_global.json"));
    for (const JsonValue &row : rows.items()) {
        std::string call = row["call"].AsString();
        Observed seen;
        if (call.rfind("GlobalAlloc(GMEM", 0) == 0 && call.find("0x") != std::string::npos) {
            // A flag combination: "GlobalAlloc(NAMES (…0xNN), 100)".
            const UINT flags = UINT(std::stoul(call.substr(call.find("0x")), nullptr, 16));
            HGLOBAL g = alloc(seen, flags, 100);
            seen["GlobalFlags_unlocked"] = Hex(GlobalFlags(g));
            void *q = GlobalLock(g);
            seen["GlobalLock_equals_handle"] = Flag(q == g);
            seen["GlobalFlags_locked_once"] = Hex(GlobalFlags(g));
            seen["GlobalHandle_of_pointer_equals_handle"] = Flag(GlobalHandle(q) == g);
            seen["zero_filled"] = Flag(Nonzero(q, 0, 100) == 0);
            GlobalUnlock(g), GlobalFree(g);
        } else if (unsigned size = 0; call.find(" (") == std::string::npos &&
                                      std::sscanf(call.c_str(), "GlobalAlloc(GMEM_%*[A-Z], %u)", &size) == 1) {
            HGLOBAL g = alloc(seen, call.find("MOVEABLE") != std::string::npos ? GMEM_MOVEABLE : GMEM_FIXED, size);
            void *q = Traced(seen, "GlobalLock_lasterror", [&] { return GlobalLock(g); });
            seen["GlobalLock"] = q ? "pointer" : "NULL";
            lockState(seen, g);
            GlobalUnlock(g), GlobalFree(g);
        } else {
            // Call texts that name one call with a comment after it.
            for (const char *cut : {" (lock count", " (not locked)", " again", " while locked"})
                if (!actions.count(call) && call.find(cut) != std::string::npos) call = call.substr(0, call.find(cut));
            if (call.rfind("GlobalHandle(HeapAlloc", 0) == 0) {
                ++skipped;  // the process heap is not this platform's
                continue;
            }
            const auto it = actions.find(call);
            ASSERT_NE(it, actions.end()) << "no replay for row \"" << row["call"].AsString() << "\"";
            it->second(seen);
        }
        ExpectRow(row, seen, row["call"].AsString());
        ++replayed;
    }
    EXPECT_TRUE(replayed == 60 && skipped == 1);
}

TEST_F(KernelVectors, MiscRowsReplay) {
    ZELT_SKIP_WITHOUT_VECTORS();
    unsetenv("ZELT_WIN_INI");
    ZeltHostResetProfile();
    const JsonValue misc = LoadJsonFile(PlatformVectorPath("meta_user/kernel_misc.json"));
    for (const JsonValue &row : misc["MulDiv"].items()) {
        Observed seen;
        const int a = int(row["args"][0].AsInt()), b = int(row["args"][1].AsInt()), c = int(row["args"][2].AsInt());
        seen["result"] = std::to_string(Traced(seen, "lasterror", [&] { return MulDiv(a, b, c); }));
        ExpectRow(row, seen, "MulDiv(" + std::to_string(a) + ", " + std::to_string(b) + ", " + std::to_string(c) + ")");
    }
    for (const JsonValue &row : misc["lstrcmpA"].items()) {
        const char *a = row["a"].AsString().c_str(), *b = row["b"].AsString().c_str();
        Observed seen;
        seen["lstrcmpA"] = std::to_string(Traced(seen, "lasterror", [&] { return lstrcmpA(a, b); }));
        seen["lstrcmpiA"] = std::to_string(lstrcmpiA(a, b));
        const int sign = std::strcmp(a, b);
        seen["strcmp_sign"] = std::to_string((sign > 0) - (sign < 0));
        ExpectRow(row, seen, std::string("lstrcmpA(\"") + a + "\", \"" + b + "\")");
    }
    const JsonValue &nulls = misc["lstrcmpA_NULL"];
    EXPECT_TRUE(lstrcmpA(nullptr, "a") == nulls["NULL_vs_a"].AsInt() && lstrcmpA("a", nullptr) == nulls["a_vs_NULL"].AsInt() &&
                lstrcmpA(nullptr, nullptr) == nulls["NULL_vs_NULL"].AsInt());

    const auto profile = [&](const char *field, const char *section, const char *key, const char *def, DWORD size) {
        char buf[128];
        std::memset(buf, 'x', sizeof buf);
        Observed seen;
        const DWORD n = Traced(seen, "lasterror", [&] { return GetProfileStringA(section, key, def, buf, size); });
        seen["result"] = std::to_string(n);
        seen["text"] = buf;
        seen["buf_first_6"] = std::string(buf, 6);
        seen["keys_nul_separated"] = std::string(buf, n + 1);
        ExpectRow(misc[field], seen, field);
    };
    profile("GetProfileStringA_windows_device", "windows", "device", "", 81);
    profile("GetProfileStringA_windows_all_keys", "windows", nullptr, "", 64);
    profile("GetProfileStringA_default_trailing_blanks", "ProbeNoSection", "nokey", "def  ", 81);
    profile("GetProfileStringA_truncated_default", "ProbeNoSection", "nokey", "abcdefghij", 5);
    profile("GetProfileStringA_NULL_default", "ProbeNoSection", "nokey", nullptr, 81);
    const JsonValue &written = misc["device_entry_written_then_read"];
    char buf[81], small[12];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(WriteProfileStringA("windows", "device", "Probe Printer,winspool,LPT1:"), written["WriteProfileStringA"].AsInt());
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, 81), DWORD(written["GetProfileStringA"].AsInt()));
    EXPECT_EQ(buf, written["text"].AsString());
    EXPECT_TRUE(GetProfileStringA("windows", "device", "", small, 10) == written["read_into_10_bytes"].AsInt() &&
                std::string(small, 11) == written["small_buf"].AsString());
    EXPECT_EQ(WriteProfileStringA("windows", "device", nullptr), written["deleted_again"].AsInt());
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, 81), DWORD(written["read_after_delete"].AsInt()));

    const JsonValue &after = misc["last_error_after_successful_calls_when_preset_to_1234"];
    const auto preset = [](auto call) { return SetLastError(1234), call(), GetLastError(); };
    HGLOBAL g = nullptr;
    EXPECT_EQ(preset([&] { g = GlobalAlloc(GMEM_MOVEABLE, 10); }), after["GlobalAlloc"].AsInt());
    EXPECT_EQ(preset([&] { GlobalLock(g); }), after["GlobalLock"].AsInt());
    EXPECT_EQ(preset([&] { GlobalUnlock(g); }), after["GlobalUnlock_to_zero"].AsInt());
    EXPECT_EQ(preset([&] { GlobalFree(g); }), after["GlobalFree"].AsInt());
    EXPECT_EQ(preset([&] { GetTickCount(); }), after["GetTickCount"].AsInt());
    ZeltHostResetProfile();
}

TEST_F(KernelVectors, ClipboardFormatRegistrationRow) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue steps = LoadJsonFile(PlatformVectorPath("meta_user/clipboard_steps.json"));
    for (const JsonValue &row : steps.items()) {
        if (row["call"].AsString() != "RegisterClipboardFormatA") continue;
        const std::string &name = row["name"].AsString();
        Observed seen;
        const UINT first = Traced(seen, "lasterror", [&] { return RegisterClipboardFormatA(name.c_str()); });
        std::string upper = name;
        for (char &c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
        const UINT other = RegisterClipboardFormatA((name + " B").c_str());
        seen["first_in_range_C000_FFFF"] = Flag(first >= 0xC000 && first <= 0xFFFF);
        seen["same_name_again_equal"] = Flag(RegisterClipboardFormatA(name.c_str()) == first);
        seen["upper_case_name_equal"] = Flag(RegisterClipboardFormatA(upper.c_str()) == first);
        seen["other_minus_first"] = std::to_string(other - first);
        seen["empty_name"] = std::to_string(Traced(seen, "empty_name_lasterror", [] { return RegisterClipboardFormatA(""); }));
        char text[64] = {};
        seen["GetClipboardFormatNameA(first)"] = std::to_string(GetClipboardFormatNameA(first, text, sizeof text));
        seen["name"] = text;
        seen["GetClipboardFormatNameA(CF_DIB)"] = std::to_string(GetClipboardFormatNameA(CF_DIB, text, sizeof text));
        for (const char *key : {"first", "other_name", "name_hash_123"}) seen[key] = "*";  // atom values vary
        ExpectRow(row, seen, "RegisterClipboardFormatA");
        EXPECT_TRUE(GetClipboardFormatNameA(first, text, 5) == 4 && RegisterClipboardFormatA(nullptr) == 0);
        EXPECT_EQ(RegisterClipboardFormatA(std::string(256, 'x').c_str()), 0u) << "longer than an atom";
        return;
    }
    ADD_FAILURE() << "no registration row";
}

}  // namespace
}  // namespace zelt::test
