// velmora-scan.exe as a person's shell would run it: a child process with its standard output
// and error on pipes, on a drive-lettered folder.
#include "scan/NativeFunctions.h"
#include "support/TestTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using vlm::test::TestTree;

namespace {

struct ScanOutcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

// Beside the test executable, where the build puts every program.
std::string ScannerPath()
{
    char self[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, length);
    const size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "velmora-scan.exe";
}

std::string Drain(HANDLE pipe)
{
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

ScanOutcome RunScanner(const std::string& arguments)
{
    ScanOutcome run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return run;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const std::string exe = ScannerPath();
    std::string commandLine = "\"" + exe + "\" " + arguments;
    const BOOL started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    const DWORD startError = GetLastError();
    // Only the child holds the write ends now, so the reads end when it does.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started) {
        ADD_FAILURE() << "cannot start " << exe << ": " << startError;
        CloseHandle(outRead);
        CloseHandle(errRead);
        return run;
    }
    std::thread errReader([&] { run.err = Drain(errRead); });
    run.out = Drain(outRead);
    errReader.join();
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "velmora-scan did not end";
        TerminateProcess(process.hProcess, 99);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

// The C runtime writes text mode: every line ends in CR LF, none in a doubled CR.
std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unterminated last line: " << text.substr(start);
            break;
        }
        std::string line = text.substr(start, end - start);
        if (line.empty() || line.back() != '\r')
            ADD_FAILURE() << "line without CR LF: " << line;
        else
            line.pop_back();
        if (!line.empty() && line.back() == '\r')
            ADD_FAILURE() << "line ending in CR CR LF: " << line;
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Whether this system's own stream query answers for a file of the tree (Wine's does not).
bool NativeQueryWorksOn(const std::string& path)
{
    if (!LoadNativeFunctions())
        return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    alignas(8) BYTE buffer[8192];
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = g_pZwQueryInformationFile(file, &status, buffer, sizeof buffer, FileStreamInformation);
    CloseHandle(file);
    return NT_SUCCESS(result);
}

char FreeLetter()
{
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        if (!(used & (1u << (letter - 'A'))) && GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES)
            return letter;
    }
    return '\0';
}

class VelmoraScanExe : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(ScannerPath().c_str()), INVALID_FILE_ATTRIBUTES) << ScannerPath();
        m_tree = TestTree::Create();
        ASSERT_TRUE(m_tree) << "no drive-lettered test tree";
        m_root = m_tree->Root();
        m_drive = m_root.substr(0, 2);
    }

    std::unique_ptr<TestTree> m_tree;
    std::string m_root;
    std::string m_drive;
};

TEST_F(VelmoraScanExe, ReportsWhatTheQuerySaysForEveryEntryThenTheTwoCounts)
{
    m_tree->WriteFile("f.txt", "f");
    m_tree->MakeDir("d");
    m_tree->WriteFile("d/g.txt", "g");
    const bool queryWorks = NativeQueryWorksOn(m_root + "f.txt");

    for (const std::string& target : {m_drive, m_root}) {
        SCOPED_TRACE(target);
        const ScanOutcome run = RunScanner(target);
        std::vector<std::string> lines = CrLfLines(run.out);
        ASSERT_GE(lines.size(), 2u) << run.out << run.err;
        EXPECT_EQ(lines[lines.size() - 2], "3 files scanned");
        EXPECT_EQ(lines[lines.size() - 1], "0 file(s) contained Alternate Data Streams");
        lines.resize(lines.size() - 2);
        std::sort(lines.begin(), lines.end());
        std::vector<std::string> expected;
        if (!queryWorks) {
            // Every entry is still visited and reported, with the root's doubled backslash.
            for (const char* entry : {"\\d", "\\f.txt", "d\\g.txt"})
                expected.push_back("Warning: Error retrieving stream info for " + m_root + entry);
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(lines, expected);
        // Warnings are not errors: no stream found.
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        // stderr is a pipe, not a console: no status line.
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(VelmoraScanExe, AnEmptyDriveHasNothingToQuery)
{
    const ScanOutcome run = RunScanner(m_drive);
    EXPECT_EQ(CrLfLines(run.out),
              (std::vector<std::string>{"0 files scanned", "0 file(s) contained Alternate Data Streams"}));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(VelmoraScanExe, AStreamFoundMakesTheExitStatusOne)
{
    m_tree->WriteFile("f.txt", "f");
    // Wine's ntdll lists no streams (and takes "f.txt:extra" for a file name of its own).
    if (!NativeQueryWorksOn(m_root + "f.txt"))
        GTEST_SKIP() << "this system's stream query cannot list streams";
    HANDLE stream = CreateFileA((m_root + "f.txt:extra").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (stream == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "this file system cannot hold a named stream (error " << GetLastError() << ")";
    CloseHandle(stream);
    const ScanOutcome run = RunScanner(m_drive);
    EXPECT_EQ(CrLfLines(run.out),
              (std::vector<std::string>{"!!! ADS FOUND !!! Name=:extra:$DATA File=" + m_root + "\\f.txt",
                                        "1 files scanned", "1 file(s) contained Alternate Data Streams"}));
    EXPECT_EQ(run.exitCode, 1u) << run.err;
}

TEST_F(VelmoraScanExe, WhatCannotBeScannedIsAnErrorWithNothingOnStandardOutput)
{
    const char free = FreeLetter();
    ASSERT_NE(free, '\0');
    const std::string missing{free, ':'};
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {missing, "velmora-scan: " + missing + ": no such drive (velmora-scan --list shows the drives)"},
        {"--no-such-option", "velmora-scan: unknown option '--no-such-option'"},
        {m_drive + "x", "velmora-scan: " + m_drive + "x: give a drive as C: or C:\\, or a mount point"},
        // A folder of the drive is not the drive.
        {m_root + "sub", "velmora-scan: " + m_root + "sub: give a drive as C: or C:\\, or a mount point"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ScanOutcome run = RunScanner(c.arguments);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.out, "");
        const std::vector<std::string> lines = CrLfLines(run.err);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], c.message);
    }
}

TEST_F(VelmoraScanExe, TheDriveListShowsTheTreesLetter)
{
    const ScanOutcome run = RunScanner("--list");
    EXPECT_EQ(run.exitCode, 0u);
    const std::vector<std::string> lines = CrLfLines(run.out);
    const std::string wanted = m_drive + "  fixed      NTFS    ";
    const bool listed = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.compare(0, wanted.size(), wanted) == 0;
    });
    EXPECT_TRUE(listed) << run.out;
}

} // namespace
