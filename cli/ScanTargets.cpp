#include "cli/ScanTargets.h"

#include "drives/NtfsDrives.h"
#include "winapi.h"

#include <cctype>

namespace {

const char* DriveTypeName(UINT type)
{
    switch (type) {
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_REMOTE: return "network";
    case DRIVE_CDROM: return "cd-rom";
    case DRIVE_RAMDISK: return "ram disk";
    default: return "unknown";
    }
}

// "C:", "c:\" or "C:/" -> 'C'; 0 for anything else.
char DriveLetterOf(const CString& target)
{
    const int length = target.GetLength();
    if ((length != 2 && length != 3) || !std::isalpha(static_cast<unsigned char>(target[0])) || target[1] != ':')
        return 0;
    if (length == 3 && target[2] != '\\' && target[2] != '/')
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(target[0])));
}

CString DeviceTarget(char letter)
{
    const char device[] = {letter, ':', '\0'};
    char target[4096] = {};
    if (!QueryDosDeviceA(device, target, sizeof target))
        return CString();
    return CString(target);
}

CString WithoutTrailingSeparators(CString path)
{
    while (path.GetLength() > 1 && (path[path.GetLength() - 1] == '/' || path[path.GetLength() - 1] == '\\'))
        path.Delete(path.GetLength() - 1);
    return path;
}

// The letter whose mount point is `target`, or 0 with `error` set.
char LetterOfMountPoint(const CString& target, CString& error)
{
    if (target.GetLength() >= 2 && target[1] == ':') {
        error.Format("%s: give a drive as C: or C:\\, or a mount point", static_cast<LPCSTR>(target));
        return 0;
    }
    char full[4096] = {};
    const DWORD length = GetFullPathNameA(target, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        error.Format("%s: not a drive letter or a mount point", static_cast<LPCSTR>(target));
        return 0;
    }
    const CString wanted = WithoutTrailingSeparators(CString(full));
    const DWORD mask = GetLogicalDrives();
    for (int n = 0; n < 26; ++n) {
        if ((mask & (1u << n)) && DeviceTarget(static_cast<char>('A' + n)) == wanted)
            return static_cast<char>('A' + n);
    }
    char volume[MAX_PATH] = {};
    if (GetVolumePathNameA(full, volume, sizeof volume) && volume[0] && volume[1] == ':') {
        const CString mountPoint = DeviceTarget(volume[0]);
        error.Format("%s: inside drive %c: (%s), not its mount point; give the mount point or %c:",
                     static_cast<LPCSTR>(target), volume[0], static_cast<LPCSTR>(mountPoint), volume[0]);
    } else {
        error.Format("%s: not the mount point of a drive (velmora-scan --list shows them)", static_cast<LPCSTR>(target));
    }
    return 0;
}

bool CheckNtfsDrive(char letter, const CString& target, CString& error)
{
    const char root[] = {letter, ':', '\\', '\0'};
    if (!(GetLogicalDrives() & (1u << (letter - 'A')))) {
        error.Format("%s: no such drive (velmora-scan --list shows the drives)", static_cast<LPCSTR>(target));
        return false;
    }
    char fileSystem[256] = {};
    if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem)) {
        error.Format("%s: the volume cannot be read (error %lu)", static_cast<LPCSTR>(target),
                     static_cast<unsigned long>(GetLastError()));
        return false;
    }
    if (!IsNtfsFileSystem(fileSystem)) {
        error.Format("%s: not an NTFS drive (its file system is %s)", static_cast<LPCSTR>(target), fileSystem);
        return false;
    }
    return true;
}

} // namespace

bool ResolveScanRoots(const std::vector<CString>& targets, CString& roots, CString& error)
{
    roots.Empty();
    if (targets.empty()) {
        // No letter at all is an ordinary machine, not a broken drive list.
        if (GetLogicalDrives() == 0) {
            error = "No Local NTFS Drives Available";
            return false;
        }
        std::vector<NtfsDrive> drives;
        if (!ListNtfsDrives(drives)) {
            error = "Error Initializing Drive List";
            return false;
        }
        for (const NtfsDrive& drive : drives) {
            if (drive.type == DRIVE_FIXED)
                roots += drive.name + "\\";
        }
        if (roots.IsEmpty()) {
            error = "No Local NTFS Drives Available";
            return false;
        }
        return true;
    }

    for (const CString& target : targets) {
        char letter = DriveLetterOf(target);
        if (!letter)
            letter = LetterOfMountPoint(target, error);
        if (!letter || !CheckNtfsDrive(letter, target, error))
            return false;
        const char root[] = {letter, ':', '\\', '\0'};
        // Naming a drive twice scans it once.
        if (roots.Find(root) < 0)
            roots += root;
    }
    return true;
}

void PrintDriveList(std::FILE* out)
{
    const DWORD mask = GetLogicalDrives();
    if (mask == 0)
        std::fprintf(stderr, "velmora-scan: no drive letters (no NTFS, FAT, CD or network file system is mounted)\n");
    for (int n = 0; n < 26; ++n) {
        if (!(mask & (1u << n)))
            continue;
        const char letter = static_cast<char>('A' + n);
        const char root[] = {letter, ':', '\\', '\0'};
        char fileSystem[256] = {};
        if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem))
            std::snprintf(fileSystem, sizeof fileSystem, "?");
        std::fprintf(out, "%c:  %-9s  %-6s  %s\n", letter, DriveTypeName(GetDriveTypeA(root)), fileSystem,
                     static_cast<LPCSTR>(DeviceTarget(letter)));
    }
}
