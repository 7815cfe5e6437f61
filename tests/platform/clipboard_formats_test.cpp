// Registered clipboard format names.
#include <string>

#include <gtest/gtest.h>

#include "zelt/win32.h"

namespace zelt::test {
namespace {

TEST(ClipboardFormats, RegistrationAndNames) {
    const UINT first = RegisterClipboardFormatA("Zelt Test Format A");
    ASSERT_GE(first, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("zelt test format a"), first) << "names ignore case";
    EXPECT_EQ(RegisterClipboardFormatA("ZELT TEST FORMAT A"), first);
    const UINT second = RegisterClipboardFormatA("Zelt Test Format B");
    EXPECT_NE(second, first);
    EXPECT_GE(second, 0xC000u);

    char name[64];
    EXPECT_EQ(GetClipboardFormatNameA(first, name, sizeof name), 18);
    EXPECT_STREQ(name, "Zelt Test Format A") << "the first spelling is kept";
    EXPECT_EQ(GetClipboardFormatNameA(first, name, 5), 4);
    EXPECT_STREQ(name, "Zelt");
    EXPECT_EQ(GetClipboardFormatNameA(CF_TEXT, name, sizeof name), 0) << "predefined formats have no name";
    EXPECT_EQ(GetClipboardFormatNameA(0xFFFF, name, sizeof name), 0);

    EXPECT_EQ(RegisterClipboardFormatA(nullptr), 0u);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    EXPECT_EQ(RegisterClipboardFormatA(std::string(256, 'x').c_str()), 0u) << "longer than an atom";
    EXPECT_NE(RegisterClipboardFormatA(std::string(255, 'x').c_str()), 0u);
}

}  // namespace
}  // namespace zelt::test
