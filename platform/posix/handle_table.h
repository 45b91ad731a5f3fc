// The process's kernel-object handles. Every HANDLE this layer gives out names one entry here;
// CloseHandle drops the entry, and an object lives on while any caller still holds a reference.
#pragma once

#include "winapi.h"

#include <memory>

namespace vlm::posix {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Never NULL and never INVALID_HANDLE_VALUE.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
// Removes the entry; false when the handle was not open.
bool ReleaseHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

} // namespace vlm::posix
