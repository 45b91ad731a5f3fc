// The scan dialog's menu bar from its RT_MENU template: WM_INITMENUPOPUP before a popup opens,
// greying that the real actions show, commands posted when an item is chosen.
#include "qt_support.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace vlm::test {
namespace {

struct Popup {
    HMENU menu;
    int position;
    BOOL system;
};

class Menu : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dialog.SetHandler([this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<INT_PTR> {
            if (message == WM_INITMENUPOPUP) {
                m_popups.push_back({reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam)});
                if (m_onPopup)
                    m_onPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam));
                return TRUE;
            }
            if (message == WM_COMMAND)
                m_commands.push_back(LOWORD(wParam));
            return std::nullopt;
        });
        m_bar = vlm::qt::WindowWidget(m_dialog.Window())->findChild<QMenuBar*>();
        ASSERT_NE(m_bar, nullptr);
    }

    QMenu* Open(int position)
    {
        QMenu* popup = m_bar->actions().at(position)->menu();
        EXPECT_NE(popup, nullptr);
        if (popup) {
            popup->popup(QPoint(0, 0));
            Pump();
        }
        return popup;
    }

    std::vector<std::pair<QString, bool>> Items(QMenu* popup)
    {
        std::vector<std::pair<QString, bool>> items;
        for (QAction* action : popup->actions())
            items.emplace_back(action->text(), action->isEnabled());
        return items;
    }

    TestDialog m_dialog{IDD_SCAN_DIALOG};
    QMenuBar* m_bar = nullptr;
    std::vector<Popup> m_popups;
    std::vector<WORD> m_commands;
    std::function<void(HMENU, int)> m_onPopup;
};

TEST_F(Menu, TheBarFollowsTheTemplate)
{
    const HMENU menu = GetMenu(m_dialog.Window());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_NE(GetSubMenu(menu, 0), nullptr);
    EXPECT_EQ(GetSubMenu(menu, 2), nullptr);
    EXPECT_EQ(GetMenuItemID(menu, 2), static_cast<UINT>(ID_MENU_SPACER));
    EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(-1)) << "a popup has no command";
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 1), 1), static_cast<UINT>(ID_EDIT_COPY));
    char text[64];
    EXPECT_EQ(GetMenuStringA(menu, ID_FILE_SAVE_RESULTS, text, sizeof text, MF_BYCOMMAND), 15);
    EXPECT_STREQ(text, "Save Results...");
    EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), (2u << 8) | MF_POPUP);

    ASSERT_EQ(m_bar->actions().size(), 4);
    EXPECT_EQ(m_bar->actions()[0]->text(), "File");
    EXPECT_EQ(m_bar->actions()[1]->text(), "Edit");
    EXPECT_EQ(m_bar->actions()[2]->text().trimmed(), "") << "the spacer is shown empty";
    EXPECT_EQ(m_bar->actions()[3]->text(), "Help");
    RECT client{};
    GetClientRect(m_dialog.Window(), &client);
    EXPECT_EQ(vlm::qt::ClientWidget(m_dialog.Window())->height(), client.bottom) << "the bar is outside the client area";
}

TEST_F(Menu, APopupAsksItsWindowFirstAndShowsTheGreying)
{
    const HMENU bar = GetMenu(m_dialog.Window());
    // As the scan dialog does while a scan runs: Edit's items both greyed.
    m_onPopup = [](HMENU popup, int position) {
        if (position == 1) {
            EXPECT_EQ(EnableMenuItem(popup, ID_EDIT_SELECT_ALL, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
            EXPECT_EQ(EnableMenuItem(popup, ID_EDIT_COPY, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
        }
    };
    QMenu* edit = Open(1);
    ASSERT_EQ(m_popups.size(), 1u);
    EXPECT_EQ(m_popups[0].menu, GetSubMenu(bar, 1));
    EXPECT_EQ(m_popups[0].position, 1);
    EXPECT_EQ(m_popups[0].system, FALSE);
    EXPECT_EQ(Items(edit), (std::vector<std::pair<QString, bool>>{{"Select All", false}, {"Copy", false}}));
    EXPECT_EQ(GetMenuState(bar, ID_EDIT_COPY, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    edit->close();

    // Idle again, with a selection: everything enabled.
    m_onPopup = [](HMENU popup, int position) {
        if (position == 1) {
            EXPECT_EQ(EnableMenuItem(popup, ID_EDIT_SELECT_ALL, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
            EnableMenuItem(popup, ID_EDIT_COPY, MF_BYCOMMAND | MF_ENABLED);
        }
    };
    edit = Open(1);
    EXPECT_EQ(Items(edit), (std::vector<std::pair<QString, bool>>{{"Select All", true}, {"Copy", true}}));
    edit->close();

    QMenu* file = Open(0);
    ASSERT_EQ(m_popups.size(), 3u);
    EXPECT_EQ(m_popups[2].position, 0);
    EXPECT_EQ(m_popups[2].menu, GetSubMenu(bar, 0));
    EXPECT_EQ(Items(file), (std::vector<std::pair<QString, bool>>{{"Save Results...", true}, {"Quit", true}}));
    file->close();
    EXPECT_EQ(EnableMenuItem(bar, 12345, MF_BYCOMMAND | MF_GRAYED), -1);
}

TEST_F(Menu, ChoosingAnItemPostsItsCommand)
{
    QMenu* help = Open(3);
    ASSERT_EQ(help->actions().size(), 2);
    help->actions()[1]->trigger();
    help->close();
    EXPECT_TRUE(m_commands.empty()) << "posted, not sent";
    ASSERT_TRUE(PumpUntil([&] { return !m_commands.empty(); }));
    EXPECT_EQ(m_commands, std::vector<WORD>{ID_HELP_ABOUT});

    // The bar's empty item does nothing.
    m_commands.clear();
    m_bar->actions()[2]->trigger();
    Pump();
    EXPECT_TRUE(m_commands.empty());

    // A greyed item cannot be chosen.
    EnableMenuItem(GetMenu(m_dialog.Window()), ID_FILE_QUIT, MF_BYCOMMAND | MF_GRAYED);
    QMenu* file = Open(0);
    EXPECT_FALSE(file->actions()[1]->isEnabled());
    file->actions()[1]->trigger();
    file->close();
    Pump();
    EXPECT_TRUE(m_commands.empty());
}

TEST_F(Menu, MenusMadeByTheProgramShowToo)
{
    const HMENU bar = CreateMenu();
    const HMENU popup = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(popup, MF_STRING, 100, "&First"));
    ASSERT_TRUE(AppendMenuA(popup, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuA(popup, MF_STRING | MF_GRAYED, 101, "Second"));
    ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Things"));
    const HMENU old = GetMenu(m_dialog.Window());
    ASSERT_TRUE(SetMenu(m_dialog.Window(), bar));
    DestroyMenu(old);
    ASSERT_EQ(m_bar->actions().size(), 1);
    EXPECT_EQ(m_bar->actions()[0]->text(), "&Things");
    QMenu* things = Open(0);
    ASSERT_EQ(things->actions().size(), 3);
    EXPECT_TRUE(things->actions()[1]->isSeparator());
    EXPECT_FALSE(things->actions()[2]->isEnabled());
    EXPECT_EQ(CheckMenuItem(bar, 100, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(things->actions()[0]->isChecked()) << "an open popup follows its menu";
    things->close();
    EXPECT_TRUE(DeleteMenu(popup, 1, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(popup), 2);
}

} // namespace
} // namespace vlm::test
