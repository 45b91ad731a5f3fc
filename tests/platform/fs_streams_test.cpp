// CreateFileA handles and the native stream query on a real NTFS volume: the records the scan
// engine walks, whole and within the caller's buffer.
#include "fs_support.h"
#include "support/NtfsVolume.h"
#include "support/ScopedHandle.h"

#include "winapi.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>
#include <map>
#include <vector>

namespace vlm::test {
namespace {

using QueryFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);

QueryFunction TheQuery()
{
    return reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("ntdll.dll"), "ZwQueryInformationFile")));
}

struct Record {
    std::u16string name;
    LONGLONG size = 0;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& record)
{
    out << '"';
    for (char16_t unit : record.name)
        out << (unit < 0x80 ? static_cast<char>(unit) : '?');
    return out << "\" size " << record.size;
}

struct Answer {
    NTSTATUS status = 0;
    ULONG_PTR information = 0;
    std::vector<Record> records;
};

constexpr std::size_t kGuard = 64;
constexpr BYTE kFill = 0xCC;

// One query into a buffer of exactly `length` bytes with guard bytes behind it; checks that the
// records are well formed and that nothing was written past `length`.
Answer Query(HANDLE file, ULONG length, FILE_INFORMATION_CLASS type = FileStreamInformation)
{
    std::vector<BYTE> buffer(length + kGuard, kFill);
    IO_STATUS_BLOCK io;
    io.Status = 12345;
    io.Information = 0xDEAD;
    Answer answer;
    answer.status = TheQuery()(file, &io, buffer.data(), length, type);
    answer.information = io.Information;
    EXPECT_EQ(io.Status, answer.status);
    for (std::size_t i = length; i < buffer.size(); ++i) {
        if (buffer[i] != kFill) {
            ADD_FAILURE() << "byte " << i << " written past the buffer of " << length;
            break;
        }
    }
    if (answer.information > length) {
        ADD_FAILURE() << "Information " << answer.information << " beyond the buffer of " << length;
        return answer;
    }
    std::size_t offset = 0;
    while (answer.information != 0) {
        FILE_STREAM_INFORMATION header;
        if (offset + offsetof(FILE_STREAM_INFORMATION, StreamName) > answer.information) {
            ADD_FAILURE() << "record at " << offset << " runs past Information";
            break;
        }
        std::memcpy(&header, buffer.data() + offset, offsetof(FILE_STREAM_INFORMATION, StreamName));
        const std::size_t end = offset + offsetof(FILE_STREAM_INFORMATION, StreamName) + header.StreamNameLength;
        if (end > answer.information || header.StreamNameLength % 2 != 0) {
            ADD_FAILURE() << "name of the record at " << offset << " runs past Information";
            break;
        }
        Record record;
        record.name.resize(header.StreamNameLength / 2);
        std::memcpy(record.name.data(), buffer.data() + offset + 24, header.StreamNameLength);
        record.size = header.StreamSize.QuadPart;
        EXPECT_GE(header.StreamAllocationSize.QuadPart, record.size);
        answer.records.push_back(record);
        if (header.NextEntryOffset == 0) {
            EXPECT_EQ(end, answer.information) << "Information ends with the last record";
            break;
        }
        EXPECT_EQ(header.NextEntryOffset % 8, 0u) << "records are 8-byte aligned";
        EXPECT_GE(offset + header.NextEntryOffset, end);
        offset += header.NextEntryOffset;
    }
    return answer;
}

std::u16string Utf16(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), units);
    return out;
}

Record Named(const std::string& stream, LONGLONG size)
{
    return {u":" + Utf16(stream) + u":$DATA", size};
}

// The user.* names as the file system lists them, which is the order the records must have.
std::vector<std::string> StreamOrder(const std::string& path)
{
    char names[65536];
    const ssize_t length = ::llistxattr(path.c_str(), names, sizeof names);
    std::vector<std::string> streams;
    for (ssize_t i = 0; i < length; i += static_cast<ssize_t>(std::strlen(names + i)) + 1) {
        const std::string name = names + i;
        if (name.rfind("user.", 0) == 0)
            streams.push_back(name.substr(5));
    }
    return streams;
}

HANDLE Open(const std::string& name, DWORD access = GENERIC_READ, DWORD disposition = OPEN_EXISTING,
            DWORD flags = FILE_FLAG_BACKUP_SEMANTICS)
{
    return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, flags, nullptr);
}

class StreamsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_volume = NtfsVolume::Create();
        if (!s_volume)
            return;
        NtfsVolume& v = *s_volume;
        v.WriteFile("plain.txt", "hello");
        v.WriteFile("streams.txt", std::string(5000, 's'));
        v.AddStream("streams.txt", "alpha", "12345");
        v.AddStream("streams.txt", "Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
        v.AddStream("streams.txt", "big", std::string(1000, 'b'));
        v.MakeDir("Reports");
        v.AddStream("Reports", "notes", "n");
        v.MakeDir("Empty");
        v.WriteFile("Übersicht – 日本.txt", "u");
        v.AddStream("Übersicht – 日本.txt", "grüße-日本-😀", "abc");
        v.Symlink("streams.txt", "link");
        v.MakeJunction("junction", "Reports");
        ::mkfifo(v.Path("fifo").c_str(), 0644);
        v.MakeDir("Docs");
        v.WriteFile("Docs/a.txt", "a");
    }
    static void TearDownTestSuite() { s_volume.reset(); }

    void SetUp() override
    {
        if (!s_volume)
            GTEST_SKIP() << "no NTFS volume can be mounted here";
        ASSERT_NE(s_volume->Letter(), '\0');
        m_root = s_volume->Root();
        ASSERT_TRUE(SetCurrentDirectoryA(m_root.c_str()));
    }

    static inline std::unique_ptr<NtfsVolume> s_volume;
    std::string m_root;
};

TEST_F(StreamsTest, OpensFilesAndDirectoriesButNeverFollowsALink)
{
    struct Case {
        std::string name;
        DWORD flags;
        DWORD error; // 0: opens
    };
    const Case cases[] = {
        {"plain.txt", FILE_FLAG_BACKUP_SEMANTICS, 0},
        {"plain.txt", 0, 0},
        {"Reports", FILE_FLAG_BACKUP_SEMANTICS, 0},
        {"Reports", 0, ERROR_ACCESS_DENIED}, // as on Windows, directories need backup semantics
        {"missing", FILE_FLAG_BACKUP_SEMANTICS, ERROR_FILE_NOT_FOUND},
        {"link", FILE_FLAG_BACKUP_SEMANTICS, 0},
        {"junction", FILE_FLAG_BACKUP_SEMANTICS, 0},
        {"fifo", FILE_FLAG_BACKUP_SEMANTICS, 0}, // and does not block
        {"Übersicht – 日本.txt", FILE_FLAG_BACKUP_SEMANTICS, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " flags " + std::to_string(c.flags));
        SetLastError(0);
        Handle file(Open(c.name, GENERIC_READ, OPEN_EXISTING, c.flags));
        if (c.error == 0) {
            EXPECT_TRUE(file.Valid()) << GetLastError();
        } else {
            EXPECT_FALSE(file.Valid());
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    // The link's own records: its target's streams are not its own.
    Handle link(Open("link"));
    ASSERT_TRUE(link.Valid());
    const Answer answer = Query(link.value, 8192);
    EXPECT_EQ(answer.status, STATUS_SUCCESS);
    ASSERT_EQ(answer.records.size(), 1u);
    EXPECT_EQ(answer.records[0].name, u"::$DATA");
    EXPECT_EQ(answer.records[0].size, LONGLONG{11}) << "the link's own size: its target's length";
}

TEST_F(StreamsTest, ReadOnlyOpeningsOnly)
{
    SetLastError(0);
    EXPECT_EQ(Open("plain.txt", GENERIC_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_SUPPORTED});
    EXPECT_EQ(Open("new.txt", GENERIC_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_SUPPORTED});
    EXPECT_EQ(Open("plain.txt", GENERIC_READ, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
}

TEST_F(StreamsTest, AFileHasItsUnnamedStreamFirstThenItsNamedOnesInListOrder)
{
    Handle file(Open("streams.txt"));
    ASSERT_TRUE(file.Valid());
    const Answer answer = Query(file.value, 8192);
    EXPECT_EQ(answer.status, STATUS_SUCCESS);
    std::vector<Record> expected = {{u"::$DATA", 5000}};
    const std::map<std::string, LONGLONG> sizes = {{"alpha", 5}, {"Zone.Identifier", 26}, {"big", 1000}};
    for (const std::string& stream : StreamOrder(s_volume->Path("streams.txt")))
        expected.push_back(Named(stream, sizes.at(stream)));
    EXPECT_EQ(expected.size(), 4u);
    EXPECT_EQ(answer.records, expected);

    Handle plain(Open("plain.txt"));
    ASSERT_TRUE(plain.Valid());
    const Answer only = Query(plain.value, 8192);
    EXPECT_EQ(only.status, STATUS_SUCCESS);
    EXPECT_EQ(only.records, (std::vector<Record>{{u"::$DATA", 5}}));
    EXPECT_EQ(only.information, ULONG_PTR{24 + 14});
}

TEST_F(StreamsTest, ADirectoryHasOnlyItsNamedStreams)
{
    Handle reports(Open("Reports"));
    ASSERT_TRUE(reports.Valid());
    const Answer named = Query(reports.value, 8192);
    EXPECT_EQ(named.status, STATUS_SUCCESS);
    EXPECT_EQ(named.records, (std::vector<Record>{Named("notes", 1)}));

    Handle empty(Open("Empty"));
    ASSERT_TRUE(empty.Valid());
    const Answer none = Query(empty.value, 8192);
    EXPECT_EQ(none.status, STATUS_SUCCESS);
    EXPECT_EQ(none.information, ULONG_PTR{0}) << "no streams at all: success with nothing";
}

TEST_F(StreamsTest, NonAsciiFileAndStreamNamesRoundTrip)
{
    Handle file(Open("Übersicht – 日本.txt"));
    ASSERT_TRUE(file.Valid());
    const Answer answer = Query(file.value, 8192);
    EXPECT_EQ(answer.status, STATUS_SUCCESS);
    EXPECT_EQ(answer.records, (std::vector<Record>{{u"::$DATA", 1}, {u":grüße-日本-😀:$DATA", 3}}));
}

TEST_F(StreamsTest, SmallBuffersGetWholeRecordsOrNone)
{
    Handle file(Open("streams.txt"));
    ASSERT_TRUE(file.Valid());
    const Answer full = Query(file.value, 8192);
    ASSERT_EQ(full.status, STATUS_SUCCESS);
    for (ULONG length = 0; length <= full.information + 8; ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        const Answer answer = Query(file.value, length);
        if (length < sizeof(FILE_STREAM_INFORMATION)) {
            EXPECT_EQ(answer.status, STATUS_INFO_LENGTH_MISMATCH);
            EXPECT_EQ(answer.information, ULONG_PTR{0});
        } else if (length < full.information) {
            EXPECT_EQ(answer.status, STATUS_BUFFER_OVERFLOW);
            ASSERT_LT(answer.records.size(), full.records.size());
            EXPECT_EQ(answer.records, std::vector<Record>(full.records.begin(), full.records.begin() + answer.records.size()))
                << "a prefix of the whole answer";
        } else {
            EXPECT_EQ(answer.status, STATUS_SUCCESS);
            EXPECT_EQ(answer.records, full.records);
            EXPECT_EQ(answer.information, full.information);
        }
    }
}

TEST_F(StreamsTest, ManyLongNamesNeedMoreThanTheFirstBuffer)
{
    s_volume->WriteFile("crowded.txt", "c");
    std::map<std::string, LONGLONG> sizes;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "s" + std::to_string(i) + "-" + std::string(200, 'y');
        const std::string value = std::to_string(i);
        s_volume->AddStream("crowded.txt", name, value);
        sizes[name] = static_cast<LONGLONG>(value.size());
    }
    std::vector<Record> expected = {{u"::$DATA", 1}};
    for (const std::string& stream : StreamOrder(s_volume->Path("crowded.txt")))
        expected.push_back(Named(stream, sizes.at(stream)));
    ASSERT_EQ(expected.size(), 41u);
    Handle file(Open("crowded.txt"));
    ASSERT_TRUE(file.Valid());

    const Answer first = Query(file.value, 8192);
    EXPECT_EQ(first.status, STATUS_BUFFER_OVERFLOW);
    EXPECT_GT(first.records.size(), 1u);
    EXPECT_LE(first.information, ULONG_PTR{8192});
    const Answer doubled = Query(file.value, 16384);
    EXPECT_EQ(doubled.status, STATUS_BUFFER_OVERFLOW);
    const Answer enough = Query(file.value, 32768);
    EXPECT_EQ(enough.status, STATUS_SUCCESS);
    EXPECT_EQ(enough.records, expected);
    EXPECT_GT(enough.information, ULONG_PTR{16384});
}

TEST_F(StreamsTest, BadHandlesAndClassesFailWithNothingReported)
{
    Handle file(Open("plain.txt"));
    ASSERT_TRUE(file.Valid());
    EXPECT_EQ(Query(file.value, 8192, static_cast<FILE_INFORMATION_CLASS>(5)).status, STATUS_INVALID_INFO_CLASS);

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("*.*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    const Answer onFind = Query(find, 8192);
    EXPECT_EQ(onFind.status, STATUS_INVALID_HANDLE);
    EXPECT_EQ(onFind.information, ULONG_PTR{0});
    FindClose(find);

    HANDLE closed = Open("plain.txt");
    ASSERT_TRUE(CloseHandle(closed));
    const Answer onClosed = Query(closed, 8192);
    EXPECT_EQ(onClosed.status, STATUS_INVALID_HANDLE);
    EXPECT_EQ(onClosed.information, ULONG_PTR{0});
    EXPECT_EQ(Query(INVALID_HANDLE_VALUE, 8192).status, STATUS_INVALID_HANDLE);
}

TEST_F(StreamsTest, HandlesKnowTheWindowsPathTheyWereOpenedAs)
{
    const auto finalPath = [](HANDLE file) {
        const DWORD size = GetFinalPathNameByHandleA(file, nullptr, 0, 0);
        std::string path(size, '\0');
        const DWORD length = GetFinalPathNameByHandleA(file, path.data(), size, 0);
        EXPECT_EQ(length + 1, size);
        path.resize(length);
        return path;
    };
    const std::string expected = "\\\\?\\" + m_root + "Docs\\a.txt";
    ASSERT_TRUE(SetCurrentDirectoryA("Docs"));
    Handle relative(Open("a.txt"));
    ASSERT_TRUE(relative.Valid());
    EXPECT_EQ(finalPath(relative.value), expected);
    Handle windows(Open(m_root + "Docs\\a.txt"));
    ASSERT_TRUE(windows.Valid());
    EXPECT_EQ(finalPath(windows.value), expected);
    Handle posix(Open(s_volume->Path("Docs/a.txt")));
    ASSERT_TRUE(posix.Valid());
    EXPECT_EQ(finalPath(posix.value), expected);
    EXPECT_EQ(Query(posix.value, 8192).records, (std::vector<Record>{{u"::$DATA", 1}}));
}

// Off NTFS, names can hold anything: the query has to cope with what ntfs-3g never produces.
TEST(StreamsOffNtfs, OtherNamespacesAreSkippedAndUndecodableNamesFailTheQuery)
{
    TempDir dir;
    const std::string good = dir.Write("good", "1234");
    const std::string bad = dir.Write("bad", "");
    ASSERT_EQ(::setxattr(good.c_str(), "user.ok", "v", 1, 0), 0);
    const bool trusted = ::setxattr(good.c_str(), "trusted.hidden", "v", 1, 0) == 0;
    if (::setxattr(bad.c_str(), "user.\xff\xfe", "v", 1, 0) != 0)
        GTEST_SKIP() << "user attributes are not available on /tmp here";

    Handle goodFile(Open(good));
    ASSERT_TRUE(goodFile.Valid());
    const Answer answer = Query(goodFile.value, 8192);
    EXPECT_EQ(answer.status, STATUS_SUCCESS);
    EXPECT_EQ(answer.records, (std::vector<Record>{{u"::$DATA", 4}, {u":ok:$DATA", 1}}))
        << (trusted ? "trusted.* is not a stream" : "");

    Handle badFile(Open(bad));
    ASSERT_TRUE(badFile.Valid());
    const Answer failed = Query(badFile.value, 8192);
    EXPECT_EQ(failed.status, STATUS_OBJECT_NAME_INVALID);
    EXPECT_EQ(failed.information, ULONG_PTR{0});
}

} // namespace
} // namespace vlm::test
