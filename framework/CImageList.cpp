#include "framework/CImageList.h"

#include "framework/CBitmap.h"
#include "framework/CDC.h"
#include "framework/CWinApp.h"
#include "framework/HandleMap.h"

CImageList* CImageList::FromHandle(HIMAGELIST list)
{
    return vlm::fw::HandleMap<CImageList, HIMAGELIST, &CImageList::m_hImageList>::ForThisThread().FromHandle(list);
}

BOOL CImageList::Create(UINT idBitmap, int cx, int grow, COLORREF maskColor)
{
    return Attach(::ImageList_LoadImage(AfxGetResourceHandle(), MAKEINTRESOURCE(idBitmap), cx, grow, maskColor,
                                        IMAGE_BITMAP, 0));
}

int CImageList::Add(CBitmap* image, COLORREF maskColor)
{
    return ::ImageList_AddMasked(m_hImageList, static_cast<HBITMAP>(image->m_hObject), maskColor);
}

int CImageList::Add(CBitmap* image, CBitmap* mask)
{
    return ::ImageList_Add(m_hImageList, static_cast<HBITMAP>(image->m_hObject),
                           mask ? static_cast<HBITMAP>(mask->m_hObject) : nullptr);
}

BOOL CImageList::Draw(CDC* dc, int image, POINT point, UINT style)
{
    return ::ImageList_Draw(m_hImageList, image, dc->m_hDC, point.x, point.y, style);
}
