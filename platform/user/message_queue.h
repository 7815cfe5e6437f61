// Per-thread message queues. A thread gets its queue on its first USER call
// that needs one; the queue outlives the thread for as long as another
// thread still refers to it (a sender waiting on a reply, a window lookup in
// flight), and when the thread ends the queue answers every pending sent
// message with 0 so no sender waits for a thread that is gone.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "zelt/win32.h"

namespace zelt::platform {

struct PostedMessage;
struct SentMessage;

class ThreadQueue {
public:
    explicit ThreadQueue(DWORD threadId) noexcept : threadId_(threadId) {}
    ThreadQueue(const ThreadQueue &) = delete;
    ThreadQueue &operator=(const ThreadQueue &) = delete;

    DWORD ThreadId() const noexcept { return threadId_; }

    void AddRef() noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() noexcept;

    // Appends a posted message; false when memory runs out or the thread has
    // ended.
    bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Appends input as it arrived (time and pointer position kept).
    bool PostInput(const MSG &msg) noexcept;
    // Wakes a thread waiting in GetMessageA: something (a window to paint)
    // may be there for it.
    void Wake() noexcept;
    // Drops the posted messages of a window that is being destroyed.
    void ForgetWindow(HWND hwnd) noexcept;

    // Queues a message sent from another thread; false when the thread has
    // ended (the record is then not referenced).
    bool PushSent(SentMessage *record) noexcept;

    // Runs the window procedures of every message sent to this thread from
    // elsewhere. Only the owning thread calls it.
    void DeliverSentMessages() noexcept;

    // The retrieval of GetMessageA / PeekMessageA: sent messages first, then
    // the first posted or input message that passes the filter, then WM_QUIT
    // once no posted message passes, then WM_PAINT for a window of this
    // thread with something to paint. Waits when `wait` is set and nothing
    // is there.
    bool Retrieve(MSG &out, HWND filterWindow, UINT filterMin, UINT filterMax, bool remove, bool wait) noexcept;

    void PostQuit(int exitCode) noexcept;

    // Waits on this (the calling thread's) queue until `record` is answered,
    // answering messages sent to this thread meanwhile so that two threads
    // sending to each other do not wait for ever.
    void WaitForReply(const SentMessage &record) noexcept;

    // Called once when the owning thread ends.
    void End() noexcept;

private:
    friend void CompleteSent(SentMessage *record, LRESULT result) noexcept;

    bool TakePosted(MSG &out, HWND filterWindow, UINT filterMin, UINT filterMax, bool remove);
    bool Append(PostedMessage *node) noexcept;
    HWND WindowToPaint(HWND filterWindow, UINT filterMin, UINT filterMax) const noexcept;
    SentMessage *TakeSent();

    const DWORD threadId_;
    std::atomic<long> refs_{1};
    std::mutex mutex_;
    std::condition_variable wake_;
    PostedMessage *postedHead_ = nullptr;
    PostedMessage *postedTail_ = nullptr;
    SentMessage *sentHead_ = nullptr;
    SentMessage *sentTail_ = nullptr;
    unsigned long generation_ = 0;  // bumped by every arrival, for waiters
    bool quitPosted_ = false;
    int quitCode_ = 0;
    bool ended_ = false;
};

// A message sent from one thread to a window of another. It lives on the
// sender's stack; `sender` is referenced until the answer is delivered. A
// notification (no sender) is allocated and freed when delivered.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    ThreadQueue *sender;
    LRESULT result = 0;
    bool answered = false;  // guarded by the sender's queue
    SentMessage *next = nullptr;
};

// Stores the answer and wakes the sender; the record must not be touched
// afterwards.
void CompleteSent(SentMessage *record, LRESULT result) noexcept;

// The calling thread's queue, made on first use; nullptr when memory runs
// out (with `create`) or when the thread has none (without).
ThreadQueue *CurrentQueue(bool create) noexcept;

}  // namespace zelt::platform
