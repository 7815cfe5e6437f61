// The clipboard: one per process, opened by one thread at a time (for a
// window or for none), owned by the window that last emptied it. It owns the
// data placed on it and frees it when the data is replaced or the clipboard
// emptied. Formats it can make from placed ones are added when the
// clipboard closes and made when first asked for (a DIB for a placed bitmap
// at once, so that the bitmap's colours are those of the moment it was
// placed).
//
// While the clipboard is open only its opener (and an owner answering
// WM_RENDERFORMAT) changes it, so the opener may render without the lock.
// No lock is held while a window procedure runs.
#include "user/clipboard.h"

#include <mutex>

#include "base/allocator.h"
#include "user/clipboard_data.h"
#include "user/message_queue.h"
#include "user/window.h"

namespace zelt::platform {

namespace {

struct ClipEntry {
    UINT format = 0;
    HANDLE data = nullptr;  // NULL: delayed, or synthesised and not made yet
    UINT source = 0;        // the format a synthesised entry is made from; 0 when placed
    ClipEntry *next = nullptr;
};

struct Clipboard {
    std::mutex mutex;
    DWORD openThread = 0;
    HWND openWindow = nullptr;
    HWND owner = nullptr;
    ClipEntry *entries = nullptr;  // in placement order
    bool changed = false;          // data placed since it was opened
    DWORD renderingThread = 0;     // the owner's thread while it renders a format
};

Clipboard &State() {
    static Clipboard *clipboard = new Clipboard;  // never destroyed: threads may end during exit
    return *clipboard;
}

ClipEntry *Find(Clipboard &c, UINT format) {
    for (ClipEntry *entry = c.entries; entry != nullptr; entry = entry->next)
        if (entry->format == format) return entry;
    return nullptr;
}

bool OpenedByCaller(const Clipboard &c) { return c.openThread != 0 && c.openThread == GetCurrentThreadId(); }

// Unlinks the entries `drop` selects and returns them as a list.
template <class Predicate>
ClipEntry *Detach(Clipboard &c, Predicate drop) {
    ClipEntry *dropped = nullptr;
    ClipEntry **link = &c.entries;
    while (*link != nullptr) {
        ClipEntry *entry = *link;
        if (drop(*entry)) {
            *link = entry->next;
            entry->next = dropped;
            dropped = entry;
        } else {
            link = &entry->next;
        }
    }
    return dropped;
}

void FreeEntries(ClipEntry *list) {
    while (list != nullptr) {
        ClipEntry *next = list->next;
        if (list->data != nullptr) ReleaseClipboardData(list->format, list->data);
        delete list;
        list = next;
    }
}

// Adds the formats that can be made from the placed ones. A format that
// cannot be added for want of memory is simply not offered.
void AddSynthesised(Clipboard &c) {
    ClipEntry **tail = &c.entries;
    while (*tail != nullptr) tail = &(*tail)->next;
    for (const SynthesisRule &rule : kSynthesisRules) {
        if (Find(c, rule.target) != nullptr) continue;
        for (UINT source : rule.sources) {
            const ClipEntry *placed = source != 0 ? Find(c, source) : nullptr;
            if (placed == nullptr || placed->source != 0) continue;
            if (rule.needsColourTable && (placed->data == nullptr || !DibHasColourTable(placed->data))) continue;
            ClipEntry *added = NewObject<ClipEntry>();
            if (added == nullptr) break;
            added->format = rule.target;
            added->source = source;
            *tail = added;
            tail = &added->next;
            break;
        }
    }
}

// Drops what depended on an owner that is gone: formats it never rendered
// and those that were to be made from them.
void ForgetOwner(Clipboard &c, HWND hwnd) {
    ClipEntry *dropped = nullptr;
    if (c.owner == hwnd) {
        c.owner = nullptr;
        dropped = Detach(c, [](const ClipEntry &e) { return e.data == nullptr && e.source == 0; });
        ClipEntry *orphans =
            Detach(c, [&](const ClipEntry &e) { return e.data == nullptr && e.source != 0 && !Find(c, e.source); });
        while (orphans != nullptr) {
            ClipEntry *next = orphans->next;
            orphans->next = dropped;
            dropped = orphans;
            orphans = next;
        }
    }
    if (c.openWindow == hwnd) c.openWindow = nullptr;
    FreeEntries(dropped);  // none of them holds data
}

// Asks the owner to render a delayed format (WM_RENDERFORMAT); it places the
// data with SetClipboardData without opening the clipboard.
void RequestRender(Clipboard &c, HWND owner, UINT format) {
    WindowTarget target;
    if (owner == nullptr || !ResolveWindow(owner, target)) return;
    target.queue->Release();
    DWORD previous;
    {
        std::lock_guard lock(c.mutex);
        previous = c.renderingThread;
        c.renderingThread = target.threadId;
    }
    SendMessageA(owner, WM_RENDERFORMAT, format, 0);
    std::lock_guard lock(c.mutex);
    c.renderingThread = previous;
}

// GetClipboardData for the opener: placed data, a delayed format rendered by
// its owner, or a synthesised format made now from its source.
HANDLE Fetch(Clipboard &c, UINT format) {
    UINT source;
    {
        std::unique_lock lock(c.mutex);
        ClipEntry *entry = Find(c, format);
        if (entry == nullptr || entry->data != nullptr) return entry != nullptr ? entry->data : nullptr;
        source = entry->source;
        if (source == 0) {
            const HWND owner = c.owner;
            lock.unlock();
            RequestRender(c, owner, format);
            lock.lock();
            entry = Find(c, format);
            return entry != nullptr ? entry->data : nullptr;
        }
    }
    const HANDLE sourceData = Fetch(c, source);
    if (sourceData == nullptr) return nullptr;
    // Making the data leaves the caller's last error as it was.
    const DWORD savedError = GetLastError();
    const HANDLE made = RenderSynthesised(format, source, sourceData);
    SetLastError(savedError);
    HANDLE result = nullptr;
    {
        std::lock_guard lock(c.mutex);
        ClipEntry *entry = Find(c, format);
        if (entry != nullptr && entry->source != 0 && entry->data == nullptr) {
            entry->data = made;
            return made;
        }
        if (entry != nullptr) result = entry->data;
    }
    if (made != nullptr) ReleaseClipboardData(format, made);
    return result;
}

void NotClipboardOpen() { SetLastError(ERROR_CLIPBOARD_NOT_OPEN); }

}  // namespace

void ClipboardWindowDestroying(HWND hwnd) noexcept {
    Clipboard &c = State();
    bool mustRender = false;
    {
        std::lock_guard lock(c.mutex);
        if (c.owner == hwnd)
            for (const ClipEntry *entry = c.entries; entry != nullptr; entry = entry->next)
                mustRender |= entry->data == nullptr && entry->source == 0;
    }
    if (mustRender) SendMessageA(hwnd, WM_RENDERALLFORMATS, 0, 0);
    ClipboardWindowGone(hwnd);
}

void ClipboardWindowGone(HWND hwnd) noexcept {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    ForgetOwner(c, hwnd);
}

void ClipboardThreadEnded(DWORD threadId) noexcept {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    if (c.openThread != threadId) return;
    if (c.changed) AddSynthesised(c);
    c.openThread = 0;
    c.openWindow = nullptr;
    c.changed = false;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI OpenClipboard(HWND hWndNewOwner) {
    if (hWndNewOwner != nullptr && !IsWindow(hWndNewOwner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    if (c.openThread != 0) {
        // Opening again is allowed only as it was opened: same thread, same window.
        if (OpenedByCaller(c) && c.openWindow == hWndNewOwner) return TRUE;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    c.openThread = GetCurrentThreadId();
    c.openWindow = hWndNewOwner;
    c.changed = false;
    return TRUE;
}

BOOL WINAPI CloseClipboard(void) {
    Clipboard &c = State();
    bool renderDibNow = false;
    {
        std::lock_guard lock(c.mutex);
        if (!OpenedByCaller(c)) {
            NotClipboardOpen();
            return FALSE;
        }
        if (c.changed) {
            AddSynthesised(c);
            const ClipEntry *dib = Find(c, CF_DIB);
            const ClipEntry *bitmap = Find(c, CF_BITMAP);
            renderDibNow = dib != nullptr && dib->source == CF_BITMAP && bitmap != nullptr && bitmap->data != nullptr;
        }
    }
    // Still open for the caller, so nobody else changes it meanwhile.
    if (renderDibNow) Fetch(c, CF_DIB);
    std::lock_guard lock(c.mutex);
    c.openThread = 0;
    c.openWindow = nullptr;
    c.changed = false;
    return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
    Clipboard &c = State();
    HWND previousOwner;
    {
        std::lock_guard lock(c.mutex);
        if (!OpenedByCaller(c)) {
            NotClipboardOpen();
            return FALSE;
        }
        previousOwner = c.owner;
    }
    // The previous owner hears of it before its data goes, even when it is
    // the caller; an owner on another thread hears of it when it next looks
    // at its messages, so that a thread not pumping cannot block this one.
    if (previousOwner != nullptr && IsWindow(previousOwner))
        SendNotifyMessageA(previousOwner, WM_DESTROYCLIPBOARD, 0, 0);
    ClipEntry *dropped;
    {
        std::lock_guard lock(c.mutex);
        dropped = c.entries;
        c.entries = nullptr;
        c.owner = c.openWindow;
        c.changed = true;
    }
    FreeEntries(dropped);
    return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
    if (uFormat == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Clipboard &c = State();
    HANDLE replaced = nullptr;
    {
        std::lock_guard lock(c.mutex);
        if (!OpenedByCaller(c) && c.renderingThread != GetCurrentThreadId()) {
            NotClipboardOpen();
            return nullptr;
        }
        ClipEntry *entry = Find(c, uFormat);
        if (entry == nullptr) {
            entry = NewObject<ClipEntry>();
            if (entry == nullptr) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;  // the data stays the caller's
            }
            ClipEntry **tail = &c.entries;
            while (*tail != nullptr) tail = &(*tail)->next;
            *tail = entry;
            entry->format = uFormat;
        }
        if (entry->data != hMem) replaced = entry->data;
        entry->data = hMem;
        entry->source = 0;
        c.changed = true;
        // What was made from the format's earlier data is made again when
        // asked for.
        for (ClipEntry *made = c.entries; made != nullptr; made = made->next) {
            if (made->source != uFormat || made->data == nullptr) continue;
            ReleaseClipboardData(made->format, made->data);
            made->data = nullptr;
        }
    }
    if (replaced != nullptr) ReleaseClipboardData(uFormat, replaced);
    return hMem;
}

HANDLE WINAPI GetClipboardData(UINT uFormat) {
    Clipboard &c = State();
    {
        std::lock_guard lock(c.mutex);
        if (!OpenedByCaller(c)) {
            NotClipboardOpen();
            return nullptr;
        }
    }
    return Fetch(c, uFormat);
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    return Find(c, format) != nullptr;
}

UINT WINAPI EnumClipboardFormats(UINT format) {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    if (!OpenedByCaller(c)) {
        NotClipboardOpen();
        return 0;
    }
    const ClipEntry *entry = c.entries;
    if (format != 0) {
        const ClipEntry *current = Find(c, format);
        entry = current != nullptr ? current->next : nullptr;
    }
    if (entry == nullptr) {
        SetLastError(ERROR_SUCCESS);  // the end, not a failure
        return 0;
    }
    return entry->format;
}

int WINAPI CountClipboardFormats(void) {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    int count = 0;
    for (const ClipEntry *entry = c.entries; entry != nullptr; entry = entry->next) ++count;
    return count;
}

HWND WINAPI GetClipboardOwner(void) {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    return c.owner;
}

HWND WINAPI GetOpenClipboardWindow(void) {
    Clipboard &c = State();
    std::lock_guard lock(c.mutex);
    return c.openWindow;
}

}  // extern "C"
