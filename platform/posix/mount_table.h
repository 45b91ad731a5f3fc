// The kernel's mount table in mountinfo form (proc(5)): one mount per line, in mount order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlm::posix {

struct MountEntry {
    int mountId = 0;
    int parentId = 0;
    unsigned major = 0; // st_dev of the mounted file system
    unsigned minor = 0;
    std::string root;       // the directory of the file system mounted here
    std::string mountPoint; // absolute, as the process sees it
    std::string mountOptions;
    std::string fsType;     // "ext4", "fuseblk", "fuse.sshfs", ...
    std::string source;     // "/dev/sda1", an image file, "server:/export", ...
    std::string superOptions;
};

// Undoes the kernel's octal escapes (\040 for a space, \011, \012, \134).
std::string UnescapeMountField(std::string_view field);

// Lines that do not have the mountinfo shape are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Reads the whole of a file, procfs ones included (they report a size of 0). False with errno
// set when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& contents);

} // namespace vlm::posix
