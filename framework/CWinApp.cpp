#include "framework/CWinApp.h"

#include "framework/CWnd.h"

#include <atomic>

namespace {

// One application object per process, as the framework's global services (AfxGetApp,
// AfxGetAppName) assume.
std::atomic<CWinApp*> g_app{nullptr};

// "C:\Apps\velmora.exe" or "/usr/bin/velmora" -> "velmora".
CString ExecutableName()
{
    char path[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return CString();
    const CString full(path, static_cast<int>(length));
    int start = 0;
    for (int i = 0; i < full.GetLength(); ++i) {
        if (full[i] == '\\' || full[i] == '/')
            start = i + 1;
    }
    CString name = full.Mid(start);
    const int dot = [&] {
        int last = -1;
        for (int i = 0; i < name.GetLength(); ++i) {
            if (name[i] == '.')
                last = i;
        }
        return last;
    }();
    // A leading dot is part of the name, not an extension.
    if (dot > 0)
        name = name.Left(dot);
    return name;
}

} // namespace

CWinApp::CWinApp(LPCSTR appName)
    : m_hInstance(::GetModuleHandleA(nullptr)), m_lpCmdLine(nullptr), m_nCmdShow(SW_SHOWNORMAL),
      m_exeName(ExecutableName())
{
    m_appName = appName ? CString(appName) : m_exeName;
    m_pszAppName = m_appName;
    m_pszExeName = m_exeName;
    CWinApp* none = nullptr;
    g_app.compare_exchange_strong(none, this);
}

CWinApp::~CWinApp()
{
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) {
            m_exitCode = -1;
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::DoMessageBox(LPCSTR prompt, UINT type, UINT)
{
    const HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return ::MessageBox(owner, prompt, m_pszAppName, type);
}

CWinApp* AfxGetApp()
{
    return g_app.load();
}

CWnd* AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

LPCSTR AfxGetAppName()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pszAppName : "";
}

HINSTANCE AfxGetInstanceHandle()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}

int AfxMessageBox(LPCSTR text, UINT type, UINT helpId)
{
    if (CWinApp* app = AfxGetApp())
        return app->DoMessageBox(text, type, helpId);
    return ::MessageBox(nullptr, text, nullptr, type);
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int cmdShow)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    if (instance)
        app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine;
    app->m_nCmdShow = cmdShow;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

int AfxWinMain()
{
    static char noCommandLine[] = "";
    return AfxWinMain(::GetModuleHandleA(nullptr), nullptr, noCommandLine, SW_SHOWNORMAL);
}
