// The Win32 subset the system calls, on Windows: the system's own headers.
//
// Everything above platform/ includes "winapi.h" and compiles unchanged on both targets, so the
// names, values and layouts here are those platform/posix/winapi.h gives on Linux. The real SDK
// headers supply nearly all of it; this file adds the native (ntdll) part with NTSTATUS-typed
// status codes, and routes MessageBoxA and GetProcAddress through the seams of vlm_platform.h.
//
// Narrow strings throughout: the ANSI ("A") functions, never UNICODE.
#pragma once

#ifdef UNICODE
#error "Velmora calls the ANSI functions; build without UNICODE"
#endif

// winnt.h would define a few STATUS_ codes as DWORD; ntstatus.h defines them all as NTSTATUS,
// which is what the engine compares query results with. Hold the first back, take the second.
#if defined(_WINNT_) && !defined(WIN32_NO_STATUS)
#error "include winapi.h before any system header, so that its status codes are NTSTATUS"
#endif
#ifndef WIN32_NO_STATUS
#define WIN32_NO_STATUS
#define VLM_WIN32_NO_STATUS_SET
#endif
#include <windows.h>
#ifdef VLM_WIN32_NO_STATUS_SET
#undef WIN32_NO_STATUS
#undef VLM_WIN32_NO_STATUS_SET
#endif
#include <ntstatus.h>
// IO_STATUS_BLOCK, FILE_INFORMATION_CLASS, FILE_STREAM_INFORMATION, NT_SUCCESS.
#include <winternl.h>

#include <cstddef>

// Windows' find data holds MAX_PATH characters of name (Linux needs more room for UTF-8).
#define VLM_FIND_NAME_CAPACITY MAX_PATH

#ifndef NT_SUCCESS
#define NT_SUCCESS(status) (((NTSTATUS)(status)) >= 0)
#endif

// The record layout and class value the stream inspector relies on; the same as on Linux.
static_assert(FileStreamInformation == 22);
static_assert(offsetof(FILE_STREAM_INFORMATION, StreamName) == 24);
static_assert(sizeof(WCHAR) == 2);
static_assert(STATUS_SUCCESS == 0);
static_assert(STATUS_BUFFER_OVERFLOW == static_cast<NTSTATUS>(0x80000005UL));
static_assert(STATUS_UNSUCCESSFUL == static_cast<NTSTATUS>(0xC0000001UL));
static_assert(STATUS_NOT_IMPLEMENTED == static_cast<NTSTATUS>(0xC0000002UL));
static_assert(STATUS_INVALID_INFO_CLASS == static_cast<NTSTATUS>(0xC0000003UL));
static_assert(STATUS_INFO_LENGTH_MISMATCH == static_cast<NTSTATUS>(0xC0000004UL));
static_assert(STATUS_INVALID_HANDLE == static_cast<NTSTATUS>(0xC0000008UL));
static_assert(STATUS_INVALID_PARAMETER == static_cast<NTSTATUS>(0xC000000DUL));
static_assert(STATUS_NO_MEMORY == static_cast<NTSTATUS>(0xC0000017UL));
static_assert(STATUS_ACCESS_DENIED == static_cast<NTSTATUS>(0xC0000022UL));
static_assert(STATUS_OBJECT_NAME_INVALID == static_cast<NTSTATUS>(0xC0000033UL));
static_assert(STATUS_OBJECT_NAME_NOT_FOUND == static_cast<NTSTATUS>(0xC0000034UL));
static_assert(STATUS_NOT_SUPPORTED == static_cast<NTSTATUS>(0xC00000BBUL));
static_assert(STATUS_FILE_CORRUPT_ERROR == static_cast<NTSTATUS>(0xC0000102UL));

// ---------------------------------------------------------------------------------------------
// The two calls the seams answer (vlm_platform.h). The engine keeps calling them by their own
// names; these wrappers fall through to the real functions when no seam is in use.

int WINAPI vlmMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
FARPROC WINAPI vlmGetProcAddress(HMODULE module, LPCSTR procName);

#ifdef MessageBoxA
#undef MessageBoxA
#endif
#define MessageBoxA vlmMessageBoxA
#define GetProcAddress vlmGetProcAddress

// Dialogs from templates: the real calls, once the common control classes the templates use are
// registered (vlm_dialogs.cpp), as the Linux window layer always has them.
INT_PTR WINAPI vlmDialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                                  LPARAM initParam);
HWND WINAPI vlmCreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                                  LPARAM initParam);

#ifdef DialogBoxParamA
#undef DialogBoxParamA
#endif
#ifdef CreateDialogParamA
#undef CreateDialogParamA
#endif
#define DialogBoxParamA vlmDialogBoxParamA
#define CreateDialogParamA vlmCreateDialogParamA
