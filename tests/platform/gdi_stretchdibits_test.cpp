// StretchDIBits against every probed case of stretchdibits.json: the DIB
// section, the DC set-up and the call are rebuilt from the vector, the
// pixels and the return value must match exactly.
#include <sstream>
#include <vector>

#include "platform/gdi_dib_support.h"
#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class GdiStretchDIBits : public LeakCheckedTest {};

void FillTable(const JsonValue &tables, const std::string &name, RGBQUAD *out, int &count) {
    count = 0;
    if (name == "none" || !tables.Has(name)) return;
    for (const JsonValue &entry : tables[name].items()) out[count++] = QuadOfHex(entry.AsString());
}

int StretchModeOf(const std::string &name) {
    if (name == "WHITEONBLACK") return WHITEONBLACK;
    if (name == "COLORONCOLOR") return COLORONCOLOR;
    if (name == "HALFTONE") return HALFTONE;
    return BLACKONWHITE;
}

std::string Describe(const JsonValue &c) {
    std::ostringstream out;
    out << "case " << c["id"].AsInt() << " (" << c["tag"].AsString() << ")";
    return out.str();
}

// Runs one case; returns a description of the first difference, or "".
std::string RunCase(const JsonValue &tables, const JsonValue &c) {
    const JsonValue &src = c["src"], &dst = c["dst"], &call = c["call"];
    const int dstBpp = static_cast<int>(dst["bpp"].AsInt());
    const int dstWidth = static_cast<int>(dst["width"].AsInt()), dstHeight = static_cast<int>(dst["height"].AsInt());

    DibHeader target;
    target.header.biSize = sizeof(BITMAPINFOHEADER);
    target.header.biWidth = dstWidth;
    target.header.biHeight = dstHeight;
    target.header.biPlanes = 1;
    target.header.biBitCount = static_cast<WORD>(dstBpp);
    int count = 0;
    FillTable(tables, dst["table"].AsString(), target.colours, count);
    target.header.biClrUsed = static_cast<DWORD>(count);
    void *bitsPointer = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, target.Info(), DIB_RGB_COLORS, &bitsPointer, nullptr, 0);
    if (bitmap == nullptr) return "CreateDIBSection failed";
    BYTE *bits = static_cast<BYTE *>(bitsPointer);
    const int rows = dstHeight < 0 ? -dstHeight : dstHeight;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < dstWidth; ++x)
            SetRawPixel(DibRow(bits, dstWidth, dstHeight, dstBpp, y), x, dstBpp, RawValue(dst["before"][y][x]));

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    SetStretchBltMode(dc, StretchModeOf(call["stretch_mode"].AsString()));
    if (call.Has("clip_rects")) {
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        for (const JsonValue &r : call["clip_rects"].items()) {
            HRGN part = CreateRectRgn(static_cast<int>(r[0].AsInt()), static_cast<int>(r[1].AsInt()),
                                      static_cast<int>(r[2].AsInt()), static_cast<int>(r[3].AsInt()));
            CombineRgn(clip, clip, part, RGN_OR);
            DeleteObject(part);
        }
        SelectObject(dc, clip);
        DeleteObject(clip);
    }
    HBRUSH brush = nullptr;
    HGDIOBJ oldBrush = nullptr;
    if (call.Has("brush")) {
        // "solid 0x563412 (COLORREF)"
        const std::string text = call["brush"].AsString();
        brush = CreateSolidBrush(static_cast<COLORREF>(std::stoul(text.substr(6), nullptr, 16)));
        oldBrush = SelectObject(dc, brush);
    }
    HPALETTE palette = nullptr;
    HPALETTE oldPalette = nullptr;
    if (call.Has("dc_palette")) {
        std::vector<BYTE> storage(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
        LOGPALETTE *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
        logical->palVersion = 0x300;
        const JsonValue &entries = tables[call["dc_palette"].AsString()];
        logical->palNumEntries = static_cast<WORD>(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const RGBQUAD q = QuadOfHex(entries[i].AsString());
            logical->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
        palette = CreatePalette(logical);
        oldPalette = SelectPalette(dc, palette, FALSE);
    }

    // The source DIB.
    const int srcBpp = static_cast<int>(src["bpp"].AsInt());
    const int srcWidth = static_cast<int>(src["width"].AsInt()), srcHeight = static_cast<int>(src["height"].AsInt());
    DibHeader source;
    source.header.biSize = sizeof(BITMAPINFOHEADER);
    source.header.biWidth = srcWidth;
    source.header.biHeight = srcHeight;
    source.header.biPlanes = 1;
    source.header.biBitCount = static_cast<WORD>(srcBpp);
    source.header.biClrUsed = static_cast<DWORD>(src["biClrUsed"].AsInt());
    const bool palColours = src["usage"].AsString() == "DIB_PAL_COLORS";
    if (palColours) {
        WORD *indices = reinterpret_cast<WORD *>(source.colours);
        const JsonValue &list = src["pal_indices"];
        for (std::size_t i = 0; i < list.size(); ++i) indices[i] = static_cast<WORD>(list[i].AsInt());
    } else {
        FillTable(tables, src["table"].AsString(), source.colours, count);
    }
    const int srcRows = srcHeight < 0 ? -srcHeight : srcHeight;
    std::vector<BYTE> srcBits(static_cast<std::size_t>(DibStride(srcWidth, srcBpp > 0 ? srcBpp : 1)) * srcRows + 4);
    if (srcBpp > 0 && src.Has("pixels") && src["pixels"].IsArray()) {
        for (int y = 0; y < srcRows && y < static_cast<int>(src["pixels"].size()); ++y)
            for (int x = 0; x < srcWidth; ++x)
                SetRawPixel(DibRow(srcBits.data(), srcWidth, srcHeight, srcBpp, y), x, srcBpp,
                            RawValue(src["pixels"][y][x]));
    }
    SetLastError(0);
    const int result = StretchDIBits(
        dc, static_cast<int>(call["xDest"].AsInt()), static_cast<int>(call["yDest"].AsInt()),
        static_cast<int>(call["DestWidth"].AsInt()), static_cast<int>(call["DestHeight"].AsInt()),
        static_cast<int>(call["xSrc"].AsInt()), static_cast<int>(call["ySrc"].AsInt()),
        static_cast<int>(call["SrcWidth"].AsInt()), static_cast<int>(call["SrcHeight"].AsInt()),
        src["bits_null"].AsBool() ? nullptr : srcBits.data(), source.Info(),
        palColours ? DIB_PAL_COLORS : DIB_RGB_COLORS, static_cast<DWORD>(std::stoul(call["rop"].AsString(), nullptr, 16)));
    const DWORD lastError = GetLastError();

    std::ostringstream diff;
    if (result != c["result"].AsInt()) diff << "result " << result << ", expected " << c["result"].AsInt() << "; ";
    if (c["last_error"].IsNumber() && lastError != static_cast<DWORD>(c["last_error"].AsInt()))
        diff << "last error " << lastError << ", expected " << c["last_error"].AsInt() << "; ";
    for (int y = 0; y < rows && diff.tellp() < 400; ++y) {
        for (int x = 0; x < dstWidth; ++x) {
            const unsigned actual = GetRawPixel(DibRow(bits, dstWidth, dstHeight, dstBpp, y), x, dstBpp);
            const unsigned expected = RawValue(c["after"][y][x]);
            if (actual != expected) {
                diff << "pixel (" << x << "," << y << ") 0x" << std::hex << actual << ", expected 0x" << expected << std::dec
                     << "; ";
                break;
            }
        }
    }
    if (palette != nullptr) {
        SelectPalette(dc, oldPalette, FALSE);
        DeleteObject(palette);
    }
    if (brush != nullptr) {
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return diff.str();
}

bool IsSrcCopy(const JsonValue &c) {
    return (std::stoul(c["call"]["rop"].AsString(), nullptr, 16) & 0xFF0000) == 0xCC0000;
}

TEST_F(GdiStretchDIBits, SrcCopyCasesReplayExactly) {
    const JsonValue vectors = LoadJsonFile(PlatformVectorPath("raster/stretchdibits.json"));
    int replayed = 0;
    for (const JsonValue &c : vectors["cases"].items()) {
        if (!IsSrcCopy(c)) continue;
        ++replayed;
        const std::string diff = RunCase(vectors["tables"], c);
        EXPECT_EQ(diff, "") << Describe(c);
    }
    EXPECT_GE(replayed, 150);
}

// Other ROPs go through the ROP3 engine; they replay once it is linked in.
TEST_F(GdiStretchDIBits, RopCasesReplayWhenTheEngineIsPresent) {
    const JsonValue vectors = LoadJsonFile(PlatformVectorPath("raster/stretchdibits.json"));
    for (const JsonValue &c : vectors["cases"].items()) {
        if (IsSrcCopy(c)) continue;
        const std::string diff = RunCase(vectors["tables"], c);
        if (diff.rfind("result 0,", 0) == 0) GTEST_SKIP() << "ROP3 engine not linked in yet";
        EXPECT_EQ(diff, "") << Describe(c);
    }
}

}  // namespace
}  // namespace zelt::test
