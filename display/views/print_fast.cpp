// Z_PrintBitmapFast: a bitmap already laid out as a DIB goes to the printer
// in one StretchDIBits; anything else takes the full print path.
#include "frame/kernel_scopes.h"
#include "views/print_job.h"

namespace views {

namespace {

// Depths whose kernel rows a DIB cannot carry.
bool IsNonDibDepth(LONG bits) {
    constexpr LONG kDepths[] = {2, 3, 5, 6, 7, 16, 32, 48, 64};
    for (LONG depth : kDepths)
        if (bits == depth) return true;
    return false;
}

bool NeedsFullPath(const BitmapRecord *bitmap) {
    return (bitmap->Flags & (BITMAP_FLAG_4 | BITMAP_FLAG_100)) != 0 || bitmap->Order == 2 ||
           IsNonDibDepth(bitmap->BitsPerPixel) || (bitmap->ViewPerspective != 0 && bitmap->ViewPerspective != 2);
}

// Rows stored top first are handed over bottom-up: the image is mirrored
// for the transfer and back after it.
class BottomUpRows {
public:
    explicit BottomUpRows(BitmapRecord *bitmap) : bitmap_(bitmap->ViewPerspective == 0 ? bitmap : nullptr) {
        if (bitmap_ != nullptr) KrnFlipBitmap(bitmap_, KRN_FLIP_VERTICAL);
    }
    ~BottomUpRows() {
        if (bitmap_ != nullptr) KrnFlipBitmap(bitmap_, KRN_FLIP_VERTICAL);
    }
    BottomUpRows(const BottomUpRows &) = delete;
    BottomUpRows &operator=(const BottomUpRows &) = delete;

private:
    BitmapRecord *bitmap_;
};

void TransferRows(HDC dc, BitmapRecord *bitmap, int nX, int nY, int nWidth, int nHeight) {
    // Without its header block nothing is printed, and no error is told.
    zelt::KernelBlock block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), true);
    if (!block) return;
    auto *info = reinterpret_cast<BITMAPINFO *>(block.get());
    BITMAPINFOHEADER &header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biPlanes = 1;
    header.biCompression = BI_RGB;
    header.biBitCount = static_cast<WORD>(bitmap->BitsPerPixel);
    header.biWidth = bitmap->Width;
    header.biHeight = bitmap->Height;
    header.biSizeImage = static_cast<DWORD>(bitmap->BytesPerLine) * static_cast<DWORD>(bitmap->Height);
    const bool indexed = bitmap->BitsPerPixel <= 8;
    // Deeper images take no palette: the scope then holds none.
    PaintPaletteScope palette(dc, indexed ? bitmap : nullptr);
    if (indexed) {
        header.biClrUsed = static_cast<DWORD>(bitmap->ColorCount);
        KrnGetPaletteColors(bitmap->Palette, 0, bitmap->ColorCount, info->bmiColors);
    }
    BottomUpRows rows(bitmap);
    zelt::AccessBracket access(bitmap);
    StretchDIBits(dc, nX, nY, nWidth, nHeight, 0, 0, bitmap->Width, bitmap->Height, bitmap->Data, info,
                  DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

}  // namespace views

extern "C" UINT ZELT_API Z_PrintBitmapFast(HDC hDC, BitmapRecord *pBitmap, int nX, int nY, int nWidth, int nHeight,
                                           int fEndDoc) {
    if (pBitmap != nullptr && views::NeedsFullPath(pBitmap))
        return Z_PrintBitmapExt(hDC, pBitmap, nX, nY, nWidth, nHeight, fEndDoc);
    const bool openedHere = hDC == nullptr;
    if (openedHere) {
        hDC = views::OpenDefaultPrintJob();
        if (hDC == nullptr) return 0;
    }
    if (pBitmap != nullptr) views::TransferRows(hDC, pBitmap, nX, nY, nWidth, nHeight);
    // The fast path cannot be stopped: the job always ends as a success.
    return views::FinishPrintJob(hDC, openedHere, STATUS_OK, fEndDoc);
}
