// The engine on a real folder reached through a drive letter of its own: the lettered tree the
// canned query tests stand on, the shape of the paths the engine reports, the order of its
// notices, and a root that is no longer there.
#include "scan/ScanEngine.h"
#include "support/CannedStreams.h"
#include "support/ScanRunner.h"
#include "support/TestTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using vlm::test::CannedStreams;
using vlm::test::Notice;
using vlm::test::ScanRecord;
using vlm::test::ScanRunner;
using vlm::test::TestTree;

namespace {

bool IsWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string FinalPathOf(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(cannot open: " + std::to_string(GetLastError()) + ")";
    char finalPath[4096] = {};
    const DWORD length = GetFinalPathNameByHandleA(file, finalPath, sizeof finalPath, 0);
    CloseHandle(file);
    return length ? std::string(finalPath) : "(no final path: " + std::to_string(GetLastError()) + ")";
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(LetteredTree, IsADriveOfItsOwnThatTheEngineCanWalk)
{
    std::unique_ptr<TestTree> tree = TestTree::Create();
    // The Windows tests stand on this tree: no tree is a failure here, not a skip.
    ASSERT_TRUE(tree) << "no free drive letter could be given to a temporary folder";
    tree->MakeDir("d");
    tree->WriteFile("d/g.txt", "g");
    const std::string root = tree->Root();
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root.substr(1), ":\\");

    const char letter = root[0];
    EXPECT_TRUE(GetLogicalDrives() & (1u << (letter - 'A'))) << "GetLogicalDrives does not list " << root;
    char device[MAX_PATH * 2] = {};
    EXPECT_NE(QueryDosDeviceA(root.substr(0, 2).c_str(), device, sizeof device), 0u);
    char fileSystem[64] = {};
    ASSERT_TRUE(GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem));
    EXPECT_STREQ(fileSystem, "NTFS");
    EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_FIXED));

    // The canned answers find an entry by the tail of its handle's final path.
    EXPECT_PRED2(EndsWith, FinalPathOf(root + "d\\g.txt"), "\\d\\g.txt");
    EXPECT_PRED2(EndsWith, FinalPathOf(root + "d"), "\\d");
    if (IsWine()) {
        // Wine names a handle's path after the drive whose root is the longest prefix, once its
        // list of drives has caught up with the new link.
        const std::string wanted = std::string("\\\\?\\") + root + "d\\g.txt";
        std::string seen;
        for (int i = 0; i < 1000 && seen != wanted; ++i) {
            seen = FinalPathOf(root + "d\\g.txt");
            if (seen != wanted)
                Sleep(10);
        }
        EXPECT_EQ(seen, wanted);
    }

    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_EQ(std::string(cwd), root);
    // ".." at a root stays there: the engine climbs out of its walk that way.
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_EQ(std::string(cwd), root);

    tree.reset();
    EXPECT_EQ(GetFileAttributesA(root.c_str()), INVALID_FILE_ATTRIBUTES) << root << " is still there";
    EXPECT_FALSE(GetLogicalDrives() & (1u << (letter - 'A'))) << root << " is still listed";
}

class EngineOnLetteredTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tree = TestTree::Create();
        ASSERT_TRUE(m_tree) << "no drive-lettered test tree";
        m_root = m_tree->Root();
    }

    std::string Found(const std::string& stream, const std::string& file) const
    {
        return "!!! ADS FOUND !!! Name=" + stream + " File=" + file + "\r\n";
    }

    std::unique_ptr<TestTree> m_tree;
    std::string m_root;
};

TEST_F(EngineOnLetteredTree, RootEntriesGetADoubledBackslashAndDeeperOnesASingleOne)
{
    m_tree->WriteFile("f.txt", "f");
    m_tree->MakeDir("d");
    m_tree->WriteFile("d/g.txt", "g");
    CannedStreams canned;
    canned.Answer("f.txt", {STATUS_SUCCESS, CannedStreams::Records({u"::$DATA", u":s:$DATA"}), 200});
    canned.Answer("d", {STATUS_SUCCESS, CannedStreams::Records({u":t:$DATA"}), 200});
    canned.Answer("d/g.txt", {STATUS_SUCCESS, CannedStreams::Records({u"::$DATA", u":u:$DATA"}), 200});
    ScanRecord record = ScanRunner().Run(m_root);
    ASSERT_TRUE(record.completed);
    std::vector<std::string> found = record.Lines(1);
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected = {
        Found(":s:$DATA", m_root + "\\f.txt"),
        Found(":t:$DATA", m_root + "\\d"),
        Found(":u:$DATA", m_root + "d\\g.txt"),
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(record.Lines(0).empty());
    EXPECT_EQ(record.filesScanned, 3);
    EXPECT_EQ(record.adsFiles, 3);
    EXPECT_EQ(record.exitCode, 1u);
    EXPECT_TRUE(record.boxes.empty());
}

TEST_F(EngineOnLetteredTree, ADirectoryAndItsStreamsComeBeforeItsContentsAndItsPathAgainAfter)
{
    // One entry per level, so the order of a listing cannot matter.
    m_tree->MakeDir("d");
    m_tree->MakeDir("d/e");
    m_tree->WriteFile("d/e/h.txt", "h");
    CannedStreams canned;
    canned.Answer("d", {STATUS_SUCCESS, CannedStreams::Records({u":1:$DATA"}), 200});
    canned.Answer("d/e", {STATUS_SUCCESS, CannedStreams::Records({u":2:$DATA"}), 200});
    canned.Answer("d/e/h.txt", {STATUS_SUCCESS, CannedStreams::Records({u":3:$DATA"}), 200});
    ScanRecord record = ScanRunner().Run(m_root);
    ASSERT_TRUE(record.completed);

    std::vector<std::string> sequence;
    for (const Notice& notice : record.notices) {
        if (notice.message == WM_SCAN_DIRECTORY)
            sequence.push_back("dir " + notice.text);
        else if (notice.message == WM_SCAN_OUTPUT)
            sequence.push_back(notice.text);
    }
    const std::vector<std::string> expected = {
        "dir " + m_root + "\\d",
        Found(":1:$DATA", m_root + "\\d"),
        "dir " + m_root + "d\\e",
        Found(":2:$DATA", m_root + "d\\e"),
        Found(":3:$DATA", m_root + "d\\e\\h.txt"),
        "dir " + m_root + "d",
        "dir " + m_root,
    };
    EXPECT_EQ(sequence, expected);
    EXPECT_EQ(record.notices.back().message, static_cast<UINT>(WM_SCAN_COMPLETE));
    EXPECT_EQ(record.filesScanned, 3);
    EXPECT_EQ(record.adsFiles, 3);
}

TEST_F(EngineOnLetteredTree, ARootThatIsGoneStopsTheScanWithItsNameInTheBox)
{
    m_tree->WriteFile("f.txt", "f");
    std::string gone;
    {
        std::unique_ptr<TestTree> vanishing = TestTree::Create();
        ASSERT_TRUE(vanishing);
        gone = vanishing->Root();
    }
    ASSERT_EQ(GetFileAttributesA(gone.c_str()), INVALID_FILE_ATTRIBUTES);

    struct Case {
        const char* what;
        std::string roots;
        int filesScanned;
    };
    const Case cases[] = {
        {"the only root", gone, 0},
        {"after a live root", m_root + gone, 1},
        // The scan ends at the missing root: the live one after it is never reached.
        {"before a live root", gone + m_root, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CannedStreams canned;
        ScanRecord record = ScanRunner().Run(c.roots);
        ASSERT_TRUE(record.completed);
        ASSERT_EQ(record.boxes.size(), 1u);
        EXPECT_EQ(record.boxes[0].text, gone);
        EXPECT_EQ(record.boxes[0].caption, "ERROR SCANNING");
        EXPECT_EQ(record.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(record.filesScanned, c.filesScanned);
        EXPECT_EQ(record.exitCode, 1u);
        EXPECT_EQ(record.notices.back().message, static_cast<UINT>(WM_SCAN_COMPLETE));
    }
}

} // namespace
