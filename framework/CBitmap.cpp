#include "framework/CBitmap.h"

#include "framework/CDC.h"
#include "framework/CWinApp.h"
#include "framework/HandleMap.h"

CBitmap* CBitmap::FromHandle(HBITMAP bitmap)
{
    return vlm::fw::HandleMap<CBitmap, HGDIOBJ, &CGdiObject::m_hObject>::ForThisThread().FromHandle(bitmap);
}

BOOL CBitmap::LoadBitmap(UINT idResource)
{
    return Attach(::LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(idResource)));
}

BOOL CBitmap::LoadMappedBitmap(UINT idBitmap, UINT flags, LPCOLORMAP colorMap, int mapSize)
{
    return Attach(::CreateMappedBitmap(AfxGetResourceHandle(), idBitmap, flags, colorMap, mapSize));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc->m_hDC, width, height));
}
