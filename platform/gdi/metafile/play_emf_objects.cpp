// Enhanced metafile records that create, select and delete objects. Pens
// stay descriptions (their width takes device units only when drawn);
// brushes and palettes become GDI objects selected into the DC.
#include <algorithm>

#include "gdi/metafile/play_dib.h"
#include "gdi/metafile/play_emf_player.h"
#include "gdi/metafile/play_objects.h"
#include "gdi/metafile/play_stroke.h"
#include "gdi/stock.h"

namespace zelt::platform {

namespace {

constexpr DWORD kStockFlag = 0x80000000;
constexpr DWORD kGeometricPen = 0x00010000;
constexpr DWORD kPenTypeMask = 0x000F0000;

// Styles past PS_ALTERNATE are unknown: solid.
UINT PlainStyle(DWORD style) {
    const UINT plain = style & PS_STYLE_MASK;
    return plain <= EmfPen::kAlternate ? plain : PS_SOLID;
}

void AddGdiObject(EmfPlayer &p, DWORD index, EmfObject::Kind kind, HGDIOBJ handle) {
    if (handle == nullptr) {
        // The object could not be made; its slot stays taken.
        p.SetObject(index, EmfObject{EmfObject::Kind::Other, nullptr, {}});
        return;
    }
    p.SetObject(index, EmfObject{kind, handle, {}});
}

void SelectStock(EmfPlayer &p, DWORD index) {
    switch (index) {
        case WHITE_PEN: p.state.pen = EmfPen{PS_SOLID, 0, RGB(255, 255, 255), 0, false, 0, {}}; return;
        case BLACK_PEN: p.state.pen = EmfPen{PS_SOLID, 0, RGB(0, 0, 0), 0, false, 0, {}}; return;
        case NULL_PEN: p.state.pen = EmfPen{PS_NULL, 0, 0, 0, false, 0, {}}; return;
        case DEFAULT_PALETTE: SelectPalette(p.Hdc(), static_cast<HPALETTE>(StockObject(DEFAULT_PALETTE)), FALSE); return;
        default:
            if (index <= NULL_BRUSH) SelectObject(p.Hdc(), StockObject(static_cast<int>(index)));
            return;  // fonts
    }
}

// Index, usage, then offset and size of the header and of the bits.
bool ReadBrushDib(const ByteView &r, RecordDib &dib) {
    return dib.FromParts(r.Sub(r.U32(16), r.U32(20)), r.Sub(r.U32(24), r.U32(28)), r.U32(12));
}

}  // namespace

void EmfSelectObject(EmfPlayer &p, const ByteView &r) {
    const DWORD index = r.U32(8);
    if (index & kStockFlag) return SelectStock(p, index & ~kStockFlag);
    const EmfObject *object = p.ObjectAt(index);
    if (object == nullptr) return;
    if (object->kind == EmfObject::Kind::Pen) p.state.pen = object->pen;
    if (object->kind == EmfObject::Kind::Brush) SelectObject(p.Hdc(), object->handle);
}

// Index, then LOGPEN: style, width (x, y), colour. Only the plain styles
// exist for these pens.
void EmfCreatePen(EmfPlayer &p, const ByteView &r) {
    const LONG width = r.I32(16);
    const UINT style = PlainStyle(r.U32(12));
    EmfPen pen{style <= PS_INSIDEFRAME ? style : PS_SOLID, width < 0 ? -static_cast<double>(width) : width, r.U32(24),
               0, false, 0, {}};
    p.SetObject(r.U32(8), EmfObject{EmfObject::Kind::Pen, nullptr, pen});
}

// Index, offsets and sizes of a pattern (ignored), then style, width,
// brush style, colour, hatch, the number of style entries and the entries.
void EmfExtCreatePen(EmfPlayer &p, const ByteView &r) {
    const DWORD style = r.U32(28), brushStyle = r.U32(36);
    const bool geometric = (style & kPenTypeMask) == kGeometricPen;
    EmfPen pen{PlainStyle(style), geometric ? static_cast<double>(r.U32(32)) : 0.0, r.U32(40),
               geometric ? style & (StrokeStyle::kEndMask | StrokeStyle::kJoinMask) : 0, true, 0, {}};
    if (brushStyle == BS_NULL) pen.style = PS_NULL;
    if (pen.style == EmfPen::kUserStyle) {
        // An odd count repeats once more to make drawn and skipped pairs.
        const DWORD entries = std::min<DWORD>(r.U32(48), (r.Size() - 52) / 4);
        pen.dashCount = static_cast<int>(std::min<DWORD>(entries, EmfPen::kMostDashes) & ~1u);
        for (int i = 0; i < pen.dashCount; ++i) pen.dashes[i] = static_cast<float>(r.U32(52 + 4 * std::size_t(i)));
    }
    p.SetObject(r.U32(8), EmfObject{EmfObject::Kind::Pen, nullptr, pen});
}

// Index, then LOGBRUSH32: style, colour, hatch.
void EmfCreateBrushIndirect(EmfPlayer &p, const ByteView &r) {
    AddGdiObject(p, r.U32(8), EmfObject::Kind::Brush, CreateRecordBrush(r.U32(12), r.U32(16), r.U32(20)));
}

void EmfCreateDibPatternBrush(EmfPlayer &p, const ByteView &r) {
    RecordDib dib;
    const bool read = ReadBrushDib(r, dib);
    AddGdiObject(p, r.U32(8), EmfObject::Kind::Brush, read ? CreateDIBPatternBrushPt(dib.Packed(), dib.Usage()) : nullptr);
}

// A monochrome pattern drawn in the text and background colours.
void EmfCreateMonoBrush(EmfPlayer &p, const ByteView &r) {
    RecordDib dib;
    HBRUSH brush = nullptr;
    if (ReadBrushDib(r, dib)) {
        const BITMAPINFOHEADER &h = dib.Header();
        const ByteView bits(static_cast<const unsigned char *>(dib.Bits()),
                            static_cast<std::size_t>(DibRowBytes(h.biWidth, h.biBitCount)) * static_cast<std::size_t>(dib.Height()));
        brush = h.biBitCount == 1 ? CreateMonoPatternBrush(h.biWidth, dib.Height(), static_cast<std::size_t>(DibRowBytes(h.biWidth, 1)),
                                                           h.biHeight > 0, bits)
                                  : CreateDIBPatternBrushPt(dib.Packed(), dib.Usage());
    }
    AddGdiObject(p, r.U32(8), EmfObject::Kind::Brush, brush);
}

// Index, then LOGPALETTE: version, count, entries.
void EmfCreatePalette(EmfPlayer &p, const ByteView &r) {
    const UINT count = r.U16(14);
    AddGdiObject(p, r.U32(8), EmfObject::Kind::Palette, CreateRecordPalette(r.Sub(16, r.Size() - 16), count));
}

// Text is not drawn; the font keeps its slot.
void EmfCreateFont(EmfPlayer &p, const ByteView &r) { p.SetObject(r.U32(8), EmfObject{EmfObject::Kind::Other, nullptr, {}}); }

void EmfDeleteObject(EmfPlayer &p, const ByteView &r) { p.DeleteObjectAt(r.U32(8)); }

void EmfSelectPalette(EmfPlayer &p, const ByteView &r) {
    const DWORD index = r.U32(8);
    if (index & kStockFlag) return SelectStock(p, DEFAULT_PALETTE);
    const EmfObject *object = p.ObjectAt(index);
    if (object != nullptr && object->kind == EmfObject::Kind::Palette)
        SelectPalette(p.Hdc(), static_cast<HPALETTE>(object->handle), FALSE);
}

void EmfRealizePalette(EmfPlayer &p, const ByteView &) { RealizePalette(p.Hdc()); }

}  // namespace zelt::platform
