// How the clipboard frees each format's data, and which conversion makes a
// synthesised format from which placed one.
#include "user/clipboard_data.h"

namespace zelt::platform {

namespace {

enum class Holder { GlobalBlock, GdiObject, EnhMetaFile, MetaFilePicture, Owner };

struct FormatHolder {
    UINT first;
    UINT last;
    Holder holder;
};

// Formats not listed are global memory blocks.
constexpr FormatHolder kHolders[] = {
    {CF_BITMAP, CF_BITMAP, Holder::GdiObject},
    {CF_METAFILEPICT, CF_METAFILEPICT, Holder::MetaFilePicture},
    {CF_PALETTE, CF_PALETTE, Holder::GdiObject},
    {CF_ENHMETAFILE, CF_ENHMETAFILE, Holder::EnhMetaFile},
    {CF_OWNERDISPLAY, CF_OWNERDISPLAY, Holder::Owner},
    {CF_DSPBITMAP, CF_DSPBITMAP, Holder::GdiObject},
    {CF_DSPMETAFILEPICT, CF_DSPMETAFILEPICT, Holder::MetaFilePicture},
    {CF_DSPENHMETAFILE, CF_DSPENHMETAFILE, Holder::EnhMetaFile},
    {CF_PRIVATEFIRST, CF_PRIVATELAST, Holder::Owner},
    {CF_GDIOBJFIRST, CF_GDIOBJLAST, Holder::GdiObject},
};

Holder HolderOf(UINT format) {
    for (const FormatHolder &entry : kHolders)
        if (format >= entry.first && format <= entry.last) return entry.holder;
    return Holder::GlobalBlock;
}

void ReleasePicture(HGLOBAL picture) {
    if (const auto *locked = static_cast<const METAFILEPICT *>(GlobalLock(picture))) {
        if (GlobalSize(picture) >= sizeof(METAFILEPICT) && locked->hMF != nullptr) DeleteMetaFile(locked->hMF);
        GlobalUnlock(picture);
    }
    GlobalFree(picture);
}

// Conversions that go through a DIB made on the way.
template <HANDLE (*Last)(HGLOBAL) noexcept, HGLOBAL (*First)(HANDLE) noexcept>
HANDLE Through(HANDLE source) noexcept {
    HGLOBAL between = First(source);
    if (between == nullptr) return nullptr;
    HANDLE made = Last(between);
    GlobalFree(between);
    return made;
}

// Adapters giving every conversion one signature.
HANDLE FromDibToBitmap(HGLOBAL dib) noexcept { return BitmapFromDib(dib); }
HANDLE FromDibToDibV5(HGLOBAL dib) noexcept { return DibV5FromDib(dib); }
HGLOBAL FromBitmapToDib(HANDLE bitmap) noexcept { return DibFromBitmap(static_cast<HBITMAP>(bitmap)); }
HGLOBAL FromDibV5ToDib(HANDLE dibV5) noexcept { return DibFromDibV5(dibV5); }
HANDLE FromDibToPalette(HANDLE dib) noexcept { return PaletteFromDib(dib); }
HANDLE FromEnhMetaFile(HANDLE emf) noexcept { return PictureFromEnhMetaFile(static_cast<HENHMETAFILE>(emf)); }
HANDLE FromPicture(HANDLE picture) noexcept { return EnhMetaFileFromPicture(picture); }

struct Conversion {
    UINT target;
    UINT source;
    HANDLE (*make)(HANDLE) noexcept;
};

constexpr Conversion kConversions[] = {
    {CF_DIB, CF_BITMAP, FromBitmapToDib},
    {CF_DIB, CF_DIBV5, FromDibV5ToDib},
    {CF_BITMAP, CF_DIB, FromDibToBitmap},
    {CF_BITMAP, CF_DIBV5, Through<FromDibToBitmap, FromDibV5ToDib>},
    {CF_DIBV5, CF_DIB, FromDibToDibV5},
    {CF_DIBV5, CF_BITMAP, Through<FromDibToDibV5, FromBitmapToDib>},
    {CF_PALETTE, CF_DIB, FromDibToPalette},
    {CF_PALETTE, CF_DIBV5, FromDibToPalette},
    {CF_METAFILEPICT, CF_ENHMETAFILE, FromEnhMetaFile},
    {CF_ENHMETAFILE, CF_METAFILEPICT, FromPicture},
};

}  // namespace

// CF_DIB before CF_DIBV5, so that a placed bitmap offers CF_DIB, then
// CF_DIBV5; the palette only from a DIB with a colour table.
const SynthesisRule kSynthesisRules[6] = {
    {CF_DIB, {CF_BITMAP, CF_DIBV5}, false},   {CF_BITMAP, {CF_DIB, CF_DIBV5}, false},
    {CF_DIBV5, {CF_DIB, CF_BITMAP}, false},   {CF_PALETTE, {CF_DIB, CF_DIBV5}, true},
    {CF_METAFILEPICT, {CF_ENHMETAFILE, 0}, false}, {CF_ENHMETAFILE, {CF_METAFILEPICT, 0}, false},
};

void ReleaseClipboardData(UINT format, HANDLE data) noexcept {
    // Letting data go is no error of the caller's.
    const DWORD savedError = GetLastError();
    switch (HolderOf(format)) {
        case Holder::GlobalBlock: GlobalFree(data); break;
        case Holder::GdiObject: DeleteObject(data); break;
        case Holder::EnhMetaFile: DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data)); break;
        case Holder::MetaFilePicture: ReleasePicture(data); break;
        case Holder::Owner: break;
    }
    SetLastError(savedError);
}

HANDLE RenderSynthesised(UINT target, UINT source, HANDLE sourceData) noexcept {
    for (const Conversion &conversion : kConversions)
        if (conversion.target == target && conversion.source == source) return conversion.make(sourceData);
    return nullptr;
}

}  // namespace zelt::platform
