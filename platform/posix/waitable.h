// Kernel objects that WaitForSingleObject can wait on (events, threads).
#pragma once

#include "handle_table.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vlm::posix {

class Waitable : public KernelObject {
public:
    // WAIT_OBJECT_0 or WAIT_TIMEOUT; INFINITE waits for ever, zero only tests.
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

// Waits on `signal` until `ready()` holds or the Win32-style timeout passes; true when ready.
template <class Ready>
bool WaitWithTimeout(std::condition_variable& signal, std::unique_lock<std::mutex>& lock,
                     DWORD milliseconds, Ready ready)
{
    if (milliseconds == INFINITE) {
        signal.wait(lock, ready);
        return true;
    }
    return signal.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

} // namespace vlm::posix
