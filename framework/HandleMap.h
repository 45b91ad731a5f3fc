// Handle maps: which C++ object stands for a Win32 handle, per thread, as the framework's
// FromHandle calls answer it.
//
// A window object attached to its handle (CWnd::Attach) is permanent: it is found until it is
// detached. For any other handle, FromHandle makes a temporary wrapper that lives until the
// framework window procedure it was made in returns (made outside any window procedure: until
// the thread ends), so a handler may use what FromHandle gave it but must not keep it.
#pragma once

#include "winapi.h"

#include <memory>
#include <unordered_map>

class CWnd;

namespace vlm::fw {

// The framework's per-thread dispatch state.
struct ThreadState {
    int depth = 0;           // framework window procedures running on this thread
    MSG lastSent{};          // the message the innermost of them handles (for CWnd::Default)
    CWnd* wndInit = nullptr;         // the object CWnd::CreateEx is creating a window for
};
ThreadState& CurrentThreadState();

// Counts a framework window procedure in and out. When one returns, the temporary wrappers
// made during it (and in the ones it led to) are deleted.
class WindowProcedureScope {
public:
    WindowProcedureScope(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    ~WindowProcedureScope();
    WindowProcedureScope(const WindowProcedureScope&) = delete;
    WindowProcedureScope& operator=(const WindowProcedureScope&) = delete;

private:
    MSG m_saved;
};

// Called with the depth of the window procedure that returns; deletes what was made at that depth
// or deeper. Each map registers itself once.
void AddTemporaryCleanup(void (*cleanup)(int fromDepth));

// `Member` points to T's handle (a member of T or of a base); clearing it is how a temporary
// wrapper is told not to destroy the handle when it is deleted.
template <class T, class Handle, auto Member>
class HandleMap {
public:
    static HandleMap& ForThisThread()
    {
        thread_local HandleMap map;
        return map;
    }

    T* LookupPermanent(Handle handle) const
    {
        const auto it = m_permanent.find(handle);
        return it == m_permanent.end() ? nullptr : it->second;
    }

    // The permanent object, else a temporary one (made on first use). NULL for NULL.
    T* FromHandle(Handle handle)
    {
        if (!handle)
            return nullptr;
        if (T* object = LookupPermanent(handle))
            return object;
        auto it = m_temporary.find(handle);
        if (it == m_temporary.end()) {
            auto object = std::make_unique<T>();
            (*object).*Member = handle;
            const int depth = CurrentThreadState().depth;
            it = m_temporary.emplace(handle, Temporary{std::move(object), depth}).first;
            if (!m_cleanupAdded) {
                AddTemporaryCleanup(&HandleMap::DeleteTemporaries);
                m_cleanupAdded = true;
            }
        }
        return it->second.object.get();
    }

    void SetPermanent(Handle handle, T* object) { m_permanent[handle] = object; }
    void RemovePermanent(Handle handle) { m_permanent.erase(handle); }

    ~HandleMap() { Release(0); }

private:
    struct Temporary {
        std::unique_ptr<T> object;
        int depth; // the window procedure depth it was made at
    };

    HandleMap() = default;

    static void DeleteTemporaries(int fromDepth) { ForThisThread().Release(fromDepth); }

    // Deletes the temporaries made at `fromDepth` or deeper.
    void Release(int fromDepth)
    {
        for (auto it = m_temporary.begin(); it != m_temporary.end();) {
            if (it->second.depth >= fromDepth) {
                (*it->second.object).*Member = Handle{};
                it = m_temporary.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::unordered_map<Handle, T*> m_permanent;
    std::unordered_map<Handle, Temporary> m_temporary;
    bool m_cleanupAdded = false;
};

} // namespace vlm::fw
