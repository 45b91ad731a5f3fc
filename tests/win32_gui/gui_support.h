// Helpers for the dialog program's tests on Windows (under Wine with a display): the real scan
// dialog run modally with a script that drives it from inside its own loop, the real message
// boxes and common dialogs answered through a CBT hook, and what the controls hold.
#pragma once

#include "app/CScanDlg.h"
#include "framework/CWinApp.h"
#include "framework/CommonControls.h"
#include "support/DialogText.h"
#include "winapi.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace vlm::test {

// Long enough never to matter on a working build; there only to turn a hang into a failure.
inline constexpr DWORD kPatienceMs = 60000;

// Whether the process has a display to show windows on (test-windows.sh gives these tests one).
inline bool HasDisplay()
{
    char display[256] = {};
    return GetEnvironmentVariableA("DISPLAY", display, sizeof display) > 0;
}

inline std::string ClassOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Runs the thread's messages, as a dialog's loop would, until `done` holds; false after a hang.
inline bool PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > kPatienceMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            const HWND active = GetActiveWindow();
            if (active && IsDialogMessageA(active, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!done())
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// What is queued now, and what that brings on, without waiting for more.
inline void Pump()
{
    int idle = 0;
    PumpUntil([&] {
        MSG msg;
        idle = PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) ? 0 : idle + 1;
        return idle > 3;
    });
}

// A window of the dialog class (#32770) that came up while the answerer listened: a message
// box, a common dialog or a dialog of the program.
struct ShownBox {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string caption;
    std::string text; // a message box's text (its static 0xFFFF); empty for other dialogs
    HICON icon = nullptr; // the icon it shows (a message box's, or a dialog's icon control)
    std::vector<std::string> texts; // its controls' texts, in order
};

// Answers every dialog-class window but the scan dialog that comes up on this thread (a CBT
// hook: the window is caught when it is activated) and records it. The default answer is the button a person would
// press to go on: Yes where there is one, else OK. A test may answer otherwise.
class BoxAnswerer {
public:
    using Answer = std::function<void(const ShownBox&)>;

    explicit BoxAnswerer(Answer answer = {}) : m_answer(std::move(answer))
    {
        s_current = this;
        m_hook = SetWindowsHookExA(WH_CBT, &BoxAnswerer::Hook, nullptr, GetCurrentThreadId());
        EXPECT_NE(m_hook, nullptr) << "SetWindowsHookExA(WH_CBT) failed: " << GetLastError();
    }
    ~BoxAnswerer()
    {
        if (m_hook)
            UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Windows that are not to be answered (the scan dialog itself).
    void Ignore(HWND window) { m_ignored.insert(window); }
    void SetAnswer(Answer answer) { m_answer = std::move(answer); }

    const std::vector<ShownBox>& Shown() const { return m_shown; }
    size_t Count() const { return m_shown.size(); }

    // Presses `id` on `box` the way a click does: the command comes through the box's queue.
    static void Press(HWND box, int id)
    {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    }
    static void PressDefault(const ShownBox& box)
    {
        Press(box.window, GetDlgItem(box.window, IDYES) ? IDYES : IDOK);
    }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        BoxAnswerer* self = s_current;
        if (self && code == HCBT_ACTIVATE)
            self->Activated(reinterpret_cast<HWND>(wParam));
        if (self && code == HCBT_DESTROYWND)
            self->m_answered.erase(reinterpret_cast<HWND>(wParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    // The dialog under test is one of the class too; it is never answered.
    static bool IsScanDialog(HWND window)
    {
        return GetDlgItem(window, IDC_DRIVES) && GetDlgItem(window, IDC_RESULTS);
    }

    void Activated(HWND window)
    {
        if (ClassOf(window) != "#32770" || m_ignored.count(window) || m_answered.count(window) || IsScanDialog(window))
            return;
        m_answered.insert(window);
        ShownBox box;
        box.window = window;
        box.owner = GetWindow(window, GW_OWNER);
        box.caption = WindowText(window);
        if (const HWND text = GetDlgItem(window, 0xFFFF))
            box.text = WindowText(text);
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (ClassOf(child) == "Static" && (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                box.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            box.texts.push_back(WindowText(child));
        }
        m_shown.push_back(box);
        if (m_answer)
            m_answer(box);
        else
            PressDefault(box);
    }

    static inline BoxAnswerer* s_current = nullptr;
    HHOOK m_hook = nullptr;
    Answer m_answer;
    std::set<HWND> m_ignored;
    std::set<HWND> m_answered;
    std::vector<ShownBox> m_shown;
};

// Runs `dialog` modally; `script` runs inside its loop once it is up (from a thread timer that
// the dialog's own loop dispatches), then the dialog is ended with IDCANCEL unless
// `scriptEndsIt`.
inline INT_PTR RunDialog(CScanDlg& dialog, const std::function<void(CScanDlg&)>& script, bool scriptEndsIt = false)
{
    struct Run {
        CScanDlg* dialog;
        const std::function<void(CScanDlg&)>* script;
        bool scriptEndsIt;
        bool ran = false;
    };
    static Run* s_run = nullptr;
    Run run{&dialog, &script, scriptEndsIt};
    s_run = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        Run* current = s_run;
        if (!current || current->ran)
            return;
        current->ran = true;
        CScanDlg& dlg = *current->dialog;
        if (dlg.m_hWnd && IsWindow(dlg.m_hWnd)) {
            (*current->script)(dlg);
            if (!current->scriptEndsIt && dlg.m_hWnd && IsWindow(dlg.m_hWnd))
                dlg.EndDialog(IDCANCEL);
        }
    });
    EXPECT_NE(timer, 0u);
    const INT_PTR result = dialog.DoModal();
    s_run = nullptr;
    EXPECT_TRUE(run.ran) << "the dialog's loop never ran the script (DoModal gave " << result << ")";
    return result;
}

// The drive list's entries as the drive rules make them from what the system reports now.
inline std::vector<std::string> ExpectedEntries()
{
    std::vector<std::string> drives;
    std::string local;
    const DWORD mask = GetLogicalDrives();
    for (int n = 0; n < 26; ++n) {
        if (!(mask & (1u << n)))
            continue;
        const std::string root{static_cast<char>('A' + n), ':', '\\'};
        const UINT type = GetDriveTypeA(root.c_str());
        if (type != DRIVE_FIXED && type != DRIVE_REMOTE)
            continue;
        char fileSystem[64] = {};
        if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem)) {
            ADD_FAILURE() << "the volume query fails for " << root << ": the dialog would report an error";
            continue;
        }
        if (_strnicmp(fileSystem, "NTFS", 4) != 0)
            continue;
        const std::string name = root.substr(0, 2);
        if (type == DRIVE_FIXED)
            local += (local.empty() ? "" : ",") + name;
        drives.push_back(name + (type == DRIVE_FIXED ? "#0" : "#3"));
    }
    std::vector<std::string> entries{local.empty() ? "No Local NTFS Drives Available#0" : "Local NTFS (" + local + ")#0"};
    entries.insert(entries.end(), drives.begin(), drives.end());
    return entries;
}

inline void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace vlm::test
