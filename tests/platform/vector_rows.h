// Helpers for replaying probe rows: find a row by its call text and check a
// "lasterror" field against what the platform left after a call made with
// the last error preset to a sentinel.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "zelt/win32.h"

namespace zelt::test {

inline constexpr DWORD kErrorSentinel = 0xDEADBEEF;

inline void PresetLastError() { SetLastError(kErrorSentinel); }

// The row of a list of {"call": …} rows with that call text; fails the test
// when absent.
inline const JsonValue &RowByCall(const JsonValue &rows, const std::string &call) {
    for (const JsonValue &row : rows.items())
        if (row["call"].AsString() == call) return row;
    ADD_FAILURE() << "no vector row \"" << call << "\"";
    static const JsonValue null;
    return null;
}

// Checks the error a call left against a vector's "lasterror" field.
inline void ExpectLastError(const JsonValue &expected, DWORD actual, const std::string &context) {
    if (expected.IsString() && expected.AsString() == "unchanged") {
        EXPECT_EQ(actual, kErrorSentinel) << context << ": last error should be untouched";
    } else {
        ASSERT_TRUE(expected.IsNumber()) << context << ": no lasterror in the vector";
        EXPECT_EQ(actual, static_cast<DWORD>(expected.AsInt())) << context;
    }
}

inline unsigned ParseHex(const JsonValue &value) { return static_cast<unsigned>(std::stoul(value.AsString(), nullptr, 16)); }

}  // namespace zelt::test
