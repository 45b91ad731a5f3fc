#include "framework/RuntimeClass.h"

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* baseClass) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
        if (c == baseClass)
            return TRUE;
    }
    return FALSE;
}
