// The "ComboBoxEx32" class over QComboBox: items with text, images from an image list and an
// application value, kept in insertion order; the drop-down list form (CBS_DROPDOWNLIST). The
// person's choice reaches the parent as CBN_SELCHANGE; selections the program makes do not.
// Items naming drives show, in grey beside them and as their tool tip, the mount each drive
// stands for.
#include "drive_notes.h"
#include "gdi.h"
#include "qt_internal.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QPixmap>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <climits>
#include <strings.h>

namespace vlm::qt {
namespace {

struct ComboItem {
    std::string text;
    int image = I_IMAGENONE;
    int selectedImage = I_IMAGENONE;
    int overlay = 0;
    int indent = 0;
    LPARAM lParam = 0;
};

class ComboWidget;

// Where an item keeps the note on the mounts behind the drives its text names.
constexpr int kDriveNoteRole = Qt::UserRole + 1;

// Draws a list item as usual, then its drive note in grey after the text.
class DriveNoteDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QString note = index.data(kDriveNoteRole).toString();
        if (note.isEmpty())
            return;
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
        const int left = text.left() + item.fontMetrics.horizontalAdvance(item.text) + Gap(item);
        const QRect room(left, text.top(), std::max(0, option.rect.right() - left), text.height());
        const bool selected = item.state & QStyle::State_Selected;
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(room, Qt::AlignVCenter | Qt::AlignLeft,
                          item.fontMetrics.elidedText(note, Qt::ElideMiddle, room.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QString note = index.data(kDriveNoteRole).toString();
        if (!note.isEmpty())
            size.rwidth() += Gap(option) + option.fontMetrics.horizontalAdvance(note);
        return size;
    }

private:
    static int Gap(const QStyleOptionViewItem& option) { return option.fontMetrics.horizontalAdvance(QStringLiteral("    ")); }
};

class ComboFace : public Face {
public:
    using Face::Face;

    std::vector<ComboItem> items; // what the combo box holds, in its order
    HIMAGELIST imageList = nullptr;
    DWORD extendedStyle = 0;
    int droppedHeight = 0;

    QComboBox* Combo() const { return qobject_cast<QComboBox*>(widget.data()); }

    void FontChanged() override
    {
        if (auto* combo = Combo()) {
            combo->setFont(FontOf(font));
            Fit();
        }
    }

    QIcon IconFor(int image) const
    {
        auto list = LookupGdiAs<ImageListObject>(imageList);
        if (!list || image < 0 || static_cast<size_t>(image) >= list->images.size())
            return {};
        return QIcon(QPixmap::fromImage(list->images[static_cast<size_t>(image)]));
    }

    void ShowItem(int index)
    {
        QComboBox* combo = Combo();
        const ComboItem& item = items[static_cast<size_t>(index)];
        combo->setItemText(index, QString::fromUtf8(item.text.c_str()));
        combo->setItemIcon(index, IconFor(item.image));
        const QString note = DriveNote(item.text);
        combo->setItemData(index, note, kDriveNoteRole);
        combo->setItemData(index, note, Qt::ToolTipRole);
    }

    void ShowImages()
    {
        QComboBox* combo = Combo();
        if (auto list = LookupGdiAs<ImageListObject>(imageList))
            combo->setIconSize(QSize(list->cx, list->cy));
        for (int i = 0; i < static_cast<int>(items.size()); ++i)
            ShowItem(i);
        Fit();
    }

    // The closed control is as tall as its font and images want; the template's height is that
    // of the control with its list dropped down, which sets how many items the list shows.
    void Fit()
    {
        QComboBox* combo = Combo();
        // As tall as the system's: an item and a 3-pixel edge above and below it.
        const int closed = ItemHeight() - 2 + 6;
        combo->resize(combo->width(), closed);
        combo->setMaxVisibleItems(std::max(1, (droppedHeight - closed) / std::max(1, ItemHeight())));
    }

    // A list item: its text or its image, whichever is taller, and a pixel above and below.
    int ItemHeight() const
    {
        QComboBox* combo = Combo();
        return std::max(combo->fontMetrics().height(), combo->iconSize().height()) + 2;
    }
};

class ComboWidget : public QComboBox {
public:
    explicit ComboWidget(HWND window) : m_window(window) {}

    void showPopup() override
    {
        NotifyParent(m_window, CBN_DROPDOWN);
        QComboBox::showPopup();
    }

    void hidePopup() override
    {
        QComboBox::hidePopup();
        NotifyParent(m_window, CBN_CLOSEUP);
    }

protected:
    bool event(QEvent* event) override
    {
        // The closed box's tool tip is that of the entry chosen, whoever chose it.
        if (event->type() == QEvent::ToolTip) {
            const QString note = currentIndex() < 0 ? QString() : itemData(currentIndex(), Qt::ToolTipRole).toString();
            if (note.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), note, this);
            return true;
        }
        return QComboBox::event(event);
    }

private:
    HWND m_window;
};

bool CreateComboBoxEx(HWND window, const CREATESTRUCTA& create)
{
    if (!EnsureGui() || !OnGuiThread())
        return false;
    auto face = std::make_shared<ComboFace>(window);
    auto* combo = new ComboWidget(window);
    combo->setEditable(false); // the drop-down list form; typing selects as in any list
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    face->widget = combo;
    face->droppedHeight = create.cy;
    combo->setItemDelegate(new DriveNoteDelegate(combo));
    QObject::connect(combo, &QComboBox::activated, combo, [window](int) {
        NotifyParent(window, CBN_SELENDOK);
        NotifyParent(window, CBN_SELCHANGE);
    });
    AttachFace(face, create);
    face->Fit();
    return true;
}

LRESULT Insert(ComboFace& face, INT_PTR index, const ComboItem& item)
{
    const INT_PTR count = static_cast<INT_PTR>(face.items.size());
    if (index == -1)
        index = count;
    if (index < 0 || index > count)
        return -1;
    face.items.insert(face.items.begin() + index, item);
    QComboBox* combo = face.Combo();
    const int current = combo->currentIndex();
    {
        QSignalBlocker quiet(combo);
        combo->insertItem(static_cast<int>(index), QString());
        // Inserting into an empty box must not select what was inserted.
        if (current < 0)
            combo->setCurrentIndex(-1);
    }
    face.ShowItem(static_cast<int>(index));
    return index;
}

ComboItem FromRecord(const COMBOBOXEXITEMA& record, const ComboItem& base)
{
    ComboItem item = base;
    if (record.mask & CBEIF_TEXT)
        item.text = record.pszText && record.pszText != LPSTR_TEXTCALLBACKA ? record.pszText : "";
    if (record.mask & CBEIF_IMAGE)
        item.image = record.iImage;
    if (record.mask & CBEIF_SELECTEDIMAGE)
        item.selectedImage = record.iSelectedImage;
    if (record.mask & CBEIF_OVERLAY)
        item.overlay = record.iOverlay;
    if (record.mask & CBEIF_INDENT)
        item.indent = record.iIndent;
    if (record.mask & CBEIF_LPARAM)
        item.lParam = record.lParam;
    return item;
}

} // namespace

LRESULT CALLBACK ComboBoxExProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        return CreateComboBoxEx(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? TRUE : FALSE;
    auto face = FaceAs<ComboFace>(window);
    if (!face || !face->Combo())
        return DefaultWindowMessage(window, message, wParam, lParam);
    QComboBox* combo = face->Combo();
    const int count = static_cast<int>(face->items.size());
    auto valid = [count](WPARAM index) { return static_cast<INT_PTR>(index) >= 0 && static_cast<INT_PTR>(index) < count; };
    switch (message) {
    case CBEM_INSERTITEMA: {
        const auto* record = reinterpret_cast<const COMBOBOXEXITEMA*>(lParam);
        if (!record)
            return -1;
        return Insert(*face, record->iItem, FromRecord(*record, ComboItem{}));
    }
    case CBEM_SETITEMA: {
        const auto* record = reinterpret_cast<const COMBOBOXEXITEMA*>(lParam);
        if (!record)
            return FALSE;
        const INT_PTR index = record->iItem == -1 ? combo->currentIndex() : record->iItem;
        if (!valid(static_cast<WPARAM>(index)))
            return FALSE;
        face->items[static_cast<size_t>(index)] = FromRecord(*record, face->items[static_cast<size_t>(index)]);
        face->ShowItem(static_cast<int>(index));
        return TRUE;
    }
    case CBEM_GETITEMA: {
        auto* record = reinterpret_cast<COMBOBOXEXITEMA*>(lParam);
        if (!record)
            return FALSE;
        // -1 asks for the item shown in the selection field.
        const INT_PTR index = record->iItem == -1 ? combo->currentIndex() : record->iItem;
        if (!valid(static_cast<WPARAM>(index)))
            return FALSE;
        const ComboItem& item = face->items[static_cast<size_t>(index)];
        if ((record->mask & CBEIF_TEXT) && record->pszText && record->cchTextMax > 0)
            CopyText(item.text, record->pszText, static_cast<size_t>(record->cchTextMax));
        if (record->mask & CBEIF_IMAGE)
            record->iImage = item.image;
        if (record->mask & CBEIF_SELECTEDIMAGE)
            record->iSelectedImage = item.selectedImage;
        if (record->mask & CBEIF_OVERLAY)
            record->iOverlay = item.overlay;
        if (record->mask & CBEIF_INDENT)
            record->iIndent = item.indent;
        if (record->mask & CBEIF_LPARAM)
            record->lParam = item.lParam;
        return TRUE;
    }
    case CBEM_DELETEITEM: {
        if (!valid(wParam))
            return CB_ERR;
        face->items.erase(face->items.begin() + static_cast<std::ptrdiff_t>(wParam));
        QSignalBlocker quiet(combo);
        combo->removeItem(static_cast<int>(wParam));
        return static_cast<LRESULT>(face->items.size());
    }
    case CBEM_SETIMAGELIST: {
        const HIMAGELIST previous = std::exchange(face->imageList, reinterpret_cast<HIMAGELIST>(lParam));
        face->ShowImages();
        return reinterpret_cast<LRESULT>(previous);
    }
    case CBEM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(face->imageList);
    case CBEM_GETCOMBOCONTROL:
        // The layer's extended combo box is a single window.
        return reinterpret_cast<LRESULT>(window);
    case CBEM_GETEDITCONTROL:
        return 0; // the drop-down list form has no edit field
    case CBEM_SETEXTENDEDSTYLE: {
        const DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
        const DWORD previous = face->extendedStyle;
        face->extendedStyle = (previous & ~mask) | (static_cast<DWORD>(lParam) & mask);
        return previous;
    }
    case CBEM_GETEXTENDEDSTYLE:
        return face->extendedStyle;
    case CBEM_HASEDITCHANGED:
        return FALSE;
    case CB_ADDSTRING:
        return Insert(*face, -1, ComboItem{lParam ? reinterpret_cast<const char*>(lParam) : ""});
    case CB_INSERTSTRING:
        return Insert(*face, static_cast<INT_PTR>(wParam), ComboItem{lParam ? reinterpret_cast<const char*>(lParam) : ""});
    case CB_SETCURSEL: {
        QSignalBlocker quiet(combo);
        if (!valid(wParam)) {
            combo->setCurrentIndex(-1);
            return CB_ERR;
        }
        combo->setCurrentIndex(static_cast<int>(wParam));
        return static_cast<LRESULT>(wParam);
    }
    case CB_GETCURSEL:
        return combo->currentIndex() < 0 ? CB_ERR : combo->currentIndex();
    case CB_GETCOUNT:
        return count;
    case CB_RESETCONTENT: {
        QSignalBlocker quiet(combo);
        face->items.clear();
        combo->clear();
        return CB_OKAY;
    }
    case CB_GETLBTEXT:
        if (!valid(wParam) || !lParam)
            return CB_ERR;
        return CopyText(face->items[wParam].text, reinterpret_cast<LPSTR>(lParam), static_cast<size_t>(INT_MAX));
    case CB_GETLBTEXTLEN:
        return valid(wParam) ? static_cast<LRESULT>(face->items[wParam].text.size()) : CB_ERR;
    case CB_GETITEMDATA:
        return valid(wParam) ? face->items[wParam].lParam : CB_ERR;
    case CB_SETITEMDATA:
        if (!valid(wParam))
            return CB_ERR;
        face->items[wParam].lParam = lParam;
        return CB_OKAY;
    case CB_FINDSTRINGEXACT:
    case CB_FINDSTRING: {
        if (!lParam)
            return CB_ERR;
        const std::string wanted = reinterpret_cast<const char*>(lParam);
        const int start = static_cast<int>(static_cast<INT_PTR>(wParam));
        for (int step = 1; step <= count; ++step) {
            const int index = ((start < 0 ? -1 : start) + step) % count;
            const std::string& text = face->items[static_cast<size_t>(index)].text;
            const bool exact = message == CB_FINDSTRINGEXACT;
            const bool match = exact ? strcasecmp(text.c_str(), wanted.c_str()) == 0
                                     : strncasecmp(text.c_str(), wanted.c_str(), wanted.size()) == 0;
            if (match)
                return index;
        }
        return CB_ERR;
    }
    case CB_GETITEMHEIGHT:
        // -1 asks for the selection field, any item for the list's items.
        if (static_cast<INT_PTR>(wParam) == -1)
            return combo->height();
        return face->ItemHeight();
    case CB_GETDROPPEDCONTROLRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (!rect)
            return CB_ERR;
        // On the screen, as tall as the template made the control with its list down.
        const QPoint origin = combo->mapToGlobal(QPoint(0, 0));
        *rect = RECT{origin.x(), origin.y(), origin.x() + combo->width(), origin.y() + std::max(face->droppedHeight, combo->height())};
        return TRUE;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            combo->showPopup();
        else
            combo->hidePopup();
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return combo->view() && combo->view()->isVisible() ? TRUE : FALSE;
    case WM_SETTEXT:
    case WM_CLEAR:
        return 0; // a drop-down list has no text of its own
    case WM_GETTEXT: {
        const int current = combo->currentIndex();
        return CopyText(current < 0 ? std::string() : face->items[static_cast<size_t>(current)].text,
                        reinterpret_cast<LPSTR>(lParam), wParam);
    }
    case WM_GETTEXTLENGTH: {
        const int current = combo->currentIndex();
        return current < 0 ? 0 : static_cast<LRESULT>(face->items[static_cast<size_t>(current)].text.size());
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
        return DefaultWindowMessage(window, message, wParam, lParam);
    }
}

} // namespace vlm::qt
