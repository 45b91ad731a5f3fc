// The GUI thread: the application object, the pump that runs the thread's Win32 messages from
// Qt's event loop, the modal loops, and the input rules that apply to every window of the layer
// (F1, disabled top-level windows).
#include "qt_internal.h"

#include "vlm_posix.h"
#include "vlm_qt.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace vlm::qt {
namespace {


struct Gui;
std::vector<std::shared_ptr<ModalState>>& Modals();

// Runs the thread's messages when the queue's wake hook asks for it, a bounded number at a time
// so that a stream of messages never starves Qt's own events.
class Pump : public QObject {
public:
    void Schedule()
    {
        if (!m_scheduled.exchange(true))
            QMetaObject::invokeMethod(this, [this] { Run(); }, Qt::QueuedConnection);
    }

private:
    void Run()
    {
        m_scheduled = false;
        MSG msg;
        for (int handled = 0; handled < 64; ++handled) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                return;
            if (msg.message == WM_QUIT) {
                Quit(static_cast<int>(msg.wParam));
                return;
            }
            Dispatch(msg);
        }
        Schedule(); // more may be waiting
    }

    static void Quit(int code)
    {
        auto& modals = Modals();
        if (!modals.empty()) {
            auto& innermost = modals.back();
            innermost->quit = true;
            innermost->quitCode = code;
            innermost->ended = true;
            if (innermost->stop)
                innermost->stop();
        } else {
            QCoreApplication::exit(code);
        }
    }

    static void Dispatch(const MSG& msg)
    {
        if (msg.message == WM_TIMER && msg.lParam != 0) {
            // A timer with a callback of its own runs it instead of the window procedure.
            auto callback = reinterpret_cast<TIMERPROC>(msg.lParam);
            callback(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
            return;
        }
        if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
            // Keys a program posted itself go through the dialog manager like real ones would.
            const HWND root = RootOf(msg.hwnd);
            MSG copy = msg;
            if (root && IsDialogMessageA(root, &copy))
                return;
        }
        DispatchMessageA(&msg);
    }

    std::atomic<bool> m_scheduled{false};
};

// Input to a window that is disabled (a modal dialog's owner, or one the program disabled) goes
// nowhere, as on Windows; the window is not drawn greyed. F1 sends the help command to the
// dialog the focus is in.
class InputRules : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        const HWND top = WindowOfWidget(widget->window());
        if (!top)
            return false;
        if (StyleOf(top) & WS_DISABLED)
            return true;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier)
                return DialogKey(top, VK_F1);
        }
        return false;
    }
};

// Everything of the GUI thread; made once and never destroyed (windows may outlive main).
struct Gui {
    std::unique_ptr<QApplication> application; // none when the program made its own
    std::unique_ptr<Pump> pump;
    std::unique_ptr<InputRules> rules;
    HWND callWindow = nullptr;
    DWORD thread = 0;
    std::vector<std::shared_ptr<ModalState>> modals; // GUI thread only
};

std::atomic<Gui*> g_gui{nullptr};

LRESULT CALLBACK RunCallProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER && lParam) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool IsMainThread()
{
    return getpid() == gettid();
}

} // namespace

bool EnsureGui()
{
    if (g_gui.load())
        return true;
    if (!IsMainThread())
        return false;
    // The main thread alone gets here, so no other thread can race the construction. Never
    // destroyed: the windows of the main thread outlive main.
    auto* gui = new Gui;
    gui->thread = GetCurrentThreadId();
    if (!QApplication::instance()) {
        static int argc = 1;
        static char name[] = "velmora";
        static char* argv[] = {name, nullptr};
        gui->application = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    gui->rules = std::make_unique<InputRules>();
    qApp->installEventFilter(gui->rules.get());
    gui->pump = std::make_unique<Pump>();
    // Focus moving between the layer's windows is told to both, as Windows tells them.
    QObject::connect(qApp, &QApplication::focusChanged, gui->pump.get(), [](QWidget* old, QWidget* now) {
        const HWND from = WindowOfWidget(old);
        const HWND to = WindowOfWidget(now);
        if (from == to)
            return;
        if (from && IsWindow(from))
            SendMessageA(from, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
        if (to && IsWindow(to))
            SendMessageA(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(from), 0);
    });
    RegisterWindowClasses();
    WNDCLASSA callClass{};
    callClass.lpfnWndProc = RunCallProc;
    callClass.lpszClassName = "VlmQtCall";
    RegisterClassA(&callClass);
    gui->callWindow = CreateWindowExA(0, "VlmQtCall", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
    g_gui.store(gui);
    Pump* pump = gui->pump.get();
    posix::SetMessageWakeHook([pump] { pump->Schedule(); });
    pump->Schedule(); // whatever arrived before the hook
    return true;
}

namespace {

Gui* TheGui()
{
    return g_gui.load();
}

std::vector<std::shared_ptr<ModalState>>& Modals()
{
    return TheGui()->modals;
}

} // namespace

bool GuiExists()
{
    return g_gui.load() != nullptr;
}

bool OnGuiThread()
{
    Gui* gui = g_gui.load();
    return gui && gui->thread == GetCurrentThreadId();
}

void RunOnGuiThread(const std::function<void()>& work)
{
    Gui* gui = g_gui.load();
    if (!gui || gui->thread == GetCurrentThreadId()) {
        work();
        return;
    }
    SendMessageA(gui->callWindow, WM_USER, 0, reinterpret_cast<LPARAM>(&work));
}

void PushModal(const std::shared_ptr<ModalState>& state)
{
    Modals().push_back(state);
}

void PopModal(const std::shared_ptr<ModalState>& state)
{
    auto& modals = Modals();
    std::erase(modals, state);
}

void RunModal(const std::shared_ptr<ModalState>& state)
{
    QEventLoop loop;
    state->stop = [&loop] { loop.exit(); };
    PushModal(state);
    TheGui()->pump->Schedule();
    if (!state->ended)
        loop.exec(QEventLoop::AllEvents);
    PopModal(state);
    state->stop = nullptr;
    if (state->quit)
        PostQuitMessage(state->quitCode);
}

QString FromNarrow(const char* text, int length)
{
    if (!text)
        return {};
    return QString::fromUtf8(text, length < 0 ? static_cast<qsizetype>(std::strlen(text)) : length);
}

std::string ToNarrow(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString MnemonicText(const std::string& text)
{
    return QString::fromStdString(text);
}

LRESULT CopyText(const std::string& text, LPSTR buffer, size_t capacity)
{
    if (!buffer || capacity == 0)
        return 0;
    const size_t copied = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return static_cast<LRESULT>(copied);
}

} // namespace vlm::qt

namespace vlm::qt {

bool Initialize()
{
    return EnsureGui();
}

void ProcessEvents()
{
    if (EnsureGui() && OnGuiThread())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace vlm::qt
