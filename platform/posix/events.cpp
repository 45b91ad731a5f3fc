// Events, WaitForSingleObject and Sleep. The state of an event is an atomic so that the very
// frequent zero-timeout test (the scan engine's run flag) never takes the event's lock.
#include "waitable.h"

#include <atomic>
#include <thread>

namespace vlm::posix {
namespace {

class EventObject final : public Waitable {
public:
    EventObject(bool manualReset, bool initialState)
        : manualReset_(manualReset), signalled_(initialState)
    {
    }

    void Set()
    {
        {
            // Stored under the lock so a waiter between its test and its sleep cannot miss it.
            std::lock_guard lock(mutex_);
            signalled_.store(true, std::memory_order_release);
        }
        if (manualReset_)
            changed_.notify_all();
        else
            changed_.notify_one();
    }

    void Reset() { signalled_.store(false, std::memory_order_release); }

    DWORD Wait(DWORD milliseconds) override
    {
        if (TryTake())
            return WAIT_OBJECT_0;
        if (milliseconds == 0)
            return WAIT_TIMEOUT;
        std::unique_lock lock(mutex_);
        return WaitWithTimeout(changed_, lock, milliseconds, [this] { return TryTake(); })
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }

private:
    // A manual-reset event stays signalled; an auto-reset one lets exactly one waiter through.
    bool TryTake()
    {
        if (manualReset_)
            return signalled_.load(std::memory_order_acquire);
        bool expected = true;
        return signalled_.compare_exchange_strong(expected, false, std::memory_order_acq_rel);
    }

    const bool manualReset_;
    std::atomic<bool> signalled_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

} // namespace
} // namespace vlm::posix

using namespace vlm::posix;

// A name would share the event with other processes; there is no OpenEvent here, so a named
// event behaves as an unnamed one.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR)
{
    return RegisterHandle(std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event)
{
    auto object = LookupHandleAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
    auto object = LookupHandleAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    auto object = LookupHandleAs<Waitable>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
