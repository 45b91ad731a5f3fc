// Saving onto a real NTFS volume (ntfs-3g): by a name relative to the layer's current directory
// and by a drive-lettered path, and the saved file is then an ordinary entry for the scan.
#include "file_support.h"
#include "support/NtfsVolume.h"

#include "framework/CFile.h"
#include "winapi.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vlm::test {
namespace {

class NtfsSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_volume = NtfsVolume::Create();
        if (!m_volume)
            GTEST_SKIP() << "no NTFS volume can be mounted here";
        ASSERT_NE(m_volume->Letter(), '\0');
        m_volume->MakeDir("Docs");
        ASSERT_TRUE(SetCurrentDirectoryA(m_volume->Root().c_str()));
        ASSERT_TRUE(SetCurrentDirectoryA("Docs"));
    }
    void TearDown() override
    {
        // Let go of the volume before it is unmounted.
        if (m_volume)
            SetCurrentDirectoryA(m_volume->Root().c_str());
    }

    std::unique_ptr<NtfsVolume> m_volume;
};

TEST_F(NtfsSaveTest, ARelativeNameIsSavedInTheCurrentDirectory)
{
    constexpr UINT flags = CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive;
    {
        CFile file("AdsScan.txt", flags);
        file.Write("line\r\n", 6);
        file.Close();
    }
    EXPECT_EQ(ReadWholeFile(m_volume->Path("Docs/AdsScan.txt")), "line\r\n");

    // And again by its lettered path, which replaces it.
    const std::string lettered = m_volume->Root() + "Docs\\AdsScan.txt";
    HANDLE handle = CreateFileA(lettered.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    char path[MAX_PATH];
    ASSERT_GT(GetFinalPathNameByHandleA(handle, path, sizeof path, 0), 0u);
    EXPECT_EQ(std::string(path), "\\\\?\\" + lettered);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(handle, "ab", 2, &written, nullptr));
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_EQ(ReadWholeFile(m_volume->Path("Docs/AdsScan.txt")), "ab");

    // The walk lists it like any other file.
    WIN32_FIND_DATAA found{};
    HANDLE find = FindFirstFileA("*.*", &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    bool listed = false;
    do {
        if (std::string(found.cFileName) == "AdsScan.txt")
            listed = true;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_TRUE(listed);
}

} // namespace
} // namespace vlm::test
