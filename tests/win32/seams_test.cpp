// The two seams over the real Win32 API: the message box responder and the export overrides, and
// what the engine makes of a missing native export.
#include "scan/NativeFunctions.h"
#include "support/ScanRunner.h"
#include "support/TestTree.h"
#include "vlm_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Installs a recording responder for the test's life and puts the previous one back.
class RecordingResponder {
public:
    explicit RecordingResponder(int answer = IDOK)
    {
        m_previous = vlm::SetMessageBoxResponder([this, answer](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
            boxes.push_back({owner, text ? text : "(null)", caption ? caption : "(null)", type});
            return answer;
        });
    }
    ~RecordingResponder() { vlm::SetMessageBoxResponder(std::move(m_previous)); }

    std::vector<Box> boxes;

private:
    vlm::MessageBoxResponder m_previous;
};

DWORD WINAPI ShowBoxOnThread(LPVOID)
{
    return static_cast<DWORD>(MessageBoxA(nullptr, "from a worker", "Worker", MB_OK | MB_ICONWARNING));
}

TEST(MessageBoxSeam, TheResponderGetsTextCaptionFlagsAndOwnerAndItsAnswerIsReturned)
{
    RecordingResponder responder(IDNO);
    const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234));
    EXPECT_EQ(MessageBoxA(owner, "Really?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    // The generic name is the same call.
    EXPECT_EQ(MessageBox(nullptr, "Plain", "Caption", MB_OK), IDNO);
    ASSERT_EQ(responder.boxes.size(), 2u);
    EXPECT_EQ(responder.boxes[0].owner, owner);
    EXPECT_EQ(responder.boxes[0].text, "Really?");
    EXPECT_EQ(responder.boxes[0].caption, "Question");
    EXPECT_EQ(responder.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(responder.boxes[1].text, "Plain");
    EXPECT_EQ(responder.boxes[1].type, static_cast<UINT>(MB_OK));
}

TEST(MessageBoxSeam, TheResponderIsProcessWideNotPerThread)
{
    RecordingResponder responder(IDCANCEL);
    HANDLE thread = CreateThread(nullptr, 0, &ShowBoxOnThread, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    DWORD answer = 0;
    GetExitCodeThread(thread, &answer);
    CloseHandle(thread);
    EXPECT_EQ(answer, static_cast<DWORD>(IDCANCEL));
    ASSERT_EQ(responder.boxes.size(), 1u);
    EXPECT_EQ(responder.boxes[0].caption, "Worker");
    EXPECT_EQ(responder.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST(MessageBoxSeam, SettingAResponderHandsBackThePreviousOne)
{
    int firstCalls = 0;
    vlm::MessageBoxResponder outer = vlm::SetMessageBoxResponder([&](HWND, LPCSTR, LPCSTR, UINT) {
        ++firstCalls;
        return IDOK;
    });
    {
        RecordingResponder inner;
        MessageBoxA(nullptr, "inner", "c", MB_OK);
        EXPECT_EQ(inner.boxes.size(), 1u);
    }
    MessageBoxA(nullptr, "outer again", "c", MB_OK);
    EXPECT_EQ(firstCalls, 1);
    vlm::SetMessageBoxResponder(std::move(outer));
}

INT_PTR WINAPI Replacement()
{
    return 42;
}

FARPROC ReplacementProc()
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Replacement));
}

class ExportOverrides : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ntdll = LoadLibraryA("ntdll.dll");
        ASSERT_NE(m_ntdll, nullptr);
        m_realQuery = GetProcAddress(m_ntdll, "ZwQueryInformationFile");
        m_realNtQuery = GetProcAddress(m_ntdll, "NtQueryInformationFile");
        ASSERT_NE(m_realQuery, nullptr);
    }
    void TearDown() override { vlm::ClearExportOverrides(); }

    HMODULE m_ntdll = nullptr;
    FARPROC m_realQuery = nullptr;
    FARPROC m_realNtQuery = nullptr;
};

TEST_F(ExportOverrides, AReplacementIsAnsweredWhateverTheModuleNameLooksLike)
{
    for (const char* module : {"ntdll.dll", "NTDLL.DLL", "ntdll", "C:\\Windows\\System32\\NtDll.dll"}) {
        SCOPED_TRACE(module);
        vlm::OverrideExport(module, "ZwQueryInformationFile", ReplacementProc());
        EXPECT_EQ(GetProcAddress(m_ntdll, "ZwQueryInformationFile"), ReplacementProc());
        // Only that export of that module.
        EXPECT_EQ(GetProcAddress(m_ntdll, "NtQueryInformationFile"), m_realNtQuery);
        vlm::ClearExportOverrides();
        EXPECT_EQ(GetProcAddress(m_ntdll, "ZwQueryInformationFile"), m_realQuery);
    }
}

TEST_F(ExportOverrides, ARemovedExportIsMissingWithTheLoadersError)
{
    vlm::OverrideExport("ntdll.dll", "ZwQueryInformationFile", nullptr);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetProcAddress(m_ntdll, "ZwQueryInformationFile"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // An override for another module leaves ntdll's own export alone.
    vlm::ClearExportOverrides();
    vlm::OverrideExport("kernel32.dll", "ZwQueryInformationFile", nullptr);
    EXPECT_EQ(GetProcAddress(m_ntdll, "ZwQueryInformationFile"), m_realQuery);
}

TEST_F(ExportOverrides, WithoutOverridesTheRealLoaderAnswersEvenForMissingExports)
{
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetProcAddress(m_ntdll, "NoSuchExportAnywhere"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(LoadNativeFunctions());
    EXPECT_EQ(reinterpret_cast<void*>(g_pZwQueryInformationFile), reinterpret_cast<void*>(m_realQuery));
}

TEST_F(ExportOverrides, WithTheQueryRemovedTheWorkerReportsTheFailureAndReturnsZero)
{
    vlm::OverrideExport("ntdll.dll", "ZwQueryInformationFile", nullptr);
    EXPECT_FALSE(LoadNativeFunctions());
    EXPECT_EQ(g_pZwQueryInformationFile, nullptr);

    // Any root will do: the worker stops before it looks at one.
    vlm::test::ScanRecord record = vlm::test::ScanRunner().Run("C:\\");
    ASSERT_TRUE(record.completed);
    EXPECT_EQ(record.exitCode, 0u);
    ASSERT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.boxes[0].text, "Error: LoadNativeFunctions() failed");
    EXPECT_EQ(record.boxes[0].caption, "ERROR");
    EXPECT_EQ(record.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(record.boxes[0].hadOwner);
    EXPECT_EQ(record.notices.size(), 1u); // the completion only
    EXPECT_EQ(record.filesScanned, 0);
    EXPECT_EQ(record.adsFiles, 0);
}

} // namespace
