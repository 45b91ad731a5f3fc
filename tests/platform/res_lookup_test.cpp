// The program's resources on Linux: the .res file compiled from res/velmora.rc, embedded by
// vlm_resources, found through FindResourceA / LoadResource / LockResource / SizeofResource.
#include "res_support.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <tuple>
#include <utility>

namespace {

using vlm::posix::NameOrOrdinal;
using vlm::test::ByteWriter;
using vlm::test::ResFileBuilder;
using vlm::test::ScopedResources;

struct Wanted {
    WORD id;
    LPCSTR type;
    const char* what;
};

const Wanted kScriptResources[] = {
    {IDD_SCAN_DIALOG, RT_DIALOG, "scan dialog"},
    {IDD_ABOUTBOX, RT_DIALOG, "About box"},
    {IDR_MAINMENU, RT_MENU, "menu"},
    {IDB_DRIVE_IMAGES, RT_BITMAP, "drive images"},
    {IDB_LOGO, RT_BITMAP, "logo"},
    {IDR_MAINFRAME, RT_GROUP_ICON, "icon"},
};

bool Inside(const void* pointer, std::span<const unsigned char> bytes)
{
    const std::less<const void*> before;
    return !before(pointer, bytes.data()) && before(pointer, bytes.data() + bytes.size());
}

TEST(ResourceLookup, EveryResourceOfTheScriptIsFoundByIdAndTypeWhereTheEmbeddedBytesLie)
{
    const HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    for (const Wanted& wanted : kScriptResources) {
        SCOPED_TRACE(wanted.what);
        SetLastError(0);
        const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(wanted.id), wanted.type);
        ASSERT_NE(found, nullptr) << GetLastError();
        // The program's module handle names the same module as NULL; "#id" the same resource.
        EXPECT_EQ(FindResourceA(program, MAKEINTRESOURCEA(wanted.id), wanted.type), found);
        const std::string byNumber = "#" + std::to_string(wanted.id);
        EXPECT_EQ(FindResourceA(nullptr, byNumber.c_str(), wanted.type), found);
        EXPECT_EQ(FindResourceExA(nullptr, wanted.type, MAKEINTRESOURCEA(wanted.id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)),
                  found);

        const HGLOBAL loaded = LoadResource(program, found);
        ASSERT_NE(loaded, nullptr);
        const void* data = LockResource(loaded);
        EXPECT_TRUE(Inside(data, vlm::res::EmbeddedResources()));
        EXPECT_GT(SizeofResource(nullptr, found), DWORD{0});
        EXPECT_FALSE(FreeResource(loaded));
    }
}

TEST(ResourceLookup, TheEmbeddedFileHoldsExactlyTheScriptsResources)
{
    const std::span<const unsigned char> embedded = vlm::res::EmbeddedResources();
    const auto entries = vlm::posix::ReadResourceFile(embedded.data(), embedded.size());
    ASSERT_TRUE(entries.has_value());
    std::set<std::pair<WORD, WORD>> found;
    for (const auto& entry : *entries) {
        ASSERT_TRUE(entry.type.IsOrdinal());
        ASSERT_TRUE(entry.name.IsOrdinal());
        EXPECT_EQ(entry.language, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT));
        found.emplace(*entry.type.ordinal, *entry.name.ordinal);
    }
    // The icon file's two images become RT_ICON 1 and 2, named by the group.
    const std::set<std::pair<WORD, WORD>> expected{
        {3, 1}, {3, 2}, {14, IDR_MAINFRAME}, {2, IDB_DRIVE_IMAGES}, {2, IDB_LOGO},
        {5, IDD_SCAN_DIALOG}, {5, IDD_ABOUTBOX}, {4, IDR_MAINMENU},
    };
    EXPECT_EQ(found, expected);
    EXPECT_EQ(entries->size(), expected.size());
}

struct Missing {
    LPCSTR name;
    LPCSTR type;
    DWORD error;
    const char* what;
};

TEST(ResourceLookup, MissingResourcesAreNullWithTheReasonInTheLastError)
{
    const Missing cases[] = {
        {MAKEINTRESOURCEA(999), RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND, "unknown dialog id"},
        {MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_MENU, ERROR_RESOURCE_NAME_NOT_FOUND,
         "a dialog's id asked for as a menu"},
        {MAKEINTRESOURCEA(IDB_LOGO), RT_ICON, ERROR_RESOURCE_NAME_NOT_FOUND,
         "a bitmap's id asked for as an icon"},
        {"SCAN", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND, "a name where only ids exist"},
        {"#0", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND, "id 0, the file's empty marker"},
        {MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_STRING, ERROR_RESOURCE_TYPE_NOT_FOUND, "no strings"},
        {MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_RCDATA, ERROR_RESOURCE_TYPE_NOT_FOUND, "no data"},
        {MAKEINTRESOURCEA(IDD_SCAN_DIALOG), "DIALOG", ERROR_RESOURCE_TYPE_NOT_FOUND,
         "a type name is not the type id"},
        {MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(0), ERROR_RESOURCE_TYPE_NOT_FOUND, "type 0"},
    };
    for (const Missing& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(FindResourceA(nullptr, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(ResourceLookup, OnlyTheProgramsOwnModuleHasResources)
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    ASSERT_NE(ntdll, nullptr);
    EXPECT_EQ(ntdll, LoadLibraryA("ntdll.dll"));
    EXPECT_NE(ntdll, GetModuleHandleA(nullptr));
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    SetLastError(0);
    EXPECT_EQ(FindResourceA(ntdll, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_DATA_NOT_FOUND});

    // A resource handle belongs to its module.
    const HRSRC dialog = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_DIALOG);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(LoadResource(ntdll, dialog), nullptr);
    EXPECT_EQ(SizeofResource(ntdll, dialog), DWORD{0});

    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_MOD_NOT_FOUND});
}

TEST(ResourceLookup, HandlesThatNameNoResourceAreRefused)
{
    const HRSRC dialog = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_DIALOG);
    ASSERT_NE(dialog, nullptr);
    int elsewhere = 0;
    const HRSRC bogus[] = {
        nullptr,
        reinterpret_cast<HRSRC>(&elsewhere),
        // Inside the table, but not where an entry starts.
        reinterpret_cast<HRSRC>(reinterpret_cast<char*>(dialog) + 1),
    };
    for (const HRSRC handle : bogus) {
        SetLastError(0);
        EXPECT_EQ(LoadResource(nullptr, handle), nullptr);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
        EXPECT_EQ(SizeofResource(nullptr, handle), DWORD{0});
    }
    EXPECT_EQ(LockResource(nullptr), nullptr);
}

// Resources of a test's own: names, "#id", and languages.
std::vector<BYTE> Payload(BYTE tag)
{
    return {tag, tag, tag};
}

BYTE TagOf(HRSRC found)
{
    if (!found)
        return 0;
    return *static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
}

TEST(ResourceLookup, NamesCompareWithoutRegardToCaseAndHashDigitsMeanAnId)
{
    const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
    ResFileBuilder file;
    file.Add(NameOrOrdinal::Name("PNG"), NameOrOrdinal::Name("LOGO"), english, Payload(1))
        .Add(NameOrOrdinal::Id(10), NameOrOrdinal::Id(12), english, Payload(2))
        .Add(NameOrOrdinal::Id(10), NameOrOrdinal::Name("#12X"), english, Payload(3))
        .Add(NameOrOrdinal::Id(10), NameOrOrdinal::Name("DATA"), english, Payload(4));
    ScopedResources scoped(file.Result());

    const std::tuple<LPCSTR, LPCSTR, BYTE> cases[] = {
        {"logo", "png", 1},
        {"Logo", "PNG", 1},
        {"LOGO", "#0", 0},
        {"#12", RT_RCDATA, 2},
        {"#12", "#10", 2},
        {MAKEINTRESOURCEA(12), RT_RCDATA, 2},
        {"#12x", RT_RCDATA, 3}, // not all digits: a name
        {"#012", RT_RCDATA, 2},
        {"#70000", RT_RCDATA, 0}, // no id that large; nor a name
        {"data", RT_RCDATA, 4},
        {"dat", RT_RCDATA, 0},
    };
    for (const auto& [name, type, tag] : cases) {
        const auto shown = [](LPCSTR s) {
            return IS_INTRESOURCE(s) ? "id " + std::to_string(reinterpret_cast<ULONG_PTR>(s))
                                     : std::string(s);
        };
        SCOPED_TRACE(shown(name) + " / " + shown(type));
        EXPECT_EQ(TagOf(FindResourceA(nullptr, name, type)), tag);
    }
}

TEST(ResourceLookup, WithoutALanguageAskedForNeutralComesFirstThenEnglish)
{
    const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    const WORD german = 0x0407;
    const WORD usEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
    const WORD ukEnglish = 0x0809;
    const auto dialog = NameOrOrdinal::Id(5);
    ResFileBuilder file;
    file.Add(dialog, NameOrOrdinal::Id(1), german, Payload(1))
        .Add(dialog, NameOrOrdinal::Id(1), usEnglish, Payload(2))
        .Add(dialog, NameOrOrdinal::Id(1), neutral, Payload(3))
        .Add(dialog, NameOrOrdinal::Id(2), german, Payload(4))
        .Add(dialog, NameOrOrdinal::Id(2), ukEnglish, Payload(5))
        .Add(dialog, NameOrOrdinal::Id(2), usEnglish, Payload(6))
        .Add(dialog, NameOrOrdinal::Id(3), german, Payload(7))
        .Add(dialog, NameOrOrdinal::Id(3), ukEnglish, Payload(8))
        .Add(dialog, NameOrOrdinal::Id(4), german, Payload(9));
    ScopedResources scoped(file.Result());

    EXPECT_EQ(TagOf(FindResourceA(nullptr, MAKEINTRESOURCEA(1), RT_DIALOG)), 3);
    EXPECT_EQ(TagOf(FindResourceA(nullptr, MAKEINTRESOURCEA(2), RT_DIALOG)), 6);
    EXPECT_EQ(TagOf(FindResourceA(nullptr, MAKEINTRESOURCEA(3), RT_DIALOG)), 8);
    EXPECT_EQ(TagOf(FindResourceA(nullptr, MAKEINTRESOURCEA(4), RT_DIALOG)), 9);

    EXPECT_EQ(TagOf(FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(1), german)), 1);
    EXPECT_EQ(TagOf(FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(2), ukEnglish)), 5);
    EXPECT_EQ(TagOf(FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(2), neutral)), 6);
    SetLastError(0);
    EXPECT_EQ(FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(4), usEnglish), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_LANG_NOT_FOUND});
}

TEST(ResourceLookup, AProgramWithoutResourcesFindsNone)
{
    ScopedResources scoped({});
    ASSERT_TRUE(vlm::posix::RegisterResources(nullptr, 0));
    SetLastError(0);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_DATA_NOT_FOUND});
}

TEST(ResourceLookup, AFileOfNothingButTheMarkerHasNoTypes)
{
    ScopedResources scoped(ResFileBuilder().Result());
    SetLastError(0);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_TYPE_NOT_FOUND});
}

// One good resource, then the bytes `damage` leaves of a second one.
std::vector<BYTE> Damaged(void (*damage)(std::vector<BYTE>&, std::size_t second))
{
    ResFileBuilder file;
    file.Add(NameOrOrdinal::Id(10), NameOrOrdinal::Id(1), 0, Payload(1));
    const std::size_t second = file.Result().size();
    file.Add(NameOrOrdinal::Name("TYPE"), NameOrOrdinal::Name("NAME"), 0, Payload(2));
    std::vector<BYTE> bytes = file.Result();
    damage(bytes, second);
    return bytes;
}

void SetDword(std::vector<BYTE>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

TEST(ResourceFile, MalformedFilesAreRefusedAndTheResourcesStayAsTheyWere)
{
    using Damage = void (*)(std::vector<BYTE>&, std::size_t);
    const std::pair<const char*, Damage> cases[] = {
        {"cut inside the sizes", [](std::vector<BYTE>& b, std::size_t at) { b.resize(at + 6); }},
        {"cut inside the header", [](std::vector<BYTE>& b, std::size_t at) { b.resize(at + 20); }},
        {"cut inside the data", [](std::vector<BYTE>& b, std::size_t) { b.resize(b.size() - 2); }},
        {"data size past the end",
         [](std::vector<BYTE>& b, std::size_t at) { SetDword(b, at, 0x1000); }},
        {"header size past the end",
         [](std::vector<BYTE>& b, std::size_t at) { SetDword(b, at + 4, 0x1000); }},
        {"header too small for its fields",
         [](std::vector<BYTE>& b, std::size_t at) { SetDword(b, at + 4, 24); }},
        {"header size not on a DWORD boundary",
         [](std::vector<BYTE>& b, std::size_t at) { SetDword(b, at + 4, 33); }},
        {"name runs past its header",
         [](std::vector<BYTE>& b, std::size_t at) {
             // "NAME" (from at + 18) loses its terminator, and nothing up to the header's end
             // could end it.
             std::fill(b.begin() + static_cast<std::ptrdiff_t>(at + 26),
                       b.begin() + static_cast<std::ptrdiff_t>(at + 44), 'Y');
         }},
        {"empty type", [](std::vector<BYTE>& b, std::size_t at) { b[at + 8] = 0; b[at + 9] = 0; }},
        {"trailing bytes too few for a header",
         [](std::vector<BYTE>& b, std::size_t) { b.insert(b.end(), {0, 0, 0, 0}); }},
    };
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        const std::vector<BYTE> bytes = Damaged(damage);
        EXPECT_FALSE(vlm::posix::ReadResourceFile(bytes.data(), bytes.size()).has_value());
        SetLastError(0);
        EXPECT_FALSE(vlm::posix::RegisterResources(bytes.data(), bytes.size()));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_DATA});
        EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), RT_DIALOG), nullptr);
    }
    SetLastError(0);
    EXPECT_FALSE(vlm::posix::RegisterResources(nullptr, 16));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_DATA});
}

TEST(ResourceFile, TheLastRecordNeedNotBePadded)
{
    ResFileBuilder file;
    file.Add(NameOrOrdinal::Id(10), NameOrOrdinal::Name("A"), 0, Payload(7));
    std::vector<BYTE> bytes = file.Result();
    bytes.pop_back(); // three bytes of data, one of padding
    const auto entries = vlm::posix::ReadResourceFile(bytes.data(), bytes.size());
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].name, NameOrOrdinal::Name("A"));
    EXPECT_EQ((*entries)[0].size, 3u);
    EXPECT_EQ((*entries)[0].data[2], 7);
}

} // namespace
