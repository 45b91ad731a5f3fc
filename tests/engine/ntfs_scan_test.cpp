// The scan engine end to end on real NTFS volumes (mkntfs + ntfs-3g), seen through the notices a
// receiver window gets.
#include "scan/NativeFunctions.h"
#include "scan/ScanEngine.h"
#include "support/NtfsVolume.h"
#include "support/ScanRunner.h"
#include "vlm_platform.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using vlm::test::NtfsVolume;
using vlm::test::ScanRecord;
using vlm::test::ScanRunner;

namespace {

std::string Found(const std::string& stream, const std::string& file)
{
    return "!!! ADS FOUND !!! Name=:" + stream + ":$DATA File=" + file + "\r\n";
}

// Position of `text` among the notices of any kind, or -1.
int IndexOf(const ScanRecord& record, UINT message, const std::string& text)
{
    for (size_t i = 0; i < record.notices.size(); ++i) {
        if (record.notices[i].message == message && record.notices[i].text == text)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

class NtfsScan : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_volume = NtfsVolume::Create();
        if (!s_volume)
            return;
        NtfsVolume& v = *s_volume;
        v.WriteFile("pagefile.sys", "p");
        v.AddStream("pagefile.sys", "info");
        v.WriteFile("plain.txt", "no streams here");
        v.MakeDir("Docs");
        v.AddStream("Docs", "dnotes");
        v.WriteFile("Docs/a.txt", "a");
        v.AddStream("Docs/a.txt", "one");
        v.AddStream("Docs/a.txt", "two");
        v.AddStream("Docs/a.txt", "three");
        v.MakeDir("Docs/Sub");
        v.WriteFile("Docs/Sub/b.txt", "b");
        v.AddStream("Docs/Sub/b.txt", "Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
        v.WriteFile("Docs/Sub/c.txt", "c");
        v.MakeDir("Empty");
        v.WriteFile("Ünïcode ファイル.txt", "u");
        v.AddStream("Ünïcode ファイル.txt", "ストリーム");
        v.AddStream("Ünïcode ファイル.txt", "naïve");
        // A link back up the tree: entering it would loop for ever.
        v.Symlink("..", "Docs/Sub/loop");
        v.Symlink("Docs", "to-docs");
    }

    static void TearDownTestSuite() { s_volume.reset(); }

    void SetUp() override
    {
        if (!s_volume)
            GTEST_SKIP() << "NTFS volumes cannot be made here (mkntfs, ntfs-3g or /dev/fuse missing)";
        ASSERT_NE(s_volume->Letter(), '\0');
        m_root = s_volume->Root();
        m_drive = m_root.substr(0, 2);
    }

    static inline std::unique_ptr<NtfsVolume> s_volume;
    std::string m_root;  // "X:\"
    std::string m_drive; // "X:"
};

TEST_F(NtfsScan, ReportsEveryNamedStreamOnceWithTheWalkersPaths)
{
    ScanRecord record = ScanRunner().Run(m_root);
    ASSERT_TRUE(record.completed);
    EXPECT_EQ(record.exitCode, 1u);
    EXPECT_TRUE(record.boxes.empty());
    EXPECT_TRUE(record.Lines(0).empty()) << record.Lines(0).front();

    // Entries directly under a root get a doubled backslash: the root's own path ends in one.
    const std::vector<std::string> expected = Sorted({
        Found("info", m_drive + "\\\\pagefile.sys"),
        Found("dnotes", m_drive + "\\\\Docs"),
        Found("one", m_drive + "\\Docs\\a.txt"),
        Found("two", m_drive + "\\Docs\\a.txt"),
        Found("three", m_drive + "\\Docs\\a.txt"),
        Found("Zone.Identifier", m_drive + "\\Docs\\Sub\\b.txt"),
        Found("ストリーム", m_drive + "\\\\Ünïcode ファイル.txt"),
        Found("naïve", m_drive + "\\\\Ünïcode ファイル.txt"),
    });
    EXPECT_EQ(Sorted(record.Lines(1)), expected);

    // pagefile.sys plain.txt Docs a.txt Sub b.txt c.txt loop Empty Ünïcode to-docs
    EXPECT_EQ(record.filesScanned, 11);
    // Three streams on a.txt and two on the Unicode file count once each.
    EXPECT_EQ(record.adsFiles, 5);
    EXPECT_EQ(record.notices.back().message, static_cast<UINT>(WM_SCAN_COMPLETE));
    EXPECT_EQ(record.CountOf(WM_SCAN_COMPLETE), 1);
}

TEST_F(NtfsScan, ADirectoryIsAnnouncedAndInspectedBeforeItsContents)
{
    ScanRecord record = ScanRunner().Run(m_root);
    const int enterDocs = IndexOf(record, WM_SCAN_DIRECTORY, m_drive + "\\\\Docs");
    const int docsStream = IndexOf(record, WM_SCAN_OUTPUT, Found("dnotes", m_drive + "\\\\Docs"));
    const int enterSub = IndexOf(record, WM_SCAN_DIRECTORY, m_drive + "\\Docs\\Sub");
    const int insideSub = IndexOf(record, WM_SCAN_OUTPUT, Found("Zone.Identifier", m_drive + "\\Docs\\Sub\\b.txt"));
    const int backInDocs = IndexOf(record, WM_SCAN_DIRECTORY, m_drive + "\\Docs");
    ASSERT_GE(enterDocs, 0);
    EXPECT_LT(enterDocs, docsStream);
    EXPECT_LT(docsStream, enterSub);
    EXPECT_LT(enterSub, insideSub);
    // Leaving Sub shows its parent again.
    EXPECT_LT(insideSub, backInDocs);

    // After each subtree of the root the status goes back to the root's own path.
    const std::vector<std::string> directories = record.Texts(WM_SCAN_DIRECTORY);
    EXPECT_GE(std::count(directories.begin(), directories.end(), m_root), 2);
}

TEST_F(NtfsScan, LinksAreReportedButNeverEntered)
{
    ScanRecord record = ScanRunner().Run(m_root);
    for (const auto& notice : record.notices) {
        EXPECT_EQ(notice.text.find("loop\\"), std::string::npos) << notice.text;
        EXPECT_EQ(notice.text.find("to-docs\\"), std::string::npos) << notice.text;
    }
    EXPECT_EQ(record.filesScanned, 11);
}

TEST_F(NtfsScan, StopMidWalkSendsNothingMoreAndStillCompletesWithTheCountsSoFar)
{
    ScanRecord full = ScanRunner().Run(m_root);

    // Stop from the window's thread while the worker is blocked in its send, as the Stop button
    // does: nothing may arrive after the flag is cleared.
    ScanRunner runner;
    size_t stoppedAfter = 0;
    int seen = 0;
    runner.onNotice = [&](const vlm::test::Notice&, HANDLE runEvent) {
        if (++seen == 3) {
            ResetEvent(runEvent);
            stoppedAfter = static_cast<size_t>(seen);
        }
    };
    ScanRecord record = runner.Run(m_root);
    ASSERT_TRUE(record.completed);
    EXPECT_EQ(record.notices.size(), stoppedAfter + 1) << "notices after Stop";
    EXPECT_EQ(record.notices.back().message, static_cast<UINT>(WM_SCAN_COMPLETE));
    EXPECT_FALSE(record.runFlagWasSet);
    EXPECT_GT(record.filesScanned, 0);
    EXPECT_LT(record.filesScanned, full.filesScanned);
    EXPECT_EQ(record.exitCode, 1u);
}

TEST_F(NtfsScan, StopBetweenTwoStreamsOfOneEntryKeepsTheLinesAlreadySent)
{
    ScanRunner runner;
    runner.onNotice = [&](const vlm::test::Notice& notice, HANDLE runEvent) {
        if (notice.message == WM_SCAN_OUTPUT && notice.text.find("a.txt") != std::string::npos)
            ResetEvent(runEvent);
    };
    ScanRecord record = runner.Run(m_root);
    const std::vector<std::string> lines = record.Lines(1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("a.txt") != std::string::npos; }), 1);
    EXPECT_NE(lines.back().find("a.txt"), std::string::npos);
}

TEST(NtfsScanRoots, ARootCountOfZeroCompletesAtOnceWithZeroCounts)
{
    ScanRecord record = ScanRunner().Run("", 0);
    ASSERT_TRUE(record.completed);
    ASSERT_EQ(record.notices.size(), 1u);
    EXPECT_EQ(record.filesScanned, 0);
    EXPECT_EQ(record.adsFiles, 0);
    EXPECT_EQ(record.exitCode, 1u);
    EXPECT_TRUE(record.boxes.empty());
}

TEST(NtfsScanRoots, SeveralRootsAreWalkedInOrderAndAVanishedRootEndsTheScan)
{
    auto first = NtfsVolume::Create();
    auto gone = NtfsVolume::Create();
    auto last = NtfsVolume::Create();
    if (!first || !gone || !last)
        GTEST_SKIP() << "NTFS volumes cannot be made here";
    first->WriteFile("f.txt");
    first->AddStream("f.txt", "s");
    gone->WriteFile("g.txt");
    last->WriteFile("l.txt");
    last->AddStream("l.txt", "s");
    ASSERT_NE(first->Letter(), '\0');
    ASSERT_NE(gone->Letter(), '\0');
    ASSERT_NE(last->Letter(), '\0');

    ScanRecord both = ScanRunner().Run(first->Root() + last->Root());
    EXPECT_EQ(both.Lines(1), (std::vector<std::string>{Found("s", first->Root() + "\\f.txt"), Found("s", last->Root() + "\\l.txt")}));
    EXPECT_EQ(both.filesScanned, 2);
    EXPECT_EQ(both.adsFiles, 2);

    // The mount point folder stays behind, empty; the scan must not walk it as if it were the volume.
    const std::string goneRoot = gone->Root();
    ASSERT_TRUE(gone->Unmount());
    ScanRecord record = ScanRunner().Run(first->Root() + goneRoot + last->Root());
    ASSERT_TRUE(record.completed);
    ASSERT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.boxes[0].text, goneRoot);
    EXPECT_EQ(record.boxes[0].caption, "ERROR SCANNING");
    EXPECT_EQ(record.boxes[0].type & 0xF0u, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(record.boxes[0].hadOwner);
    // The first root's results stay; the roots after the vanished one are not scanned.
    EXPECT_EQ(record.Lines(1), (std::vector<std::string>{Found("s", first->Root() + "\\f.txt")}));
    EXPECT_EQ(record.filesScanned, 1);
    EXPECT_EQ(record.adsFiles, 1);
    EXPECT_EQ(record.exitCode, 1u);
}

TEST(NtfsScanFailures, WithoutTheNativeQueryNothingIsScannedAndTheThreadEndsWithZero)
{
    auto volume = NtfsVolume::Create();
    if (!volume)
        GTEST_SKIP() << "NTFS volumes cannot be made here";
    volume->WriteFile("f.txt");
    volume->AddStream("f.txt", "s");

    vlm::OverrideExport("ntdll.dll", "ZwQueryInformationFile", nullptr);
    ScanRecord record = ScanRunner().Run(volume->Root());
    EXPECT_FALSE(LoadNativeFunctions());
    vlm::ClearExportOverrides();

    ASSERT_TRUE(record.completed);
    ASSERT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.boxes[0].text, "Error: LoadNativeFunctions() failed");
    EXPECT_EQ(record.boxes[0].caption, "ERROR");
    EXPECT_EQ(record.boxes[0].type & 0xF0u, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(record.notices.size(), 1u);
    EXPECT_EQ(record.filesScanned, 0);
    EXPECT_EQ(record.adsFiles, 0);
    EXPECT_EQ(record.exitCode, 0u);

    // The next scan resolves the function again.
    ScanRecord again = ScanRunner().Run(volume->Root());
    EXPECT_EQ(again.adsFiles, 1);
}

TEST(NtfsScanFailures, AnEntryThatVanishedBeforeItWasOpenedWarnsAndStillCounts)
{
    auto volume = NtfsVolume::Create();
    if (!volume)
        GTEST_SKIP() << "NTFS volumes cannot be made here";
    volume->MakeDir("d");
    volume->WriteFile("d/a.txt");
    volume->AddStream("d/a.txt", "s");
    volume->WriteFile("d/b.txt");
    volume->WriteFile("d/c.txt");
    volume->AddStream("d/c.txt", "s");

    // b.txt is deleted once the walk has listed d and reached a.txt: it is still in the listing,
    // but there is nothing left to open.
    ScanRunner runner;
    runner.onNotice = [&](const vlm::test::Notice& notice, HANDLE) {
        if (notice.message == WM_SCAN_OUTPUT && notice.text.find("a.txt") != std::string::npos) {
            EXPECT_EQ(unlink(volume->Path("d/b.txt").c_str()), 0);
        }
    };
    ScanRecord record = runner.Run(volume->Root());
    const std::string drive = volume->Root().substr(0, 2);
    EXPECT_EQ(record.Lines(0), (std::vector<std::string>{"Warning: Open File Failed for " + drive + "\\d\\b.txt\r\n"}));
    EXPECT_EQ(record.Lines(1), (std::vector<std::string>{Found("s", drive + "\\d\\a.txt"), Found("s", drive + "\\d\\c.txt")}));
    EXPECT_EQ(record.filesScanned, 4);
    EXPECT_EQ(record.adsFiles, 2);
}

TEST(NtfsScanRecords, AnEntryWhoseRecordsDoNotFitTheFirstBufferIsQueriedAgain)
{
    auto volume = NtfsVolume::Create();
    if (!volume)
        GTEST_SKIP() << "NTFS volumes cannot be made here";
    volume->WriteFile("crowded.txt");
    // 30 records of 24 + 2 * 210 bytes each need well over 8192 bytes.
    std::vector<std::string> expected;
    const std::string drive = volume->Root().substr(0, 2);
    for (int i = 0; i < 30; ++i) {
        std::string name = "stream-" + std::to_string(100 + i) + "-" + std::string(200, 'x');
        volume->AddStream("crowded.txt", name);
        expected.push_back(Found(name, drive + "\\\\crowded.txt"));
    }
    ScanRecord record = ScanRunner().Run(volume->Root());
    EXPECT_EQ(Sorted(record.Lines(1)), Sorted(expected));
    EXPECT_TRUE(record.Lines(0).empty());
    EXPECT_EQ(record.filesScanned, 1);
    EXPECT_EQ(record.adsFiles, 1);
}

} // namespace
