// What the command line asks to scan, turned into the engine's root list.
#pragma once

#include "framework/CString.h"

#include <cstdio>
#include <vector>

// `targets` holds drive letters ("C:", "C:\") or mount points; none means every local fixed NTFS
// drive. On success `roots` is "C:\D:\"; otherwise `error` says why.
bool ResolveScanRoots(const std::vector<CString>& targets, CString& roots, CString& error);

// One line per drive letter: letter, drive type, file system, what the letter stands for.
void PrintDriveList(std::FILE* out);
