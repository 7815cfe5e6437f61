// Metafile DCs: making them, finding their recorders, closing them into
// metafile handles, and the list of live ones that DeleteObject tells about
// deleted objects.
#include <atomic>
#include <cstring>
#include <mutex>

#include "gdi/dc.h"
#include "gdi/metafile/metafile_disk.h"
#include "gdi/metafile/metafile_object.h"
#include "gdi/metafile/recorders.h"
#include "gdi/metafile/record_stream.h"

namespace zelt::platform {

// The live metafile DCs, most recent first. The count lets every GDI call
// skip the lookup while no metafile is being recorded, which is nearly
// always.
class MetaDcRegistry {
public:
    static MetaDcRegistry &Get() {
        static MetaDcRegistry *registry = new MetaDcRegistry;  // never destroyed
        return *registry;
    }
    bool Empty() const noexcept { return count_.load(std::memory_order_acquire) == 0; }

    void Add(MetaDcObject *dc) noexcept {
        std::lock_guard lock(mutex_);
        dc->next_ = head_;
        if (head_ != nullptr) head_->previous_ = dc;
        head_ = dc;
        count_.fetch_add(1, std::memory_order_release);
    }

    void Remove(MetaDcObject *dc) noexcept {
        std::lock_guard lock(mutex_);
        (dc->previous_ != nullptr ? dc->previous_->next_ : head_) = dc->next_;
        if (dc->next_ != nullptr) dc->next_->previous_ = dc->previous_;
        count_.fetch_sub(1, std::memory_order_release);
    }

    void ForgetObject(HGDIOBJ object) noexcept {
        std::lock_guard lock(mutex_);
        for (MetaDcObject *dc = head_; dc != nullptr; dc = dc->next_) dc->recorder_->ForgetObject(object);
    }

private:
    std::mutex mutex_;
    MetaDcObject *head_ = nullptr;
    std::atomic<long> count_{0};
};

MetaDcObject::MetaDcObject(bool enhanced, MetaRecorder *recorder) noexcept
    : GdiObject(enhanced ? ObjectKind::EnhMetaDc : ObjectKind::MetaDc), recorder_(recorder) {
    MetaDcRegistry::Get().Add(this);
}

MetaDcObject::~MetaDcObject() {
    MetaDcRegistry::Get().Remove(this);
    delete recorder_;
}

MetaRecorder *FindRecorder(HDC hdc) noexcept {
    if (MetaDcRegistry::Get().Empty()) return nullptr;
    MetaDcObject *dc = FindObject<MetaDcObject>(hdc);
    return dc != nullptr ? &dc->Recorder() : nullptr;
}

DcObject *EnhMetaDcState(HDC hdc) noexcept {
    MetaRecorder *recorder = FindRecorder(hdc);
    return recorder != nullptr ? recorder->State() : nullptr;
}

void ForgetInMetaFiles(HGDIOBJ object) noexcept {
    if (!MetaDcRegistry::Get().Empty()) MetaDcRegistry::Get().ForgetObject(object);
}

BOOL DiscardMetaDc(HDC hdc) noexcept { return DestroyObject(hdc) ? TRUE : FALSE; }

namespace {

// Registers a metafile DC around a recorder (which it then owns), keeping
// a copy of the file name; NULL with the last error set on failure.
HDC NewMetaDc(bool enhanced, MetaRecorder *recorder, const char *fileName) noexcept {
    if (recorder == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    MetaDcObject *dc = NewObject<MetaDcObject>(enhanced, recorder);
    if (dc == nullptr) {
        delete recorder;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (fileName != nullptr) {
        const std::size_t length = std::strlen(fileName) + 1;
        if (!dc->FileName().Reset(length)) {
            delete dc;
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        std::memcpy(dc->FileName().Data(), fileName, length);
    }
    HANDLE handle = InsertObject(dc);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HDC>(handle);
}

// Finishes the recording into a metafile handle (written to the DC's file
// too, when it has one). The DC is gone afterwards, whatever the outcome.
HANDLE CloseMetaDc(HDC hdc, bool enhanced) noexcept {
    MetaDcObject *dc = FindObject<MetaDcObject>(hdc);
    if (dc == nullptr || dc->IsEnhanced() != enhanced) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HANDLE metafile = nullptr;
    if (!dc->Recorder().Finish()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } else {
        const RecordStream &bytes = dc->Recorder().Bytes();
        metafile = NewMetaFile(enhanced, bytes.Data(), bytes.Size());
        if (metafile == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        } else if (dc->FileName().Size() != 0 &&
                   !WriteWholeFile(reinterpret_cast<const char *>(dc->FileName().Data()), bytes.Data(), bytes.Size())) {
            DestroyObject(metafile);
            metafile = nullptr;
        }
    }
    DestroyObject(hdc);
    return metafile;
}

}  // namespace
}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HDC WINAPI CreateMetaFileA(LPCSTR pszFile) { return NewMetaDc(false, NewWmfRecorder(), pszFile); }

HMETAFILE WINAPI CloseMetaFile(HDC hdc) {
    HANDLE metafile = CloseMetaDc(hdc, false);
    // The reference system leaves this behind once the DC is gone; callers
    // look at the result, never at the last error, after success.
    if (metafile != nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<HMETAFILE>(metafile);
}

HDC WINAPI CreateEnhMetaFileA(HDC hdcRef, LPCSTR lpFilename, const RECT *lprc, LPCSTR lpDesc) {
    MetaRecorder *recorder = NewEmfRecorder(hdcRef, lprc, lpDesc);
    if (recorder == nullptr && hdcRef != nullptr && FindDc(hdcRef) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return NewMetaDc(true, recorder, lpFilename);
}

HENHMETAFILE WINAPI CloseEnhMetaFile(HDC hdc) { return static_cast<HENHMETAFILE>(CloseMetaDc(hdc, true)); }

}  // extern "C"
