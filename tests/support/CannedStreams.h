// Replaces the native stream query with canned answers, keyed by the entry's path below the
// tree's root ("dir\file"), so tests can give the engine any records, statuses and byte counts,
// including broken ones. Entries without an answer report success with no records.
#pragma once

#include "winapi.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vlm::test {

struct CannedAnswer {
    // A constructor rather than an aggregate, so that {status, bytes, information} leaves the
    // rest at their defaults without -Wmissing-field-initializers.
    CannedAnswer(NTSTATUS status_ = STATUS_SUCCESS, std::vector<BYTE> bytes_ = {}, ULONG_PTR information_ = 0,
                 ULONG overflowBelow_ = 0, std::function<void()> onQuery_ = {})
        : status(status_), bytes(std::move(bytes_)), information(information_), overflowBelow(overflowBelow_),
          onQuery(std::move(onQuery_))
    {
    }

    NTSTATUS status;
    std::vector<BYTE> bytes;       // copied into the caller's buffer, as far as it reaches
    ULONG_PTR information;         // the byte count reported in the status block
    ULONG overflowBelow;           // buffers smaller than this answer STATUS_BUFFER_OVERFLOW
    std::function<void()> onQuery; // runs, on the worker, at every query of the entry
};

class CannedStreams {
public:
    CannedStreams();  // installs the replacement for "ZwQueryInformationFile"
    ~CannedStreams(); // puts the real one back

    CannedStreams(const CannedStreams&) = delete;
    CannedStreams& operator=(const CannedStreams&) = delete;

    void Answer(const std::string& relativePath, CannedAnswer answer);
    // Well-formed records for these stream names (":name:$DATA" or "::$DATA"), 8-byte aligned.
    static std::vector<BYTE> Records(const std::vector<std::u16string>& names);
    // Buffer sizes the query was called with for the entry, in order.
    std::vector<ULONG> BufferSizes(const std::string& relativePath) const;

private:
    static NTSTATUS NTAPI Query(HANDLE file, PIO_STATUS_BLOCK ioStatus, PVOID buffer, ULONG length,
                                FILE_INFORMATION_CLASS informationClass);
    const CannedAnswer* Find(const std::string& finalPath, std::string& key) const;

    mutable std::mutex m_mutex;
    std::map<std::string, CannedAnswer> m_answers;
    std::map<std::string, std::vector<ULONG>> m_calls;
};

} // namespace vlm::test
