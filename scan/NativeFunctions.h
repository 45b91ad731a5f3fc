// ntdll's stream query, resolved at run time.
#pragma once

#include "winapi.h"

using PFN_ZwQueryInformationFile = NTSTATUS(NTAPI*)(HANDLE fileHandle, PIO_STATUS_BLOCK ioStatusBlock,
                                                    PVOID fileInformation, ULONG length,
                                                    FILE_INFORMATION_CLASS fileInformationClass);

extern PFN_ZwQueryInformationFile g_pZwQueryInformationFile;

// TRUE when the query function was found; the library stays loaded for the process's life.
BOOL LoadNativeFunctions();
