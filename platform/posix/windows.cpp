// Window creation and destruction, window data, and the default window procedure. The windows are
// records only; the window layer gives them a face through their extensions.
#include "message_queue.h"
#include "window_records.h"

#include <cstring>
#include <type_traits>
#include <unistd.h>

namespace vlm::posix {
namespace {

LRESULT CallCurrentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC procedure = CurrentWindowProcedure(window);
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

// Gone from the owner's queue first, so nothing more is queued for it, then from the table.
void Forget(const WindowRecord& record)
{
    DetachWindow(*record.queue, record.handle);
    RemoveWindowRecord(record.handle);
}

// WM_DESTROY reaches the window before its children, WM_NCDESTROY after them, as on Windows.
void DestroyTree(const std::shared_ptr<WindowRecord>& record)
{
    {
        std::lock_guard lock(Windows().mutex);
        if (record->destroying)
            return;
        record->destroying = true;
    }
    CallCurrentProcedure(record->handle, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(Windows().mutex);
        children = record->children;
    }
    const DWORD self = GetCurrentThreadId();
    for (HWND handle : children) {
        auto child = FindWindowRecord(handle);
        if (!child)
            continue;
        if (child->threadId == self)
            DestroyTree(child);
        else
            Forget(*child); // another thread's procedure cannot run here
    }
    CallCurrentProcedure(record->handle, WM_NCDESTROY, 0, 0);
    Forget(*record);
}

// One window-data slot: reads it into `previous` and, when `replacement` is given, writes it.
// False for an index the window does not have.
bool ExchangeSlot(WindowRecord& record, int index, const LONG_PTR* replacement, LONG_PTR& previous)
{
    auto exchange = [&](auto& field) {
        using Field = std::remove_reference_t<decltype(field)>;
        if constexpr (std::is_pointer_v<Field>) {
            previous = reinterpret_cast<LONG_PTR>(field);
            if (replacement)
                field = reinterpret_cast<Field>(*replacement);
        } else {
            previous = static_cast<LONG_PTR>(field);
            if (replacement)
                field = static_cast<Field>(*replacement);
        }
        return true;
    };
    switch (index) {
    case GWLP_WNDPROC:
        return exchange(record.procedure);
    case GWLP_HINSTANCE:
        return exchange(record.instance);
    case GWLP_ID:
        return exchange(record.id);
    case GWL_STYLE:
        return exchange(record.style);
    case GWL_EXSTYLE:
        return exchange(record.exStyle);
    case GWLP_USERDATA:
        return exchange(record.userData);
    default:
        break;
    }
    // The class's extra window bytes (cbWndExtra), addressed by byte offset.
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > record.extraBytes.size())
        return false;
    std::memcpy(&previous, record.extraBytes.data() + index, sizeof previous);
    if (replacement)
        std::memcpy(record.extraBytes.data() + index, replacement, sizeof *replacement);
    return true;
}

LONG_PTR AccessWindowData(HWND window, int index, const LONG_PTR* replacement)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    if (it == table.windows.end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR previous = 0;
    if (!ExchangeSlot(*it->second, index, replacement, previous)) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return previous;
}

} // namespace
} // namespace vlm::posix

using namespace vlm::posix;

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param)
{
    auto windowClass = FindWindowClass(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool messageOnly = parent == HWND_MESSAGE;
    if (!messageOnly && parent != nullptr && !FindWindowRecord(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }

    auto record = std::make_shared<WindowRecord>();
    record->handle = NewWindowHandle();
    record->windowClass = windowClass;
    record->threadId = GetCurrentThreadId();
    record->queue = CurrentThreadQueue();
    record->parent = messageOnly ? nullptr : parent;
    record->messageOnly = messageOnly;
    record->title = windowName ? windowName : "";
    record->x = x;
    record->y = y;
    record->width = width;
    record->height = height;
    record->procedure = windowClass->procedure;
    // A child's id and a top-level window's menu share one slot, as on Windows.
    record->id = reinterpret_cast<UINT_PTR>(menu);
    record->style = style;
    record->exStyle = exStyle;
    record->instance = instance;
    record->extraBytes.resize(static_cast<size_t>(windowClass->windowExtraBytes));

    const HWND window = record->handle;
    AttachWindow(*record->queue, window);
    if (!InsertWindowRecord(record)) {
        DetachWindow(*record->queue, window);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }

    CREATESTRUCTA create{param,  instance, menu, parent,           height,    width,
                         y,      x,        static_cast<LONG>(style), windowName, className,
                         exStyle};
    const LPARAM createParam = reinterpret_cast<LPARAM>(&create);
    if (!CallCurrentProcedure(window, WM_NCCREATE, 0, createParam)) {
        CallCurrentProcedure(window, WM_NCDESTROY, 0, 0);
        Forget(*record);
        return nullptr;
    }
    if (CallCurrentProcedure(window, WM_CREATE, 0, createParam) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    // The procedure may have destroyed the window itself while it was being created.
    return IsWindow(window) ? window : nullptr;
}

BOOL DestroyWindow(HWND window)
{
    auto record = FindWindowRecord(window);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (record->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DestroyTree(record);
    return TRUE;
}

BOOL IsWindow(HWND window)
{
    return FindWindowRecord(window) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId)
{
    auto record = FindWindowRecord(window);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId != nullptr)
        *processId = static_cast<DWORD>(getpid());
    return record->threadId;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index)
{
    return AccessWindowData(window, index, nullptr);
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR newLong)
{
    return AccessWindowData(window, index, &newLong);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE; // let creation go on
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return previous ? previous(window, message, wParam, lParam) : 0;
}
