// The layer's module table and the export overrides tests use.
#include "stream_query.h"
#include "vlm_platform.h"
#include "winapi.h"

#include <gtest/gtest.h>

namespace {

NTSTATUS NTAPI Replacement(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS)
{
    return STATUS_NOT_IMPLEMENTED;
}

FARPROC AsFarProc(NTSTATUS(NTAPI* function)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS))
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

class ModulesTest : public ::testing::Test {
protected:
    void TearDown() override { vlm::ClearExportOverrides(); }
};

TEST_F(ModulesTest, NtdllIsFoundByAnyUsualSpellingOfItsName)
{
    const HMODULE ntdll = LoadLibraryA("ntdll.dll");
    ASSERT_NE(ntdll, nullptr);
    for (const char* name : {"NTDLL.DLL", "ntdll", "NtDll.Dll", "C:\\Windows\\System32\\ntdll.dll"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(LoadLibraryA(name), ntdll);
    }
    for (const char* name : {"kernel32.dll", "ntdll.exe", "ntdll.", "", "ntdl"}) {
        SCOPED_TRACE(name);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(name), nullptr);
        EXPECT_NE(GetLastError(), DWORD{0});
    }
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("kernel32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_MOD_NOT_FOUND});
    EXPECT_TRUE(FreeLibrary(ntdll));
    EXPECT_EQ(LoadLibraryA("ntdll.dll"), ntdll) << "never unloaded";
}

TEST_F(ModulesTest, ExportsByNameOnly)
{
    const HMODULE ntdll = LoadLibraryA("ntdll.dll");
    const FARPROC query = AsFarProc(&vlm::posix::QueryInformationFile);
    EXPECT_EQ(GetProcAddress(ntdll, "ZwQueryInformationFile"), query);
    EXPECT_EQ(GetProcAddress(ntdll, "NtQueryInformationFile"), query);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(ntdll, "zwqueryinformationfile"), nullptr) << "export names keep their case";
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PROC_NOT_FOUND});
    EXPECT_EQ(GetProcAddress(ntdll, reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(7))), nullptr) << "no ordinals";
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x1000)), "ZwQueryInformationFile"), nullptr);
}

TEST_F(ModulesTest, OverridesReplaceOrRemoveAnExportUntilCleared)
{
    const HMODULE ntdll = LoadLibraryA("ntdll.dll");
    vlm::OverrideExport("NTDLL", "ZwQueryInformationFile", AsFarProc(&Replacement));
    EXPECT_EQ(GetProcAddress(ntdll, "ZwQueryInformationFile"), AsFarProc(&Replacement));
    EXPECT_EQ(GetProcAddress(ntdll, "NtQueryInformationFile"), AsFarProc(&vlm::posix::QueryInformationFile))
        << "only the export named";

    vlm::OverrideExport("ntdll.dll", "ZwQueryInformationFile", nullptr);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(ntdll, "ZwQueryInformationFile"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PROC_NOT_FOUND});

    vlm::OverrideExport("ntdll.dll", "RtlNewExport", AsFarProc(&Replacement));
    EXPECT_EQ(GetProcAddress(ntdll, "RtlNewExport"), AsFarProc(&Replacement)) << "an override may add an export";

    vlm::ClearExportOverrides();
    EXPECT_EQ(GetProcAddress(ntdll, "ZwQueryInformationFile"), AsFarProc(&vlm::posix::QueryInformationFile));
    EXPECT_EQ(GetProcAddress(ntdll, "RtlNewExport"), nullptr);
}

} // namespace
