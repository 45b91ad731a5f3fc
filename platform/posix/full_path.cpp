#include "winapi.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

bool IsWindowsShaped(const char* path)
{
    return ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':';
}

std::string MakeAbsolute(const char* path)
{
    if (IsWindowsShaped(path))
        return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path, nullptr), &std::free);
    if (resolved)
        return resolved.get();
    if (path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        return path;
    return std::string(cwd) + "/" + path;
}

} // namespace

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string full = MakeAbsolute(fileName);
    if (full.size() + 1 > bufferLength || !buffer)
        return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart) {
        const char* slash = std::strrchr(buffer, IsWindowsShaped(buffer) ? '\\' : '/');
        *filePart = slash && slash[1] ? buffer + (slash - buffer) + 1 : nullptr;
    }
    return static_cast<DWORD>(full.size());
}
