// The "STATIC" class: text (left, centred, right), icons, bitmaps, rectangles and frames. It
// paints through its window procedure, asking its parent for colours with WM_CTLCOLORSTATIC at
// paint time and drawing with what the device context then holds (text colour, background mode,
// selected font); with SS_NOTIFY a click reaches the parent as STN_CLICKED.
#include "gdi.h"
#include "qt_internal.h"

#include <QMouseEvent>
#include <QPainter>

namespace vlm::qt {
namespace {

QMargins BordersFor(DWORD style, DWORD exStyle)
{
    int width = 0;
    if (style & WS_BORDER)
        ++width;
    if ((style & SS_SUNKEN) || (exStyle & WS_EX_STATICEDGE))
        ++width;
    if (exStyle & WS_EX_CLIENTEDGE)
        width += 2;
    return QMargins(width, width, width, width);
}

class StaticFace : public Face {
public:
    using Face::Face;

    HICON icon = nullptr;
    HBITMAP bitmap = nullptr;

    void TextChanged() override
    {
        if (widget)
            widget->update();
    }
    void FontChanged() override
    {
        if (widget)
            widget->update();
    }
};

class StaticWidget : public QWidget {
public:
    explicit StaticWidget(HWND window) : m_window(window)
    {
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        auto face = FaceOf(m_window);
        if (!face)
            return;
        QPainter painter(this);
        DrawBorders(painter, *face);
        const QRect client = rect().marginsRemoved(face->nonClient);
        painter.save();
        painter.setClipRect(client);
        painter.translate(client.topLeft());
        PaintThroughMessages(*face, painter, event->rect().translated(-client.topLeft()).intersected(QRect(QPoint(), client.size())));
        painter.restore();
    }

    void mousePressEvent(QMouseEvent* event) override { Mouse(event, WM_LBUTTONDOWN); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { Mouse(event, WM_LBUTTONDBLCLK); }
    void mouseReleaseEvent(QMouseEvent* event) override { Mouse(event, WM_LBUTTONUP); }

private:
    // Without SS_NOTIFY a static is transparent to the mouse: the click belongs to what lies
    // beneath it.
    void Mouse(QMouseEvent* event, UINT message)
    {
        if (event->button() != Qt::LeftButton || !(StyleOf(m_window) & SS_NOTIFY)) {
            event->ignore();
            return;
        }
        const QPoint at = event->position().toPoint();
        SendMessageA(m_window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x(), at.y()));
    }

    void DrawBorders(QPainter& painter, const Face& face)
    {
        const DWORD style = StyleOf(m_window);
        const DWORD exStyle = ExStyleOf(m_window);
        QRect r = rect();
        auto frame = [&](const QColor& topLeft, const QColor& bottomRight) {
            painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
            painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
            painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
            painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
            r.adjust(1, 1, -1, -1);
        };
        if (face.nonClient.isNull())
            return;
        if (style & WS_BORDER)
            frame(SystemColor(COLOR_WINDOWFRAME), SystemColor(COLOR_WINDOWFRAME));
        if (exStyle & WS_EX_CLIENTEDGE) {
            frame(SystemColor(COLOR_BTNSHADOW), SystemColor(COLOR_BTNHIGHLIGHT));
            frame(SystemColor(COLOR_3DDKSHADOW), SystemColor(COLOR_3DLIGHT));
        }
        if ((style & SS_SUNKEN) || (exStyle & WS_EX_STATICEDGE))
            frame(SystemColor(COLOR_BTNSHADOW), SystemColor(COLOR_BTNHIGHLIGHT));
    }

    HWND m_window;
};

UINT TextFormat(DWORD style)
{
    UINT format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE: format = DT_LEFT | DT_SINGLELINE; break;
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE)
        format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    if (style & SS_EDITCONTROL)
        format |= DT_EDITCONTROL;
    switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS: format |= DT_END_ELLIPSIS; break;
    case SS_PATHELLIPSIS: format |= DT_PATH_ELLIPSIS; break;
    case SS_WORDELLIPSIS: format |= DT_WORD_ELLIPSIS; break;
    default: break;
    }
    return format;
}

bool IsTextKind(DWORD type)
{
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
           type == SS_LEFTNOWORDWRAP;
}

void Paint(HWND window, StaticFace& face)
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    if (face.font)
        SelectObject(dc, face.font);
    // The parent chooses the colours now, with the control's font already selected.
    HBRUSH brush = nullptr;
    if (HWND parent = ParentOf(window))
        brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(window)));
    if (!brush)
        brush = reinterpret_cast<HBRUSH>(DefaultControlColor(WM_CTLCOLORSTATIC, dc));
    const DWORD style = StyleOf(window);
    const DWORD type = style & SS_TYPEMASK;
    if (IsTextKind(type)) {
        FillRect(dc, &client, brush);
        if (!IsWindowEnabled(window))
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, face.text.c_str(), -1, &client, TextFormat(style));
    } else if (type == SS_ICON) {
        FillRect(dc, &client, brush);
        if (face.icon) {
            const int size = GetSystemMetrics(SM_CXICON);
            int x = 0;
            int y = 0;
            if (style & SS_CENTERIMAGE) {
                x = (client.right - size) / 2;
                y = (client.bottom - size) / 2;
            }
            DrawIcon(dc, x, y, face.icon);
        }
    } else if (type == SS_BITMAP) {
        FillRect(dc, &client, brush);
        if (auto image = ImageOfBitmap(face.bitmap))
            if (auto context = LookupGdiAs<DeviceContext>(dc))
                DrawImage(*context, 0, 0, *image);
    } else if (type == SS_BLACKRECT || type == SS_GRAYRECT || type == SS_WHITERECT) {
        const int color = type == SS_BLACKRECT ? COLOR_3DDKSHADOW : type == SS_GRAYRECT ? COLOR_BTNSHADOW
                                                                                        : COLOR_BTNHIGHLIGHT;
        FillRect(dc, &client, GetSysColorBrush(color));
    } else if (type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME) {
        const int color = type == SS_BLACKFRAME ? COLOR_3DDKSHADOW : type == SS_GRAYFRAME ? COLOR_BTNSHADOW
                                                                                          : COLOR_BTNHIGHLIGHT;
        FrameRect(dc, &client, GetSysColorBrush(color));
    } else if (type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT || type == SS_ETCHEDFRAME) {
        RECT shadow = client;
        RECT light = client;
        OffsetRect(&light, 1, 1);
        if (type == SS_ETCHEDHORZ)
            shadow.bottom = shadow.top + 1, light.bottom = light.top + 1;
        if (type == SS_ETCHEDVERT)
            shadow.right = shadow.left + 1, light.right = light.left + 1;
        if (type == SS_ETCHEDFRAME) {
            shadow.right -= 1, shadow.bottom -= 1;
            FrameRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
            FrameRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
            FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
            FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
        }
    } else if (type == SS_OWNERDRAW) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_STATIC;
        item.CtlID = static_cast<UINT>(ControlId(window));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = IsWindowEnabled(window) ? 0 : ODS_DISABLED;
        item.hwndItem = window;
        item.hDC = dc;
        item.rcItem = client;
        if (HWND parent = ParentOf(window))
            SendMessageA(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    }
    EndPaint(window, &paint);
}

void FitIcon(StaticFace& face)
{
    const DWORD style = StyleOf(face.hwnd);
    if (!face.widget || !face.icon || (style & (SS_CENTERIMAGE | SS_REALSIZECONTROL)))
        return;
    // An icon static takes the icon's size, whatever size it was given.
    const int size = GetSystemMetrics(SM_CXICON);
    face.widget->resize(size + face.nonClient.left() + face.nonClient.right(),
                        size + face.nonClient.top() + face.nonClient.bottom());
}

bool CreateStatic(HWND window, const CREATESTRUCTA& create)
{
    if (!EnsureGui() || !OnGuiThread())
        return false;
    auto face = std::make_shared<StaticFace>(window);
    face->text = create.lpszName ? create.lpszName : "";
    face->widget = new StaticWidget(window);
    face->nonClient = BordersFor(static_cast<DWORD>(create.style), create.dwExStyle);
    AttachFace(face, create);
    const DWORD type = static_cast<DWORD>(create.style) & SS_TYPEMASK;
    if (type == SS_ICON && !face->text.empty()) {
        face->icon = LoadIconA(create.hInstance, face->text.c_str());
        FitIcon(*face);
    } else if (type == SS_BITMAP && !face->text.empty()) {
        face->bitmap = LoadBitmapA(create.hInstance, face->text.c_str());
    }
    return true;
}

} // namespace

LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        return CreateStatic(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? TRUE : FALSE;
    auto face = FaceAs<StaticFace>(window);
    if (!face)
        return DefaultWindowMessage(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(window, *face);
        return 0;
    case WM_LBUTTONDOWN:
        if (StyleOf(window) & SS_NOTIFY)
            NotifyParent(window, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (StyleOf(window) & SS_NOTIFY)
            NotifyParent(window, STN_DBLCLK);
        return 0;
    case WM_ENABLE:
        if (StyleOf(window) & SS_NOTIFY)
            NotifyParent(window, wParam ? STN_ENABLE : STN_DISABLE);
        if (face->widget)
            face->widget->update();
        return 0;
    case STM_SETICON:
    case STM_SETIMAGE: {
        const bool bitmap = message == STM_SETIMAGE && wParam == IMAGE_BITMAP;
        if (bitmap)
            return reinterpret_cast<LRESULT>(std::exchange(face->bitmap, reinterpret_cast<HBITMAP>(lParam)));
        const HICON icon = reinterpret_cast<HICON>(message == STM_SETICON ? wParam : static_cast<WPARAM>(lParam));
        const HICON previous = std::exchange(face->icon, icon);
        FitIcon(*face);
        if (face->widget)
            face->widget->update();
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(face->icon);
    case STM_GETIMAGE:
        return wParam == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(face->bitmap) : reinterpret_cast<LRESULT>(face->icon);
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    default:
        return DefaultWindowMessage(window, message, wParam, lParam);
    }
}

} // namespace vlm::qt
