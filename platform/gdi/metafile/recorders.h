// The recorders of the two metafile formats, made by the Create calls.
#pragma once

#include "gdi/metafile/meta_recorder.h"

namespace zelt::platform {

// A classic metafile recorder with its header reserved; nullptr when memory
// runs out.
MetaRecorder *NewWmfRecorder() noexcept;

// An enhanced metafile recorder. `reference` is the reference DC (NULL: the
// screen), `frame` the picture frame in 0.01 mm (NULL: computed from what is
// drawn), `description` the "application\0picture\0\0" text or NULL.
// nullptr when memory runs out or the reference DC is not a DC.
MetaRecorder *NewEmfRecorder(HDC reference, const RECT *frame, const char *description) noexcept;

}  // namespace zelt::platform
