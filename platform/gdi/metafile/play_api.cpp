// PlayMetaFile and PlayEnhMetaFile: the players run on the bytes a
// metafile handle holds.
#include "gdi/metafile/metafile_object.h"
#include "gdi/metafile/play_emf.h"
#include "gdi/metafile/play_wmf.h"

using namespace zelt::platform;

extern "C" {

BOOL WINAPI PlayMetaFile(HDC hdc, HMETAFILE hmf) {
    const MetaFileObject *metafile = FindMetaFile(hmf, false);
    if (metafile == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return PlayWmfBytes(hdc, metafile->Data(), metafile->Size()) ? TRUE : FALSE;
}

BOOL WINAPI PlayEnhMetaFile(HDC hdc, HENHMETAFILE hmf, const RECT *lprect) {
    const MetaFileObject *metafile = FindMetaFile(hmf, true);
    if (metafile == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return PlayEmfBytes(hdc, metafile->Data(), metafile->Size(), lprect) ? TRUE : FALSE;
}

}  // extern "C"
