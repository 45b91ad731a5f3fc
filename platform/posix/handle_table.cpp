#include "handle_table.h"

#include <mutex>
#include <unordered_map>

namespace vlm::posix {
namespace {

// The table is process-wide, as Windows' own handle table is.
struct Table {
    std::mutex mutex;
    std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> objects;
    UINT_PTR next = 1;
};

// Never destroyed: a thread still running while the process ends may yet test a handle.
Table& TheTable()
{
    static Table* const table = new Table;
    return *table;
}

} // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object)
{
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    // Multiples of four, like Windows' handles; they never reach -1.
    const UINT_PTR value = table.next++ * 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

bool ReleaseHandle(HANDLE handle)
{
    std::shared_ptr<KernelObject> dropped; // destroyed outside the lock
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    if (it == table.objects.end())
        return false;
    dropped = std::move(it->second);
    table.objects.erase(it);
    return true;
}

} // namespace vlm::posix

BOOL CloseHandle(HANDLE object)
{
    if (!vlm::posix::ReleaseHandle(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
