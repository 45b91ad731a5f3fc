// Inside the Qt window layer: the GUI thread and its pump, the faces windows get (their widgets),
// and the helpers the window classes share.
#pragma once

#include "winapi.h"
#include "window_table.h"

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QMenuBar;

namespace vlm::qt {

// ---------------------------------------------------------------------------------------------
// The GUI thread

// Makes the application object, the pump and the message box presenter on first use. Only the
// process's main thread can be the GUI thread; false when called elsewhere before it exists.
bool EnsureGui();
bool GuiExists();
bool OnGuiThread();
// Runs `work` on the GUI thread and waits for it; at once when already there.
void RunOnGuiThread(const std::function<void()>& work);

// A modal loop of the window layer (dialog, message box, save dialog) while it runs, innermost
// last. WM_QUIT taken from the queue ends the innermost one, which posts it again when it returns.
struct ModalState {
    bool ended = false;
    INT_PTR result = 0;
    bool quit = false;
    int quitCode = 0;
    std::function<void()> stop; // ends the Qt loop
};
void PushModal(const std::shared_ptr<ModalState>& state);
void PopModal(const std::shared_ptr<ModalState>& state);
// Runs the Qt event loop until `state` ends; handles WM_QUIT as above.
void RunModal(const std::shared_ptr<ModalState>& state);

// The string Qt shows for a narrow (UTF-8) string, and back.
QString FromNarrow(const char* text, int length = -1);
std::string ToNarrow(const QString& text);
// "&Save" as Qt shows mnemonics: the same convention as Win32 ("&&" is a literal "&").
QString MnemonicText(const std::string& text);

// ---------------------------------------------------------------------------------------------
// Faces: what a window of the layer's classes looks like in Qt

class Face : public posix::WindowExtension {
public:
    explicit Face(HWND window) : hwnd(window) {}
    ~Face() override;

    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    const HWND hwnd;
    // The outermost widget (a top-level window's frame) and the one whose area is the window's
    // client area, where child windows go and WM_PAINT draws.
    QPointer<QWidget> widget;
    QPointer<QWidget> client;
    // The client area's inset inside `widget` for borders the face draws itself.
    QMargins nonClient;
    std::string text;
    HFONT font = nullptr;
    HINSTANCE instance = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;

    // Set while the client widget paints: the painter WM_PAINT's device contexts draw with.
    QPainter* painter = nullptr;
    QRect paintRect;
    bool erased = false;
    std::vector<HDC> paintDcs;

    virtual void TextChanged() {}
    virtual void FontChanged() {}
    // The widget that takes the keyboard focus for this window.
    virtual QWidget* FocusTarget() { return widget; }
    // Where the window's children go.
    virtual QWidget* ChildParent() { return client; }
};

std::shared_ptr<Face> FaceOf(HWND window);
template <class T>
std::shared_ptr<T> FaceAs(HWND window)
{
    return std::dynamic_pointer_cast<T>(FaceOf(window));
}
// The window a widget stands for (the nearest ancestor within its top-level widget that stands
// for one); NULL when none.
HWND WindowOfWidget(const QWidget* widget);
void BindWidget(QWidget* widget, HWND window);

// Gives `face` its widget(s), places them as CREATESTRUCT says (child coordinates inside the
// parent's client area, screen coordinates for top-level windows) and hangs it on the window.
// The focus policy follows WS_TABSTOP; the widget is shown when the style says WS_VISIBLE.
void AttachFace(const std::shared_ptr<Face>& face, const CREATESTRUCTA& create);
QWidget* ParentWidgetFor(HWND parent);

DWORD StyleOf(HWND window);
DWORD ExStyleOf(HWND window);
HWND ParentOf(HWND window);
// A top-level window at the root of `window`'s parent chain (children only; owners stop it).
HWND RootOf(HWND window);
int ControlId(HWND window);

// WM_COMMAND to the parent with the control's id and a notification code.
void NotifyParent(HWND control, WORD code);

// What every window class of the layer does with the messages it leaves to the default:
// text, font, icons, colours, painting, closing and help, then DefWindowProcA.
LRESULT DefaultWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// DefWindowProc's colours for WM_CTLCOLOR*: window text on the button face (window colour for
// edits and list boxes).
LRESULT DefaultControlColor(UINT message, HDC dc);

// Paints the face's client area through its window procedure: WM_ERASEBKGND, then WM_PAINT,
// with `painter` as every device context's target while they run.
void PaintThroughMessages(Face& face, QPainter& painter, const QRect& rect);

// ---------------------------------------------------------------------------------------------
// Dialogs

// Average width of the alphabet and height of `font`, as the dialog manager measures them.
SIZE BaseUnitsOf(HFONT font);
// The font dialogs without DS_SETFONT use, and its base units.
HFONT SystemDialogFont();
// Enter, Escape and F1 as the dialog manager handles them; false when the key is not one of them.
// F1 sends WM_HELP to the focus window, which passes it up to the dialog.
bool DialogKey(HWND dialog, int virtualKey);
// The framework's help command: what a top-level dialog that leaves WM_HELP to the default
// sends itself.
inline constexpr WORD kHelpCommand = 0xE146;

// ---------------------------------------------------------------------------------------------
// Menus

// Mirrors `menu` (or none) as the menu bar of the top-level window's frame.
void ShowMenuBar(HWND window, HMENU menu);
// The dialog frame's side of it.
void SetDialogMenuBar(HWND window, QMenuBar* bar);
QMenuBar* DialogMenuBar(HWND window);
QWidget* FrameOf(HWND window);

// ---------------------------------------------------------------------------------------------
// Window classes

void RegisterWindowClasses();
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK RichEditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxExProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogClassProc(HWND, UINT, WPARAM, LPARAM);

// Copies `text` into a caller's buffer of `capacity` chars as WM_GETTEXT does: cut short,
// always terminated; returns the characters copied.
LRESULT CopyText(const std::string& text, LPSTR buffer, size_t capacity);

} // namespace vlm::qt
