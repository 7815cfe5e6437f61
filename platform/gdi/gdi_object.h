// Base of every GDI object: what GetObjectA reports and whether DeleteObject
// may destroy it (DCs are released by their own calls).
#pragma once

#include "base/handles.h"

namespace zelt::platform {

class GdiObject : public HandleObject {
public:
    using HandleObject::HandleObject;

    // Writes the object's description (BITMAP, LOGBRUSH, entry count …) into
    // `buffer` of `size` bytes; with `buffer` NULL returns the size needed.
    // Returns the bytes written, 0 when the buffer is too small or the kind
    // has no description.
    virtual int Describe(int size, void *buffer) const { return 0; }

    // False for objects that DeleteObject must not destroy.
    virtual bool DeletableByDeleteObject() const { return true; }

    static constexpr bool Accepts(ObjectKind kind) { return FamilyOf(kind) == ObjectFamily::Gdi; }

    // ---- selection into DCs (dc.cpp keeps these) ----
    // Stock objects survive DeleteObject (which still reports success).
    bool stock = false;
    // DCs this object is selected into; DeleteObject of a selected object
    // waits until the last of them lets it go.
    int selections = 0;
    bool deletePending = false;
};

// Describe() helper for a fixed-size record.
template <class Record>
int DescribeRecord(const Record &record, int size, void *buffer) {
    if (buffer == nullptr) return static_cast<int>(sizeof(Record));
    if (size < static_cast<int>(sizeof(Record))) return 0;
    *static_cast<Record *>(buffer) = record;
    return static_cast<int>(sizeof(Record));
}

}  // namespace zelt::platform
