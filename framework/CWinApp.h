// CWinApp: the application object. A program defines exactly one, as a global, derived from
// CWinApp with its own InitInstance; its main function hands over to AfxWinMain:
//
//     CScanApp theApp;
//     int main() { return AfxWinMain(); }
//
// AfxWinMain runs InitInstance; when that returns FALSE (a dialog program whose dialog has
// closed) the program ends with ExitInstance's code, otherwise Run pumps messages until WM_QUIT.
#pragma once

#include "framework/CString.h"
#include "winapi.h"

class CWnd;

class CWinApp {
public:
    // No name: the executable's file name without its folder and extension ("velmora").
    explicit CWinApp(LPCSTR appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    // The message loop; returns ExitInstance's result.
    virtual int Run();
    // The exit code: WM_QUIT's, or 0 when no loop ran.
    virtual int ExitInstance() { return m_exitCode; }
    // What AfxMessageBox and message boxes without a caption show: the application's name.
    virtual int DoMessageBox(LPCSTR prompt, UINT type, UINT helpId);

    HICON LoadIcon(UINT idResource) const { return ::LoadIcon(m_hInstance, MAKEINTRESOURCE(idResource)); }
    HICON LoadIcon(LPCSTR resourceName) const { return ::LoadIcon(m_hInstance, resourceName); }
    HICON LoadStandardIcon(LPCSTR iconName) const { return ::LoadIcon(nullptr, iconName); }
    HCURSOR LoadStandardCursor(LPCSTR cursorName) const { return ::LoadCursor(nullptr, cursorName); }

    // The 3D look of the controls is the platform's own on every system this runs on.
    BOOL Enable3dControls() { return TRUE; }
    BOOL Enable3dControlsStatic() { return TRUE; }

    LPCSTR m_pszAppName;
    LPCSTR m_pszExeName;
    HINSTANCE m_hInstance;
    LPSTR m_lpCmdLine;
    int m_nCmdShow;
    CWnd* m_pMainWnd = nullptr;

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);

    CString m_appName;
    CString m_exeName;
    int m_exitCode = 0;
};

// The application object; NULL before it is constructed and after it is gone.
CWinApp* AfxGetApp();
// Its main window (m_pMainWnd), or NULL.
CWnd* AfxGetMainWnd();
// Its name, or "" without an application object.
LPCSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
// Where the framework loads resources (dialog templates, bitmaps, menus) from: the program.
HINSTANCE AfxGetResourceHandle();

// A message box with the application's name as caption, owned by the main window.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);

// Control containment (hosting ActiveX controls) is not offered; nothing to switch on.
inline void AfxEnableControlContainer() {}

// The framework's start: runs the application object. The program's main returns its result.
int AfxWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int cmdShow);
int AfxWinMain();
