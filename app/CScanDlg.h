// The main window: the drive list, Start and Stop, the results and the directory being checked.
#pragma once

#include "drives/CDriveComboBoxEx.h"
#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CStatic.h"
#include "resource.h"
#include "scan/ScanJob.h"
#include "ui/CResultsRichEdit.h"
#include "ui/CStaticLink.h"

#include <memory>

// What a scan worker shares with the dialog. The worker holds its own reference, so the job and
// the run flag stay valid for it however long it outlives the dialog; the last holder frees them.
struct ScanShared {
    ScanShared() = default;
    ScanShared(const ScanShared&) = delete;
    ScanShared& operator=(const ScanShared&) = delete;
    ~ScanShared()
    {
        if (runEvent)
            ::CloseHandle(runEvent);
    }

    ScanJob job;
    HANDLE runEvent = nullptr;
};

class CScanDlg : public CDialog {
public:
    explicit CScanDlg(CWnd* parent = nullptr);
    ~CScanDlg() override;

    enum { IDD = IDD_SCAN_DIALOG };

    std::shared_ptr<ScanShared> m_job; // the job, and the run flag it points to
    CStaticLink m_webLink;
    CStatic m_status;
    CDriveComboBoxEx m_drives;
    CResultsRichEdit m_results;
    CButton m_btnStop;
    CButton m_btnStart;
    HANDLE m_runEvent = nullptr; // m_job's run flag; set while a scan may go on
    HICON m_hIcon = nullptr;

    // The web address the label shows and the site command opens.
    static constexpr LPCSTR kWebSite = "https://www.velmora.example/";

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnStart();
    afx_msg void OnStop();
    afx_msg LRESULT OnScanComplete(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnScanDirectory(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnScanOutput(WPARAM wParam, LPARAM lParam);
    afx_msg void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu);
    afx_msg void OnSaveResults();
    afx_msg void OnQuit();
    afx_msg void OnSelectAll();
    afx_msg void OnCopy();
    afx_msg void OnWebSite();
    afx_msg void OnAbout();
    DECLARE_MESSAGE_MAP()

private:
    BOOL IsRunFlagSet() const;
    void ResetRunFlag();
    void EnterIdle(BOOL startEnabled);

    // A worker has been started and its completion notice has not been handled yet. Start stays
    // refused meanwhile: a second worker would share the process's current directory and
    // counters with the first, and the first one's completion would clear the second's run flag.
    BOOL m_workerActive = FALSE;
};
