// The stream inspector against stream queries that answer whatever a test needs: broken record
// chains, failed queries with and without byte counts, buffers that are too small. Runs on both
// targets (Windows' own ntdll under Wine cannot list streams).
#include "scan/ScanEngine.h"
#include "support/CannedStreams.h"
#include "support/ScanRunner.h"
#include "support/TestTree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using vlm::test::CannedAnswer;
using vlm::test::CannedStreams;
using vlm::test::ScanRecord;
using vlm::test::ScanRunner;
using vlm::test::TestTree;

namespace {

std::vector<BYTE> WithUlongAt(std::vector<BYTE> bytes, size_t offset, ULONG value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
    return bytes;
}

std::string Ansi(const std::u16string& name)
{
    std::vector<WCHAR> wide(name.begin(), name.end());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

class CannedQuery : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tree = TestTree::Create();
        if (!m_tree)
            GTEST_SKIP() << "no drive-lettered test tree can be made here";
        m_tree->WriteFile("f.txt", "f");
        m_tree->MakeDir("d");
        m_tree->WriteFile("d/g.txt", "g");
        m_root = m_tree->Root();
    }

    std::string Found(const std::string& name, const std::string& file) const
    {
        return "!!! ADS FOUND !!! Name=" + name + " File=" + m_root + file + "\r\n";
    }

    std::unique_ptr<TestTree> m_tree;
    std::string m_root;
};

TEST_F(CannedQuery, WhatEachAnswerProduces)
{
    const std::vector<BYTE> two = CannedStreams::Records({u"::$DATA", u":a:$DATA"});
    const ULONG_PTR twoSize = two.size();
    struct Case {
        const char* what;
        CannedAnswer answer;
        std::vector<std::string> found;
        std::vector<std::string> warnings;
    };
    const std::string failed = "Warning: Error retrieving stream info for " + m_root + "\\f.txt\r\n";
    const Case cases[] = {
        {"default stream and one named", {STATUS_SUCCESS, two, twoSize}, {Found(":a:$DATA", "\\f.txt")}, {}},
        {"success without records is silent", {STATUS_SUCCESS, {}, 0}, {}, {}},
        {"only the default stream", {STATUS_SUCCESS, CannedStreams::Records({u"::$DATA"}), 38}, {}, {}},
        // A failure is a failure whatever byte count came with it.
        {"failure with no bytes", {STATUS_ACCESS_DENIED, {}, 0}, {}, {failed}},
        {"failure with bytes", {STATUS_OBJECT_NAME_INVALID, two, twoSize}, {}, {failed}},
        // Broken chains end the walk; nothing is read outside the reported bytes.
        {"next record past the end", {STATUS_SUCCESS, WithUlongAt(two, 0, 5000), twoSize}, {}, {}},
        {"next record beyond the reported bytes", {STATUS_SUCCESS, two, 40}, {}, {}},
        {"name longer than the record", {STATUS_SUCCESS, WithUlongAt(two, 4, 1000), twoSize}, {}, {}},
        {"name reaching past a later record's end",
         {STATUS_SUCCESS, WithUlongAt(two, 40 + 4, 64), twoSize}, {}, {}},
        {"header cut short", {STATUS_SUCCESS, two, 20}, {}, {}},
        // A byte count larger than the buffer is held to the buffer.
        {"byte count beyond the buffer", {STATUS_SUCCESS, two, 1u << 30}, {Found(":a:$DATA", "\\f.txt")}, {}},
        {"empty name", {STATUS_SUCCESS, CannedStreams::Records({u""}), 24}, {Found("", "\\f.txt")}, {}},
        {"odd name length", {STATUS_SUCCESS, WithUlongAt(CannedStreams::Records({u":ab"}), 4, 3), 30},
         {Found(":", "\\f.txt")}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CannedStreams canned;
        canned.Answer("f.txt", c.answer);
        ScanRecord record = ScanRunner().Run(m_root);
        ASSERT_TRUE(record.completed);
        EXPECT_EQ(record.Lines(1), c.found);
        EXPECT_EQ(record.Lines(0), c.warnings);
        EXPECT_EQ(record.filesScanned, 3); // f.txt, d, d\g.txt
        EXPECT_EQ(record.adsFiles, c.found.empty() ? 0 : 1);
    }
}

TEST_F(CannedQuery, NamesComeOutWholeWhateverTheirLengthInTheCodePage)
{
    const std::u16string names[] = {u":ストリーム:$DATA", u":naïve-Ω-😀:$DATA", u":plain:$DATA"};
    CannedStreams canned;
    canned.Answer("d/g.txt", {STATUS_SUCCESS, CannedStreams::Records({names[0], names[1], names[2]}), 200});
    canned.Answer("d", {STATUS_SUCCESS, CannedStreams::Records({u":dir:$DATA"}), 48});
    ScanRecord record = ScanRunner().Run(m_root);
    std::vector<std::string> expected = {Found(":dir:$DATA", "\\d")};
    for (const std::u16string& name : names)
        expected.push_back(Found(Ansi(name), "d\\g.txt"));
    EXPECT_EQ(record.Lines(1), expected);
#ifndef _WIN32
    // On Linux the code page is UTF-8, where these names take more bytes than UTF-16 units.
    EXPECT_EQ(record.Lines(1)[1], Found(":ストリーム:$DATA", "d\\g.txt"));
    EXPECT_EQ(record.Lines(1)[2], Found(":naïve-Ω-😀:$DATA", "d\\g.txt"));
#endif
    EXPECT_EQ(record.adsFiles, 2);
}

TEST_F(CannedQuery, ABufferTooSmallIsDoubledUntilTheRecordsFit)
{
    CannedStreams canned;
    const std::vector<BYTE> records = CannedStreams::Records({u"::$DATA", u":big:$DATA"});
    canned.Answer("f.txt", {STATUS_SUCCESS, records, records.size(), 20000});
    ScanRecord record = ScanRunner().Run(m_root);
    EXPECT_EQ(canned.BufferSizes("f.txt"), (std::vector<ULONG>{8192, 16384, 32768}));
    EXPECT_EQ(record.Lines(1), (std::vector<std::string>{Found(":big:$DATA", "\\f.txt")}));
    EXPECT_TRUE(record.Lines(0).empty());
}

TEST_F(CannedQuery, StopWhileTheBufferIsTooSmallEndsTheEntryQuietly)
{
    CannedStreams canned;
    ScanRunner runner;
    const std::vector<BYTE> records = CannedStreams::Records({u":big:$DATA"});
    CannedAnswer answer{STATUS_SUCCESS, records, records.size(), 1u << 20};
    // Stop arrives while the first, too small, query is under way.
    answer.onQuery = [&runner] { ResetEvent(runner.currentRunEvent); };
    canned.Answer("f.txt", answer);
    ScanRecord record = runner.Run(m_root);
    ASSERT_TRUE(record.completed);
    EXPECT_EQ(canned.BufferSizes("f.txt"), (std::vector<ULONG>{8192}));
    EXPECT_EQ(record.CountOf(WM_SCAN_OUTPUT), 0);
}

TEST_F(CannedQuery, StopBetweenRecordsOfOneEntryEndsItsWalk)
{
    CannedStreams canned;
    canned.Answer("f.txt", {STATUS_SUCCESS, CannedStreams::Records({u":1:$DATA", u":2:$DATA", u":3:$DATA"}), 200});
    ScanRunner runner;
    runner.onNotice = [](const vlm::test::Notice& notice, HANDLE runEvent) {
        if (notice.message == WM_SCAN_OUTPUT)
            ResetEvent(runEvent);
    };
    ScanRecord record = runner.Run(m_root);
    EXPECT_EQ(record.Lines(1), (std::vector<std::string>{Found(":1:$DATA", "\\f.txt")}));
    EXPECT_EQ(record.notices.back().message, static_cast<UINT>(WM_SCAN_COMPLETE));
}

} // namespace
