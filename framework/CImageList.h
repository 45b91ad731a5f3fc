// CImageList: an image list (equal-sized images cut from one bitmap), destroyed with the object
// unless detached first.
#pragma once

#include "framework/CommonControls.h"

class CBitmap;
class CDC;

class CImageList {
public:
    CImageList() = default;
    virtual ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // The list wrapped for the moment (see HandleMap.h): not to be kept.
    static CImageList* FromHandle(HIMAGELIST list);

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        return Attach(::ImageList_Create(cx, cy, flags, initial, grow));
    }
    // The bitmap resource `idBitmap` cut into images `cx` pixels wide; pixels of `maskColor`
    // are transparent. The list grows by `grow` images when more are added.
    BOOL Create(UINT idBitmap, int cx, int grow, COLORREF maskColor);

    BOOL Attach(HIMAGELIST list)
    {
        if (m_hImageList || !list)
            return FALSE;
        m_hImageList = list;
        return TRUE;
    }
    HIMAGELIST Detach()
    {
        const HIMAGELIST list = m_hImageList;
        m_hImageList = nullptr;
        return list;
    }
    BOOL DeleteImageList()
    {
        if (!m_hImageList)
            return FALSE;
        return ::ImageList_Destroy(Detach());
    }

    // The index of the first image added, or -1.
    int Add(CBitmap* image, COLORREF maskColor);
    int Add(CBitmap* image, CBitmap* mask);
    int GetImageCount() const { return ::ImageList_GetImageCount(m_hImageList); }
    BOOL Draw(CDC* dc, int image, POINT point, UINT style);

    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    HIMAGELIST m_hImageList = nullptr;
};
