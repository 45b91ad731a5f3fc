// The layer's native stream query, exported by its "ntdll.dll" module.
#pragma once

#include "winapi.h"

namespace vlm::posix {

// ZwQueryInformationFile for FileStreamInformation: the entry's named data streams are its
// `user.*` extended attributes, which is how ntfs-3g shows NTFS alternate data streams.
NTSTATUS NTAPI QueryInformationFile(HANDLE fileHandle, PIO_STATUS_BLOCK ioStatusBlock, PVOID fileInformation,
                                    ULONG length, FILE_INFORMATION_CLASS fileInformationClass);

} // namespace vlm::posix
