#include "frame/frame_brushes.h"

#include "frame/library_state.h"

namespace {

// The 8-row stripe pattern twice, each row a 16-bit word (pattern byte,
// then 0) since monochrome bitmap rows are word-aligned. Brush i starts at
// row i, which shifts the stripe by one step per brush.
constexpr BYTE kStripeRows[32] = {
    0x0F, 0x00, 0x1E, 0x00, 0x3C, 0x00, 0x78, 0x00, 0xF0, 0x00, 0xE1, 0x00, 0xC3, 0x00, 0x87, 0x00,
    0x0F, 0x00, 0x1E, 0x00, 0x3C, 0x00, 0x78, 0x00, 0xF0, 0x00, 0xE1, 0x00, 0xC3, 0x00, 0x87, 0x00,
};

}  // namespace

void DeleteFrameBrushes() {
    for (HBRUSH &brush : Library().FrameBrushes) {
        if (brush != nullptr) DeleteObject(brush);
        brush = nullptr;
    }
}

int CreateFrameBrushes() {
    HBRUSH(&brushes)[kFrameBrushCount] = Library().FrameBrushes;
    for (int phase = 0; phase < kFrameBrushCount; ++phase) {
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kStripeRows + 2 * phase);
        if (pattern == nullptr) {
            DeleteFrameBrushes();
            return STATUS_NO_MEMORY;
        }
        brushes[phase] = CreatePatternBrush(pattern);
        DeleteObject(pattern);
        if (brushes[phase] == nullptr) {
            DeleteFrameBrushes();
            return STATUS_NO_MEMORY;
        }
    }
    return STATUS_OK;
}

HBRUSH FrameBrush(int phase) {
    if (phase < 0 || phase >= kFrameBrushCount) return nullptr;
    return Library().FrameBrushes[phase];
}
