#include "gdi/brush.h"

#include <cstring>

namespace zelt::platform {

std::size_t PackedDibBitsOffset(const BITMAPINFO &info, UINT usage) noexcept {
    const BITMAPINFOHEADER &header = info.bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    std::size_t offset = header.biSize;
    if (header.biBitCount <= 8) {
        const DWORD entries = header.biClrUsed != 0 ? header.biClrUsed : DWORD{1} << header.biBitCount;
        offset += entries * (usage == DIB_PAL_COLORS ? sizeof(WORD) : sizeof(RGBQUAD));
    } else {
        // Masks follow a plain header; a table may follow for the device.
        if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
        offset += std::size_t{header.biClrUsed} * sizeof(RGBQUAD);
    }
    return offset;
}

std::size_t PackedDibSize(const BITMAPINFO &info, UINT usage) noexcept {
    const BITMAPINFOHEADER &header = info.bmiHeader;
    const std::size_t offset = PackedDibBitsOffset(info, usage);
    if (offset == 0 || header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount == 0) return 0;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    return offset + static_cast<std::size_t>(DibRowBytes(header.biWidth, header.biBitCount)) * static_cast<std::size_t>(height);
}

const BYTE *HatchRows(int style) noexcept {
    static constexpr BYTE kRows[6][8] = {
        {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
        {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
    };
    return style >= 0 && style < 6 ? kRows[style] : nullptr;
}

}  // namespace zelt::platform

namespace {

using zelt::platform::BrushObject;

HBRUSH Register(BrushObject *brush) {
    HANDLE handle = zelt::platform::InsertObject(brush);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HBRUSH>(handle);
}

HBRUSH NewPlainBrush(const LOGBRUSH &logBrush) {
    BrushObject *brush = zelt::platform::NewObject<BrushObject>(logBrush);
    if (brush == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return Register(brush);
}

}  // namespace

extern "C" {

HBRUSH WINAPI CreateSolidBrush(COLORREF color) { return NewPlainBrush(LOGBRUSH{BS_SOLID, color, 0}); }

HBRUSH WINAPI CreateHatchBrush(int iHatch, COLORREF color) {
    if (zelt::platform::HatchRows(iHatch) == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return NewPlainBrush(LOGBRUSH{BS_HATCHED, color, static_cast<ULONG_PTR>(iHatch)});
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
    if (brush == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_ptr<BitmapObject> pattern(NewObject<BitmapObject>());
    if (pattern == nullptr || !pattern->CopyFrom(*source)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    brush->AdoptPattern(std::move(pattern));
    return Register(brush.release());
}

HBRUSH WINAPI CreateDIBPatternBrushPt(const VOID *lpPackedDIB, UINT iUsage) {
    using namespace zelt::platform;
    if (lpPackedDIB == nullptr || iUsage > DIB_PAL_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto &info = *static_cast<const BITMAPINFO *>(lpPackedDIB);
    const std::size_t size = PackedDibSize(info, iUsage);
    if (size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_ptr<BrushObject> brush(
        NewObject<BrushObject>(LOGBRUSH{BS_DIBPATTERN, iUsage, 0}));
    ByteBuffer copy;
    if (brush == nullptr || !copy.Reset(size)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(copy.Data(), lpPackedDIB, size);
    brush->AdoptPackedDib(std::move(copy), iUsage);
    return Register(brush.release());
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH *plbrush) {
    if (plbrush == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    switch (plbrush->lbStyle) {
        case BS_SOLID: return CreateSolidBrush(plbrush->lbColor);
        case BS_NULL: return NewPlainBrush(LOGBRUSH{BS_NULL, 0, 0});
        case BS_HATCHED: return CreateHatchBrush(static_cast<int>(plbrush->lbHatch), plbrush->lbColor);
        case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(plbrush->lbHatch));
        case BS_DIBPATTERNPT:
            return CreateDIBPatternBrushPt(reinterpret_cast<const void *>(plbrush->lbHatch), plbrush->lbColor);
        default:
            // BS_DIBPATTERN takes a global memory handle; not needed by the library.
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

}  // extern "C"
