// The scan engine: a worker thread walks volumes depth-first and reports every named data stream
// to a window through the WM_SCAN_* notices.
#pragma once

#include "scan/ScanJob.h"
#include "winapi.h"

// Entries inspected and entries with at least one alternate data stream, during the current scan.
// Written by the worker thread only.
extern int g_filesScanned;
extern int g_adsFiles;

// Thread entry; the parameter is a ScanJob*. Returns 1, or 0 when the native query is missing.
// Always posts WM_SCAN_COMPLETE to the job's window before it returns.
DWORD WINAPI ScanThreadProc(LPVOID parameter);

// Walks the current directory and everything below it; returns with the parent directory current.
void ScanDirectory(HWND hwndNotify, HANDLE hRunEvent);

// Inspects one entry of the current directory. dirPath is only used in report lines.
void ScanFileStreams(LPCSTR dirPath, LPCSTR name, HWND hwndNotify, HANDLE hRunEvent);
