// The "BUTTON" class: push buttons (the default one drawn as such), check boxes, radio buttons
// and group boxes. A click reaches the parent as WM_COMMAND with BN_CLICKED.
#include "gdi.h"
#include "qt_internal.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace vlm::qt {
namespace {

DWORD Kind(DWORD style)
{
    return style & BS_TYPEMASK;
}

bool IsPush(DWORD kind)
{
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_USERBUTTON ||
           kind == BS_PUSHBOX || kind == BS_OWNERDRAW;
}

bool IsCheck(DWORD kind)
{
    return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE;
}

bool IsRadio(DWORD kind)
{
    return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
}

class ButtonFace : public Face {
public:
    using Face::Face;

    DWORD kind = BS_PUSHBUTTON;
    int check = BST_UNCHECKED;

    QAbstractButton* Button() const { return qobject_cast<QAbstractButton*>(widget.data()); }

    void TextChanged() override
    {
        const QString shown = QString::fromUtf8(text.c_str());
        if (auto* button = Button())
            button->setText(shown);
        else if (auto* group = qobject_cast<QGroupBox*>(widget.data()))
            group->setTitle(shown);
    }

    void FontChanged() override
    {
        if (widget)
            widget->setFont(FontOf(font));
    }

    void ShowCheck()
    {
        if (auto* box = qobject_cast<QCheckBox*>(widget.data()))
            box->setCheckState(check == BST_CHECKED ? Qt::Checked
                               : check == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                            : Qt::Unchecked);
        else if (auto* radio = qobject_cast<QRadioButton*>(widget.data()))
            radio->setChecked(check == BST_CHECKED);
    }
};

// Qt toggles check boxes and radio buttons itself; here the Win32 state decides, so the
// "automatic" kinds change it and the others leave it to the program.
void Clicked(HWND window)
{
    auto face = FaceAs<ButtonFace>(window);
    if (!face)
        return;
    if (face->kind == BS_AUTOCHECKBOX)
        face->check = face->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    else if (face->kind == BS_AUTO3STATE)
        face->check = (face->check + 1) % 3;
    else if (face->kind == BS_AUTORADIOBUTTON)
        face->check = BST_CHECKED;
    face->ShowCheck();
    NotifyParent(window, BN_CLICKED);
}

bool CreateButton(HWND window, const CREATESTRUCTA& create)
{
    if (!EnsureGui() || !OnGuiThread())
        return false;
    auto face = std::make_shared<ButtonFace>(window);
    const DWORD style = static_cast<DWORD>(create.style);
    face->kind = Kind(style);
    face->text = create.lpszName ? create.lpszName : "";
    const QString text = QString::fromUtf8(face->text.c_str());
    if (face->kind == BS_GROUPBOX) {
        auto* group = new QGroupBox(text);
        group->setFocusPolicy(Qt::NoFocus);
        face->widget = group;
    } else if (IsCheck(face->kind) || IsRadio(face->kind)) {
        QAbstractButton* button = IsCheck(face->kind) ? static_cast<QAbstractButton*>(new QCheckBox(text))
                                                      : new QRadioButton(text);
        // The state is the window's: a click only reports, the rule above decides.
        button->setAutoExclusive(false);
        QObject::connect(button, &QAbstractButton::clicked, button, [window] { Clicked(window); });
        QObject::connect(button, &QAbstractButton::toggled, button, [window](bool) {
            if (auto current = FaceAs<ButtonFace>(window))
                current->ShowCheck();
        });
        face->widget = button;
    } else {
        auto* button = new QPushButton(text);
        button->setAutoDefault(true); // Enter on a focused push button presses it
        button->setDefault(face->kind == BS_DEFPUSHBUTTON);
        QObject::connect(button, &QAbstractButton::clicked, button, [window] { Clicked(window); });
        face->widget = button;
    }
    AttachFace(face, create);
    return true;
}

} // namespace

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        return CreateButton(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? TRUE : FALSE;
    auto face = FaceAs<ButtonFace>(window);
    if (!face)
        return DefaultWindowMessage(window, message, wParam, lParam);
    switch (message) {
    case BM_CLICK:
        // As a click would: nothing for a disabled button.
        if (IsWindowEnabled(window)) {
            if (auto* button = face->Button())
                button->click();
            else
                NotifyParent(window, BN_CLICKED);
        }
        return 0;
    case BM_GETCHECK:
        return face->check;
    case BM_SETCHECK:
        face->check = static_cast<int>(wParam) & 3;
        face->ShowCheck();
        return 0;
    case BM_GETSTATE: {
        LRESULT state = face->check;
        if (auto* button = face->Button(); button && button->isDown())
            state |= BST_PUSHED;
        if (face->widget && face->widget->hasFocus())
            state |= BST_FOCUS;
        return state;
    }
    case BM_SETSTATE:
        if (auto* button = face->Button())
            button->setDown(wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const DWORD style = StyleOf(window);
        SetWindowLongPtrA(window, GWL_STYLE, (style & ~0xFFFFu) | (wParam & 0xFFFF));
        face->kind = Kind(static_cast<DWORD>(wParam));
        if (auto* push = qobject_cast<QPushButton*>(face->widget.data()))
            push->setDefault(face->kind == BS_DEFPUSHBUTTON);
        return 0;
    }
    case WM_GETDLGCODE:
        if (IsPush(face->kind))
            return DLGC_BUTTON | (face->kind == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        if (IsRadio(face->kind))
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return face->kind == BS_GROUPBOX ? DLGC_STATIC : DLGC_BUTTON;
    default:
        return DefaultWindowMessage(window, message, wParam, lParam);
    }
}

} // namespace vlm::qt
