// The process-wide registry of window classes.
#include "window_records.h"

#include <algorithm>

namespace vlm::posix {
namespace {

bool IsAtom(LPCSTR name)
{
    // MAKEINTATOM: a 16-bit value in the pointer's place.
    return reinterpret_cast<UINT_PTR>(name) < 0x10000;
}

bool SameName(const std::string& a, LPCSTR b)
{
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) {
                          auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
                          return lower(x) == lower(y);
                      });
}

// The caller holds the table's lock.
auto FindLocked(WindowTable& table, LPCSTR name)
{
    return std::find_if(table.classes.begin(), table.classes.end(), [name](const auto& c) {
        return IsAtom(name) ? c->atom == static_cast<ATOM>(reinterpret_cast<UINT_PTR>(name))
                            : SameName(c->name, name);
    });
}

} // namespace

std::shared_ptr<const WindowClass> FindWindowClass(LPCSTR name)
{
    if (name == nullptr)
        return nullptr;
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = FindLocked(table, name);
    return it == table.classes.end() ? nullptr : *it;
}

} // namespace vlm::posix

using namespace vlm::posix;

ATOM RegisterClassA(const WNDCLASSA* wndClass)
{
    if (wndClass == nullptr || wndClass->lpfnWndProc == nullptr || wndClass->lpszClassName == nullptr ||
        IsAtom(wndClass->lpszClassName) || *wndClass->lpszClassName == '\0' || wndClass->cbWndExtra < 0 ||
        wndClass->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    if (FindLocked(table, wndClass->lpszClassName) != table.classes.end()) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->name = wndClass->lpszClassName;
    windowClass->atom = table.nextAtom++;
    windowClass->procedure = wndClass->lpfnWndProc;
    windowClass->windowExtraBytes = wndClass->cbWndExtra;
    windowClass->instance = wndClass->hInstance;
    table.classes.push_back(windowClass);
    return windowClass->atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (className == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = FindLocked(table, className);
    if (it == table.classes.end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    const bool inUse = std::any_of(table.windows.begin(), table.windows.end(),
                                   [&](const auto& entry) { return entry.second->windowClass == *it; });
    if (inUse) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    table.classes.erase(it);
    return TRUE;
}
