// The standard cursors (IDC_*) and icons (IDI_*), drawn in code.
#pragma once

#include "user/cursor_file.h"

namespace zelt::platform {

// False for an id that is not a standard cursor (icon) or when memory runs
// out.
bool DrawStandardCursor(ULONG_PTR id, CursorImage &image) noexcept;
bool DrawStandardIcon(ULONG_PTR id, CursorImage &image) noexcept;

}  // namespace zelt::platform
