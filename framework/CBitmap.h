// CBitmap: a bitmap object, typically loaded from the program's resources.
#pragma once

#include "framework/CGdiObject.h"
#include "framework/CommonControls.h"

class CDC;

class CBitmap : public CGdiObject {
public:
    // The bitmap wrapped for the moment (see HandleMap.h): not to be kept.
    static CBitmap* FromHandle(HBITMAP bitmap);

    BOOL LoadBitmap(UINT idResource);
    // Through the common controls' colour mapping (CreateMappedBitmap): the greys of the
    // picture become the system's button colours, unless `colorMap` says otherwise.
    BOOL LoadMappedBitmap(UINT idBitmap, UINT flags = 0, LPCOLORMAP colorMap = nullptr, int mapSize = 0);
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    // The bitmap's description (size, bits per pixel): bytes stored, 0 on failure.
    int GetBitmap(BITMAP* bitmap) const { return GetObject(static_cast<int>(sizeof(BITMAP)), bitmap); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};
