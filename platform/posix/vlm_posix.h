// Linux-only controls of the platform layer: where the mount table is read from, how a thread
// that runs another event loop (the Qt window layer) learns that messages are waiting, and who
// shows message boxes that no responder answers.
#pragma once

#include "vlm_platform.h"

#include <cstddef>
#include <functional>
#include <string>

namespace vlm::posix {

// Reads the mount table from `path` (mountinfo format) instead of /proc/self/mountinfo. Letters
// already given stay given. An empty path goes back to the process's own table.
void SetMountTableSource(const std::string& path);

// Forgets every drive letter, so the next look-up gives letters afresh from C:. For tests that
// swap the mount table; a running program never calls it.
void ResetDriveLetters();

// Called, from whichever thread queued it, each time a message (posted or sent) arrives for the
// calling thread. The hook must only schedule a pump (PeekMessage) on the owning thread.
void SetMessageWakeHook(std::function<void()> hook);

// Shows the message boxes no responder answers (the window layer installs one); returns the
// previous presenter. Without one, a box is printed to stderr as "<caption>: <text>" and answered
// with its default button.
MessageBoxResponder SetDefaultMessageBoxPresenter(MessageBoxResponder presenter);

// Makes `data` (a compiled resource file, .res: one resource header after the other) the
// resources of the program's own module, in place of any before; resource handles found in the
// previous ones become invalid. The bytes are used where they lie and must outlive their use.
// vlm_resources calls this for the program that links it. Malformed data changes nothing and
// returns false (ERROR_INVALID_DATA); nullptr with size 0 leaves the module without resources.
bool RegisterResources(const void* data, std::size_t size);

} // namespace vlm::posix
