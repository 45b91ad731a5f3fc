// The scan dialog driven through its messages on real NTFS volumes: the drive list, a scan from
// Start to its summary, Stop, the menus' greying, saving the results, the link and the About box.
#include "app_support.h"

#include <QComboBox>

#include <QTimer>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace vlm::test {
namespace {

class DriveList : public DialogFixture {};

TEST_F(DriveList, ListsFixedNtfsDrivesInLetterOrderWithoutFatOrNetworkMounts)
{
    auto first = NtfsVolume::Create();
    auto second = NtfsVolume::Create();
    if (!first || !second)
        GTEST_SKIP() << "no NTFS volumes here";
    const std::string fat = m_table.Dir().MakeDir("fat");
    const std::string share = m_table.Dir().MakeDir("share");
    // C: NTFS, D: FAT, E: a network share, F: NTFS.
    m_table.Set(RealMountLine(first->MountPoint()) + MountLine(901, "8:17", fat, "vfat", "/dev/sdb1", "") +
                MountLine(902, "0:43", share, "cifs", "//server/share") + RealMountLine(second->MountPoint()));

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND combo = GetDlgItem(dlg.m_hWnd, IDC_DRIVES);
        EXPECT_EQ(ComboEntries(combo), (std::vector<std::string>{"Local NTFS (C:,F:)#0", "C:#0", "F:#0"}));
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
        // The person sees which mount each letter stands for; the entries' texts stay as they are.
        auto* box = qobject_cast<QComboBox*>(vlm::qt::WindowWidget(combo));
        ASSERT_NE(box, nullptr);
        const std::vector<std::string> notes{
            "C: " + first->MountPoint() + "   F: " + second->MountPoint(), first->MountPoint(), second->MountPoint()};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(box->itemData(i, Qt::ToolTipRole).toString().toStdString(), notes[static_cast<size_t>(i)]);
    });
    EXPECT_EQ(m_boxes.Count(), 0u) << m_boxes.Calls()[0].text;
}

TEST_F(DriveList, WithoutNtfsTheOnlyEntryIsRefusedAtStart)
{
    const std::string fat = m_table.Dir().MakeDir("fat");
    m_table.Set(MountLine(901, "8:17", fat, "vfat", "/dev/sdb1", ""));

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        EXPECT_EQ(ComboEntries(GetDlgItem(dlg.m_hWnd, IDC_DRIVES)),
                  (std::vector<std::string>{"No Local NTFS Drives Available#0"}));
        Click(dlg.m_hWnd, IDC_START);
        const auto calls = m_boxes.Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].text, "Invalid Selection");
        EXPECT_EQ(calls[0].caption, "Error");
        EXPECT_EQ(calls[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_TRUE(Enabled(dlg.m_hWnd, IDC_START));
        EXPECT_FALSE(Enabled(dlg.m_hWnd, IDC_STOP));
        EXPECT_EQ(WindowText(GetDlgItem(dlg.m_hWnd, IDC_RESULTS)), "");
    });
}

TEST(ScanTargets, SelectionTextBecomesRootsOrAnError)
{
    struct Case {
        int selection;
        const char* text;
        const char* roots;
        int count;
        const char* error;
    } cases[] = {
        {0, "Local NTFS (C:,D:)", "C:\\D:\\", 2, nullptr},
        {0, "Local NTFS (C:)", "C:\\", 1, nullptr},
        {2, "Z:", "Z:\\", 1, nullptr},
        {0, "No Local NTFS Drives Available", "", 0, "Invalid Selection"},
        {3, nullptr, "", 0, "There are no NTFS drives available to scan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(unreadable)");
        const ScanTargets targets = ScanTargetsFor(c.selection, c.text);
        EXPECT_STREQ(targets.roots, c.roots);
        EXPECT_EQ(targets.rootCount, c.count);
        if (c.error)
            EXPECT_STREQ(targets.error, c.error);
        else
            EXPECT_EQ(targets.error, nullptr);
    }
}

class Scan : public DialogFixture {
protected:
    // Waits for the summary box; its text, or "" after a hang.
    std::string AwaitSummary(size_t boxesBefore)
    {
        if (!PumpUntil([&] { return m_boxes.Count() > boxesBefore; }))
            return "";
        return m_boxes.Calls().back().text;
    }
};

TEST_F(Scan, ReportsStreamsInRedThenTheSummaryAndReturnsToIdle)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    m_volume->WriteFile("a.txt", "a");
    m_volume->AddStream("a.txt", "one");
    m_volume->WriteFile("b.txt", "b");
    m_volume->AddStream("b.txt", "two");
    m_volume->AddStream("b.txt", "three");
    m_volume->WriteFile("plain.txt", "p");

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        const HWND results = GetDlgItem(window, IDC_RESULTS);
        Click(window, IDC_START);
        // Scanning: Start off, Stop on, the menus greyed even with text selected.
        EXPECT_FALSE(Enabled(window, IDC_START));
        EXPECT_TRUE(Enabled(window, IDC_STOP));
        const std::string summary = AwaitSummary(0);
        ASSERT_FALSE(summary.empty()) << "no summary box";
        const auto box = m_boxes.Calls().back();
        EXPECT_EQ(box.caption, AfxGetAppName());
        EXPECT_EQ(box.owner, window);
        EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
        Pump();

        int files = -1, ads = -1;
        ASSERT_EQ(std::sscanf(summary.c_str(), "%d files scanned\n%d file(s) contained Alternate Data Streams",
                              &files, &ads),
                  2)
            << summary;
        EXPECT_EQ(ads, 2);
        EXPECT_GE(files, 3);
        EXPECT_EQ(summary, std::to_string(files) + " files scanned\n2 file(s) contained Alternate Data Streams");

        const std::vector<Line> lines = Lines(WindowText(results));
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0].text, "Beginning Scan of Local NTFS (C:)");
        EXPECT_EQ(ColourOf(results, lines[0].first, lines[0].last), kAutoColour);
        int red = 0;
        for (const Line& line : lines) {
            SCOPED_TRACE(line.text);
            const bool found = line.text.starts_with("!!! ADS FOUND !!!");
            red += found;
            EXPECT_EQ(ColourOf(results, line.first, line.last), found ? RGB(255, 0, 0) : kAutoColour);
        }
        EXPECT_EQ(red, 3);

        // Idle again.
        EXPECT_TRUE(Enabled(window, IDC_START));
        EXPECT_FALSE(Enabled(window, IDC_STOP));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_CURRENT_DIR)), "");
        EXPECT_EQ(WaitForSingleObject(dlg.m_runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));

        // After the scan, caret after the last line: everything but Copy.
        const LONG end = static_cast<LONG>(GetWindowTextLengthA(results));
        CHARRANGE caret{end, end};
        SendMessageA(results, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        EXPECT_FALSE(Grayed(window, 0, ID_FILE_SAVE_RESULTS));
        EXPECT_FALSE(Grayed(window, 1, ID_EDIT_SELECT_ALL));
        EXPECT_TRUE(Grayed(window, 1, ID_EDIT_COPY));
        SendMessageA(window, WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
        EXPECT_FALSE(Grayed(window, 1, ID_EDIT_COPY));
        // The caret at the very beginning greys Save and Select All as an empty view would.
        CHARRANGE start{0, 0};
        SendMessageA(results, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
        EXPECT_TRUE(Grayed(window, 0, ID_FILE_SAVE_RESULTS));
        EXPECT_TRUE(Grayed(window, 1, ID_EDIT_SELECT_ALL));
        EXPECT_FALSE(Grayed(window, 0, ID_FILE_QUIT));
    });
}

TEST_F(Scan, StopMidScanGoesIdleAndTheSummaryStillFollows)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    // Enough found-stream lines that the scan is still running when Stop comes.
    for (int i = 0; i < 400; ++i) {
        const std::string name = "f" + std::to_string(i);
        m_volume->WriteFile(name, "x");
        m_volume->AddStream(name, "s");
    }

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        const HWND results = GetDlgItem(window, IDC_RESULTS);
        Click(window, IDC_START);
        ASSERT_TRUE(PumpUntil([&] { return Lines(WindowText(results)).size() >= 20 || m_boxes.Count() > 0; }));
        if (m_boxes.Count() > 0)
            GTEST_SKIP() << "the scan ended before Stop could come";
        // During a scan the menus are greyed, whatever the selection.
        SendMessageA(window, WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
        EXPECT_TRUE(Grayed(window, 0, ID_FILE_SAVE_RESULTS));
        EXPECT_TRUE(Grayed(window, 1, ID_EDIT_SELECT_ALL));
        EXPECT_TRUE(Grayed(window, 1, ID_EDIT_COPY));
        EXPECT_FALSE(Grayed(window, 0, ID_FILE_QUIT));

        Click(window, IDC_STOP);
        EXPECT_FALSE(Enabled(window, IDC_STOP));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_CURRENT_DIR)), "");
        EXPECT_EQ(WaitForSingleObject(dlg.m_runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        const std::string summary = AwaitSummary(0);
        ASSERT_FALSE(summary.empty());
        int files = -1, ads = -1;
        ASSERT_EQ(std::sscanf(summary.c_str(), "%d files scanned\n%d file(s)", &files, &ads), 2);
        EXPECT_LT(ads, 400);
        Pump();
        // Idle after the summary; a new scan can start and runs to its end.
        EXPECT_TRUE(Enabled(window, IDC_START));
        EXPECT_FALSE(Enabled(window, IDC_STOP));
        Click(window, IDC_START);
        const std::string second = AwaitSummary(1);
        ASSERT_EQ(std::sscanf(second.c_str(), "%d files scanned\n%d file(s)", &files, &ads), 2) << second;
        EXPECT_GE(files, 400);
        EXPECT_EQ(ads, 400);
        Pump();
        EXPECT_TRUE(Enabled(window, IDC_START));
    });
}

TEST_F(Scan, SaveResultsWritesExactlyTheViewsText)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    m_volume->WriteFile("a.txt", "a");
    m_volume->AddStream("a.txt", "one");
    const std::string target = m_table.Dir().Path("saved.txt");
    std::ofstream(target) << "old contents that must go, longer than the new ones would be............"
                             "..........................................................................";
    const auto previous = vlm::qt::SetFileDialogResponder(
        [&](const vlm::qt::FileDialogRequest& request) -> std::optional<std::string> {
            EXPECT_EQ(request.initialName, "AdsScan.txt");
            EXPECT_EQ(request.defaultExtension, "txt");
            return target;
        });

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        Click(dlg.m_hWnd, IDC_START);
        ASSERT_FALSE(AwaitSummary(0).empty());
        Pump();
        SendMessageA(dlg.m_hWnd, WM_COMMAND, ID_FILE_SAVE_RESULTS, 0);
        std::ifstream in(target, std::ios::binary);
        const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(saved, WindowText(GetDlgItem(dlg.m_hWnd, IDC_RESULTS)));
        EXPECT_NE(saved.find("!!! ADS FOUND !!!"), std::string::npos);
    });
    vlm::qt::SetFileDialogResponder(previous);
}

class Dialog : public DialogFixture {};

TEST_F(Dialog, TheLinkIsBlueUntilFollowedAndBeepsWhenItCannotBeOpened)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    bool opens = false;
    std::vector<std::string> opened;
    std::vector<UINT> beeps;
    const auto previousOpener = vlm::qt::SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return opens;
    });
    const auto previousBeep = vlm::qt::SetBeepListener([&](UINT type) { beeps.push_back(type); });

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND link = GetDlgItem(dlg.m_hWnd, IDC_WEBLINK);
        const auto colour = [&] {
            const HDC dc = GetDC(link);
            SendMessageA(dlg.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
            const COLORREF result = GetTextColor(dc);
            ReleaseDC(link, dc);
            return result;
        };
        const auto click = [&] {
            SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_WEBLINK, STN_CLICKED), reinterpret_cast<LPARAM>(link));
        };
        EXPECT_EQ(colour(), RGB(0, 0, 255));
        EXPECT_NE(GetWindowLongPtrA(link, GWL_STYLE) & SS_NOTIFY, 0);

        click();
        EXPECT_EQ(beeps, std::vector<UINT>{MB_OK});
        EXPECT_EQ(colour(), RGB(0, 0, 255));
        ASSERT_EQ(opened.size(), 1u);
        // The window text is the target; the shell may put a scheme in front of a bare address.
        EXPECT_TRUE(opened[0].ends_with(WindowText(link))) << opened[0];

        opens = true;
        click();
        EXPECT_EQ(beeps.size(), 1u);
        EXPECT_EQ(colour(), RGB(128, 0, 128));
    });
    vlm::qt::SetUrlOpener(previousOpener);
    vlm::qt::SetBeepListener(previousBeep);
}

TEST_F(Dialog, HelpKeyOpensTheAboutBox)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        std::string caption;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            const HWND active = GetActiveWindow();
            if (active && active != dlg.m_hWnd && caption.empty()) {
                caption = WindowText(active);
                EndDialog(active, IDOK);
            }
        });
        closer.start(20);
        HELPINFO help{};
        help.cbSize = sizeof help;
        help.iContextType = HELPINFO_WINDOW;
        help.hItemHandle = dlg.m_hWnd;
        SendMessageA(dlg.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        closer.stop();
        EXPECT_EQ(caption, "About Velmora");
    });
}

} // namespace
} // namespace vlm::test

namespace vlm::test {
namespace {

TEST_F(Scan, QuitDuringAScanEndsTheDialogWithOkAndClearsTheRunFlag)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    for (int i = 0; i < 300; ++i) {
        const std::string name = "q" + std::to_string(i);
        m_volume->WriteFile(name, "x");
        m_volume->AddStream(name, "s");
    }
    CScanDlg dialog;
    HANDLE runEvent = nullptr;
    const INT_PTR result = RunDialog(dialog, [&](CScanDlg& dlg) {
        runEvent = dlg.m_runEvent;
        Click(dlg.m_hWnd, IDC_START);
        SendMessageA(dlg.m_hWnd, WM_COMMAND, ID_FILE_QUIT, 0);
        EXPECT_EQ(WaitForSingleObject(runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }, true);
    EXPECT_EQ(result, IDOK);
    // The worker holds the job itself; it lets go once it has unwound, before the volume goes.
    const std::shared_ptr<ScanShared> job = dialog.m_job;
    EXPECT_TRUE(PumpUntil([&] { return job.use_count() == 2; }));
}

TEST_F(Scan, SavingWhereNoFileCanBeMadeFailsSilently)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        dlg.m_results.AppendText("text\r\n", 6);
        const std::string target = m_table.Dir().Path("missing/folder/out.txt");
        EXPECT_FALSE(dlg.m_results.SaveToFile(target.c_str()));
        EXPECT_FALSE(std::filesystem::exists(target));
        EXPECT_EQ(m_boxes.Count(), 0u);
    });
}

} // namespace
} // namespace vlm::test
