#include "scan/RunFlag.h"
#include "scan/ScanEngine.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

void SendDirectory(HWND hwndNotify, HANDLE hRunEvent, const CString& path)
{
    if (IsRunFlagSet(hRunEvent))
        SendMessage(hwndNotify, WM_SCAN_DIRECTORY, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(path)), 0);
}

// The current directory's absolute path, in a block of exactly the size the platform reports;
// null when it cannot be had.
std::unique_ptr<char[]> ReadCurrentDirectory()
{
    const DWORD size = GetCurrentDirectoryA(0, nullptr);
    if (size == 0)
        return nullptr;
    std::unique_ptr<char[]> cwd(new (std::nothrow) char[size]);
    if (!cwd)
        return nullptr;
    const DWORD written = GetCurrentDirectoryA(size, cwd.get());
    if (written == 0 || written >= size)
        return nullptr;
    return cwd;
}

bool IsDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

void ScanDirectory(HWND hwndNotify, HANDLE hRunEvent)
{
    if (!IsRunFlagSet(hRunEvent)) {
        SetCurrentDirectoryA("..");
        return;
    }

    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA("*.*", &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        SetCurrentDirectoryA("..");
        return;
    }

    if (std::unique_ptr<char[]> cwd = ReadCurrentDirectory()) {
        CString path;
        while (IsRunFlagSet(hRunEvent)) {
            path.Format("%s\\%s", cwd.get(), entry.cFileName);
            if (!IsDotEntry(entry.cFileName)) {
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    SendDirectory(hwndNotify, hRunEvent, path);
                    // A directory's own streams come before its contents.
                    ScanFileStreams(cwd.get(), entry.cFileName, hwndNotify, hRunEvent);
                    // Links and junctions are reported but never entered, so the walk stays on
                    // the volume and always ends.
                    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                        SetCurrentDirectoryA(entry.cFileName))
                        ScanDirectory(hwndNotify, hRunEvent);
                    if (!IsRunFlagSet(hRunEvent))
                        break;
                    path = cwd.get();
                    SendDirectory(hwndNotify, hRunEvent, path);
                } else {
                    ScanFileStreams(cwd.get(), entry.cFileName, hwndNotify, hRunEvent);
                }
            }
            if (!FindNextFileA(listing, &entry))
                break;
        }
    }

    FindClose(listing);
    SetCurrentDirectoryA("..");
}
