// The 1-D sample maps of stretch_map.json: an 8-bpp source whose pixel
// value is its own index along the axis, drawn with StretchDIBits into an
// 8-bpp DIB section with the same grey table pre-filled with 255, shows
// which source index every destination pixel took (255 = untouched).
#include <sstream>
#include <vector>

#include "platform/gdi_dib_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

class GdiStretchMap : public LeakCheckedTest {};

int ModeOf(const std::string &name) {
    if (name == "BLACKONWHITE") return BLACKONWHITE;
    if (name == "WHITEONBLACK") return WHITEONBLACK;
    return COLORONCOLOR;
}

std::string Describe(std::size_t index, const JsonValue &m) {
    std::ostringstream out;
    out << "map " << index << " (" << m["axis"].AsString() << ", src " << m["src_len"].AsInt()
        << (m["src_top_down"].AsBool() ? " top-down" : "") << ", dst " << m["dst_start"].AsInt() << "/" << m["dst_ext"].AsInt()
        << " of " << m["dst_len"].AsInt() << ", src " << m["src_start"].AsInt() << "/" << m["src_ext"].AsInt() << ", "
        << m["mode"].AsString() << ")";
    return out.str();
}

// Replays one map; returns "" or the difference.
std::string Replay(const JsonValue &m) {
    const bool yAxis = m["axis"].AsString() == "y";
    const int srcLen = static_cast<int>(m["src_len"].AsInt()), n = static_cast<int>(m["dst_len"].AsInt());
    const bool topDown = m["src_top_down"].AsBool();

    DibHeader source;
    const int w = yAxis ? 1 : srcLen, h = yAxis ? srcLen : 1;
    source.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, topDown ? -h : h, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    for (int i = 0; i < 256; ++i) source.colours[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    std::vector<BYTE> pixels(static_cast<std::size_t>(DibStride(w, 8) * h), 0);
    for (int i = 0; i < srcLen; ++i)
        SetRawPixel(DibRow(pixels.data(), w, topDown ? -h : h, 8, yAxis ? i : 0), yAxis ? 0 : i, 8, static_cast<unsigned>(i));

    DibHeader target = source;
    const int dw = yAxis ? 1 : n, dh = yAxis ? n : 1;
    target.header.biWidth = dw;
    target.header.biHeight = dh;
    void *bitsPointer = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, target.Info(), DIB_RGB_COLORS, &bitsPointer, nullptr, 0);
    if (bitmap == nullptr) return "CreateDIBSection failed";
    BYTE *bits = static_cast<BYTE *>(bitsPointer);
    std::fill(bits, bits + DibStride(dw, 8) * dh, BYTE{255});
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetStretchBltMode(dc, ModeOf(m["mode"].AsString()));
    if (m.Has("clip")) {
        const int lo = static_cast<int>(m["clip"][0].AsInt()), hi = static_cast<int>(m["clip"][1].AsInt());
        HRGN clip = yAxis ? CreateRectRgn(0, lo, 1, hi) : CreateRectRgn(lo, 0, hi, 1);
        SelectClipRgn(dc, clip);
        DeleteObject(clip);
    }
    const int d0 = static_cast<int>(m["dst_start"].AsInt()), de = static_cast<int>(m["dst_ext"].AsInt());
    const int s0 = static_cast<int>(m["src_start"].AsInt()), se = static_cast<int>(m["src_ext"].AsInt());
    const int result = yAxis ? StretchDIBits(dc, 0, d0, 1, de, 0, s0, 1, se, pixels.data(), source.Info(), DIB_RGB_COLORS, SRCCOPY)
                             : StretchDIBits(dc, d0, 0, de, 1, s0, 0, se, 1, pixels.data(), source.Info(), DIB_RGB_COLORS, SRCCOPY);
    std::ostringstream diff;
    if (result != m["result"].AsInt()) diff << "returned " << result << ", want " << m["result"].AsInt() << "; ";
    for (int i = 0; i < n; ++i) {
        const unsigned got = GetRawPixel(DibRow(bits, dw, dh, 8, yAxis ? i : 0), yAxis ? 0 : i, 8);
        const JsonValue &want = m["map"][static_cast<std::size_t>(i)];
        const unsigned expected = want.IsNull() ? 255u : static_cast<unsigned>(want.AsInt());
        if (got != expected) diff << "pixel " << i << " took " << got << ", want " << expected << "; ";
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return diff.str();
}

TEST_F(GdiStretchMap, EveryProbedMapReplays) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/stretch_map.json"));
    const JsonValue &maps = doc["maps"];
    ASSERT_EQ(maps.size(), 926u);
    int failing = 0;
    for (std::size_t i = 0; i < maps.size(); ++i) {
        const std::string diff = Replay(maps[i]);
        if (!diff.empty() && ++failing <= 20) ADD_FAILURE() << Describe(i, maps[i]) << ": " << diff;
    }
    EXPECT_EQ(failing, 0) << "maps differing";
}

}  // namespace
}  // namespace zelt::test
