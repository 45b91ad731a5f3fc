// The NTFS drives the machine offers for scanning: fixed and network drives whose file system
// is NTFS, in drive-letter order.
#pragma once

#include "framework/CString.h"
#include "winapi.h"

#include <vector>

struct NtfsDrive {
    CString name; // two characters: "C:"
    UINT type;    // DRIVE_FIXED or DRIVE_REMOTE
};

// Appends the NTFS drives to `drives`. FALSE when the drive mask is empty or a drive's volume
// cannot be read; the drives found before that stay in `drives`.
BOOL ListNtfsDrives(std::vector<NtfsDrive>& drives);

// TRUE when `fileSystemName` names NTFS (its first four characters, in any case).
BOOL IsNtfsFileSystem(LPCSTR fileSystemName);
