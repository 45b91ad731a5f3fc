// FindFirstFileA / FindNextFileA / FindClose over readdir, in the order the file system lists.
#include "winapi.h"

#include "current_directory.h"
#include "errno_codes.h"
#include "handle_table.h"
#include "unique_fd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace vlm::posix;

// ntfs-3g's view of an entry's NTFS attributes, big-endian; a link that is an NTFS directory
// (a junction or a directory symlink) has the directory bit.
constexpr const char* kNtfsAttributes = "system.ntfs_attrib_be";

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Windows' wildcards: '*' any run, '?' any one character, compared without regard to (ASCII)
// case. "*" and "*.*" match every name.
bool MatchesPattern(std::string_view pattern, std::string_view name)
{
    if (pattern == "*" || pattern == "*.*")
        return true;
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// A listing in progress. It holds a descriptor of its own, so it carries on while the caller
// changes the current directory into the subdirectories it finds.
class FindObject : public KernelObject {
public:
    FindObject(std::unique_ptr<DIR, DirCloser> dir, std::string pattern)
        : m_dir(std::move(dir)), m_pattern(std::move(pattern))
    {
    }

    // False (last error set) at the end or on failure.
    bool Next(WIN32_FIND_DATAA& data)
    {
        // "." and ".." come first even from file systems that do not list them; the real ones,
        // when they come, are then passed over.
        while (m_synthesised < 2) {
            const char* name = m_synthesised++ == 0 ? "." : "..";
            if (MatchesPattern(m_pattern, name)) {
                Fill(data, name, FILE_ATTRIBUTE_DIRECTORY);
                return true;
            }
        }
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(m_dir.get());
            if (!entry) {
                SetLastError(errno == 0 ? ERROR_NO_MORE_FILES : Win32ErrorFromErrno(errno));
                return false;
            }
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            // Cannot happen with Linux's name limits; never truncate a name silently.
            if (name.size() >= sizeof data.cFileName || !MatchesPattern(m_pattern, name))
                continue;
            Fill(data, entry->d_name, Attributes(*entry));
            return true;
        }
    }

private:
    DWORD Attributes(const dirent& entry) const
    {
        unsigned char type = entry.d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(m_dir.get()), entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = IFTODT(st.st_mode);
        }
        switch (type) {
        case DT_DIR:
            return FILE_ATTRIBUTE_DIRECTORY;
        case DT_LNK:
            return FILE_ATTRIBUTE_REPARSE_POINT | (LinkIsNtfsDirectory(entry.d_name) ? FILE_ATTRIBUTE_DIRECTORY : 0);
        case DT_REG:
        case DT_UNKNOWN:
            return FILE_ATTRIBUTE_ARCHIVE;
        default:
            // fifos, sockets and devices are system files to NTFS
            return FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM;
        }
    }

    bool LinkIsNtfsDirectory(const char* name) const
    {
        const std::string path = "/proc/self/fd/" + std::to_string(::dirfd(m_dir.get())) + "/" + name;
        unsigned char bits[4];
        if (::lgetxattr(path.c_str(), kNtfsAttributes, bits, sizeof bits) != static_cast<ssize_t>(sizeof bits))
            return false;
        return (bits[3] & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    static void Fill(WIN32_FIND_DATAA& data, const char* name, DWORD attributes)
    {
        std::memset(&data, 0, sizeof data);
        data.dwFileAttributes = attributes;
        std::strcpy(data.cFileName, name);
    }

    std::unique_ptr<DIR, DirCloser> m_dir;
    std::string m_pattern;
    int m_synthesised = 0;
};

} // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findFileData)
{
    if (!fileName || !findFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string_view pattern(fileName);
    // Patterns name entries of the current directory only.
    if (pattern.empty() || pattern.find_first_of("\\/") != std::string_view::npos) {
        SetLastError(pattern.empty() ? ERROR_PATH_NOT_FOUND : ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }

    const std::optional<CurrentDirectorySnapshot> cwd = CurrentDirectory();
    const int base = cwd ? cwd->fd->Get() : AT_FDCWD;
    UniqueFd fd(::openat(base, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        SetLastError(Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd.Get()));
    if (!dir) {
        SetLastError(Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    fd.Release(); // the DIR owns it now

    auto find = std::make_shared<FindObject>(std::move(dir), std::string(pattern));
    if (!find->Next(*findFileData)) {
        if (GetLastError() == ERROR_NO_MORE_FILES)
            SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return RegisterHandle(std::move(find));
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findFileData)
{
    const auto find = LookupHandleAs<FindObject>(findFile);
    if (!find || !findFileData) {
        SetLastError(find ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return find->Next(*findFileData) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!LookupHandleAs<FindObject>(findFile) || !vlm::posix::ReleaseHandle(findFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
