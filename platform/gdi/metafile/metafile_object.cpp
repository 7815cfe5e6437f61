#include "gdi/metafile/metafile_object.h"

#include <cstring>

namespace zelt::platform {

HANDLE NewMetaFile(bool enhanced, const unsigned char *data, std::size_t size) noexcept {
    MetaFileObject *metafile = NewObject<MetaFileObject>(enhanced);
    if (metafile == nullptr || !metafile->Bytes().Reset(size)) {
        delete metafile;
        return nullptr;
    }
    if (size != 0) std::memcpy(metafile->Bytes().Data(), data, size);
    return InsertObject(metafile);
}

}  // namespace zelt::platform
