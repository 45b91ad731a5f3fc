// The scan dialog's painting and commands on the real window layer: the logo and the minimised
// icon read back as pixels, Copy onto the real clipboard, the web-site command, a drive list that
// cannot be filled, the menus' greying in every state of the view, and the ways the dialog can end
// while a worker is still scanning.
#include "app_support.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>

#include <memory>

namespace vlm::test {
namespace {

QImage GrabClient(HWND dialog)
{
    QWidget* client = vlm::qt::ClientWidget(dialog);
    return client ? client->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

// What the dialog's own WM_PAINT puts down, without its controls painted over it.
QImage GrabClientAlone(HWND dialog)
{
    QWidget* client = vlm::qt::ClientWidget(dialog);
    if (!client)
        return {};
    QImage image(client->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    client->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

QRgb ToRgb(COLORREF colour)
{
    return qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

// The logo as the dialog should show it: the resource's own pixels, with the four standard greys
// replaced by the button colours of the moment. The resource is read unmapped, so that a fault
// in the mapping itself shows.
QImage ExpectedLogo()
{
    const HBITMAP raw = LoadBitmapA(nullptr, MAKEINTRESOURCEA(IDB_LOGO));
    if (!raw)
        return {};
    BITMAP info{};
    GetObjectA(raw, sizeof info, &info);
    const struct {
        COLORREF from;
        int to;
    } map[] = {{RGB(0, 0, 0), COLOR_BTNTEXT},
               {RGB(128, 128, 128), COLOR_BTNSHADOW},
               {RGB(192, 192, 192), COLOR_BTNFACE},
               {RGB(255, 255, 255), COLOR_BTNHIGHLIGHT}};
    QImage expected(info.bmWidth, info.bmHeight, QImage::Format_RGB32);
    const HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(memory, raw);
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x) {
            COLORREF pixel = GetPixel(memory, x, y);
            for (const auto& entry : map)
                if (pixel == entry.from) {
                    pixel = GetSysColor(entry.to);
                    break;
                }
            expected.setPixel(x, y, ToRgb(pixel));
        }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(raw);
    return expected;
}

// How many pixels of the client area's top-right corner differ from the logo.
int LogoMismatches(const QImage& shown, const QImage& logo)
{
    const int left = shown.width() - logo.width();
    int differing = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            differing += shown.pixel(left + x, y) != logo.pixel(x, y);
    return differing;
}

// The icon's opaque pixels as DrawIcon puts them down (alpha 0 where it is transparent): drawn on
// two different grounds, a pixel that comes out the same on both is the icon's own.
QImage IconAsDrawn(HICON icon, int size)
{
    QImage pixels[2];
    const COLORREF grounds[2] = {RGB(1, 2, 3), RGB(250, 251, 252)};
    for (int i = 0; i < 2; ++i) {
        const HDC memory = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateCompatibleBitmap(memory, size, size);
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        const HBRUSH brush = CreateSolidBrush(grounds[i]);
        const RECT all{0, 0, size, size};
        FillRect(memory, &all, brush);
        DrawIcon(memory, 0, 0, icon);
        pixels[i] = QImage(size, size, QImage::Format_ARGB32);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                pixels[i].setPixel(x, y, ToRgb(GetPixel(memory, x, y)));
        SelectObject(memory, previous);
        DeleteObject(brush);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    QImage opaque(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            opaque.setPixel(x, y, pixels[0].pixel(x, y) == pixels[1].pixel(x, y) ? pixels[0].pixel(x, y) : 0u);
    return opaque;
}

// A key pressed in control `id`, reaching the dialog manager through the focused widget.
void PressKeyIn(HWND dialog, int id, int key)
{
    const HWND focus = GetDlgItem(dialog, id);
    SetFocus(focus);
    ASSERT_NE(vlm::qt::WindowWidget(focus), nullptr);
    PressKey(focus, key);
}

void Select(HWND edit, LONG first, LONG last)
{
    CHARRANGE range{first, last};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

std::string WithoutCarriageReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}

class CommandsFixture : public DialogFixture {
protected:
    // A drive list with nothing to scan: enough for a dialog that starts without an error box.
    void NoNtfsDrive()
    {
        m_table.Set(MountLine(901, "8:17", m_table.Dir().MakeDir("fat"), "vfat", "/dev/sdb1", ""));
    }

    // Waits for the summary box; its text, or "" after a hang.
    std::string AwaitSummary(size_t boxesBefore)
    {
        if (!PumpUntil([&] { return m_boxes.Count() > boxesBefore; }))
            return "";
        return m_boxes.Calls().back().text;
    }

    // A volume whose scan sends many notices, so that a worker is still busy when the test acts.
    bool BusyVolume(int files)
    {
        if (!OneVolume())
            return false;
        for (int i = 0; i < files; ++i) {
            const std::string name = "busy" + std::to_string(i);
            m_volume->WriteFile(name, "x");
            m_volume->AddStream(name, "s");
        }
        return true;
    }
};

class DialogPaint : public CommandsFixture {};

TEST_F(DialogPaint, TheLogoSitsUnscaledInTheTopRightCornerInTheButtonColours)
{
    NoNtfsDrive();
    const QImage logo = ExpectedLogo();
    ASSERT_EQ(logo.size(), QSize(188, 60));
    // The picture is more than its ground, or a blank corner would pass.
    const QRgb face = ToRgb(GetSysColor(COLOR_BTNFACE));
    int ink = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            ink += logo.pixel(x, y) != face;
    ASSERT_GT(ink, 200);

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const QImage shown = GrabClient(dlg.m_hWnd);
        RECT client{};
        GetClientRect(dlg.m_hWnd, &client);
        ASSERT_EQ(shown.width(), client.right);
        ASSERT_GT(shown.width(), logo.width());
        EXPECT_EQ(LogoMismatches(shown, logo), 0);
        // Unscaled and at the very corner: the ground goes on just left of and below it.
        const int left = shown.width() - logo.width();
        EXPECT_EQ(shown.pixel(left - 1, 2), face);
        EXPECT_EQ(shown.pixel(shown.width() - 1, logo.height()), face);
    });
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(DialogPaint, MinimisedTheIconIsDrawnCentredInsteadOfTheLogo)
{
    NoNtfsDrive();
    const QImage logo = ExpectedLogo();
    ASSERT_FALSE(logo.isNull());

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        ASSERT_NE(dlg.m_hIcon, nullptr);
        // What the window offers to stand for it while dragged minimised is its own icon.
        EXPECT_EQ(SendMessageA(window, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(dlg.m_hIcon));

        ShowWindow(window, SW_MINIMIZE);
        Pump();
        ASSERT_TRUE(IsIconic(window)) << "the window layer cannot minimise here";
        // The layer still shows the controls of a minimised dialog, and the icon is centred
        // where the results view lies: the dialog's own painting is read without them.
        const QImage shown = GrabClientAlone(window);
        RECT client{};
        GetClientRect(window, &client);
        const int size = GetSystemMetrics(SM_CXICON);
        const int x0 = (client.right - size + 1) / 2;
        const int y0 = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        const QImage icon = IconAsDrawn(dlg.m_hIcon, size);
        int opaque = 0, differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                if (qAlpha(icon.pixel(x, y)) == 0)
                    continue;
                ++opaque;
                differing += shown.pixel(x0 + x, y0 + y) != (icon.pixel(x, y) | 0xFF000000u);
            }
        ASSERT_GT(opaque, 20) << "the icon draws (almost) nothing";
        EXPECT_EQ(differing, 0) << "of " << opaque << " opaque pixels";
        EXPECT_GT(LogoMismatches(shown, logo), logo.width() * logo.height() / 10) << "the logo is drawn minimised";

        ShowWindow(window, SW_RESTORE);
        Pump();
        ASSERT_FALSE(IsIconic(window));
        EXPECT_EQ(LogoMismatches(GrabClient(window), logo), 0) << "no logo after restoring";
    });
}

class DialogCommands : public CommandsFixture {};

TEST_F(DialogCommands, CopyAfterSelectAllPutsTheWholeViewOnTheClipboard)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    m_volume->WriteFile("a.txt", "a");
    m_volume->AddStream("a.txt", "one");
    m_volume->WriteFile("b.txt", "b");

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        Click(dlg.m_hWnd, IDC_START);
        ASSERT_FALSE(AwaitSummary(0).empty()) << "no summary box";
        Pump();
        const std::string view = WindowText(GetDlgItem(dlg.m_hWnd, IDC_RESULTS));
        ASSERT_NE(view.find("!!! ADS FOUND !!!"), std::string::npos) << view;
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("left over from before");
        ASSERT_EQ(clipboard->text(), "left over from before") << "no clipboard on this platform";

        SendMessageA(dlg.m_hWnd, WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
        SendMessageA(dlg.m_hWnd, WM_COMMAND, ID_EDIT_COPY, 0);
        // Every line, in order; the desktop's clipboard ends lines in LF alone.
        EXPECT_EQ(clipboard->text().toStdString(), WithoutCarriageReturns(view));
    });
}

TEST_F(DialogCommands, WebSiteOpensTheHomePageAndIgnoresAFailure)
{
    NoNtfsDrive();
    std::vector<std::string> opened;
    std::vector<UINT> beeps;
    bool opens = true;
    const auto previousOpener = vlm::qt::SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return opens;
    });
    const auto previousBeep = vlm::qt::SetBeepListener([&](UINT type) { beeps.push_back(type); });

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        const HWND link = GetDlgItem(window, IDC_WEBLINK);
        // The command comes from the Help menu, not from the label.
        EXPECT_NE(GetMenuState(GetSubMenu(GetMenu(window), 3), ID_HELP_WEBSITE, MF_BYCOMMAND), UINT(-1));
        for (const bool succeeds : {true, false}) {
            SCOPED_TRACE(succeeds ? "the desktop opens it" : "nothing takes it");
            opens = succeeds;
            opened.clear();
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_HELP_WEBSITE, 0), 0);
            EXPECT_EQ(opened, std::vector<std::string>{CScanDlg::kWebSite});
            EXPECT_TRUE(beeps.empty());
            EXPECT_EQ(m_boxes.Count(), 0u);
            EXPECT_TRUE(IsWindow(window));
        }
        // The label's visited colour belongs to the label's own clicks.
        const HDC dc = GetDC(link);
        SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
        ReleaseDC(link, dc);
    });
    vlm::qt::SetUrlOpener(previousOpener);
    vlm::qt::SetBeepListener(previousBeep);
}

class DialogInitFailure : public CommandsFixture {};

TEST_F(DialogInitFailure, NoDrivesAtAllShowTheErrorAndStartThenDoesNothing)
{
    struct Case {
        const char* what;
        bool readable; // the table exists (and is empty) or cannot be read at all
    } const cases[] = {{"an empty mount table", true}, {"a mount table that cannot be read", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.readable)
            m_table.Set("");
        else
            vlm::posix::SetMountTableSource(m_table.Dir().Path("no-such-mountinfo"));
        vlm::posix::ResetDriveLetters();
        ASSERT_EQ(GetLogicalDrives(), 0u) << "the fixture has drives after all";

        const size_t before = m_boxes.Count();
        CScanDlg dialog;
        RunDialog(dialog, [&](CScanDlg& dlg) {
            const HWND window = dlg.m_hWnd;
            const auto calls = m_boxes.Calls();
            ASSERT_EQ(calls.size(), before + 1);
            EXPECT_EQ(calls.back().text, "Error Initializing Drive List");
            EXPECT_EQ(calls.back().caption, "Error");
            EXPECT_EQ(calls.back().type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(calls.back().owner, window);
            Pump();
            // The dialog stays open and answers.
            ASSERT_TRUE(IsWindow(window));
            EXPECT_TRUE(IsWindowVisible(window));
            const HWND combo = GetDlgItem(window, IDC_DRIVES);
            EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
            EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);

            // Without a run flag there is nothing to scan with: Start is refused without a word.
            Click(window, IDC_START);
            Pump();
            EXPECT_EQ(m_boxes.Count(), before + 1);
            EXPECT_EQ(dlg.m_job.use_count(), 1) << "a worker was started";
            EXPECT_EQ(WindowText(GetDlgItem(window, IDC_RESULTS)), "");
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_START)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_STOP)));
            // Stop and the menus stay harmless too.
            Click(window, IDC_STOP);
            EXPECT_TRUE(Grayed(window, 0, ID_FILE_SAVE_RESULTS));
            EXPECT_FALSE(Grayed(window, 0, ID_FILE_QUIT));
            EXPECT_EQ(m_boxes.Count(), before + 1);
        });
    }
}

class DialogMenus : public CommandsFixture {};

TEST_F(DialogMenus, GreyingFollowsTheSelectionAndTheScanWhileQuitWebSiteAndAboutStayEnabled)
{
    if (!OneVolume())
        GTEST_SKIP() << "no NTFS volume here";
    m_volume->WriteFile("a.txt", "a");
    m_volume->AddStream("a.txt", "one");

    struct Expect {
        bool save, selectAll, copy; // enabled?
    };
    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        const HWND results = GetDlgItem(window, IDC_RESULTS);
        const auto check = [&](const char* state, Expect expect) {
            SCOPED_TRACE(state);
            EXPECT_EQ(!Grayed(window, 0, ID_FILE_SAVE_RESULTS), expect.save);
            EXPECT_EQ(!Grayed(window, 1, ID_EDIT_SELECT_ALL), expect.selectAll);
            EXPECT_EQ(!Grayed(window, 1, ID_EDIT_COPY), expect.copy);
            EXPECT_FALSE(Grayed(window, 0, ID_FILE_QUIT));
            EXPECT_FALSE(Grayed(window, 3, ID_HELP_WEBSITE));
            EXPECT_FALSE(Grayed(window, 3, ID_HELP_ABOUT));
        };

        check("an empty view", {false, false, false});
        // The system menu is not the dialog's to grey: an item there keeps its state.
        const HMENU file = GetSubMenu(GetMenu(window), 0);
        EnableMenuItem(file, ID_FILE_SAVE_RESULTS, MF_BYCOMMAND | MF_ENABLED);
        SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, TRUE));
        EXPECT_EQ(GetMenuState(file, ID_FILE_SAVE_RESULTS, MF_BYCOMMAND) & MF_GRAYED, 0u);

        // Until the summary is handled the run flag stays set, and nothing is handled before
        // this script returns to the loop: the scan is running here whatever the worker does.
        Click(window, IDC_START);
        SendMessageA(window, WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
        check("scanning, with everything selected", {false, false, false});
        ASSERT_FALSE(AwaitSummary(0).empty()) << "no summary box";
        Pump();

        const LONG end = GetWindowTextLengthA(results);
        ASSERT_GT(end, 10);
        const struct {
            const char* state;
            CHARRANGE selection;
            Expect expect;
        } after[] = {
            {"after the scan, the caret after the last line", {end, end}, {true, true, false}},
            {"after the scan, the caret inside the text", {5, 5}, {true, true, false}},
            {"after the scan, the caret at the very beginning", {0, 0}, {false, false, false}},
            {"after the scan, a selection from the beginning", {0, 5}, {true, true, true}},
            {"after the scan, everything selected", {0, -1}, {true, true, true}},
        };
        for (const auto& row : after) {
            Select(results, row.selection.cpMin, row.selection.cpMax);
            check(row.state, row.expect);
        }
    });
}

class DialogEnding : public CommandsFixture {};

TEST_F(DialogEnding, EndingDuringAScanLeavesTheRunFlagAndTheWorkerOutlivesTheDialog)
{
    constexpr int kFiles = 300;
    if (!BusyVolume(kFiles))
        GTEST_SKIP() << "no NTFS volume here";
    struct Case {
        const char* what;
        std::function<void(HWND)> end;
        INT_PTR result;
    } const cases[] = {
        {"the close box", [](HWND window) { vlm::qt::WindowWidget(window)->close(); }, IDCANCEL},
        {"SC_CLOSE", [](HWND window) { SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {"WM_CLOSE", [](HWND window) { SendMessageA(window, WM_CLOSE, 0, 0); }, IDCANCEL},
        {"Escape in the results", [](HWND window) { PressKeyIn(window, IDC_RESULTS, Qt::Key_Escape); }, IDCANCEL},
        // The template has no default button: Enter is the dialog's OK command.
        {"Enter in the results", [](HWND window) { PressKeyIn(window, IDC_RESULTS, Qt::Key_Return); }, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t boxes = m_boxes.Count();
        auto dialog = std::make_unique<CScanDlg>();
        const std::shared_ptr<ScanShared> job = dialog->m_job;
        const INT_PTR result = RunDialog(*dialog, [&](CScanDlg& dlg) {
            Click(dlg.m_hWnd, IDC_START);
            // (No ASSERT here: the script must end the dialog whatever happens.)
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg.m_hWnd, IDC_START))) << "no scan started";
            c.end(dlg.m_hWnd);
        }, true);
        EXPECT_EQ(result, c.result);
        ASSERT_NE(job->runEvent, nullptr);
        // Ending the dialog this way is neither Stop nor Quit: the flag is still set when DoModal returns.
        EXPECT_EQ(WaitForSingleObject(job->runEvent, 0), static_cast<DWORD>(WAIT_OBJECT_0));

        // The dialog object goes (and with it its hold on the job) while the worker runs on. Its
        // destructor clears the flag; setting it again stands for a worker that has not looked
        // yet, and keeps it scanning and notifying a window that is gone after the dialog's
        // memory is freed (the sanitizer build reports any touch of it).
        dialog.reset();
        SetEvent(job->runEvent);
        EXPECT_TRUE(PumpUntil([&] { return job.use_count() == 1; })) << "the worker never let go of the job";
        EXPECT_LE(job->job.adsFiles, kFiles);
        Pump();
        // Its completion notice went to no window: no summary box.
        EXPECT_EQ(m_boxes.Count(), boxes);
    }
}

} // namespace
} // namespace vlm::test
