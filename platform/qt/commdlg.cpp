// What the system shows or does for the program beyond its own windows: message boxes, the
// save and open dialogs, the shell's "open" verb and the beep; each with a seam for tests.
#include "qt_internal.h"
#include "vlm_qt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>

namespace vlm::qt {
namespace {

// The seams are process-wide, as the message box responder is.
struct Seams {
    std::mutex mutex;
    FileDialogResponder fileDialog;
    UrlOpener urlOpener;
    BeepListener beep;
};

Seams& TheSeams()
{
    static Seams* const seams = new Seams;
    return *seams;
}

template <class T>
T Exchange(T Seams::*slot, T replacement)
{
    Seams& seams = TheSeams();
    std::lock_guard lock(seams.mutex);
    std::swap(seams.*slot, replacement);
    return replacement;
}

template <class T>
T Current(T Seams::*slot)
{
    Seams& seams = TheSeams();
    std::lock_guard lock(seams.mutex);
    return seams.*slot;
}

thread_local DWORD t_dialogError = 0;

QWidget* OwnerWidget(HWND owner)
{
    const HWND root = owner ? RootOf(owner) : nullptr;
    auto face = root ? FaceOf(root) : nullptr;
    return face && face->widget ? face->widget->window() : nullptr;
}

// Disables the owner for as long as a box or dialog of the system runs over it.
class OwnerDisabled {
public:
    explicit OwnerDisabled(HWND owner) : m_root(owner ? RootOf(owner) : nullptr)
    {
        m_disabled = m_root && IsWindowEnabled(m_root);
        if (m_disabled)
            EnableWindow(m_root, FALSE);
    }
    ~OwnerDisabled()
    {
        if (!m_root || !IsWindow(m_root))
            return;
        if (m_disabled)
            EnableWindow(m_root, TRUE);
        // The owner is active again when the box goes, as on Windows, so the keys reach it
        // even where no window manager hands the focus back.
        SetActiveWindow(m_root);
    }
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;

private:
    HWND m_root;
    bool m_disabled = false;
};

// ---------------------------------------------------------------------------------------------
// Message boxes

struct BoxButton {
    int id;
    QMessageBox::StandardButton standard;
    const char* text; // for the buttons Qt has no standard one for
};

std::vector<BoxButton> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, QMessageBox::Ok, nullptr}, {IDCANCEL, QMessageBox::Cancel, nullptr}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, QMessageBox::Abort, nullptr}, {IDRETRY, QMessageBox::Retry, nullptr},
                {IDIGNORE, QMessageBox::Ignore, nullptr}};
    case MB_YESNOCANCEL:
        return {{IDYES, QMessageBox::Yes, nullptr}, {IDNO, QMessageBox::No, nullptr},
                {IDCANCEL, QMessageBox::Cancel, nullptr}};
    case MB_YESNO: return {{IDYES, QMessageBox::Yes, nullptr}, {IDNO, QMessageBox::No, nullptr}};
    case MB_RETRYCANCEL: return {{IDRETRY, QMessageBox::Retry, nullptr}, {IDCANCEL, QMessageBox::Cancel, nullptr}};
    case MB_CANCELTRYCONTINUE:
        return {{IDCANCEL, QMessageBox::Cancel, nullptr}, {IDTRYAGAIN, QMessageBox::NoButton, "&Try Again"},
                {IDCONTINUE, QMessageBox::NoButton, "&Continue"}};
    default: return {{IDOK, QMessageBox::Ok, nullptr}};
    }
}

int DefaultButtonOf(UINT type)
{
    const auto buttons = ButtonsOf(type);
    const size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index].id : buttons.front().id;
}

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int ShowBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    QMessageBox box(IconOf(type), FromNarrow(caption), FromNarrow(text), QMessageBox::NoButton, OwnerWidget(owner));
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QAbstractButton*, int>> ids;
    QAbstractButton* escape = nullptr;
    const int defaultId = DefaultButtonOf(type);
    for (const BoxButton& button : ButtonsOf(type)) {
        QAbstractButton* made = button.standard != QMessageBox::NoButton
                                    ? static_cast<QAbstractButton*>(box.addButton(button.standard))
                                    : box.addButton(QString::fromUtf8(button.text), QMessageBox::AcceptRole);
        made->setIcon(QIcon()); // a message box's buttons carry words only
        ids.emplace_back(made, button.id);
        if (button.id == defaultId)
            if (auto* push = qobject_cast<QPushButton*>(made))
                box.setDefaultButton(push);
        if (button.id == IDCANCEL || (type & MB_TYPEMASK) == MB_OK)
            escape = made;
    }
    box.setEscapeButton(escape);
    if (OwnerWidget(owner))
        box.setWindowModality(Qt::WindowModal);
    OwnerDisabled disabled(owner);
    auto state = std::make_shared<ModalState>();
    state->stop = [&box] { box.reject(); };
    PushModal(state);
    box.exec();
    PopModal(state);
    if (state->quit)
        PostQuitMessage(state->quitCode);
    for (const auto& [button, id] : ids)
        if (box.clickedButton() == button)
            return id;
    // Closed without a button: what Escape would have given.
    return escape ? (escape == ids.front().first && (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL)
                  : defaultId;
}

// ---------------------------------------------------------------------------------------------
// File dialogs

std::vector<std::pair<std::string, std::string>> SplitFilter(LPCSTR filter)
{
    // Description and pattern, each terminated; an empty description ends the list.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const char* at = filter; at && *at;) {
        std::string description = at;
        at += description.size() + 1;
        std::string pattern = at;
        const bool last = pattern.empty(); // a pair cut short ends the list
        at += pattern.size() + 1;
        pairs.emplace_back(std::move(description), std::move(pattern));
        if (last)
            break;
    }
    return pairs;
}

QString QtFilter(const std::pair<std::string, std::string>& filter)
{
    QStringList patterns;
    for (QString pattern : QString::fromUtf8(filter.second.c_str()).split(';')) {
        pattern = pattern.trimmed();
        if (pattern.isEmpty())
            continue;
        // "*.*" matches every name on Windows, also those without a dot.
        patterns << (pattern == "*.*" ? QString("*") : pattern);
    }
    if (patterns.isEmpty())
        patterns << "*";
    return QString::fromUtf8(filter.first.c_str()) + " (" + patterns.join(' ') + ")";
}

std::optional<std::string> AskWithQt(FileDialogRequest& request)
{
    QFileDialog dialog(OwnerWidget(request.owner), QString::fromUtf8(request.title.c_str()),
                       QString::fromUtf8(request.initialDirectory.c_str()));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // asked below, the same way for everyone
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const auto& filter : request.filters)
        filters << QtFilter(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const qsizetype index = request.filterIndex > 0 ? request.filterIndex - 1 : 0;
        if (index < filters.size())
            dialog.selectNameFilter(filters[index]);
    }
    if (!request.initialName.empty())
        dialog.selectFile(QString::fromUtf8(request.initialName.c_str()));
    OwnerDisabled disabled(request.owner);
    auto state = std::make_shared<ModalState>();
    state->stop = [&dialog] { dialog.reject(); };
    PushModal(state);
    const int accepted = dialog.exec();
    PopModal(state);
    if (state->quit)
        PostQuitMessage(state->quitCode);
    if (accepted != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        request.filterIndex = static_cast<DWORD>(chosen + 1);
    return ToNarrow(dialog.selectedFiles().front());
}

// The name as the dialog takes it: absolute, with the default extension when it has none.
std::string Complete(const std::string& answer, const FileDialogRequest& request)
{
    QString path = QString::fromUtf8(answer.c_str());
    if (QDir::isRelativePath(path))
        path = QDir(QString::fromUtf8(request.initialDirectory.c_str())).absoluteFilePath(path);
    path = QDir::cleanPath(path);
    const QString name = QFileInfo(path).fileName();
    if (!request.defaultExtension.empty() && !name.isEmpty() && !name.contains('.'))
        path += "." + QString::fromUtf8(request.defaultExtension.c_str());
    return ToNarrow(path);
}

BOOL RunFileDialog(LPOPENFILENAMEA ofn, bool save)
{
    t_dialogError = 0;
    if (!ofn || ofn->lStructSize < offsetof(OPENFILENAMEA, pvReserved)) {
        t_dialogError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        t_dialogError = CDERR_INITIALIZATION;
        return FALSE;
    }
    FileDialogRequest request;
    request.owner = ofn->hwndOwner;
    request.save = save;
    request.title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open");
    request.filters = SplitFilter(ofn->lpstrFilter);
    request.filterIndex = ofn->nFilterIndex;
    request.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    request.flags = ofn->Flags;
    const std::string given(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    const QFileInfo givenInfo(QString::fromUtf8(given.c_str()));
    request.initialName = ToNarrow(givenInfo.fileName());
    if (ofn->lpstrInitialDir && *ofn->lpstrInitialDir)
        request.initialDirectory = ofn->lpstrInitialDir;
    else if (given.find('/') != std::string::npos)
        request.initialDirectory = ToNarrow(givenInfo.absolutePath());
    else
        request.initialDirectory = ToNarrow(QDir::currentPath());

    const FileDialogResponder responder = Current(&Seams::fileDialog);
    if (!responder && (!EnsureGui() || !OnGuiThread())) {
        t_dialogError = CDERR_INITIALIZATION;
        return FALSE;
    }
    const HWND boxOwner = ofn->hwndOwner;
    std::string path;
    for (;;) {
        const std::optional<std::string> answer = responder ? responder(request) : AskWithQt(request);
        if (!answer)
            return FALSE; // cancelled: no error
        if (answer->empty())
            continue;
        path = Complete(*answer, request);
        const QFileInfo info(QString::fromUtf8(path.c_str()));
        request.initialName = ToNarrow(info.fileName());
        if (info.isDir()) {
            request.initialDirectory = path;
            request.initialName.clear();
            continue;
        }
        if ((ofn->Flags & OFN_PATHMUSTEXIST) && !info.dir().exists()) {
            const std::string text = ToNarrow(info.absolutePath()) + "\nPath does not exist.\nCheck the path and try again.";
            MessageBoxA(boxOwner, text.c_str(), request.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (!save && (ofn->Flags & OFN_FILEMUSTEXIST) && !info.exists()) {
            const std::string text = request.initialName + "\nFile not found.\nCheck the file name and try again.";
            MessageBoxA(boxOwner, text.c_str(), request.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (save && (ofn->Flags & OFN_OVERWRITEPROMPT) && info.exists()) {
            const std::string text = request.initialName + " already exists.\nDo you want to replace it?";
            if (MessageBoxA(boxOwner, text.c_str(), "Confirm Save As", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
                continue;
        }
        break;
    }
    if (path.size() + 1 > ofn->nMaxFile) {
        t_dialogError = FNERR_BUFFERTOOSMALL;
        if (ofn->nMaxFile >= sizeof(WORD)) {
            const WORD needed = static_cast<WORD>(std::min<size_t>(path.size() + 1, 0xFFFF));
            std::memcpy(ofn->lpstrFile, &needed, sizeof needed);
        }
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    const size_t slash = path.find_last_of('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    ofn->nFileOffset = static_cast<WORD>(nameAt);
    ofn->nFileExtension = static_cast<WORD>(dot != std::string::npos && dot > nameAt ? dot + 1 : path.size());
    ofn->nFilterIndex = request.filterIndex;
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0)
        CopyText(path.substr(nameAt), ofn->lpstrFileTitle, ofn->nMaxFileTitle);
    const std::string extension = dot != std::string::npos && dot > nameAt ? path.substr(dot + 1) : "";
    if (ofn->lpstrDefExt && strcasecmp(extension.c_str(), ofn->lpstrDefExt) != 0)
        ofn->Flags |= OFN_EXTENSIONDIFFERENT;
    else
        ofn->Flags &= ~static_cast<DWORD>(OFN_EXTENSIONDIFFERENT);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Shell

bool IsUrl(const std::string& file)
{
    // A scheme of two or more letters ("C:" is a drive, not a scheme).
    const size_t colon = file.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = file[i];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'))
            return false;
    }
    return true;
}

bool OpenUrl(const std::string& url)
{
    if (UrlOpener opener = Current(&Seams::urlOpener))
        return opener(url);
    if (!EnsureGui())
        return false;
    bool opened = false;
    RunOnGuiThread([&] { opened = QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.c_str()))); });
    return opened;
}

HINSTANCE ShellResult(INT_PTR code)
{
    return reinterpret_cast<HINSTANCE>(code);
}

} // namespace

int PresentMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (!EnsureGui()) {
        // No window system here yet (a thread other than the main one asked first).
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
        return DefaultButtonOf(type);
    }
    int result = IDCANCEL;
    RunOnGuiThread([&] { result = ShowBox(owner, text, caption, type); });
    return result;
}

FileDialogResponder SetFileDialogResponder(FileDialogResponder responder)
{
    return Exchange(&Seams::fileDialog, std::move(responder));
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    return Exchange(&Seams::urlOpener, std::move(opener));
}

BeepListener SetBeepListener(BeepListener listener)
{
    return Exchange(&Seams::beep, std::move(listener));
}

} // namespace vlm::qt

using namespace vlm::qt;

BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn)
{
    BOOL result = FALSE;
    DWORD error = 0;
    RunOnGuiThread([&] {
        result = RunFileDialog(ofn, true);
        error = t_dialogError;
    });
    t_dialogError = error;
    return result;
}

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn)
{
    BOOL result = FALSE;
    DWORD error = 0;
    RunOnGuiThread([&] {
        result = RunFileDialog(ofn, false);
        error = t_dialogError;
    });
    t_dialogError = error;
    return result;
}

DWORD CommDlgExtendedError()
{
    return t_dialogError;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR directory, INT)
{
    if (operation && *operation && strcasecmp(operation, "open") != 0 && strcasecmp(operation, "explore") != 0)
        return ShellResult(SE_ERR_NOASSOC);
    if (!file || !*file)
        return ShellResult(SE_ERR_FNF);
    std::string target = file;
    std::string url;
    if (IsUrl(target)) {
        url = target;
    } else if (strncasecmp(target.c_str(), "www.", 4) == 0) {
        // The shell takes a bare web address for one.
        url = "http://" + target;
    } else if (strncasecmp(target.c_str(), "ftp.", 4) == 0) {
        url = "ftp://" + target;
    } else {
        // A Windows-shaped path names a file on the mount its drive letter stands for.
        if (target.size() >= 3 && std::isalpha(static_cast<unsigned char>(target[0])) && target[1] == ':' &&
            (target[2] == '\\' || target[2] == '/')) {
            char mount[MAX_PATH * 4] = {};
            const char drive[3] = {target[0], ':', '\0'};
            if (QueryDosDeviceA(drive, mount, sizeof mount) == 0)
                return ShellResult(ERROR_PATH_NOT_FOUND);
            std::string rest = target.substr(3);
            std::replace(rest.begin(), rest.end(), '\\', '/');
            target = std::string(mount) + "/" + rest;
        }
        QString path = QString::fromUtf8(target.c_str());
        if (QDir::isRelativePath(path))
            path = QDir(directory && *directory ? QString::fromUtf8(directory) : QDir::currentPath()).absoluteFilePath(path);
        if (!QFileInfo::exists(path))
            return ShellResult(ERROR_FILE_NOT_FOUND);
        url = ToNarrow(QUrl::fromLocalFile(path).toString());
    }
    return ShellResult(OpenUrl(url) ? 42 : SE_ERR_NOASSOC);
}

BOOL MessageBeep(UINT type)
{
    if (BeepListener listener = Current(&Seams::beep)) {
        listener(type);
        return TRUE;
    }
    if (GuiExists())
        RunOnGuiThread([] { QApplication::beep(); });
    return TRUE;
}
