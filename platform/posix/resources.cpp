// The program's resources: the .res file the build embeds (vlm_resources registers it), read
// once into a table, and the Win32 calls that find and hand out its entries. As on Windows the
// table belongs to the program's module, so it is process-wide; resource data is never copied
// and stays where the registered bytes lie.
#include "winapi.h"

#include "resource_file.h"
#include "template_reader.h"
#include "vlm_posix.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::posix {

namespace {

// RESOURCEHEADER without its two names: DataVersion, MemoryFlags, LanguageId, Version,
// Characteristics.
constexpr std::size_t kHeaderTail = 4 + 2 + 2 + 4 + 4;
// DataSize, HeaderSize, two ordinal names and the tail: the smallest header there is.
constexpr std::size_t kSmallestHeader = 4 + 4 + 4 + 4 + kHeaderTail;

} // namespace

std::optional<std::vector<ResourceEntry>> ReadResourceFile(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const BYTE*>(data);
    std::vector<ResourceEntry> entries;
    std::size_t offset = 0;
    while (offset < size) {
        TemplateReader sizes(bytes + offset, size - offset);
        const DWORD dataSize = sizes.Dword();
        const DWORD headerSize = sizes.Dword();
        if (sizes.Failed() || headerSize < kSmallestHeader || headerSize % 4 != 0 ||
            headerSize > size - offset || dataSize > size - offset - headerSize)
            return std::nullopt;

        TemplateReader header(bytes + offset, headerSize);
        header.Skip(8);
        ResourceEntry entry;
        entry.type = header.NameOrId();
        entry.name = header.NameOrId();
        header.Align(4);
        entry.dataVersion = header.Dword();
        entry.memoryFlags = header.Word();
        entry.language = header.Word();
        entry.version = header.Dword();
        entry.characteristics = header.Dword();
        // A name may not be empty, and a string name must end inside the header.
        if (header.Failed() || entry.type.IsEmpty() || entry.name.IsEmpty())
            return std::nullopt;
        entry.data = bytes + offset + headerSize;
        entry.size = dataSize;

        // The empty entry (type 0, name 0) that marks a file as 32-bit is no resource.
        const bool marker = entry.type == NameOrOrdinal::Id(0) && entry.name == NameOrOrdinal::Id(0);
        if (!marker)
            entries.push_back(std::move(entry));

        const std::size_t next = offset + headerSize + dataSize;
        offset = std::min(size, (next + 3) / 4 * 4);
    }
    return entries;
}

std::optional<IconGroup> ParseIconGroup(const void* data, std::size_t size)
{
    TemplateReader reader(data, size);
    IconGroup group;
    const WORD reserved = reader.Word();
    group.type = reader.Word();
    const WORD count = reader.Word();
    if (reader.Failed() || reserved != 0 || (group.type != 1 && group.type != 2))
        return std::nullopt;
    for (WORD i = 0; i < count; ++i) {
        IconGroupEntry entry;
        entry.width = reader.Byte();
        entry.height = reader.Byte();
        entry.colorCount = reader.Byte();
        reader.Byte(); // reserved
        entry.planes = reader.Word();
        entry.bitCount = reader.Word();
        entry.bytesInRes = reader.Dword();
        entry.id = reader.Word();
        if (reader.Failed())
            return std::nullopt;
        group.entries.push_back(entry);
    }
    return group;
}

namespace {

struct ProgramResources {
    std::mutex mutex;
    // nullopt: the program has no resources at all (nothing registered).
    std::optional<std::vector<ResourceEntry>> entries;
};

ProgramResources& Resources()
{
    static ProgramResources resources;
    return resources;
}

// The program's own module handle: an address no other module of the layer can have.
HMODULE ProgramModule()
{
    static const char tag = 0;
    return reinterpret_cast<HMODULE>(const_cast<char*>(&tag));
}

// What a caller passes as a type or a name: an id, "#123" for an id, or a name.
NameOrOrdinal ArgumentName(LPCSTR argument)
{
    if (IS_INTRESOURCE(argument))
        return NameOrOrdinal::Id(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(argument)));
    const std::string_view text(argument);
    if (text.size() > 1 && text.front() == '#') {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && value <= 0xFFFF)
            return NameOrOrdinal::Id(static_cast<WORD>(value));
    }
    return NameOrOrdinal::Name(std::string(text));
}

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Resource compilers store names in upper case, and look-ups ignore case.
bool SameName(const NameOrOrdinal& wanted, const NameOrOrdinal& stored)
{
    if (wanted.IsOrdinal() || stored.IsOrdinal())
        return wanted.ordinal == stored.ordinal;
    return std::ranges::equal(wanted.text, stored.text,
                              [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); });
}

// Without a language asked for: neutral first, then US English, then any English, then the
// first in the file.
int LanguageRank(WORD language)
{
    if (language == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL))
        return 0;
    if (language == MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT))
        return 1;
    if (PRIMARYLANGID(language) == LANG_ENGLISH)
        return 2;
    return 3;
}

HRSRC Find(HMODULE module, LPCSTR type, LPCSTR name, std::optional<WORD> language)
{
    if (module && module != ProgramModule()) {
        // The layer's other modules (ntdll.dll) carry no resources.
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // NULL is id 0, which no resource has (the file's empty marker is not one).
    const NameOrOrdinal wantedType = ArgumentName(type);
    const NameOrOrdinal wantedName = ArgumentName(name);

    ProgramResources& resources = Resources();
    std::lock_guard lock(resources.mutex);
    if (!resources.entries) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool typeFound = false;
    bool nameFound = false;
    const ResourceEntry* best = nullptr;
    for (const ResourceEntry& entry : *resources.entries) {
        if (!SameName(wantedType, entry.type))
            continue;
        typeFound = true;
        if (!SameName(wantedName, entry.name))
            continue;
        nameFound = true;
        if (language) {
            if (entry.language == *language) {
                best = &entry;
                break;
            }
        } else if (!best || LanguageRank(entry.language) < LanguageRank(best->language)) {
            best = &entry;
        }
    }
    if (!best) {
        SetLastError(!typeFound   ? ERROR_RESOURCE_TYPE_NOT_FOUND
                     : !nameFound ? ERROR_RESOURCE_NAME_NOT_FOUND
                                  : ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(best));
}

// The entry a handle names, if it is one of the current table's. Call with the lock held.
const ResourceEntry* EntryOf(const ProgramResources& resources, HMODULE module, HRSRC handle)
{
    if ((module && module != ProgramModule()) || !handle || !resources.entries ||
        resources.entries->empty())
        return nullptr;
    // Compared as addresses: a stale handle may point anywhere.
    const auto address = reinterpret_cast<std::uintptr_t>(handle);
    const ResourceEntry* first = resources.entries->data();
    const auto begin = reinterpret_cast<std::uintptr_t>(first);
    if (address < begin)
        return nullptr;
    const std::uintptr_t offset = address - begin;
    if (offset % sizeof(ResourceEntry) != 0 || offset / sizeof(ResourceEntry) >= resources.entries->size())
        return nullptr;
    return first + offset / sizeof(ResourceEntry);
}

} // namespace

bool RegisterResources(const void* data, std::size_t size)
{
    std::optional<std::vector<ResourceEntry>> entries;
    if (data || size) {
        entries = ReadResourceFile(data, size);
        if (!data || !entries) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
    }
    ProgramResources& resources = Resources();
    std::lock_guard lock(resources.mutex);
    resources.entries = std::move(entries);
    return true;
}

} // namespace vlm::posix

using vlm::posix::ProgramModule;
using vlm::posix::Resources;

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    if (!moduleName)
        return ProgramModule();
    // The layer's modules are part of it and never unload, so loading one only names it.
    return LoadLibraryA(moduleName);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    return vlm::posix::Find(module, type, name, std::nullopt);
}

HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language)
{
    if (language == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL))
        return vlm::posix::Find(module, type, name, std::nullopt);
    return vlm::posix::Find(module, type, name, language);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resInfo)
{
    auto& resources = Resources();
    std::lock_guard lock(resources.mutex);
    const vlm::posix::ResourceEntry* entry = vlm::posix::EntryOf(resources, module, resInfo);
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The data itself serves as its handle; LockResource hands it back.
    return const_cast<BYTE*>(entry->data);
}

LPVOID LockResource(HGLOBAL resData)
{
    return resData;
}

DWORD SizeofResource(HMODULE module, HRSRC resInfo)
{
    auto& resources = Resources();
    std::lock_guard lock(resources.mutex);
    const vlm::posix::ResourceEntry* entry = vlm::posix::EntryOf(resources, module, resInfo);
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return entry->size;
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}
