// GetBitmapBits / SetBitmapBits: a bitmap's pixels in device-dependent
// layout (WORD-aligned rows, top row first), whatever its memory order.
#include <algorithm>
#include <cstring>

#include "gdi/bitmap.h"

namespace {

using zelt::platform::BitmapObject;

// Calls f(row pointer, row bytes) for the rows that `bytes` reaches.
template <class F>
LONG ForEachDdbRow(BitmapObject &bitmap, LONG bytes, F f) {
    const zelt::platform::Surface &surface = bitmap.GetSurface();
    const LONG rowBytes = BitmapObject::RowBytes(bitmap.Width(), bitmap.BitsPixel());
    LONG done = 0;
    for (int y = 0; y < surface.height && done < bytes; ++y) {
        const LONG n = std::min(rowBytes, bytes - done);
        f(surface.Row(y), done, n);
        done += n;
    }
    return done;
}

}  // namespace

extern "C" {

LONG WINAPI GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits) {
    BitmapObject *bitmap = zelt::platform::FindObject<BitmapObject>(hbit);
    if (bitmap == nullptr || cb < 0) return 0;
    const LONG total = BitmapObject::RowBytes(bitmap->Width(), bitmap->BitsPixel()) * bitmap->Height();
    if (lpvBits == nullptr) return total;
    auto *out = static_cast<BYTE *>(lpvBits);
    return ForEachDdbRow(*bitmap, std::min(cb, total),
                         [&](const BYTE *row, LONG at, LONG n) { std::memcpy(out + at, row, static_cast<std::size_t>(n)); });
}

LONG WINAPI SetBitmapBits(HBITMAP hbm, DWORD cb, const VOID *pvBits) {
    BitmapObject *bitmap = zelt::platform::FindObject<BitmapObject>(hbm);
    if (bitmap == nullptr || pvBits == nullptr) return 0;
    const LONG total = BitmapObject::RowBytes(bitmap->Width(), bitmap->BitsPixel()) * bitmap->Height();
    const auto *in = static_cast<const BYTE *>(pvBits);
    return ForEachDdbRow(*bitmap, static_cast<LONG>(std::min<DWORD>(cb, static_cast<DWORD>(total))),
                         [&](BYTE *row, LONG at, LONG n) { std::memcpy(row, in + at, static_cast<std::size_t>(n)); });
}

}  // extern "C"
