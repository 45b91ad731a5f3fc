#include "framework/CFont.h"

#include "framework/HandleMap.h"

CFont* CFont::FromHandle(HFONT font)
{
    return vlm::fw::HandleMap<CFont, HGDIOBJ, &CGdiObject::m_hObject>::ForThisThread().FromHandle(font);
}
