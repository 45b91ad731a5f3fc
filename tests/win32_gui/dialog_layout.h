// Where a dialog template puts its controls (in dialog units), where the windows of a dialog made
// from it really are (in pixels of the dialog's client area), and the text file through which
// the Linux build hands its dialogs' layout to the Windows tests. Used on both targets.
//
// The file, one record a line:
//   dialog <template id> base <x> <y> client <width> <height>
//   control <template id> <index> <id> <class> du <x> <y> <cx> <cy> px <x> <y> <cx> <cy>
// with the class as the template names it (a name, or #<ordinal>).
#pragma once

#include "winapi.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vlm::test {

struct Box {
    int x = 0, y = 0, cx = 0, cy = 0;
    bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box)
{
    return out << "(" << box.x << "," << box.y << " " << box.cx << "x" << box.cy << ")";
}

struct TemplateControl {
    int id = 0;
    std::string className; // "Button", "ComboBoxEx32", or "#128" for an ordinal
    DWORD style = 0;
    Box du;
};

struct DialogTemplate {
    Box du;
    DWORD style = 0;
    std::vector<TemplateControl> controls;
};

// Reads the extended template (DIALOGEX) of dialog `id` from the program's resources; nothing
// when there is none or it is not of that form.
inline std::optional<DialogTemplate> ReadDialogTemplate(int id)
{
    const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG);
    if (!found)
        return std::nullopt;
    const HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
    const size_t size = SizeofResource(nullptr, found);
    if (!bytes || size < 26)
        return std::nullopt;

    size_t at = 0;
    bool broken = false;
    const auto word = [&]() -> unsigned {
        if (at + 2 > size) {
            broken = true;
            return 0;
        }
        const unsigned value = bytes[at] | (bytes[at + 1] << 8);
        at += 2;
        return value;
    };
    const auto dword = [&]() -> DWORD {
        const DWORD low = word();
        return low | (static_cast<DWORD>(word()) << 16);
    };
    const auto signedWord = [&]() { return static_cast<int>(static_cast<int16_t>(word())); };
    const auto text = [&]() {
        std::string out;
        for (unsigned c = word(); c != 0 && !broken; c = word())
            out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    };
    // A name or an ordinal: 0 for none, 0xFFFF then the ordinal, or a string.
    const auto nameOrOrdinal = [&]() -> std::string {
        const size_t start = at;
        const unsigned first = word();
        if (first == 0)
            return {};
        if (first == 0xFFFF)
            return "#" + std::to_string(word());
        at = start;
        return text();
    };
    const auto alignTo4 = [&] { at = (at + 3) & ~static_cast<size_t>(3); };

    if (word() != 1 || word() != 0xFFFF)
        return std::nullopt;
    DialogTemplate dialog;
    dword(); // help id
    dword(); // extended style
    dialog.style = dword();
    const unsigned count = word();
    dialog.du.x = signedWord();
    dialog.du.y = signedWord();
    dialog.du.cx = signedWord();
    dialog.du.cy = signedWord();
    nameOrOrdinal(); // menu
    nameOrOrdinal(); // class
    text();          // caption
    if (dialog.style & DS_SETFONT) {
        word(); // point size
        word(); // weight
        word(); // italic, character set
        text(); // face
    }
    for (unsigned i = 0; i < count && !broken; ++i) {
        alignTo4();
        TemplateControl control;
        dword(); // help id
        dword(); // extended style
        control.style = dword();
        control.du.x = signedWord();
        control.du.y = signedWord();
        control.du.cx = signedWord();
        control.du.cy = signedWord();
        control.id = static_cast<int>(static_cast<int32_t>(dword()));
        control.className = nameOrOrdinal();
        nameOrOrdinal(); // text
        const unsigned extra = word();
        at += extra;
        dialog.controls.push_back(control);
    }
    if (broken)
        return std::nullopt;
    return dialog;
}

// The dialog's base units, as MapDialogRect applies them: 4 horizontal and 8 vertical dialog
// units in pixels.
inline SIZE BaseUnitsOf(HWND dialog)
{
    RECT rect{0, 0, 4, 8};
    MapDialogRect(dialog, &rect);
    return SIZE{rect.right, rect.bottom};
}

// The template's box in pixels, as the dialog manager places a control: each of position and
// size mapped through MapDialogRect.
inline Box MappedBox(HWND dialog, const Box& du)
{
    RECT position{du.x, du.y, du.cx, du.cy};
    MapDialogRect(dialog, &position);
    return Box{position.left, position.top, position.right, position.bottom};
}

// The same mapping from base units alone (for a dialog of another system, read from the file).
inline Box MappedBox(SIZE base, const Box& du)
{
    return Box{MulDiv(du.x, base.cx, 4), MulDiv(du.y, base.cy, 8), MulDiv(du.cx, base.cx, 4),
               MulDiv(du.cy, base.cy, 8)};
}

// Where `control` is, in the client coordinates of `dialog`.
inline Box WindowBox(HWND dialog, HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    POINT topLeft{r.left, r.top};
    ScreenToClient(dialog, &topLeft);
    return Box{topLeft.x, topLeft.y, r.right - r.left, r.bottom - r.top};
}

// The dialog's direct children, in creation (template) order.
inline std::vector<HWND> ChildWindows(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// One dialog of the layout file.
struct LaidOutControl {
    int index = 0;
    int id = 0;
    std::string className;
    Box du;
    Box px;
};

struct LaidOutDialog {
    int templateId = 0;
    SIZE base{};
    SIZE client{};
    std::vector<LaidOutControl> controls;
};

// The layout of a dialog made from template `id`, as `dialog` (made from it) shows it.
inline std::optional<LaidOutDialog> LayoutOf(int id, HWND dialog)
{
    const auto plan = ReadDialogTemplate(id);
    if (!plan || !dialog)
        return std::nullopt;
    LaidOutDialog layout;
    layout.templateId = id;
    layout.base = BaseUnitsOf(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    layout.client = SIZE{client.right - client.left, client.bottom - client.top};
    const std::vector<HWND> windows = ChildWindows(dialog);
    for (size_t i = 0; i < plan->controls.size() && i < windows.size(); ++i) {
        const TemplateControl& control = plan->controls[i];
        layout.controls.push_back(
            {static_cast<int>(i), control.id, control.className, control.du, WindowBox(dialog, windows[i])});
    }
    return layout;
}

inline void WriteLayout(std::ostream& out, const LaidOutDialog& layout)
{
    out << "dialog " << layout.templateId << " base " << layout.base.cx << " " << layout.base.cy << " client "
        << layout.client.cx << " " << layout.client.cy << "\n";
    for (const LaidOutControl& c : layout.controls) {
        out << "control " << layout.templateId << " " << c.index << " " << c.id << " "
            << (c.className.empty() ? "-" : c.className) << " du " << c.du.x << " " << c.du.y << " " << c.du.cx << " "
            << c.du.cy << " px " << c.px.x << " " << c.px.y << " " << c.px.cx << " " << c.px.cy << "\n";
    }
}

// The dialogs of a layout file; nothing when it cannot be read or a line is malformed.
inline std::optional<std::vector<LaidOutDialog>> ReadLayoutFile(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<LaidOutDialog> dialogs;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string kind, word1, word2;
        fields >> kind;
        bool ok = false;
        if (kind == "dialog") {
            LaidOutDialog dialog;
            ok = static_cast<bool>(fields >> dialog.templateId >> word1 >> dialog.base.cx >> dialog.base.cy >> word2 >>
                                   dialog.client.cx >> dialog.client.cy) &&
                 word1 == "base" && word2 == "client";
            if (ok)
                dialogs.push_back(dialog);
        } else if (kind == "control" && !dialogs.empty()) {
            LaidOutControl c;
            int templateId = 0;
            ok = static_cast<bool>(fields >> templateId >> c.index >> c.id >> c.className >> word1 >> c.du.x >> c.du.y >>
                                   c.du.cx >> c.du.cy >> word2 >> c.px.x >> c.px.y >> c.px.cx >> c.px.cy) &&
                 word1 == "du" && word2 == "px" && templateId == dialogs.back().templateId;
            if (c.className == "-")
                c.className.clear();
            if (ok)
                dialogs.back().controls.push_back(c);
        }
        if (!ok) {
            error = path + ":" + std::to_string(number) + ": not a layout record: " + line;
            return std::nullopt;
        }
    }
    return dialogs;
}

// Template class names compare without regard to case ("Button", "BUTTON", "#128").
inline bool SameClass(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace vlm::test
