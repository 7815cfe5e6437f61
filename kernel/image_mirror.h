// Mirroring the stored pixels of a record in place, without allocating:
// the order of its rows, or the pixels of every row.
#pragma once

#include "zelt/kernel.h"

namespace zelt::kernel {

void MirrorRows(BitmapRecord &bitmap);

// False for a depth no record can have (nothing is changed).
bool MirrorColumns(BitmapRecord &bitmap);

}  // namespace zelt::kernel
