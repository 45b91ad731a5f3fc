// What the dialog's controls hold and show, read back through their messages alone, so the Linux window
// layer's tests and the real Windows dialog's tests read them the same way.
#pragma once

#include "framework/CommonControls.h"

#include <string>
#include <vector>

namespace vlm::test {

inline std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// A line of the results view and where it lies; a line end (CR LF) counts as two positions.
struct Line {
    std::string text;
    LONG first, last;
};

inline std::vector<Line> Lines(const std::string& text)
{
    std::vector<Line> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back({text.substr(at, end - at), static_cast<LONG>(at), static_cast<LONG>(end)});
        at = end + 2;
    }
    return lines;
}

// The entries of an extended combo box: text, then '#' and the image.
inline std::vector<std::string> ComboEntries(HWND combo)
{
    std::vector<std::string> entries;
    const auto count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char buffer[256] = {};
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE;
        item.iItem = i;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(combo, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        entries.push_back(std::string(buffer) + "#" + std::to_string(item.iImage));
    }
    return entries;
}

inline bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// Opens popup `barPosition` of the dialog's menu as the menu bar would, and tells whether
// `id` is greyed.
inline bool Grayed(HWND dialog, int barPosition, UINT id)
{
    const HMENU popup = GetSubMenu(GetMenu(dialog), barPosition);
    SendMessageA(dialog, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(barPosition, FALSE));
    return (GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

// The text colour of positions [first, last) of the results view; CFE_AUTOCOLOR gives
// kAutoColour.
inline constexpr COLORREF kAutoColour = 0xFFFFFFFF;
inline COLORREF ColourOf(HWND edit, LONG first, LONG last)
{
    CHARRANGE range{first, last};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    if (format.dwEffects & CFE_AUTOCOLOR)
        return kAutoColour;
    return format.crTextColor;
}

} // namespace vlm::test
