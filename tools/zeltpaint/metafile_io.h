// Metafiles for zeltpaint: a .wmf or .emf file (recognised by its first
// bytes) is played into a 24-bit image at its natural size or a chosen one,
// and the painted image can be written as a classic metafile (with the
// placeable header other programs expect of a .wmf file) or an enhanced one.
#pragma once

#include <string>

#include "zelt/kernel.h"

namespace zeltpaint {

// True when the file starts like a classic (placeable or plain) or an
// enhanced metafile.
bool LooksLikeMetafile(const std::string &path);

// Plays the metafile file into a new 24-bit bitmap. width and height 0 give
// the picture's natural size; one of them 0 keeps its aspect. Returns a
// display status; `error` says what went wrong.
int LoadMetafileImage(const std::string &path, int width, int height, BitmapRecord *bitmap, std::string &error);

// Records the image as a metafile (enhanced or classic) and writes the file.
bool WriteMetafile(BitmapRecord *image, const std::string &path, bool enhanced, std::string &error);

}  // namespace zeltpaint
