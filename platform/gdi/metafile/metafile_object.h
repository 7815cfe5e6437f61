// A finished metafile, classic (HMETAFILE) or enhanced (HENHMETAFILE): the
// bytes exactly as a file holds them. Recording, the handle calls and both
// players meet here.
#pragma once

#include <cstddef>

#include "base/allocator.h"
#include "gdi/gdi_object.h"

namespace zelt::platform {

class MetaFileObject final : public GdiObject {
public:
    explicit MetaFileObject(bool enhanced) noexcept
        : GdiObject(enhanced ? ObjectKind::EnhMetaFile : ObjectKind::MetaFile) {}
    static constexpr bool Accepts(ObjectKind kind) {
        return kind == ObjectKind::MetaFile || kind == ObjectKind::EnhMetaFile;
    }
    // Metafiles have their own Delete calls.
    bool DeletableByDeleteObject() const override { return false; }

    bool IsEnhanced() const noexcept { return Kind() == ObjectKind::EnhMetaFile; }
    const unsigned char *Data() const noexcept { return bytes_.Data(); }
    std::size_t Size() const noexcept { return bytes_.Size(); }
    ByteBuffer &Bytes() noexcept { return bytes_; }

private:
    ByteBuffer bytes_;
};

// The metafile a handle names when it is of the wanted kind, else nullptr.
inline MetaFileObject *FindMetaFile(HANDLE handle, bool enhanced) noexcept {
    MetaFileObject *object = FindObject<MetaFileObject>(handle);
    return object != nullptr && object->IsEnhanced() == enhanced ? object : nullptr;
}

// Registers a new metafile holding a copy of `size` bytes; nullptr (nothing
// leaked) when memory runs out. Defined with the handle calls.
HANDLE NewMetaFile(bool enhanced, const unsigned char *data, std::size_t size) noexcept;

}  // namespace zelt::platform
