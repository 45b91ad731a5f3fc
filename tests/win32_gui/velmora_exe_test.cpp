// velmora.exe itself, started as a person would start it: its dialog comes up with the drive
// list filled from the system's drives, and Quit from the File menu ends the program.
#include "gui_support.h"

#include <gtest/gtest.h>

#include <string>

namespace vlm::test {
namespace {

// Beside the test executable, where the build puts every program.
std::string ProgramPath()
{
    char self[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, length);
    const size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "velmora.exe";
}

struct Search {
    DWORD process;
    HWND found;
};

// The scan dialog of `process`: its top-level window with the drive list in it.
HWND ScanDialogOf(DWORD process)
{
    Search search{process, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->process && IsWindowVisible(window) && GetDlgItem(window, IDC_DRIVES)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Ends the child however the test went.
class Child {
public:
    explicit Child(const PROCESS_INFORMATION& info) : m_info(info) {}
    ~Child()
    {
        if (m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_info.hProcess, 99);
        if (m_info.hThread)
            CloseHandle(m_info.hThread);
        if (m_info.hProcess)
            CloseHandle(m_info.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    HANDLE Process() const { return m_info.hProcess; }
    DWORD Id() const { return m_info.dwProcessId; }

private:
    PROCESS_INFORMATION m_info;
};

TEST(VelmoraExe, ShowsItsDialogWithTheDrivesAndEndsOnQuit)
{
    ASSERT_TRUE(HasDisplay()) << "no display: the dialog cannot show (run through scripts/test-windows.sh)";
    const std::string program = ProgramPath();
    ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << program;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info))
        << GetLastError();
    const Child child(info);

    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        dialog = ScanDialogOf(child.Id());
        return dialog != nullptr || WaitForSingleObject(child.Process(), 0) == WAIT_OBJECT_0;
    }));
    ASSERT_NE(dialog, nullptr) << "velmora.exe ended without showing its dialog";

    // The dialog's controls are the real classes, and the drive list is filled and on its first
    // entry. (Its entries' texts stay in the program: the extended combo box's item calls take
    // pointers that do not cross processes.)
    const HWND combo = GetDlgItem(dialog, IDC_DRIVES);
    EXPECT_EQ(ClassOf(combo), "ComboBoxEx32");
    EXPECT_EQ(ClassOf(GetDlgItem(dialog, IDC_RESULTS)), "RICHEDIT");
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(ExpectedEntries().size()));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WEBLINK)), VLM_WEB_ADDRESS);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_START)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_STOP)));
    EXPECT_NE(GetMenu(dialog), nullptr);

    // File, Quit: the dialog ends and so does the program, with nothing left to ask.
    PostMessageA(dialog, WM_COMMAND, ID_FILE_QUIT, 0);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(child.Process(), 0) == WAIT_OBJECT_0; }))
        << "velmora.exe is still running after Quit";
    DWORD exitCode = 0xFFFFFFFF;
    GetExitCodeProcess(child.Process(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
} // namespace vlm::test
