// Metafiles on disk: the file holds exactly the bytes a memory metafile
// holds. Opening a file sets the last error to 0, as the system's file calls
// do on success; a failure sets the system's error for it.
#pragma once

#include <cstddef>

#include "base/allocator.h"

namespace zelt::platform {

// Writes (replacing) the file; false with the last error set when it cannot.
bool WriteWholeFile(const char *path, const unsigned char *data, std::size_t size) noexcept;
// Reads the whole file into `bytes`; false with the last error set.
bool ReadWholeFile(const char *path, ByteBuffer &bytes) noexcept;

}  // namespace zelt::platform
