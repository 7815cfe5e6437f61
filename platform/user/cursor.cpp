// Cursor and icon objects: loading (standard shapes and module resources,
// both shared as LoadCursorA's handles are), the current cursor and its
// display counter, GetIconInfo, WM_SETCURSOR's default answer, and the
// image the host shows.
#include <cstring>
#include <mutex>

#include "user/cursor_file.h"
#include "user/cursor_shapes.h"
#include "user/user_lock.h"
#include "user/window.h"
#include "user/window_class.h"
#include "user/window_manager.h"
#include "zelt/host.h"

namespace zelt::platform {
namespace {

class CursorObject final : public HandleObject {
public:
    explicit CursorObject(bool icon) noexcept : HandleObject(icon ? ObjectKind::Icon : ObjectKind::Cursor) {}
    static constexpr bool Accepts(ObjectKind kind) { return kind == ObjectKind::Cursor || kind == ObjectKind::Icon; }
    CursorImage image;
    bool shared = false;  // LoadCursorA's: DestroyCursor leaves it alone
};

// Shared handles by what they came from (a standard id or the bytes of a
// published resource), the current cursor and the display counter.
struct CursorState {
    std::mutex lock;
    struct Shared {
        const void *key;
        bool icon;
        HICON handle;
    };
    Shared shared[64] = {};
    int sharedCount = 0;
    HCURSOR current = nullptr;
    int showCount = 0;  // a mouse is present: the cursor starts shown
};

CursorState &State() {
    static CursorState *state = new CursorState;  // never destroyed, like the shared handles
    return *state;
}

// The shared handle for `key`, made by `make` the first time.
template <class Make>
HICON SharedHandle(const void *key, bool icon, Make make) {
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    for (int i = 0; i < state.sharedCount; ++i)
        if (state.shared[i].key == key && state.shared[i].icon == icon) return state.shared[i].handle;
    if (state.sharedCount == 64) return nullptr;
    CursorObject *object = nullptr;
    HANDLE handle = CreateObject<CursorObject>(&object, icon);
    if (handle == nullptr) return nullptr;
    if (!make(object->image)) {
        DestroyObject(handle);
        return nullptr;
    }
    object->shared = true;
    state.shared[state.sharedCount++] = CursorState::Shared{key, icon, static_cast<HICON>(handle)};
    return static_cast<HICON>(handle);
}

HICON Load(HINSTANCE instance, LPCSTR name, bool icon) {
    if (name == nullptr) return nullptr;
    if (instance == nullptr) {
        if (!IS_INTRESOURCE(name)) return nullptr;
        const auto id = reinterpret_cast<ULONG_PTR>(name);
        return SharedHandle(name, icon, [&](CursorImage &image) {
            return icon ? DrawStandardIcon(id, image) : DrawStandardCursor(id, image);
        });
    }
    std::size_t size = 0;
    const void *bytes = FindModuleResource(instance, icon ? RT_ICON : RT_CURSOR, name, size);
    if (bytes == nullptr) bytes = FindModuleResource(instance, icon ? RT_GROUP_ICON : RT_GROUP_CURSOR, name, size);
    if (bytes == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HICON handle = SharedHandle(bytes, icon, [&](CursorImage &image) {
        return ParseCursorFile(bytes, size, !icon, image);
    });
    if (handle == nullptr) SetLastError(ERROR_INVALID_DATA);
    return handle;
}

// The standard cursors and icons exist from load on, like the stock
// objects, so live-object counts never see them appear.
[[maybe_unused]] const bool kStandardAtLoad = [] {
    for (ULONG_PTR id : {32512, 32513, 32514, 32515, 32516, 32642, 32643, 32644, 32645, 32646, 32648, 32649})
        Load(nullptr, MAKEINTRESOURCEA(id), false);
    for (ULONG_PTR id = 32512; id <= 32518; ++id) Load(nullptr, MAKEINTRESOURCEA(id), true);
    return true;
}();

BOOL Destroy(HICON handle) {
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    CursorObject *object = FindObject<CursorObject>(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return FALSE;
    }
    if (object->shared) return TRUE;
    if (state.current == handle) state.current = nullptr;
    return DestroyObject(handle) ? TRUE : FALSE;
}

// A monochrome DDB of `rows` rows from per-pixel bits.
HBITMAP MaskBitmap(int width, int rows, const unsigned char *andBits, const DWORD *colours) {
    const int rowBytes = ((width + 15) / 16) * 2;  // DDB rows are WORD-aligned
    ByteBuffer bits;
    if (!bits.Reset(static_cast<std::size_t>(rowBytes) * rows)) return nullptr;
    const int height = colours != nullptr ? rows / 2 : rows;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            // Monochrome cursors put the XOR mask under the AND mask.
            const bool set = y < height ? andBits[y * width + x] != 0 : (colours[(y - height) * width + x] & 0xFFFFFF) != 0;
            if (set) bits.Data()[y * rowBytes + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        }
    return CreateBitmap(width, rows, 1, 1, bits.Data());
}

HBITMAP ColourBitmap(const CursorImage &image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) std::memcpy(bits, image.Colours(), static_cast<std::size_t>(image.width) * image.height * 4);
    return bitmap;
}

bool IsMonochrome(const CursorImage &image) {
    if (image.hasAlpha) return false;
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        const DWORD c = image.Colours()[i] & 0xFFFFFF;
        if (c != 0 && c != 0xFFFFFF) return false;
    }
    return true;
}

// The sizing cursor a frame edge shows, the arrow elsewhere.
LPCSTR NonClientCursor(int hit) {
    switch (hit) {
        case HTLEFT: case HTRIGHT: return IDC_SIZEWE;
        case HTTOP: case HTBOTTOM: return IDC_SIZENS;
        case HTTOPLEFT: case HTBOTTOMRIGHT: return IDC_SIZENWSE;
        case HTTOPRIGHT: case HTBOTTOMLEFT: return IDC_SIZENESW;
        default: return IDC_ARROW;
    }
}

}  // namespace

LRESULT DefaultSetCursor(HWND hwnd, LPARAM lParam) noexcept {
    const int hit = static_cast<short>(LOWORD(lParam));
    HWND parent = nullptr;
    HCURSOR classCursor = nullptr;
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hwnd);
        if (window == nullptr) return 0;
        if ((window->style & WS_CHILD) != 0) parent = window->parent;
        if (window->windowClass != nullptr) classCursor = window->windowClass->cursor;
    }
    // A child's parent may set the cursor first.
    if (parent != nullptr && SendMessageA(parent, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), lParam) != 0)
        return TRUE;
    if (hit == HTCLIENT) {
        if (classCursor != nullptr) SetCursor(classCursor);
    } else if (hit != HTERROR) {
        SetCursor(LoadCursorA(nullptr, NonClientCursor(hit)));
    }
    return 0;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) { return Load(hInstance, lpCursorName, false); }

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) { return Load(hInstance, lpIconName, true); }

BOOL WINAPI DestroyCursor(HCURSOR hCursor) { return Destroy(hCursor); }

BOOL WINAPI DestroyIcon(HICON hIcon) { return Destroy(hIcon); }

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    if (hCursor != nullptr && FindObject<CursorObject>(hCursor) == nullptr) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    HCURSOR previous = state.current;
    state.current = hCursor;
    return previous;
}

HCURSOR WINAPI GetCursor(void) {
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    return state.current;
}

int WINAPI ShowCursor(BOOL bShow) {
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    return bShow ? ++state.showCount : --state.showCount;
}

BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
    if (piconinfo == nullptr) return FALSE;
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    const CursorObject *object = FindObject<CursorObject>(hIcon);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return FALSE;
    }
    const CursorImage &image = object->image;
    const bool mono = IsMonochrome(image);
    ICONINFO info{object->Kind() == ObjectKind::Icon ? TRUE : FALSE, static_cast<DWORD>(image.hotSpot.x),
                  static_cast<DWORD>(image.hotSpot.y), nullptr, nullptr};
    info.hbmMask = MaskBitmap(image.width, mono ? image.height * 2 : image.height, image.andMask.Data(),
                              mono ? image.Colours() : nullptr);
    if (!mono) info.hbmColor = ColourBitmap(image);
    if (info.hbmMask == nullptr || (!mono && info.hbmColor == nullptr)) {
        if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *piconinfo = info;
    return TRUE;
}

BOOL ZeltHostCursorImage(int *left, int *top, int *width, int *height, DWORD *argb) {
    CursorState &state = State();
    std::lock_guard lock(state.lock);
    const CursorObject *object = FindObject<CursorObject>(state.current);
    if (object == nullptr || state.showCount < 0) return FALSE;
    const CursorImage &image = object->image;
    if (image.width > 64 || image.height > 64) return FALSE;
    POINT at{0, 0};
    GetCursorPos(&at);
    if (left != nullptr) *left = at.x - image.hotSpot.x;
    if (top != nullptr) *top = at.y - image.hotSpot.y;
    if (width != nullptr) *width = image.width;
    if (height != nullptr) *height = image.height;
    if (argb == nullptr) return TRUE;
    for (int i = 0; i < image.width * image.height; ++i) {
        const DWORD colour = image.Colours()[i];
        const bool through = image.andMask.Data()[i] != 0;
        if (image.hasAlpha)
            argb[i] = colour;
        else if (!through)
            argb[i] = 0xFF000000u | colour;
        else  // the screen shows through, inverted where the colour is set
            argb[i] = (colour & 0xFFFFFF) == 0 ? 0 : 0xFF000000u | (~colour & 0xFFFFFF);
    }
    return TRUE;
}

}  // extern "C"
