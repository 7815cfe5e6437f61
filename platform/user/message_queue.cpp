// Thread queues and the message calls: PostMessageA, SendMessageA (a direct
// call on the window's own thread, a queued request answered by the
// window's thread otherwise), SendNotifyMessageA (the same without waiting
// for the answer), GetMessageA, PeekMessageA, DispatchMessageA.
#include "user/message_queue.h"

#include "base/allocator.h"
#include "user/clipboard.h"
#include "user/input.h"
#include "user/user_lock.h"
#include "user/window.h"
#include "user/window_manager.h"
#include "zelt/host.h"

namespace zelt::platform {

struct PostedMessage {
    MSG msg;
    PostedMessage *next = nullptr;
};

namespace {

// The calling thread's queue; ending the thread ends the queue, and a USER
// call made later in the thread's exit (another thread-local's cleanup) gets
// none rather than a queue nobody would end.
struct QueueHolder {
    ThreadQueue *queue = nullptr;
    bool ended = false;
    ~QueueHolder() {
        ThreadQueue *ending = queue;
        queue = nullptr;
        ended = true;
        if (ending != nullptr) ending->End();
    }
};
thread_local QueueHolder holder;

// Thread messages (hwnd NULL) only, as in PeekMessage(…, (HWND)-1, …).
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

bool Passes(const MSG &msg, HWND filterWindow, UINT filterMin, UINT filterMax) {
    if (filterWindow == kThreadMessagesOnly ? msg.hwnd != nullptr
                                            : filterWindow != nullptr && msg.hwnd != filterWindow)
        return false;
    if (msg.message == kRawMouseMessage) return RawMousePasses(msg, filterMin, filterMax);
    return (filterMin == 0 && filterMax == 0) || (msg.message >= filterMin && msg.message <= filterMax);
}

void FreePosted(PostedMessage *list) {
    while (list != nullptr) {
        PostedMessage *next = list->next;
        delete list;
        list = next;
    }
}

}  // namespace

ThreadQueue *CurrentQueue(bool create) noexcept {
    if (holder.queue == nullptr && create && !holder.ended)
        holder.queue = NewObject<ThreadQueue>(GetCurrentThreadId());
    return holder.queue;
}

void ThreadQueue::Release() noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    FreePosted(postedHead_);
    delete this;
}

bool ThreadQueue::Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    return PostInput(MSG{hwnd, message, wParam, lParam, GetTickCount(), cursor});
}

bool ThreadQueue::PostInput(const MSG &msg) noexcept {
    PostedMessage *node = NewObject<PostedMessage>();
    if (node == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    node->msg = msg;
    return Append(node);
}

void ThreadQueue::Wake() noexcept {
    std::lock_guard lock(mutex_);
    ++generation_;
    wake_.notify_all();
}

bool ThreadQueue::Append(PostedMessage *node) noexcept {
    {
        std::lock_guard lock(mutex_);
        if (!ended_) {
            (postedTail_ != nullptr ? postedTail_->next : postedHead_) = node;
            postedTail_ = node;
            ++generation_;
            wake_.notify_all();
            return true;
        }
    }
    delete node;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

void ThreadQueue::ForgetWindow(HWND hwnd) noexcept {
    PostedMessage *dropped = nullptr;
    {
        std::lock_guard lock(mutex_);
        PostedMessage **link = &postedHead_;
        postedTail_ = nullptr;
        while (*link != nullptr) {
            PostedMessage *node = *link;
            if (node->msg.hwnd == hwnd) {
                *link = node->next;
                node->next = dropped;
                dropped = node;
            } else {
                postedTail_ = node;
                link = &node->next;
            }
        }
    }
    FreePosted(dropped);
}

bool ThreadQueue::PushSent(SentMessage *record) noexcept {
    std::lock_guard lock(mutex_);
    if (ended_) return false;
    record->next = nullptr;
    (sentTail_ != nullptr ? sentTail_->next : sentHead_) = record;
    sentTail_ = record;
    ++generation_;
    wake_.notify_all();
    return true;
}

SentMessage *ThreadQueue::TakeSent() {
    std::lock_guard lock(mutex_);
    SentMessage *record = sentHead_;
    if (record != nullptr) {
        sentHead_ = record->next;
        if (sentHead_ == nullptr) sentTail_ = nullptr;
    }
    return record;
}

void ThreadQueue::DeliverSentMessages() noexcept {
    while (SentMessage *record = TakeSent())
        CompleteSent(record, CallWindowProcedure(record->hwnd, record->message, record->wParam, record->lParam));
}

void CompleteSent(SentMessage *record, LRESULT result) noexcept {
    ThreadQueue *sender = record->sender;
    if (sender == nullptr) {
        delete record;  // a notification: nobody waits for it
        return;
    }
    {
        std::lock_guard lock(sender->mutex_);
        record->result = result;
        record->answered = true;
        sender->wake_.notify_all();
    }
    // The sender's reference kept its queue (and lock) alive until here.
    sender->Release();
}

void ThreadQueue::WaitForReply(const SentMessage &record) noexcept {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return record.answered || sentHead_ != nullptr; });
            if (record.answered) return;
        }
        DeliverSentMessages();
    }
}

bool ThreadQueue::TakePosted(MSG &out, HWND filterWindow, UINT filterMin, UINT filterMax, bool remove) {
    PostedMessage *previous = nullptr;
    for (PostedMessage *node = postedHead_; node != nullptr; previous = node, node = node->next) {
        if (!Passes(node->msg, filterWindow, filterMin, filterMax)) continue;
        out = node->msg;
        // Raw input leaves the queue to be cooked, and comes back cooked
        // when it was only peeked at.
        if (remove || out.message == kRawMouseMessage) {
            (previous != nullptr ? previous->next : postedHead_) = node->next;
            if (postedTail_ == node) postedTail_ = previous;
            delete node;
        }
        return true;
    }
    return false;
}

bool ThreadQueue::Retrieve(MSG &out, HWND filterWindow, UINT filterMin, UINT filterMax, bool remove,
                           bool wait) noexcept {
    for (;;) {
        DeliverSentMessages();
        std::unique_lock lock(mutex_);
        if (sentHead_ != nullptr) continue;
        if (TakePosted(out, filterWindow, filterMin, filterMax, remove)) {
            if (out.message != kRawMouseMessage) return true;
            lock.unlock();
            if (!CookMouseInput(out)) continue;
            if (!remove) {
                PostedMessage *node = NewObject<PostedMessage>();
                if (node != nullptr) {
                    node->msg = out;
                    lock.lock();
                    node->next = postedHead_;
                    postedHead_ = node;
                    if (postedTail_ == nullptr) postedTail_ = node;
                }
            }
            return true;
        }
        if (quitPosted_) {
            out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, GetTickCount(), POINT{0, 0}};
            if (remove) quitPosted_ = false;
            return true;
        }
        // WM_PAINT once no posted message is left. The user lock is never
        // taken while holding the queue's.
        const unsigned long seen = generation_;
        lock.unlock();
        if (HWND paint = WindowToPaint(filterWindow, filterMin, filterMax)) {
            POINT cursor{0, 0};
            GetCursorPos(&cursor);
            out = MSG{paint, WM_PAINT, 0, 0, GetTickCount(), cursor};
            return true;
        }
        if (!wait) return false;
        lock.lock();
        wake_.wait(lock, [&] { return generation_ != seen; });
    }
}

HWND ThreadQueue::WindowToPaint(HWND filterWindow, UINT filterMin, UINT filterMax) const noexcept {
    if (filterWindow == kThreadMessagesOnly) return nullptr;
    if (!(filterMin == 0 && filterMax == 0) && (WM_PAINT < filterMin || WM_PAINT > filterMax)) return nullptr;
    std::lock_guard lock(UserLock());
    return NextWindowToPaint(threadId_, filterWindow);
}

void ThreadQueue::PostQuit(int exitCode) noexcept {
    std::lock_guard lock(mutex_);
    quitPosted_ = true;
    quitCode_ = exitCode;
    ++generation_;
    wake_.notify_all();
}

void ThreadQueue::End() noexcept {
    DestroyThreadWindows(threadId_);
    ClipboardThreadEnded(threadId_);
    PostedMessage *posted;
    SentMessage *sent;
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        posted = postedHead_;
        sent = sentHead_;
        postedHead_ = postedTail_ = nullptr;
        sentHead_ = sentTail_ = nullptr;
    }
    FreePosted(posted);
    // Nobody will answer these: their senders get 0.
    while (sent != nullptr) {
        SentMessage *next = sent->next;
        CompleteSent(sent, 0);
        sent = next;
    }
    Release();
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == nullptr) {
        // A thread message to the calling thread.
        ThreadQueue *queue = CurrentQueue(true);
        if (queue == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return queue != nullptr && queue->Post(nullptr, Msg, wParam, lParam);
    }
    WindowTarget target;
    if (!ResolveWindow(hWnd, target)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool posted = target.queue->Post(hWnd, Msg, wParam, lParam);
    target.queue->Release();
    return posted;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    WindowTarget target;
    if (!ResolveWindow(hWnd, target)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (target.threadId == GetCurrentThreadId()) {
        target.queue->Release();
        return CallWindowProcedure(hWnd, Msg, wParam, lParam);
    }
    ThreadQueue *self = CurrentQueue(true);
    if (self == nullptr) {
        target.queue->Release();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    SentMessage record{hWnd, Msg, wParam, lParam, self};
    self->AddRef();  // released by whoever answers
    const bool queued = target.queue->PushSent(&record);
    // Once queued, the target's thread answers the record even if it ends.
    target.queue->Release();
    if (!queued) {
        self->Release();
        return 0;
    }
    self->WaitForReply(record);
    return record.result;
}

BOOL WINAPI SendNotifyMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    WindowTarget target;
    if (!ResolveWindow(hWnd, target)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (target.threadId == GetCurrentThreadId()) {
        target.queue->Release();
        CallWindowProcedure(hWnd, Msg, wParam, lParam);
        return TRUE;
    }
    SentMessage *record = NewObject<SentMessage>();
    if (record != nullptr) *record = SentMessage{hWnd, Msg, wParam, lParam, nullptr};
    const bool queued = record != nullptr && target.queue->PushSent(record);
    target.queue->Release();
    if (!queued) {
        delete record;
        SetLastError(record == nullptr ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_WINDOW_HANDLE);
    }
    return queued;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hWnd != nullptr && hWnd != kThreadMessagesOnly && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    ThreadQueue *queue = CurrentQueue(true);
    if (queue == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return -1;
    }
    queue->Retrieve(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
    return lpMsg->message != WM_QUIT;
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    ThreadQueue *queue = CurrentQueue(true);
    if (lpMsg == nullptr || queue == nullptr) return FALSE;
    return queue->Retrieve(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0, false);
}

// Keyboard messages are not produced here, so there is nothing to
// translate.
BOOL WINAPI TranslateMessage(const MSG * /*lpMsg*/) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG *lpMsg) {
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr) return 0;
    if (!IsWindow(lpMsg->hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const LRESULT result = CallWindowProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
    // A procedure that painted without BeginPaint would get WM_PAINT for
    // ever: what it left invalid counts as painted.
    if (lpMsg->message == WM_PAINT) ValidateRect(lpMsg->hwnd, nullptr);
    return result;
}

void WINAPI PostQuitMessage(int nExitCode) {
    if (ThreadQueue *queue = CurrentQueue(true)) queue->PostQuit(nExitCode);
}

int ZeltHostPumpMessages(void) {
    int dispatched = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // left for the caller's loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++dispatched;
    }
    return dispatched;
}

}  // extern "C"
