// Bounded waits that run Qt's event loop, and with it the GUI thread's Win32 messages. Each test
// folder decides its own patience (see qt_support.h, app_support.h).
#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <functional>

namespace vlm::test {

// Runs Qt's events until `done` holds (true) or `patience` has gone by (false). The patience is
// there only to turn a hang into a failure, never to time what is waited for.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs what is waiting now, and what that posts in turn, a few rounds deep.
inline void Pump()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace vlm::test
