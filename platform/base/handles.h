// The handle table behind every GDI and USER handle. An object lives in a
// slot; its handle encodes the slot index and the slot's generation, so a
// handle kept after the object was deleted (or a value that never came from
// here) is recognised as invalid instead of being dereferenced.
#pragma once

#include <cstdint>

#include "zelt/win32.h"

namespace zelt::platform {

// Object kinds. GDI kinds carry their OBJ_ value so GetObjectType can report
// the kind directly; USER kinds start at 0x40.
enum class ObjectKind : std::uint8_t {
    Pen = OBJ_PEN,
    Brush = OBJ_BRUSH,
    Dc = OBJ_DC,
    MetaDc = OBJ_METADC,
    Palette = OBJ_PAL,
    Font = OBJ_FONT,
    Bitmap = OBJ_BITMAP,
    Region = OBJ_REGION,
    MetaFile = OBJ_METAFILE,
    MemDc = OBJ_MEMDC,
    ExtPen = OBJ_EXTPEN,
    EnhMetaDc = OBJ_ENHMETADC,
    EnhMetaFile = OBJ_ENHMETAFILE,
    Window = 0x40,
    Menu,
    Icon,
    Cursor,
};

enum class ObjectFamily { Gdi, User };

constexpr ObjectFamily FamilyOf(ObjectKind kind) {
    return static_cast<unsigned>(kind) >= static_cast<unsigned>(ObjectKind::Window) ? ObjectFamily::User
                                                                                     : ObjectFamily::Gdi;
}

// Base of every object a handle names. Derived types declare
// `static constexpr ObjectKind kKind`, or, for a base several kinds share, a
// static `Accepts(ObjectKind)`, so that FindObject can check the kind.
class HandleObject {
public:
    explicit HandleObject(ObjectKind kind) noexcept : kind_(kind) {}
    HandleObject(const HandleObject &) = delete;
    HandleObject &operator=(const HandleObject &) = delete;
    virtual ~HandleObject() = default;

    ObjectKind Kind() const noexcept { return kind_; }
    HANDLE Handle() const noexcept { return handle_; }

private:
    friend class HandleTable;
    ObjectKind kind_;
    HANDLE handle_ = nullptr;
};

// Registers an object (taking ownership); returns its handle, or nullptr
// with the object destroyed when the table cannot grow.
HANDLE InsertObject(HandleObject *object) noexcept;

// The object a handle names, or nullptr for NULL, stale or foreign values.
HandleObject *FindAnyObject(HANDLE handle) noexcept;

// Removes the object from the table and destroys it; false for an invalid
// handle.
bool DestroyObject(HANDLE handle) noexcept;

// Number of live objects of a family.
long LiveObjectCount(ObjectFamily family) noexcept;

// A type with its own kKind matches that kind only (even if a base class
// has an Accepts); a type without one matches what its Accepts allows.
template <class T>
constexpr bool KindMatches(ObjectKind kind) {
    if constexpr (requires { T::kKind; })
        return kind == T::kKind;
    else
        return T::Accepts(kind);
}

// The object a handle names when it has the kind of T, else nullptr.
template <class T>
T *FindObject(const void *handle) noexcept {
    HandleObject *object = FindAnyObject(const_cast<void *>(handle));
    if (object == nullptr || !KindMatches<T>(object->Kind())) return nullptr;
    return static_cast<T *>(object);
}

// Creates a T through the fallible allocator and registers it. Returns the
// handle and (optionally) the object; nullptr when an allocation fails.
template <class T, class... Args>
HANDLE CreateObject(T **created, Args &&...args) noexcept;

}  // namespace zelt::platform

#include "base/allocator.h"

namespace zelt::platform {

template <class T, class... Args>
HANDLE CreateObject(T **created, Args &&...args) noexcept {
    T *object = NewObject<T>(std::forward<Args>(args)...);
    if (created != nullptr) *created = nullptr;
    if (object == nullptr) return nullptr;
    HANDLE handle = InsertObject(object);
    if (handle != nullptr && created != nullptr) *created = object;
    return handle;
}

}  // namespace zelt::platform
