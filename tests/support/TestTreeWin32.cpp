// Windows: the tree is a temporary folder given a drive letter of its own.
//
// DefineDosDeviceA gives the letter on Windows. Wine records that definition (GetLogicalDrives
// and QueryDosDeviceA see it, in every process of the prefix) but opens files through the
// prefix's dosdevices folder, where a drive is a symbolic link; there the link is made too.
#include "support/TestTree.h"

#include "winapi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <string>

namespace vlm::test {
namespace {

constexpr DWORD kLetterWaitMs = 10000;

bool WaitFor(DWORD milliseconds, const auto& condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(5);
    }
    return true;
}

std::string Backslashed(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool IsWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Wine's name for a Windows path on the host; empty elsewhere.
std::string HostPathOf(const std::string& windowsPath)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    auto toUnix = kernel32 ? reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
                                 GetProcAddress(kernel32, "wine_get_unix_file_name")))
                           : nullptr;
    if (!toUnix)
        return {};
    const int units = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(units, 1)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), units);
    char* unix = toUnix(wide.c_str());
    if (!unix)
        return {};
    std::string path(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

// Wine's folder of drive links: the parent of what C: stands for.
std::string WineDriveLinkFolder()
{
    std::string c = HostPathOf("C:\\");
    while (!c.empty() && c.back() == '/')
        c.pop_back();
    const size_t slash = c.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return {};
    std::string last = c.substr(slash + 1);
    std::transform(last.begin(), last.end(), last.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return last == "c:" ? c.substr(0, slash) : std::string();
}

// Runs a host program. Wine starts it outside the Windows process tree, with no handle to wait
// on, so callers wait for its effect instead.
bool StartHostCommand(std::string commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess) {
        WaitForSingleObject(process.hProcess, kLetterWaitMs);
        CloseHandle(process.hProcess);
    }
    return true;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char buffer[256];
    DWORD read = 0;
    std::string text;
    if (ReadFile(file, buffer, sizeof buffer, &read, nullptr))
        text.assign(buffer, read);
    CloseHandle(file);
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& contents)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == contents.size();
}

void RemoveFolder(const std::string& folder);

void RemoveContents(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveFolder(path);
            else if (!DeleteFileA(path.c_str()))
                RemoveDirectoryA(path.c_str());
        } while (FindNextFileA(listing, &entry));
        FindClose(listing);
    }
}

void RemoveFolder(const std::string& folder)
{
    RemoveContents(folder);
    RemoveDirectoryA(folder.c_str());
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// Test processes run side by side: one at a time may look for a free letter and take it, or
// give one back, so no two ever take the same letter.
class LetterClaim {
public:
    LetterClaim() : m_mutex(CreateMutexA(nullptr, FALSE, "vlm-test-drive-letters"))
    {
        // An abandoned claim (a test process that died holding it) is ours now.
        if (m_mutex) {
            const DWORD wait = WaitForSingleObject(m_mutex, 60000);
            m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        }
    }
    ~LetterClaim()
    {
        if (m_owned)
            ReleaseMutex(m_mutex);
        if (m_mutex)
            CloseHandle(m_mutex);
    }
    LetterClaim(const LetterClaim&) = delete;
    LetterClaim& operator=(const LetterClaim&) = delete;

private:
    HANDLE m_mutex;
    bool m_owned = false;
};

class LetteredFolder : public TestTree {
public:
    explicit LetteredFolder(std::string folder) : m_folder(std::move(folder)) {}

    ~LetteredFolder() override
    {
        LeaveTree();
        DetachLetter();
        // Wine names a handle's path after the drive whose root has the same identity
        // (device and inode) as a folder on the path, from a list each process refreshes once a
        // second. A root folder given back to the file system could come back as a folder of
        // another tree while some process still lists it as a root, and that tree's paths would
        // then be named after the wrong drive. So on Wine the empty root stays until the test
        // script clears the prefix's temporary folder.
        if (IsWine())
            RemoveContents(m_folder);
        else
            RemoveFolder(m_folder);
    }

    // Gives the folder a free letter; false when none works.
    bool AttachLetter();

    std::string Root() const override { return std::string{m_letter, ':', '\\'}; }

    void MakeDir(const std::string& relative) override
    {
        const std::string path = m_folder + "\\" + Backslashed(relative);
        if (!CreateDirectoryA(path.c_str(), nullptr))
            ADD_FAILURE() << "CreateDirectoryA(" << path << ") failed: " << GetLastError();
    }

    void WriteFile(const std::string& relative, const std::string& contents) override
    {
        const std::string path = m_folder + "\\" + Backslashed(relative);
        if (!WriteWholeFile(path, contents))
            ADD_FAILURE() << "cannot write " << path << ": " << GetLastError();
    }

private:
    bool TryLetter(char letter);
    bool LetterReachesMarker() const;
    void DetachLetter();
    void LeaveTree() const;

    std::string Device() const { return std::string{m_letter, ':'}; }
    std::string MarkerName() const { return "vlm-letter-check"; }

    std::string m_folder;
    char m_letter = '\0';
    bool m_defined = false;
    std::string m_wineLink; // the dosdevices link made for the letter, on Wine
};

bool LetteredFolder::LetterReachesMarker() const
{
    return ReadWholeFile(Root() + MarkerName()) == m_folder;
}

bool LetteredFolder::AttachLetter()
{
    // The folder's own name in the marker tells this tree's letter from another process's.
    if (!WriteWholeFile(m_folder + "\\" + MarkerName(), m_folder))
        return false;
    // Start somewhere that depends on the process, so that letters are not always reused.
    constexpr int kFirst = 'D' - 'A', kCount = 'Y' - 'D' + 1;
    const int start = static_cast<int>(GetCurrentProcessId() % kCount);
    bool attached = false;
    LetterClaim claim;
    for (int i = 0; i < kCount && !attached; ++i)
        attached = TryLetter(static_cast<char>('A' + kFirst + (start + i) % kCount));
    DeleteFileA((m_folder + "\\" + MarkerName()).c_str());
    return attached;
}

bool LetteredFolder::TryLetter(char letter)
{
    const std::string root{letter, ':', '\\'};
    if ((GetLogicalDrives() & (1u << (letter - 'A'))) || GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    m_letter = letter;
    if (!DefineDosDeviceA(0, Device().c_str(), m_folder.c_str())) {
        m_letter = '\0';
        return false;
    }
    m_defined = true;
    if (!LetterReachesMarker() && IsWine()) {
        const std::string links = WineDriveLinkFolder();
        const std::string target = HostPathOf(m_folder);
        if (!links.empty() && !target.empty()) {
            const std::string link = links + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(letter))) + ":";
            // A link left dangling by a run that crashed is taken over; a live one never is
            // (ln without -f fails on it, and the marker then stays out of reach).
            const std::string script = "[ -e \\\"$1\\\" ] || rm -f \\\"$1\\\"; exec ln -s \\\"$0\\\" \\\"$1\\\"";
            if (StartHostCommand("/bin/sh -c " + Quoted(script) + " " + Quoted(target) + " " + Quoted(link))) {
                if (WaitFor(kLetterWaitMs, [this] { return LetterReachesMarker(); }))
                    m_wineLink = link;
            }
        }
    }
    if (LetterReachesMarker())
        return true;
    DetachLetter();
    return false;
}

void LetteredFolder::DetachLetter()
{
    if (m_letter == '\0')
        return;
    LetterClaim claim;
    if (m_defined) {
        // Only this tree's own definition goes, given as defined or as the system stored it.
        const DWORD flags = DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE;
        if (!DefineDosDeviceA(flags, Device().c_str(), m_folder.c_str()) &&
            !DefineDosDeviceA(flags | DDD_RAW_TARGET_PATH, Device().c_str(), ("\\??\\" + m_folder).c_str()))
            ADD_FAILURE() << "cannot remove the definition of " << Device() << ": " << GetLastError();
        m_defined = false;
    }
    if (!m_wineLink.empty()) {
        const std::string root = Root();
        if (!StartHostCommand("/bin/rm -f " + Quoted(m_wineLink)) ||
            !WaitFor(kLetterWaitMs, [&root] { return GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES; }))
            ADD_FAILURE() << "cannot remove the drive link " << m_wineLink;
        m_wineLink.clear();
    }
    m_letter = '\0';
}

// A scan ends with the tree's root current; the folder cannot go while the process stands in it.
void LetteredFolder::LeaveTree() const
{
    char cwd[MAX_PATH * 4] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof cwd, cwd);
    if (length == 0 || length >= sizeof cwd)
        return;
    if ((m_letter && StartsWithNoCase(cwd, Device())) || StartsWithNoCase(cwd, m_folder)) {
        char temp[MAX_PATH + 1] = {};
        if (GetTempPathA(sizeof temp, temp))
            SetCurrentDirectoryA(temp);
    }
}

} // namespace

std::unique_ptr<TestTree> TestTree::Create()
{
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH)
        return nullptr;
    static std::atomic<unsigned> counter{0};
    std::string folder;
    for (int attempt = 0; attempt < 100; ++attempt) {
        folder = std::string(temp) + "vlm-tree-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
        if (CreateDirectoryA(folder.c_str(), nullptr))
            break;
        folder.clear();
    }
    if (folder.empty())
        return nullptr;
    auto tree = std::make_unique<LetteredFolder>(folder);
    if (!tree->AttachLetter())
        return nullptr;
    return tree;
}

} // namespace vlm::test
