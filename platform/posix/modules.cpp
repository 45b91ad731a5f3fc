// LoadLibraryA / GetProcAddress over a fixed table of the layer's own modules, plus the
// process-wide export overrides tests use to take an export away or answer it themselves.
#include "module_name.h"
#include "winapi.h"

#include "stream_query.h"
#include "vlm_platform.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace {

struct Export {
    std::string_view name;
    FARPROC function;
};

struct Module {
    std::string_view name; // normalised: lower case, with extension
    std::array<Export, 2> exports;
};

FARPROC AsFarProc(NTSTATUS(NTAPI* function)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS))
{
    // As on Windows, the caller casts the pointer back to the export's real type.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

const std::array<Module, 1>& Modules()
{
    static const std::array<Module, 1> modules{{
        {"ntdll.dll",
         {{{"ZwQueryInformationFile", AsFarProc(&vlm::posix::QueryInformationFile)},
           {"NtQueryInformationFile", AsFarProc(&vlm::posix::QueryInformationFile)}}}},
    }};
    return modules;
}

using vlm::NormaliseModuleName;

const Module* FindModule(std::string_view normalName)
{
    for (const Module& module : Modules()) {
        if (module.name == normalName)
            return &module;
    }
    return nullptr;
}

const Module* ModuleFromHandle(HMODULE handle)
{
    for (const Module& module : Modules()) {
        if (reinterpret_cast<HMODULE>(const_cast<Module*>(&module)) == handle)
            return &module;
    }
    return nullptr;
}

struct Overrides {
    std::mutex mutex;
    std::map<std::pair<std::string, std::string>, FARPROC> exports; // (module, export) -> answer
};

Overrides& TheOverrides()
{
    static Overrides overrides;
    return overrides;
}

// An ordinal passed where a name is expected (the high word is zero).
bool IsOrdinal(LPCSTR name)
{
    return (reinterpret_cast<UINT_PTR>(name) >> 16) == 0;
}

} // namespace

HMODULE LoadLibraryA(LPCSTR libFileName)
{
    if (!libFileName || !*libFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const Module* module = FindModule(NormaliseModuleName(libFileName));
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(const_cast<Module*>(module));
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName)
{
    const Module* module = ModuleFromHandle(handle);
    if (!module) {
        SetLastError(handle ? ERROR_MOD_NOT_FOUND : ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (IsOrdinal(procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    {
        Overrides& overrides = TheOverrides();
        std::lock_guard lock(overrides.mutex);
        auto it = overrides.exports.find({std::string(module->name), std::string(procName)});
        if (it != overrides.exports.end()) {
            if (!it->second)
                SetLastError(ERROR_PROC_NOT_FOUND);
            return it->second;
        }
    }
    for (const Export& entry : module->exports) {
        if (entry.name == procName)
            return entry.function;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE handle)
{
    // The modules are part of the layer and are never unloaded.
    if (!ModuleFromHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace vlm {

void OverrideExport(LPCSTR module, LPCSTR name, FARPROC replacement)
{
    Overrides& overrides = TheOverrides();
    std::lock_guard lock(overrides.mutex);
    overrides.exports[{NormaliseModuleName(module), std::string(name)}] = replacement;
}

void ClearExportOverrides()
{
    Overrides& overrides = TheOverrides();
    std::lock_guard lock(overrides.mutex);
    overrides.exports.clear();
}

} // namespace vlm
