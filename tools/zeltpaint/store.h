// Keeping the image through the kernel before it is painted: storing it at
// another depth and view perspective, and the per-bitmap paint settings
// (intensity, contrast, gamma, window level).
#pragma once

#include <string>

#include "options.h"
#include "zelt/kernel.h"

namespace zeltpaint {

// RAII owner of a kernel bitmap.
struct OwnedBitmap {
    BitmapRecord record{};
    OwnedBitmap() = default;
    OwnedBitmap(const OwnedBitmap &) = delete;
    OwnedBitmap &operator=(const OwnedBitmap &) = delete;
    ~OwnedBitmap() { KrnFreeBitmap(&record); }
};

// Stores `source` (any depth) as a new bitmap of `depth` bits (gray for 12
// bits, and for 16 when `gray` is set) whose rows are kept in `perspective`,
// showing the same picture. Returns a kernel status.
int StoreAtDepth(BitmapRecord *source, int depth, bool gray, int perspective, BitmapRecord *target);

// Sets intensity, contrast, gamma and window level of `bitmap` as the
// options say. Returns false with `error` set when the library refuses.
bool ApplyPaintSettings(BitmapRecord *bitmap, const Options &options, std::string &error);

}  // namespace zeltpaint
