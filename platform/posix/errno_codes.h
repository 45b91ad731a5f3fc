// How a failed POSIX call reads to a Win32 or native caller.
#pragma once

#include "winapi.h"

namespace vlm::posix {

// errno -> the Win32 error code GetLastError would give for the same failure.
DWORD Win32ErrorFromErrno(int error);
// errno -> the NT status a native query would answer for the same failure.
NTSTATUS NtStatusFromErrno(int error);
// Sets the thread's last error from errno and returns FALSE, for `return FailWithErrno(errno);`.
BOOL FailWithErrno(int error);

} // namespace vlm::posix
