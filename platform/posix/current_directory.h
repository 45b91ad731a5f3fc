// The layer's own process-wide current directory: a directory descriptor plus its Windows path.
// The process's working directory is never changed, so the window layer and everything else in
// the process stay where they are. Every entry is opened O_PATH: entering a directory costs no
// open of the directory itself, and listing it opens it afresh.
#pragma once

#include "unique_fd.h"

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

namespace vlm::posix {

struct CurrentDirectorySnapshot {
    std::shared_ptr<const UniqueFd> fd; // stays open for as long as the snapshot is held
    std::string path;                   // "C:\" or "C:\Docs\Sub"
    char letter = 0;
    dev_t device = 0;
};

// nullopt when no directory has been made current and the process's working directory is not
// inside a lettered mount; callers then resolve relative names against the working directory.
std::optional<CurrentDirectorySnapshot> CurrentDirectory();

// Forgets the current directory, so the next look-up adopts the working directory again, as at
// start-up. For tests; a running program never calls it.
void ForgetCurrentDirectory();

// "C:\" + "x" -> "C:\x"; "C:\a" + "x" -> "C:\a\x".
std::string JoinWindowsPath(const std::string& directory, const std::string& name);

} // namespace vlm::posix
