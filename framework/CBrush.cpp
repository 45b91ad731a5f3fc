#include "framework/CBrush.h"

#include "framework/HandleMap.h"

CBrush* CBrush::FromHandle(HBRUSH brush)
{
    return vlm::fw::HandleMap<CBrush, HGDIOBJ, &CGdiObject::m_hObject>::ForThisThread().FromHandle(brush);
}
