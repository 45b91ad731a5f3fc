#include "scan/NativeFunctions.h"
#include "scan/RunFlag.h"
#include "scan/ScanEngine.h"

DWORD WINAPI ScanThreadProc(LPVOID parameter)
{
    ScanJob* job = static_cast<ScanJob*>(parameter);
    DWORD result = 1;

    job->filesScanned = 0;
    job->adsFiles = 0;
    g_filesScanned = 0;
    g_adsFiles = 0;
    const int rootCount = job->rootCount;

    if (!LoadNativeFunctions()) {
        MessageBoxA(nullptr, "Error: LoadNativeFunctions() failed", "ERROR", MB_ICONERROR);
        result = 0;
    } else {
        for (int i = 0; i < rootCount; ++i) {
            if (!IsRunFlagSet(job->hRunEvent))
                break;
            const CString root = job->roots.Left(3);
            if (!SetCurrentDirectoryA(root)) {
                MessageBoxA(nullptr, root, "ERROR SCANNING", MB_ICONERROR);
                break;
            }
            ScanDirectory(job->hwndNotify, job->hRunEvent);
            job->roots.Delete(0, 3);
        }
    }

    job->filesScanned = g_filesScanned;
    job->adsFiles = g_adsFiles;
    PostMessage(job->hwndNotify, WM_SCAN_COMPLETE, 0, 0);
    return result;
}
