#include "gdi/brush.h"

namespace {

HBRUSH Register(zelt::platform::BrushObject *brush) {
    HANDLE handle = zelt::platform::InsertObject(brush);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HBRUSH>(handle);
}

}  // namespace

extern "C" {

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    using zelt::platform::BrushObject;
    BrushObject *brush = zelt::platform::NewObject<BrushObject>(LOGBRUSH{BS_SOLID, color, 0});
    if (brush == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return Register(brush);
}

HBRUSH WINAPI CreatePatternBrush(HBITMAP hbm) {
    using namespace zelt::platform;
    const BitmapObject *source = FindObject<BitmapObject>(hbm);
    if (source == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The brush reports the bitmap handle it was made from, as the system does.
    std::unique_ptr<BrushObject> brush(
        NewObject<BrushObject>(LOGBRUSH{BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(hbm)}));
    std::unique_ptr<BitmapObject> pattern(NewObject<BitmapObject>());
    if (brush == nullptr || pattern == nullptr || !pattern->CopyFrom(*source)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    brush->AdoptPattern(std::move(pattern));
    return Register(brush.release());
}

}  // extern "C"
