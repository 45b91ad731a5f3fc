// Dialogs built from the program's templates: geometry through the dialog font's base units,
// tab order, texts, and the keys and close box the dialog manager handles.
#include "qt_support.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>

#include <map>

namespace vlm::test {
namespace {

struct Command {
    WORD id;
    WORD code;
    HWND from;
};

// The base units as the dialog manager defines them, measured here independently.
SIZE ExpectedBaseUnits(HWND dialog)
{
    LOGFONTA logFont{};
    const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(GetObjectA(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    EXPECT_EQ(logFont.lfHeight, -11) << "8 points at 96 dots per inch";
    QWidget* client = vlm::qt::ClientWidget(GetDlgItem(dialog, IDC_START));
    const QFontMetrics metrics(client->font());
    const int width = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return SIZE{(width / 26 + 1) / 2, metrics.height()};
}

TEST(Dialog, ScanDialogControlsSitWhereTheTemplatePutsThem)
{
    TestDialog dialog(IDD_SCAN_DIALOG);
    ASSERT_NE(dialog.Window(), nullptr);
    const SIZE base = ExpectedBaseUnits(dialog.Window());
    ASSERT_GT(base.cx, 3);
    ASSERT_GT(base.cy, 9);
    auto px = [&](int x, int y, int cx, int cy) {
        return QRect(MulDiv(x, base.cx, 4), MulDiv(y, base.cy, 8), MulDiv(cx, base.cx, 4), MulDiv(cy, base.cy, 8));
    };
    struct Expected {
        int id;
        QRect rect;
    };
    // The combo box's template height is that of its dropped-down list; it is not checked.
    const std::vector<Expected> expected{
        {IDC_START, px(35, 48, 50, 14)},     {IDC_STOP, px(95, 48, 50, 14)},
        {IDC_RESULTS, px(7, 74, 309, 91)},   {IDC_CURRENT_DIR, px(7, 184, 309, 8)},
        {IDC_WEBLINK, px(192, 46, 124, 10)},
    };
    for (const auto& item : expected) {
        const HWND control = dialog.Item(item.id);
        ASSERT_NE(control, nullptr) << item.id;
        EXPECT_EQ(InClient(dialog.Window(), control), item.rect) << item.id;
    }
    const QRect drives = InClient(dialog.Window(), dialog.Item(IDC_DRIVES));
    EXPECT_EQ(drives.topLeft(), px(7, 20, 166, 62).topLeft());
    EXPECT_EQ(drives.width(), px(7, 20, 166, 62).width());

    RECT client{};
    GetClientRect(dialog.Window(), &client);
    EXPECT_EQ(client.right, MulDiv(323, base.cx, 4));
    EXPECT_EQ(client.bottom, MulDiv(199, base.cy, 8));

    RECT mapped{7, 74, 7 + 309, 74 + 91};
    ASSERT_TRUE(MapDialogRect(dialog.Window(), &mapped));
    EXPECT_EQ(mapped.left, px(7, 74, 309, 91).left());
    EXPECT_EQ(mapped.bottom, MulDiv(74 + 91, base.cy, 8));
}

// The styles a dialog carries once made: its template's, and what the system adds to every
// dialog (the 3D look, sibling clipping, the modal frame's extended style and raised edge, the
// control-parent mark).
TEST(Dialog, DialogsCarryTheirTemplatesStylesAndWhatTheSystemAdds)
{
    struct Case {
        int id;
        DWORD style;
        DWORD exStyle;
    };
    for (const Case& c : {Case{IDD_SCAN_DIALOG, 0x94CA00C4u, 0x00050301u}, Case{IDD_ABOUTBOX, 0x94C800C4u, 0x00010101u}}) {
        TestDialog dialog(c.id);
        ASSERT_NE(dialog.Window(), nullptr) << c.id;
        ShowWindow(dialog.Window(), SW_SHOW);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(dialog.Window(), GWL_STYLE)), c.style) << c.id;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(dialog.Window(), GWL_EXSTYLE)), c.exStyle) << c.id;
    }
}

TEST(Dialog, ControlsComeInTemplateOrderWithTheirTextsAndStates)
{
    TestDialog dialog(IDD_SCAN_DIALOG);
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog.Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{IDC_START, IDC_STOP, IDC_RESULTS, IDC_CURRENT_DIR, IDC_DRIVES, -1, -1,
                                      IDC_WEBLINK, -1}));
    char text[64];
    GetDlgItemTextA(dialog.Window(), IDC_START, text, sizeof text);
    EXPECT_STREQ(text, "Start");
    GetDlgItemTextA(dialog.Window(), IDC_WEBLINK, text, sizeof text);
    EXPECT_STREQ(text, VLM_WEB_ADDRESS);
    EXPECT_TRUE(IsWindowEnabled(dialog.Item(IDC_START)));
    EXPECT_FALSE(IsWindowEnabled(dialog.Item(IDC_STOP)));
    EXPECT_FALSE(vlm::qt::WindowWidget(dialog.Item(IDC_STOP))->isEnabled());
    EXPECT_EQ(GetClassNameA(dialog.Item(IDC_RESULTS), text, sizeof text), 8);
    EXPECT_STREQ(text, "RICHEDIT");
    EXPECT_EQ(GetParent(dialog.Item(IDC_START)), dialog.Window());
}

TEST(Dialog, TabOrderFollowsTheTemplateAndSkipsWhatCannotTakeFocus)
{
    TestDialog dialog(IDD_SCAN_DIALOG);
    // Start, (Stop is disabled), Results, Drives, then round again.
    EXPECT_EQ(GetNextDlgTabItem(dialog.Window(), nullptr, FALSE), dialog.Item(IDC_START));
    EXPECT_EQ(GetNextDlgTabItem(dialog.Window(), dialog.Item(IDC_START), FALSE), dialog.Item(IDC_RESULTS));
    EXPECT_EQ(GetNextDlgTabItem(dialog.Window(), dialog.Item(IDC_RESULTS), FALSE), dialog.Item(IDC_DRIVES));
    EXPECT_EQ(GetNextDlgTabItem(dialog.Window(), dialog.Item(IDC_DRIVES), FALSE), dialog.Item(IDC_START));
    EXPECT_EQ(GetNextDlgTabItem(dialog.Window(), dialog.Item(IDC_START), TRUE), dialog.Item(IDC_DRIVES));

    // Qt's own focus chain visits the tab stops in the same order.
    std::map<QWidget*, int> ids;
    for (int id : {IDC_START, IDC_STOP, IDC_RESULTS, IDC_CURRENT_DIR, IDC_DRIVES, IDC_WEBLINK})
        ids[vlm::qt::WindowWidget(dialog.Item(id))] = id;
    std::vector<int> chain;
    QWidget* first = vlm::qt::WindowWidget(dialog.Item(IDC_START));
    QWidget* at = first;
    do {
        if ((at->focusPolicy() & Qt::TabFocus) && ids.count(at))
            chain.push_back(ids[at]);
        at = at->nextInFocusChain();
    } while (at && at != first && chain.size() < 10);
    EXPECT_EQ(chain, (std::vector<int>{IDC_START, IDC_STOP, IDC_RESULTS, IDC_DRIVES}));
}

TEST(Dialog, ButtonsReportClicksToTheDialog)
{
    std::vector<Command> commands;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<INT_PTR> {
        if (message == WM_COMMAND)
            commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return std::nullopt;
    });
    auto* start = qobject_cast<QPushButton*>(vlm::qt::WindowWidget(dialog.Item(IDC_START)));
    ASSERT_NE(start, nullptr);
    start->click();
    SendMessageA(dialog.Item(IDC_START), BM_CLICK, 0, 0);
    SendMessageA(dialog.Item(IDC_STOP), BM_CLICK, 0, 0); // disabled: nothing
    EnableWindow(dialog.Item(IDC_STOP), TRUE);
    SendMessageA(dialog.Item(IDC_STOP), BM_CLICK, 0, 0);
    ASSERT_EQ(commands.size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(commands[i].id, IDC_START);
        EXPECT_EQ(commands[i].code, BN_CLICKED);
        EXPECT_EQ(commands[i].from, dialog.Item(IDC_START));
    }
    EXPECT_EQ(commands[2].id, IDC_STOP);
    EXPECT_TRUE(vlm::qt::WindowWidget(dialog.Item(IDC_STOP))->isEnabled());
}

TEST(Dialog, KeysAndTheCloseBoxBecomeCommands)
{
    std::vector<Command> commands;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<INT_PTR> {
        if (message == WM_COMMAND)
            commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return std::nullopt;
    });
    ShowWindow(dialog.Window(), SW_SHOW);
    Pump();
    struct Case {
        const char* what;
        HWND focus;
        int key;
        WORD id;
    };
    const std::vector<Case> cases{
        {"F1 in the results", dialog.Item(IDC_RESULTS), Qt::Key_F1, 0xE146},
        {"F1 on a button", dialog.Item(IDC_START), Qt::Key_F1, 0xE146},
        {"Escape in the results", dialog.Item(IDC_RESULTS), Qt::Key_Escape, IDCANCEL},
        {"Escape in the drive list", dialog.Item(IDC_DRIVES), Qt::Key_Escape, IDCANCEL},
        // No default button in this template: Enter is IDOK.
        {"Enter in the results", dialog.Item(IDC_RESULTS), Qt::Key_Return, IDOK},
        // A push button with the focus takes Enter itself.
        {"Enter on Start", dialog.Item(IDC_START), Qt::Key_Return, IDC_START},
    };
    for (const auto& c : cases) {
        commands.clear();
        SetFocus(c.focus);
        PressKey(c.focus, c.key);
        ASSERT_EQ(commands.size(), 1u) << c.what;
        EXPECT_EQ(commands[0].id, c.id) << c.what;
    }
    commands.clear();
    vlm::qt::WindowWidget(dialog.Window())->close();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, IDCANCEL);
    EXPECT_EQ(commands[0].code, BN_CLICKED);
    EXPECT_TRUE(IsWindow(dialog.Window())) << "closing is the dialog's decision";
}

TEST(Dialog, HelpGoesUpFromTheFocusAndADialogMayAnswerItItself)
{
    std::vector<HELPINFO> helps;
    std::vector<WORD> commands;
    bool answerHelp = false;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<INT_PTR> {
        if (message == WM_HELP) {
            helps.push_back(*reinterpret_cast<const HELPINFO*>(lParam));
            if (answerHelp)
                return TRUE;
        }
        if (message == WM_COMMAND)
            commands.push_back(LOWORD(wParam));
        return std::nullopt;
    });
    ShowWindow(dialog.Window(), SW_SHOW);
    Pump();
    SetFocus(dialog.Item(IDC_DRIVES));
    PressKey(dialog.Item(IDC_DRIVES), Qt::Key_F1);
    ASSERT_EQ(helps.size(), 1u);
    EXPECT_EQ(helps[0].iContextType, HELPINFO_WINDOW);
    EXPECT_EQ(helps[0].hItemHandle, dialog.Item(IDC_DRIVES));
    EXPECT_EQ(helps[0].iCtrlId, IDC_DRIVES);
    EXPECT_EQ(commands, std::vector<WORD>{0xE146});

    answerHelp = true;
    helps.clear();
    commands.clear();
    PressKey(dialog.Item(IDC_DRIVES), Qt::Key_F1);
    EXPECT_EQ(helps.size(), 1u);
    EXPECT_TRUE(commands.empty()) << "answered, so no help command";
}

TEST(Dialog, TheAboutBoxEndsWithItsDefaultButtonAndShowsTheIcon)
{
    INT_PTR seen = 0;
    DialogHandler handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_INITDIALOG) {
            // Enter, as the person would press it once the box is up.
            PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
            return TRUE;
        }
        if (message == WM_COMMAND) {
            seen = LOWORD(wParam);
            EndDialog(dialog, LOWORD(wParam) + 100);
            return TRUE;
        }
        return std::nullopt;
    };
    vlm::qt::Initialize();
    const INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, HandlerDialogProc,
                                           reinterpret_cast<LPARAM>(&handler));
    EXPECT_EQ(seen, IDOK);
    EXPECT_EQ(result, IDOK + 100);

    TestDialog about(IDD_ABOUTBOX);
    HWND icon = nullptr;
    for (HWND child = GetWindow(about.Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = child;
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)), LoadIconA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
    RECT r{};
    GetWindowRect(icon, &r);
    EXPECT_EQ(r.right - r.left, 32) << "an icon static takes the icon's size";
    char caption[64];
    GetWindowTextA(about.Window(), caption, sizeof caption);
    EXPECT_STREQ(caption, "About Velmora");
}

} // namespace
} // namespace vlm::test

namespace vlm::test {
namespace {

// The framework's way: the dialog and its controls subclassed after creation; whatever the
// subclass passes on still reaches the dialog procedure and the classes' own procedures.
struct Subclass {
    static inline WNDPROC dialogPrevious = nullptr;
    static inline WNDPROC staticPrevious = nullptr;
    static inline std::vector<UINT> dialogSeen;
    static inline int staticPaints = 0;

    static LRESULT CALLBACK Dialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_COMMAND || message == WM_CTLCOLORSTATIC || message == WM_INITMENUPOPUP || message == WM_HELP)
            dialogSeen.push_back(message);
        return CallWindowProcA(dialogPrevious, window, message, wParam, lParam);
    }

    static LRESULT CALLBACK Static(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_PAINT)
            ++staticPaints;
        return CallWindowProcA(staticPrevious, window, message, wParam, lParam);
    }
};

TEST(Dialog, SubclassedWindowsSeeEveryMessageFirst)
{
    std::vector<UINT> procedureSeen;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_COMMAND || message == WM_CTLCOLORSTATIC)
            procedureSeen.push_back(message);
        (void)window;
        return std::nullopt;
    });
    Subclass::dialogSeen.clear();
    Subclass::staticPaints = 0;
    Subclass::dialogPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(dialog.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Dialog)));
    Subclass::staticPrevious = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        dialog.Item(IDC_WEBLINK), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Static)));
    ASSERT_NE(Subclass::dialogPrevious, nullptr);

    SendMessageA(dialog.Item(IDC_START), BM_CLICK, 0, 0);
    vlm::qt::ClientWidget(dialog.Window())->grab();
    EXPECT_GT(Subclass::staticPaints, 0);
    EXPECT_NE(std::count(Subclass::dialogSeen.begin(), Subclass::dialogSeen.end(), WM_COMMAND), 0);
    EXPECT_NE(std::count(Subclass::dialogSeen.begin(), Subclass::dialogSeen.end(), WM_CTLCOLORSTATIC), 0);
    EXPECT_NE(std::count(procedureSeen.begin(), procedureSeen.end(), WM_COMMAND), 0) << "passed on";
    EXPECT_NE(std::count(procedureSeen.begin(), procedureSeen.end(), WM_CTLCOLORSTATIC), 0);

    SetFocus(dialog.Item(IDC_RESULTS));
    PressKey(dialog.Item(IDC_RESULTS), Qt::Key_F1);
    EXPECT_NE(std::count(Subclass::dialogSeen.begin(), Subclass::dialogSeen.end(), WM_HELP), 0);
}

TEST(Dialog, TheLayersClassesAreThereForTheFramework)
{
    WNDCLASSA info{};
    for (const char* name : {"RICHEDIT", "Button", "STATIC", "ComboBoxEx32", "#32770"}) {
        EXPECT_TRUE(GetClassInfoA(nullptr, name, &info)) << name;
        EXPECT_NE(info.lpfnWndProc, nullptr) << name;
    }
    EXPECT_EQ(info.cbWndExtra, DLGWINDOWEXTRA);
    EXPECT_FALSE(GetClassInfoA(nullptr, "NoSuchClass", &info));
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_USEREX_CLASSES};
    EXPECT_TRUE(InitCommonControlsEx(&icc));
}

} // namespace
} // namespace vlm::test

namespace vlm::test {
namespace {

TEST(Dialog, WindowStateCallsAnswerAsWin32Does)
{
    // The About box's template is not WS_VISIBLE (the scan dialog's is, and shows at once).
    TestDialog dialog(IDD_ABOUTBOX);
    const HWND ok = dialog.Item(IDOK);
    ASSERT_NE(ok, nullptr);
    // Visibility: a child is visible only while its dialog is.
    EXPECT_FALSE(IsWindowVisible(dialog.Window()));
    EXPECT_FALSE(IsWindowVisible(ok));
    EXPECT_FALSE(ShowWindow(dialog.Window(), SW_SHOW)) << "was hidden";
    EXPECT_TRUE(ShowWindow(dialog.Window(), SW_SHOW)) << "was visible";
    EXPECT_TRUE(IsWindowVisible(ok));
    EXPECT_TRUE(ShowWindow(ok, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(ok));
    EXPECT_FALSE(vlm::qt::WindowWidget(ok)->isVisible());
    ShowWindow(ok, SW_SHOW);
    EXPECT_TRUE(vlm::qt::WindowWidget(ok)->isVisible());

    // Enabling answers whether the window was disabled before.
    EXPECT_FALSE(EnableWindow(ok, FALSE));
    EXPECT_TRUE(EnableWindow(ok, FALSE));
    EXPECT_TRUE(EnableWindow(ok, TRUE));
    EXPECT_TRUE(IsWindowEnabled(ok));

    // Text, cut to the buffer and always terminated.
    EXPECT_TRUE(SetWindowTextA(ok, "Close it"));
    EXPECT_EQ(GetWindowTextLengthA(ok), 8);
    char small[5];
    EXPECT_EQ(GetWindowTextA(ok, small, sizeof small), 4);
    EXPECT_STREQ(small, "Clos");
    EXPECT_EQ(GetWindowTextA(ok, small, 0), 0);

    // Icons set on the dialog come back and show in its frame.
    const HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SendMessageA(dialog.Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(SendMessageA(dialog.Window(), WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_FALSE(vlm::qt::WindowWidget(dialog.Window())->windowIcon().isNull());

    // A window that is gone answers nothing.
    DestroyWindow(ok);
    EXPECT_FALSE(IsWindow(ok));
    EXPECT_FALSE(EnableWindow(ok, TRUE));
    EXPECT_EQ(GetDlgItem(dialog.Window(), IDOK), nullptr);
    RECT r{};
    EXPECT_FALSE(GetClientRect(ok, &r));
}

} // namespace
} // namespace vlm::test

namespace vlm::test {
namespace {

struct FocusSpy {
    static inline WNDPROC previous = nullptr;
    static inline std::vector<std::pair<UINT, HWND>> seen;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SETFOCUS || message == WM_KILLFOCUS)
            seen.emplace_back(message, reinterpret_cast<HWND>(wParam));
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
};

TEST(Dialog, TabMovesTheFocusThroughTheTabStops)
{
    TestDialog dialog(IDD_SCAN_DIALOG);
    FocusSpy::seen.clear();
    FocusSpy::previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        dialog.Item(IDC_DRIVES), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FocusSpy::Procedure)));
    ShowWindow(dialog.Window(), SW_SHOW);
    Pump();
    SetFocus(dialog.Item(IDC_RESULTS));
    Pump();
    EXPECT_EQ(GetFocus(), dialog.Item(IDC_RESULTS));
    // Out of the (multi-line) results view too: it does not keep Tab for itself.
    PressKey(dialog.Item(IDC_RESULTS), Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), dialog.Item(IDC_DRIVES));
    PressKey(dialog.Item(IDC_DRIVES), Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), dialog.Item(IDC_START)) << "Stop is disabled";
    // The drive list was told when the focus came and went, and where from and to.
    EXPECT_EQ(FocusSpy::seen, (std::vector<std::pair<UINT, HWND>>{{WM_SETFOCUS, dialog.Item(IDC_RESULTS)},
                                                                   {WM_KILLFOCUS, dialog.Item(IDC_START)}}));
    // The same through the dialog manager.
    SendMessageA(dialog.Window(), WM_NEXTDLGCTL, 0, FALSE);
    EXPECT_EQ(GetFocus(), dialog.Item(IDC_RESULTS));
    SendMessageA(dialog.Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(dialog.Item(IDC_DRIVES)), TRUE);
    EXPECT_EQ(GetFocus(), dialog.Item(IDC_DRIVES));
}

} // namespace
} // namespace vlm::test
