// rop3.json replayed: all 256 ternary raster operations through BitBlt at
// 32, 8 and 1 bpp, with a DIB pattern brush (a monochrome pattern brush at
// 1 bpp), plus low-word variants, PatBlt and NULL source DCs.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "gdi_blit_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

// The pattern brush the probe selects: an 8 x 8 DIB pattern of the depth, or
// a monochrome DDB pattern at 1 bpp.
HBRUSH MakePatternBrush(int bpp, const std::vector<RGBQUAD> &table, const std::vector<std::vector<unsigned>> &rows) {
    if (bpp == 1) {
        WORD words[8] = {};
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (rows[y][x]) words[y] |= static_cast<WORD>(0x80 >> x);
        HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, words);
        HBRUSH brush = CreatePatternBrush(bitmap);
        DeleteObject(bitmap);
        return brush;
    }
    const int stride = DibStride(8, bpp);
    std::vector<BYTE> packed(sizeof(BITMAPINFOHEADER) + table.size() * sizeof(RGBQUAD) + 8 * stride, 0);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(packed.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = 8;
    header->biHeight = -8;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bpp);
    header->biClrUsed = static_cast<DWORD>(table.size());
    if (!table.empty()) std::memcpy(packed.data() + sizeof(BITMAPINFOHEADER), table.data(), table.size() * sizeof(RGBQUAD));
    BYTE *bits = packed.data() + sizeof(BITMAPINFOHEADER) + table.size() * sizeof(RGBQUAD);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) SetRawPixel(bits + y * stride, x, bpp, rows[y][x]);
    return CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS);
}

class Rop3Vectors : public LeakCheckedTest {};

TEST_F(Rop3Vectors, EveryCodeAtEveryProbedDepth) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/rop3.json"));
    ASSERT_TRUE(doc.IsObject());
    int replayed = 0;
    for (const auto &[name, depth] : doc["depths"].members()) {
        const int bpp = static_cast<int>(depth["bpp"].AsInt());
        const std::vector<RGBQUAD> table = NamedTable(depth["table"].AsString());
        const int width = static_cast<int>(depth["width"].AsInt()), height = static_cast<int>(depth["height"].AsInt());
        DibDc source(width, height, bpp, table), destination(width, height, bpp, table);
        WriteRows(source, RawRows(depth["S"]));
        const auto initial = RawRows(depth["D"]);
        HBRUSH brush = MakePatternBrush(bpp, table, RawRows(depth["P_8x8"]));
        ASSERT_NE(brush, nullptr);
        HGDIOBJ oldBrush = SelectObject(destination.Dc(), brush);

        const auto check = [&](const JsonValue &item, BOOL ok, const std::string &what) {
            EXPECT_EQ(ok != 0, item["ok"].AsInt() != 0) << bpp << " bpp " << what;
            EXPECT_EQ(ReadRows(destination), RawRows(item["after"])) << bpp << " bpp " << what;
            ++replayed;
        };
        for (const JsonValue &result : depth["results"].items()) {
            const DWORD rop = static_cast<DWORD>(RawValue(result["rop"]));
            WriteRows(destination, initial);
            check(result, BitBlt(destination.Dc(), 0, 0, width, height, source.Dc(), 0, 0, rop),
                  "BitBlt rop " + result["rop"].AsString());
        }
        for (const JsonValue &extra : depth["extra"].items()) {
            const DWORD rop = static_cast<DWORD>(RawValue(extra["rop"]));
            const std::string call = extra["call"].AsString();
            WriteRows(destination, initial);
            BOOL ok = FALSE;
            if (call == "BitBlt") ok = BitBlt(destination.Dc(), 0, 0, width, height, source.Dc(), 0, 0, rop);
            else if (call == "PatBlt") ok = PatBlt(destination.Dc(), 0, 0, width, height, rop);
            else if (call == "BitBlt with hdcSrc NULL") ok = BitBlt(destination.Dc(), 0, 0, width, height, nullptr, 0, 0, rop);
            else ADD_FAILURE() << "unknown call " << call;
            check(extra, ok, call + " " + extra["rop"].AsString());
        }
        SelectObject(destination.Dc(), oldBrush);
        DeleteObject(brush);
    }
    EXPECT_EQ(replayed, 3 * (256 + 12));
}

}  // namespace
}  // namespace zelt::test
