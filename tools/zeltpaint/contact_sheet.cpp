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

SheetGrid::SheetGrid(int columns, int rows, int cellWidth, int cellHeight, int labelWidth)
    : columns_(columns), rows_(rows), cellWidth_(cellWidth), cellHeight_(cellHeight),
      pitchX_(std::max(cellWidth, labelWidth) + kGap), pitchY_(cellHeight + kLabelHeight + kGap) {}

Picture SheetGrid::Start(const std::string &title) const {
    Picture sheet(2 * kMargin + columns_ * pitchX_ - kGap, 2 * kMargin + kTitleHeight + rows_ * pitchY_ - kGap, kPaper);
    DrawLabel(sheet, kMargin, kMargin, title, kInk, 2);
    return sheet;
}

void SheetGrid::Place(Picture &sheet, int column, int row, const std::string &label, const Picture &cell) const {
    const int x = kMargin + column * pitchX_;
    const int y = kMargin + kTitleHeight + row * pitchY_;
    DrawLabel(sheet, x, y, label, kInk, 1);
    const int top = y + kLabelHeight;
    sheet.FillRect(x - 1, top - 1, cellWidth_ + 2, cellHeight_ + 2, kFrame);
    sheet.Paste(cell, x, top);
}

int MakeContactSheet(BitmapRecord *bitmap, UINT baseMode, const std::string &title, Picture &sheet,
                     std::string &error) {
    RECT whole = {0, 0, bitmap->Width, bitmap->Height};
    KrnRectFromBitmap(bitmap, 0, &whole);
    const int imageWidth = whole.right - whole.left, imageHeight = whole.bottom - whole.top;
    const double scale = std::min(static_cast<double>(kSheetCellWidth) / imageWidth,
                                  static_cast<double>(kSheetCellHeight) / imageHeight);
    PaintRequest request;
    request.width = std::max(1, static_cast<int>(std::lround(imageWidth * scale)));
    request.height = std::max(1, static_cast<int>(std::lround(imageHeight * scale)));
    request.source = {0, 0, bitmap->Width, bitmap->Height};
    // Cells are at least wide enough for their labels.
    const SheetGrid grid(kColumnCount, kRowCount, request.width, request.height,
                         LabelWidth("8 BIT FIXED CUBE, ORDERED CLUSTERED", 1));
    sheet = grid.Start(title);

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
            grid.Place(sheet, c, r, std::string(row.name) + ", " + column.name, cell);
        }
    }
    return STATUS_OK;
}

}  // namespace zeltpaint
