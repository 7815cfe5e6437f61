// A per-pixel model of raster surfaces written from the colour, ROP and
// scaling rules alone: raw values and colours of every DIB format, the
// nearest-colour rule, conversion between formats, the ROP2/ROP3 truth
// tables, the stretch walk, and DIB bits and memory DCs built from a model.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "zelt/win32.h"

namespace zelt::test {

inline int DibStride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// Lowest index of least squared distance.
inline DWORD NearestIndex(const std::vector<RGBQUAD> &table, COLORREF c) {
    long best = -1;
    DWORD index = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const long dr = table[i].rgbRed - GetRValue(c), dg = table[i].rgbGreen - GetGValue(c), db = table[i].rgbBlue - GetBValue(c);
        if (const long d = dr * dr + dg * dg + db * db; best < 0 || d < best) best = d, index = DWORD(i);
    }
    return index;
}

struct SurfaceModel {
    int width = 0, height = 0;
    int format = 32;  // 1, 4, 8 (indexed), 15 (16-bpp 5-5-5), 16 (16-bpp 5-6-5), 24, 32
    bool topDown = true;
    std::vector<RGBQUAD> table;  // indexed formats: 2^bits entries
    std::vector<DWORD> pixels;   // raw values, top row first

    SurfaceModel() = default;
    SurfaceModel(int w, int h, int f, std::vector<RGBQUAD> t = {}, bool down = true, DWORD fill = 0)
        : width(w), height(h), format(f), topDown(down), table(std::move(t)), pixels(size_t(w) * size_t(h), fill) {}

    int Bits() const { return format == 15 ? 16 : format; }
    bool Indexed() const { return format <= 8; }
    DWORD Ones() const { return Bits() == 32 ? 0xFFFFFFFFu : (DWORD{1} << Bits()) - 1; }
    DWORD &At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    DWORD At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    COLORREF ColourOf(DWORD raw) const {
        const auto five = [](DWORD v) { return BYTE((v << 3) | (v >> 2)); };
        switch (format) {
            case 15: return RGB(five((raw >> 10) & 31), five((raw >> 5) & 31), five(raw & 31));
            case 16: return RGB(five((raw >> 11) & 31), BYTE(((raw >> 5) & 63) << 2 | ((raw >> 5) & 63) >> 4), five(raw & 31));
            case 24:
            case 32: return RGB((raw >> 16) & 255, (raw >> 8) & 255, raw & 255);
            default: return raw < table.size() ? RGB(table[raw].rgbRed, table[raw].rgbGreen, table[raw].rgbBlue) : 0;
        }
    }
    // `quantise`: a direct-colour source into an 8-bpp table first moves each
    // channel to the middle of its 8-wide bucket.
    DWORD RawOf(COLORREF c, bool quantise = false) const {
        const DWORD r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        switch (format) {
            case 15: return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
            case 16: return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
            case 24:
            case 32: return r << 16 | g << 8 | b;
            default: return NearestIndex(table, quantise ? RGB((r & ~7u) + 4, (g & ~7u) + 4, (b & ~7u) + 4) : c);
        }
    }
    // A raw value of `source` in this format: between identical formats
    // (indexed: identical tables) raw values move unchanged, 32-bpp top byte
    // and 5-5-5 bit 15 included; everything else goes through its colour.
    DWORD Convert(const SurfaceModel &source, DWORD raw) const {
        if (format == source.format && (!Indexed() || (table.size() == source.table.size() &&
                                                       std::memcmp(table.data(), source.table.data(), table.size() * 4) == 0)))
            return raw;
        return RawOf(source.ColourOf(raw), format == 8 && !source.Indexed());
    }
};

// Bit (P_i << 2 | S_i << 1 | D_i) of the ROP3 index gives result bit i.
inline DWORD Rop3(BYTE index, DWORD p, DWORD s, DWORD d, DWORD ones) {
    DWORD out = 0;
    for (int sel = 0; sel < 8; ++sel)
        if ((index >> sel) & 1) out |= (sel & 4 ? p : ~p) & (sel & 2 ? s : ~s) & (sel & 1 ? d : ~d);
    return out & ones;
}
// R2_* codes: bit (pen << 1 | dst) of (code - 1).
inline DWORD Rop2(int code, DWORD pen, DWORD dst, DWORD ones) {
    const int t = code - 1;
    return Rop3(BYTE((t & 3) * 5 | ((t >> 2) & 3) * 0x50), pen, 0, dst, ones);
}

// The source steps destination step k of a walk of n steps over s takes:
// one sample when enlarging, the run of steps falling on k when shrinking.
inline std::vector<int> SourceSteps(int k, int n, int s) {
    if (n >= s) return {int(((2LL * k + 1) * s - 1) / (2LL * n))};
    std::vector<int> run;
    for (int j = 0; j < s; ++j)
        if (int(((2LL * j + 1) * n - 1) / (2LL * s)) == k) run.push_back(j);
    return run;
}

// Packed pixel x of a DIB row.
inline DWORD GetPacked(const BYTE *row, int x, int bits) {
    if (bits < 8) return (row[x * bits / 8] >> (8 - bits - x * bits % 8)) & ((1u << bits) - 1);
    DWORD raw = 0;
    for (int i = 0; i < bits / 8; ++i) raw |= DWORD(row[bits / 8 * x + i]) << (8 * i);
    return raw;
}
inline void SetPacked(BYTE *row, int x, int bits, DWORD raw) {
    if (bits < 8) {
        const int shift = 8 - bits - x * bits % 8, mask = ((1 << bits) - 1) << shift;
        row[x * bits / 8] = BYTE((row[x * bits / 8] & ~mask) | ((raw << shift) & mask));
        return;
    }
    for (int i = 0; i < bits / 8; ++i) row[bits / 8 * x + i] = BYTE(raw >> (8 * i));
}

// Header, masks and table of the model as a BITMAPINFO, and its packed bits.
inline std::vector<BYTE> InfoOf(const SurfaceModel &m) {
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    *reinterpret_cast<BITMAPINFOHEADER *>(info.data()) = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), m.width, m.topDown ? -m.height : m.height, 1, WORD(m.Bits()),
        DWORD(m.format == 16 ? BI_BITFIELDS : BI_RGB), 0, 0, 0, DWORD(m.table.size()), 0};
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    if (m.format == 16) std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
    if (!m.table.empty()) std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), m.table.data(), m.table.size() * 4);
    return info;
}
inline BYTE *RowOf(BYTE *bits, const SurfaceModel &m, int y) {
    return bits + size_t(m.topDown ? y : m.height - 1 - y) * size_t(DibStride(m.width, m.Bits()));
}
inline void PackInto(const SurfaceModel &m, BYTE *bits) {
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) SetPacked(RowOf(bits, m, y), x, m.Bits(), m.At(x, y));
}
inline std::vector<BYTE> Pack(const SurfaceModel &m) {
    std::vector<BYTE> bits(size_t(DibStride(m.width, m.Bits())) * size_t(m.height), 0);
    PackInto(m, bits.data());
    return bits;
}

// A memory DC holding a DIB section with the model's format, orientation and pixels.
class ModelDc {
public:
    explicit ModelDc(const SurfaceModel &m) : model_(m) {
        std::vector<BYTE> info = InfoOf(m);
        void *bits = nullptr;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<BYTE *>(bits);
        old_ = SelectObject(dc_, bitmap_);
        if (bits_ != nullptr) PackInto(m, bits_);
    }
    ~ModelDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    ModelDc(const ModelDc &) = delete;
    ModelDc &operator=(const ModelDc &) = delete;

    bool ok() const { return bits_ != nullptr && old_ != nullptr; }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    void Write(const SurfaceModel &m) { PackInto(m, bits_); }
    // The pixels as they are now, read from the bits without platform code.
    SurfaceModel Read() const {
        SurfaceModel now = model_;
        for (int y = 0; y < now.height; ++y)
            for (int x = 0; x < now.width; ++x) now.At(x, y) = GetPacked(RowOf(bits_, now, y), x, now.Bits());
        return now;
    }

private:
    SurfaceModel model_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    BYTE *bits_ = nullptr;
};

// Colour tables: "bw" (black, white), "vga" (16 colours), "grey" (2^bits levels);
// White: a white 32-bpp canvas.
inline std::vector<RGBQUAD> NamedTable(const std::string &name, int bits = 8) {
    const auto quad = [](unsigned rgb) { return RGBQUAD{BYTE(rgb), BYTE(rgb >> 8), BYTE(rgb >> 16), 0}; };
    std::vector<RGBQUAD> t;
    if (name == "bw") t = {quad(0), quad(0xFFFFFF)};
    if (name == "vga")
        for (unsigned c : {0x000000u, 0x800000u, 0x008000u, 0x808000u, 0x000080u, 0x800080u, 0x008080u, 0x808080u,
                           0xC0C0C0u, 0xFF0000u, 0x00FF00u, 0xFFFF00u, 0x0000FFu, 0xFF00FFu, 0x00FFFFu, 0xFFFFFFu})
            t.push_back(quad(c));
    for (int i = 0; name == "grey" && i < (1 << bits); ++i) t.push_back(quad(0x010101u * unsigned(i * 255 / ((1 << bits) - 1))));
    return t;
}

inline SurfaceModel White(int w, int h) { return SurfaceModel(w, h, 32, {}, true, 0xFFFFFF); }

}  // namespace zelt::test
