// CMenu: a menu or popup. One the object loaded or attached is destroyed with it; one from
// FromHandle (a window's menu bar, the popup of WM_INITMENUPOPUP) belongs to its window.
#pragma once

#include "winapi.h"

class CMenu {
public:
    CMenu() = default;
    virtual ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // The menu wrapped for the moment (see HandleMap.h): not to be kept.
    static CMenu* FromHandle(HMENU menu);

    BOOL Attach(HMENU menu)
    {
        if (m_hMenu || !menu)
            return FALSE;
        m_hMenu = menu;
        return TRUE;
    }
    HMENU Detach()
    {
        const HMENU menu = m_hMenu;
        m_hMenu = nullptr;
        return menu;
    }
    BOOL LoadMenu(UINT idResource);
    BOOL DestroyMenu()
    {
        if (!m_hMenu)
            return FALSE;
        return ::DestroyMenu(Detach());
    }

    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    // MF_BYCOMMAND or MF_BYPOSITION with MF_ENABLED, MF_GRAYED or MF_DISABLED; the previous
    // state, or -1 when there is no such item.
    UINT EnableMenuItem(UINT idOrPosition, UINT enable)
    {
        return static_cast<UINT>(::EnableMenuItem(m_hMenu, idOrPosition, enable));
    }
    UINT CheckMenuItem(UINT idOrPosition, UINT check) { return ::CheckMenuItem(m_hMenu, idOrPosition, check); }
    UINT GetMenuState(UINT idOrPosition, UINT flags) const { return ::GetMenuState(m_hMenu, idOrPosition, flags); }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    // (UINT)-1 for a popup or a position past the end.
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    int GetMenuString(UINT idOrPosition, LPSTR text, int maxCount, UINT flags) const
    {
        return ::GetMenuString(m_hMenu, idOrPosition, text, maxCount, flags);
    }
    // The popup at `position`, wrapped for the moment; NULL when that item is no popup.
    CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }
    BOOL AppendMenu(UINT flags, UINT_PTR idNewItem = 0, LPCSTR newItem = nullptr)
    {
        return ::AppendMenu(m_hMenu, flags, idNewItem, newItem);
    }

    HMENU m_hMenu = nullptr;
};
