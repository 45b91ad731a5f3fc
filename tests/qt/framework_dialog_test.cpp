// The framework over the real window layer: modal dialogs from the program's templates run
// through CDialog::DoModal, their controls bound by DDX_Control and driven through the control
// classes, the link label's colours and clicks reflected to it, the menu, the help key and
// painting through the message map, the save dialog through CFileDialog, and a whole dialog
// program through CWinApp and AfxWinMain.
#include "qt_support.h"

#include "framework/Framework.h"
#include "vlm_platform.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace vlm::test {
namespace {

// Posted from OnInitDialog, so it runs once the dialog is up and its loop is running.
constexpr UINT kWhileOpen = WM_APP + 1;

// Runs `whileOpen` once the dialog is up, then ends it with IDOK unless told that `whileOpen`
// ends it itself.
template <class Base>
class CWhileOpen : public Base {
public:
    using Base::Base;
    std::function<void(CWhileOpen&)> m_whileOpen;
    bool m_endsItself = false;
    int m_initialised = 0;

    // What a test does from inside the dialog, exposed for the lambdas.
    using Base::EndDialog;
    using Base::UpdateData;

protected:
    BOOL OnInitDialog() override
    {
        ++m_initialised;
        Base::OnInitDialog();
        this->PostMessage(kWhileOpen);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != kWhileOpen)
            return Base::WindowProc(message, wParam, lParam);
        if (m_whileOpen)
            m_whileOpen(*this);
        if (!m_endsItself)
            EndDialog(IDOK);
        return 0;
    }
};

using CAboutTestDlg = CWhileOpen<CDialog>;

// The link label as the program has it: underlined and blue, taking its clicks itself.
class CLinkLabel : public CStatic {
public:
    int m_colourRequests = 0;
    int m_clicks = 0;
    CFont m_font;

protected:
    afx_msg HBRUSH CtlColor(CDC* dc, UINT ctlColor)
    {
        ++m_colourRequests;
        EXPECT_EQ(ctlColor, UINT{CTLCOLOR_STATIC});
        ModifyStyle(0, SS_NOTIFY);
        if (!m_font.m_hObject) {
            LOGFONT logFont{};
            CFont* font = GetFont();
            EXPECT_NE(font, nullptr);
            if (!font || !font->GetLogFont(&logFont))
                return nullptr;
            logFont.lfUnderline = TRUE;
            m_font.CreateFontIndirect(&logFont);
        }
        dc->SelectObject(&m_font);
        dc->SetTextColor(RGB(0, 0, 255));
        dc->SetBkMode(TRANSPARENT);
        return AfxGetStockBrush(HOLLOW_BRUSH);
    }
    afx_msg void OnClicked() { ++m_clicks; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLinkLabel, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
    ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
END_MESSAGE_MAP()

class CScanDialogBase : public CDialog {
public:
    CScanDialogBase() : CDialog(IDD_SCAN_DIALOG) {}

    CLinkLabel m_webLink;
    CStatic m_status;
    CComboBoxEx m_drives;
    CRichEditCtrl m_results;
    CButton m_btnStop;
    CButton m_btnStart;

    int m_starts = 0;
    int m_helps = 0;
    int m_paints = 0;
    bool m_paintHadDc = false;
    int m_linkClicksSeenHere = 0;
    std::function<void(CMenu*, UINT, BOOL)> m_onPopup;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        CDialog::DoDataExchange(dx);
        DDX_Control(dx, IDC_WEBLINK, m_webLink);
        DDX_Control(dx, IDC_CURRENT_DIR, m_status);
        DDX_Control(dx, IDC_DRIVES, m_drives);
        DDX_Control(dx, IDC_RESULTS, m_results);
        DDX_Control(dx, IDC_STOP, m_btnStop);
        DDX_Control(dx, IDC_START, m_btnStart);
    }
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        m_paintHadDc = dc.m_hDC != nullptr;
        ++m_paints;
    }
    afx_msg void OnInitMenuPopup(CMenu* popup, UINT position, BOOL systemMenu)
    {
        if (m_onPopup)
            m_onPopup(popup, position, systemMenu);
    }
    afx_msg void OnStart() { ++m_starts; }
    afx_msg void OnHelpCommand() { ++m_helps; }
    afx_msg void OnLinkClicked() { ++m_linkClicksSeenHere; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CScanDialogBase, CDialog)
    ON_WM_PAINT()
    ON_WM_INITMENUPOPUP()
    ON_BN_CLICKED(IDC_START, OnStart)
    ON_COMMAND(ID_HELP, OnHelpCommand)
    ON_STN_CLICKED(IDC_WEBLINK, OnLinkClicked)
END_MESSAGE_MAP()

using CScanTestDlg = CWhileOpen<CScanDialogBase>;

class FrameworkDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(vlm::qt::Initialize()); }
    ModalRescue m_rescue;
};

TEST_F(FrameworkDialog, DoModalRunsTheTemplateAndEndsWithWhatEndsIt)
{
    struct Case {
        const char* what;
        std::function<void(CAboutTestDlg&)> end;
        INT_PTR result;
    };
    const std::vector<Case> cases{
        {"the OK command", [](CAboutTestDlg& d) { d.SendMessage(WM_COMMAND, IDOK); }, IDOK},
        {"the OK button", [](CAboutTestDlg& d) { d.GetDlgItem(IDOK)->SendMessage(BM_CLICK); }, IDOK},
        {"the Cancel command", [](CAboutTestDlg& d) { d.SendMessage(WM_COMMAND, IDCANCEL); }, IDCANCEL},
        {"the close box", [](CAboutTestDlg& d) { vlm::qt::WindowWidget(d.m_hWnd)->close(); }, IDCANCEL},
        {"Escape", [](CAboutTestDlg& d) { PressKey(d.GetDlgItem(IDOK)->m_hWnd, Qt::Key_Escape); }, IDCANCEL},
        {"EndDialog", [](CAboutTestDlg& d) { d.EndDialog(77); }, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CAboutTestDlg about(IDD_ABOUTBOX);
        HWND window = nullptr;
        CWnd* attached = nullptr;
        CString caption;
        about.m_endsItself = true;
        about.m_whileOpen = [&](CAboutTestDlg& d) {
            window = d.m_hWnd;
            attached = CWnd::FromHandlePermanent(d.m_hWnd);
            d.GetWindowText(caption);
            c.end(d);
        };
        EXPECT_EQ(about.DoModal(), c.result);
        EXPECT_EQ(about.m_initialised, 1);
        EXPECT_EQ(attached, &about);
        EXPECT_STREQ(caption, "About Velmora");
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(about.m_hWnd, nullptr) << "let go of with the dialog";
        EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    }
    EXPECT_FALSE(m_rescue.rescued);
}

TEST_F(FrameworkDialog, AMissingTemplateIsMinusOne)
{
    CDialog none(4242);
    EXPECT_EQ(none.DoModal(), -1);
    EXPECT_EQ(none.m_hWnd, nullptr);
}

TEST_F(FrameworkDialog, TheScanDialogsControlsAreBoundAndAnswerThroughTheirClasses)
{
    CScanTestDlg dialog;
    dialog.m_whileOpen = [](CScanTestDlg& d) {
        for (CWnd* control : std::vector<CWnd*>{&d.m_webLink, &d.m_status, &d.m_drives, &d.m_results, &d.m_btnStop,
                                                &d.m_btnStart}) {
            ASSERT_NE(control->m_hWnd, nullptr);
            EXPECT_EQ(CWnd::FromHandlePermanent(control->m_hWnd), control);
            EXPECT_EQ(control->GetParent(), &d);
        }
        // Buttons and the status line.
        EXPECT_TRUE(d.m_btnStart.IsWindowEnabled());
        EXPECT_FALSE(d.m_btnStop.IsWindowEnabled());
        d.m_btnStart.EnableWindow(FALSE);
        d.m_btnStop.EnableWindow(TRUE);
        EXPECT_FALSE(d.m_btnStart.IsWindowEnabled());
        EXPECT_TRUE(d.m_btnStop.IsWindowEnabled());
        d.m_status.SetWindowText("C:\\Docs\\Sub");
        CString status;
        d.m_status.GetWindowText(status);
        EXPECT_STREQ(status, "C:\\Docs\\Sub");
        EXPECT_EQ(d.m_status.GetWindowTextLength(), 11);

        // The drive list and its images.
        CImageList images;
        ASSERT_TRUE(images.Create(IDB_DRIVE_IMAGES, 16, 1, RGB(255, 0, 255)));
        EXPECT_EQ(images.GetImageCount(), 6);
        d.m_drives.SetImageList(&images);
        EXPECT_EQ(d.m_drives.GetImageList()->m_hImageList, images.m_hImageList);
        COMBOBOXEXITEM item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = 0;
        item.pszText = const_cast<LPSTR>("C:");
        EXPECT_EQ(d.m_drives.InsertItem(&item), 0);
        item.pszText = const_cast<LPSTR>("Local NTFS (C:)");
        EXPECT_EQ(d.m_drives.InsertItem(&item), 0);
        EXPECT_EQ(d.m_drives.GetCount(), 2);
        EXPECT_EQ(d.m_drives.SetCurSel(0), 0);
        EXPECT_EQ(d.m_drives.GetCurSel(), 0);
        char text[256];
        EXPECT_EQ(d.m_drives.GetLBText(0, text, sizeof text), 15);
        EXPECT_STREQ(text, "Local NTFS (C:)");
        CString second;
        d.m_drives.GetLBText(1, second);
        EXPECT_STREQ(second, "C:");
        EXPECT_EQ(d.m_drives.GetLBText(2, text, sizeof text), CB_ERR);
        EXPECT_EQ(d.m_drives.GetLBText(0, text, 6), 5) << "cut to the buffer";
        d.m_drives.SetImageList(nullptr); // the list goes before the control

        // The results view: streamed in at the selection, selected, coloured, streamed out, emptied.
        struct Source {
            const char* next;
            LONG remaining;
            static DWORD CALLBACK Read(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* delivered)
            {
                auto* self = reinterpret_cast<Source*>(cookie);
                const LONG n = std::min(self->remaining, capacity);
                std::memcpy(buffer, self->next, static_cast<size_t>(n));
                self->next += n;
                self->remaining -= n;
                *delivered = n;
                return 0;
            }
        };
        auto append = [&](const char* line) {
            Source source{line, static_cast<LONG>(std::strlen(line))};
            EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &Source::Read};
            return d.m_results.StreamIn(SF_TEXT | SFF_SELECTION, stream);
        };
        EXPECT_EQ(append("Beginning Scan of C:\r\n"), 22);
        CHARFORMAT red{};
        red.dwMask = CFM_COLOR;
        red.crTextColor = RGB(255, 0, 0);
        EXPECT_TRUE(d.m_results.SetSelectionCharFormat(red));
        append("!!! ADS FOUND !!! Name=:info:$DATA File=C:\\a.txt\r\n");
        long start = -5, end = -5;
        d.m_results.GetSel(start, end);
        EXPECT_EQ(start, d.m_results.GetTextLength());
        EXPECT_EQ(end, start);
        d.m_results.SetSel(0, 5);
        CHARFORMAT format{};
        d.m_results.GetSelectionCharFormat(format);
        EXPECT_NE(format.crTextColor, RGB(255, 0, 0)) << "the first line is not red";
        d.m_results.SetSel(30, 35);
        d.m_results.GetSelectionCharFormat(format);
        EXPECT_EQ(format.crTextColor, RGB(255, 0, 0));
        struct Sink {
            std::string text;
            static DWORD CALLBACK Write(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written)
            {
                reinterpret_cast<Sink*>(cookie)->text.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size));
                *written = size;
                return 0;
            }
        } sink;
        EDITSTREAM out{reinterpret_cast<DWORD_PTR>(&sink), 0, &Sink::Write};
        d.m_results.StreamOut(SF_TEXT, out);
        EXPECT_EQ(sink.text, "Beginning Scan of C:\r\n!!! ADS FOUND !!! Name=:info:$DATA File=C:\\a.txt\r\n");
        d.m_results.SetSel(0, 9);
        QGuiApplication::clipboard()->setText("before");
        d.m_results.Copy();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "Beginning");
        d.m_results.SetSel(0, -1);
        d.m_results.GetSel(start, end);
        EXPECT_EQ(start, 0);
        EXPECT_EQ(end, d.m_results.GetTextLength());
        d.m_results.Clear();
        d.m_results.HideSelection(TRUE, TRUE);
        EXPECT_EQ(d.m_results.GetTextLength(), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_btnStart.m_hWnd, nullptr) << "controls let go of with the dialog";
    EXPECT_EQ(dialog.m_results.m_hWnd, nullptr);
    EXPECT_FALSE(m_rescue.rescued);
}

TEST_F(FrameworkDialog, TheLinkLabelChoosesItsColoursAndTakesItsClicksItself)
{
    CScanTestDlg dialog;
    int blue = 0;
    dialog.m_whileOpen = [&](CScanTestDlg& d) {
        EXPECT_EQ(d.m_webLink.GetStyle() & SS_NOTIFY, 0u) << "the template's label reports no clicks";
        // Painting asks the label, through its parent, for its colours.
        const QImage shown = vlm::qt::ClientWidget(d.m_hWnd)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_GT(d.m_webLink.m_colourRequests, 0);
        EXPECT_NE(d.m_webLink.GetStyle() & SS_NOTIFY, 0u) << "added while choosing the colours";
        CRect label;
        d.m_webLink.GetWindowRect(label);
        POINT topLeft{label.left, label.top};
        ScreenToClient(d.m_hWnd, &topLeft);
        for (int y = topLeft.y; y < topLeft.y + label.Height(); ++y)
            for (int x = topLeft.x; x < topLeft.x + label.Width(); ++x)
                blue += shown.pixel(x, y) == qRgb(0, 0, 255);
        // Now a click is the label's own.
        MouseClick(d.m_webLink.m_hWnd);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_GT(blue, 30) << "drawn in the colour the label chose";
    EXPECT_EQ(dialog.m_webLink.m_clicks, 1);
    EXPECT_EQ(dialog.m_linkClicksSeenHere, 0) << "the parent never hears of it";
    EXPECT_FALSE(m_rescue.rescued);
}

TEST_F(FrameworkDialog, TheMenuTheHelpKeyButtonsAndPaintingGoThroughTheMap)
{
    CScanTestDlg dialog;
    std::vector<std::pair<UINT, int>> popups;
    dialog.m_onPopup = [&](CMenu* popup, UINT position, BOOL systemMenu) {
        EXPECT_FALSE(systemMenu);
        popups.emplace_back(position, popup->GetMenuItemCount());
        if (position == 1) {
            EXPECT_EQ(popup->GetMenuItemID(1), UINT{ID_EDIT_COPY});
            popup->EnableMenuItem(ID_EDIT_COPY, MF_BYCOMMAND | MF_GRAYED);
        }
    };
    std::vector<std::pair<QString, bool>> editItems;
    dialog.m_whileOpen = [&](CScanTestDlg& d) {
        EXPECT_EQ(d.GetMenu()->GetMenuItemCount(), 4);
        auto* bar = vlm::qt::WindowWidget(d.m_hWnd)->findChild<QMenuBar*>();
        ASSERT_NE(bar, nullptr);
        QMenu* edit = bar->actions().at(1)->menu();
        ASSERT_NE(edit, nullptr);
        edit->popup(QPoint(0, 0));
        Pump();
        for (QAction* action : edit->actions())
            editItems.emplace_back(action->text(), action->isEnabled());
        edit->close();

        d.ShowWindow(SW_SHOW);
        Pump();
        d.m_results.SetFocus();
        PressKey(d.m_results.m_hWnd, Qt::Key_F1);
        d.m_btnStart.SendMessage(BM_CLICK);
        vlm::qt::ClientWidget(d.m_hWnd)->grab();
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], (std::pair<UINT, int>{1, 2}));
    EXPECT_EQ(editItems, (std::vector<std::pair<QString, bool>>{{"Select All", true}, {"Copy", false}}));
    EXPECT_EQ(dialog.m_helps, 1) << "F1 is the help command";
    EXPECT_EQ(dialog.m_starts, 1);
    EXPECT_GT(dialog.m_paints, 0);
    EXPECT_TRUE(dialog.m_paintHadDc);
    EXPECT_FALSE(m_rescue.rescued);
}

TEST_F(FrameworkDialog, TheSaveDialogIsAskedWhatTheFileDialogObjectSays)
{
    std::vector<vlm::qt::FileDialogRequest> requests;
    std::optional<std::string> answer;
    auto previous = vlm::qt::SetFileDialogResponder([&](const vlm::qt::FileDialogRequest& request) {
        requests.push_back(request);
        return answer;
    });
    const std::string folder = std::filesystem::temp_directory_path().string();

    CFileDialog save(FALSE, "txt", "AdsScan.txt", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST,
                     "All Files (*.*) | *.*||");
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    answer = folder + "/vlm-framework-results";
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_STREQ(save.GetPathName(), (folder + "/vlm-framework-results.txt").c_str()) << "the default extension";
    EXPECT_STREQ(save.GetFileName(), "vlm-framework-results.txt");
    vlm::qt::SetFileDialogResponder(std::move(previous));

    ASSERT_EQ(requests.size(), 2u);
    const vlm::qt::FileDialogRequest& request = requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.initialName, "AdsScan.txt");
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.flags, DWORD{0x806});
    using Filters = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(request.filters, (Filters{{"All Files (*.*) ", " *.*"}})) << "split at the bars, spaces kept";
}

// A dialog program as the real one is written.
class CDialogProgram : public CWinApp {
public:
    std::vector<std::string> m_captions;
    INT_PTR m_result = 0;

    BOOL InitInstance() override
    {
        Enable3dControls();
        AfxEnableControlContainer();
        EXPECT_TRUE(AfxInitRichEdit());
        CAboutTestDlg dialog(IDD_ABOUTBOX);
        m_pMainWnd = &dialog;
        dialog.m_whileOpen = [this](CAboutTestDlg& d) {
            EXPECT_EQ(AfxGetMainWnd(), &d);
            d.MessageBox("0 files scanned");
            AfxMessageBox("Invalid Selection", MB_ICONERROR);
        };
        auto previous = SetMessageBoxResponder([this](HWND, LPCSTR, LPCSTR caption, UINT) {
            m_captions.push_back(caption);
            return IDOK;
        });
        m_result = dialog.DoModal();
        SetMessageBoxResponder(std::move(previous));
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

TEST_F(FrameworkDialog, ADialogProgramRunsItsDialogAndEnds)
{
    CDialogProgram program;
    EXPECT_EQ(AfxWinMain(), 0);
    EXPECT_EQ(program.m_result, IDOK);
    EXPECT_EQ(program.m_captions, (std::vector<std::string>{"qt_tests", "qt_tests"}))
        << "named after the executable";
}

} // namespace
} // namespace vlm::test
