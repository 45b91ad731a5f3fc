// Menus: the process's menu objects (what HMENU names) and their Qt views, a window's menu bar
// and its popups. A popup about to open sends WM_INITMENUPOPUP to its window and then shows the
// items as they are after it; choosing an item posts WM_COMMAND.
#include "menu_template.h"
#include "qt_internal.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include <mutex>
#include <unordered_map>

namespace vlm::qt {
namespace {

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR | MF_HILITE |
                             MF_DEFAULT | MF_MENUBARBREAK | MF_MENUBREAK | MF_OWNERDRAW | MF_BITMAP | MF_HELP;

struct MenuItem {
    UINT flags = 0; // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_SEPARATOR, ...
    UINT_PTR id = 0;
    std::string text;
    HMENU popup = nullptr;
};

struct MenuObject {
    bool bar = false;
    std::vector<MenuItem> items;
};

// Process-wide, as menus are; never destroyed.
struct MenuTable {
    std::mutex mutex;
    std::unordered_map<HMENU, std::shared_ptr<MenuObject>> menus;
    UINT_PTR next = 0x30000;
};

MenuTable& Menus()
{
    static MenuTable* const table = new MenuTable;
    return *table;
}

HMENU NewMenu(bool bar)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    const auto handle = reinterpret_cast<HMENU>(table.next);
    table.next += 4;
    auto menu = std::make_shared<MenuObject>();
    menu->bar = bar;
    table.menus.emplace(handle, std::move(menu));
    return handle;
}

// The caller holds the table's lock.
MenuObject* FindLocked(HMENU menu)
{
    auto& menus = Menus().menus;
    auto it = menus.find(menu);
    return it == menus.end() ? nullptr : it->second.get();
}

struct ItemRef {
    HMENU owner = nullptr; // the menu holding the item
    MenuObject* menu = nullptr;
    size_t index = 0;
};

// MF_BYPOSITION: the position in `menu`; otherwise the first item with the command, in `menu`
// or any of its popups. The caller holds the lock.
std::optional<ItemRef> LocateLocked(HMENU menu, UINT item, UINT flags, int depth = 0)
{
    MenuObject* object = FindLocked(menu);
    if (!object || depth > 16)
        return std::nullopt;
    if (flags & MF_BYPOSITION) {
        if (item >= object->items.size())
            return std::nullopt;
        return ItemRef{menu, object, item};
    }
    for (size_t i = 0; i < object->items.size(); ++i) {
        const MenuItem& entry = object->items[i];
        if (!(entry.flags & MF_POPUP) && !(entry.flags & MF_SEPARATOR) && entry.id == item)
            return ItemRef{menu, object, i};
        if (entry.flags & MF_POPUP)
            if (auto inner = LocateLocked(entry.popup, item, flags, depth + 1))
                return inner;
    }
    return std::nullopt;
}

std::optional<std::vector<MenuItem>> Snapshot(HMENU menu)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    MenuObject* object = FindLocked(menu);
    if (!object)
        return std::nullopt;
    return object->items;
}

// ---------------------------------------------------------------------------------------------
// Views

struct View {
    QPointer<QWidget> widget; // a QMenuBar or a QMenu
    HMENU menu;
    HWND window;
};

std::vector<View>& Views()
{
    static auto* const views = new std::vector<View>;
    return *views;
}

void Sync(QWidget* view, HMENU menu, HWND window);

class PopupView : public QMenu {
public:
    PopupView(HWND window, HMENU menu, int position, QWidget* parent)
        : QMenu(parent), m_window(window), m_menu(menu), m_position(position)
    {
        Views().push_back(View{this, menu, window});
        connect(this, &QMenu::aboutToShow, this, [this] { Opening(); });
    }

    HMENU Menu() const { return m_menu; }

private:
    void Opening()
    {
        if (m_position >= 0 && qobject_cast<QMenuBar*>(parentWidget()))
            SendMessageA(m_window, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(m_window)), 0);
        SendMessageA(m_window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_menu),
                     MAKELPARAM(static_cast<WORD>(m_position), FALSE));
        Sync(this, m_menu, m_window);
    }

    HWND m_window;
    HMENU m_menu;
    int m_position;
};

enum Kind { kCommand = 0, kPopup = 1, kSeparator = 2 };

Kind KindOf(const MenuItem& item)
{
    if (item.flags & MF_POPUP)
        return kPopup;
    if (item.flags & MF_SEPARATOR)
        return kSeparator;
    return kCommand;
}

QString ItemText(const MenuItem& item, bool inBar)
{
    // The bar item without text still takes a place in the bar.
    if (inBar && item.text.empty())
        return QStringLiteral("  ");
    return QString::fromUtf8(item.text.c_str());
}

void Apply(QAction* action, const MenuItem& item, bool inBar)
{
    action->setText(ItemText(item, inBar));
    action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
    if (KindOf(item) == kCommand) {
        action->setCheckable((item.flags & MF_CHECKED) != 0);
        action->setChecked((item.flags & MF_CHECKED) != 0);
    }
}

QAction* Add(QWidget* view, const MenuItem& item, int position, HWND window)
{
    const bool inBar = qobject_cast<QMenuBar*>(view) != nullptr;
    QAction* action = nullptr;
    switch (KindOf(item)) {
    case kSeparator:
        action = new QAction(view);
        action->setSeparator(true);
        break;
    case kPopup: {
        auto* popup = new PopupView(window, item.popup, position, view);
        action = popup->menuAction();
        break;
    }
    case kCommand: {
        action = new QAction(view);
        const UINT_PTR id = item.id;
        // The bar's item without text has no command of its own to send.
        if (!(inBar && item.text.empty()))
            QObject::connect(action, &QAction::triggered, action, [window, id] {
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
            });
        break;
    }
    }
    action->setProperty("vlmKind", static_cast<int>(KindOf(item)));
    Apply(action, item, inBar);
    view->addAction(action);
    return action;
}

void Sync(QWidget* view, HMENU menu, HWND window)
{
    const auto items = Snapshot(menu);
    const QList<QAction*> actions = view->actions();
    const bool inBar = qobject_cast<QMenuBar*>(view) != nullptr;
    bool same = items && static_cast<size_t>(actions.size()) == items->size();
    for (size_t i = 0; same && i < items->size(); ++i) {
        QAction* action = actions[static_cast<qsizetype>(i)];
        const MenuItem& item = (*items)[i];
        same = action->property("vlmKind").toInt() == KindOf(item);
        if (same && KindOf(item) == kPopup) {
            auto* popup = dynamic_cast<PopupView*>(action->menu());
            same = popup && popup->Menu() == item.popup;
        }
    }
    if (same) {
        for (size_t i = 0; i < items->size(); ++i)
            Apply(actions[static_cast<qsizetype>(i)], (*items)[i], inBar);
        return;
    }
    for (QAction* action : actions) {
        view->removeAction(action);
        if (QMenu* popup = action->menu())
            popup->deleteLater();
        else if (action->parent() == view)
            action->deleteLater();
    }
    if (!items)
        return;
    for (size_t i = 0; i < items->size(); ++i)
        Add(view, (*items)[i], static_cast<int>(i), window);
}

// A menu changed: views that show it now follow (popups that are closed catch up when they open).
void MenuChanged(HMENU menu)
{
    auto refresh = [menu] {
        auto& views = Views();
        std::erase_if(views, [](const View& view) { return !view.widget; });
        const std::vector<View> current = views;
        for (const View& view : current) {
            if (view.menu != menu || !view.widget)
                continue;
            if (qobject_cast<QMenuBar*>(view.widget) || view.widget->isVisible())
                Sync(view.widget, view.menu, view.window);
        }
    };
    if (!GuiExists())
        return;
    if (OnGuiThread())
        refresh();
    else
        QMetaObject::invokeMethod(qApp, refresh, Qt::QueuedConnection);
}

void DestroyLocked(HMENU menu, std::vector<HMENU>& destroyed, int depth = 0)
{
    MenuObject* object = FindLocked(menu);
    if (!object || depth > 16)
        return;
    for (const MenuItem& item : object->items)
        if (item.flags & MF_POPUP)
            DestroyLocked(item.popup, destroyed, depth + 1);
    Menus().menus.erase(menu);
    destroyed.push_back(menu);
}

HMENU BuildFromTemplate(const std::vector<posix::MenuTemplateItem>& items, bool bar)
{
    const HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (const auto& item : items) {
        const UINT flags = item.flags & kStateFlags & ~MF_END;
        if (item.IsPopup())
            AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(BuildFromTemplate(item.items, false)),
                        item.text.c_str());
        else if (item.IsSeparator())
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, flags, item.id, item.text.c_str());
    }
    return menu;
}

bool ChangeItem(HMENU menu, UINT item, UINT flags, const std::function<void(MenuItem&)>& change)
{
    HMENU owner = nullptr;
    {
        MenuTable& table = Menus();
        std::lock_guard lock(table.mutex);
        auto found = LocateLocked(menu, item, flags);
        if (!found)
            return false;
        change(found->menu->items[found->index]);
        owner = found->owner;
    }
    MenuChanged(owner);
    return true;
}

} // namespace

void ShowMenuBar(HWND window, HMENU menu)
{
    QWidget* frame = FrameOf(window);
    if (!frame)
        return;
    if (!menu) {
        SetDialogMenuBar(window, nullptr);
        return;
    }
    QMenuBar* bar = DialogMenuBar(window);
    if (!bar) {
        bar = new QMenuBar(frame);
        bar->setNativeMenuBar(false);
    }
    auto& views = Views();
    std::erase_if(views, [bar](const View& view) { return !view.widget || view.widget == bar; });
    views.push_back(View{bar, menu, window});
    Sync(bar, menu, window);
    SetDialogMenuBar(window, bar);
    bar->show();
}

} // namespace vlm::qt

using namespace vlm::qt;

HMENU CreateMenu()
{
    return NewMenu(true);
}

HMENU CreatePopupMenu()
{
    return NewMenu(false);
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR menuName)
{
    const HMODULE module = instance ? instance : GetModuleHandleA(nullptr);
    const HRSRC found = FindResourceA(module, menuName, RT_MENU);
    if (!found)
        return nullptr;
    const void* data = LockResource(LoadResource(module, found));
    auto items = vlm::posix::ParseMenuTemplate(data, SizeofResource(module, found));
    if (!items) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return BuildFromTemplate(*items, true);
}

BOOL DestroyMenu(HMENU menu)
{
    std::vector<HMENU> destroyed;
    {
        MenuTable& table = Menus();
        std::lock_guard lock(table.mutex);
        if (!FindLocked(menu)) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
        DestroyLocked(menu, destroyed);
    }
    for (HMENU gone : destroyed)
        MenuChanged(gone);
    return TRUE;
}

HMENU GetMenu(HWND window)
{
    if (!IsWindow(window) || (StyleOf(window) & WS_CHILD))
        return nullptr;
    return reinterpret_cast<HMENU>(GetWindowLongPtrA(window, GWLP_ID));
}

BOOL SetMenu(HWND window, HMENU menu)
{
    if (!IsWindow(window) || (StyleOf(window) & WS_CHILD)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (menu) {
        MenuTable& table = Menus();
        std::lock_guard lock(table.mutex);
        if (!FindLocked(menu)) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
    }
    SetWindowLongPtrA(window, GWLP_ID, reinterpret_cast<LONG_PTR>(menu));
    RunOnGuiThread([&] { ShowMenuBar(window, menu); });
    return TRUE;
}

BOOL DrawMenuBar(HWND window)
{
    const HMENU menu = GetMenu(window);
    if (!menu)
        return IsWindow(window) ? TRUE : FALSE;
    MenuChanged(menu);
    return TRUE;
}

HMENU GetSubMenu(HMENU menu, int position)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    MenuObject* object = FindLocked(menu);
    if (!object || position < 0 || static_cast<size_t>(position) >= object->items.size())
        return nullptr;
    const MenuItem& item = object->items[static_cast<size_t>(position)];
    return (item.flags & MF_POPUP) ? item.popup : nullptr;
}

int GetMenuItemCount(HMENU menu)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    MenuObject* object = FindLocked(menu);
    if (!object) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return static_cast<int>(object->items.size());
}

UINT GetMenuItemID(HMENU menu, int position)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    MenuObject* object = FindLocked(menu);
    if (!object || position < 0 || static_cast<size_t>(position) >= object->items.size())
        return static_cast<UINT>(-1);
    const MenuItem& item = object->items[static_cast<size_t>(position)];
    if (item.flags & MF_POPUP)
        return static_cast<UINT>(-1);
    return static_cast<UINT>(item.id);
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    auto found = LocateLocked(menu, id, flags);
    if (!found)
        return static_cast<UINT>(-1);
    const MenuItem& item = found->menu->items[found->index];
    UINT state = item.flags & kStateFlags;
    if (item.flags & MF_POPUP) {
        MenuObject* popup = FindLocked(item.popup);
        const UINT count = popup ? static_cast<UINT>(std::min<size_t>(popup->items.size(), 255)) : 0;
        state = (count << 8) | (state & 0xFF);
    }
    return state;
}

int GetMenuStringA(HMENU menu, UINT id, LPSTR text, int maxCount, UINT flags)
{
    MenuTable& table = Menus();
    std::lock_guard lock(table.mutex);
    auto found = LocateLocked(menu, id, flags);
    if (!found) {
        if (text && maxCount > 0)
            text[0] = '\0';
        return 0;
    }
    const std::string& itemText = found->menu->items[found->index].text;
    if (!text || maxCount <= 0)
        return static_cast<int>(itemText.size());
    return static_cast<int>(CopyText(itemText, text, static_cast<size_t>(maxCount)));
}

BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable)
{
    UINT previous = 0;
    const bool found = ChangeItem(menu, id, enable, [&](MenuItem& item) {
        previous = item.flags & (MF_GRAYED | MF_DISABLED);
        item.flags = (item.flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    });
    return found ? static_cast<BOOL>(previous) : -1;
}

DWORD CheckMenuItem(HMENU menu, UINT id, UINT check)
{
    UINT previous = 0;
    const bool found = ChangeItem(menu, id, check, [&](MenuItem& item) {
        previous = item.flags & MF_CHECKED;
        item.flags = (item.flags & ~MF_CHECKED) | (check & MF_CHECKED);
    });
    return found ? previous : static_cast<DWORD>(-1);
}

namespace {

MenuItem NewItem(UINT flags, UINT_PTR idNewItem, LPCSTR newItem)
{
    MenuItem item;
    item.flags = flags & kStateFlags;
    if (flags & MF_POPUP)
        item.popup = reinterpret_cast<HMENU>(idNewItem);
    else if (!(flags & MF_SEPARATOR))
        item.id = idNewItem;
    // Bitmap and owner-drawn items carry no text.
    if (newItem && !(flags & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR)))
        item.text = newItem;
    return item;
}

} // namespace

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem)
{
    {
        MenuTable& table = Menus();
        std::lock_guard lock(table.mutex);
        MenuObject* object = FindLocked(menu);
        if (!object || ((flags & MF_POPUP) && !FindLocked(reinterpret_cast<HMENU>(idNewItem)))) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
        object->items.push_back(NewItem(flags, idNewItem, newItem));
    }
    MenuChanged(menu);
    return TRUE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR newItem)
{
    return ChangeItem(menu, position, flags, [&](MenuItem& item) { item = NewItem(flags, idNewItem, newItem); })
               ? TRUE
               : FALSE;
}

namespace {

BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroyPopup)
{
    HMENU owner = nullptr;
    HMENU popup = nullptr;
    {
        MenuTable& table = Menus();
        std::lock_guard lock(table.mutex);
        auto found = LocateLocked(menu, position, flags);
        if (!found)
            return FALSE;
        const MenuItem& item = found->menu->items[found->index];
        if (item.flags & MF_POPUP)
            popup = item.popup;
        found->menu->items.erase(found->menu->items.begin() + static_cast<std::ptrdiff_t>(found->index));
        owner = found->owner;
    }
    if (destroyPopup && popup)
        DestroyMenu(popup);
    MenuChanged(owner);
    return TRUE;
}

} // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags)
{
    return Remove(menu, position, flags, true);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags)
{
    return Remove(menu, position, flags, false);
}
