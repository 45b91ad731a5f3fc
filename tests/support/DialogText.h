// What the dialog's controls hold, read back through their messages alone, so the Linux window
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

} // namespace vlm::test
