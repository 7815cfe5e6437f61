// The one atom table shared by clipboard formats, window messages, window
// class names and the global atom calls.
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

// The atom of a name, added when new; a MAKEINTATOM value is looked up.
// 0 with the last error set for an empty, too long or malformed name.
ATOM AddAtomName(const char *name) noexcept;

// The atom of a name already in the table; 0 with ERROR_FILE_NOT_FOUND
// when it is not there.
ATOM FindAtomName(const char *name) noexcept;

}  // namespace zelt::platform
