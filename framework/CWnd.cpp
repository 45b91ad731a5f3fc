#include "framework/CWnd.h"

#include "framework/CDataExchange.h"
#include "framework/CUserException.h"
#include "framework/CWinApp.h"
#include "framework/HandleMap.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>

using vlm::fw::CurrentThreadState;
using vlm::fw::HandleMap;
using vlm::fw::WindowProcedureScope;

namespace {

using WindowMap = HandleMap<CWnd, HWND, &CWnd::m_hWnd>;

const AFX_MSGMAP* BaseOf(const AFX_MSGMAP* map)
{
    return map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr;
}

// The first entry, from the object's class up through its bases, that `matches`.
template <class Matches>
const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, Matches matches)
{
    for (; map; map = BaseOf(map)) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
            if (matches(*entry))
                return entry;
        }
    }
    return nullptr;
}

const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message)
{
    return FindEntry(map, [&](const AFX_MSGMAP_ENTRY& e) { return e.nMessage == message; });
}

bool IsCtlColorMessage(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

AFX_CTLCOLOR CtlColorOf(UINT message, WPARAM wParam, LPARAM lParam)
{
    return AFX_CTLCOLOR{reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX};
}

} // namespace

// The root of the window classes: no base, no entries.
const CRuntimeClass CWnd::classCWnd = {"CWnd", static_cast<int>(sizeof(CWnd)), nullptr};

const CRuntimeClass* CWnd::GetRuntimeClass() const
{
    return &classCWnd;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
    const HWND window = m_hWnd;
    if (WindowMap::ForThisThread().LookupPermanent(window) != this) {
        m_hWnd = nullptr;
        return;
    }
    // A window made for this object goes with it (its last messages reach only CWnd's own
    // handling by now). One that was only subclassed or attached outlives the object and must
    // not call into it any more.
    if (m_ownsWindow && ::IsWindow(window) && ::DestroyWindow(window) && !m_hWnd)
        return;
    if (m_pfnSuper)
        UnsubclassWindow();
    else
        Detach();
}

CWnd* CWnd::FromHandle(HWND window)
{
    return WindowMap::ForThisThread().FromHandle(window);
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    return window ? WindowMap::ForThisThread().LookupPermanent(window) : nullptr;
}

BOOL CWnd::Attach(HWND window)
{
    if (m_hWnd || !window || FromHandlePermanent(window))
        return FALSE;
    m_hWnd = window;
    WindowMap::ForThisThread().SetPermanent(window, this);
    return TRUE;
}

HWND CWnd::Detach()
{
    const HWND window = m_hWnd;
    if (window) {
        WindowMap& map = WindowMap::ForThisThread();
        if (map.LookupPermanent(window) == this)
            map.RemovePermanent(window);
    }
    m_hWnd = nullptr;
    return window;
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!Attach(window))
        return FALSE;
    PreSubclassWindow();
    const auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc)));
    if (!previous) {
        Detach();
        return FALSE;
    }
    // A window of the framework's own class needs no passing on.
    if (previous != &CWnd::AfxWndProc)
        m_pfnSuper = previous;
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper && m_hWnd)
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param)
{
    if (m_hWnd)
        return FALSE;
    if (!className)
        className = AfxRegisterWndClass(0);
    vlm::fw::ThreadState& state = CurrentThreadState();
    CWnd* const outer = state.wndInit;
    state.wndInit = this;
    const HWND window = ::CreateWindowEx(exStyle, className, windowName, style, x, y, width, height, parent, idOrMenu,
                                         AfxGetInstanceHandle(), param);
    // Still pending: the class's procedure is not the framework's, so the window is taken over
    // now that it exists.
    const bool pending = state.wndInit == this;
    state.wndInit = outer;
    if (!window) {
        if (m_hWnd == nullptr)
            return FALSE;
        Detach(); // created and destroyed during creation
        return FALSE;
    }
    if (pending && !SubclassWindow(window))
        return FALSE;
    m_ownsWindow = true;
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type) const
{
    return ::MessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::Default()
{
    const MSG& current = CurrentThreadState().lastSent;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);
    if (IsCtlColorMessage(message)) {
        if (ReflectLastMsg(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
            return TRUE;
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), WM_CTLCOLOR);
        if (!entry)
            return FALSE;
        AFX_CTLCOLOR colour = CtlColorOf(message, wParam, lParam);
        return entry->pfn(this, wParam, reinterpret_cast<LPARAM>(&colour), result);
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message);
    return entry && entry->pfn(this, wParam, lParam, result);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const HWND control = reinterpret_cast<HWND>(lParam);
    // From a menu or an accelerator (whose code is 1), a command; from a control, its
    // notification, which the control may handle itself.
    UINT code = HIWORD(wParam);
    LRESULT result = 0;
    if (!control)
        code = CN_COMMAND;
    else if (ReflectLastMsg(control, WM_COMMAND, wParam, lParam, &result))
        return TRUE;
    const AFX_MSGMAP_ENTRY* entry = FindEntry(GetMessageMap(), [&](const AFX_MSGMAP_ENTRY& e) {
        return e.nMessage == WM_COMMAND && e.nCode == code && e.nID <= id && id <= e.nLastID;
    });
    return entry && entry->pfn(this, wParam, lParam, &result);
}

BOOL CWnd::ReflectLastMsg(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* const control = FromHandlePermanent(child);
    return control && control->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    return ReflectChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const AFX_MSGMAP* map = GetMessageMap();
    if (message == WM_COMMAND) {
        const UINT code = HIWORD(wParam);
        const AFX_MSGMAP_ENTRY* entry = FindEntry(map, [&](const AFX_MSGMAP_ENTRY& e) {
            return e.nMessage == WM_REFLECT_BASE + WM_COMMAND && e.nCode == code;
        });
        return entry && entry->pfn(this, wParam, lParam, result);
    }
    if (IsCtlColorMessage(message)) {
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(map, WM_REFLECT_BASE + WM_CTLCOLOR);
        if (!entry)
            return FALSE;
        AFX_CTLCOLOR colour = CtlColorOf(message, wParam, lParam);
        return entry->pfn(this, wParam, reinterpret_cast<LPARAM>(&colour), result);
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(map, WM_REFLECT_BASE + message);
    return entry && entry->pfn(this, wParam, lParam, result);
}

void CWnd::FinishNcDestroy(HWND window)
{
    if (WindowMap::ForThisThread().LookupPermanent(window) != this)
        return;
    // The procedure is put back only if it is still ours: something else may have subclassed
    // the window after us.
    if (m_pfnSuper &&
        ::GetWindowLongPtr(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc))
        ::SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    m_ownsWindow = false;
    Detach();
    PostNcDestroy();
}

LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowProcedureScope scope(window, message, wParam, lParam);
    LRESULT result = 0;
    // No exception of the framework's crosses the system's window procedure.
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (const CException&) {
        result = message == WM_CREATE ? -1 : 0;
    }
    if (message == WM_NCDESTROY)
        wnd->FinishNcDestroy(window);
    return result;
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(window);
    if (!wnd) {
        // The first message of a window CreateEx is making.
        vlm::fw::ThreadState& state = CurrentThreadState();
        if (!state.wndInit)
            return ::DefWindowProc(window, message, wParam, lParam);
        wnd = std::exchange(state.wndInit, nullptr);
        wnd->Attach(window);
    }
    return AfxCallWndProc(wnd, window, message, wParam, lParam);
}

LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // Registered classes outlive every window of theirs: the names are kept for the process.
    static std::mutex mutex;
    static auto* const registered = new std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string>;
    std::lock_guard lock(mutex);
    const auto key = std::make_tuple(classStyle, cursor, background, icon);
    const auto it = registered->find(key);
    if (it != registered->end())
        return it->second.c_str();
    char name[96];
    std::snprintf(name, sizeof name, "VlmWnd:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                  static_cast<void*>(background), static_cast<void*>(icon));
    WNDCLASSA windowClass{};
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = &CWnd::AfxWndProc;
    windowClass.hInstance = AfxGetInstanceHandle();
    windowClass.hIcon = icon;
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    if (!::RegisterClassA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return registered->emplace(key, name).first->second.c_str();
}
