// File handles: what CreateFileA gives out and the stream query reads.
#pragma once

#include "handle_table.h"
#include "unique_fd.h"

#include <sys/types.h>

#include <string>

namespace vlm::posix {

// An entry opened for its metadata only (O_PATH, links not followed): nothing is read from it,
// so opening costs no open request of the file system's own, and fifos or devices cannot block.
class FileObject : public KernelObject {
public:
    FileObject(UniqueFd fd, mode_t mode, off_t size, blkcnt_t blocks, std::string windowsPath);

    int Fd() const { return m_fd.Get(); }
    mode_t Mode() const { return m_mode; }
    off_t Size() const { return m_size; }
    blkcnt_t Blocks() const { return m_blocks; } // 512-byte units
    // The Windows path it was opened as; empty when it was opened by a POSIX path.
    const std::string& WindowsPath() const { return m_windowsPath; }
    // A path that names this very inode, for the calls that only take paths (extended
    // attributes on an O_PATH descriptor): "/proc/self/fd/N".
    const char* ProcPath() const { return m_procPath.c_str(); }

private:
    UniqueFd m_fd;
    mode_t m_mode;
    off_t m_size;
    blkcnt_t m_blocks;
    std::string m_windowsPath;
    std::string m_procPath;
};

} // namespace vlm::posix
