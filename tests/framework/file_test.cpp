// CFile over CreateFileA / WriteFile / ReadFile, and those calls themselves, on a plain folder:
// the same expectations hold on Linux (our layer) and on Windows (the real API under Wine).
#include "file_support.h"

#include "framework/CFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using vlm::test::ReadWholeFile;
using vlm::test::ScratchFolder;
using vlm::test::WriteWholeFile;

namespace {

constexpr UINT kSaveFlags = CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive;

class FileTest : public ::testing::Test {
protected:
    ScratchFolder m_folder;
};

TEST_F(FileTest, SavingCreatesTheFileWithExactlyTheBytesWritten)
{
    const std::string path = m_folder.Path("AdsScan.txt");
    // CR LF and a NUL stay as they are: the file is written in binary.
    const std::string text("Beginning Scan of C:\r\n!!! ADS FOUND !!!\r\n\0tail", 44);
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), kSaveFlags));
    file.Write(text.data(), 20);
    file.Write(text.data() + 20, static_cast<UINT>(text.size() - 20));
    file.Close();
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    EXPECT_EQ(ReadWholeFile(path), text);
}

TEST_F(FileTest, NothingWrittenLeavesAnEmptyFile)
{
    const std::string path = m_folder.Path("empty.txt");
    {
        CFile file(path.c_str(), kSaveFlags);
        file.Write("", 0);
        file.Close();
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(FileTest, SavingOverALongerFileReplacesAllOfIt)
{
    const std::string path = m_folder.Path("old.txt");
    WriteWholeFile(path, std::string(10000, 'o'));
    CFile file(path.c_str(), kSaveFlags);
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "new");
}

TEST_F(FileTest, NoTruncateKeepsWhatIsNotOverwritten)
{
    const std::string path = m_folder.Path("keep.txt");
    WriteWholeFile(path, "abcdef");
    CFile file(path.c_str(), kSaveFlags | CFile::modeNoTruncate);
    file.Write("XY", 2);
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "XYcdef");
}

TEST_F(FileTest, ADestroyedFileObjectClosesItsFile)
{
    const std::string path = m_folder.Path("scoped.txt");
    {
        CFile file(path.c_str(), kSaveFlags);
        file.Write("12345", 5);
    }
    // Closed: it can be replaced and removed again (Windows refuses either while it is open
    // without sharing).
    EXPECT_EQ(ReadWholeFile(path), "12345");
    CFile again(path.c_str(), kSaveFlags);
    again.Close();
    EXPECT_TRUE(std::filesystem::remove(path));
}

TEST_F(FileTest, ReadingReturnsTheContentsThenZeroAtTheEnd)
{
    const std::string path = m_folder.Path("read.txt");
    WriteWholeFile(path, "0123456789");
    CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
}

TEST_F(FileTest, FailuresToOpenNameTheCauseAndTheFile)
{
    WriteWholeFile(m_folder.Path("plain.txt"), "x");
    std::filesystem::create_directory(m_folder.Path("folder"));
    struct Case {
        std::string name;
        UINT flags;
        int cause;
        LONG osError;
    };
    const Case cases[] = {
        {"missing-folder/AdsScan.txt", kSaveFlags, CFileException::badPath, ERROR_PATH_NOT_FOUND},
        {"plain.txt/below.txt", kSaveFlags, CFileException::badPath, ERROR_PATH_NOT_FOUND},
        {"missing.txt", CFile::modeRead, CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
        {"folder", kSaveFlags, CFileException::accessDenied, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_folder.Path(c.name);
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(path.c_str(), c.flags, &error));
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);
        EXPECT_EQ(error.m_cause, c.cause);
        EXPECT_EQ(error.m_lOsError, c.osError);
        EXPECT_STREQ(error.m_strFileName, path.c_str());
        char message[256];
        EXPECT_TRUE(error.GetErrorMessage(message, sizeof message));
        EXPECT_NE(std::string(message).find(path), std::string::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(m_folder.Path("missing-folder")));
}

TEST_F(FileTest, TheOpeningConstructorThrowsByValue)
{
    const std::string path = m_folder.Path("missing-folder/AdsScan.txt");
    bool caught = false;
    try {
        CFile file(path.c_str(), kSaveFlags);
        ADD_FAILURE() << "opened a file in a folder that does not exist";
    } catch (const CException& e) {
        // Reachable through the base class too, as a handler that discards every file error is.
        const auto* fileError = dynamic_cast<const CFileException*>(&e);
        ASSERT_NE(fileError, nullptr);
        EXPECT_EQ(fileError->m_cause, CFileException::badPath);
        caught = true;
    }
    EXPECT_TRUE(caught);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileTest, WritingAFileOpenedForReadingThrowsAccessDenied)
{
    const std::string path = m_folder.Path("readonly.txt");
    WriteWholeFile(path, "keep");
    CFile file(path.c_str(), CFile::modeRead);
    try {
        file.Write("x", 1);
        ADD_FAILURE() << "wrote through a read-only handle";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::accessDenied);
        EXPECT_EQ(e.m_lOsError, ERROR_ACCESS_DENIED);
    }
    try {
        file.Flush();
        ADD_FAILURE() << "flushed a read-only handle";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_lOsError, ERROR_ACCESS_DENIED);
    }
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "keep");
}

TEST_F(FileTest, ClosingTwiceIsHarmlessAndAnAttachedHandleStaysTheCallers)
{
    const std::string path = m_folder.Path("attached.txt");
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    {
        CFile attached(handle);
        attached.Write("abc", 3);
    }
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(handle, "def", 3, &written, nullptr)) << "the wrapper closed a handle it did not open";
    EXPECT_EQ(written, 3u);
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_EQ(ReadWholeFile(path), "abcdef");

    CFile file(path.c_str(), CFile::modeRead);
    file.Close();
    file.Close();
    file.Abort();
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
}

TEST(FileNameTest, IsTheLastComponentOfThePath)
{
    struct Case {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\Docs\\AdsScan.txt", "AdsScan.txt"},
        {"/tmp/results/AdsScan.txt", "AdsScan.txt"},
        {"C:AdsScan.txt", "AdsScan.txt"},
        {"AdsScan.txt", "AdsScan.txt"},
        {"C:\\Docs\\", ""},
    };
    for (const Case& c : cases) {
        CFile file;
        CFileException ignored;
        file.Open(c.path, CFile::modeRead, &ignored); // fails; the name is kept all the same
        EXPECT_STREQ(file.GetFilePath(), c.path);
        EXPECT_STREQ(file.GetFileName(), c.name) << c.path;
    }
}

} // namespace
