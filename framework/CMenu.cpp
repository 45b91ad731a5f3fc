#include "framework/CMenu.h"

#include "framework/CWinApp.h"
#include "framework/HandleMap.h"

CMenu* CMenu::FromHandle(HMENU menu)
{
    return vlm::fw::HandleMap<CMenu, HMENU, &CMenu::m_hMenu>::ForThisThread().FromHandle(menu);
}

BOOL CMenu::LoadMenu(UINT idResource)
{
    return Attach(::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(idResource)));
}
