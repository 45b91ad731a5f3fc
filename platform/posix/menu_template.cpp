// Reads the standard menu template: a header (version 0, offset to the items), then each item as
// its flags, its id (not for popups) and its text, a popup's items right after it; MF_END closes
// a level.
#include "menu_template.h"

#include "template_reader.h"

namespace vlm::posix {

namespace {

// Deeper than any real menu; keeps a malformed template from recursing without bound.
constexpr int kMaxDepth = 16;

bool ReadLevel(TemplateReader& reader, std::vector<MenuTemplateItem>& level, int depth)
{
    if (depth > kMaxDepth)
        return false;
    for (;;) {
        MenuTemplateItem item;
        item.flags = reader.Word();
        if (!(item.flags & MF_POPUP))
            item.id = reader.Word();
        item.text = reader.String();
        if (reader.Failed())
            return false;
        if (item.IsPopup() && !ReadLevel(reader, item.items, depth + 1))
            return false;
        const bool last = (item.flags & MF_END) != 0;
        level.push_back(std::move(item));
        if (last)
            return true;
    }
}

} // namespace

std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(const void* data, std::size_t size)
{
    TemplateReader reader(data, size);
    const WORD version = reader.Word();
    const WORD offset = reader.Word();
    if (reader.Failed() || version != 0 || !reader.Skip(offset))
        return std::nullopt;
    std::vector<MenuTemplateItem> bar;
    if (reader.Remaining() == 0)
        return bar; // a menu without items
    if (!ReadLevel(reader, bar, 1))
        return std::nullopt;
    return bar;
}

} // namespace vlm::posix
