// GetDIBits: the header-only query, the colour table of the requested depth
// (the bitmap's own when depths match, else the system's synthesised one, or
// palette indices for DIB_PAL_COLORS) and a band of scan lines converted by
// the transfer rules into the caller's buffer.
#include <algorithm>
#include <cstring>

#include "gdi/bitmap.h"
#include "gdi/dc.h"
#include "gdi/dib_format.h"
#include "gdi/dib_scans.h"
#include "gdi/dib_transfer.h"
#include "gdi/palette.h"

namespace zelt::platform {
namespace {

DWORD *MasksAfter(BITMAPINFO &info) {
    return reinterpret_cast<DWORD *>(reinterpret_cast<BYTE *>(&info) + info.bmiHeader.biSize);
}

// biBitCount 0: the bitmap describes itself. 16 and 32 bpp report
// BI_BITFIELDS; the masks themselves are left as the caller had them.
int DescribeBitmapHeader(const BitmapObject &bitmap, BITMAPINFOHEADER &header) {
    header.biWidth = bitmap.Width();
    header.biHeight = bitmap.Height();
    header.biPlanes = 1;
    header.biBitCount = bitmap.BitsPixel();
    header.biCompression = bitmap.BitsPixel() == 16 || bitmap.BitsPixel() == 32 ? BI_BITFIELDS : BI_RGB;
    header.biSizeImage = static_cast<DWORD>(DibRowBytes(bitmap.Width(), bitmap.BitsPixel())) *
                         static_cast<DWORD>(bitmap.Height());
    header.biXPelsPerMeter = header.biYPelsPerMeter = 0;
    header.biClrUsed = header.biClrImportant = 0;
    return static_cast<int>(bitmap.Height());
}

// The format of the request. BI_BITFIELDS without masks gets the standard
// ones of its depth.
bool RequestFormat(BITMAPINFO &info, PixelFormatId &format) {
    BITMAPINFOHEADER &header = info.bmiHeader;
    if (header.biCompression == BI_BITFIELDS && (header.biBitCount == 16 || header.biBitCount == 32)) {
        DWORD *masks = MasksAfter(info);
        if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
            const bool wide = header.biBitCount == 32;
            masks[0] = wide ? 0xFF0000 : 0x7C00;
            masks[1] = wide ? 0x00FF00 : 0x03E0;
            masks[2] = wide ? 0x0000FF : 0x001F;
        }
    }
    return DibFormat(header, &info, format);
}

// The colour table of an indexed request, into `destination` (the colours
// pixels are matched against) and into the caller's header.
void FillRequestTable(BITMAPINFO &info, UINT usage, const BitmapObject &bitmap, const PaletteObject &palette,
                      Surface &destination) {
    const int bits = info.bmiHeader.biBitCount;
    const int entries = 1 << bits;
    BYTE *after = reinterpret_cast<BYTE *>(&info) + info.bmiHeader.biSize;
    if (usage == DIB_PAL_COLORS) {
        // The table names palette entries 0, 1, …; pixels index the DC's
        // logical palette directly.
        WORD *indices = reinterpret_cast<WORD *>(after);
        for (int i = 0; i < entries; ++i) indices[i] = static_cast<WORD>(i);
        const int count = std::min<int>(entries, static_cast<int>(palette.Count()));
        for (int i = 0; i < count; ++i) {
            const PALETTEENTRY &e = palette.Entries()[i];
            destination.table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
        destination.tableSize = std::max(count, 1);
        return;
    }
    const Surface &own = bitmap.GetSurface();
    if (bitmap.IsDibSection() && own.ops->indexed && own.BitsPixel() == bits) {
        std::memcpy(destination.table, own.table, sizeof(RGBQUAD) * static_cast<std::size_t>(entries));
    } else {
        const RGBQUAD *synthesised = bits == 1 ? kBlackWhiteTable : bits == 4 ? kVgaTable : DefaultTable256();
        std::memcpy(destination.table, synthesised, sizeof(RGBQUAD) * static_cast<std::size_t>(entries));
    }
    destination.tableSize = entries;
    std::memcpy(after, destination.table, sizeof(RGBQUAD) * static_cast<std::size_t>(entries));
}

}  // namespace
}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                               UINT usage) {
    const DcObject *dc = FindDc(hdc);
    const BitmapObject *bitmap = FindObject<BitmapObject>(hbm);
    if (dc == nullptr || bitmap == nullptr || lpbmi == nullptr || usage > DIB_PAL_COLORS ||
        lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER &header = lpbmi->bmiHeader;
    if (header.biBitCount == 0) return lpvBits == nullptr ? DescribeBitmapHeader(*bitmap, header) : 0;

    PixelFormatId format;
    if (!RequestFormat(*lpbmi, format)) return 0;
    const int width = header.biWidth;
    const int rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    header.biSizeImage = static_cast<DWORD>(DibRowBytes(width, header.biBitCount)) * static_cast<DWORD>(rows);

    Surface destination;
    destination.ops = &FormatOps(format);
    if (destination.ops->indexed) {
        header.biClrUsed = header.biClrImportant = 0;
        FillRequestTable(*lpbmi, usage, *bitmap, *dc->SelectedPalette(), destination);
    }
    if (lpvBits == nullptr) return 1;

    const Surface &source = bitmap->GetSurface();
    const ScanBand band = BandOf(source.height, start, std::min<UINT>(cLines, static_cast<UINT>(rows)));
    // A band starting past the image copies nothing yet reports one line,
    // as the system does.
    if (band.count == 0) return cLines == 0 ? 0 : 1;
    // The buffer holds just the band, in the request's memory order.
    DescribeSurface(destination, format, width, header.biHeight < 0 ? -band.count : band.count,
                    static_cast<BYTE *>(lpvBits), DibRowBytes(width, header.biBitCount));
    PixelConverter converter;
    if (!converter.Init(source, destination, PixelConverter::MonoRule::Nearest)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const int columns = std::min(width, source.width);
    for (int j = 0; j < band.count; ++j) converter.Store(source.Row(band.top + j), 0, destination.Row(j), 0, columns);
    return band.count;
}
