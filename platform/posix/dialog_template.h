// Dialog templates as LockResource gives them for RT_DIALOG: the extended form (DLGTEMPLATEEX,
// what DIALOGEX compiles to) and the plain one (DLGTEMPLATE, from DIALOG), read into one
// structure for the window layer to build the dialog from. Positions and sizes stay in dialog
// units.
#pragma once

#include "resource_file.h"
#include "winapi.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vlm::posix {

struct DialogItemTemplate {
    DWORD helpId = 0; // the plain form has none
    DWORD exStyle = 0;
    DWORD style = 0;
    SHORT x = 0;
    SHORT y = 0;
    SHORT cx = 0;
    SHORT cy = 0;
    DWORD id = 0; // a WORD in the plain form
    // An atom of a predefined class (0x80 Button, 0x81 Edit, 0x82 Static, 0x83 ListBox,
    // 0x84 ScrollBar, 0x85 ComboBox) or a class name.
    NameOrOrdinal windowClass;
    // Text, or a resource id (the icon of an SS_ICON static).
    NameOrOrdinal title;
    // Passed to the control with WM_CREATE.
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    SHORT x = 0;
    SHORT y = 0;
    SHORT cx = 0;
    SHORT cy = 0;
    NameOrOrdinal menu;        // empty: no menu
    NameOrOrdinal windowClass; // empty: the dialog class
    std::string caption;
    // Present when the style has DS_SETFONT (0x40); weight, italic and charset only in the
    // extended form.
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    bool italic = false;
    BYTE charset = 0;
    std::string typeface;
    std::vector<DialogItemTemplate> items; // in template order, which is the tab order
};

// nullopt when the template is cut short.
std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size);

// "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" for the atoms 0x80 to 0x85;
// nullptr for any other.
const char* PredefinedControlClass(WORD atom);

// The class an item's window is made of: the predefined class's name for an atom, otherwise the
// name as written; empty for an atom that names no predefined class.
std::string ControlClassName(const NameOrOrdinal& windowClass);

} // namespace vlm::posix
