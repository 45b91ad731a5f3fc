#include "scan/NativeFunctions.h"

PFN_ZwQueryInformationFile g_pZwQueryInformationFile = nullptr;

BOOL LoadNativeFunctions()
{
    HMODULE ntdll = LoadLibraryA("ntdll.dll");
    if (!ntdll) {
        g_pZwQueryInformationFile = nullptr;
        return FALSE;
    }
    FARPROC proc = GetProcAddress(ntdll, "ZwQueryInformationFile");
    g_pZwQueryInformationFile = reinterpret_cast<PFN_ZwQueryInformationFile>(reinterpret_cast<void*>(proc));
    return g_pZwQueryInformationFile != nullptr;
}
