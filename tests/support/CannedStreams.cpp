#include "support/CannedStreams.h"

#include "vlm_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace vlm::test {
namespace {

// The one set of answers in force; the replaced export has no context of its own.
CannedStreams* s_current = nullptr;

bool EndsWithPath(const std::string& path, const std::string& relative)
{
    // Compare without regard to case: Windows may hand back the path in another case.
    if (path.size() < relative.size() + 1)
        return false;
    const size_t start = path.size() - relative.size();
    if (path[start - 1] != '\\')
        return false;
    for (size_t i = 0; i < relative.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(path[start + i])) != std::tolower(static_cast<unsigned char>(relative[i])))
            return false;
    }
    return true;
}

std::string ToBackslashes(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

} // namespace

CannedStreams::CannedStreams()
{
    s_current = this;
    OverrideExport("ntdll.dll", "ZwQueryInformationFile", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CannedStreams::Query)));
}

CannedStreams::~CannedStreams()
{
    ClearExportOverrides();
    s_current = nullptr;
}

void CannedStreams::Answer(const std::string& relativePath, CannedAnswer answer)
{
    std::lock_guard lock(m_mutex);
    m_answers[ToBackslashes(relativePath)] = std::move(answer);
}

std::vector<ULONG> CannedStreams::BufferSizes(const std::string& relativePath) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_calls.find(ToBackslashes(relativePath));
    return it == m_calls.end() ? std::vector<ULONG>{} : it->second;
}

std::vector<BYTE> CannedStreams::Records(const std::vector<std::u16string>& names)
{
    std::vector<BYTE> bytes;
    size_t previous = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t start = (bytes.size() + 7) & ~size_t{7};
        if (i > 0) {
            const ULONG next = static_cast<ULONG>(start - previous);
            std::memcpy(bytes.data() + previous, &next, sizeof next);
        }
        bytes.resize(start + 24 + names[i].size() * 2, 0);
        const ULONG nameBytes = static_cast<ULONG>(names[i].size() * 2);
        std::memcpy(bytes.data() + start + 4, &nameBytes, sizeof nameBytes);
        std::memcpy(bytes.data() + start + 24, names[i].data(), nameBytes);
        previous = start;
    }
    return bytes;
}

const CannedAnswer* CannedStreams::Find(const std::string& finalPath, std::string& key) const
{
    for (const auto& [relative, answer] : m_answers) {
        if (EndsWithPath(finalPath, relative)) {
            key = relative;
            return &answer;
        }
    }
    return nullptr;
}

NTSTATUS NTAPI CannedStreams::Query(HANDLE file, PIO_STATUS_BLOCK ioStatus, PVOID buffer, ULONG length,
                                    FILE_INFORMATION_CLASS informationClass)
{
    if (!s_current || informationClass != FileStreamInformation)
        return STATUS_INVALID_INFO_CLASS;
    char finalPath[4096] = {};
    if (!GetFinalPathNameByHandleA(file, finalPath, sizeof finalPath, 0)) {
        ADD_FAILURE() << "GetFinalPathNameByHandleA failed: " << GetLastError();
        return STATUS_INVALID_HANDLE;
    }

    std::function<void()> onQuery;
    {
        std::lock_guard lock(s_current->m_mutex);
        std::string key;
        if (const CannedAnswer* answer = s_current->Find(finalPath, key))
            onQuery = answer->onQuery;
    }
    if (onQuery)
        onQuery();

    std::lock_guard lock(s_current->m_mutex);
    std::string key;
    const CannedAnswer* answer = s_current->Find(finalPath, key);
    if (!answer) {
        ioStatus->Status = STATUS_SUCCESS;
        ioStatus->Information = 0;
        return STATUS_SUCCESS;
    }
    s_current->m_calls[key].push_back(length);
    if (length < answer->overflowBelow) {
        ioStatus->Status = STATUS_BUFFER_OVERFLOW;
        ioStatus->Information = 0;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (!answer->bytes.empty())
        std::memcpy(buffer, answer->bytes.data(), std::min<size_t>(answer->bytes.size(), length));
    ioStatus->Status = answer->status;
    ioStatus->Information = answer->information;
    return answer->status;
}

} // namespace vlm::test
