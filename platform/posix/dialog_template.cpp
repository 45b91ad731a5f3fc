// Reads DLGTEMPLATEEX and DLGTEMPLATE records. Each item starts on a DWORD boundary counted from
// the start of the template; creation data follows the item's count word directly.
#include "dialog_template.h"

#include "template_reader.h"

#include <array>

namespace vlm::posix {

namespace {

constexpr DWORD kSetFont = 0x40; // DS_SETFONT (DS_SHELLFONT includes it)

bool ReadCreationData(TemplateReader& reader, DialogItemTemplate& item)
{
    const WORD count = reader.Word();
    if (reader.Failed() || count > reader.Remaining())
        return false;
    item.creationData.assign(reader.Here(), reader.Here() + count);
    reader.Skip(count);
    return true;
}

} // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size)
{
    TemplateReader reader(data, size);
    DialogTemplate dialog;
    WORD count = 0;

    const WORD version = reader.Word();
    const WORD signature = reader.Word();
    dialog.extended = !reader.Failed() && version == 1 && signature == 0xFFFF;
    if (dialog.extended) {
        dialog.helpId = reader.Dword();
        dialog.exStyle = reader.Dword();
        dialog.style = reader.Dword();
    } else {
        // The plain form starts with the style: the two words just read.
        dialog.style = static_cast<DWORD>(version) | (static_cast<DWORD>(signature) << 16);
        dialog.exStyle = reader.Dword();
    }
    count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.NameOrId();
    dialog.windowClass = reader.NameOrId();
    dialog.caption = reader.String();
    if (dialog.style & kSetFont) {
        dialog.hasFont = true;
        dialog.pointSize = reader.Word();
        if (dialog.extended) {
            dialog.weight = reader.Word();
            dialog.italic = reader.Byte() != 0;
            dialog.charset = reader.Byte();
        }
        dialog.typeface = reader.String();
    }
    if (reader.Failed())
        return std::nullopt;

    for (WORD i = 0; i < count; ++i) {
        reader.Align(4);
        DialogItemTemplate item;
        if (dialog.extended) {
            item.helpId = reader.Dword();
            item.exStyle = reader.Dword();
            item.style = reader.Dword();
        } else {
            item.style = reader.Dword();
            item.exStyle = reader.Dword();
        }
        item.x = reader.Short();
        item.y = reader.Short();
        item.cx = reader.Short();
        item.cy = reader.Short();
        item.id = dialog.extended ? reader.Dword() : reader.Word();
        item.windowClass = reader.NameOrId();
        item.title = reader.NameOrId();
        if (!ReadCreationData(reader, item) || reader.Failed())
            return std::nullopt;
        dialog.items.push_back(std::move(item));
    }
    return dialog;
}

const char* PredefinedControlClass(WORD atom)
{
    static constexpr std::array<const char*, 6> names{"Button",    "Edit",    "Static",
                                                      "ListBox",   "ScrollBar", "ComboBox"};
    if (atom < 0x80 || atom >= 0x80 + names.size())
        return nullptr;
    return names[atom - 0x80];
}

std::string ControlClassName(const NameOrOrdinal& windowClass)
{
    if (!windowClass.IsOrdinal())
        return windowClass.text;
    const char* name = PredefinedControlClass(*windowClass.ordinal);
    return name ? name : "";
}

} // namespace vlm::posix
