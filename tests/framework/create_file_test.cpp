// CreateFileA's writing dispositions and the last error each leaves, ReadFile and WriteFile at
// an offset: what the Linux layer must answer as Windows does.
#include "file_support.h"
#include "support/ScopedHandle.h"

#include "winapi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

using vlm::test::Handle;
using vlm::test::ReadWholeFile;
using vlm::test::ScratchFolder;
using vlm::test::WriteWholeFile;

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class CreateFileTest : public ::testing::Test {
protected:
    ScratchFolder m_folder;
};

TEST_F(CreateFileTest, WritingDispositionsOnNewAndExistingFiles)
{
    struct Case {
        const char* label;
        DWORD disposition;
        bool exists;
        DWORD error;            // GetLastError after the call
        bool opens;
        const char* afterwards; // contents after writing "AB"; nullptr: no file
    };
    const Case cases[] = {
        {"create always, new", CREATE_ALWAYS, false, ERROR_SUCCESS, true, "AB"},
        {"create always, existing", CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, true, "AB"},
        {"open always, new", OPEN_ALWAYS, false, ERROR_SUCCESS, true, "AB"},
        {"open always, existing", OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, true, "ABcdef"},
        {"truncate existing, existing", TRUNCATE_EXISTING, true, ERROR_SUCCESS, true, "AB"},
        {"truncate existing, new", TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, false, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = m_folder.Path("file" + std::to_string(n++) + ".txt");
        if (c.exists)
            WriteWholeFile(path, "abcdef");
        SetLastError(12345);
        Handle file(Open(path, GENERIC_WRITE, c.disposition));
        EXPECT_EQ(GetLastError(), c.error);
        ASSERT_EQ(file.Valid(), c.opens);
        if (file.Valid()) {
            DWORD written = 0;
            EXPECT_TRUE(WriteFile(file.value, "AB", 2, &written, nullptr));
            EXPECT_EQ(written, 2u);
        }
        if (c.afterwards) {
            CloseHandle(std::exchange(file.value, INVALID_HANDLE_VALUE));
            EXPECT_EQ(ReadWholeFile(path), c.afterwards);
        } else {
            EXPECT_FALSE(std::filesystem::exists(path));
        }
    }
}

TEST_F(CreateFileTest, AMissingFolderIsPathNotFoundForEveryDisposition)
{
    const std::string path = m_folder.Path("missing/file.txt");
    for (DWORD disposition : {DWORD{CREATE_ALWAYS}, DWORD{OPEN_ALWAYS}, DWORD{TRUNCATE_EXISTING}}) {
        SCOPED_TRACE(disposition);
        Handle file(Open(path, GENERIC_WRITE, disposition));
        EXPECT_FALSE(file.Valid());
        EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
    }
}

TEST_F(CreateFileTest, ReadAndWriteOnOneHandleShareTheFilePosition)
{
    const std::string path = m_folder.Path("both.txt");
    Handle file(Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
    ASSERT_TRUE(file.Valid());
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file.value, "0123456789", 10, &done, nullptr));
    char buffer[8] = {};
    // At the end after writing: nothing to read, and that is success.
    EXPECT_TRUE(ReadFile(file.value, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u);
    // An OVERLAPPED names the offset.
    OVERLAPPED at{};
    at.Offset = 3;
    EXPECT_TRUE(ReadFile(file.value, buffer, 4, &done, &at));
    EXPECT_EQ(std::string(buffer, done), "3456");
    at.Offset = 8;
    EXPECT_TRUE(WriteFile(file.value, "XYZ", 3, &done, &at));
    EXPECT_EQ(done, 3u);
    EXPECT_TRUE(FlushFileBuffers(file.value));
    CloseHandle(std::exchange(file.value, INVALID_HANDLE_VALUE));
    EXPECT_EQ(ReadWholeFile(path), "01234567XYZ");
}

TEST_F(CreateFileTest, AReadOnlyHandleReadsButDoesNotWrite)
{
    const std::string path = m_folder.Path("ro.txt");
    WriteWholeFile(path, "hello");
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.Valid());
    char buffer[16] = {};
    DWORD done = 99;
    EXPECT_FALSE(WriteFile(file.value, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(ReadFile(file.value, buffer, 2, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "he");
    EXPECT_TRUE(ReadFile(file.value, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "llo");
}

TEST_F(CreateFileTest, BadHandlesAreRefused)
{
    char buffer[4];
    DWORD done = 0;
    SetLastError(0);
    EXPECT_FALSE(WriteFile(INVALID_HANDLE_VALUE, "x", 1, &done, nullptr));
    EXPECT_NE(GetLastError(), DWORD{0});
    EXPECT_FALSE(ReadFile(nullptr, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_FALSE(FlushFileBuffers(nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
}

} // namespace
