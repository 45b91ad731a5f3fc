// The console: standard handles over fd 0/1/2, terminal queries, and Ctrl-C handlers. SIGINT only
// wakes a thread of our own through a pipe; the handlers run there, never in the signal handler.
#include "handle_table.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vlm::posix {
namespace {

class ConsoleObject final : public KernelObject {
public:
    explicit ConsoleObject(int fd) : fd_(fd) {}
    int Fd() const { return fd_; }

private:
    const int fd_;
};

// The descriptor behind a console handle, or -1 with the error set.
int TerminalFd(HANDLE console)
{
    auto object = LookupHandleAs<ConsoleObject>(console);
    if (!object || !isatty(object->Fd())) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return object->Fd();
}

// ---- Ctrl-C

// The pipe's write end, for the signal handler (an atomic int is async-signal-safe).
std::atomic<int> g_ctrlWakeFd{-1};

extern "C" void OnInterrupt(int)
{
    const int savedErrno = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = write(g_ctrlWakeFd.load(), &byte, 1);
    errno = savedErrno;
}

struct CtrlHandlers {
    std::mutex mutex;
    std::vector<PHANDLER_ROUTINE> handlers; // in the order added
    bool ignoreCtrlC = false;
    int wakeRead = -1;
};

// Never destroyed: Ctrl-C may come while the process ends.
CtrlHandlers& Ctrl()
{
    static CtrlHandlers* const ctrl = new CtrlHandlers;
    return *ctrl;
}

[[noreturn]] void EndAsInterrupted()
{
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
    _exit(128 + SIGINT); // if SIGINT was blocked after all
}

void DispatchCtrlC()
{
    std::vector<PHANDLER_ROUTINE> handlers;
    {
        CtrlHandlers& ctrl = Ctrl();
        std::lock_guard lock(ctrl.mutex);
        if (ctrl.ignoreCtrlC)
            return;
        handlers = ctrl.handlers;
    }
    // The last added runs first; the first to return TRUE ends the round.
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
        if ((*it)(CTRL_C_EVENT))
            return;
    }
    EndAsInterrupted();
}

void RunDispatcher(int wakeRead)
{
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
    for (;;) {
        char byte;
        const ssize_t got = read(wakeRead, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        DispatchCtrlC();
    }
}

// The pipe and its thread, made once; the caller holds the lock.
bool StartDispatcherLocked(CtrlHandlers& ctrl)
{
    if (ctrl.wakeRead >= 0)
        return true;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // The signal handler must never block on a full pipe.
    fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    try {
        std::thread(RunDispatcher, fds[0]).detach();
    } catch (const std::system_error&) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    ctrl.wakeRead = fds[0];
    g_ctrlWakeFd.store(fds[1]);
    return true;
}

// Ignoring wins over handlers; with neither, SIGINT does what it does by default.
void UpdateDispositionLocked(const CtrlHandlers& ctrl)
{
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    if (ctrl.ignoreCtrlC) {
        action.sa_handler = SIG_IGN;
    } else if (!ctrl.handlers.empty()) {
        action.sa_handler = OnInterrupt;
        action.sa_flags = SA_RESTART;
    } else {
        action.sa_handler = SIG_DFL;
    }
    sigaction(SIGINT, &action, nullptr);
}

} // namespace
} // namespace vlm::posix

using namespace vlm::posix;

HANDLE GetStdHandle(DWORD stdHandle)
{
    // Made once and kept for the life of the process.
    static const std::array<HANDLE, 3> handles{
        RegisterHandle(std::make_shared<ConsoleObject>(STDIN_FILENO)),
        RegisterHandle(std::make_shared<ConsoleObject>(STDOUT_FILENO)),
        RegisterHandle(std::make_shared<ConsoleObject>(STDERR_FILENO)),
    };
    switch (stdHandle) {
    case STD_INPUT_HANDLE:
        return handles[0];
    case STD_OUTPUT_HANDLE:
        return handles[1];
    case STD_ERROR_HANDLE:
        return handles[2];
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode)
{
    const int fd = TerminalFd(console);
    if (fd < 0)
        return FALSE;
    if (mode != nullptr) {
        // Input: processed, line and echo input. Output: processed, wrap at end of line.
        *mode = fd == STDIN_FILENO ? 0x0007 : 0x0003;
    }
    return TRUE;
}

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info)
{
    const int fd = TerminalFd(console);
    if (fd < 0)
        return FALSE;
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Some terminals (a serial line, a fresh pty) report no size: assume the classic 80 x 25.
    const auto clamp = [](unsigned value, SHORT fallback) {
        return value == 0 ? fallback : static_cast<SHORT>(std::min(value, 0x7FFFu));
    };
    const SHORT columns = clamp(size.ws_col, 80);
    const SHORT rows = clamp(size.ws_row, 25);
    *info = {};
    info->dwSize = {columns, rows};
    info->wAttributes = 0x0007; // light grey on black
    info->srWindow = {0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    info->dwMaximumWindowSize = {columns, rows};
    return TRUE;
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add)
{
    CtrlHandlers& ctrl = Ctrl();
    std::lock_guard lock(ctrl.mutex);
    if (handler == nullptr) {
        ctrl.ignoreCtrlC = add != FALSE;
    } else if (add) {
        if (!StartDispatcherLocked(ctrl)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        ctrl.handlers.push_back(handler);
    } else {
        auto it = std::find(ctrl.handlers.rbegin(), ctrl.handlers.rend(), handler);
        if (it == ctrl.handlers.rend()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        ctrl.handlers.erase(std::next(it).base());
    }
    UpdateDispositionLocked(ctrl);
    return TRUE;
}
