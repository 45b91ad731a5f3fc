// The "RICHEDIT" class (the version 1.0 control) over QTextEdit: text streamed in and out through
// the caller's callback, selections in the control's own character positions (a line end counts
// as the two characters CR LF, as the text comes back), character formats on the selection (text
// colour, automatic colour, bold, italic, underline), clearing, copying to the clipboard and
// hiding the selection.
#include "gdi.h"
#include "qt_internal.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <climits>

namespace vlm::qt {
namespace {

class RichEditFace : public Face {
public:
    using Face::Face;

    QTextEdit* Edit() const { return qobject_cast<QTextEdit*>(widget.data()); }

    // The format the next insertion at a collapsed selection takes, when it was set there with
    // EM_SETCHARFORMAT; moving the selection forgets it.
    std::optional<QTextCharFormat> insertionFormat;
    QTextCharFormat defaultFormat;
    bool hideSelection = false;
    DWORD eventMask = 0;
    LONG limit = 0;

    void FontChanged() override
    {
        if (auto* edit = Edit())
            edit->document()->setDefaultFont(FontOf(font));
    }
};

// ---------------------------------------------------------------------------------------------
// Positions: the control's (CR LF = 2) and the document's (one paragraph separator)

LONG WindowsLength(const QTextDocument* document)
{
    // characterCount() counts every block's separator, including the last one's.
    return static_cast<LONG>(document->characterCount() - 1 + document->blockCount() - 1);
}

int ToDocument(const QTextDocument* document, LONG position)
{
    const LONG length = WindowsLength(document);
    if (position < 0 || position >= length)
        return document->characterCount() - 1;
    // Walk from the nearer end: lines are appended at the end, so that is where most
    // positions are asked for.
    if (position > length / 2) {
        LONG blockEnd = length; // where the last block's text ends
        for (QTextBlock block = document->lastBlock(); block.isValid(); block = block.previous()) {
            const LONG start = blockEnd - (block.length() - 1);
            if (position >= start)
                return block.position() + std::min<int>(position - start, block.length() - 1);
            blockEnd = start - 2;
            if (position > blockEnd)
                return block.previous().isValid() ? block.previous().position() + block.previous().length() - 1 : 0;
        }
        return 0;
    }
    LONG start = 0;
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
        const LONG end = start + block.length() - 1;
        if (position <= end)
            return block.position() + (position - start);
        if (position <= end + 1) // between CR and LF: at the line's end
            return block.position() + block.length() - 1;
        start = end + 2;
    }
    return document->characterCount() - 1;
}

LONG ToWindows(const QTextDocument* document, int position)
{
    const QTextBlock block = document->findBlock(position);
    if (!block.isValid())
        return WindowsLength(document);
    // Block n starts after n line ends of two characters each.
    return static_cast<LONG>(position + block.blockNumber());
}

std::string WithCrLf(QString text)
{
    text.replace(QChar::ParagraphSeparator, '\n');
    text.replace(QChar::LineSeparator, '\n');
    text.replace("\n", "\r\n");
    return ToNarrow(text);
}

QString FromStream(const std::string& bytes)
{
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

// ---------------------------------------------------------------------------------------------
// Selection and formats

std::pair<LONG, LONG> Selection(const QTextEdit& edit)
{
    const QTextCursor cursor = edit.textCursor();
    return {ToWindows(edit.document(), cursor.selectionStart()), ToWindows(edit.document(), cursor.selectionEnd())};
}

void Select(RichEditFace& face, LONG first, LONG last)
{
    QTextEdit* edit = face.Edit();
    QTextDocument* document = edit->document();
    QTextCursor cursor = edit->textCursor();
    const int end = document->characterCount() - 1;
    if (first == 0 && last == -1) {
        cursor.setPosition(0);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
    } else if (first < 0) {
        // No selection: the caret stays at the selection's end.
        cursor.setPosition(cursor.selectionEnd());
    } else {
        cursor.setPosition(ToDocument(document, first));
        cursor.setPosition(last < 0 ? end : ToDocument(document, last), QTextCursor::KeepAnchor);
    }
    face.insertionFormat.reset();
    edit->setTextCursor(cursor);
}

// What text inserted at the selection looks like: the insertion format when one was set there,
// otherwise that of the first selected character, or of the character before the caret.
QTextCharFormat FormatForInsertion(const RichEditFace& face, const QTextCursor& selection)
{
    if (face.insertionFormat)
        return *face.insertionFormat;
    QTextCursor probe(selection.document());
    const int start = selection.selectionStart();
    if (selection.hasSelection())
        probe.setPosition(start + 1);
    else
        probe.setPosition(start);
    if (probe.position() == 0 && selection.document()->isEmpty())
        return face.defaultFormat;
    return probe.charFormat();
}

void ReplaceSelection(RichEditFace& face, const QString& text)
{
    QTextEdit* edit = face.Edit();
    QTextCursor cursor = edit->textCursor();
    const QTextCharFormat format = FormatForInsertion(face, cursor);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    cursor.insertText(text, format);
    cursor.endEditBlock();
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    // The caret now follows the text just inserted, whose format it carries on.
    face.insertionFormat.reset();
    if (face.eventMask & ENM_CHANGE)
        NotifyParent(face.hwnd, EN_CHANGE);
}

void ReplaceAll(RichEditFace& face, const QString& text)
{
    QTextEdit* edit = face.Edit();
    QTextCursor cursor(edit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockCharFormat(face.defaultFormat);
    cursor.insertText(text, face.defaultFormat);
    cursor.endEditBlock();
    cursor.setPosition(0);
    edit->setTextCursor(cursor);
    face.insertionFormat.reset();
}

void ApplyCharFormat(QTextCharFormat& format, const CHARFORMATA& change)
{
    if (change.dwMask & CFM_COLOR) {
        if (change.dwEffects & CFE_AUTOCOLOR)
            format.clearForeground();
        else
            format.setForeground(ToQColor(change.crTextColor));
    }
    if (change.dwMask & CFM_BOLD)
        format.setFontWeight((change.dwEffects & CFE_BOLD) ? QFont::Bold : QFont::Normal);
    if (change.dwMask & CFM_ITALIC)
        format.setFontItalic((change.dwEffects & CFE_ITALIC) != 0);
    if (change.dwMask & CFM_UNDERLINE)
        format.setFontUnderline((change.dwEffects & CFE_UNDERLINE) != 0);
    if (change.dwMask & CFM_STRIKEOUT)
        format.setFontStrikeOut((change.dwEffects & CFE_STRIKEOUT) != 0);
    if ((change.dwMask & CFM_SIZE) && change.yHeight > 0)
        format.setFontPointSize(change.yHeight / 20.0); // twips
    if (change.dwMask & CFM_FACE) {
        LOGFONTA logFont{};
        std::memcpy(logFont.lfFaceName, change.szFaceName, LF_FACESIZE);
        logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
        format.setFontFamilies({FontFromLogFont(logFont).family()});
    }
}

// The format of the characters in [start, end): the attributes they share, as EM_GETCHARFORMAT
// reports them (dwMask holds only the attributes that are the same throughout).
void DescribeFormat(const QTextDocument* document, int start, int end, const QTextCharFormat& single,
                    HFONT controlFont, CHARFORMATA& out)
{
    std::vector<QTextCharFormat> formats;
    if (start >= end) {
        formats.push_back(single);
    } else {
        for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() < end;
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                    continue;
                formats.push_back(fragment.charFormat());
            }
        }
        if (formats.empty())
            formats.push_back(single);
    }
    auto colorOf = [](const QTextCharFormat& format) -> std::optional<COLORREF> {
        if (!format.hasProperty(QTextFormat::ForegroundBrush))
            return std::nullopt;
        return ToColorRef(format.foreground().color());
    };
    // Size (in twips) and face: a run's own, or else the control's font, named as the program
    // asked for it.
    LOGFONTA control{};
    const bool knownFont = controlFont && GetObjectA(controlFont, sizeof control, &control) == sizeof control;
    auto sizeOf = [&](const QTextCharFormat& format) -> LONG {
        if (format.hasProperty(QTextFormat::FontPointSize))
            return static_cast<LONG>(format.fontPointSize() * 20 + 0.5);
        if (!knownFont)
            return 0;
        // Logical inches of 96 pixels, as the dialog font's height was worked out.
        return MulDiv(control.lfHeight < 0 ? -control.lfHeight : control.lfHeight, 72 * 20, 96);
    };
    auto faceOf = [&](const QTextCharFormat& format) -> std::string {
        if (format.hasProperty(QTextFormat::FontFamilies)) {
            const QStringList families = format.fontFamilies().toStringList();
            if (!families.isEmpty())
                return ToNarrow(families.front());
        }
        return knownFont ? std::string(control.lfFaceName) : std::string();
    };
    DWORD mask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    const QTextCharFormat& first = formats.front();
    if (sizeOf(first) > 0)
        mask |= CFM_SIZE;
    if (!faceOf(first).empty())
        mask |= CFM_FACE;
    for (const QTextCharFormat& format : formats) {
        if (colorOf(format) != colorOf(first))
            mask &= ~CFM_COLOR;
        if ((format.fontWeight() >= QFont::Bold) != (first.fontWeight() >= QFont::Bold))
            mask &= ~CFM_BOLD;
        if (format.fontItalic() != first.fontItalic())
            mask &= ~CFM_ITALIC;
        if (format.fontUnderline() != first.fontUnderline())
            mask &= ~CFM_UNDERLINE;
        if (format.fontStrikeOut() != first.fontStrikeOut())
            mask &= ~CFM_STRIKEOUT;
        if (sizeOf(format) != sizeOf(first))
            mask &= ~CFM_SIZE;
        if (faceOf(format) != faceOf(first))
            mask &= ~CFM_FACE;
    }
    const UINT size = out.cbSize;
    out = {};
    out.cbSize = size;
    out.dwMask = mask;
    if (auto color = colorOf(first))
        out.crTextColor = *color;
    else
        out.dwEffects |= CFE_AUTOCOLOR, out.crTextColor = GetSysColor(COLOR_WINDOWTEXT);
    if (first.fontWeight() >= QFont::Bold)
        out.dwEffects |= CFE_BOLD;
    if (first.fontItalic())
        out.dwEffects |= CFE_ITALIC;
    if (first.fontUnderline())
        out.dwEffects |= CFE_UNDERLINE;
    if (first.fontStrikeOut())
        out.dwEffects |= CFE_STRIKEOUT;
    if (mask & CFM_SIZE)
        out.yHeight = sizeOf(first);
    if (mask & CFM_FACE) {
        const std::string face = faceOf(first);
        std::memcpy(out.szFaceName, face.c_str(), std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1)));
    }
}

void ShowSelection(RichEditFace& face)
{
    QTextEdit* edit = face.Edit();
    QPalette palette = edit->palette();
    const QPalette standard = QApplication::palette(edit);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        if (face.hideSelection) {
            palette.setColor(group, QPalette::Highlight, palette.color(group, QPalette::Base));
            palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
        } else {
            palette.setColor(group, QPalette::Highlight, standard.color(group, QPalette::Highlight));
            palette.setColor(group, QPalette::HighlightedText, standard.color(group, QPalette::HighlightedText));
        }
    }
    edit->setPalette(palette);
}

// ---------------------------------------------------------------------------------------------
// Streams

LRESULT StreamIn(RichEditFace& face, WPARAM format, EDITSTREAM* stream)
{
    if (!stream || !stream->pfnCallback)
        return 0;
    if ((format & 0xFF) != SF_TEXT) {
        // Only plain text is read; rich text format is not.
        stream->dwError = static_cast<DWORD>(-1);
        return 0;
    }
    std::string bytes;
    std::vector<BYTE> buffer(4096);
    stream->dwError = 0;
    for (;;) {
        LONG delivered = 0;
        const DWORD error = stream->pfnCallback(stream->dwCookie, buffer.data(),
                                                static_cast<LONG>(buffer.size()), &delivered);
        if (error) {
            stream->dwError = error;
            break;
        }
        if (delivered <= 0)
            break;
        bytes.append(reinterpret_cast<const char*>(buffer.data()),
                     static_cast<size_t>(std::min<LONG>(delivered, static_cast<LONG>(buffer.size()))));
    }
    const QString text = FromStream(bytes);
    if (format & SFF_SELECTION)
        ReplaceSelection(face, text);
    else
        ReplaceAll(face, text);
    return static_cast<LRESULT>(bytes.size());
}

LRESULT StreamOut(RichEditFace& face, WPARAM format, EDITSTREAM* stream)
{
    if (!stream || !stream->pfnCallback)
        return 0;
    QTextEdit* edit = face.Edit();
    const std::string text = (format & SFF_SELECTION) ? WithCrLf(edit->textCursor().selection().toPlainText())
                                                      : WithCrLf(edit->document()->toPlainText());
    stream->dwError = 0;
    size_t done = 0;
    std::vector<BYTE> chunk;
    while (done < text.size()) {
        const size_t size = std::min<size_t>(4096, text.size() - done);
        chunk.assign(text.begin() + static_cast<std::ptrdiff_t>(done),
                     text.begin() + static_cast<std::ptrdiff_t>(done + size));
        LONG written = 0;
        const DWORD error = stream->pfnCallback(stream->dwCookie, chunk.data(), static_cast<LONG>(size), &written);
        if (error) {
            stream->dwError = error;
            break;
        }
        if (written <= 0)
            break; // the receiver takes no more
        done += std::min<size_t>(static_cast<size_t>(written), size);
    }
    return static_cast<LRESULT>(done);
}

void CopySelection(const QTextEdit& edit)
{
    const QTextCursor cursor = edit.textCursor();
    if (!cursor.hasSelection())
        return;
    const QTextDocumentFragment fragment = cursor.selection();
    auto* data = new QMimeData;
    data->setText(fragment.toPlainText());
    data->setHtml(fragment.toHtml());
    QGuiApplication::clipboard()->setMimeData(data);
}

// The options that are styles of the same bits (ECO_READONLY is ES_READONLY, ...); a multi-line
// control also scrolls by itself vertically, as the system's does.
constexpr DWORD kOptionStyles = ECO_AUTOVSCROLL | ECO_AUTOHSCROLL | ECO_NOHIDESEL | ECO_READONLY | ECO_WANTRETURN |
                                ECO_SAVESEL | ECO_SELECTIONBAR;

DWORD OptionsOf(DWORD style)
{
    return (style & kOptionStyles) | ((style & ES_MULTILINE) ? ECO_AUTOVSCROLL : 0);
}

// Read-only for the person, who can still select and copy; the program writes on.
void ShowReadOnly(QTextEdit& edit, bool readOnly)
{
    edit.setReadOnly(readOnly);
    edit.setTextInteractionFlags(readOnly ? (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard)
                                          : Qt::TextEditorInteraction);
}

void SetReadOnly(HWND window, QTextEdit& edit, bool readOnly)
{
    const DWORD style = StyleOf(window);
    SetWindowLongPtrA(window, GWL_STYLE, readOnly ? (style | ES_READONLY) : (style & ~ES_READONLY));
    ShowReadOnly(edit, readOnly);
}

bool CreateRichEdit(HWND window, const CREATESTRUCTA& create)
{
    if (!EnsureGui() || !OnGuiThread())
        return false;
    auto face = std::make_shared<RichEditFace>(window);
    auto* edit = new QTextEdit;
    const DWORD style = static_cast<DWORD>(create.style);
    edit->setAcceptRichText(false);
    edit->setUndoRedoEnabled(false);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setTabChangesFocus(true); // Tab moves on through the dialog, as in a dialog's edit
    ShowReadOnly(*edit, (style & ES_READONLY) != 0);
    // Lines are as long as they are written (ES_AUTOHSCROLL); without it they wrap at the edge.
    edit->setLineWrapMode((style & ES_AUTOHSCROLL) || !(style & ES_MULTILINE) ? QTextEdit::NoWrap
                                                                             : QTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    // The scroll bars paint every pixel of their own: without saying so, each move of theirs
    // (one per line appended) would have the dialog beneath repainted, which a real control's
    // scrolling never causes.
    edit->verticalScrollBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    edit->horizontalScrollBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    edit->setFrameShape((style & WS_BORDER) || (create.dwExStyle & WS_EX_CLIENTEDGE) ? QFrame::StyledPanel
                                                                                     : QFrame::NoFrame);
    face->widget = edit;
    face->text.clear();
    AttachFace(face, create);
    if (create.lpszName && *create.lpszName)
        ReplaceAll(*face, FromStream(create.lpszName));
    return true;
}

} // namespace

LRESULT CALLBACK RichEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        return CreateRichEdit(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? TRUE : FALSE;
    auto face = FaceAs<RichEditFace>(window);
    if (!face || !face->Edit())
        return DefaultWindowMessage(window, message, wParam, lParam);
    QTextEdit* edit = face->Edit();
    QTextDocument* document = edit->document();
    switch (message) {
    case WM_SETTEXT:
        ReplaceAll(*face, FromStream(lParam ? reinterpret_cast<const char*>(lParam) : ""));
        return TRUE;
    case WM_GETTEXT:
        return CopyText(WithCrLf(document->toPlainText()), reinterpret_cast<LPSTR>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(WithCrLf(document->toPlainText()).size());
    case EM_GETTEXTLENGTHEX: {
        const auto* request = reinterpret_cast<const GETTEXTLENGTHEX*>(wParam);
        const DWORD flags = request ? request->flags : GTL_DEFAULT;
        if (flags & GTL_NUMBYTES)
            return static_cast<LRESULT>(WithCrLf(document->toPlainText()).size());
        return WindowsLength(document);
    }
    case EM_STREAMIN:
        return StreamIn(*face, wParam, reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_STREAMOUT:
        return StreamOut(*face, wParam, reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_EXSETSEL: {
        const auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (!range)
            return 0;
        Select(*face, range->cpMin, range->cpMax);
        return Selection(*edit).second;
    }
    case EM_EXGETSEL: {
        auto* range = reinterpret_cast<CHARRANGE*>(lParam);
        if (range) {
            const auto [first, last] = Selection(*edit);
            range->cpMin = first;
            range->cpMax = last;
        }
        return 0;
    }
    case EM_SETSEL:
        Select(*face, static_cast<LONG>(static_cast<std::intptr_t>(wParam)),
               static_cast<LONG>(lParam));
        return 0;
    case EM_GETSEL: {
        const auto [first, last] = Selection(*edit);
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(first);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(last);
        if (first > 0xFFFF || last > 0xFFFF)
            return -1;
        return MAKELRESULT(first, last);
    }
    case EM_SELECTIONTYPE:
        return edit->textCursor().hasSelection() ? SEL_TEXT : SEL_EMPTY;
    case EM_GETSELTEXT:
        return CopyText(WithCrLf(edit->textCursor().selection().toPlainText()), reinterpret_cast<LPSTR>(lParam),
                        static_cast<size_t>(INT_MAX));
    case EM_GETTEXTRANGE: {
        auto* range = reinterpret_cast<TEXTRANGEA*>(lParam);
        if (!range || !range->lpstrText)
            return 0;
        QTextCursor cursor(document);
        cursor.setPosition(ToDocument(document, range->chrg.cpMin));
        cursor.setPosition(range->chrg.cpMax < 0 ? document->characterCount() - 1
                                                 : ToDocument(document, range->chrg.cpMax),
                           QTextCursor::KeepAnchor);
        const std::string text = WithCrLf(cursor.selection().toPlainText());
        std::memcpy(range->lpstrText, text.c_str(), text.size() + 1);
        return static_cast<LRESULT>(text.size());
    }
    case EM_REPLACESEL:
        ReplaceSelection(*face, FromStream(lParam ? reinterpret_cast<const char*>(lParam) : ""));
        return 0;
    case EM_SETCHARFORMAT: {
        const auto* change = reinterpret_cast<const CHARFORMATA*>(lParam);
        if (!change || change->cbSize < sizeof(CHARFORMATA))
            return 0;
        if (wParam & SCF_ALL) {
            QTextCursor all(document);
            all.select(QTextCursor::Document);
            QTextCharFormat format;
            ApplyCharFormat(format, *change);
            all.mergeCharFormat(format);
            ApplyCharFormat(face->defaultFormat, *change);
            if (change->dwMask & CFM_COLOR && change->dwEffects & CFE_AUTOCOLOR) {
                // Merging cannot take a colour away: clear it run by run.
                for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next())
                    for (auto it = block.begin(); !it.atEnd(); ++it) {
                        QTextCursor run(document);
                        run.setPosition(it.fragment().position());
                        run.setPosition(it.fragment().position() + it.fragment().length(), QTextCursor::KeepAnchor);
                        QTextCharFormat plain = it.fragment().charFormat();
                        plain.clearForeground();
                        run.setCharFormat(plain);
                    }
            }
            return TRUE;
        }
        if (!(wParam & SCF_SELECTION)) {
            ApplyCharFormat(face->defaultFormat, *change);
            return TRUE;
        }
        QTextCursor cursor = edit->textCursor();
        if (!cursor.hasSelection()) {
            QTextCharFormat format = FormatForInsertion(*face, cursor);
            ApplyCharFormat(format, *change);
            face->insertionFormat = format;
            return TRUE;
        }
        // Each run keeps what the change does not name.
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        std::vector<std::pair<std::pair<int, int>, QTextCharFormat>> runs;
        for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() < end;
             block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const int from = std::max(start, fragment.position());
                const int to = std::min(end, fragment.position() + fragment.length());
                if (from < to)
                    runs.push_back({{from, to}, fragment.charFormat()});
            }
        QTextCursor run(document);
        run.beginEditBlock();
        for (auto& [span, format] : runs) {
            ApplyCharFormat(format, *change);
            run.setPosition(span.first);
            run.setPosition(span.second, QTextCursor::KeepAnchor);
            run.setCharFormat(format);
        }
        run.endEditBlock();
        return TRUE;
    }
    case EM_GETCHARFORMAT: {
        auto* out = reinterpret_cast<CHARFORMATA*>(lParam);
        if (!out || out->cbSize < sizeof(CHARFORMATA))
            return 0;
        const QTextCursor cursor = edit->textCursor();
        if (wParam & SCF_SELECTION)
            DescribeFormat(document, cursor.selectionStart(), cursor.selectionEnd(),
                           FormatForInsertion(*face, cursor), face->font, *out);
        else
            DescribeFormat(document, 0, 0, face->defaultFormat, face->font, *out);
        return out->dwMask;
    }
    case EM_GETOPTIONS:
        return OptionsOf(StyleOf(window));
    case EM_SETOPTIONS: {
        const DWORD value = static_cast<DWORD>(lParam);
        DWORD options = OptionsOf(StyleOf(window));
        switch (wParam) {
        case ECOOP_SET: options = value; break;
        case ECOOP_OR: options |= value; break;
        case ECOOP_AND: options &= value; break;
        case ECOOP_XOR: options ^= value; break;
        default: return options;
        }
        SetReadOnly(window, *edit, (options & ECO_READONLY) != 0);
        SetWindowLongPtrA(window, GWL_STYLE, (StyleOf(window) & ~kOptionStyles) | (options & kOptionStyles));
        return OptionsOf(StyleOf(window));
    }
    case EM_HIDESELECTION: {
        face->hideSelection = wParam != 0;
        ShowSelection(*face);
        if (lParam) {
            const DWORD style = StyleOf(window);
            SetWindowLongPtrA(window, GWL_STYLE, face->hideSelection ? (style & ~ES_NOHIDESEL) : (style | ES_NOHIDESEL));
        }
        return 0;
    }
    case WM_CLEAR: {
        QTextCursor cursor = edit->textCursor();
        if (!cursor.hasSelection())
            return 0;
        cursor.removeSelectedText();
        if (document->isEmpty()) {
            // An empty control starts over in the default format.
            cursor.setBlockCharFormat(face->defaultFormat);
            cursor.setCharFormat(face->defaultFormat);
        }
        edit->setTextCursor(cursor);
        face->insertionFormat.reset();
        return 0;
    }
    case WM_COPY:
        CopySelection(*edit);
        return 0;
    case WM_CUT:
        if (!(StyleOf(window) & ES_READONLY)) {
            CopySelection(*edit);
            QTextCursor cursor = edit->textCursor();
            cursor.removeSelectedText();
            edit->setTextCursor(cursor);
        }
        return 0;
    case WM_PASTE:
        if (!(StyleOf(window) & ES_READONLY))
            ReplaceSelection(*face, QGuiApplication::clipboard()->text());
        return 0;
    case EM_SETREADONLY:
        SetReadOnly(window, *edit, wParam != 0);
        return TRUE;
    case EM_SETEVENTMASK:
        return static_cast<LRESULT>(std::exchange(face->eventMask, static_cast<DWORD>(lParam)));
    case EM_GETEVENTMASK:
        return face->eventMask;
    case EM_EXLIMITTEXT:
    case EM_LIMITTEXT:
        // Kept, not enforced: the view has no size limit of its own.
        face->limit = static_cast<LONG>(message == EM_EXLIMITTEXT ? lParam : static_cast<LPARAM>(wParam));
        return 0;
    case EM_GETLIMITTEXT:
        return face->limit ? face->limit : 32767;
    case EM_GETLINECOUNT:
        return document->blockCount();
    case EM_LINEINDEX: {
        const int line = static_cast<int>(static_cast<std::intptr_t>(wParam));
        const QTextBlock block = line < 0 ? edit->textCursor().block() : document->findBlockByNumber(line);
        return block.isValid() ? ToWindows(document, block.position()) : -1;
    }
    case EM_LINELENGTH: {
        const QTextBlock block = document->findBlock(ToDocument(document, static_cast<LONG>(wParam)));
        return block.isValid() ? block.length() - 1 : 0;
    }
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
        const LONG at = static_cast<LONG>(message == EM_EXLINEFROMCHAR ? lParam : static_cast<LPARAM>(wParam));
        return document->findBlock(at < 0 ? edit->textCursor().position() : ToDocument(document, at)).blockNumber();
    }
    case EM_SCROLLCARET:
        edit->ensureCursorVisible();
        return 0;
    case EM_LINESCROLL:
        edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->value() +
                                            static_cast<int>(lParam) * edit->fontMetrics().height());
        return TRUE;
    case EM_SETBKGNDCOLOR: {
        QPalette palette = edit->palette();
        const COLORREF previous = ToColorRef(palette.color(QPalette::Base));
        palette.setColor(QPalette::Base, wParam ? SystemColor(COLOR_WINDOW) : ToQColor(static_cast<COLORREF>(lParam)));
        edit->setPalette(palette);
        return previous;
    }
    case EM_GETMODIFY:
        return document->isModified() ? TRUE : FALSE;
    case EM_SETMODIFY:
        document->setModified(wParam != 0);
        return 0;
    case EM_CANPASTE:
        return !(StyleOf(window) & ES_READONLY) && QGuiApplication::clipboard()->mimeData() &&
               QGuiApplication::clipboard()->mimeData()->hasText();
    case EM_CANUNDO:
    case EM_UNDO:
    case EM_EMPTYUNDOBUFFER:
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    default:
        return DefaultWindowMessage(window, message, wParam, lParam);
    }
}

} // namespace vlm::qt
