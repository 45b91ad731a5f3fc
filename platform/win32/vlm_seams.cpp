// The seams on Windows: a process-wide message box responder in front of the real MessageBoxA,
// and export overrides in front of the real GetProcAddress.
#include "module_name.h"
#include "vlm_platform.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

// From here on the names mean the system's own functions again.
#undef MessageBoxA
#undef GetProcAddress

namespace {

struct Seams {
    std::mutex mutex;
    vlm::MessageBoxResponder responder;
    std::map<std::pair<std::string, std::string>, FARPROC> exports; // (module, export) -> answer
};

// Never destroyed: a worker thread may still show a box or resolve an export while the process
// ends.
Seams& TheSeams()
{
    static Seams* const seams = new Seams;
    return *seams;
}

using vlm::NormaliseModuleName;

// The loaded module's file name, normalised; empty when the handle names no module.
std::string ModuleNameOf(HMODULE module)
{
    char path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    return NormaliseModuleName(std::string_view(path, length));
}

// An ordinal passed where a name is expected (the high word is zero).
bool IsOrdinal(LPCSTR name)
{
    return (reinterpret_cast<UINT_PTR>(name) >> 16) == 0;
}

} // namespace

namespace vlm {

MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder)
{
    Seams& seams = TheSeams();
    std::lock_guard lock(seams.mutex);
    std::swap(seams.responder, responder);
    return responder;
}

void OverrideExport(LPCSTR module, LPCSTR name, FARPROC replacement)
{
    if (!module || !name)
        return;
    Seams& seams = TheSeams();
    std::lock_guard lock(seams.mutex);
    seams.exports[{NormaliseModuleName(module), std::string(name)}] = replacement;
}

void ClearExportOverrides()
{
    Seams& seams = TheSeams();
    std::lock_guard lock(seams.mutex);
    seams.exports.clear();
}

} // namespace vlm

int WINAPI vlmMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    vlm::MessageBoxResponder responder;
    {
        Seams& seams = TheSeams();
        std::lock_guard lock(seams.mutex);
        responder = seams.responder;
    }
    // The responder runs unlocked: it may take its time, or install another responder.
    if (responder)
        return responder(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

FARPROC WINAPI vlmGetProcAddress(HMODULE module, LPCSTR procName)
{
    if (procName && !IsOrdinal(procName)) {
        Seams& seams = TheSeams();
        std::unique_lock lock(seams.mutex);
        if (!seams.exports.empty()) {
            lock.unlock();
            const std::string moduleName = ModuleNameOf(module);
            lock.lock();
            auto it = seams.exports.find({moduleName, std::string(procName)});
            if (it != seams.exports.end()) {
                if (!it->second)
                    SetLastError(ERROR_PROC_NOT_FOUND);
                return it->second;
            }
        }
    }
    return GetProcAddress(module, procName);
}
