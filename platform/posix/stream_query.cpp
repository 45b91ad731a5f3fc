// ZwQueryInformationFile(FileStreamInformation) from an entry's extended attributes.
//
// ntfs-3g (streams_interface=xattr, its default) shows each named data stream NAME as the
// attribute user.NAME; the unnamed stream is the file's own contents. This runs once for every
// entry of a scan, through FUSE, so it costs one listxattr and, per named stream, one getxattr
// for the size; nothing else goes to the file system (the type and size came with the open).
#include "stream_query.h"

#include "errno_codes.h"
#include "files.h"
#include "utf8_utf16.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace vlm::posix {
namespace {

constexpr std::string_view kUserPrefix = "user.";
constexpr std::size_t kNameOffset = offsetof(FILE_STREAM_INFORMATION, StreamName);
constexpr std::u16string_view kDataSuffix = u":$DATA";

// The attribute list, in a stack buffer when it fits (the usual case), else on the heap.
class AttributeList {
public:
    // False with errno set on failure.
    bool Read(const char* path)
    {
        ssize_t got = ::listxattr(path, m_small, sizeof m_small);
        if (got >= 0) {
            m_names = std::string_view(m_small, static_cast<std::size_t>(got));
            return true;
        }
        // The list grew past the stack buffer, or grows between asking its size and reading it.
        while (errno == ERANGE) {
            const ssize_t size = ::listxattr(path, nullptr, 0);
            if (size < 0)
                return false;
            m_large.resize(static_cast<std::size_t>(size) + 1);
            got = ::listxattr(path, m_large.data(), m_large.size());
            if (got >= 0) {
                m_names = std::string_view(m_large.data(), static_cast<std::size_t>(got));
                return true;
            }
        }
        return false;
    }

    // Calls f(name) for each NUL-terminated name; stops early when f returns false.
    template <class F>
    bool ForEach(F f) const
    {
        std::string_view rest = m_names;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\0');
            const std::string_view name = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            if (!name.empty() && !f(name))
                return false;
        }
        return true;
    }

private:
    char m_small[4096];
    std::vector<char> m_large;
    std::string_view m_names;
};

// Lays records into the caller's buffer, whole records only, never past its end.
class RecordWriter {
public:
    RecordWriter(PVOID buffer, ULONG length) : m_buffer(static_cast<BYTE*>(buffer)), m_length(length) {}

    // False once a record does not fit; nothing more is written after that.
    bool Add(std::u16string_view name, LONGLONG size, LONGLONG allocation)
    {
        if (m_full)
            return false;
        const std::size_t start = m_used == 0 ? 0 : Align(m_used);
        const std::size_t nameBytes = name.size() * sizeof(WCHAR);
        if (start + kNameOffset + nameBytes > m_length) {
            m_full = true;
            return false;
        }
        if (m_used != 0) {
            std::memset(m_buffer + m_used, 0, start - m_used);
            Put32(m_last, static_cast<ULONG>(start - m_last));
        }
        Put32(start, 0);
        Put32(start + 4, static_cast<ULONG>(nameBytes));
        Put64(start + 8, size);
        Put64(start + 16, allocation);
        // Little-endian UTF-16, written byte-wise: the caller's buffer need not be aligned.
        BYTE* out = m_buffer + start + kNameOffset;
        for (char16_t unit : name) {
            *out++ = static_cast<BYTE>(unit & 0xFF);
            *out++ = static_cast<BYTE>(unit >> 8);
        }
        m_last = start;
        m_used = start + kNameOffset + nameBytes;
        return true;
    }

    bool Full() const { return m_full; }
    std::size_t Used() const { return m_used; }

private:
    static std::size_t Align(std::size_t offset) { return (offset + 7) & ~std::size_t{7}; }
    void Put32(std::size_t at, ULONG value)
    {
        for (int i = 0; i < 4; ++i)
            m_buffer[at + i] = static_cast<BYTE>(value >> (8 * i));
    }
    void Put64(std::size_t at, LONGLONG value)
    {
        const auto bits = static_cast<ULONGLONG>(value);
        for (int i = 0; i < 8; ++i)
            m_buffer[at + i] = static_cast<BYTE>(bits >> (8 * i));
    }

    BYTE* m_buffer;
    std::size_t m_length;
    std::size_t m_used = 0;
    std::size_t m_last = 0;
    bool m_full = false;
};

NTSTATUS Complete(PIO_STATUS_BLOCK ioStatusBlock, NTSTATUS status, std::size_t information)
{
    ioStatusBlock->Status = status;
    ioStatusBlock->Information = information;
    return status;
}

// ":NAME:$DATA" in UTF-16; false when NAME is not valid UTF-8 (no NTFS name could give it).
bool StreamRecordName(std::string_view name, std::u16string& out)
{
    if (!IsValidUtf8(name))
        return false;
    out.assign(1, u':');
    out += Utf8ToUtf16(name);
    out += kDataSuffix;
    return true;
}

} // namespace

NTSTATUS NTAPI QueryInformationFile(HANDLE fileHandle, PIO_STATUS_BLOCK ioStatusBlock, PVOID fileInformation,
                                    ULONG length, FILE_INFORMATION_CLASS fileInformationClass)
{
    if (!ioStatusBlock)
        return STATUS_INVALID_PARAMETER;
    if (fileInformationClass != FileStreamInformation)
        return Complete(ioStatusBlock, STATUS_INVALID_INFO_CLASS, 0);
    if (length < sizeof(FILE_STREAM_INFORMATION))
        return Complete(ioStatusBlock, STATUS_INFO_LENGTH_MISMATCH, 0);
    if (!fileInformation)
        return Complete(ioStatusBlock, STATUS_INVALID_PARAMETER, 0);
    const auto file = LookupHandleAs<FileObject>(fileHandle);
    if (!file)
        return Complete(ioStatusBlock, STATUS_INVALID_HANDLE, 0);

    AttributeList attributes;
    if (!attributes.Read(file->ProcPath())) {
        // A file system without extended attributes still has the unnamed stream.
        if (errno != ENOTSUP)
            return Complete(ioStatusBlock, NtStatusFromErrno(errno), 0);
    }

    RecordWriter writer(fileInformation, length);
    // Directories have no unnamed data stream on NTFS.
    if (!S_ISDIR(file->Mode())) {
        // A block count the kernel has not caught up with yet never makes the allocation
        // smaller than the data.
        const LONGLONG size = file->Size();
        const LONGLONG allocation = std::max<LONGLONG>(static_cast<LONGLONG>(file->Blocks()) * 512, (size + 4095) & ~LONGLONG{4095});
        writer.Add(u"::$DATA", size, allocation);
    }

    NTSTATUS failure = STATUS_SUCCESS;
    std::u16string recordName;
    std::string attributeName;
    attributes.ForEach([&](std::string_view name) {
        if (!name.starts_with(kUserPrefix))
            return true;
        const std::string_view stream = name.substr(kUserPrefix.size());
        // An undecodable name fails the whole query, as ntfs-3g fails for a stream name it
        // cannot convert.
        if (!StreamRecordName(stream, recordName)) {
            failure = STATUS_OBJECT_NAME_INVALID;
            return false;
        }
        if (writer.Full())
            return true; // keep checking names: a bad one fails the query even when it overflows
        attributeName.assign(name);
        ssize_t size = ::getxattr(file->ProcPath(), attributeName.c_str(), nullptr, 0);
        if (size < 0) {
            // Gone since the list was read, or a link, whose user attributes the kernel hides.
            if (errno != ENODATA) {
                failure = NtStatusFromErrno(errno);
                return false;
            }
            size = 0;
        }
        writer.Add(recordName, size, (size + 7) & ~ssize_t{7});
        return true;
    });
    if (failure != STATUS_SUCCESS)
        return Complete(ioStatusBlock, failure, 0);
    return Complete(ioStatusBlock, writer.Full() ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS, writer.Used());
}

} // namespace vlm::posix
