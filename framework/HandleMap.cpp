#include "framework/HandleMap.h"

#include <vector>

namespace vlm::fw {
namespace {

struct Cleanups {
    std::vector<void (*)(int)> functions;
};

Cleanups& ThreadCleanups()
{
    thread_local Cleanups cleanups;
    return cleanups;
}

} // namespace

ThreadState& CurrentThreadState()
{
    thread_local ThreadState state;
    return state;
}

void AddTemporaryCleanup(void (*cleanup)(int fromDepth))
{
    ThreadCleanups().functions.push_back(cleanup);
}

WindowProcedureScope::WindowProcedureScope(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ThreadState& state = CurrentThreadState();
    m_saved = state.lastSent;
    state.lastSent = MSG{window, message, wParam, lParam, 0, {0, 0}};
    ++state.depth;
}

WindowProcedureScope::~WindowProcedureScope()
{
    ThreadState& state = CurrentThreadState();
    state.lastSent = m_saved;
    const int returning = state.depth--;
    for (void (*cleanup)(int) : ThreadCleanups().functions)
        cleanup(returning);
}

} // namespace vlm::fw
