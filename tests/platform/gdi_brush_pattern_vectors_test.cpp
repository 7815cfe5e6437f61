// pattern_brush.json replayed: monochrome frame brushes on every depth with
// the DC's text and background colours, brush origins, DIB pattern brushes,
// the two mask ROPs through a monochrome mask, solid brushes on indexed DIB
// sections (the 1-bpp background-colour rule) and dithered on monochrome
// DDBs, and a 16 x 16 pattern used whole.
#include <string>

#include <gtest/gtest.h>

#include "gdi_blit_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

constexpr BYTE kStripes[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
constexpr int kDepths[6] = {1, 4, 8, 16, 24, 32};

bool StartsWith(const std::string &text, const std::string &prefix) { return text.rfind(prefix, 0) == 0; }

std::string TableFor(int bpp) { return bpp == 1 ? "bw" : bpp == 4 ? "vga" : bpp == 8 ? "332" : "none"; }

// Frame brush k: row r is stripe (k + r) mod 8; the bitmap goes at once.
HBRUSH FrameBrush(int k) {
    WORD rows[8];
    for (int r = 0; r < 8; ++r) rows[r] = kStripes[(k + r) % 8];
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    return brush;
}

// A brush selected into a DC for a scope, deleted afterwards.
class SelectedBrush {
public:
    SelectedBrush(HDC dc, HBRUSH brush) : dc_(dc), brush_(brush), old_(SelectObject(dc, brush)) { EXPECT_NE(brush, nullptr); }
    ~SelectedBrush() {
        SelectObject(dc_, old_);
        DeleteObject(brush_);
    }

private:
    HDC dc_;
    HBRUSH brush_;
    HGDIOBJ old_;
};

// The probe's 12 x 6 mask: an 8 x 4 block at (2,1) and pixel (0,0).
void FillMask(MonoDc &mask) {
    std::vector<std::vector<unsigned>> rows(6, std::vector<unsigned>(12, 0));
    rows[0][0] = 1;
    for (int y = 1; y < 5; ++y)
        for (int x = 2; x < 10; ++x) rows[y][x] = 1;
    mask.SetRows(rows);
}

class PatternBrushVectors : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        doc_ = LoadJsonFile(PlatformVectorPath("raster/pattern_brush.json"));
        ASSERT_TRUE(doc_.IsObject());
    }
    // The items with a name prefix, in file order.
    std::vector<const JsonValue *> Items(const std::string &prefix) const {
        std::vector<const JsonValue *> items;
        for (const JsonValue &item : doc_["items"].items())
            if (StartsWith(item["name"].AsString(), prefix)) items.push_back(&item);
        return items;
    }
    JsonValue doc_;
};

TEST_F(PatternBrushVectors, FrameBrushesOnOneBpp) {
    const auto items = Items("frame brush ");
    ASSERT_EQ(items.size(), 8u + 12u);
    for (int k = 0; k < 8; ++k) {
        DibDc dib(8, 8, 1, NamedTable("bw"));
        SelectedBrush brush(dib.Dc(), FrameBrush(k));
        EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 8, 8, PATCOPY));
        EXPECT_EQ(ReadRows(dib), RawRows((*items[k])["after"])) << "brush " << k;
    }
}

TEST_F(PatternBrushVectors, BrushOriginsAlignToTheDevice) {
    const POINT origins[5] = {{0, 0}, {3, 5}, {-2, 1}, {9, 0}, {8, 8}};
    const auto items = Items("brush origin ");
    ASSERT_EQ(items.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        DibDc dib(12, 10, 32);
        SelectedBrush brush(dib.Dc(), FrameBrush(0));
        SetTextColor(dib.Dc(), RGB(255, 0, 0));
        SetBkColor(dib.Dc(), RGB(0, 255, 0));
        POINT previous{-1, -1};
        EXPECT_TRUE(SetBrushOrgEx(dib.Dc(), origins[i].x, origins[i].y, &previous));
        EXPECT_EQ(previous.x, 0);
        EXPECT_TRUE(PatBlt(dib.Dc(), 3, 2, 9, 8, PATCOPY));
        EXPECT_EQ(ReadRows(dib), RawRows((*items[i])["after"])) << "origin " << origins[i].x << "," << origins[i].y;
    }
}

TEST_F(PatternBrushVectors, MonochromePatternsTakeTextAndBackgroundOnEveryDepth) {
    int index = 0;
    const auto items = Items("frame brush 0 PATCOPY on ");
    ASSERT_EQ(items.size(), 12u);
    for (int bpp : kDepths) {
        for (int i = 0; i < 2; ++i, ++index) {
            const JsonValue &item = *items[index];
            DibDc dib(8, 8, bpp, NamedTable(TableFor(bpp)));
            SelectedBrush brush(dib.Dc(), FrameBrush(0));
            SetTextColor(dib.Dc(), Colour(item["text"]));
            SetBkColor(dib.Dc(), Colour(item["bk"]));
            EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 8, 8, PATCOPY));
            EXPECT_EQ(ReadRows(dib), RawRows(item["after"])) << item["name"].AsString() << " text " << item["text"].AsString();
        }
    }
}

TEST_F(PatternBrushVectors, DibPatternBrushWithOrigin) {
    struct {
        BITMAPINFOHEADER header;
        DWORD pixels[64];
    } packed{};
    packed.header.biSize = sizeof(BITMAPINFOHEADER);
    packed.header.biWidth = 8;
    packed.header.biHeight = -8;
    packed.header.biPlanes = 1;
    packed.header.biBitCount = 32;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) packed.pixels[y * 8 + x] = static_cast<DWORD>(y * 16 + x);
    const auto items = Items("DIB pattern brush");
    ASSERT_EQ(items.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        DibDc dib(10, 10, 32);
        SelectedBrush brush(dib.Dc(), CreateDIBPatternBrushPt(&packed, DIB_RGB_COLORS));
        if (i == 1) SetBrushOrgEx(dib.Dc(), 3, 2, nullptr);
        EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 10, 10, PATCOPY));
        EXPECT_EQ(ReadRows(dib), RawRows((*items[i])["after"])) << (*items[i])["name"].AsString();
    }
}

TEST_F(PatternBrushVectors, MaskedPatternCopyE20746) {
    const auto items = Items("BitBlt 0xE20746");
    ASSERT_EQ(items.size(), 12u);
    for (const JsonValue *item : items) {
        const std::string name = (*item)["name"].AsString();
        const int bpp = std::stoi(name.substr(name.find("-> ") + 3));
        DibDc dib(12, 6, bpp, NamedTable(TableFor(bpp)));
        WriteRows(dib, RawRows((*item)["before"]));
        MonoDc mask(12, 6);
        FillMask(mask);
        SelectedBrush brush(dib.Dc(), FrameBrush(3));
        if (name.find("text red") != std::string::npos) {
            SetTextColor(dib.Dc(), RGB(255, 0, 0));
            SetBkColor(dib.Dc(), RGB(0, 0, 255));
        }
        EXPECT_TRUE(BitBlt(dib.Dc(), 0, 0, 12, 6, mask.Dc(), 0, 0, 0xE20746));
        EXPECT_EQ(ReadRows(dib), RawRows((*item)["after"])) << name;
    }
}

TEST_F(PatternBrushVectors, MaskedXor6A01E9AppliedTwiceRestores) {
    const auto items = Items("BitBlt 0x6A01E9");
    ASSERT_EQ(items.size(), 12u);
    for (const JsonValue *item : items) {
        const std::string name = (*item)["name"].AsString();
        const int bpp = std::stoi(name.substr(name.find("-> ") + 3));
        DibDc dib(12, 6, bpp, NamedTable(TableFor(bpp)));
        WriteRows(dib, RawRows((*item)["before"]));
        MonoDc mask(12, 6);
        FillMask(mask);
        SelectedBrush brush(dib.Dc(), CreateSolidBrush(Colour((*item)["brush"])));
        SetBkColor(dib.Dc(), RGB(255, 255, 255));
        EXPECT_TRUE(BitBlt(dib.Dc(), 0, 0, 12, 6, mask.Dc(), 0, 0, 0x6A01E9));
        EXPECT_EQ(ReadRows(dib), RawRows((*item)["after_once"])) << name << " brush " << (*item)["brush"].AsString();
        EXPECT_TRUE(BitBlt(dib.Dc(), 0, 0, 12, 6, mask.Dc(), 0, 0, 0x6A01E9));
        EXPECT_EQ(ReadRows(dib), RawRows((*item)["after_twice"])) << name;
    }
}

TEST_F(PatternBrushVectors, SolidBrushesOnIndexedDibSections) {
    const auto items = Items("solid brush PatBlt PATCOPY 8x8 on ");
    ASSERT_EQ(items.size(), 12u);
    for (const JsonValue *item : items) {
        const std::string name = (*item)["name"].AsString();
        const int bpp = std::stoi(name.substr(name.find(" on ") + 4));
        DibDc dib(8, 8, bpp, NamedTable((*item)["table"].AsString()));
        SelectedBrush brush(dib.Dc(), CreateSolidBrush(Colour((*item)["brush"])));
        EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 8, 8, PATCOPY));
        EXPECT_EQ(ReadRows(dib), RawRows((*item)["after"])) << name << " brush " << (*item)["brush"].AsString();
    }
    for (const JsonValue *item : Items("solid brush PatBlt PATCOPY 8x1 on 1 bpp")) {
        const COLORREF colour = Colour((*item)["brush"]);
        DibDc dib(8, 1, 1, NamedTable("bw"));
        SelectedBrush brush(dib.Dc(), CreateSolidBrush(colour));
        SetBkColor(dib.Dc(), colour);
        EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 8, 1, PATCOPY));
        EXPECT_EQ(ReadRows(dib), RawRows((*item)["after"]));
        SetBkColor(dib.Dc(), RGB(255, 255, 255));
        EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 8, 1, PATCOPY));
        EXPECT_EQ(ReadRows(dib), RawRows((*item)["after_with_bk_white"]));
    }
}

TEST_F(PatternBrushVectors, SolidBrushesDitherOnMonochromeDdbs) {
    const auto items = Items("solid brush PatBlt PATCOPY 16x16 on a monochrome DDB");
    ASSERT_EQ(items.size(), 6u);
    for (const JsonValue *item : items) {
        MonoDc mono(16, 16);
        SelectedBrush brush(mono.Dc(), CreateSolidBrush(Colour((*item)["brush"])));
        EXPECT_TRUE(PatBlt(mono.Dc(), 0, 0, 16, 16, PATCOPY));
        EXPECT_EQ(ReadRows(mono, 16, 16), RawRows((*item)["after"])) << "brush " << (*item)["brush"].AsString();
    }
}

TEST_F(PatternBrushVectors, SixteenBySixteenPatternIsUsedWhole) {
    const auto items = Items("pattern brush from a 16x16");
    ASSERT_EQ(items.size(), 1u);
    WORD rows[16];
    for (int y = 0; y < 16; ++y) rows[y] = static_cast<WORD>(y < 8 ? 0x00FF : 0xFF00);
    HBITMAP bitmap = CreateBitmap(16, 16, 1, 1, rows);
    HBRUSH handle = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    DibDc dib(16, 16, 1, NamedTable("bw"));
    SelectedBrush brush(dib.Dc(), handle);
    EXPECT_TRUE(PatBlt(dib.Dc(), 0, 0, 16, 16, PATCOPY));
    EXPECT_EQ(ReadRows(dib), RawRows((*items[0])["after"]));
}

}  // namespace
}  // namespace zelt::test
