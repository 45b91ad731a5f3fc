// Menu templates as LockResource gives them for RT_MENU (the standard form, what MENU compiles
// to), read into a tree for the window layer to build the menu from.
#pragma once

#include "winapi.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vlm::posix {

struct MenuTemplateItem {
    // MF_* as the template has them: MF_POPUP for a popup, MF_END on the last item of each
    // level, MF_GRAYED, MF_CHECKED, MF_HELP, ... A separator has no flags, id 0 and no text.
    WORD flags = 0;
    WORD id = 0; // commands only; popups have none
    std::string text;
    std::vector<MenuTemplateItem> items; // a popup's own items

    bool IsPopup() const { return (flags & MF_POPUP) != 0; }
    bool IsSeparator() const { return !IsPopup() && flags == 0 && id == 0 && text.empty(); }
};

// The menu bar's items, in order; nullopt when the template is cut short, nests too deeply, or
// is not of the standard form (the extended MENUEX form is not read).
std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(const void* data, std::size_t size);

} // namespace vlm::posix
