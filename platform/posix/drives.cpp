// GetLogicalDrives, GetDriveTypeA, GetVolumeInformationA, QueryDosDeviceA, GetVolumePathNameA.
#include "winapi.h"

#include "current_directory.h"
#include "drive_letters.h"
#include "errno_codes.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vlm::posix;

constexpr DWORD kMaximumComponentLength = 255;

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// A root argument: NULL means the current directory's drive.
char RootLetter(LPCSTR rootPathName)
{
    if (!rootPathName) {
        const std::optional<CurrentDirectorySnapshot> cwd = CurrentDirectory();
        return cwd ? cwd->letter : 0;
    }
    return ParseDriveRoot(rootPathName, true);
}

bool CopyString(const std::string& text, LPSTR buffer, DWORD size)
{
    if (!buffer)
        return true;
    if (size < text.size() + 1)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// "/a/./b/../c//" -> "/a/c", for paths that do not exist (yet); no links are resolved.
std::string NormaliseLexically(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string AbsolutePosixPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (real)
        return real.get();
    if (path[0] == '/')
        return NormaliseLexically(path);
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return {};
    return NormaliseLexically(std::string(cwd) + "/" + path);
}

} // namespace

DWORD GetLogicalDrives()
{
    if (!RefreshDrives()) {
        FailWithErrno(errno);
        return 0;
    }
    return PresentDriveMask();
}

UINT GetDriveTypeA(LPCSTR rootPathName)
{
    const char letter = RootLetter(rootPathName);
    if (!letter)
        return DRIVE_NO_ROOT_DIR;
    const std::optional<Drive> drive = LookupDrive(letter);
    if (!drive || !drive->present)
        return DRIVE_NO_ROOT_DIR;
    return drive->volume.driveType;
}

BOOL GetVolumeInformationA(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize,
                           LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength,
                           LPDWORD fileSystemFlags, LPSTR fileSystemNameBuffer,
                           DWORD fileSystemNameSize)
{
    const char letter = RootLetter(rootPathName);
    if (!letter)
        return Fail(rootPathName ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND);
    // Everything comes from the mount table and what was learned when the letter was given:
    // nothing here waits for a server.
    const std::optional<Drive> drive = LookupDrive(letter);
    if (!drive)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!drive->present)
        return Fail(ERROR_NOT_READY);
    if (!CopyString("", volumeNameBuffer, volumeNameSize) ||
        !CopyString(drive->volume.fileSystemName, fileSystemNameBuffer, fileSystemNameSize))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (volumeSerialNumber)
        *volumeSerialNumber = drive->volume.serialNumber;
    if (maximumComponentLength)
        *maximumComponentLength = kMaximumComponentLength;
    if (fileSystemFlags)
        *fileSystemFlags = drive->volume.fileSystemFlags;
    return TRUE;
}

DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD ucchMax)
{
    std::string multi;
    if (!deviceName) {
        // Every device name: "C:\0D:\0\0".
        const DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if (mask & (DWORD{1} << i))
                multi += std::string{static_cast<char>('A' + i), ':', '\0'};
        }
    } else {
        const char letter = ParseDriveRoot(deviceName, true);
        const std::optional<Drive> drive = letter && deviceName[2] == '\0' ? LookupDrive(letter) : std::nullopt;
        if (!drive || !drive->present) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        multi = drive->mount.mountPoint;
        multi += '\0';
    }
    multi += '\0';
    if (!targetPath || ucchMax < multi.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(targetPath, multi.data(), multi.size());
    return static_cast<DWORD>(multi.size());
}

BOOL GetVolumePathNameA(LPCSTR fileName, LPSTR volumePathName, DWORD bufferLength)
{
    if (!fileName || !*fileName || !volumePathName)
        return Fail(ERROR_INVALID_PARAMETER);
    char letter = 0;
    if (std::isalpha(static_cast<unsigned char>(fileName[0])) && fileName[1] == ':') {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(fileName[0])));
    } else if (fileName[0] != '/') {
        if (const std::optional<CurrentDirectorySnapshot> cwd = CurrentDirectory())
            letter = cwd->letter;
    }
    if (!letter) {
        const std::string path = AbsolutePosixPath(fileName);
        const std::optional<Drive> drive = path.empty() ? std::nullopt : DriveForPosixPath(path);
        if (!drive)
            return Fail(ERROR_INVALID_DRIVE);
        letter = drive->letter;
    }
    if (!CopyString(std::string{letter, ':', '\\'}, volumePathName, bufferLength))
        return Fail(ERROR_FILENAME_EXCED_RANGE);
    return TRUE;
}
