// A pasted CF_DIB block is whatever another program put there: the kernel's
// DIB import must refuse what does not hold together and read nothing past
// the block.
#include <cstring>

#include "fuzz_targets.h"
#include "zelt/display.h"

namespace zelt::fuzz {
namespace {

HGLOBAL BlockOf(const std::uint8_t *data, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size != 0 ? size : 1);
    if (block == nullptr) return nullptr;
    if (size != 0) std::memcpy(GlobalLock(block), data, size), GlobalUnlock(block);
    return block;
}

HWND Owner() {
    static HWND window = [] {
        WNDCLASSA type{};
        type.lpfnWndProc = DefWindowProcA;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "ZeltFuzzOwner";
        RegisterClassA(&type);
        return CreateWindowExA(0, "ZeltFuzzOwner", "", 0, 0, 0, 1, 1, nullptr, nullptr, type.hInstance, nullptr);
    }();
    return window;
}

}  // namespace

void PasteDibBytes(const std::uint8_t *data, std::size_t size) {
    static const UINT regionFormat = RegisterClipboardFormatA("ZELTWORKS 8.0 Region");
    const bool withRegion = size != 0 && (data[0] & 1) != 0;
    HWND owner = Owner();
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    if (HGLOBAL dib = BlockOf(data, size); dib != nullptr && SetClipboardData(CF_DIB, dib) == nullptr) GlobalFree(dib);
    if (withRegion) {
        if (HGLOBAL mask = BlockOf(data, size); mask != nullptr && SetClipboardData(regionFormat, mask) == nullptr)
            GlobalFree(mask);
    }
    CloseClipboard();
    BitmapRecord bitmap{};
    if (Z_CopyFromClipboard(owner, &bitmap)) KrnFreeBitmap(&bitmap);
    // Leave nothing behind for the next input.
    if (OpenClipboard(owner)) EmptyClipboard(), CloseClipboard();
}

}  // namespace zelt::fuzz
