#include "viewer_window.h"

#include <algorithm>
#include <utility>

#include "print_to_pdf.h"

namespace zeltview {

namespace {

constexpr const char *kClassName = "ZeltViewWindow";
constexpr const char *kPanClassName = "ZeltViewPan";
constexpr UINT kClosePanMessage = WM_APP + 1;
constexpr int kLineStep = 32;
constexpr int kPanMargin = 16;
constexpr int kPanClientSize = 240;
constexpr COLORREF kPanPen = RGB(255, 0, 255);
constexpr COLORREF kBackground = RGB(64, 64, 64);
// The glass: 160 x 120 pixels at 300 %, with a one-pixel black outline.
constexpr int kGlassWidth = 160;
constexpr int kGlassHeight = 120;
constexpr int kGlassZoom = 300;
constexpr WPARAM kCtrlP = 0x10;

bool SwapsAxes(const BitmapRecord &bitmap) {
    const auto perspective = bitmap.ViewPerspective;
    return perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
}

// Selects a palette into a DC for the life of the guard.
class PaletteSelection {
public:
    PaletteSelection(HDC dc, HPALETTE palette) : dc_(dc) {
        if (palette != nullptr) {
            previous_ = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        }
    }
    ~PaletteSelection() {
        if (previous_ != nullptr) SelectPalette(dc_, previous_, FALSE);
    }
    PaletteSelection(const PaletteSelection &) = delete;
    PaletteSelection &operator=(const PaletteSelection &) = delete;

private:
    HDC dc_;
    HPALETTE previous_ = nullptr;
};

}  // namespace

Viewer::Viewer(BitmapRecord *bitmap, int zoom, std::string title) : bitmap_(bitmap), title_(std::move(title)) {
    view_.imageWidth = SwapsAxes(*bitmap) ? bitmap->Height : bitmap->Width;
    view_.imageHeight = SwapsAxes(*bitmap) ? bitmap->Width : bitmap->Height;
    view_.zoom = zoom;
}

Viewer::~Viewer() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    if (classRegistered_) UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
    if (palette_ != nullptr) DeleteObject(palette_);
    if (background_ != nullptr) DeleteObject(background_);
}

bool Viewer::Create(int screenWidth, int screenHeight, std::string &error) {
    screenWidth_ = screenWidth;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        error = "cannot register the window class";
        return false;
    }
    classRegistered_ = true;
    background_ = CreateSolidBrush(kBackground);
    // The window leaves room for the pan window at the right of the screen.
    const int width = (std::max)(200, screenWidth - kPanClientSize - 3 * kPanMargin);
    window_ = CreateWindowExA(0, kClassName, title_.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, width, screenHeight, nullptr,
                              nullptr, GetModuleHandleA(nullptr), this);
    if (window_ == nullptr) {
        error = "cannot create the window";
        return false;
    }
    if (HDC dc = GetDC(window_)) {
        palette_ = Z_CreatePaintPalette(dc, bitmap_);
        ReleaseDC(window_, dc);
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetFocus(window_);
    return true;
}

LRESULT CALLBACK Viewer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTA *>(lParam);
        auto *viewer = static_cast<Viewer *>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(viewer));
        viewer->window_ = window;
    }
    auto *viewer = reinterpret_cast<Viewer *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (viewer == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return viewer->Handle(message, wParam, lParam);
}

LRESULT Viewer::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        view_.clientWidth = LOWORD(lParam);
        view_.clientHeight = HIWORD(lParam);
        ViewChanged();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
        Paint();
        return 0;
    case WM_KEYDOWN:
        if (HandleKey(wParam)) return 0;
        break;
    case WM_CHAR:
        if (HandleCharacter(wParam)) return 0;
        break;
    case kClosePanMessage:
        ClosePan();
        return 0;
    case WM_DESTROY:
        Destroyed();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void Viewer::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    if (dc == nullptr) return;
    RECT destination = DestinationRect(view_);
    {
        PaletteSelection selection(dc, palette_);
        Z_PaintDC(dc, bitmap_, nullptr, nullptr, &destination, &paint.rcPaint, SRCCOPY);
    }
    // Outside the image: the strip at the right and the one below.
    const RECT &area = paint.rcPaint;
    const RECT right = {(std::max)(area.left, destination.right), area.top, area.right, area.bottom};
    const RECT below = {area.left, (std::max)(area.top, destination.bottom), (std::min)(area.right, destination.right),
                        area.bottom};
    for (const RECT &strip : {right, below})
        if (strip.left < strip.right && strip.top < strip.bottom) FillRect(dc, &strip, background_);
    EndPaint(window_, &paint);
}

bool Viewer::HandleKey(WPARAM key) {
    const int page = (std::max)(kLineStep, view_.clientHeight - kLineStep);
    switch (key) {
    case VK_LEFT: ScrollBy(-kLineStep, 0); return true;
    case VK_RIGHT: ScrollBy(kLineStep, 0); return true;
    case VK_UP: ScrollBy(0, -kLineStep); return true;
    case VK_DOWN: ScrollBy(0, kLineStep); return true;
    case VK_PRIOR: ScrollBy(0, -page); return true;
    case VK_NEXT: ScrollBy(0, page); return true;
    case VK_HOME: ScrollBy(-view_.scrollX, -view_.scrollY); return true;
    default: return false;
    }
}

bool Viewer::HandleCharacter(WPARAM character) {
    switch (character) {
    case '+': case '=': ZoomStep(1); return true;
    case '-': case '_': ZoomStep(-1); return true;
    case 'p': case 'P':
        if (panWindow_ != nullptr) ClosePan(); else OpenPan();
        return true;
    case 'm': case 'M': SetMagnifier(!magnifying_); return true;
    case kCtrlP: Print(); return true;
    // Quitting keeps the window up so that the final screenshot still shows it.
    case 'q': case 'Q': case VK_ESCAPE: PostQuitMessage(0); return true;
    default: return false;
    }
}

void Viewer::ScrollBy(int dx, int dy) {
    view_.scrollX += dx;
    view_.scrollY += dy;
    ViewChanged();
}

void Viewer::ZoomStep(int direction) {
    SetZoomKeepingCentre(view_, NextZoom(view_.zoom, direction));
    ViewChanged();
}

void Viewer::ViewChanged() {
    ClampScroll(view_);
    if (window_ == nullptr) return;
    InvalidateRect(window_, nullptr, FALSE);
    UpdatePan();
    // The glass knows where the image lies only from its start.
    if (magnifying_) {
        Z_StopMagGlass(window_);
        magnifying_ = false;
        SetMagnifier(true);
    }
}

bool Viewer::OpenPan() {
    if (panWindow_ != nullptr) return true;
    // The library takes the class name as a writable string.
    char className[32];
    std::snprintf(className, sizeof(className), "%s", kPanClassName);
    const int left = (std::max)(0, screenWidth_ - kPanClientSize - 2 * kPanMargin);
    // The handle arrives through PAN_CREATED, before the call returns.
    const int status = Z_CreatePanWindow(window_, bitmap_, 0, left, kPanMargin, kPanClientSize, kPanClientSize,
                                         className, nullptr, nullptr, TRUE, PanNotification, this);
    if (status != STATUS_OK || panWindow_ == nullptr) {
        std::fprintf(stderr, "zeltview: cannot open the pan window (status %d)\n", status);
        panWindow_ = nullptr;
        return false;
    }
    UpdatePan();
    // Showing the pan window activates it; the keys stay the viewer's.
    SetFocus(window_);
    return true;
}

void Viewer::ClosePan() {
    if (panWindow_ == nullptr) return;
    HWND pan = std::exchange(panWindow_, nullptr);
    Z_DestroyPanWindow(pan);
    SetFocus(window_);
}

void Viewer::UpdatePan() {
    if (panWindow_ == nullptr) return;
    RECT destination = DestinationRect(view_);
    char title[] = "Pan";
    Z_UpdatePanWindow(panWindow_, bitmap_, 0, kPanPen, title, &destination);
}

int ZELT_CDECL Viewer::PanNotification(HWND pan, HWND, UINT code, RECT *rect, void *userData) {
    auto *viewer = static_cast<Viewer *>(userData);
    switch (code) {
    case PAN_CREATED:
        viewer->panWindow_ = pan;
        break;
    case PAN_MOVED:
        if (rect != nullptr) {
            ScrollToBitmapPoint(viewer->view_, rect->left, rect->top);
            viewer->ViewChanged();
            // A click on the pan window made it the focus; the keys stay the viewer's.
            if (GetFocus() != viewer->window_) SetFocus(viewer->window_);
        }
        break;
    case PAN_CLOSE:
        // Not destroyed inside its own message: the viewer closes it next.
        PostMessageA(viewer->window_, kClosePanMessage, 0, 0);
        return 0;
    case PAN_DESTROYED:
        if (viewer->panWindow_ == pan) viewer->panWindow_ = nullptr;
        break;
    default:
        break;
    }
    return 0;
}

bool Viewer::SetMagnifier(bool on) {
    if (on == magnifying_) return true;
    if (!on) {
        Z_StopMagGlass(window_);
        magnifying_ = false;
        return true;
    }
    RECT destination = DestinationRect(view_);
    const int status = Z_StartMagGlass(window_, bitmap_, &destination, kGlassWidth, kGlassHeight, kGlassZoom,
                                       RGB(0, 0, 0), nullptr, kBackground, FALSE, 1, FALSE, 0, nullptr, 0, 0, FALSE,
                                       FALSE);
    if (status != STATUS_OK) {
        std::fprintf(stderr, "zeltview: cannot start the magnifying glass (status %d)\n", status);
        return false;
    }
    magnifying_ = true;
    return true;
}

void Viewer::Print() {
    std::string path, error;
    if (PrintToPdf(bitmap_, path, error))
        std::printf("zeltview: printed %s\n", path.c_str());
    else
        std::fprintf(stderr, "zeltview: %s\n", error.c_str());
    std::fflush(stdout);
}

void Viewer::Destroyed() {
    if (magnifying_) Z_StopMagGlass(window_);
    magnifying_ = false;
    ClosePan();
    window_ = nullptr;
}

POINT Viewer::ClientToScreenPoint(int x, int y) const {
    POINT point{x, y};
    if (window_ != nullptr) ClientToScreen(window_, &point);
    return point;
}

bool Viewer::PanRectCentre(POINT &screenPoint) const {
    if (panWindow_ == nullptr) return false;
    RECT client{};
    GetClientRect(panWindow_, &client);
    const RECT pan = PanRectFor(view_, client.right, client.bottom);
    screenPoint = POINT{(pan.left + pan.right) / 2, (pan.top + pan.bottom) / 2};
    return ClientToScreen(panWindow_, &screenPoint) != FALSE;
}

void Viewer::WriteGeometry(std::FILE *out, const char *label) const {
    std::fprintf(out, "geometry %s\n", label);
    std::fprintf(out, "image-size %d %d\n", view_.imageWidth, view_.imageHeight);
    std::fprintf(out, "zoom %d\n", view_.zoom);
    std::fprintf(out, "scroll %d %d\n", view_.scrollX, view_.scrollY);
    if (window_ != nullptr) {
        POINT origin{0, 0};
        ClientToScreen(window_, &origin);
        const RECT view = DestinationRect(view_);
        std::fprintf(out, "client-origin %d %d\n", static_cast<int>(origin.x), static_cast<int>(origin.y));
        std::fprintf(out, "client-size %d %d\n", view_.clientWidth, view_.clientHeight);
        std::fprintf(out, "view %d %d %d %d\n", static_cast<int>(view.left), static_cast<int>(view.top),
                     static_cast<int>(view.right), static_cast<int>(view.bottom));
    }
    if (panWindow_ != nullptr) {
        POINT origin{0, 0};
        ClientToScreen(panWindow_, &origin);
        RECT client{};
        GetClientRect(panWindow_, &client);
        const RECT pan = PanRectFor(view_, client.right, client.bottom);
        std::fprintf(out, "pan-client-origin %d %d\n", static_cast<int>(origin.x), static_cast<int>(origin.y));
        std::fprintf(out, "pan-client-size %d %d\n", static_cast<int>(client.right), static_cast<int>(client.bottom));
        std::fprintf(out, "pan-rect %d %d %d %d\n", static_cast<int>(pan.left), static_cast<int>(pan.top),
                     static_cast<int>(pan.right), static_cast<int>(pan.bottom));
    }
    std::fprintf(out, "end\n");
    std::fflush(out);
}

}  // namespace zeltview
