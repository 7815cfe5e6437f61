// Creation records of an enhanced metafile's objects. Pens and plain
// brushes are their logical records; pattern brushes carry their pattern as
// a DIB; palettes are a LOGPALETTE whose entries have no flags.
#include "gdi/brush.h"
#include "gdi/metafile/emf_format.h"
#include "gdi/metafile/record_stream.h"
#include "gdi/palette.h"
#include "gdi/pen.h"

namespace zelt::platform {
namespace {

std::size_t Align4(std::size_t bytes) { return (bytes + 3) & ~std::size_t{3}; }

}  // namespace

bool DescribeEmfObject(HGDIOBJ object, EmfObjectRecord &record) noexcept {
    if ((record.pen = FindObject<PenObject>(object)) != nullptr) {
        record.type = emf::kCreatePen;
        record.bodyBytes = 20;
    } else if ((record.brush = FindObject<BrushObject>(object)) != nullptr) {
        const UINT style = record.brush->Logical().lbStyle;
        if (style != BS_PATTERN && style != BS_DIBPATTERN && style != BS_DIBPATTERNPT) {
            record.type = emf::kCreateBrushIndirect;
            record.bodyBytes = 16;
            return true;
        }
        if (!BrushPatternDib(*record.brush, record.patternStorage, record.pattern)) return false;
        record.type = emf::kCreateDibPatternBrushPt;
        record.bodyBytes =
            emf::kPatternBrushFixedBytes - 8 + Align4(record.pattern.infoBytes) + record.pattern.bitsBytes;
    } else if ((record.palette = FindObject<PaletteObject>(object)) != nullptr) {
        record.type = emf::kCreatePalette;
        record.bodyBytes = 8 + 4 * std::size_t{record.palette->Count()};
    }
    return record.type != 0;
}

void WriteEmfObject(const EmfObjectRecord &record, std::uint32_t index, unsigned char *body) noexcept {
    FieldWriter writer(body);
    writer.U32(index);
    if (record.pen != nullptr) {
        const LOGPEN &logical = record.pen->Logical();
        writer.U32(logical.lopnStyle);
        writer.I32(logical.lopnWidth.x);
        writer.I32(logical.lopnWidth.y);
        writer.U32(logical.lopnColor);
    } else if (record.palette != nullptr) {
        writer.U16(0x0300);
        writer.U16(record.palette->Count());
        for (UINT i = 0; i < record.palette->Count(); ++i) {
            const PALETTEENTRY &entry = record.palette->Entries()[i];
            // Red, green, blue; the flags byte stays 0 in an enhanced
            // metafile's palette.
            writer.Bytes(&entry, 3);
            writer.Skip(1);
        }
    } else if (record.type == emf::kCreateBrushIndirect) {
        const LOGBRUSH &logical = record.brush->Logical();
        writer.U32(logical.lbStyle);
        writer.U32(logical.lbColor);
        writer.U32(static_cast<std::uint32_t>(logical.lbHatch));
    } else {
        const DibParts &dib = record.pattern;
        const std::size_t bmiBytes = Align4(dib.infoBytes);
        // A bitmap pattern travels as a DIB with its own colours.
        writer.U32(record.brush->Logical().lbStyle == BS_PATTERN ? DIB_RGB_COLORS : dib.usage);
        writer.U32(static_cast<std::uint32_t>(emf::kPatternBrushFixedBytes));
        writer.U32(static_cast<std::uint32_t>(dib.infoBytes));
        writer.U32(static_cast<std::uint32_t>(emf::kPatternBrushFixedBytes + bmiBytes));
        writer.U32(static_cast<std::uint32_t>(dib.bitsBytes));
        writer.Bytes(dib.info, dib.infoBytes);
        writer.Skip(bmiBytes - dib.infoBytes);
        writer.Bytes(dib.bits, dib.bitsBytes);
    }
}

}  // namespace zelt::platform
