// Per-thread message queues, inside platform/posix. Each thread that owns windows, retrieves
// messages or sends across threads has one; the window functions reach it through these calls.
#pragma once

#include "winapi.h"

#include <memory>

namespace vlm::posix {

class ThreadQueue;

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentThreadQueue();

// Makes the queue of a thread that does not run yet, so messages can be posted to it as soon as
// CreateThread returns; the new thread adopts it with AdoptThreadQueue before anything else.
std::shared_ptr<ThreadQueue> PrepareThreadQueue(DWORD threadId);
void AdoptThreadQueue(std::shared_ptr<ThreadQueue> queue);
// The thread could not be started after all.
void DiscardThreadQueue(const std::shared_ptr<ThreadQueue>& queue);

// The calling thread is ending: its windows go away without messages, its posted messages are
// dropped and every thread waiting in SendMessage to it returns 0. Safe to call twice.
void EndThreadMessaging();

// A window of the queue's thread now exists / no longer exists. Detaching drops the window's
// posted messages and releases the threads still waiting to send to it.
void AttachWindow(ThreadQueue& queue, HWND window);
void DetachWindow(ThreadQueue& queue, HWND window);

} // namespace vlm::posix
