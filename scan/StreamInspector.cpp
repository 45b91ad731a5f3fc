#include "scan/NativeFunctions.h"
#include "scan/RunFlag.h"
#include "scan/ScanEngine.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

int g_filesScanned = 0;
int g_adsFiles = 0;

namespace {

constexpr ULONG kFirstQueryBufferSize = 8192;
constexpr ULONG kRecordHeaderSize = offsetof(FILE_STREAM_INFORMATION, StreamName);
// The unnamed default stream, as NTFS names it.
constexpr char16_t kDefaultStreamName[] = u"::$DATA";
constexpr ULONG kDefaultStreamNameBytes = 14;

void SendReport(HWND hwndNotify, HANDLE hRunEvent, const CString& line, LPARAM highlight)
{
    if (IsRunFlagSet(hRunEvent))
        SendMessage(hwndNotify, WM_SCAN_OUTPUT, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(line)), highlight);
}

ULONG ReadUlong(const BYTE* at)
{
    ULONG value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The stream name in the ANSI code page, converted into a block of the size the conversion
// needs, so names that take more bytes than UTF-16 units come out whole. Null when out of memory.
std::unique_ptr<char[]> ConvertStreamName(const BYTE* name, ULONG nameBytes)
{
    const int units = static_cast<int>(nameBytes / sizeof(WCHAR));
    // Records may sit at any offset a broken listing gives; copy the units out before use.
    std::unique_ptr<WCHAR[]> wide(new (std::nothrow) WCHAR[units + 1]);
    if (!wide)
        return nullptr;
    std::memcpy(wide.get(), name, static_cast<size_t>(units) * sizeof(WCHAR));
    const int needed = units > 0 ? WideCharToMultiByte(CP_ACP, 0, wide.get(), units, nullptr, 0, nullptr, nullptr) : 0;
    std::unique_ptr<char[]> converted(new (std::nothrow) char[needed + 1]());
    if (converted && needed > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.get(), units, converted.get(), needed, nullptr, nullptr);
    return converted;
}

// Reports every named stream among the records in the first `used` bytes of `buffer`; true when
// there was at least one. A record that reaches or points past those bytes ends the walk.
bool ReportNamedStreams(const BYTE* buffer, ULONG used, LPCSTR dirPath, LPCSTR name, HWND hwndNotify,
                        HANDLE hRunEvent, CString& report)
{
    bool found = false;
    ULONG offset = 0;
    for (;;) {
        if (!IsRunFlagSet(hRunEvent))
            break;
        if (used - offset < kRecordHeaderSize)
            break;
        const BYTE* record = buffer + offset;
        const ULONG next = ReadUlong(record + offsetof(FILE_STREAM_INFORMATION, NextEntryOffset));
        const ULONG nameBytes = ReadUlong(record + offsetof(FILE_STREAM_INFORMATION, StreamNameLength));
        if (nameBytes > used - offset - kRecordHeaderSize)
            break;
        const BYTE* streamName = record + kRecordHeaderSize;

        const bool isDefault = nameBytes == kDefaultStreamNameBytes &&
                               std::memcmp(streamName, kDefaultStreamName, kDefaultStreamNameBytes) == 0;
        if (!isDefault) {
            if (std::unique_ptr<char[]> converted = ConvertStreamName(streamName, nameBytes)) {
                report.Format("!!! ADS FOUND !!! Name=%s File=%s\\%s\r\n", converted.get(), dirPath, name);
                SendReport(hwndNotify, hRunEvent, report, 1);
                found = true;
            }
        }

        if (next == 0 || next > used - offset)
            break;
        offset += next;
    }
    return found;
}

} // namespace

void ScanFileStreams(LPCSTR dirPath, LPCSTR name, HWND hwndNotify, HANDLE hRunEvent)
{
    if (!IsRunFlagSet(hRunEvent))
        return;

    CString report;
    ++g_filesScanned;

    ULONG bufferSize = kFirstQueryBufferSize;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[bufferSize]);
    if (!buffer)
        return;

    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        report.Format("Warning: Open File Failed for %s\\%s\r\n", dirPath, name);
        SendReport(hwndNotify, hRunEvent, report, 0);
        return;
    }

    IO_STATUS_BLOCK ioStatus{};
    NTSTATUS status = g_pZwQueryInformationFile(file, &ioStatus, buffer.get(), bufferSize, FileStreamInformation);
    bool abandoned = false;
    while (status == STATUS_INFO_LENGTH_MISMATCH || status == STATUS_BUFFER_OVERFLOW) {
        if (!IsRunFlagSet(hRunEvent) || bufferSize > 0x7FFFFFFFUL) {
            abandoned = true;
            break;
        }
        Sleep(500);
        buffer.reset();
        bufferSize *= 2;
        buffer.reset(new (std::nothrow) BYTE[bufferSize]);
        if (!buffer) {
            abandoned = true;
            break;
        }
        ioStatus = IO_STATUS_BLOCK{};
        status = g_pZwQueryInformationFile(file, &ioStatus, buffer.get(), bufferSize, FileStreamInformation);
    }

    bool hasAlternateStreams = false;
    if (!abandoned) {
        // A failed query is reported whatever byte count came with it; only a successful query
        // without records is silent.
        if (!NT_SUCCESS(status)) {
            report.Format("Warning: Error retrieving stream info for %s\\%s\r\n", dirPath, name);
            SendReport(hwndNotify, hRunEvent, report, 0);
        } else {
            const ULONG used = static_cast<ULONG>(std::min<ULONG_PTR>(ioStatus.Information, bufferSize));
            if (used > 0)
                hasAlternateStreams = ReportNamedStreams(buffer.get(), used, dirPath, name, hwndNotify, hRunEvent, report);
        }
    }

    CloseHandle(file);
    if (hasAlternateStreams)
        ++g_adsFiles;
}
