// The compiled resource file (.res) that windres makes from res/velmora.rc, and the icon group
// directory inside it. The Win32 resource calls (FindResourceA, ...) answer from the entries
// ReadResourceFile finds; the window layer reads icon groups with ParseIconGroup.
#pragma once

#include "winapi.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vlm::posix {

// What resource formats write as "string or ordinal": an id, a name, or (in dialog templates)
// nothing at all. Names are UTF-8.
struct NameOrOrdinal {
    std::optional<WORD> ordinal;
    std::string text;

    bool IsOrdinal() const { return ordinal.has_value(); }
    bool IsEmpty() const { return !ordinal && text.empty(); }
    bool operator==(const NameOrOrdinal&) const = default;

    static NameOrOrdinal Id(WORD id) { return {id, {}}; }
    static NameOrOrdinal Name(std::string name) { return {std::nullopt, std::move(name)}; }
};

// One resource of a .res file. `data` points into the file's bytes.
struct ResourceEntry {
    NameOrOrdinal type;
    NameOrOrdinal name;
    WORD language = 0;
    WORD memoryFlags = 0;
    DWORD dataVersion = 0;
    DWORD version = 0;
    DWORD characteristics = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

// The resources of a .res file in file order, without the empty entry that starts such a file;
// nullopt when a header or its data runs past the end or is inconsistent.
std::optional<std::vector<ResourceEntry>> ReadResourceFile(const void* data, std::size_t size);

// One image of an RT_GROUP_ICON (or RT_GROUP_CURSOR) directory; `id` names its RT_ICON.
struct IconGroupEntry {
    BYTE width = 0;  // 0 means 256
    BYTE height = 0; // 0 means 256
    BYTE colorCount = 0;
    WORD planes = 0;
    WORD bitCount = 0;
    DWORD bytesInRes = 0;
    WORD id = 0;
};

struct IconGroup {
    WORD type = 0; // 1 icons, 2 cursors
    std::vector<IconGroupEntry> entries;
};

std::optional<IconGroup> ParseIconGroup(const void* data, std::size_t size);

} // namespace vlm::posix
