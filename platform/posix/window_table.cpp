// The process-wide window table: records, their parent/child links, and the window layer's
// extensions.
#include "window_records.h"

#include <algorithm>

namespace vlm::posix {
namespace {

// Removes the record from the table and from its parent's children; the caller holds the lock.
std::shared_ptr<WindowRecord> UnlinkLocked(WindowTable& table, HWND window)
{
    auto it = table.windows.find(window);
    if (it == table.windows.end())
        return nullptr;
    auto record = std::move(it->second);
    table.windows.erase(it);
    if (record->parent != nullptr) {
        auto parent = table.windows.find(record->parent);
        if (parent != table.windows.end())
            std::erase(parent->second->children, window);
    }
    return record;
}

// Extensions (the window layer's widgets) must die on the removing thread and outside the lock:
// a record itself may still be held for a moment by another thread that looked it up.
void DropRecords(std::vector<std::shared_ptr<WindowRecord>> records)
{
    std::vector<std::shared_ptr<WindowExtension>> extensions;
    {
        std::lock_guard lock(Windows().mutex);
        for (auto& record : records)
            extensions.push_back(std::move(record->extension));
    }
    extensions.clear();
}

} // namespace

WindowTable& Windows()
{
    static WindowTable* const table = new WindowTable;
    return *table;
}

HWND NewWindowHandle()
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    // Never reused, so a stale handle never names a newer window.
    return reinterpret_cast<HWND>(0x10000 + 4 * ++table.nextHandle);
}

std::shared_ptr<WindowRecord> FindWindowRecord(HWND window)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    return it == table.windows.end() ? nullptr : it->second;
}

WNDPROC CurrentWindowProcedure(HWND window)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    return it == table.windows.end() ? nullptr : it->second->procedure;
}

bool InsertWindowRecord(const std::shared_ptr<WindowRecord>& record)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    if (record->parent != nullptr) {
        auto parent = table.windows.find(record->parent);
        if (parent == table.windows.end())
            return false;
        parent->second->children.push_back(record->handle);
    }
    table.windows.emplace(record->handle, record);
    return true;
}

void RemoveWindowRecord(HWND window)
{
    std::vector<std::shared_ptr<WindowRecord>> removed;
    {
        WindowTable& table = Windows();
        std::lock_guard lock(table.mutex);
        if (auto record = UnlinkLocked(table, window))
            removed.push_back(std::move(record));
    }
    DropRecords(std::move(removed));
}

void RemoveThreadWindows(DWORD threadId)
{
    std::vector<std::shared_ptr<WindowRecord>> removed;
    {
        WindowTable& table = Windows();
        std::lock_guard lock(table.mutex);
        std::vector<HWND> owned;
        for (const auto& [handle, record] : table.windows) {
            if (record->threadId == threadId)
                owned.push_back(handle);
        }
        for (HWND handle : owned)
            removed.push_back(UnlinkLocked(table, handle));
    }
    DropRecords(std::move(removed));
}

bool SetWindowExtension(HWND window, std::shared_ptr<WindowExtension> extension)
{
    {
        WindowTable& table = Windows();
        std::lock_guard lock(table.mutex);
        auto it = table.windows.find(window);
        if (it == table.windows.end())
            return false;
        std::swap(it->second->extension, extension);
    }
    // `extension` now holds the replaced one, destroyed here outside the lock.
    return true;
}

std::shared_ptr<WindowExtension> GetWindowExtension(HWND window)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    return it == table.windows.end() ? nullptr : it->second->extension;
}

std::optional<WindowDescription> DescribeWindow(HWND window)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    if (it == table.windows.end())
        return std::nullopt;
    const WindowRecord& record = *it->second;
    WindowDescription description;
    description.className = record.windowClass->name;
    description.title = record.title;
    description.parent = record.parent;
    description.messageOnly = record.messageOnly;
    description.id = record.id;
    description.style = record.style;
    description.exStyle = record.exStyle;
    description.x = record.x;
    description.y = record.y;
    description.width = record.width;
    description.height = record.height;
    description.threadId = record.threadId;
    return description;
}

std::vector<HWND> ChildWindows(HWND window)
{
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    return it == table.windows.end() ? std::vector<HWND>{} : it->second->children;
}

} // namespace vlm::posix
