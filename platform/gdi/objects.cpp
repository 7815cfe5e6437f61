// Calls that work on any GDI object: DeleteObject, GetObjectType, GetObjectA.
#include "gdi/gdi_object.h"
#include "gdi/metafile/meta_recorder.h"

using zelt::platform::GdiObject;

extern "C" {

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    GdiObject *object = zelt::platform::FindObject<GdiObject>(ho);
    if (object == nullptr || !object->DeletableByDeleteObject()) return FALSE;
    // Stock objects stay; the call still succeeds.
    if (object->stock) return TRUE;
    // A metafile being recorded drops its copy of the object too.
    zelt::platform::ForgetInMetaFiles(ho);
    // A bitmap or brush selected into a DC goes when the last DC lets it go
    // (a palette goes at once; DCs fall back to the default palette).
    if (object->selections > 0 && object->Kind() != zelt::platform::ObjectKind::Palette) {
        object->deletePending = true;
        return TRUE;
    }
    return zelt::platform::DestroyObject(ho) ? TRUE : FALSE;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    const GdiObject *object = zelt::platform::FindObject<GdiObject>(h);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(object->Kind());
}

int WINAPI GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
    const GdiObject *object = zelt::platform::FindObject<GdiObject>(h);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->Describe(c, pv);
}

}  // extern "C"
