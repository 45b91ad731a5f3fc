#include "app/CScanDlg.h"

#include "framework/CBitmap.h"
#include "framework/CClientDC.h"
#include "framework/CDataExchange.h"
#include "framework/CFileDialog.h"
#include "framework/CMenu.h"
#include "framework/CPaintDC.h"
#include "framework/CRect.h"
#include "framework/CWinApp.h"
#include "scan/ScanEngine.h"

#include <cstring>

namespace {

// The worker's entry: it owns one reference to the shared block for as long as it runs.
DWORD WINAPI RunScanWorker(LPVOID parameter)
{
    const std::unique_ptr<std::shared_ptr<ScanShared>> shared(static_cast<std::shared_ptr<ScanShared>*>(parameter));
    return ScanThreadProc(&(*shared)->job);
}

} // namespace

BEGIN_MESSAGE_MAP(CScanDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_START, OnStart)
    ON_BN_CLICKED(IDC_STOP, OnStop)
    ON_MESSAGE(WM_SCAN_COMPLETE, OnScanComplete)
    ON_MESSAGE(WM_SCAN_DIRECTORY, OnScanDirectory)
    ON_MESSAGE(WM_SCAN_OUTPUT, OnScanOutput)
    ON_WM_INITMENUPOPUP()
    ON_COMMAND(ID_FILE_SAVE_RESULTS, OnSaveResults)
    ON_COMMAND(ID_FILE_QUIT, OnQuit)
    ON_COMMAND(ID_EDIT_SELECT_ALL, OnSelectAll)
    ON_COMMAND(ID_EDIT_COPY, OnCopy)
    ON_COMMAND(ID_HELP_WEBSITE, OnWebSite)
    // Also what the help key (F1) sends: the same command id.
    ON_COMMAND(ID_HELP_ABOUT, OnAbout)
END_MESSAGE_MAP()

CScanDlg::CScanDlg(CWnd* parent)
    : CDialog(IDD_SCAN_DIALOG, parent), m_job(std::make_shared<ScanShared>())
{
    m_hIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : ::LoadIcon(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME));
}

CScanDlg::~CScanDlg()
{
    // A worker still running stops at its next test of the flag; it keeps its own reference to
    // the job and the flag, so letting go of ours here is safe whenever it ends. Its notices to
    // this (gone) window go nowhere.
    ResetRunFlag();
}

void CScanDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_WEBLINK, m_webLink);
    DDX_Control(dx, IDC_CURRENT_DIR, m_status);
    DDX_Control(dx, IDC_DRIVES, m_drives);
    DDX_Control(dx, IDC_RESULTS, m_results);
    DDX_Control(dx, IDC_STOP, m_btnStop);
    DDX_Control(dx, IDC_START, m_btnStart);
}

BOOL CScanDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    if (!m_drives.FillDriveList()) {
        MessageBox("Error Initializing Drive List", "Error", MB_ICONERROR);
        return FALSE;
    }
    m_job->runEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_runEvent = m_job->runEvent;
    if (!m_runEvent) {
        MessageBox("Error Initializing Synchronization Event", "Error", MB_ICONERROR);
        return FALSE;
    }
    return TRUE;
}

void CScanDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        CRect client;
        GetClientRect(&client);
        const int x = (client.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    CBitmap logo;
    if (logo.LoadMappedBitmap(IDB_LOGO)) {
        BITMAP info{};
        logo.GetBitmap(&info);
        CRect client;
        GetClientRect(&client);
        // Through the paint's own DC: its BeginPaint erases the background first, so an erase
        // still due cannot wipe the logo afterwards, as it would drawn beside the paint.
        CPaintDC dc(this);
        CDC memory;
        if (memory.CreateCompatibleDC(&dc)) {
            CBitmap* previous = memory.SelectObject(&logo);
            dc.BitBlt(client.right - info.bmWidth, 0, info.bmWidth, info.bmHeight, &memory, 0, 0, SRCCOPY);
            memory.SelectObject(previous);
        }
    }
    CDialog::OnPaint();
}

HCURSOR CScanDlg::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

BOOL CScanDlg::IsRunFlagSet() const
{
    return m_runEvent && ::WaitForSingleObject(m_runEvent, 0) == WAIT_OBJECT_0;
}

void CScanDlg::ResetRunFlag()
{
    if (m_runEvent)
        ::ResetEvent(m_runEvent);
}

void CScanDlg::EnterIdle(BOOL startEnabled)
{
    m_btnStart.EnableWindow(startEnabled);
    m_btnStop.EnableWindow(FALSE);
    m_status.SetWindowText("");
}

void CScanDlg::OnStart()
{
    // One worker at a time (see m_workerActive); after a failed start there is no run flag.
    if (m_workerActive || !m_runEvent)
        return;

    const int selection = m_drives.GetCurSel();
    char text[256] = {};
    const bool readable = selection >= 0 && m_drives.GetLBText(selection, text, sizeof text) != CB_ERR;
    const ScanTargets targets = ScanTargetsFor(selection, readable ? text : nullptr);
    if (targets.error) {
        MessageBox(targets.error, "Error", MB_ICONERROR);
        return;
    }

    m_results.SetSel(0, -1);
    m_results.Clear();
    m_results.HideSelection(TRUE, TRUE);
    m_btnStart.EnableWindow(FALSE);
    m_btnStop.EnableWindow(TRUE);

    CString line;
    line.Format("Beginning Scan of %s\r\n", text);
    m_results.AppendText(line, line.GetLength());

    ScanJob& job = m_job->job;
    job.roots = targets.roots;
    job.rootCount = targets.rootCount;
    job.hwndNotify = m_hWnd;
    job.hRunEvent = m_runEvent;
    ::SetEvent(m_runEvent);

    auto* held = new std::shared_ptr<ScanShared>(m_job);
    DWORD threadId = 0;
    const HANDLE thread = ::CreateThread(nullptr, 0, RunScanWorker, held, CREATE_SUSPENDED, &threadId);
    if (!thread) {
        delete held;
        ResetRunFlag();
        EnterIdle(TRUE);
        return;
    }
    m_workerActive = TRUE;
    ::ResumeThread(thread);
    ::CloseHandle(thread);
}

void CScanDlg::OnStop()
{
    ResetRunFlag();
    // Start comes back with the worker's completion notice, which follows shortly: until then
    // the ending worker still owns the current directory and the counters.
    EnterIdle(!m_workerActive);
}

LRESULT CScanDlg::OnScanComplete(WPARAM, LPARAM)
{
    // Only the one worker there can be: no newer scan's run flag is cleared here.
    m_workerActive = FALSE;
    CString summary;
    summary.Format("%d files scanned\n%d file(s) contained Alternate Data Streams", m_job->job.filesScanned,
                   m_job->job.adsFiles);
    MessageBox(summary, AfxGetAppName(), MB_ICONINFORMATION | MB_OK);
    EnterIdle(TRUE);
    ResetRunFlag();
    return 0;
}

LRESULT CScanDlg::OnScanDirectory(WPARAM wParam, LPARAM)
{
    m_status.SetWindowText(reinterpret_cast<LPCSTR>(wParam));
    return 0;
}

LRESULT CScanDlg::OnScanOutput(WPARAM wParam, LPARAM lParam)
{
    const auto* line = reinterpret_cast<LPCSTR>(wParam);
    CHARFORMAT format{};
    if (lParam == 1) {
        format.dwMask = CFM_COLOR;
        format.dwEffects = 0;
        format.crTextColor = RGB(255, 0, 0);
        m_results.SetSelectionCharFormat(format);
    }
    m_results.AppendText(line, static_cast<LONG>(std::strlen(line)));
    if (lParam == 1) {
        format = CHARFORMAT{};
        format.dwMask = CFM_COLOR;
        format.dwEffects = CFE_AUTOCOLOR;
        m_results.SetSelectionCharFormat(format);
    }
    return 0;
}

void CScanDlg::OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu)
{
    if (sysMenu || !popup)
        return;
    const auto state = [](bool enabled) { return MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED); };
    if (IsRunFlagSet()) {
        if (index == 0)
            popup->EnableMenuItem(ID_FILE_SAVE_RESULTS, state(false));
        else if (index == 1) {
            popup->EnableMenuItem(ID_EDIT_SELECT_ALL, state(false));
            popup->EnableMenuItem(ID_EDIT_COPY, state(false));
        }
        return;
    }
    long start = 0, end = 0;
    m_results.GetSel(start, end);
    const bool atVeryStart = start == 0 && end == 0;
    if (index == 0) {
        popup->EnableMenuItem(ID_FILE_SAVE_RESULTS, state(!atVeryStart));
    } else if (index == 1) {
        popup->EnableMenuItem(ID_EDIT_COPY, state(start != end));
        popup->EnableMenuItem(ID_EDIT_SELECT_ALL, state(!atVeryStart));
    }
}

void CScanDlg::OnSaveResults()
{
    CFileDialog dialog(FALSE, "txt", "AdsScan.txt", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST,
                       "All Files (*.*) | *.*||", this);
    if (dialog.DoModal() == IDOK)
        m_results.SaveToFile(dialog.GetPathName());
}

void CScanDlg::OnQuit()
{
    ResetRunFlag();
    // Gives a running worker the moment it needs to notice; it is not waited for.
    ::Sleep(500);
    EndDialog(IDOK);
}

void CScanDlg::OnSelectAll()
{
    m_results.SetSel(0, -1);
}

void CScanDlg::OnCopy()
{
    m_results.Copy();
}

void CScanDlg::OnWebSite()
{
    ::ShellExecuteA(nullptr, "open", kWebSite, nullptr, nullptr, SW_SHOWNORMAL);
}

void CScanDlg::OnAbout()
{
    CDialog about(IDD_ABOUTBOX, this);
    about.DoModal();
}
