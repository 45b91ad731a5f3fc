// Helpers for the dialog program's tests: the real scan dialog run modally with a script that
// drives it from inside its own loop, message boxes answered and recorded, an injected mount
// table of real NTFS volumes, and what the results view holds.
#pragma once

#include "../platform/fs_support.h"
#include "app/CScanDlg.h"
#include "framework/CWinApp.h"
#include "support/DialogText.h"
#include "support/NtfsVolume.h"
#include "support/QtInput.h"
#include "support/QtPump.h"
#include "vlm_platform.h"
#include "vlm_qt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace vlm::test {

using namespace std::chrono_literals;

// Long enough never to matter on a working build; there only to turn a hang into a failure.
inline constexpr std::chrono::milliseconds kPatience = 60s;

// Waits with this folder's patience (kPatience above).
inline bool PumpUntil(const std::function<bool()>& done)
{
    return PumpUntil(done, kPatience);
}

// Every message box answered with its default button, and what it said.
struct BoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class RecordedBoxes {
public:
    RecordedBoxes()
    {
        m_previous = vlm::SetMessageBoxResponder([this](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
            std::lock_guard lock(m_mutex);
            m_calls.push_back({owner, text ? text : "", caption ? caption : "", type});
            // Yes to a question (the save dialog's overwrite check), OK otherwise.
            const UINT buttons = type & MB_TYPEMASK;
            return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
        });
    }
    ~RecordedBoxes() { vlm::SetMessageBoxResponder(m_previous); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    std::vector<BoxCall> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    size_t Count() const { return Calls().size(); }

private:
    mutable std::mutex m_mutex;
    std::vector<BoxCall> m_calls;
    vlm::MessageBoxResponder m_previous;
};

// The mountinfo line the process has for `mountPoint` (a real mount), renumbered to `id`.
inline std::string RealMountLine(const std::string& mountPoint)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point == mountPoint)
            return line + "\n";
    }
    return {};
}

// Runs `dialog` modally; `script` runs inside its loop once it is up, then the dialog is ended
// with IDCANCEL unless `scriptEndsIt`.
inline INT_PTR RunDialog(CScanDlg& dialog, const std::function<void(CScanDlg&)>& script, bool scriptEndsIt = false)
{
    vlm::qt::Initialize();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        if (dialog.m_hWnd && IsWindow(dialog.m_hWnd)) {
            script(dialog);
            if (!scriptEndsIt && dialog.m_hWnd && IsWindow(dialog.m_hWnd))
                dialog.EndDialog(IDCANCEL);
        }
    });
    const INT_PTR result = dialog.DoModal();
    EXPECT_TRUE(ran) << "the dialog's loop never ran the script";
    return result;
}

inline void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A mount table holding only the test's volumes (and what else it adds), with letters afresh.
class DialogFixture : public ::testing::Test {
protected:
    void TearDown() override { Pump(); }

    // One real NTFS volume as the only drive, C:. False (test skipped) without ntfs-3g.
    bool OneVolume()
    {
        m_volume = NtfsVolume::Create();
        if (!m_volume)
            return false;
        m_table.Set(RealMountLine(m_volume->MountPoint()));
        return true;
    }

    InjectedMountTable m_table;
    std::unique_ptr<NtfsVolume> m_volume;
    RecordedBoxes m_boxes;
};

} // namespace vlm::test
