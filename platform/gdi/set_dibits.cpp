// SetDIBits: a band of scan lines of the caller's DIB converted into a
// bitmap by the transfer rules (monochrome DDBs take 1 only for exact
// white). The DIB's rows meet the bitmap's top-aligned, row for row.
#include <algorithm>

#include "gdi/bitmap.h"
#include "gdi/dc.h"
#include "gdi/dib_format.h"
#include "gdi/dib_scans.h"
#include "gdi/dib_transfer.h"
#include "gdi/stock.h"

using namespace zelt::platform;

extern "C" int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID *lpBits,
                               const BITMAPINFO *lpbmi, UINT ColorUse) {
    BitmapObject *bitmap = FindObject<BitmapObject>(hbm);
    if (bitmap == nullptr || lpBits == nullptr || lpbmi == nullptr || ColorUse > DIB_PAL_COLORS) return 0;
    // DIB_PAL_COLORS tables index the DC's palette; without a DC, the default one.
    const DcObject *dc = FindDc(hdc);
    Surface source;
    if (!DescribeDib(*lpbmi, lpBits, ColorUse, dc != nullptr ? *dc->SelectedPalette() : DefaultPalette(), source)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BITMAPINFOHEADER &header = lpbmi->bmiHeader;
    const ScanBand band = BandOf(source.height, start, cLines);
    if (band.count == 0) return 0;
    // The caller's bits hold just the band.
    DescribeSurface(source, source.Format(), source.width, header.biHeight < 0 ? -band.count : band.count,
                    static_cast<BYTE *>(const_cast<VOID *>(lpBits)),
                    DibRowBytes(header.biWidth, header.biBitCount));
    Surface &destination = bitmap->GetSurface();
    PixelConverter converter;
    if (!converter.Init(source, destination)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const int columns = std::min(source.width, destination.width);
    for (int j = 0; j < band.count; ++j) {
        const int row = band.top + j;
        if (row >= destination.height) break;
        converter.Store(source.Row(j), 0, destination.Row(row), 0, columns);
    }
    return band.count;
}
