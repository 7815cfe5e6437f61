// The glass procedure: the mouse and cursor handling of a magnified window,
// and the table of where it forwards each window's messages.
#include <mutex>

#include "views/mag_record.h"

namespace {

// Window -> next procedure, for every window the glass procedure sits in.
// The entries live in one kernel block that is freed when the last goes,
// so nothing remains once every magnified window is stopped and gone.
struct ChainEntry {
    HWND window;
    WNDPROC next;
};

class ChainTable {
public:
    bool Add(HWND window, WNDPROC next) {
        std::lock_guard<std::mutex> hold(lock_);
        if (ChainEntry *entry = Find(window)) {
            entry->next = next;
            return true;
        }
        if (count_ == capacity_) {
            const DWORD grown = capacity_ == 0 ? 4 : capacity_ * 2;
            void *block = KrnReallocMem(entries_, grown * static_cast<DWORD>(sizeof(ChainEntry)));
            if (block == nullptr) return false;
            entries_ = static_cast<ChainEntry *>(block);
            capacity_ = grown;
        }
        entries_[count_++] = ChainEntry{window, next};
        return true;
    }
    WNDPROC Next(HWND window) {
        std::lock_guard<std::mutex> hold(lock_);
        const ChainEntry *entry = Find(window);
        return entry != nullptr ? entry->next : nullptr;
    }
    void Remove(HWND window) {
        std::lock_guard<std::mutex> hold(lock_);
        ChainEntry *entry = Find(window);
        if (entry == nullptr) return;
        *entry = entries_[--count_];
        if (count_ == 0) {
            KrnFreeMem(entries_);
            entries_ = nullptr;
            capacity_ = 0;
        }
    }

private:
    ChainEntry *Find(HWND window) {
        for (DWORD i = 0; i < count_; ++i)
            if (entries_[i].window == window) return &entries_[i];
        return nullptr;
    }
    std::mutex lock_;
    ChainEntry *entries_ = nullptr;
    DWORD count_ = 0;
    DWORD capacity_ = 0;
};

ChainTable &Chains() {
    static ChainTable table;
    return table;
}

// Mouse positions arrive as signed 16-bit client coordinates.
int PointX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int PointY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// Without a record the glass only passes messages on; the window's end
// drops its table entry.
LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC next = Chains().Next(window);
    const LRESULT result = next != nullptr ? CallWindowProcA(next, window, message, wParam, lParam)
                                           : DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) Chains().Remove(window);
    return result;
}

}  // namespace

namespace mag {

bool RememberChain(HWND window, WNDPROC next) { return Chains().Add(window, next); }
WNDPROC ChainedProcedure(HWND window) { return Chains().Next(window); }
void ForgetChain(HWND window) { Chains().Remove(window); }

LRESULT CALLBACK GlassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MagnifierRecord *record = FindRecord(window);
    if (record == nullptr) return PassOn(window, message, wParam, lParam);
    // Taken now: the record may be gone before the message goes on (stopped
    // below or by the application's painting).
    WNDPROC next = record->OldWindowProc;
    switch (message) {
    case WM_SETCURSOR:
        // Not for the application: the default procedure outside the
        // client area, the glass cursor (or none while magnifying) inside.
        if (LOWORD(lParam) != HTCLIENT) return DefWindowProcA(window, message, wParam, lParam);
        if (record->Active == 0) SetCursor(record->GlassCursor);
        return 1;
    case WM_CLOSE:
        ReleaseMagnifier(window, true);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(window);
        record->LastX = PointX(lParam);
        record->LastY = PointY(lParam);
        ShowCursor(FALSE);
        record->Active = 1;
        DrawGlass(*record, PointX(lParam), PointY(lParam));
        break;
    case WM_MOUSEMOVE:
        if ((wParam & MK_LBUTTON) != 0 && record->Active != 0) {
            DrawGlass(*record, PointX(lParam), PointY(lParam));
            // The drawing may have stopped the glass (no image).
            if (FindRecord(window) == record) {
                record->LastX = PointX(lParam);
                record->LastY = PointY(lParam);
            }
        } else if (GetCursor() != record->GlassCursor) {
            SetCursor(record->GlassCursor);
        }
        break;
    case WM_LBUTTONUP:
        if (record->Active != 0) {
            ReleaseCapture();
            // Capture-change messages run the application's code, which may
            // have stopped the glass.
            if (FindRecord(window) == record) {
                record->Active = 0;
                EraseGlass(*record);
            }
            ShowCursor(TRUE);
        }
        break;
    case WM_NCDESTROY:
        // Destroyed without a stop: the record and property go now.
        ReleaseMagnifier(window, false);
        break;
    default:
        break;
    }
    const LRESULT result = CallWindowProcA(next, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) ForgetChain(window);
    return result;
}

}  // namespace mag
