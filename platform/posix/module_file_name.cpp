// GetModuleFileNameA: the program's own file.
#include "winapi.h"

#include <unistd.h>

#include <cstring>
#include <string>

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    if (module && module != GetModuleHandleA(nullptr)) {
        // The layer's other modules are part of the program; no file of their own.
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        SetLastError(ERROR_GEN_FAILURE);
        return 0;
    }
    path.resize(static_cast<std::size_t>(length));
    if (size == 0 || !fileName) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}
