// Faces (a window's widgets) and the window calls that act on them: text, state, geometry,
// focus, painting, timers and system metrics.
#include "gdi.h"
#include "qt_internal.h"
#include "vlm_qt.h"
#include "window_records.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVariant>

#include <map>

namespace vlm::qt {
namespace {

constexpr const char* kWindowProperty = "vlmWindow";

template <class F>
auto OnGui(F work) -> decltype(work())
{
    if (OnGuiThread() || !GuiExists())
        return work();
    decltype(work()) result{};
    RunOnGuiThread([&] { result = work(); });
    return result;
}

// Timers of the GUI thread, by window and id.
struct Timers {
    std::map<std::pair<HWND, UINT_PTR>, std::unique_ptr<QTimer>> timers;
    UINT_PTR nextId = 1;
};

Timers& TheTimers()
{
    static Timers* const timers = new Timers;
    return *timers;
}

void KillWindowTimers(HWND window)
{
    auto& timers = TheTimers().timers;
    for (auto it = timers.begin(); it != timers.end();) {
        if (it->first.first == window)
            it = timers.erase(it);
        else
            ++it;
    }
}

bool IsTopLevel(HWND window)
{
    return !(StyleOf(window) & WS_CHILD);
}

// Where the client area lies inside the outer widget, in that widget's coordinates.
QRect ClientRectInWidget(const Face& face)
{
    if (!face.client)
        return {};
    if (face.client != face.widget)
        return face.client->geometry();
    return face.widget->rect().marginsRemoved(face.nonClient);
}

QPoint ClientOriginGlobal(const Face& face)
{
    if (!face.client)
        return {};
    const QPoint inset = face.client == face.widget ? QPoint(face.nonClient.left(), face.nonClient.top())
                                                    : QPoint();
    return face.client->mapToGlobal(inset);
}

} // namespace

Face::~Face()
{
    if (OnGuiThread())
        KillWindowTimers(hwnd);
    if (widget) {
        // Deleted later: the window may be destroyed from inside one of its widget's events.
        widget->setProperty(kWindowProperty, QVariant());
        widget->hide();
        widget->deleteLater();
    }
    if (client && client != widget)
        client->setProperty(kWindowProperty, QVariant());
}

std::shared_ptr<Face> FaceOf(HWND window)
{
    return posix::GetWindowExtensionAs<Face>(window);
}

HWND WindowOfWidget(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QVariant value = widget->property(kWindowProperty);
        if (value.isValid())
            return reinterpret_cast<HWND>(value.value<quintptr>());
        // A window of Qt's own (a message box, a popup menu) over one of ours is not part of it.
        if (widget->isWindow())
            break;
    }
    return nullptr;
}

void BindWidget(QWidget* widget, HWND window)
{
    widget->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

QWidget* ParentWidgetFor(HWND parent)
{
    auto face = FaceOf(parent);
    return face ? face->ChildParent() : nullptr;
}

void AttachFace(const std::shared_ptr<Face>& face, const CREATESTRUCTA& create)
{
    QWidget* widget = face->widget;
    if (!face->client)
        face->client = widget;
    BindWidget(widget, face->hwnd);
    face->instance = create.hInstance;
    // Until WM_SETFONT says otherwise a control shows the system's dialog font.
    widget->setFont(FontOf(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));
    const DWORD style = static_cast<DWORD>(create.style);
    if (style & WS_CHILD) {
        if (QWidget* parent = ParentWidgetFor(create.hwndParent))
            widget->setParent(parent);
        widget->setGeometry(create.x, create.y, std::max(0, create.cx), std::max(0, create.cy));
        widget->setEnabled(!(style & WS_DISABLED));
    } else if (!widget->isWindow()) {
        widget->setWindowFlag(Qt::Window, true);
        widget->move(create.x, create.y);
        widget->resize(std::max(1, create.cx), std::max(1, create.cy));
    }
    if (style & WS_TABSTOP)
        face->FocusTarget()->setFocusPolicy(Qt::StrongFocus);
    else if (face->FocusTarget()->focusPolicy() != Qt::NoFocus)
        face->FocusTarget()->setFocusPolicy(Qt::ClickFocus);
    posix::SetWindowExtension(face->hwnd, face);
    if (style & WS_VISIBLE)
        widget->setVisible(true);
}

DWORD StyleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
}

DWORD ExStyleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
}

HWND ParentOf(HWND window)
{
    auto description = posix::DescribeWindow(window);
    return description ? description->parent : nullptr;
}

HWND RootOf(HWND window)
{
    if (!IsWindow(window))
        return nullptr;
    while (StyleOf(window) & WS_CHILD) {
        HWND parent = ParentOf(window);
        if (!parent)
            break;
        window = parent;
    }
    return window;
}

int ControlId(HWND window)
{
    return static_cast<int>(static_cast<std::int32_t>(GetWindowLongPtrA(window, GWLP_ID)));
}

void NotifyParent(HWND control, WORD code)
{
    if (HWND parent = ParentOf(control))
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(ControlId(control)), code),
                     reinterpret_cast<LPARAM>(control));
}

LRESULT DefaultControlColor(UINT message, HDC dc)
{
    const bool editLike = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
    const int background = editLike ? COLOR_WINDOW : COLOR_3DFACE;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(background));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
}

LRESULT DefaultWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto face = FaceOf(window);
    switch (message) {
    case WM_SETTEXT:
        if (!face)
            break;
        face->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        face->TextChanged();
        return TRUE;
    case WM_GETTEXT:
        return face ? CopyText(face->text, reinterpret_cast<LPSTR>(lParam), wParam) : 0;
    case WM_GETTEXTLENGTH:
        return face ? static_cast<LRESULT>(face->text.size()) : 0;
    case WM_SETFONT:
        if (face) {
            face->font = reinterpret_cast<HFONT>(wParam);
            face->FontChanged();
            if (LOWORD(lParam) && face->widget)
                face->widget->update();
        }
        return 0;
    case WM_GETFONT:
        return face ? reinterpret_cast<LRESULT>(face->font) : 0;
    case WM_SETICON:
        if (face) {
            HICON& slot = wParam == ICON_BIG ? face->bigIcon : face->smallIcon;
            const HICON previous = std::exchange(slot, reinterpret_cast<HICON>(lParam));
            if (face->widget && face->widget->isWindow()) {
                const HICON shown = face->bigIcon ? face->bigIcon : face->smallIcon;
                QIcon icon = QIconOf(shown);
                if (face->smallIcon && face->smallIcon != shown)
                    for (const QSize& size : QIconOf(face->smallIcon).availableSizes())
                        icon.addPixmap(QIconOf(face->smallIcon).pixmap(size));
                face->widget->setWindowIcon(icon);
            }
            return reinterpret_cast<LRESULT>(previous);
        }
        return 0;
    case WM_GETICON:
        if (face)
            return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? face->bigIcon : face->smallIcon);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return DefaultControlColor(message, reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
        return 0; // the layer's classes have no background brush
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageA(window, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(window, SW_MINIMIZE);
            break;
        case SC_MAXIMIZE:
            ShowWindow(window, SW_MAXIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(window, SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    case WM_HELP:
        // Help goes up to the parent until someone answers it.
        if (StyleOf(window) & WS_CHILD)
            if (HWND parent = ParentOf(window))
                return SendMessageA(parent, WM_HELP, wParam, lParam);
        return 0;
    case WM_QUERYDRAGICON:
    case WM_GETDLGCODE:
        return 0;
    case WM_NCDESTROY:
        if (IsTopLevel(window))
            if (HMENU menu = GetMenu(window))
                DestroyMenu(menu);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PaintThroughMessages(Face& face, QPainter& painter, const QRect& rect)
{
    face.painter = &painter;
    face.paintRect = rect;
    face.erased = false;
    const HDC dc = CreateWindowDc(face.hwnd, &painter);
    face.paintDcs.push_back(dc);
    face.erased = SendMessageA(face.hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
    SendMessageA(face.hwnd, WM_PAINT, 0, 0);
    // DCs still held after the paint draw nowhere.
    for (HDC held : face.paintDcs)
        if (auto context = LookupGdiAs<DeviceContext>(held))
            context->borrowed = nullptr;
    ReleaseGdiObject(dc);
    face.paintDcs.clear();
    face.painter = nullptr;
}

QWidget* WindowWidget(HWND window)
{
    auto face = FaceOf(window);
    return face ? face->widget.data() : nullptr;
}

QWidget* ClientWidget(HWND window)
{
    auto face = FaceOf(window);
    return face ? face->client.data() : nullptr;
}

} // namespace vlm::qt

using namespace vlm::qt;

// ---------------------------------------------------------------------------------------------
// Window data and text

LONG GetWindowLongA(HWND window, int index)
{
    return static_cast<LONG>(GetWindowLongPtrA(window, index));
}

LONG SetWindowLongA(HWND window, int index, LONG newLong)
{
    return static_cast<LONG>(SetWindowLongPtrA(window, index, newLong));
}

int GetClassNameA(HWND window, LPSTR className, int maxCount)
{
    auto description = vlm::posix::DescribeWindow(window);
    if (!description || !className || maxCount <= 0) {
        SetLastError(description ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(CopyText(description->className, className, static_cast<size_t>(maxCount)));
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, LPWNDCLASSA wndClass)
{
    auto found = vlm::posix::FindWindowClass(className);
    if (!found || !wndClass) {
        SetLastError(found ? ERROR_INVALID_PARAMETER : ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    *wndClass = {};
    wndClass->lpfnWndProc = found->procedure;
    wndClass->cbWndExtra = found->windowExtraBytes;
    wndClass->hInstance = found->instance;
    // The name as the caller gave it; the class keeps its own copy, which may go with it.
    wndClass->lpszClassName = className;
    return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount)
{
    if (!text || maxCount <= 0)
        return 0;
    text[0] = '\0';
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const LRESULT copied = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                        reinterpret_cast<LPARAM>(text));
    if (copied == 0 && !FaceOf(window)) {
        // A window of another class that keeps no text: the name it was created with.
        if (auto description = vlm::posix::DescribeWindow(window))
            return static_cast<int>(CopyText(description->title, text, static_cast<size_t>(maxCount)));
    }
    return static_cast<int>(copied);
}

int GetWindowTextLengthA(HWND window)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length == 0 && !FaceOf(window))
        if (auto description = vlm::posix::DescribeWindow(window))
            return static_cast<int>(description->title.size());
    return static_cast<int>(length);
}

// ---------------------------------------------------------------------------------------------
// State

BOOL EnableWindow(HWND window, BOOL enable)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const DWORD style = StyleOf(window);
    const bool wasDisabled = (style & WS_DISABLED) != 0;
    if (wasDisabled == !enable)
        return wasDisabled ? TRUE : FALSE;
    SetWindowLongPtrA(window, GWL_STYLE, enable ? (style & ~WS_DISABLED) : (style | WS_DISABLED));
    OnGui([&] {
        // A disabled top-level window keeps its look; the input rules stop its input.
        auto face = FaceOf(window);
        if (face && face->widget && (StyleOf(window) & WS_CHILD))
            face->widget->setEnabled(enable != FALSE);
        return 0;
    });
    SendMessageA(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window)
{
    return IsWindow(window) && !(StyleOf(window) & WS_DISABLED) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int cmdShow)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const DWORD style = StyleOf(window);
    const bool wasVisible = (style & WS_VISIBLE) != 0;
    const bool show = cmdShow != SW_HIDE;
    if (show != wasVisible)
        SendMessageA(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    DWORD next = show ? (style | WS_VISIBLE) : (style & ~WS_VISIBLE);
    const bool minimize = cmdShow == SW_SHOWMINIMIZED || cmdShow == SW_MINIMIZE || cmdShow == SW_SHOWMINNOACTIVE;
    if (minimize)
        next = (next | WS_MINIMIZE) & ~WS_MAXIMIZE;
    else if (cmdShow == SW_SHOWMAXIMIZED)
        next = (next | WS_MAXIMIZE) & ~WS_MINIMIZE;
    else if (cmdShow == SW_RESTORE || cmdShow == SW_SHOWNORMAL)
        next &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    SetWindowLongPtrA(window, GWL_STYLE, next);
    OnGui([&] {
        auto face = FaceOf(window);
        if (!face || !face->widget)
            return 0;
        QWidget* widget = face->widget;
        if (!show) {
            widget->hide();
        } else if (!widget->isWindow()) {
            widget->show();
        } else if (minimize) {
            widget->showMinimized();
        } else if (cmdShow == SW_SHOWMAXIMIZED) {
            widget->showMaximized();
        } else if (cmdShow == SW_RESTORE || cmdShow == SW_SHOWNORMAL) {
            widget->showNormal();
        } else {
            widget->show();
        }
        if (show && widget->isWindow() && cmdShow != SW_SHOWNA && cmdShow != SW_SHOWNOACTIVATE &&
            cmdShow != SW_SHOWMINNOACTIVE) {
            widget->raise();
            widget->activateWindow();
        }
        return 0;
    });
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window)
{
    while (IsWindow(window)) {
        const DWORD style = StyleOf(window);
        if (!(style & WS_VISIBLE))
            return FALSE;
        if (!(style & WS_CHILD))
            return TRUE;
        window = ParentOf(window);
        if (!window)
            return TRUE;
    }
    return FALSE;
}

BOOL IsIconic(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    return OnGui([&] {
        auto face = FaceOf(window);
        if (face && face->widget && face->widget->isWindow() && face->widget->isMinimized())
            return TRUE;
        return (StyleOf(window) & WS_MINIMIZE) ? TRUE : FALSE;
    });
}

BOOL IsZoomed(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    return (StyleOf(window) & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND window)
{
    while (IsWindow(window) && (StyleOf(window) & WS_CHILD)) {
        window = ParentOf(window);
        if (window == parent)
            return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// Geometry

namespace {

HWND DesktopWindow()
{
    static HWND desktop = [] {
        WNDCLASSA desktopClass{};
        desktopClass.lpfnWndProc = DefWindowProcA;
        desktopClass.lpszClassName = "#32769";
        RegisterClassA(&desktopClass);
        return CreateWindowExA(0, "#32769", "", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr,
                               nullptr, nullptr);
    }();
    return desktop;
}

QRect ScreenRect()
{
    if (GuiExists() && QGuiApplication::primaryScreen())
        return QGuiApplication::primaryScreen()->geometry();
    return QRect(0, 0, 1024, 768);
}

RECT ToRect(const QRect& r)
{
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void SendSizeAndMove(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, IsIconic(window) ? SIZE_MINIMIZED : SIZE_RESTORED,
                 MAKELPARAM(client.right, client.bottom));
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    if (StyleOf(window) & WS_CHILD)
        ScreenToClient(ParentOf(window), &origin);
    SendMessageA(window, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
}

} // namespace

HWND GetDesktopWindow()
{
    return DesktopWindow();
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    if (!rect || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window == DesktopWindow()) {
        *rect = ToRect(QRect(QPoint(0, 0), ScreenRect().size()));
        return TRUE;
    }
    return OnGui([&] {
        auto face = FaceOf(window);
        if (face && face->client) {
            const QRect inner = ClientRectInWidget(*face);
            *rect = RECT{0, 0, inner.width(), inner.height()};
        } else if (auto description = vlm::posix::DescribeWindow(window)) {
            *rect = RECT{0, 0, std::max(0, description->width), std::max(0, description->height)};
        }
        return TRUE;
    });
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    if (!rect || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window == DesktopWindow()) {
        *rect = ToRect(ScreenRect());
        return TRUE;
    }
    return OnGui([&] {
        auto face = FaceOf(window);
        if (face && face->widget) {
            QWidget* widget = face->widget;
            *rect = widget->isWindow() ? ToRect(widget->frameGeometry())
                                       : ToRect(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
        } else if (auto description = vlm::posix::DescribeWindow(window)) {
            *rect = RECT{description->x, description->y, description->x + description->width,
                         description->y + description->height};
        }
        return TRUE;
    });
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool changed = OnGui([&] {
        auto face = FaceOf(window);
        if (!face || !face->widget)
            return false;
        QWidget* widget = face->widget;
        bool geometry = false;
        if (!(flags & SWP_NOMOVE) && widget->pos() != QPoint(x, y)) {
            widget->move(x, y);
            geometry = true;
        }
        if (!(flags & SWP_NOSIZE)) {
            QSize size(std::max(0, cx), std::max(0, cy));
            if (widget->isWindow()) {
                // Outer size in, client size to Qt: take off what the window system adds.
                const QSize decoration = widget->frameGeometry().size() - widget->size();
                size -= decoration;
            }
            if (widget->size() != size) {
                if (widget->isWindow() && widget->minimumSize() == widget->maximumSize())
                    widget->setFixedSize(size);
                else
                    widget->resize(size);
                geometry = true;
            }
        }
        if (!(flags & SWP_NOZORDER)) {
            if (insertAfter == HWND_BOTTOM)
                widget->lower();
            else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST)
                widget->raise();
            else if (auto other = FaceOf(insertAfter); other && other->widget)
                widget->stackUnder(other->widget);
        }
        return geometry;
    });
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(window, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(window, SW_HIDE);
    if (changed)
        SendSizeAndMove(window);
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    const BOOL moved = SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (moved && repaint)
        InvalidateRect(window, nullptr, TRUE);
    return moved;
}

BOOL ClientToScreen(HWND window, LPPOINT point)
{
    if (!point || !IsWindow(window))
        return FALSE;
    return OnGui([&] {
        auto face = FaceOf(window);
        if (!face || !face->client)
            return FALSE;
        const QPoint origin = ClientOriginGlobal(*face);
        point->x += origin.x();
        point->y += origin.y();
        return TRUE;
    });
}

BOOL ScreenToClient(HWND window, LPPOINT point)
{
    if (!point || !IsWindow(window))
        return FALSE;
    return OnGui([&] {
        auto face = FaceOf(window);
        if (!face || !face->client)
            return FALSE;
        const QPoint origin = ClientOriginGlobal(*face);
        point->x -= origin.x();
        point->y -= origin.y();
        return TRUE;
    });
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    POINT origin{0, 0};
    if (from && from != DesktopWindow())
        ClientToScreen(from, &origin);
    if (to && to != DesktopWindow())
        ScreenToClient(to, &origin);
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += origin.x;
        points[i].y += origin.y;
    }
    return MAKELONG(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y));
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL)
{
    return OnGui([&] {
        if (!window) {
            for (QWidget* widget : QApplication::topLevelWidgets())
                widget->update();
            return TRUE;
        }
        auto face = FaceOf(window);
        if (!face || !face->client)
            return IsWindow(window) ? TRUE : FALSE;
        const QPoint inset = face->client == face->widget ? QPoint(face->nonClient.left(), face->nonClient.top())
                                                          : QPoint();
        if (rect)
            face->client->update(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top)
                                     .translated(inset));
        else
            face->client->update();
        return TRUE;
    });
}

BOOL ValidateRect(HWND window, const RECT*)
{
    return IsWindow(window) || !window ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window)
{
    return OnGui([&] {
        auto face = FaceOf(window);
        if (!face || !face->client)
            return IsWindow(window) ? TRUE : FALSE;
        if (face->client->isVisible())
            face->client->repaint();
        return TRUE;
    });
}

// ---------------------------------------------------------------------------------------------
// Relations

HWND GetParent(HWND window)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const DWORD style = StyleOf(window);
    // A child's parent; a pop-up's owner; nothing for an overlapped window.
    if ((style & WS_CHILD) || (style & WS_POPUP))
        return ParentOf(window);
    return nullptr;
}

HWND GetWindow(HWND window, UINT command)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto childrenOf = [](HWND parent) {
        std::vector<HWND> children;
        for (HWND child : vlm::posix::ChildWindows(parent))
            if (StyleOf(child) & WS_CHILD)
                children.push_back(child);
        return children;
    };
    switch (command) {
    case GW_CHILD: {
        auto children = childrenOf(window);
        return children.empty() ? nullptr : children.front();
    }
    case GW_OWNER:
        return (StyleOf(window) & WS_CHILD) ? nullptr : ParentOf(window);
    case GW_HWNDFIRST:
    case GW_HWNDLAST:
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
        if (!(StyleOf(window) & WS_CHILD))
            return nullptr; // the order of top-level windows is the window manager's
        auto siblings = childrenOf(ParentOf(window));
        auto it = std::find(siblings.begin(), siblings.end(), window);
        if (it == siblings.end())
            return nullptr;
        if (command == GW_HWNDFIRST)
            return siblings.front();
        if (command == GW_HWNDLAST)
            return siblings.back();
        if (command == GW_HWNDNEXT)
            return it + 1 == siblings.end() ? nullptr : *(it + 1);
        return it == siblings.begin() ? nullptr : *(it - 1);
    }
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Focus and activation

HWND GetFocus()
{
    if (!GuiExists())
        return nullptr;
    return OnGui([] {
        QWidget* focus = QApplication::focusWidget();
        if (!focus && QApplication::activeWindow())
            focus = QApplication::activeWindow()->focusWidget();
        return WindowOfWidget(focus);
    });
}

HWND SetFocus(HWND window)
{
    const HWND previous = GetFocus();
    if (window && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    OnGui([&] {
        if (!window) {
            if (QWidget* focus = QApplication::focusWidget())
                focus->clearFocus();
            return 0;
        }
        auto face = FaceOf(window);
        if (!face || !face->widget)
            return 0;
        QWidget* target = face->FocusTarget();
        target->setFocus(Qt::OtherFocusReason);
        if (target->window()->isVisible() && !target->window()->isActiveWindow())
            target->window()->activateWindow();
        return 0;
    });
    return previous;
}

HWND GetActiveWindow()
{
    if (!GuiExists())
        return nullptr;
    return OnGui([] { return WindowOfWidget(QApplication::activeWindow()); });
}

HWND SetActiveWindow(HWND window)
{
    const HWND previous = GetActiveWindow();
    OnGui([&] {
        if (auto face = FaceOf(window); face && face->widget)
            face->widget->window()->activateWindow();
        return 0;
    });
    return previous;
}

BOOL SetForegroundWindow(HWND window)
{
    return OnGui([&] {
        auto face = FaceOf(window);
        if (!face || !face->widget)
            return FALSE;
        face->widget->window()->raise();
        face->widget->window()->activateWindow();
        return TRUE;
    });
}

// ---------------------------------------------------------------------------------------------
// Painting

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint)
{
    if (!paint || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    *paint = {};
    auto face = FaceOf(window);
    if (face && face->painter) {
        paint->hdc = CreateWindowDc(window, face->painter);
        face->paintDcs.push_back(paint->hdc);
        paint->fErase = face->erased ? FALSE : TRUE;
        const QRect r = face->paintRect;
        paint->rcPaint = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    } else {
        // Nothing to paint now: the window system asks for paint itself.
        paint->hdc = CreateWindowDc(window, nullptr);
    }
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint)
{
    if (paint && paint->hdc)
        ReleaseGdiObject(paint->hdc);
    return TRUE;
}

HDC GetDC(HWND window)
{
    auto face = window ? FaceOf(window) : nullptr;
    if (window && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    EnsureGui();
    if (face && face->painter) {
        const HDC dc = CreateWindowDc(window, face->painter);
        face->paintDcs.push_back(dc);
        return dc;
    }
    return CreateWindowDc(window, nullptr);
}

int ReleaseDC(HWND, HDC dc)
{
    auto context = LookupGdiAs<DeviceContext>(dc);
    if (!context || context->kind != DeviceContext::Kind::Window)
        return 0;
    ReleaseGdiObject(dc);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Timers

UINT_PTR SetTimer(HWND window, UINT_PTR idEvent, UINT elapse, TIMERPROC timerFunc)
{
    if (window && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!EnsureGui())
        return 0;
    return OnGui([&]() -> UINT_PTR {
        Timers& timers = TheTimers();
        const UINT_PTR id = window ? idEvent : timers.nextId++;
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(static_cast<int>(std::max<UINT>(elapse, 10)));
        QObject::connect(timer.get(), &QTimer::timeout, [window, id, timerFunc] {
            PostMessageA(window, WM_TIMER, id, reinterpret_cast<LPARAM>(timerFunc));
        });
        timer->start();
        timers.timers[{window, id}] = std::move(timer);
        return window ? (id ? id : 1) : id;
    });
}

BOOL KillTimer(HWND window, UINT_PTR idEvent)
{
    if (!GuiExists())
        return FALSE;
    return OnGui([&] { return TheTimers().timers.erase({window, idEvent}) ? TRUE : FALSE; });
}

// ---------------------------------------------------------------------------------------------
// System metrics and keys

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
        return ScreenRect().width();
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
        return ScreenRect().height();
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return GuiExists() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
    case SM_CYCAPTION:
        return GuiExists() ? QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) : 22;
    case SM_CYMENU:
        return 20;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXMIN:
        return 112;
    case SM_CYMIN:
        return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    default:
        return 0;
    }
}

SHORT GetKeyState(int virtKey)
{
    if (!GuiExists())
        return 0;
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    bool down = false;
    switch (virtKey) {
    case VK_SHIFT: down = modifiers & Qt::ShiftModifier; break;
    case VK_CONTROL: down = modifiers & Qt::ControlModifier; break;
    case VK_MENU: down = modifiers & Qt::AltModifier; break;
    case 0x01: down = buttons & Qt::LeftButton; break;  // VK_LBUTTON
    case 0x02: down = buttons & Qt::RightButton; break; // VK_RBUTTON
    case 0x04: down = buttons & Qt::MiddleButton; break; // VK_MBUTTON
    default: break;
    }
    return down ? static_cast<SHORT>(0x8000) : 0;
}
