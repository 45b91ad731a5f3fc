// CreateThread and friends over std::thread. A thread object is shared by its handle and by the
// running thread itself, so closing the handle neither stops nor joins the thread, and a thread
// still running when the process ends holds nothing that static destruction tears down.
#include "message_queue.h"
#include "waitable.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace vlm::posix {
namespace {

// Ids are never reused within a process, so a stale id can never reach another thread's queue.
std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

DWORD NewThreadId()
{
    return g_nextThreadId.fetch_add(1, std::memory_order_relaxed);
}

class ThreadObject final : public Waitable {
public:
    ThreadObject(DWORD id, bool suspended) : id_(id), suspendCount_(suspended ? 1 : 0) {}

    DWORD Id() const { return id_; }

    DWORD Wait(DWORD milliseconds) override
    {
        std::unique_lock lock(mutex_);
        return WaitWithTimeout(changed_, lock, milliseconds, [this] { return finished_; })
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }

    DWORD Resume()
    {
        std::lock_guard lock(mutex_);
        const DWORD previous = suspendCount_;
        if (suspendCount_ > 0 && --suspendCount_ == 0)
            changed_.notify_all();
        return previous;
    }

    void WaitUntilResumed()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return suspendCount_ == 0; });
    }

    void Finish(DWORD exitCode)
    {
        std::lock_guard lock(mutex_);
        exitCode_ = exitCode;
        finished_ = true;
        changed_.notify_all();
    }

    DWORD ExitCode()
    {
        std::lock_guard lock(mutex_);
        return finished_ ? exitCode_ : STILL_ACTIVE;
    }

private:
    const DWORD id_;
    std::mutex mutex_;
    std::condition_variable changed_;
    DWORD suspendCount_;
    bool finished_ = false;
    DWORD exitCode_ = 0;
};

void RunThread(const std::shared_ptr<ThreadObject>& self, LPTHREAD_START_ROUTINE start,
               LPVOID parameter, std::shared_ptr<ThreadQueue> queue)
{
    t_threadId = self->Id();
    AdoptThreadQueue(std::move(queue));
    self->WaitUntilResumed();
    const DWORD exitCode = start(parameter);
    // Windows tears a thread's windows down before its handle becomes signalled.
    EndThreadMessaging();
    self->Finish(exitCode);
}

} // namespace
} // namespace vlm::posix

using namespace vlm::posix;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE startAddress,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId)
{
    if (startAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The stack size is a hint on Windows too; the default stack is ample.
    const DWORD id = NewThreadId();
    auto object = std::make_shared<ThreadObject>(id, (creationFlags & CREATE_SUSPENDED) != 0);
    auto queue = PrepareThreadQueue(id);
    try {
        std::thread([object, startAddress, parameter, queue]() mutable {
            RunThread(object, startAddress, parameter, std::move(queue));
        }).detach();
    } catch (const std::system_error&) {
        DiscardThreadQueue(queue);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId != nullptr)
        *threadId = id;
    return RegisterHandle(std::move(object));
}

DWORD ResumeThread(HANDLE thread)
{
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return static_cast<DWORD>(-1);
    }
    return object->Resume();
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object || exitCode == nullptr) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}

DWORD GetCurrentThreadId()
{
    // Threads not made by CreateThread (main, std::thread) get their id on first use.
    if (t_threadId == 0)
        t_threadId = NewThreadId();
    return t_threadId;
}
