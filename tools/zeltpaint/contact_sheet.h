// The contact sheet: one image painted on every device depth with each
// reduction mode, the cells laid out in a grid and labelled.
#pragma once

#include <string>

#include "picture.h"
#include "zelt/display.h"

namespace zeltpaint {

inline constexpr int kSheetCellWidth = 256;   // the largest cell; images keep their shape inside it
inline constexpr int kSheetCellHeight = 192;

// The grid every sheet of the tool is drawn on: a title over rows and
// columns of labelled, framed cells of one size.
class SheetGrid {
public:
    // Cells of cellWidth x cellHeight, each at least labelWidth wide.
    SheetGrid(int columns, int rows, int cellWidth, int cellHeight, int labelWidth);

    // A blank sheet of the grid's size with `title` over it.
    Picture Start(const std::string &title) const;
    // Draws `cell` framed in place (column, row), `label` above it.
    void Place(Picture &sheet, int column, int row, const std::string &label, const Picture &cell) const;

private:
    int columns_, rows_, cellWidth_, cellHeight_, pitchX_, pitchY_;
};

// Paints the whole image on every row's device with every column's
// reduction, `baseMode` supplying the display-mode bits the cells do not
// set themselves. `title` heads the sheet. Returns the library's status.
int MakeContactSheet(BitmapRecord *bitmap, UINT baseMode, const std::string &title, Picture &sheet,
                     std::string &error);

}  // namespace zeltpaint
