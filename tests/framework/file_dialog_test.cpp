// CFileDialog's record for the system's save dialog: the filter string split at every "|" and
// nothing else, the names and flags it is given, and the parts of the path it hands back.
#include "framework/CFileDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The filter list as the dialog reads it: up to the empty string that ends it.
std::string FilterBytes(const OPENFILENAME& ofn)
{
    if (!ofn.lpstrFilter)
        return "<none>";
    std::string bytes;
    for (LPCSTR part = ofn.lpstrFilter; *part; part += std::strlen(part) + 1)
        bytes.append(part, std::strlen(part) + 1);
    return bytes + '\0';
}

TEST(FileDialog, TheFilterIsSplitAtEveryBarWithItsSpacesKept)
{
    using namespace std::string_literals;
    struct Case {
        const char* filter;
        std::string expected;
    };
    const Case cases[] = {
        // The save command's filter: one entry, "All Files (*.*) " showing " *.*".
        {"All Files (*.*) | *.*||", "All Files (*.*) \0 *.*\0\0"s},
        {"Text (*.txt)|*.txt|All|*.*||", "Text (*.txt)\0*.txt\0All\0*.*\0\0"s},
        // Not ended by "||": the list is ended all the same.
        {"Text|*.txt", "Text\0*.txt\0\0"s},
        {"", "\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        CFileDialog dialog(FALSE, "txt", "AdsScan.txt", 0x806, c.filter);
        EXPECT_EQ(FilterBytes(dialog.m_ofn), c.expected);
    }
    CFileDialog none(FALSE);
    EXPECT_EQ(none.m_ofn.lpstrFilter, nullptr);
}

TEST(FileDialog, TheRecordCarriesTheNameExtensionAndFlagsAsGiven)
{
    CFileDialog dialog(FALSE, "txt", "AdsScan.txt", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST,
                       "All Files (*.*) | *.*||");
    const OPENFILENAME& ofn = dialog.m_ofn;
    EXPECT_EQ(ofn.lStructSize, DWORD{sizeof(OPENFILENAME)});
    EXPECT_EQ(ofn.Flags, DWORD{0x806});
    EXPECT_STREQ(ofn.lpstrDefExt, "txt");
    EXPECT_STREQ(ofn.lpstrFile, "AdsScan.txt");
    EXPECT_GE(ofn.nMaxFile, DWORD{MAX_PATH}) << "room for the path the dialog writes back";
    EXPECT_EQ(ofn.nFilterIndex, 1u);
    EXPECT_FALSE(dialog.m_bOpenFileDialog);

    // The filter belongs to the dialog object, not to the string it was given.
    std::string filter = "A|*.a||";
    CFileDialog copy(TRUE, nullptr, nullptr, 0, filter.c_str());
    filter.assign(filter.size(), 'z');
    EXPECT_STREQ(copy.m_ofn.lpstrFilter, "A");
    EXPECT_EQ(copy.m_ofn.lpstrDefExt, nullptr);
    EXPECT_STREQ(copy.m_ofn.lpstrFile, "");
}

TEST(FileDialog, ThePathChosenIsTakenApart)
{
    struct Case {
        const char* path;
        const char* name;
        const char* extension;
        const char* title;
    };
    const Case cases[] = {
        {"C:\\Docs\\AdsScan.txt", "AdsScan.txt", "txt", "AdsScan"},
        {"/home/user/results.v2.log", "results.v2.log", "log", "results.v2"},
        {"C:\\Docs\\README", "README", "", "README"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CFileDialog dialog(FALSE, "txt", "AdsScan.txt");
        // What the dialog writes back when the person confirms.
        std::strncpy(dialog.m_ofn.lpstrFile, c.path, dialog.m_ofn.nMaxFile - 1);
        EXPECT_STREQ(dialog.GetPathName(), c.path);
        EXPECT_STREQ(dialog.GetFileName(), c.name);
        EXPECT_STREQ(dialog.GetFileExt(), c.extension);
        EXPECT_STREQ(dialog.GetFileTitle(), c.title);
    }
}

} // namespace
