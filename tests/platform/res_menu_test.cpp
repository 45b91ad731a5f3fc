// The menu of res/velmora.rc as the window layer reads it, and the menu template reader on
// templates of the tests' own.
#include "menu_template.h"
#include "res_support.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vlm::posix::MenuTemplateItem;
using vlm::posix::ParseMenuTemplate;
using vlm::test::ByteWriter;
using vlm::test::ProgramResource;

struct Command {
    const char* text;
    WORD id;
};

struct BarItem {
    const char* text;
    bool popup;
    WORD id; // for a plain bar item
    std::vector<Command> commands;
};

std::vector<MenuTemplateItem> LoadMainMenu()
{
    const auto bytes = ProgramResource(MAKEINTRESOURCEA(IDR_MAINMENU), RT_MENU);
    EXPECT_FALSE(bytes.empty());
    return ParseMenuTemplate(bytes.data(), bytes.size()).value_or(std::vector<MenuTemplateItem>{});
}

TEST(MenuTemplates, TheMainMenuHasItsBarAndCommandsInOrder)
{
    const std::vector<BarItem> expected = {
        {"File", true, 0, {{"Save Results...", ID_FILE_SAVE_RESULTS}, {"Quit", ID_FILE_QUIT}}},
        {"Edit", true, 0, {{"Select All", ID_EDIT_SELECT_ALL}, {"Copy", ID_EDIT_COPY}}},
        {"", false, 65535, {}},
        {"Help", true, 0, {{"Velmora on the Web", ID_HELP_WEBSITE}, {"About...", ID_HELP_ABOUT}}},
    };
    const std::vector<MenuTemplateItem> bar = LoadMainMenu();
    ASSERT_EQ(bar.size(), expected.size());
    for (std::size_t i = 0; i < bar.size(); ++i) {
        SCOPED_TRACE("bar position " + std::to_string(i));
        const MenuTemplateItem& item = bar[i];
        EXPECT_EQ(item.text, expected[i].text);
        EXPECT_EQ(item.IsPopup(), expected[i].popup);
        EXPECT_EQ(item.id, expected[i].id);
        // Nothing starts greyed, checked or split; MF_END marks the last of the bar.
        const WORD end = i + 1 == bar.size() ? MF_END : 0;
        EXPECT_EQ(item.flags, (expected[i].popup ? MF_POPUP : 0) | end) << std::hex << item.flags;
        ASSERT_EQ(item.items.size(), expected[i].commands.size());
        for (std::size_t j = 0; j < item.items.size(); ++j) {
            const MenuTemplateItem& command = item.items[j];
            SCOPED_TRACE(command.text);
            EXPECT_EQ(command.text, expected[i].commands[j].text);
            EXPECT_EQ(command.id, expected[i].commands[j].id);
            EXPECT_EQ(command.flags, j + 1 == item.items.size() ? MF_END : 0);
            EXPECT_TRUE(command.items.empty());
        }
    }
}

TEST(MenuTemplates, NoItemHasAMnemonic)
{
    for (const MenuTemplateItem& popup : LoadMainMenu()) {
        EXPECT_EQ(popup.text.find('&'), std::string::npos) << popup.text;
        EXPECT_EQ(popup.text.find('\t'), std::string::npos) << popup.text;
        for (const MenuTemplateItem& command : popup.items) {
            EXPECT_EQ(command.text.find('&'), std::string::npos) << command.text;
            EXPECT_EQ(command.text.find('\t'), std::string::npos) << command.text;
        }
    }
}

TEST(MenuTemplates, AnyTemplateCutShortIsRefused)
{
    const auto bytes = ProgramResource(MAKEINTRESOURCEA(IDR_MAINMENU), RT_MENU);
    ASSERT_FALSE(bytes.empty());
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        // The header alone is a menu without items.
        if (size == 4)
            continue;
        SCOPED_TRACE(size);
        EXPECT_FALSE(ParseMenuTemplate(bytes.data(), size).has_value());
    }
}

TEST(MenuTemplates, SeparatorsFlagsAndNestedPopups)
{
    ByteWriter w;
    w.Word(0).Word(0);
    w.Word(MF_POPUP).String("Outer");
    w.Word(MF_GRAYED | MF_CHECKED).Word(11).String("Greyed and checked");
    w.Word(0).Word(0).String(""); // a separator
    w.Word(MF_POPUP | MF_END).String("Inner");
    w.Word(MF_END).Word(12).String("Deep");
    w.Word(MF_HELP | MF_END).Word(13).String("Right");

    const auto bar = ParseMenuTemplate(w.Result().data(), w.Size());
    ASSERT_TRUE(bar.has_value());
    ASSERT_EQ(bar->size(), 2u);
    const MenuTemplateItem& outer = (*bar)[0];
    EXPECT_TRUE(outer.IsPopup());
    EXPECT_EQ(outer.text, "Outer");
    ASSERT_EQ(outer.items.size(), 3u);
    EXPECT_EQ(outer.items[0].flags, MF_GRAYED | MF_CHECKED);
    EXPECT_EQ(outer.items[0].id, 11);
    EXPECT_TRUE(outer.items[1].IsSeparator());
    EXPECT_FALSE(outer.items[0].IsSeparator());
    const MenuTemplateItem& inner = outer.items[2];
    EXPECT_TRUE(inner.IsPopup());
    ASSERT_EQ(inner.items.size(), 1u);
    EXPECT_EQ(inner.items[0].id, 12);
    EXPECT_EQ(inner.items[0].text, "Deep");
    EXPECT_EQ((*bar)[1].flags, MF_HELP | MF_END);
    EXPECT_EQ((*bar)[1].id, 13);
}

TEST(MenuTemplates, MalformedTemplatesAreRefused)
{
    ByteWriter noEnd;
    noEnd.Word(0).Word(0).Word(0).Word(1).String("never ends");

    ByteWriter tooDeep;
    tooDeep.Word(0).Word(0);
    for (int i = 0; i < 40; ++i)
        tooDeep.Word(MF_POPUP | MF_END).String("p");
    tooDeep.Word(MF_END).Word(1).String("leaf");

    ByteWriter extended; // the MENUEX form
    extended.Word(1).Word(4).Dword(0).Dword(0).Dword(0).Dword(1).Word(0x80).String("x");

    ByteWriter offsetPastEnd;
    offsetPastEnd.Word(0).Word(100).Word(MF_END).Word(1).String("x");

    for (const auto* w : {&noEnd, &tooDeep, &extended, &offsetPastEnd})
        EXPECT_FALSE(ParseMenuTemplate(w->Result().data(), w->Size()).has_value());
}

} // namespace
