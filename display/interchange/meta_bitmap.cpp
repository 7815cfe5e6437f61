// Meta bitmaps: a metafile handle with its placement, loaded from a file,
// played into a DC, copied, read back as bytes and deleted.
#include <cstddef>
#include <cstdlib>

#include "interchange/interchange_guards.h"
#include "interchange/metafile_info.h"

#if defined(_WIN32) && !defined(_WIN64)
// Applications share the descriptor as ten 32-bit fields.
static_assert(sizeof(MetaBitmap) == 40, "MetaBitmap is not 40 bytes");
static_assert(offsetof(MetaBitmap, IsEnhanced) == 4 && offsetof(MetaBitmap, YResolution) == 36,
              "MetaBitmap fields are not at their 32-bit offsets");
#endif

namespace {

constexpr int kReadBinary = KRN_FILE_READ | KRN_FILE_BINARY;
constexpr int kSeekSet = 0, kSeekEnd = 2;

class KernelFile {
public:
    explicit KernelFile(const char *name) : file_(KrnOpenFile(name, kReadBinary, KRN_FILE_MODE_READ)) {}
    ~KernelFile() {
        if (file_ != -1) KrnCloseFile(file_);
    }
    KernelFile(const KernelFile &) = delete;
    KernelFile &operator=(const KernelFile &) = delete;
    int get() const { return file_; }

private:
    int file_;
};

HENHMETAFILE AsEnhanced(const MetaBitmap &meta) { return static_cast<HENHMETAFILE>(meta.Handle); }
HMETAFILE AsClassic(const MetaBitmap &meta) { return static_cast<HMETAFILE>(meta.Handle); }

}  // namespace

int ZELT_API Z_LoadMetaBitmap(const char *fileName, MetaBitmap *metaBitmap) {
    if (metaBitmap == nullptr) return STATUS_BAD_PARAMETER;
    const KernelFile file(fileName);
    if (file.get() == -1) return STATUS_FILE_OPEN;
    const LONG size = KrnSeekFile(file.get(), 0, kSeekEnd);
    if (size < 0) return STATUS_FILE_SEEK;
    KrnSeekFile(file.get(), 0, kSeekSet);
    interchange::OwnedBuffer bytes(KrnAllocMem(size > 0 ? DWORD(size) : 1));
    if (!bytes) return STATUS_NO_MEMORY;
    if (KrnReadFile(file.get(), bytes.get(), UINT(size)) != size) return STATUS_FILE_READ;
    return Z_ParseMetaBits(bytes.get(), UINT(size), metaBitmap, 1);
}

int ZELT_API Z_PaintMetaBitmap(HDC hdc, MetaBitmap *metaBitmap, const RECT *rect) {
    if (metaBitmap == nullptr || metaBitmap->Handle == nullptr || rect == nullptr) return 0;
    if (metaBitmap->IsEnhanced) return PlayEnhMetaFile(hdc, AsEnhanced(*metaBitmap), rect);
    SetMapMode(hdc, MM_ANISOTROPIC);
    SetWindowOrgEx(hdc, metaBitmap->WindowOrgX, metaBitmap->WindowOrgY, nullptr);
    SetWindowExtEx(hdc, metaBitmap->WindowExtX, metaBitmap->WindowExtY, nullptr);
    SetViewportOrgEx(hdc, rect->left, rect->top, nullptr);
    SetViewportExtEx(hdc, rect->right - rect->left, std::abs(rect->bottom - rect->top), nullptr);
    return PlayMetaFile(hdc, AsClassic(*metaBitmap));
}

int ZELT_API Z_CopyMetaBitmap(MetaBitmap *destination, const MetaBitmap *source) {
    if (destination == nullptr || source == nullptr) return STATUS_BAD_PARAMETER;
    MetaBitmap copy = *source;
    if (source->Handle != nullptr) {
        copy.Handle = source->IsEnhanced ? HANDLE(CopyEnhMetaFileA(AsEnhanced(*source), nullptr))
                                         : HANDLE(CopyMetaFileA(AsClassic(*source), nullptr));
        // The destination keeps what it had rather than a descriptor without its metafile.
        if (copy.Handle == nullptr) return STATUS_NO_MEMORY;
    }
    *destination = copy;
    return STATUS_OK;
}

int ZELT_API Z_AllocateMetaBitmapBits(const MetaBitmap *metaBitmap, void **buffer, UINT *size) {
    if (metaBitmap == nullptr || size == nullptr) return STATUS_BAD_PARAMETER;
    auto fetch = [&](UINT bytes, void *into) {
        return metaBitmap->IsEnhanced ? GetEnhMetaFileBits(AsEnhanced(*metaBitmap), bytes, static_cast<BYTE *>(into))
                                      : GetMetaFileBitsEx(AsClassic(*metaBitmap), bytes, into);
    };
    *size = metaBitmap->Handle != nullptr ? fetch(0, nullptr) : 0;
    if (buffer == nullptr) return STATUS_OK;
    *buffer = nullptr;
    if (*size == 0) return STATUS_BAD_PARAMETER;
    interchange::OwnedBuffer bytes(KrnAllocMem(*size));
    if (!bytes) return STATUS_NO_MEMORY;
    if (fetch(*size, bytes.get()) < *size) return STATUS_BAD_PARAMETER;
    *buffer = bytes.release();
    return STATUS_OK;
}

int ZELT_API Z_DeleteMetaBitmap(MetaBitmap *metaBitmap) {
    if (metaBitmap == nullptr) return STATUS_BAD_PARAMETER;
    if (metaBitmap->Handle != nullptr) {
        if (metaBitmap->IsEnhanced) DeleteEnhMetaFile(AsEnhanced(*metaBitmap));
        else DeleteMetaFile(AsClassic(*metaBitmap));
        metaBitmap->Handle = nullptr;
    }
    return STATUS_OK;
}
