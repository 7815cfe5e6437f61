// The contact sheet: one image painted on every device depth with each
// reduction mode, the cells laid out in a grid and labelled.
#pragma once

#include <string>

#include "picture.h"
#include "zelt/display.h"

namespace zeltpaint {

inline constexpr int kSheetCellWidth = 256;   // the largest cell; images keep their shape inside it
inline constexpr int kSheetCellHeight = 192;

struct SheetLayout {
    int cellWidth, cellHeight;  // the painted image's size in every cell
    int width, height;          // the whole sheet
};

// Where the cells go for an image of displayed size imageWidth x imageHeight.
SheetLayout LayoutSheet(int imageWidth, int imageHeight);

// Paints the whole image on every row's device with every column's
// reduction, `baseMode` supplying the display-mode bits the cells do not
// set themselves. `title` heads the sheet. Returns the library's status.
int MakeContactSheet(BitmapRecord *bitmap, UINT baseMode, const std::string &title, Picture &sheet,
                     std::string &error);

}  // namespace zeltpaint
