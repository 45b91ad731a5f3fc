// Run-time class information for the window classes: a name and a base, enough for IsKindOf
// and for telling a class by name.
//
//     class CStaticLink : public CStatic { DECLARE_DYNAMIC(CStaticLink) ... };   // header
//     IMPLEMENT_DYNAMIC(CStaticLink, CStatic)                                     // source
#pragma once

#include "winapi.h"

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    const CRuntimeClass* m_pBaseClass; // NULL for the root

    // This class or one derived from it.
    BOOL IsDerivedFrom(const CRuntimeClass* baseClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    const CRuntimeClass class_name::class##class_name = {                                          \
        #class_name, static_cast<int>(sizeof(class_name)), RUNTIME_CLASS(base_class_name)};        \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
