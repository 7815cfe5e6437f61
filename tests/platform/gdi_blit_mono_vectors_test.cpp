// mono_color.json replayed for BitBlt: monochrome DDB sources through the
// destination DC's text and background colours, 1-bpp DIB sections through
// their own table, colour sources into monochrome DDBs through the source
// DC's background colour, colour into 1-bpp DIB sections by nearest colour,
// and monochrome to monochrome as raw bits.
#include <string>

#include <gtest/gtest.h>

#include "gdi_blit_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

constexpr int kWidth = 8;
constexpr int kHeight = 2;

bool StartsWith(const std::string &text, const std::string &prefix) { return text.rfind(prefix, 0) == 0; }

class MonoColourVectors : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        doc_ = LoadJsonFile(PlatformVectorPath("raster/mono_color.json"));
        ASSERT_TRUE(doc_.IsObject());
        monoRows_ = RawRows(doc_["mono_source_rows"]);
    }
    std::vector<RGBQUAD> Table(const JsonValue &name) const { return NamedTable(name.AsString()); }

    JsonValue doc_;
    std::vector<std::vector<unsigned>> monoRows_;
};

TEST_F(MonoColourVectors, EveryBitBltItem) {
    int replayed = 0;
    for (const JsonValue &item : doc_["items"].items()) {
        const std::string name = item["name"].AsString();
        SCOPED_TRACE(name);
        if (StartsWith(name, "BitBlt SRCCOPY mono DDB -> ") && item.Has("dst_bpp")) {
            MonoDc source(kWidth, kHeight);
            source.SetRows(monoRows_);
            DibDc destination(kWidth, kHeight, static_cast<int>(item["dst_bpp"].AsInt()), Table(item["dst_table"]));
            SetTextColor(destination.Dc(), Colour(item["dst_text"]));
            SetBkColor(destination.Dc(), Colour(item["dst_bk"]));
            // The source DC's colours must not matter.
            SetTextColor(source.Dc(), RGB(1, 2, 3));
            SetBkColor(source.Dc(), RGB(4, 5, 6));
            EXPECT_TRUE(BitBlt(destination.Dc(), 0, 0, kWidth, kHeight, source.Dc(), 0, 0, SRCCOPY));
            EXPECT_EQ(ReadRows(destination), RawRows(item["after"])) << item["dst_text"].AsString();
        } else if (StartsWith(name, "BitBlt SRCCOPY 1 bpp DIB section")) {
            DibDc source(kWidth, kHeight, 1, Table(item["src_table"]));
            WriteRows(source, monoRows_);
            DibDc destination(kWidth, kHeight, static_cast<int>(item["dst_bpp"].AsInt()), Table(item["dst_table"]));
            SetTextColor(destination.Dc(), Colour(item["dst_text"]));
            SetBkColor(destination.Dc(), Colour(item["dst_bk"]));
            EXPECT_TRUE(BitBlt(destination.Dc(), 0, 0, kWidth, kHeight, source.Dc(), 0, 0, SRCCOPY));
            EXPECT_EQ(ReadRows(destination), RawRows(item["after"]));
        } else if (item.Has("src_bpp") && StartsWith(name, "BitBlt SRCCOPY")) {
            const int bpp = static_cast<int>(item["src_bpp"].AsInt());
            DibDc source(kWidth, 1, bpp, bpp == 8 ? NamedTable("332") : std::vector<RGBQUAD>{});
            WriteRows(source, RawRows(item["src"]));
            SetBkColor(source.Dc(), Colour(item["src_dc_bk"]));
            SetTextColor(source.Dc(), RGB(9, 9, 9));
            MonoDc destination(kWidth, 1);
            SetBkColor(destination.Dc(), RGB(1, 1, 1));
            SetTextColor(destination.Dc(), RGB(2, 2, 2));
            EXPECT_TRUE(BitBlt(destination.Dc(), 0, 0, kWidth, 1, source.Dc(), 0, 0, SRCCOPY));
            EXPECT_EQ(ReadRows(destination, kWidth, 1), RawRows(item["mono_after"])) << item["src_dc_bk"].AsString();
        } else if (StartsWith(name, "BitBlt SRCCOPY 24 bpp -> 1 bpp DIB section")) {
            DibDc source(kWidth, 1, 24);
            WriteRows(source, RawRows(item["src"]));
            SetBkColor(source.Dc(), Colour(item["src_dc_bk"]));
            DibDc destination(kWidth, 1, 1, NamedTable(name.find("duo") != std::string::npos ? "duo" : "bw"));
            EXPECT_TRUE(BitBlt(destination.Dc(), 0, 0, kWidth, 1, source.Dc(), 0, 0, SRCCOPY));
            EXPECT_EQ(ReadRows(destination), RawRows(item["after"]));
        } else if (StartsWith(name, "BitBlt") && name.find("mono DDB -> mono DDB") != std::string::npos) {
            MonoDc source(kWidth, kHeight), destination(kWidth, kHeight);
            source.SetRows(monoRows_);
            SetTextColor(destination.Dc(), RGB(255, 255, 255));
            SetBkColor(destination.Dc(), RGB(0, 0, 0));
            const DWORD rop = StartsWith(name, "BitBlt NOTSRCCOPY") ? NOTSRCCOPY : SRCCOPY;
            EXPECT_TRUE(BitBlt(destination.Dc(), 0, 0, kWidth, kHeight, source.Dc(), 0, 0, rop));
            EXPECT_EQ(ReadRows(destination, kWidth, kHeight), RawRows(item["mono_after"]));
        } else if (StartsWith(name, "BitBlt SRCCOPY mono DDB -> 1 bpp DIB section (duo table), text")) {
            MonoDc source(kWidth, kHeight);
            source.SetRows(monoRows_);
            DibDc destination(kWidth, kHeight, 1, NamedTable("duo"));
            SetTextColor(destination.Dc(), RGB(240, 224, 16));
            SetBkColor(destination.Dc(), RGB(32, 64, 128));
            EXPECT_TRUE(BitBlt(destination.Dc(), 0, 0, kWidth, kHeight, source.Dc(), 0, 0, SRCCOPY));
            EXPECT_EQ(ReadRows(destination), RawRows(item["after"]));
        } else {
            continue;  // StretchDIBits and DC colour items belong to other suites
        }
        ++replayed;
    }
    EXPECT_EQ(replayed, 28 + 6 + 16 + 2 + 3);
}

}  // namespace
}  // namespace zelt::test
