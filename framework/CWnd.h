// CWnd: the C++ object for a window. It is attached to its HWND, found again from the handle,
// and receives the window's messages through its class's message map.
//
// A window gets to the framework in one of three ways:
//   - CreateEx: the window is made for the object (a class of the framework's own, such as the
//     one AfxRegisterWndClass gives, or any registered class);
//   - SubclassWindow (DDX_Control, SubclassDlgItem): an existing window, typically a dialog's
//     control, has its window procedure replaced by the framework's, which passes whatever the
//     map does not handle on to the window's own procedure;
//   - Attach: the object only names the window; messages keep going where they went.
// A window that is destroyed lets go of its object after its last message (WM_NCDESTROY), then
// calls PostNcDestroy.
//
// Objects are found per thread: FromHandle on the thread that attached them.
#pragma once

#include "framework/CDC.h"
#include "framework/CFont.h"
#include "framework/CMenu.h"
#include "framework/CString.h"
#include "framework/MessageMap.h"
#include "framework/RuntimeClass.h"
#include "winapi.h"

class CDataExchange;

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    static const CRuntimeClass classCWnd;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const { return GetRuntimeClass()->IsDerivedFrom(runtimeClass); }

    // The attached object, else one wrapping the handle for the moment (see HandleMap.h).
    static CWnd* FromHandle(HWND window);
    // The attached object only; NULL when none on this thread.
    static CWnd* FromHandlePermanent(HWND window);

    BOOL Attach(HWND window);
    HWND Detach();
    // Attaches and routes the window's messages through the message map first.
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent)
    {
        const HWND control = parent ? ::GetDlgItem(parent->m_hWnd, static_cast<int>(id)) : nullptr;
        return control && SubclassWindow(control);
    }
    // Gives the window its own procedure back and detaches.
    HWND UnsubclassWindow();

    // A window of `className` (NULL: the framework's own plain class) for this object, which
    // destroys it when the object goes first. `parent` may be HWND_MESSAGE for a message-only
    // window.
    BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, LPVOID param = nullptr)
    {
        return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
    }
    virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
    }
    virtual BOOL DestroyWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessage(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessage(m_hWnd, message, wParam, lParam);
    }

    // A message box owned by this window; no caption means the application's name.
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK) const;

    // Text, state, style
    void SetWindowText(LPCSTR text) { ::SetWindowText(m_hWnd, text); }
    int GetWindowText(LPSTR text, int maxCount) const { return ::GetWindowText(m_hWnd, text, maxCount); }
    void GetWindowText(CString& text) const
    {
        const int length = ::GetWindowTextLength(m_hWnd);
        ::GetWindowText(m_hWnd, text.GetBuffer(length), length + 1);
        text.ReleaseBuffer();
    }
    int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL ShowWindow(int cmdShow) { return ::ShowWindow(m_hWnd, cmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE)); }
    // Clears `remove`, sets `add`; with `flags` (SWP_*), also tells the window its frame changed.
    // FALSE when the style stays as it was.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0) { return ModifyStyleOf(GWL_STYLE, remove, add, flags); }
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0)
    {
        return ModifyStyleOf(GWL_EXSTYLE, remove, add, flags);
    }

    // Painting and geometry
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }

    // Icons and fonts
    HICON SetIcon(HICON icon, BOOL bigIcon)
    {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    HICON GetIcon(BOOL bigIcon) const
    {
        return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bigIcon ? ICON_BIG : ICON_SMALL, 0));
    }
    // The window's font, wrapped for the moment; NULL when it uses the system font.
    CFont* GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))); }
    void SetFont(CFont* font, BOOL redraw = TRUE)
    {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
    }

    // Relatives, children, focus, menu (each wrapped for the moment unless attached)
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgItemText(int id, LPCSTR text) { ::SetDlgItemText(m_hWnd, id, text); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CMenu* GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }
    UINT_PTR SetTimer(UINT_PTR idEvent, UINT elapse) { return ::SetTimer(m_hWnd, idEvent, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR idEvent) { return ::KillTimer(m_hWnd, idEvent); }

    // Data exchange: DoDataExchange with a CDataExchange for this window. FALSE when an
    // exchange failed (CDataExchange::Fail).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // The message being handled, passed to the window's own procedure.
    LRESULT Default();

    HWND m_hWnd = nullptr;

    // The framework's window procedure. Windows whose class names it are given to the object
    // CreateEx is making them for; other messages go to the attached object's WindowProc.
    static LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void PreSubclassWindow() {}
    // After the window's last message; the object may delete itself here.
    virtual void PostNcDestroy() {}

    // Dispatch: the message map first, then DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // WM_COMMAND: a control's notification is offered to the control first.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // A notification the parent received from this control; TRUE when handled here.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Looks for the reflected entry (WM_REFLECT_BASE + message) in this control's map.
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Offers the parent's current notification to `child`'s object; TRUE when it took it.
    static BOOL ReflectLastMsg(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window's own procedure (a subclassed control's, the dialog manager's), else
    // the system's default.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Default handlers, for a derived class's handler to call on.
    afx_msg void OnPaint() { Default(); }
    afx_msg void OnClose() { Default(); }
    afx_msg void OnDestroy() { Default(); }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    afx_msg void OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
    afx_msg HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    afx_msg BOOL OnHelpInfo(HELPINFO*) { return static_cast<BOOL>(Default()); }
    afx_msg void OnTimer(UINT_PTR) { Default(); }

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    WNDPROC m_pfnSuper = nullptr;

private:
    bool m_ownsWindow = false; // made by CreateEx
    friend LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL ModifyStyleOf(int index, DWORD remove, DWORD add, UINT flags)
    {
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, index));
        const DWORD changed = (style & ~remove) | add;
        if (changed == style)
            return FALSE;
        ::SetWindowLongPtr(m_hWnd, index, static_cast<LONG_PTR>(changed));
        if (flags)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
        return TRUE;
    }
    // The window is gone: forget it, give the control its procedure back.
    void FinishNcDestroy(HWND window);
};

// Runs `wnd`'s WindowProc for one message, inside the framework's dispatch state (the current
// message for Default, the temporary wrappers' lifetime).
LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The framework's window class with these properties, registered once per process; its
// procedure is CWnd::AfxWndProc.
LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                           HICON icon = nullptr);

#include "framework/MessageThunks.h"
