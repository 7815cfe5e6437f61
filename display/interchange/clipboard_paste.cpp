// A bitmap taken from the clipboard's best image format: a packed DIB, a
// device-dependent bitmap with its palette, or a metafile played onto a
// white 24-bit image. A selection region placed beside the image in the
// library's own format comes with it. The caller's record is written only
// when the paste succeeds.
#include "frame/library_state.h"
#include "interchange/dib_header.h"
#include "interchange/interchange_guards.h"
#include "interchange/metafile_info.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;

class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND hwnd) : open_(OpenClipboard(hwnd) != FALSE) {}
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard &) = delete;
    OpenedClipboard &operator=(const OpenedClipboard &) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

// The format's data when the clipboard offers it, else null.
HANDLE Offered(UINT format) { return IsClipboardFormatAvailable(format) ? GetClipboardData(format) : nullptr; }

// A white 24-bit image of the given size with `play` drawing on it.
template <typename Play>
bool RenderMetafile(BitmapRecord *bitmap, SIZE size, Play play) {
    if (KrnInitBitmapRecord(bitmap, size.cx, size.cy, 24) != STATUS_OK) return false;
    if (KrnAllocBitmapData(bitmap, KRN_MEMORY_CONVENTIONAL) != STATUS_OK) return false;
    if (KrnFillBitmap(bitmap, kWhite) != STATUS_OK) return false;
    const interchange::BitmapContext dc(bitmap);
    if (dc.get() == nullptr) return false;
    play(dc.get());
    return true;
}

bool PasteDeviceBitmap(HWND hwnd, BitmapRecord *bitmap, HBITMAP ddb) {
    auto *placedPalette = static_cast<HPALETTE>(Offered(CF_PALETTE));
    const interchange::OwnedPalette screenPalette(placedPalette ? nullptr : KrnCreateScreenPalette());
    const interchange::WindowContext dc(hwnd);
    return Z_ConvertFromDDB(dc.get(), bitmap, ddb, placedPalette ? placedPalette : screenPalette.get()) == STATUS_OK;
}

bool PasteEnhanced(BitmapRecord *bitmap, HENHMETAFILE metafile) {
    ENHMETAHEADER header{};
    if (GetEnhMetaFileHeader(metafile, interchange::kEnhancedHeaderBytes, &header) == 0) return false;
    const RECTL &bounds = header.rclBounds;
    const SIZE size{bounds.right - bounds.left + 1, bounds.bottom - bounds.top + 1};
    return RenderMetafile(bitmap, size, [&](HDC dc) {
        // Edges are part of the picture: the last column and row are size - 1.
        const RECT inclusive{0, 0, size.cx - 1, size.cy - 1};
        PlayEnhMetaFile(dc, metafile, &inclusive);
    });
}

bool PastePicture(BitmapRecord *bitmap, HGLOBAL block) {
    const interchange::GlobalLockScope locked(block);
    auto *picture = static_cast<METAFILEPICT *>(locked.get());
    if (picture == nullptr) return false;
    const interchange::WindowContext screen(nullptr);
    const SIZE size = MetafilePictSize(picture, GetDeviceCaps(screen.get(), LOGPIXELSX),
                                       GetDeviceCaps(screen.get(), LOGPIXELSY));
    return RenderMetafile(bitmap, size, [&](HDC dc) {
        SetMapMode(dc, picture->mm);
        if (picture->mm == MM_ISOTROPIC || picture->mm == MM_ANISOTROPIC) {
            SetWindowExtEx(dc, size.cx, size.cy, nullptr);
            SetViewportExtEx(dc, size.cx, size.cy, nullptr);
        }
        PlayMetaFile(dc, picture->hMF);
    });
}

bool PasteImage(HWND hwnd, BitmapRecord *bitmap) {
    if (IsClipboardFormatAvailable(CF_DIB))
        return BitmapFromDibHandle(bitmap, GetClipboardData(CF_DIB)) == STATUS_OK;
    if (IsClipboardFormatAvailable(CF_BITMAP))
        return PasteDeviceBitmap(hwnd, bitmap, static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)));
    if (IsClipboardFormatAvailable(CF_ENHMETAFILE))
        return PasteEnhanced(bitmap, static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE)));
    if (IsClipboardFormatAvailable(CF_METAFILEPICT)) return PastePicture(bitmap, GetClipboardData(CF_METAFILEPICT));
    return false;
}

// A damaged or missing region block leaves the image without a region.
void PasteRegion(BitmapRecord *bitmap) {
    const UINT format = Library().RegionClipboardFormat;
    if (format == 0) return;
    HANDLE block = Offered(format);
    if (block == nullptr) return;
    interchange::ScratchRecord mask;
    if (BitmapFromDibHandle(mask.get(), block) == STATUS_OK)
        (void)Z_SetBitmapRgnFromMask(bitmap, nullptr, mask.get(), RGNMODE_SET);
}

}  // namespace

int ZELT_API Z_CopyFromClipboard(HWND hwnd, BitmapRecord *bitmap) {
    if (bitmap == nullptr) return 0;
    const OpenedClipboard clipboard(hwnd);
    if (!clipboard.open()) return 0;
    interchange::ScratchRecord pasted;
    if (!PasteImage(hwnd, pasted.get())) return 0;
    PasteRegion(pasted.get());
    pasted.HandOver(bitmap);
    return 1;
}
