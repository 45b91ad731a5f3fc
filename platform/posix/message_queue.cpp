// Per-thread message queues: posted messages, messages sent from other threads, the quit flag,
// and the wake hook of a thread that runs another event loop.
//
// Lock order: the window table's lock may be held while taking a queue's lock, never the other
// way round; no lock is held while a window procedure or a wake hook runs.
#include "message_queue.h"

#include "vlm_posix.h"
#include "window_records.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace vlm::posix {

struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<ThreadQueue> sender;
    // Guarded by the sender's queue lock: the sender waits on its own queue.
    LRESULT result = 0;
    bool done = false;
};

class ThreadQueue {
public:
    explicit ThreadQueue(DWORD id) : threadId(id) {}

    const DWORD threadId;
    std::mutex mutex;
    std::condition_variable wake; // only the owner thread waits on it
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::unordered_set<HWND> windows;
    bool open = true;
    bool quitPending = false;
    int quitCode = 0;
    std::shared_ptr<const std::function<void()>> wakeHook;
};

namespace {

// Queues by thread id, for PostThreadMessage. Never destroyed: threads may still post while the
// process ends.
struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
};

QueueRegistry& Registry()
{
    static QueueRegistry* const registry = new QueueRegistry;
    return *registry;
}

std::shared_ptr<ThreadQueue> NewRegisteredQueue(DWORD threadId)
{
    auto queue = std::make_shared<ThreadQueue>(threadId);
    QueueRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.queues[threadId] = queue;
    return queue;
}

void Complete(SentMessage& message, LRESULT result)
{
    {
        std::lock_guard lock(message.sender->mutex);
        message.result = result;
        message.done = true;
    }
    message.sender->wake.notify_all();
}

void CloseQueue(const std::shared_ptr<ThreadQueue>& queue)
{
    {
        QueueRegistry& registry = Registry();
        std::lock_guard lock(registry.mutex);
        auto it = registry.queues.find(queue->threadId);
        if (it != registry.queues.end() && it->second == queue)
            registry.queues.erase(it);
    }
    std::deque<std::shared_ptr<SentMessage>> waiting;
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard lock(queue->mutex);
        queue->open = false;
        queue->windows.clear();
        queue->posted.clear();
        waiting.swap(queue->sent);
        hook.swap(queue->wakeHook);
    }
    for (auto& message : waiting)
        Complete(*message, 0);
}

// The thread's queue lives in a thread-local holder, so threads not made by CreateThread are torn
// down as they end too.
struct ThreadMessaging {
    std::shared_ptr<ThreadQueue> queue;

    ~ThreadMessaging()
    {
        // When the main thread ends the process is ending: other threads may still be running
        // and the window layer may already be gone, so nothing is torn down.
        if (queue && getpid() != gettid())
            EndThreadMessaging();
    }
};

thread_local ThreadMessaging t_messaging;

// Queues under the receiver's lock when `add` agrees, then wakes the receiver outside it.
template <class Add>
bool Deliver(ThreadQueue& queue, Add add)
{
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard lock(queue.mutex);
        if (!queue.open || !add())
            return false;
        hook = queue.wakeHook;
    }
    queue.wake.notify_all();
    if (hook && *hook)
        (*hook)();
    return true;
}

DWORD TickCount()
{
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = TickCount();
    return msg;
}

// Runs a message another thread sent to one of this thread's windows and releases the sender.
void RunSent(const std::shared_ptr<SentMessage>& message)
{
    LRESULT result = 0;
    if (WNDPROC procedure = CurrentWindowProcedure(message->window))
        result = procedure(message->window, message->message, message->wParam, message->lParam);
    Complete(*message, result);
}

// Runs every waiting sent message; `lock` holds the queue's lock on entry and on return.
void RunIncomingSent(ThreadQueue& queue, std::unique_lock<std::mutex>& lock)
{
    while (!queue.sent.empty()) {
        auto message = std::move(queue.sent.front());
        queue.sent.pop_front();
        lock.unlock();
        RunSent(message);
        lock.lock();
    }
}

// A pseudo-handle filter: -1 asks for thread messages only.
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

struct Filter {
    HWND window;
    UINT first;
    UINT last;

    bool Matches(const MSG& msg) const
    {
        if (window == kThreadMessagesOnly ? msg.hwnd != nullptr
                                          : window != nullptr && msg.hwnd != window)
            return false;
        return (first == 0 && last == 0) || (msg.message >= first && msg.message <= last);
    }
};

bool ValidFilter(HWND window)
{
    if (window == nullptr || window == kThreadMessagesOnly || FindWindowRecord(window))
        return true;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

// Sent messages first, then the first matching posted message, then the quit flag once nothing
// else is waiting. The caller holds the queue's lock.
bool Retrieve(ThreadQueue& queue, std::unique_lock<std::mutex>& lock, MSG* msg, const Filter& filter,
              bool remove)
{
    RunIncomingSent(queue, lock);
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (filter.Matches(*it)) {
            *msg = *it;
            if (remove)
                queue.posted.erase(it);
            return true;
        }
    }
    // WM_QUIT belongs to no window; the message range does not filter it out.
    if (queue.quitPending && (filter.window == nullptr || filter.window == kThreadMessagesOnly)) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
        if (remove)
            queue.quitPending = false;
        return true;
    }
    return false;
}

bool FailWindow()
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

} // namespace

std::shared_ptr<ThreadQueue> CurrentThreadQueue()
{
    if (!t_messaging.queue)
        t_messaging.queue = NewRegisteredQueue(GetCurrentThreadId());
    return t_messaging.queue;
}

std::shared_ptr<ThreadQueue> PrepareThreadQueue(DWORD threadId)
{
    return NewRegisteredQueue(threadId);
}

void AdoptThreadQueue(std::shared_ptr<ThreadQueue> queue)
{
    t_messaging.queue = std::move(queue);
}

void DiscardThreadQueue(const std::shared_ptr<ThreadQueue>& queue)
{
    CloseQueue(queue);
}

void EndThreadMessaging()
{
    auto queue = std::move(t_messaging.queue);
    if (!queue)
        return;
    // Closed first, so nothing new is queued for the windows while their records go.
    CloseQueue(queue);
    RemoveThreadWindows(queue->threadId);
}

void AttachWindow(ThreadQueue& queue, HWND window)
{
    std::lock_guard lock(queue.mutex);
    queue.windows.insert(window);
}

void DetachWindow(ThreadQueue& queue, HWND window)
{
    std::deque<std::shared_ptr<SentMessage>> waiting;
    {
        std::lock_guard lock(queue.mutex);
        queue.windows.erase(window);
        std::erase_if(queue.posted, [window](const MSG& msg) { return msg.hwnd == window; });
        for (auto it = queue.sent.begin(); it != queue.sent.end();) {
            if ((*it)->window == window) {
                waiting.push_back(std::move(*it));
                it = queue.sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& message : waiting)
        Complete(*message, 0);
}

void SetMessageWakeHook(std::function<void()> hook)
{
    auto queue = CurrentThreadQueue();
    std::shared_ptr<const std::function<void()>> replaced =
        hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
    {
        std::lock_guard lock(queue->mutex);
        replaced.swap(queue->wakeHook);
    }
}

} // namespace vlm::posix

using namespace vlm::posix;

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const MSG msg = MakeMessage(window, message, wParam, lParam);
    if (window == nullptr) {
        // A thread message for the calling thread.
        auto queue = CurrentThreadQueue();
        Deliver(*queue, [&] {
            queue->posted.push_back(msg);
            return true;
        });
        return TRUE;
    }
    auto record = FindWindowRecord(window);
    if (!record)
        return FailWindow();
    const std::shared_ptr<ThreadQueue> queue = record->queue;
    record.reset();
    const bool queued = Deliver(*queue, [&] {
        // Gone from the queue means destroyed, even if the record is still being torn down.
        if (!queue->windows.contains(window))
            return false;
        queue->posted.push_back(msg);
        return true;
    });
    return queued ? TRUE : FailWindow();
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> queue;
    {
        QueueRegistry& registry = Registry();
        std::lock_guard lock(registry.mutex);
        auto it = registry.queues.find(threadId);
        if (it != registry.queues.end())
            queue = it->second;
    }
    const MSG msg = MakeMessage(nullptr, message, wParam, lParam);
    if (!queue || !Deliver(*queue, [&] {
            queue->posted.push_back(msg);
            return true;
        })) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    auto queue = CurrentThreadQueue();
    Deliver(*queue, [&] {
        queue->quitPending = true;
        queue->quitCode = exitCode;
        return true;
    });
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto record = FindWindowRecord(window);
    if (!record) {
        FailWindow();
        return 0;
    }
    if (record->threadId == GetCurrentThreadId()) {
        WNDPROC procedure = CurrentWindowProcedure(window);
        return procedure ? procedure(window, message, wParam, lParam) : 0;
    }

    auto self = CurrentThreadQueue();
    auto sent = std::make_shared<SentMessage>(SentMessage{window, message, wParam, lParam, self});
    const std::shared_ptr<ThreadQueue> target = record->queue;
    record.reset();
    const bool queued = Deliver(*target, [&] {
        if (!target->windows.contains(window))
            return false;
        target->sent.push_back(sent);
        return true;
    });
    if (!queued) {
        FailWindow();
        return 0;
    }
    // While waiting, run what other threads send to this thread's windows, so two threads
    // sending to each other never deadlock; posted messages wait.
    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        if (!self->sent.empty()) {
            RunIncomingSent(*self, lock);
            continue;
        }
        self->wake.wait(lock);
    }
    return sent->result;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!ValidFilter(window))
        return -1;
    auto queue = CurrentThreadQueue();
    const Filter filter{window, filterMin, filterMax};
    std::unique_lock lock(queue->mutex);
    while (!Retrieve(*queue, lock, msg, filter, true))
        queue->wake.wait(lock);
    return msg->message == WM_QUIT ? 0 : 1;
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!ValidFilter(window))
        return FALSE;
    auto queue = CurrentThreadQueue();
    std::unique_lock lock(queue->mutex);
    return Retrieve(*queue, lock, msg, Filter{window, filterMin, filterMax},
                    (removeMessage & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}

BOOL TranslateMessage(const MSG*)
{
    // No keyboard input reaches this layer, so there is nothing to translate.
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr || msg->hwnd == nullptr)
        return 0;
    WNDPROC procedure = CurrentWindowProcedure(msg->hwnd);
    if (procedure == nullptr) {
        FailWindow();
        return 0;
    }
    return procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
