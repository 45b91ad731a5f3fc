// The real scan dialog on Windows, driven through its messages: the drive list from the drives
// the system reports, a scan of a lettered folder whose stream queries are answered by canned
// records (Wine's ntdll has no stream listing), Stop, the menus' greying, the real save dialog,
// the error and summary boxes, and the About box from the menu and from F1.
#include "framework/CRichEditCtrl.h"
#include "gui_support.h"
#include "support/CannedStreams.h"
#include "support/TestTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

namespace vlm::test {
namespace {

// The position of the entry "X:" for `root` ("X:\"), or -1.
LRESULT EntryOf(HWND combo, const std::string& root)
{
    const std::vector<std::string> entries = ComboEntries(combo);
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].rfind(root.substr(0, 2) + "#", 0) == 0)
            return static_cast<LRESULT>(i);
    }
    return -1;
}

void Select(HWND dialog, LRESULT position)
{
    SendMessageA(GetDlgItem(dialog, IDC_DRIVES), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

class ScanDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(HasDisplay()) << "no display: the dialog cannot show (run through scripts/test-windows.sh)";
        // What the application's start-up does before the dialog: the rich edit's library.
        ASSERT_TRUE(AfxInitRichEdit());
    }

    // A lettered folder: a.txt with one stream, b.txt with two, d\c.txt with one, plain.txt and
    // d\plain.txt with none. The tree must be there before the dialog lists the drives.
    bool MakeTree()
    {
        m_tree = TestTree::Create();
        if (!m_tree)
            return false;
        m_tree->WriteFile("a.txt", "a");
        m_tree->WriteFile("b.txt", "b");
        m_tree->WriteFile("plain.txt", "p");
        m_tree->MakeDir("d");
        m_tree->WriteFile("d/c.txt", "c");
        m_tree->WriteFile("d/plain.txt", "p");
        const auto answer = [](std::vector<std::u16string> names) {
            std::vector<BYTE> records = CannedStreams::Records(names);
            const ULONG_PTR size = records.size();
            return CannedAnswer(STATUS_SUCCESS, std::move(records), size);
        };
        m_streams.Answer("a.txt", answer({u"::$DATA", u":one:$DATA"}));
        m_streams.Answer("b.txt", answer({u"::$DATA", u":two:$DATA", u":three:$DATA"}));
        m_streams.Answer("d/c.txt", answer({u"::$DATA", u":four:$DATA"}));
        for (const char* plain : {"plain.txt", "d/plain.txt"})
            m_streams.Answer(plain, answer({u"::$DATA"}));
        return true;
    }

    // Waits for one more box than `before`; false after a hang.
    bool AwaitBox(size_t before)
    {
        const bool shown = PumpUntil([&] { return m_boxes.Count() > before; });
        Pump();
        return shown;
    }

    CannedStreams m_streams;
    std::unique_ptr<TestTree> m_tree;
    BoxAnswerer m_boxes;
};

TEST_F(ScanDialog, TheDriveListHoldsTheNtfsDrivesTheSystemReports)
{
    ASSERT_TRUE(MakeTree()) << "no lettered folder";
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND combo = GetDlgItem(dlg.m_hWnd, IDC_DRIVES);
        EXPECT_EQ(ClassOf(combo), "ComboBoxEx32");
        const std::vector<std::string> entries = ComboEntries(combo);
        EXPECT_EQ(entries, ExpectedEntries());
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
        // The lettered folder is a fixed NTFS drive of its own, so it is in the first entry too.
        EXPECT_GE(EntryOf(combo, m_tree->Root()), 1);
        EXPECT_NE(entries[0].find(m_tree->Root().substr(0, 2)), std::string::npos) << entries[0];
        // The list has its pictures: six 16x15 images.
        const auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(combo, CBEM_GETIMAGELIST, 0, 0));
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(images), 6);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(cx, 16);
        EXPECT_EQ(cy, 15);
        // Idle: Start on, Stop off, nothing said.
        EXPECT_TRUE(Enabled(dlg.m_hWnd, IDC_START));
        EXPECT_FALSE(Enabled(dlg.m_hWnd, IDC_STOP));
    });
    EXPECT_EQ(m_boxes.Count(), 0u) << m_boxes.Shown()[0].text;
}

TEST_F(ScanDialog, AScanShowsFoundStreamsInRedThenTheSummaryAndReturnsToIdle)
{
    ASSERT_TRUE(MakeTree()) << "no lettered folder";
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        m_boxes.Ignore(window);
        const HWND results = GetDlgItem(window, IDC_RESULTS);
        const LRESULT entry = EntryOf(GetDlgItem(window, IDC_DRIVES), m_tree->Root());
        ASSERT_GE(entry, 1);
        Select(window, entry);
        Click(window, IDC_START);
        EXPECT_FALSE(Enabled(window, IDC_START));
        EXPECT_TRUE(Enabled(window, IDC_STOP));
        EXPECT_EQ(WaitForSingleObject(dlg.m_runEvent, 0), static_cast<DWORD>(WAIT_OBJECT_0));
        // While it runs (the worker waits on the window for each notice) the menus are greyed.
        EXPECT_TRUE(Grayed(window, 0, ID_FILE_SAVE_RESULTS));
        EXPECT_TRUE(Grayed(window, 1, ID_EDIT_SELECT_ALL));
        EXPECT_TRUE(Grayed(window, 1, ID_EDIT_COPY));
        EXPECT_FALSE(Grayed(window, 0, ID_FILE_QUIT));

        ASSERT_TRUE(AwaitBox(0)) << "no summary box";
        const ShownBox summary = m_boxes.Shown().back();
        EXPECT_EQ(summary.caption, AfxGetAppName());
        EXPECT_EQ(summary.caption, "win32_gui_tests") << "the executable's name";
        EXPECT_EQ(summary.owner, window);
        EXPECT_EQ(summary.icon, LoadIconA(nullptr, IDI_INFORMATION));
        int files = -1, ads = -1;
        ASSERT_EQ(std::sscanf(summary.text.c_str(), "%d files scanned\n%d file(s) contained Alternate Data Streams",
                              &files, &ads),
                  2)
            << summary.text;
        EXPECT_EQ(summary.text, std::to_string(files) + " files scanned\n3 file(s) contained Alternate Data Streams");
        EXPECT_GE(files, 6) << "five files and a folder";

        const std::vector<Line> lines = Lines(WindowText(results));
        ASSERT_GE(lines.size(), 5u) << WindowText(results);
        EXPECT_EQ(lines[0].text, "Beginning Scan of " + m_tree->Root().substr(0, 2));
        std::vector<std::string> found;
        for (const Line& line : lines) {
            SCOPED_TRACE(line.text);
            const bool isFound = line.text.starts_with("!!! ADS FOUND !!!");
            if (isFound)
                found.push_back(line.text);
            EXPECT_EQ(ColourOf(results, line.first, line.last), isFound ? RGB(255, 0, 0) : kAutoColour);
        }
        const std::string root = m_tree->Root();
        EXPECT_EQ(found.size(), 4u);
        // The folder as the current directory names it ("N:\" at the root, "N:\d" below), a
        // backslash, the entry's name.
        for (const std::string& wanted : {"Name=:one:$DATA File=" + root + "\\a.txt",
                                         "Name=:two:$DATA File=" + root + "\\b.txt",
                                         "Name=:three:$DATA File=" + root + "\\b.txt",
                                         "Name=:four:$DATA File=" + root + "d\\c.txt"}) {
            EXPECT_NE(std::find(found.begin(), found.end(), "!!! ADS FOUND !!! " + wanted), found.end()) << wanted;
        }

        // Idle again.
        EXPECT_TRUE(Enabled(window, IDC_START));
        EXPECT_FALSE(Enabled(window, IDC_STOP));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_CURRENT_DIR)), "");
        EXPECT_EQ(WaitForSingleObject(dlg.m_runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));

        // The menus follow the view's selection.
        struct Case {
            const char* what;
            CHARRANGE selection;
            bool saveGreyed, selectAllGreyed, copyGreyed;
        };
        const LONG end = GetWindowTextLengthA(results);
        const Case cases[] = {
            {"caret after the last line", {end, end}, false, false, true},
            {"everything selected", {0, -1}, false, false, false},
            {"caret at the very start", {0, 0}, true, true, true},
            {"a part selected", {2, 5}, false, false, false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            CHARRANGE selection = c.selection;
            SendMessageA(results, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
            EXPECT_EQ(Grayed(window, 0, ID_FILE_SAVE_RESULTS), c.saveGreyed);
            EXPECT_EQ(Grayed(window, 1, ID_EDIT_SELECT_ALL), c.selectAllGreyed);
            EXPECT_EQ(Grayed(window, 1, ID_EDIT_COPY), c.copyGreyed);
            EXPECT_FALSE(Grayed(window, 0, ID_FILE_QUIT));
            EXPECT_FALSE(Grayed(window, 3, ID_HELP_ABOUT));
        }
        // Select All from the menu selects the whole text.
        CHARRANGE none{0, 0};
        SendMessageA(results, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
        SendMessageA(window, WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
        CHARRANGE selected{};
        SendMessageA(results, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selected));
        EXPECT_EQ(selected.cpMin, 0);
        EXPECT_GE(selected.cpMax, end) << "to the end (Rich Edit may count its closing paragraph mark)";

        // Copy puts the selection on the clipboard as text.
        CHARRANGE first{lines[0].first, lines[0].last};
        SendMessageA(results, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
        SendMessageA(window, WM_COMMAND, ID_EDIT_COPY, 0);
        Pump();
        ASSERT_TRUE(OpenClipboard(window));
        std::string copied;
        if (const HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const auto* text = static_cast<const char*>(GlobalLock(data))) {
                copied = text;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        EXPECT_EQ(copied, lines[0].text);
    });
}

TEST_F(ScanDialog, StopGoesIdleAtOnceAndTheSummaryStillFollows)
{
    ASSERT_TRUE(MakeTree()) << "no lettered folder";
    // The worker waits on the window at every found stream, so it is still running when Stop
    // comes: the window only handles its notices when this script pumps.
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        m_boxes.Ignore(window);
        Select(window, EntryOf(GetDlgItem(window, IDC_DRIVES), m_tree->Root()));
        Click(window, IDC_START);
        Click(window, IDC_STOP);
        EXPECT_FALSE(Enabled(window, IDC_STOP));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_CURRENT_DIR)), "");
        EXPECT_EQ(WaitForSingleObject(dlg.m_runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        ASSERT_TRUE(AwaitBox(0)) << "no summary after Stop";
        int files = -1, ads = -1;
        EXPECT_EQ(std::sscanf(m_boxes.Shown().back().text.c_str(), "%d files scanned\n%d file(s)", &files, &ads), 2);
        EXPECT_LE(ads, 3);
        EXPECT_TRUE(Enabled(window, IDC_START));
        EXPECT_FALSE(Enabled(window, IDC_STOP));

        // A new scan runs to its end.
        Click(window, IDC_START);
        ASSERT_TRUE(AwaitBox(1));
        EXPECT_EQ(std::sscanf(m_boxes.Shown().back().text.c_str(), "%d files scanned\n%d file(s)", &files, &ads), 2);
        EXPECT_EQ(ads, 3);
    });
}

TEST_F(ScanDialog, ASelectionThatNamesNoDriveIsRefusedWithAnErrorBox)
{
    struct Case {
        const char* what;
        std::function<void(HWND combo)> prepare;
        const char* text;
    };
    const Case cases[] = {
        {"no entry selected", [](HWND combo) { SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); },
         "There are no NTFS drives available to scan"},
        {"the no-drives entry",
         [](HWND combo) {
             char text[] = "No Local NTFS Drives Available";
             COMBOBOXEXITEMA item{};
             item.mask = CBEIF_TEXT;
             item.iItem = 0;
             item.pszText = text;
             SendMessageA(combo, CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
             SendMessageA(combo, CB_SETCURSEL, 0, 0);
         },
         "Invalid Selection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = m_boxes.Count();
        CScanDlg dialog;
        RunDialog(dialog, [&](CScanDlg& dlg) {
            const HWND window = dlg.m_hWnd;
            m_boxes.Ignore(window);
            c.prepare(GetDlgItem(window, IDC_DRIVES));
            Click(window, IDC_START);
            ASSERT_EQ(m_boxes.Count(), before + 1);
            const ShownBox box = m_boxes.Shown().back();
            EXPECT_EQ(box.text, c.text);
            EXPECT_EQ(box.caption, "Error");
            EXPECT_EQ(box.owner, window);
            EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_ERROR));
            // Nothing else happens.
            EXPECT_TRUE(Enabled(window, IDC_START));
            EXPECT_FALSE(Enabled(window, IDC_STOP));
            EXPECT_EQ(WindowText(GetDlgItem(window, IDC_RESULTS)), "");
            EXPECT_EQ(WaitForSingleObject(dlg.m_runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        });
    }
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(ScanDialog, SaveResultsWritesTheViewsTextThroughTheRealSaveDialog)
{
    ASSERT_TRUE(MakeTree()) << "no lettered folder";
    char temp[MAX_PATH + 1] = {};
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    const std::string target = std::string(temp) + "vlm-saved-" + std::to_string(GetCurrentProcessId()) + ".txt";
    // An older, longer file there: the save dialog asks before replacing it, and the new text
    // replaces all of it.
    std::ofstream(target, std::ios::binary) << std::string(4000, 'o');

    std::string initialName;
    std::vector<std::string> captions;
    m_boxes.SetAnswer([&](const ShownBox& box) {
        captions.push_back(box.caption);
        // The save dialog: its file name field, typed into, then Save.
        HWND name = GetDlgItem(box.window, 0x47C); // the name combo box of the explorer-style dialog
        if (name) {
            initialName = WindowText(name);
            SetWindowTextA(name, target.c_str());
            BoxAnswerer::Press(box.window, IDOK);
            return;
        }
        if (HWND plain = GetDlgItem(box.window, 0x480)) { // the name field of the older dialog
            initialName = WindowText(plain);
            SetWindowTextA(plain, target.c_str());
            BoxAnswerer::Press(box.window, IDOK);
            return;
        }
        BoxAnswerer::PressDefault(box);
    });

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        m_boxes.Ignore(window);
        Select(window, EntryOf(GetDlgItem(window, IDC_DRIVES), m_tree->Root()));
        Click(window, IDC_START);
        ASSERT_TRUE(AwaitBox(0));
        const size_t before = m_boxes.Count();
        SendMessageA(window, WM_COMMAND, ID_FILE_SAVE_RESULTS, 0);
        Pump();
        // The save dialog, then its question about the file that is there.
        ASSERT_GE(m_boxes.Count(), before + 2) << "no save dialog, or no question before replacing";
        const std::string saved = ReadFileText(target);
        EXPECT_EQ(saved, WindowText(GetDlgItem(window, IDC_RESULTS)));
        EXPECT_NE(saved.find("!!! ADS FOUND !!!"), std::string::npos);
    });
    EXPECT_EQ(initialName, "AdsScan.txt");
    ASSERT_GE(captions.size(), 2u);
    // The summary, the save dialog, its question (a message box with Yes, which was pressed).
    ASSERT_GE(m_boxes.Count(), 3u);
    EXPECT_NE(m_boxes.Shown()[2].text, "");
    DeleteFileA(target.c_str());
}

TEST_F(ScanDialog, TheAboutBoxComesFromTheMenuAndFromTheHelpKey)
{
    struct Case {
        const char* what;
        std::function<void(HWND dialog, size_t boxesBefore)> ask;
    };
    const Case cases[] = {
        {"Help menu, About...", [](HWND dialog, size_t) { SendMessageA(dialog, WM_COMMAND, ID_HELP_ABOUT, 0); }},
        {"F1 on the focused control",
         [this](HWND dialog, size_t boxesBefore) {
             SetForegroundWindow(dialog);
             SetFocus(GetDlgItem(dialog, IDC_START));
             Pump();
             // The key as the keyboard gives it: input for the focused window, turned into the
             // help request by the system.
             INPUT keys[2] = {};
             for (INPUT& key : keys) {
                 key.type = INPUT_KEYBOARD;
                 key.ki.wVk = VK_F1;
             }
             keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
             EXPECT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
             const DWORD start = GetTickCount();
             // The key goes through the input queue: the box comes when the loop gets to it.
             PumpUntil([&] { return GetTickCount() - start > 10000 || m_boxes.Count() > boxesBefore; });
             Pump();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = m_boxes.Count();
        CScanDlg dialog;
        RunDialog(dialog, [&](CScanDlg& dlg) {
            m_boxes.Ignore(dlg.m_hWnd);
            c.ask(dlg.m_hWnd, before);
            ASSERT_EQ(m_boxes.Count(), before + 1) << "no About box";
            const ShownBox about = m_boxes.Shown().back();
            EXPECT_EQ(about.caption, "About Velmora");
            EXPECT_EQ(about.owner, dlg.m_hWnd);
            // The program's icon, the four lines of the notice, and OK.
            EXPECT_EQ(about.icon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
            ASSERT_EQ(about.texts.size(), 3u);
            EXPECT_EQ(about.texts[1].rfind("Velmora v 1.0\n", 0), 0u) << about.texts[1];
            EXPECT_EQ(about.texts[1].substr(about.texts[1].size() - std::string("\n\n" VLM_WEB_ADDRESS).size()),
                      "\n\n" VLM_WEB_ADDRESS);
            EXPECT_EQ(about.texts[2], "OK");
        });
    }
}

} // namespace
} // namespace vlm::test
