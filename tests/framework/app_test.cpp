// The application object: its name from the executable, the caption of boxes that give none,
// and AfxWinMain's exit codes.
#include "window_support.h"

#include "framework/CWinApp.h"
#include "vlm_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vlm::test {
namespace {

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Records every message box and answers it with `answer`.
class BoxRecorder {
public:
    explicit BoxRecorder(int answer = IDOK)
    {
        m_previous = SetMessageBoxResponder([this, answer](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
            boxes.push_back({owner, text ? text : "", caption ? caption : "<none>", type});
            return answer;
        });
    }
    ~BoxRecorder() { SetMessageBoxResponder(m_previous); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<Box> boxes;

private:
    MessageBoxResponder m_previous;
};

TEST(WinApp, WithoutANameItIsNamedAfterTheExecutable)
{
    ASSERT_EQ(AfxGetApp(), nullptr) << "these tests make their own application objects";
    CWinApp app;
    EXPECT_STREQ(app.m_pszAppName, "framework_tests");
    EXPECT_STREQ(app.m_pszExeName, "framework_tests");
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_STREQ(AfxGetAppName(), "framework_tests");
    EXPECT_EQ(app.m_hInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleA(nullptr));
}

TEST(WinApp, AGivenNameIsKeptAndOnlyTheFirstObjectCounts)
{
    {
        CWinApp app("Velmora Test");
        EXPECT_STREQ(app.m_pszAppName, "Velmora Test");
        EXPECT_STREQ(app.m_pszExeName, "framework_tests");
        CWinApp second("Second");
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_STREQ(AfxGetAppName(), "Velmora Test");
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
    EXPECT_STREQ(AfxGetAppName(), "");
}

TEST(WinApp, BoxesWithoutACaptionShowTheApplicationsName)
{
    BoxRecorder recorder(IDYES);
    CWinApp app;
    CWnd main;
    ASSERT_TRUE(CreateMessageOnly(main));
    app.m_pMainWnd = &main;
    CWnd other;
    ASSERT_TRUE(CreateMessageOnly(other));

    EXPECT_EQ(AfxMessageBox("Scan finished", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(other.MessageBox("3 files scanned"), IDYES);
    EXPECT_EQ(other.MessageBox("Invalid Selection", "Error", MB_ICONERROR), IDYES);
    ASSERT_EQ(recorder.boxes.size(), 3u);
    EXPECT_EQ(recorder.boxes[0].owner, main.m_hWnd);
    EXPECT_EQ(recorder.boxes[0].caption, "framework_tests");
    EXPECT_EQ(recorder.boxes[0].type, UINT{MB_YESNO | MB_ICONQUESTION});
    EXPECT_EQ(recorder.boxes[1].owner, other.m_hWnd);
    EXPECT_EQ(recorder.boxes[1].caption, "framework_tests");
    EXPECT_EQ(recorder.boxes[1].type, UINT{MB_OK});
    EXPECT_EQ(recorder.boxes[2].caption, "Error");
    EXPECT_EQ(recorder.boxes[2].text, "Invalid Selection");
    EXPECT_EQ(recorder.boxes[2].type, UINT{MB_ICONERROR});
}

class CDialogLikeApp : public CWinApp {
public:
    bool m_initialised = false;
    BOOL InitInstance() override
    {
        m_initialised = true;
        return FALSE; // the dialog has closed: nothing left to run
    }
    int Run() override
    {
        ADD_FAILURE() << "no message loop after InitInstance said FALSE";
        return 99;
    }
};

class CLoopingApp : public CWinApp {
public:
    int m_exitOverride = -1;
    BOOL InitInstance() override
    {
        PostQuitMessage(7);
        return TRUE;
    }
    int ExitInstance() override { return m_exitOverride >= 0 ? m_exitOverride : CWinApp::ExitInstance(); }
};

TEST(WinApp, AfxWinMainRunsInitInstanceAndReturnsTheExitCode)
{
    EXPECT_EQ(AfxWinMain(), -1) << "no application object";
    {
        CDialogLikeApp app;
        EXPECT_EQ(AfxWinMain(), 0);
        EXPECT_TRUE(app.m_initialised);
    }
    {
        CLoopingApp app;
        EXPECT_EQ(AfxWinMain(), 7) << "WM_QUIT's code";
    }
    {
        CLoopingApp app;
        app.m_exitOverride = 3;
        EXPECT_EQ(AfxWinMain(), 3) << "ExitInstance has the last word";
    }
}

TEST(ModuleFileName, IsTheProgramsOwnFileAndIsCutShortToFit)
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof path);
    EXPECT_EQ(std::strlen(path), length);
    const std::string full(path);
    EXPECT_NE(full.find("framework_tests"), std::string::npos) << full;

    char small[8];
    std::memset(small, 'x', sizeof small);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), DWORD{sizeof small});
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    // Cut short (the Linux layer also terminates it, as current Windows does; Wine may not).
    EXPECT_EQ(std::string(small, sizeof small - 1), full.substr(0, sizeof small - 1));
}

} // namespace
} // namespace vlm::test
