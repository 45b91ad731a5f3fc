// Listings of the current directory on a real NTFS volume.
#include "fs_support.h"
#include "support/NtfsVolume.h"

#include "winapi.h"

#include <dirent.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <vector>

namespace vlm::test {
namespace {

struct Entry {
    std::string name;
    DWORD attributes;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& entry)
{
    return out << entry.name << " (0x" << std::hex << entry.attributes << std::dec << ")";
}

// A whole listing through the Win32 calls; checks the end-of-listing contract on the way.
std::vector<Entry> List(const char* pattern = "*.*")
{
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do
        entries.push_back({data.cFileName, data.dwFileAttributes});
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NO_MORE_FILES});
    EXPECT_FALSE(FindNextFileA(find, &data)) << "the end stays the end";
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NO_MORE_FILES});
    EXPECT_TRUE(FindClose(find));
    return entries;
}

std::vector<std::string> Names(const std::vector<Entry>& entries)
{
    std::vector<std::string> names;
    for (const Entry& entry : entries)
        names.push_back(entry.name);
    return names;
}

// The order the file system itself returns, without "." and "..".
std::vector<std::string> ReaddirOrder(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

class FindFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_volume = NtfsVolume::Create();
        if (!s_volume)
            return;
        NtfsVolume& v = *s_volume;
        v.WriteFile("zeta.txt", "z");
        v.MakeDir("Docs");
        v.WriteFile("Docs/inside.txt");
        v.MakeDir("Docs/Deeper");
        v.WriteFile("alpha.TXT");
        v.Symlink("zeta.txt", "link-to-file");
        v.Symlink("Docs", "link-to-dir");
        v.Symlink("nowhere", "dangling");
        v.MakeJunction("junction", "Docs");
        v.WriteFile("Übersicht – 日本.txt");
        ::mkfifo(v.Path("fifo").c_str(), 0644);
    }
    static void TearDownTestSuite() { s_volume.reset(); }

    void SetUp() override
    {
        if (!s_volume)
            GTEST_SKIP() << "no NTFS volume can be mounted here";
        ASSERT_NE(s_volume->Letter(), '\0');
        ASSERT_TRUE(SetCurrentDirectoryA(s_volume->Root().c_str()));
    }

    static inline std::unique_ptr<NtfsVolume> s_volume;
};

TEST_F(FindFilesTest, ListsDotsFirstThenTheFileSystemsOwnOrder)
{
    const std::vector<Entry> entries = List();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], (Entry{".", FILE_ATTRIBUTE_DIRECTORY}));
    EXPECT_EQ(entries[1], (Entry{"..", FILE_ATTRIBUTE_DIRECTORY}));
    std::vector<std::string> rest = Names(entries);
    rest.erase(rest.begin(), rest.begin() + 2);
    EXPECT_EQ(rest, ReaddirOrder(s_volume->MountPoint())) << "nothing sorted, nothing missing, no dots twice";
    EXPECT_EQ(Names(List("*")), Names(entries)) << "\"*\" is \"*.*\"";
}

TEST_F(FindFilesTest, AttributesTellDirectoriesFilesAndLinks)
{
    std::map<std::string, DWORD> attributes;
    for (const Entry& entry : List())
        attributes[entry.name] = entry.attributes;
    const std::map<std::string, DWORD> expected = {
        {".", FILE_ATTRIBUTE_DIRECTORY},
        {"..", FILE_ATTRIBUTE_DIRECTORY},
        {"Docs", FILE_ATTRIBUTE_DIRECTORY},
        {"zeta.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"alpha.TXT", FILE_ATTRIBUTE_ARCHIVE},
        {"Übersicht – 日本.txt", FILE_ATTRIBUTE_ARCHIVE},
        // Linux symlinks become NTFS file symlinks, whatever they point to.
        {"link-to-file", FILE_ATTRIBUTE_REPARSE_POINT},
        {"link-to-dir", FILE_ATTRIBUTE_REPARSE_POINT},
        {"dangling", FILE_ATTRIBUTE_REPARSE_POINT},
        // A junction is an NTFS directory: the walker sees a directory it cannot enter.
        {"junction", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY},
        {"fifo", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM},
    };
    EXPECT_EQ(attributes, expected);
}

TEST_F(FindFilesTest, AListingCarriesOnWhileTheCurrentDirectoryMovesIntoSubdirectories)
{
    std::vector<std::string> outer;
    std::vector<std::string> inner;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("*.*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        outer.push_back(data.cFileName);
        if (std::string(data.cFileName) == "Docs") {
            // The walker's pattern: into the subdirectory, list it, and back out.
            ASSERT_TRUE(SetCurrentDirectoryA("Docs"));
            ASSERT_TRUE(SetCurrentDirectoryA("Deeper"));
            ASSERT_TRUE(SetCurrentDirectoryA(".."));
            inner = Names(List());
            ASSERT_TRUE(SetCurrentDirectoryA(".."));
        }
    } while (FindNextFileA(find, &data));
    EXPECT_TRUE(FindClose(find));

    std::vector<std::string> expectedOuter = {".", ".."};
    for (const std::string& name : ReaddirOrder(s_volume->MountPoint()))
        expectedOuter.push_back(name);
    EXPECT_EQ(outer, expectedOuter);
    EXPECT_EQ(std::set<std::string>(inner.begin(), inner.end()),
              (std::set<std::string>{".", "..", "inside.txt", "Deeper"}));
}

TEST_F(FindFilesTest, ManyEntriesAreEachListedOnce)
{
    s_volume->MakeDir("many");
    std::set<std::string> made = {".", ".."};
    for (int i = 0; i < 600; ++i) {
        const std::string name = "entry-" + std::to_string(i) + std::string(40, 'n');
        s_volume->WriteFile("many/" + name);
        made.insert(name);
    }
    ASSERT_TRUE(SetCurrentDirectoryA("many"));
    const std::vector<std::string> names = Names(List());
    EXPECT_EQ(names.size(), made.size());
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), made);
}

TEST_F(FindFilesTest, NamesOfFullNtfsLengthAreListedWhole)
{
    // 255 UTF-16 units is NTFS's limit; in UTF-8 that is far beyond Linux's usual 255 bytes.
    std::string cjk;
    for (int i = 0; i < 255; ++i)
        cjk += "日";
    std::string emoji; // 127 surrogate pairs
    for (int i = 0; i < 127; ++i)
        emoji += "😀";
    s_volume->MakeDir("long");
    s_volume->WriteFile("long/" + cjk);
    s_volume->MakeDir("long/" + emoji);
    ASSERT_TRUE(SetCurrentDirectoryA("long"));
    const std::vector<std::string> listed = Names(List());
    const std::set<std::string> names(listed.begin(), listed.end());
    EXPECT_EQ(names, (std::set<std::string>{".", "..", cjk, emoji}));
    // Listed, but "X:\long\" and 254 units is beyond what a Windows directory path may be.
    EXPECT_FALSE(SetCurrentDirectoryA(emoji.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILENAME_EXCED_RANGE});
}

TEST_F(FindFilesTest, PatternsMatchNamesWithoutRegardToCase)
{
    const auto matches = [](const char* pattern) {
        const std::vector<std::string> names = Names(List(pattern));
        return std::set<std::string>(names.begin(), names.end());
    };
    EXPECT_EQ(matches("*.txt"), (std::set<std::string>{"zeta.txt", "alpha.TXT", "Übersicht – 日本.txt"}));
    EXPECT_EQ(matches("?eta.*"), (std::set<std::string>{"zeta.txt"}));
    EXPECT_EQ(matches("DOCS"), (std::set<std::string>{"Docs"}));
    EXPECT_EQ(matches("link-*"), (std::set<std::string>{"link-to-file", "link-to-dir"}));
}

TEST_F(FindFilesTest, HandlesAreCheckedAndClosedOnce)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("*.*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(FindFirstFileA("no-such-name", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

} // namespace
} // namespace vlm::test
