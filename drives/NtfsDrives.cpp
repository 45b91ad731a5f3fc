#include "drives/NtfsDrives.h"

#include <cstring>
#include <strings.h>

BOOL IsNtfsFileSystem(LPCSTR fileSystemName)
{
    return fileSystemName && strncasecmp(fileSystemName, "NTFS", 4) == 0;
}

BOOL ListNtfsDrives(std::vector<NtfsDrive>& drives)
{
    DWORD mask = GetLogicalDrives();
    if (mask == 0)
        return FALSE;

    char root[] = "?:\\";
    for (int n = 0; n < 26 && mask != 0; ++n, mask >>= 1) {
        if (!(mask & 1))
            continue;
        root[0] = static_cast<char>('A' + n);
        const UINT type = GetDriveTypeA(root);
        if (type != DRIVE_FIXED && type != DRIVE_REMOTE)
            continue;
        char fileSystem[256] = {};
        if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem))
            return FALSE;
        if (IsNtfsFileSystem(fileSystem))
            drives.push_back({CString(root, 2), type});
    }
    return TRUE;
}
