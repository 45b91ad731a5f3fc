// Helpers for the window system's tests: a dialog whose procedure is a lambda, bounded waits that
// run the Qt event loop (and with it the thread's messages), and what a window shows.
#pragma once

#include "resource.h"
#include "support/QtInput.h"
#include "support/QtPump.h"
#include "vlm_qt.h"
#include "winapi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QRect>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace vlm::test {

using namespace std::chrono_literals;

// Long enough never to matter on a working build; there only to turn a hang into a failure.
inline constexpr std::chrono::milliseconds kPatience = 20s;

// Answers a dialog message, or nothing to leave it to the dialog manager.
using DialogHandler = std::function<std::optional<INT_PTR>(HWND, UINT, WPARAM, LPARAM)>;

inline INT_PTR CALLBACK HandlerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto* handler = reinterpret_cast<DialogHandler*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (handler && *handler) {
        if (auto result = (*handler)(dialog, message, wParam, lParam))
            return *result;
    }
    return FALSE;
}

// Runs Qt's events until `done` holds or this folder's patience runs out.
inline bool PumpUntil(const std::function<bool()>& done)
{
    return PumpUntil(done, kPatience);
}

// Closes whatever modal window is still open when patience runs out, so that a box or dialog
// that does not take the test's input fails the test instead of hanging it.
class ModalRescue {
public:
    ModalRescue()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                rescued = true;
                modal->close();
            }
        });
        m_timer.start(static_cast<int>(kPatience.count()));
    }
    bool rescued = false;

private:
    QTimer m_timer;
};

// A modeless dialog from the program's resources, destroyed with the fixture.
class TestDialog {
public:
    explicit TestDialog(int id, DialogHandler handler = {}, HWND owner = nullptr)
        : m_handler(std::make_unique<DialogHandler>(std::move(handler)))
    {
        vlm::qt::Initialize();
        m_window = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(id), owner, HandlerDialogProc,
                                      reinterpret_cast<LPARAM>(m_handler.get()));
    }
    ~TestDialog()
    {
        if (IsWindow(m_window))
            DestroyWindow(m_window);
        Pump();
    }
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Window() const { return m_window; }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }
    void SetHandler(DialogHandler handler) { *m_handler = std::move(handler); }

private:
    std::unique_ptr<DialogHandler> m_handler;
    HWND m_window = nullptr;
};

// What the window shows, painted through its own window procedure.
inline QImage Grab(HWND window)
{
    QWidget* widget = vlm::qt::WindowWidget(window);
    return widget ? widget->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

// Where `control` lies in `dialog`'s client area, in pixels.
inline QRect InClient(HWND dialog, HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    POINT topLeft{r.left, r.top};
    ScreenToClient(dialog, &topLeft);
    return QRect(topLeft.x, topLeft.y, r.right - r.left, r.bottom - r.top);
}

} // namespace vlm::test
