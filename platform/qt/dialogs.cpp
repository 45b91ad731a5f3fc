// The dialog manager: dialogs built from RT_DIALOG templates (dialog units through the dialog
// font's base units), the dialog class and its default procedure, modal loops, and the dialog
// keys (Enter, Escape, F1).
#include "dialog_template.h"
#include "gdi.h"
#include "qt_internal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

#include <cstring>

namespace vlm::qt {
namespace {

// What the dialog manager hands the dialog class while CreateWindowExA makes the dialog.
struct DialogCreation {
    DLGPROC procedure = nullptr;
    HFONT font = nullptr;
    bool ownsFont = false;
    SIZE baseUnits{};
    bool modal = false;
};

class DialogFace;

// The dialog's client area: where its controls go and where WM_PAINT draws.
class DialogClient : public QWidget {
public:
    explicit DialogClient(HWND dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        auto face = FaceOf(m_dialog);
        if (!face)
            return;
        QPainter painter(this);
        PaintThroughMessages(*face, painter, event->rect());
    }

    void mousePressEvent(QMouseEvent* event) override { Mouse(event, event->button() == Qt::RightButton ? WM_RBUTTONDOWN : WM_LBUTTONDOWN); }
    void mouseReleaseEvent(QMouseEvent* event) override { Mouse(event, event->button() == Qt::RightButton ? WM_RBUTTONUP : WM_LBUTTONUP); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { Mouse(event, WM_LBUTTONDBLCLK); }

private:
    void Mouse(QMouseEvent* event, UINT message)
    {
        const QPoint at = event->position().toPoint();
        SendMessageA(m_dialog, message, (event->buttons() & Qt::LeftButton) ? MK_LBUTTON : 0,
                     MAKELPARAM(at.x(), at.y()));
    }

    HWND m_dialog;
};

// The dialog's top-level window: caption, optional menu bar, client edge and client area.
class DialogFrame : public QWidget {
public:
    DialogFrame(HWND dialog, QWidget* owner, Qt::WindowFlags flags) : QWidget(owner, flags), m_dialog(dialog) {}

    int clientEdge = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        // The caption's close box is a system command; the dialog decides what it does.
        event->ignore();
        SendMessageA(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->modifiers() & ~(Qt::KeypadModifier)) {
            QWidget::keyPressEvent(event);
            return;
        }
        int key = 0;
        switch (event->key()) {
        case Qt::Key_Escape: key = VK_ESCAPE; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: key = VK_RETURN; break;
        default: break;
        }
        if (key && DialogKey(m_dialog, key))
            return;
        QWidget::keyPressEvent(event);
    }

    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange) {
            const DWORD style = StyleOf(m_dialog);
            DWORD next = style & ~(WS_MINIMIZE | WS_MAXIMIZE);
            if (isMinimized())
                next |= WS_MINIMIZE;
            else if (isMaximized())
                next |= WS_MAXIMIZE;
            if (next != style) {
                SetWindowLongPtrA(m_dialog, GWL_STYLE, next);
                RECT client{};
                GetClientRect(m_dialog, &client);
                SendMessageA(m_dialog, WM_SIZE, isMinimized() ? SIZE_MINIMIZED : SIZE_RESTORED,
                             MAKELPARAM(client.right, client.bottom));
            }
        } else if (event->type() == QEvent::ActivationChange) {
            SendMessageA(m_dialog, WM_ACTIVATE, isActiveWindow() ? WA_ACTIVE : WA_INACTIVE, 0);
        }
        QWidget::changeEvent(event);
    }

    void moveEvent(QMoveEvent* event) override
    {
        // Moved by the person (or the window manager): the client area's new screen position.
        POINT origin{0, 0};
        ClientToScreen(m_dialog, &origin);
        SendMessageA(m_dialog, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
        QWidget::moveEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        if (!clientEdge)
            return;
        // A sunken edge around the client area (WS_EX_CLIENTEDGE).
        QPainter painter(this);
        QWidget* client = findChild<DialogClient*>(QString(), Qt::FindDirectChildrenOnly);
        if (!client)
            return;
        const QRect r = client->geometry().adjusted(-2, -2, 1, 1);
        const QPalette& p = palette();
        painter.setPen(p.color(QPalette::Dark));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(p.color(QPalette::Shadow));
        painter.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
        painter.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));
        painter.setPen(p.color(QPalette::Light));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.setPen(p.color(QPalette::Midlight));
        painter.drawLine(r.bottomLeft() + QPoint(1, -1), r.bottomRight() + QPoint(-1, -1));
        painter.drawLine(r.topRight() + QPoint(-1, 1), r.bottomRight() + QPoint(-1, -1));
    }

private:
    HWND m_dialog;
};

class DialogFace : public Face {
public:
    using Face::Face;

    ~DialogFace() override
    {
        if (modal && modal->stop) {
            modal->ended = true;
            modal->stop();
        }
        if (ownsFont && font)
            DeleteObject(font);
    }

    DialogFrame* frame = nullptr;
    QPointer<QMenuBar> menuBar;
    SIZE baseUnits{4, 8};
    bool ownsFont = false;
    int defaultId = IDOK;
    std::shared_ptr<ModalState> modal; // DialogBoxParamA's loop; none for modeless dialogs
    QSize clientSize;

    void TextChanged() override
    {
        if (frame)
            frame->setWindowTitle(QString::fromUtf8(text.c_str()));
    }

    void Layout()
    {
        if (!frame)
            return;
        const int edge = frame->clientEdge;
        const int barHeight = menuBar ? menuBar->sizeHint().height() : 0;
        if (menuBar)
            menuBar->setGeometry(0, 0, clientSize.width() + 2 * edge, barHeight);
        client->setGeometry(edge, barHeight + edge, clientSize.width(), clientSize.height());
        const QSize outer(clientSize.width() + 2 * edge, clientSize.height() + barHeight + 2 * edge);
        if (StyleOf(hwnd) & WS_THICKFRAME)
            frame->resize(outer);
        else
            frame->setFixedSize(outer);
    }
};

std::shared_ptr<DialogFace> DialogOf(HWND window)
{
    return FaceAs<DialogFace>(window);
}

HFONT CreateTemplateFont(const posix::DialogTemplate& dialog)
{
    LOGFONTA logFont{};
    logFont.lfHeight = -MulDiv(dialog.pointSize ? dialog.pointSize : 8, 96, 72);
    logFont.lfWeight = dialog.weight ? dialog.weight : FW_NORMAL;
    logFont.lfItalic = dialog.italic ? 1 : 0;
    logFont.lfCharSet = dialog.charset;
    std::strncpy(logFont.lfFaceName, dialog.typeface.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectA(&logFont);
}

Qt::WindowFlags FrameFlags(DWORD style, bool owned)
{
    Qt::WindowFlags flags = (owned ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint;
    if (style & WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (style & WS_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;
    if (!(style & WS_CAPTION))
        flags |= Qt::FramelessWindowHint;
    return flags;
}

// WM_NCCREATE of the dialog class: the face and its frame.
bool CreateDialogFace(HWND window, const CREATESTRUCTA& create)
{
    if (!EnsureGui() || !OnGuiThread())
        return false;
    const auto* creation = static_cast<const DialogCreation*>(create.lpCreateParams);
    auto face = std::make_shared<DialogFace>(window);
    if (creation) {
        SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(creation->procedure));
        face->font = creation->font;
        face->ownsFont = creation->ownsFont;
        face->baseUnits = creation->baseUnits;
    } else {
        face->font = SystemDialogFont();
        face->baseUnits = BaseUnitsOf(face->font);
    }
    const DWORD style = static_cast<DWORD>(create.style);
    QWidget* owner = nullptr;
    if (auto ownerFace = FaceOf(create.hwndParent); ownerFace && ownerFace->widget)
        owner = ownerFace->widget->window();
    if (style & WS_CHILD) {
        // A dialog inside another window (DS_CONTROL pages): a plain child widget.
        auto* client = new DialogClient(window, ParentWidgetFor(create.hwndParent));
        face->widget = client;
        face->client = client;
        face->text = create.lpszName ? create.lpszName : "";
        face->clientSize = QSize(create.cx, create.cy);
        AttachFace(face, create);
        return true;
    }
    auto* frame = new DialogFrame(window, owner, FrameFlags(style, owner != nullptr));
    frame->clientEdge = (create.dwExStyle & WS_EX_CLIENTEDGE) ? 2 : 0;
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* client = new DialogClient(window, frame);
    face->frame = frame;
    face->widget = frame;
    face->client = client;
    face->clientSize = QSize(std::max(1, create.cx), std::max(1, create.cy));
    face->text = create.lpszName ? create.lpszName : "";
    frame->setWindowTitle(QString::fromUtf8(face->text.c_str()));
    BindWidget(frame, window);
    face->instance = create.hInstance;
    posix::SetWindowExtension(window, face);
    if (create.hMenu)
        ShowMenuBar(window, create.hMenu);
    face->Layout();
    frame->move(create.x, create.y);
    return true;
}

// The dialog's default processing of what the dialog procedure left alone.
LRESULT DialogDefault(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_ERASEBKGND: {
        HBRUSH brush = reinterpret_cast<HBRUSH>(
            SendMessageA(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
        if (!brush)
            brush = GetSysColorBrush(COLOR_3DFACE);
        RECT client{};
        GetClientRect(dialog, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return TRUE;
    }
    case WM_CLOSE: {
        // As the Cancel button would, unless the dialog has one that is disabled.
        const HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case DM_GETDEFID:
        if (auto face = DialogOf(dialog); face && face->defaultId)
            return MAKELRESULT(face->defaultId, DC_HASDEFID);
        return 0;
    case DM_SETDEFID:
        if (auto face = DialogOf(dialog)) {
            const int previous = std::exchange(face->defaultId, static_cast<int>(wParam));
            if (HWND old = GetDlgItem(dialog, previous); old && previous != face->defaultId)
                SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            if (HWND now = GetDlgItem(dialog, face->defaultId))
                SendMessageA(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        }
        return TRUE;
    case WM_NEXTDLGCTL: {
        HWND target = nullptr;
        if (LOWORD(lParam))
            target = reinterpret_cast<HWND>(wParam);
        else
            target = GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
        if (target)
            SetFocus(target);
        return 0;
    }
    case WM_SETFOCUS:
        if (HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE))
            SetFocus(first);
        return 0;
    case WM_INITDIALOG:
        return FALSE;
    case WM_HELP:
        if (!(StyleOf(dialog) & WS_CHILD)) {
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kHelpCommand, 0), 0);
            return TRUE;
        }
        return DefaultWindowMessage(dialog, message, wParam, lParam);
    case WM_NCDESTROY: {
        const LRESULT result = DefaultWindowMessage(dialog, message, wParam, lParam);
        return result;
    }
    default:
        return DefaultWindowMessage(dialog, message, wParam, lParam);
    }
}

bool ReturnsDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

HWND FirstTabStop(HWND dialog)
{
    return GetNextDlgTabItem(dialog, nullptr, FALSE);
}

QPoint DialogPosition(const posix::DialogTemplate& dialog, HWND owner, QSize outer, SIZE base)
{
    QRect screen(0, 0, 1024, 768);
    if (QGuiApplication::primaryScreen())
        screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect around = screen;
    if (auto face = FaceOf(owner); face && face->widget && face->widget->window()->isVisible())
        around = face->widget->window()->frameGeometry();
    // Windows puts a dialog at its template position; one at 0, 0 would sit in a corner of the
    // screen, which on a desktop with a window manager reads as misplaced, so it is centred.
    if ((dialog.style & (DS_CENTER | DS_CENTERMOUSE)) || (dialog.x == 0 && dialog.y == 0)) {
        QPoint at = around.center() - QPoint(outer.width() / 2, outer.height() / 2);
        at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - outer.width())));
        at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - outer.height())));
        return at;
    }
    const QPoint offset(MulDiv(dialog.x, base.cx, 4), MulDiv(dialog.y, base.cy, 8));
    if (auto face = FaceOf(owner); face && face->client)
        return face->client->mapToGlobal(offset);
    return screen.topLeft() + offset;
}

// Builds the dialog, its controls and its font, and runs WM_INITDIALOG; the dialog is shown
// afterwards (modal ones always, modeless ones when the template says WS_VISIBLE).
HWND BuildDialog(HINSTANCE instance, const void* data, size_t size, HWND owner, DLGPROC procedure,
                 LPARAM param, const std::shared_ptr<ModalState>& modal)
{
    if (!EnsureGui() || !OnGuiThread()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return nullptr;
    }
    auto dialog = posix::ParseDialogTemplate(data, size);
    if (!dialog) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    DialogCreation creation;
    creation.procedure = procedure;
    creation.modal = modal != nullptr;
    if (dialog->hasFont) {
        creation.font = CreateTemplateFont(*dialog);
        creation.ownsFont = true;
    } else {
        creation.font = SystemDialogFont();
    }
    creation.baseUnits = BaseUnitsOf(creation.font);
    const SIZE base = creation.baseUnits;

    HMENU menu = nullptr;
    if (!dialog->menu.IsEmpty()) {
        const std::string name = dialog->menu.IsOrdinal() ? std::string() : dialog->menu.text;
        menu = LoadMenuA(instance, dialog->menu.IsOrdinal() ? MAKEINTRESOURCEA(*dialog->menu.ordinal)
                                                             : name.c_str());
    }
    const HWND ownerTop = owner ? RootOf(owner) : nullptr;
    // What the system adds to every dialog: the 3D look, sibling clipping for top-level ones; a
    // modal frame also as its extended style, the raised edge of a framed window, and the
    // control-parent mark that lets the dialog manager step into nested dialogs.
    const bool child = (dialog->style & WS_CHILD) != 0;
    const DWORD style = (dialog->style & ~WS_VISIBLE) | DS_3DLOOK | (child ? 0 : WS_CLIPSIBLINGS);
    DWORD exStyle = dialog->exStyle;
    if (dialog->style & DS_MODALFRAME)
        exStyle |= WS_EX_DLGMODALFRAME;
    if ((exStyle & WS_EX_DLGMODALFRAME) || (dialog->style & (WS_CAPTION | WS_THICKFRAME)))
        exStyle |= WS_EX_WINDOWEDGE;
    if (!child || (dialog->style & DS_CONTROL))
        exStyle |= WS_EX_CONTROLPARENT;
    const int width = MulDiv(dialog->cx, base.cx, 4);
    const int height = MulDiv(dialog->cy, base.cy, 8);
    const int x = (dialog->style & WS_CHILD) ? MulDiv(dialog->x, base.cx, 4) : 0;
    const int y = (dialog->style & WS_CHILD) ? MulDiv(dialog->y, base.cy, 8) : 0;
    const HWND window = CreateWindowExA(exStyle, "#32770", dialog->caption.c_str(), style, x, y,
                                        width, height, (dialog->style & WS_CHILD) ? owner : ownerTop,
                                        menu, instance, &creation);
    if (!window) {
        if (menu)
            DestroyMenu(menu);
        if (creation.ownsFont)
            DeleteObject(creation.font);
        return nullptr;
    }
    auto face = DialogOf(window);
    if (face)
        face->modal = modal;

    // The controls, in template order, which is the tab order.
    QWidget* previousTabStop = nullptr;
    bool defaultFound = false;
    for (const auto& item : dialog->items) {
        const std::string className = posix::ControlClassName(item.windowClass);
        const std::string title = item.title.IsOrdinal() ? "#" + std::to_string(*item.title.ordinal) : item.title.text;
        const HWND control = CreateWindowExA(
            item.exStyle | WS_EX_NOPARENTNOTIFY, className.c_str(), title.c_str(), item.style | WS_CHILD,
            MulDiv(item.x, base.cx, 4), MulDiv(item.y, base.cy, 8), MulDiv(item.cx, base.cx, 4),
            MulDiv(item.cy, base.cy, 8), window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)),
            instance, item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data()));
        if (!control) {
            if (dialog->style & DS_NOFAILCREATE)
                continue;
            DestroyWindow(window);
            return nullptr;
        }
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(creation.font), FALSE);
        if (!defaultFound && face && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
            strcasecmp(className.c_str(), "Button") == 0) {
            face->defaultId = static_cast<int>(item.id);
            defaultFound = true;
        }
        if (auto controlFace = FaceOf(control); controlFace && (item.style & WS_TABSTOP)) {
            QWidget* target = controlFace->FocusTarget();
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, target);
            previousTabStop = target;
        }
    }
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(creation.font), FALSE);
    if (face && face->frame) {
        face->Layout();
        face->frame->move(DialogPosition(*dialog, ownerTop, face->frame->size(), base));
        if (modal && ownerTop)
            face->frame->setWindowModality(Qt::WindowModal);
    }
    const HWND focus = FirstTabStop(window);
    const LRESULT setFocus = SendMessageA(window, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
    if (!IsWindow(window))
        return nullptr;
    if (setFocus && focus && IsWindow(focus))
        SetFocus(focus);
    if (!modal && (dialog->style & WS_VISIBLE))
        ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

INT_PTR RunDialog(HINSTANCE instance, const void* data, size_t size, HWND owner, DLGPROC procedure,
                  LPARAM param)
{
    auto modal = std::make_shared<ModalState>();
    const HWND window = BuildDialog(instance, data, size, owner, procedure, param, modal);
    if (!window)
        return -1;
    const HWND ownerTop = owner ? RootOf(owner) : nullptr;
    const bool disabledOwner = ownerTop && IsWindowEnabled(ownerTop);
    if (disabledOwner)
        EnableWindow(ownerTop, FALSE);
    if (!modal->ended && IsWindow(window))
        ShowWindow(window, SW_SHOWNORMAL);
    RunModal(modal);
    if (disabledOwner)
        EnableWindow(ownerTop, TRUE);
    if (IsWindow(window))
        DestroyWindow(window);
    if (ownerTop && IsWindow(ownerTop))
        if (auto face = FaceOf(ownerTop); face && face->widget)
            face->widget->activateWindow();
    return modal->result;
}

std::optional<std::pair<const void*, size_t>> FindTemplate(HINSTANCE instance, LPCSTR name)
{
    const HMODULE module = instance ? instance : GetModuleHandleA(nullptr);
    const HRSRC found = FindResourceA(module, name, RT_DIALOG);
    if (!found)
        return std::nullopt;
    const void* data = LockResource(LoadResource(module, found));
    if (!data)
        return std::nullopt;
    return std::make_pair(data, static_cast<size_t>(SizeofResource(module, found)));
}

// A template handed over in memory carries no size; its own counts end it well before this.
constexpr size_t kInMemoryTemplateLimit = 0x10000;

bool IsTabStop(HWND control)
{
    const DWORD style = StyleOf(control);
    return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

} // namespace

LRESULT CALLBACK DialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!CreateDialogFace(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)))
            return FALSE;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

SIZE BaseUnitsOf(HFONT font)
{
    if (!EnsureGui())
        return SIZE{6, 13};
    const QFontMetrics metrics(FontOf(font));
    const int width = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return SIZE{(width / 26 + 1) / 2, metrics.height()};
}

HFONT SystemDialogFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool DialogKey(HWND dialog, int virtualKey)
{
    switch (virtualKey) {
    case VK_ESCAPE: {
        const HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel))
            return true;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return true;
    }
    case VK_RETURN: {
        const LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        const int id = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
        const HWND button = GetDlgItem(dialog, id);
        if (button && !IsWindowEnabled(button)) {
            MessageBeep(0);
            return true;
        }
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return true;
    }
    case VK_F1: {
        // Help goes to the window with the focus and up its parents (DefWindowProc's part) to
        // the dialog; a dialog that leaves it to the default gets the help command.
        HWND focus = GetFocus();
        if (!focus || (focus != dialog && !IsChild(dialog, focus)))
            focus = dialog;
        HELPINFO help{};
        help.cbSize = sizeof help;
        help.iContextType = HELPINFO_WINDOW;
        help.iCtrlId = focus == dialog ? 0 : GetDlgCtrlID(focus);
        help.hItemHandle = focus;
        if (auto face = FaceOf(focus); face && face->widget) {
            const QPoint at = QCursor::pos();
            help.MousePos = POINT{at.x(), at.y()};
        }
        SendMessageA(focus, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        return true;
    }
    default:
        return false;
    }
}

} // namespace vlm::qt

using namespace vlm::qt;

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
    const INT_PTR handled = procedure ? procedure(dialog, message, wParam, lParam) : 0;
    if (!IsWindow(dialog))
        return 0;
    if (ReturnsDirectly(message))
        return handled ? handled : (message == WM_INITDIALOG ? 0 : DialogDefault(dialog, message, wParam, lParam));
    if (handled)
        return GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
    return DialogDefault(dialog, message, wParam, lParam);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC dialogFunc,
                        LPARAM initParam)
{
    auto found = FindTemplate(instance, templateName);
    if (!found) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    return RunDialog(instance, found->first, found->second, parent, dialogFunc, initParam);
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent,
                                DLGPROC dialogFunc, LPARAM initParam)
{
    if (!dialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return RunDialog(instance, dialogTemplate, kInMemoryTemplateLimit, parent, dialogFunc, initParam);
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC dialogFunc,
                        LPARAM initParam)
{
    auto found = FindTemplate(instance, templateName);
    if (!found) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return BuildDialog(instance, found->first, found->second, parent, dialogFunc, initParam, nullptr);
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent,
                                DLGPROC dialogFunc, LPARAM initParam)
{
    if (!dialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return BuildDialog(instance, dialogTemplate, kInMemoryTemplateLimit, parent, dialogFunc, initParam, nullptr);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    auto face = vlm::qt::FaceAs<vlm::qt::Face>(dialog);
    if (!IsWindow(dialog)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL ended = FALSE;
    RunOnGuiThread([&] {
        auto dialogFace = std::dynamic_pointer_cast<DialogFace>(FaceOf(dialog));
        if (!dialogFace)
            return;
        ended = TRUE;
        if (auto& modal = dialogFace->modal) {
            modal->ended = true;
            modal->result = result;
            if (modal->stop)
                modal->stop();
        } else {
            // A modeless dialog is only hidden; its owner destroys it.
            ShowWindow(dialog, SW_HIDE);
        }
    });
    return ended;
}

HWND GetDlgItem(HWND dialog, int id)
{
    for (HWND child : vlm::posix::ChildWindows(dialog)) {
        if ((StyleOf(child) & WS_CHILD) && ControlId(child) == id)
            return child;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND window)
{
    if (!IsWindow(window) || !(StyleOf(window) & WS_CHILD))
        return 0;
    return ControlId(window);
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    const HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowTextA(control, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount)
{
    const HWND control = GetDlgItem(dialog, id);
    if (!control) {
        if (text && maxCount > 0)
            text[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(control, text, maxCount));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    const std::string text = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
    return SetDlgItemTextA(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    char* end = nullptr;
    const long long value = isSigned ? std::strtoll(text, &end, 10) : static_cast<long long>(std::strtoull(text, &end, 10));
    const bool ok = end && end != text && *end == '\0';
    if (translated)
        *translated = ok ? TRUE : FALSE;
    return ok ? static_cast<UINT>(value) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    const HWND control = GetDlgItem(dialog, id);
    if (!control)
        return FALSE;
    SendMessageA(control, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    const HWND control = GetDlgItem(dialog, id);
    return control ? static_cast<UINT>(SendMessageA(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL IsDialogMessageA(HWND dialog, LPMSG msg)
{
    if (!msg || !IsWindow(dialog))
        return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))
        return FALSE;
    if (msg->message == WM_KEYDOWN) {
        const int key = static_cast<int>(msg->wParam);
        if (key == VK_TAB) {
            const bool back = GetKeyState(VK_SHIFT) < 0;
            if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), back ? TRUE : FALSE))
                SetFocus(next);
            return TRUE;
        }
        if (DialogKey(dialog, key))
            return TRUE;
    }
    DispatchMessageA(msg);
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect)
{
    auto face = vlm::qt::FaceAs<DialogFace>(dialog);
    if (!face || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const SIZE base = face->baseUnits;
    rect->left = MulDiv(rect->left, base.cx, 4);
    rect->right = MulDiv(rect->right, base.cx, 4);
    rect->top = MulDiv(rect->top, base.cy, 8);
    rect->bottom = MulDiv(rect->bottom, base.cy, 8);
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    const SIZE base = BaseUnitsOf(SystemDialogFont());
    return MAKELONG(base.cx, base.cy);
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> stops;
    for (HWND child : vlm::posix::ChildWindows(dialog))
        if ((StyleOf(child) & WS_CHILD) && (IsTabStop(child) || child == control))
            stops.push_back(child);
    std::vector<HWND> candidates;
    for (HWND child : stops)
        if (IsTabStop(child))
            candidates.push_back(child);
    if (candidates.empty())
        return nullptr;
    auto at = std::find(stops.begin(), stops.end(), control);
    if (at == stops.end())
        return previous ? candidates.back() : candidates.front();
    const size_t count = stops.size();
    size_t index = static_cast<size_t>(at - stops.begin());
    for (size_t step = 0; step < count; ++step) {
        index = previous ? (index + count - 1) % count : (index + 1) % count;
        if (IsTabStop(stops[index]))
            return stops[index];
    }
    return control;
}

// Menus need the dialog frame's layout when the bar appears or goes.
namespace vlm::qt {

void RelayoutDialog(HWND window)
{
    if (auto face = DialogOf(window))
        face->Layout();
}

QWidget* FrameOf(HWND window)
{
    auto face = DialogOf(window);
    return face ? face->frame : nullptr;
}

void SetDialogMenuBar(HWND window, QMenuBar* bar)
{
    auto face = DialogOf(window);
    if (!face)
        return;
    if (face->menuBar && face->menuBar != bar)
        face->menuBar->deleteLater();
    face->menuBar = bar;
    face->Layout();
}

QMenuBar* DialogMenuBar(HWND window)
{
    auto face = DialogOf(window);
    return face ? face->menuBar.data() : nullptr;
}

} // namespace vlm::qt
