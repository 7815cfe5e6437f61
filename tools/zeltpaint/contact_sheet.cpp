#include "contact_sheet.h"

#include <algorithm>
#include <cmath>

#include "devices.h"
#include "labels.h"

namespace zeltpaint {
namespace {

constexpr std::uint32_t kPaper = 0xF2F2F2;
constexpr std::uint32_t kInk = 0x202020;
constexpr std::uint32_t kFrame = 0x909090;
constexpr int kMargin = 12;
constexpr int kGap = 12;
constexpr int kTitleHeight = 2 * kGlyphHeight + 14;
constexpr int kLabelHeight = kGlyphHeight + 6;

// Bits a reduction column sets; the others of kReductionBits are cleared.
constexpr UINT kReductionBits = DISP_CONVERTER_ALT | DISP_DITHER_ALT;
struct Column {
    const char *name;
    UINT bits;
};
constexpr Column kColumns[] = {
    {"ERROR DIFFUSION", 0},
    {"ORDERED DISPERSED", DISP_CONVERTER_ALT},
    {"ORDERED CLUSTERED", DISP_CONVERTER_ALT | DISP_DITHER_ALT},
};

struct Row {
    const char *name;
    int deviceBits;
    UINT set, clear;
};
constexpr Row kRows[] = {
    {"1 BIT", 1, 0, 0},
    {"4 BIT VGA", 4, 0, 0},
    {"8 BIT PALETTE", 8, 0, DISP_FIXED_PALETTE},
    {"8 BIT FIXED CUBE", 8, DISP_FIXED_PALETTE, 0},
    {"16 BIT", 16, 0, 0},
    {"24 BIT", 24, 0, 0},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
constexpr int kRowCount = static_cast<int>(std::size(kRows));

}  // namespace

SheetLayout LayoutSheet(int imageWidth, int imageHeight) {
    const double scale = std::min(static_cast<double>(kSheetCellWidth) / imageWidth,
                                  static_cast<double>(kSheetCellHeight) / imageHeight);
    SheetLayout layout{};
    layout.cellWidth = std::max(1, static_cast<int>(std::lround(imageWidth * scale)));
    layout.cellHeight = std::max(1, static_cast<int>(std::lround(imageHeight * scale)));
    // Cells are at least wide enough for their labels.
    const int pitchX = std::max(layout.cellWidth, LabelWidth("8 BIT FIXED CUBE, ORDERED CLUSTERED", 1)) + kGap;
    const int pitchY = layout.cellHeight + kLabelHeight + kGap;
    layout.width = 2 * kMargin + kColumnCount * pitchX - kGap;
    layout.height = 2 * kMargin + kTitleHeight + kRowCount * pitchY - kGap;
    return layout;
}

int MakeContactSheet(BitmapRecord *bitmap, UINT baseMode, const std::string &title, Picture &sheet,
                     std::string &error) {
    RECT whole = {0, 0, bitmap->Width, bitmap->Height};
    KrnRectFromBitmap(bitmap, 0, &whole);
    const SheetLayout layout = LayoutSheet(whole.right - whole.left, whole.bottom - whole.top);
    const int pitchX = (layout.width - 2 * kMargin + kGap) / kColumnCount;
    const int pitchY = (layout.height - 2 * kMargin - kTitleHeight + kGap) / kRowCount;

    sheet = Picture(layout.width, layout.height, kPaper);
    DrawLabel(sheet, kMargin, kMargin, title, kInk, 2);

    PaintRequest request;
    request.width = layout.cellWidth;
    request.height = layout.cellHeight;
    request.source = {0, 0, bitmap->Width, bitmap->Height};
    Picture cell;
    for (int r = 0; r < kRowCount; ++r) {
        const Row &row = kRows[r];
        for (int c = 0; c < kColumnCount; ++c) {
            const Column &column = kColumns[c];
            request.deviceBits = row.deviceBits;
            request.displayMode = (((baseMode & ~kReductionBits) | column.bits) | row.set) & ~row.clear;
            const int status = PaintOnDevice(bitmap, request, cell, error);
            if (status != STATUS_OK) {
                error = std::string(row.name) + ", " + column.name + ": " + error;
                return status;
            }
            const int x = kMargin + c * pitchX;
            const int y = kMargin + kTitleHeight + r * pitchY;
            DrawLabel(sheet, x, y, std::string(row.name) + ", " + column.name, kInk, 1);
            const int top = y + kLabelHeight;
            sheet.FillRect(x - 1, top - 1, layout.cellWidth + 2, layout.cellHeight + 2, kFrame);
            sheet.Paste(cell, x, top);
        }
    }
    return STATUS_OK;
}

}  // namespace zeltpaint
