// What the real scan dialog shows on Windows besides a scan: its icons, the logo painted in the
// top-right corner through the common controls' colour mapping, the link label's colours, the
// menu bar, and Quit while a scan runs. (The web-site command and a click on the link are not
// run: under Wine the shell would start a browser.)
#include "framework/CRichEditCtrl.h"
#include "gui_support.h"
#include "support/CannedStreams.h"
#include "support/TestTree.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace vlm::test {
namespace {

class Dialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(HasDisplay()) << "no display: the dialog cannot show (run through scripts/test-windows.sh)";
        ASSERT_TRUE(AfxInitRichEdit());
    }
    BoxAnswerer m_boxes;
};

TEST_F(Dialog, ItShowsTheIconAndPaintsTheMappedLogoInTheTopRightCorner)
{
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), dlg.m_hIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0)), dlg.m_hIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_QUERYDRAGICON, 0, 0)), dlg.m_hIcon);
        EXPECT_EQ(WindowText(window), "");

        // The logo as the dialog paints it: the bitmap with its greys mapped to the button colours.
        const HBITMAP logo = CreateMappedBitmap(GetModuleHandleA(nullptr), IDB_LOGO, 0, nullptr, 0);
        ASSERT_NE(logo, nullptr);
        BITMAP info{};
        ASSERT_NE(GetObjectA(logo, sizeof info, &info), 0);
        EXPECT_EQ(info.bmWidth, 188);
        EXPECT_EQ(info.bmHeight, 60);
        const HDC memory = CreateCompatibleDC(nullptr);
        const HGDIOBJ previous = SelectObject(memory, logo);

        RECT client{};
        GetClientRect(window, &client);
        // However the dialog comes to be painted, erasing its background never wipes the logo.
        struct Case {
            const char* what;
            std::function<void()> repaint;
        };
        const Case cases[] = {
            {"as first shown", [] {}},
            {"painted again", [&] {
                 InvalidateRect(window, nullptr, FALSE);
                 UpdateWindow(window);
             }},
            {"invalidated for erasing, then painted", [&] {
                 // What uncovering a window does: the erase waits for the paint's BeginPaint.
                 InvalidateRect(window, nullptr, TRUE);
                 UpdateWindow(window);
             }},
            {"erased, then painted", [&] {
                 RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_ALLCHILDREN);
                 UpdateWindow(window);
             }},
        };
        const HDC screen = GetDC(window);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            c.repaint();
            Pump();
            int compared = 0, differing = 0, notGrey = 0;
            for (int y = 0; y < info.bmHeight; y += 3) {
                for (int x = 0; x < info.bmWidth; x += 3) {
                    const COLORREF wanted = GetPixel(memory, x, y);
                    const COLORREF shown = GetPixel(screen, client.right - info.bmWidth + x, y);
                    ++compared;
                    differing += wanted != shown;
                    notGrey += wanted != GetSysColor(COLOR_3DFACE);
                }
            }
            EXPECT_GT(notGrey, 100) << "the logo has a picture, not just its ground";
            EXPECT_EQ(differing, 0) << "of " << compared << " pixels";
        }
        ReleaseDC(window, screen);
        SelectObject(memory, previous);
        DeleteDC(memory);
        DeleteObject(logo);
    });
}

TEST_F(Dialog, TheLinkIsBlueUnderlinedAndNotifiesClicks)
{
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND link = GetDlgItem(dlg.m_hWnd, IDC_WEBLINK);
        EXPECT_EQ(WindowText(link), VLM_WEB_ADDRESS);
        const HDC dc = GetDC(link);
        SendMessageA(dlg.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        LOGFONTA font{};
        GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
        EXPECT_TRUE(font.lfUnderline);
        ReleaseDC(link, dc);
        // Clicks come to the dialog only with SS_NOTIFY, which the label gives itself.
        EXPECT_NE(GetWindowLongPtrA(link, GWL_STYLE) & SS_NOTIFY, 0);
    });
}

TEST_F(Dialog, TheMenuBarHasItsFourPlacesAndTheirCommands)
{
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HMENU bar = GetMenu(dlg.m_hWnd);
        ASSERT_NE(bar, nullptr);
        ASSERT_EQ(GetMenuItemCount(bar), 4);
        const auto text = [](HMENU menu, UINT position) {
            char buffer[128] = {};
            GetMenuStringA(menu, position, buffer, sizeof buffer, MF_BYPOSITION);
            return std::string(buffer);
        };
        EXPECT_EQ(text(bar, 0), "File");
        EXPECT_EQ(text(bar, 1), "Edit");
        EXPECT_EQ(text(bar, 2), "");
        EXPECT_EQ(GetMenuItemID(bar, 2), static_cast<UINT>(ID_MENU_SPACER));
        EXPECT_EQ(text(bar, 3), "Help");
        struct Item {
            int bar;
            int position;
            UINT id;
            const char* text; // null: any text
        } items[] = {
            {0, 0, ID_FILE_SAVE_RESULTS, "Save Results..."}, {0, 1, ID_FILE_QUIT, "Quit"},
            {1, 0, ID_EDIT_SELECT_ALL, "Select All"},        {1, 1, ID_EDIT_COPY, "Copy"},
            {3, 0, ID_HELP_WEBSITE, nullptr},                {3, 1, ID_HELP_ABOUT, "About..."},
        };
        for (const Item& item : items) {
            SCOPED_TRACE(item.id);
            const HMENU popup = GetSubMenu(bar, item.bar);
            ASSERT_NE(popup, nullptr);
            EXPECT_EQ(GetMenuItemCount(popup), 2);
            EXPECT_EQ(GetMenuItemID(popup, item.position), item.id);
            if (item.text)
                EXPECT_EQ(text(popup, static_cast<UINT>(item.position)), item.text);
            else
                EXPECT_NE(text(popup, static_cast<UINT>(item.position)), "");
        }
    });
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(Dialog, OpeningTheRealMenusGreysWhatTheEmptyViewCannotDo)
{
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        const HMENU bar = GetMenu(window);
        const HMENU file = GetSubMenu(bar, 0);
        const HMENU edit = GetSubMenu(bar, 1);
        for (const UINT id : {ID_FILE_SAVE_RESULTS, ID_FILE_QUIT})
            EnableMenuItem(file, id, MF_BYCOMMAND | MF_ENABLED);
        for (const UINT id : {ID_EDIT_SELECT_ALL, ID_EDIT_COPY})
            EnableMenuItem(edit, id, MF_BYCOMMAND | MF_ENABLED);
        const auto grayed = [](HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };

        // As a person opens them: Alt to the bar, Down opens File, Right goes on to Edit, Escape
        // twice leaves. The system sends WM_INITMENUPOPUP for each popup with its bar position.
        SetForegroundWindow(window);
        Pump();
        std::vector<INPUT> keys;
        const auto key = [&](WORD vk, bool up) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = vk;
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            keys.push_back(input);
        };
        for (const WORD vk : {VK_MENU, VK_DOWN, VK_RIGHT, VK_ESCAPE, VK_ESCAPE}) {
            key(vk, false);
            key(vk, true);
        }
        ASSERT_EQ(SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)), keys.size());
        const DWORD start = GetTickCount();
        PumpUntil([&] {
            return GetTickCount() - start > 10000 || (grayed(file, ID_FILE_SAVE_RESULTS) && grayed(edit, ID_EDIT_COPY));
        });
        Pump();
        // An empty view: start = end = 0.
        EXPECT_TRUE(grayed(file, ID_FILE_SAVE_RESULTS));
        EXPECT_FALSE(grayed(file, ID_FILE_QUIT));
        EXPECT_TRUE(grayed(edit, ID_EDIT_SELECT_ALL));
        EXPECT_TRUE(grayed(edit, ID_EDIT_COPY));
        EXPECT_TRUE(IsWindow(window)) << "the keys ended the dialog";
    });
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(Dialog, QuitDuringAScanEndsTheDialogWithOkAndClearsTheRunFlag)
{
    std::unique_ptr<TestTree> tree = TestTree::Create();
    ASSERT_TRUE(tree) << "no lettered folder";
    CannedStreams streams;
    for (int i = 0; i < 50; ++i) {
        const std::string name = "q" + std::to_string(i);
        tree->WriteFile(name, "x");
        std::vector<BYTE> records = CannedStreams::Records({u"::$DATA", u":s:$DATA"});
        const ULONG_PTR size = records.size();
        streams.Answer(name, CannedAnswer(STATUS_SUCCESS, std::move(records), size));
    }
    CScanDlg dialog;
    HANDLE runEvent = nullptr;
    const INT_PTR result = RunDialog(
        dialog,
        [&](CScanDlg& dlg) {
            runEvent = dlg.m_runEvent;
            const HWND combo = GetDlgItem(dlg.m_hWnd, IDC_DRIVES);
            const std::vector<std::string> entries = ComboEntries(combo);
            for (size_t i = 1; i < entries.size(); ++i) {
                if (entries[i].rfind(tree->Root().substr(0, 2), 0) == 0)
                    SendMessageA(combo, CB_SETCURSEL, i, 0);
            }
            Click(dlg.m_hWnd, IDC_START);
            EXPECT_FALSE(Enabled(dlg.m_hWnd, IDC_START));
            SendMessageA(dlg.m_hWnd, WM_COMMAND, ID_FILE_QUIT, 0);
            EXPECT_EQ(WaitForSingleObject(runEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        },
        true);
    EXPECT_EQ(result, IDOK);
    // No summary: the dialog went before the worker's completion notice.
    EXPECT_EQ(m_boxes.Count(), 0u);
    // The worker holds the job itself and lets go once it has unwound, before the tree goes.
    const std::shared_ptr<ScanShared> job = dialog.m_job;
    EXPECT_TRUE(PumpUntil([&] { return job.use_count() == 2; }));
}

} // namespace
} // namespace vlm::test
