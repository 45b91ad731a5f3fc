// The rich edit control as the results view uses it: text streamed in at the selection and out
// again with CR LF line ends, red runs and the colour after them, selections in the control's
// positions, clearing, copying and hiding the selection.
#include "qt_support.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <cstring>
#include <string>

namespace vlm::test {
namespace {

// A source for EM_STREAMIN that hands out its text at most `piece` bytes at a time.
struct Source {
    std::string text;
    size_t at = 0;
    LONG piece = 1 << 20;
    int calls = 0;

    static DWORD CALLBACK Read(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* delivered)
    {
        auto* self = reinterpret_cast<Source*>(cookie);
        ++self->calls;
        const size_t n = std::min<size_t>({self->text.size() - self->at, static_cast<size_t>(capacity),
                                           static_cast<size_t>(self->piece)});
        std::memcpy(buffer, self->text.data() + self->at, n);
        self->at += n;
        *delivered = static_cast<LONG>(n);
        return 0;
    }
};

struct Sink {
    std::string text;
    LONG largest = 0;
    DWORD failAfter = 0; // chunks accepted before an error; 0: never fails
    DWORD chunks = 0;

    static DWORD CALLBACK Write(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written)
    {
        auto* self = reinterpret_cast<Sink*>(cookie);
        if (self->failAfter && self->chunks >= self->failAfter)
            return 5;
        ++self->chunks;
        self->largest = std::max(self->largest, size);
        self->text.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size));
        *written = size;
        return 0;
    }
};

class RichEdit : public ::testing::Test {
protected:
    HWND Edit() const { return m_dialog.Item(IDC_RESULTS); }

    LRESULT Append(const std::string& text, LONG piece = 1 << 20)
    {
        Source source{text};
        source.piece = piece;
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, Source::Read};
        const LRESULT read = SendMessageA(Edit(), EM_STREAMIN, SF_TEXT | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
        EXPECT_EQ(stream.dwError, 0u);
        return read;
    }

    void Color(COLORREF color, bool automatic)
    {
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_COLOR;
        format.dwEffects = automatic ? CFE_AUTOCOLOR : 0;
        format.crTextColor = color;
        SendMessageA(Edit(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }

    // As the results view shows a report line: red for found streams.
    void Line(const std::string& text, bool found)
    {
        if (found)
            Color(RGB(255, 0, 0), false);
        Append(text);
        if (found)
            Color(0, true);
    }

    std::string StreamOut(WPARAM format = SF_TEXT)
    {
        Sink sink;
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&sink), 0, Sink::Write};
        SendMessageA(Edit(), EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
        return sink.text;
    }

    void Select(LONG first, LONG last)
    {
        CHARRANGE range{first, last};
        SendMessageA(Edit(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }

    CHARRANGE Selection()
    {
        CHARRANGE range{-2, -2};
        SendMessageA(Edit(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }

    CHARFORMATA FormatOf(LONG first, LONG last)
    {
        Select(first, last);
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        SendMessageA(Edit(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format;
    }

    TestDialog m_dialog{IDD_SCAN_DIALOG};
};

TEST_F(RichEdit, LinesComeBackWithCrLfInTheOrderTheyWentIn)
{
    EXPECT_EQ(Append("Beginning Scan of C:\r\n"), 22);
    Append("second line\r\nthird\r\n");
    Append("no line end");
    EXPECT_EQ(StreamOut(), "Beginning Scan of C:\r\nsecond line\r\nthird\r\nno line end");
    char text[128];
    EXPECT_EQ(GetWindowTextA(Edit(), text, sizeof text), 53);
    EXPECT_STREQ(text, "Beginning Scan of C:\r\nsecond line\r\nthird\r\nno line end");
    // Positions count a line end as two characters; the caret follows the insertions.
    const CHARRANGE caret = Selection();
    EXPECT_EQ(caret.cpMin, 53);
    EXPECT_EQ(caret.cpMax, 53);
}

TEST_F(RichEdit, StreamsArePassedInPiecesBothWays)
{
    std::string big;
    for (int i = 0; big.size() < 20000; ++i)
        big += "line " + std::to_string(i) + "\r\n";
    Source source{big};
    source.piece = 7;
    EDITSTREAM in{reinterpret_cast<DWORD_PTR>(&source), 0, Source::Read};
    EXPECT_EQ(SendMessageA(Edit(), EM_STREAMIN, SF_TEXT | SFF_SELECTION, reinterpret_cast<LPARAM>(&in)),
              static_cast<LRESULT>(big.size()));
    EXPECT_GT(source.calls, static_cast<int>(big.size() / 7));

    Sink sink;
    EDITSTREAM out{reinterpret_cast<DWORD_PTR>(&sink), 0, Sink::Write};
    EXPECT_EQ(SendMessageA(Edit(), EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&out)),
              static_cast<LRESULT>(big.size()));
    EXPECT_EQ(sink.text, big);
    EXPECT_GT(sink.chunks, 1u);
    EXPECT_LE(sink.largest, 4096);

    // A receiver that fails stops the stream, and its error is kept.
    Sink failing;
    failing.failAfter = 2;
    EDITSTREAM broken{reinterpret_cast<DWORD_PTR>(&failing), 0, Sink::Write};
    const LRESULT written = SendMessageA(Edit(), EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&broken));
    EXPECT_EQ(written, static_cast<LRESULT>(failing.text.size()));
    EXPECT_EQ(written, 8192);
    EXPECT_EQ(broken.dwError, 5u);
    EXPECT_EQ(failing.chunks, 2u);
}

TEST_F(RichEdit, EmptyViewStreamsOutNothing)
{
    EXPECT_EQ(StreamOut(), "");
    EXPECT_EQ(SendMessageA(Edit(), WM_GETTEXTLENGTH, 0, 0), 0);
    const CHARRANGE range = Selection();
    EXPECT_EQ(range.cpMin, 0);
    EXPECT_EQ(range.cpMax, 0);
}

TEST_F(RichEdit, FoundLinesAreRedAndWhatFollowsThemIsNot)
{
    Line("Beginning Scan of C:\r\n", false);          // 0..20
    Line("!!! ADS FOUND !!! a\r\n", true);            // 22..41
    Line("!!! ADS FOUND !!! b\r\n", true);            // 43..62
    Line("!!! ADS FOUND !!! c\r\n", true);            // 64..83
    Line("WARNING: cannot open d\r\n", false);        // 85..107
    struct Case {
        const char* what;
        LONG first, last;
        bool colorShared;
        bool automatic;
    };
    const std::vector<Case> cases{
        {"beginning line", 0, 20, true, true},
        {"first found line", 22, 41, true, false},
        {"last found line", 64, 83, true, false},
        {"all found lines", 22, 83, true, false},
        {"warning after them", 85, 107, true, true},
        {"found and warning together", 64, 107, false, false},
    };
    for (const auto& c : cases) {
        const CHARFORMATA format = FormatOf(c.first, c.last);
        EXPECT_EQ((format.dwMask & CFM_COLOR) != 0, c.colorShared) << c.what;
        if (!c.colorShared)
            continue;
        EXPECT_EQ((format.dwEffects & CFE_AUTOCOLOR) != 0, c.automatic) << c.what;
        if (!c.automatic) {
            EXPECT_EQ(format.crTextColor, RGB(255, 0, 0)) << c.what;
        }
    }
    // The widget draws them so.
    auto* edit = qobject_cast<QTextEdit*>(vlm::qt::WindowWidget(Edit()));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->document()->findBlockByNumber(2).begin().fragment().charFormat().foreground().color(),
              QColor(255, 0, 0));
    EXPECT_FALSE(edit->document()->findBlockByNumber(4).begin().fragment().charFormat().hasProperty(
        QTextFormat::ForegroundBrush));
}

TEST_F(RichEdit, AColourSetAtTheCaretOnlyColoursWhatIsInsertedNext)
{
    Append("plain ");
    Color(RGB(255, 0, 0), false);
    Append("red");
    Append(" still red"); // the caret carries the format of the text before it
    Color(0, true);
    Append(" plain again");
    EXPECT_EQ(FormatOf(0, 5).dwEffects & CFE_AUTOCOLOR, static_cast<DWORD>(CFE_AUTOCOLOR));
    EXPECT_EQ(FormatOf(6, 19).crTextColor, RGB(255, 0, 0));
    EXPECT_NE(FormatOf(6, 19).dwMask & CFM_COLOR, 0u);
    EXPECT_EQ(FormatOf(19, 31).dwEffects & CFE_AUTOCOLOR, static_cast<DWORD>(CFE_AUTOCOLOR));

    // Moving the selection forgets a colour set at the caret.
    Select(31, 31);
    Color(RGB(0, 0, 255), false);
    Select(0, 0);
    Select(31, 31);
    Append("!");
    EXPECT_EQ(FormatOf(31, 32).dwEffects & CFE_AUTOCOLOR, static_cast<DWORD>(CFE_AUTOCOLOR));
}

TEST_F(RichEdit, InsertedTextReplacesTheSelection)
{
    Append("one\r\ntwo\r\nthree\r\n");
    Select(5, 8); // "two"
    Append("2");
    EXPECT_EQ(StreamOut(), "one\r\n2\r\nthree\r\n");
    EXPECT_EQ(Selection().cpMin, 6);
    // A whole line with its line end.
    Select(5, 8);
    Append("");
    EXPECT_EQ(StreamOut(), "one\r\nthree\r\n");
    // The selection streamed out on its own.
    Select(0, 3);
    EXPECT_EQ(StreamOut(SF_TEXT | SFF_SELECTION), "one");
}

TEST_F(RichEdit, PositionsCountLineEndsAsTwoCharacters)
{
    Append("ab\r\ncd\r\n");
    struct Case {
        LONG first, last;
        CHARRANGE expected;
    };
    const std::vector<Case> cases{
        {0, -1, {0, 8}},  // everything
        {4, 5, {4, 5}},   // "c"
        {2, 4, {2, 4}},   // the first line end
        {3, 3, {2, 2}},   // between CR and LF: at the line's end
        {5, 100, {5, 8}}, // past the end: the end
    };
    for (const auto& c : cases) {
        Select(c.first, c.last);
        const CHARRANGE got = Selection();
        EXPECT_EQ(got.cpMin, c.expected.cpMin) << c.first << ".." << c.last;
        EXPECT_EQ(got.cpMax, c.expected.cpMax) << c.first << ".." << c.last;
    }
    Select(4, 6);
    char text[16] = {};
    EXPECT_EQ(SendMessageA(Edit(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text)), 2);
    EXPECT_STREQ(text, "cd");
    DWORD first = 0, last = 0;
    EXPECT_EQ(SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last)),
              MAKELRESULT(4, 6));
    EXPECT_EQ(first, 4u);
    EXPECT_EQ(last, 6u);
}

TEST_F(RichEdit, ClearingEverythingStartsOverInTheDefaultColour)
{
    Line("!!! ADS FOUND !!! a\r\n", true);
    Color(RGB(255, 0, 0), false); // a colour left set at the caret
    Select(0, -1);
    SendMessageA(Edit(), WM_CLEAR, 0, 0);
    EXPECT_EQ(StreamOut(), "");
    Append("Beginning Scan of C:\r\n");
    EXPECT_EQ(FormatOf(0, 20).dwEffects & CFE_AUTOCOLOR, static_cast<DWORD>(CFE_AUTOCOLOR));
    // Clearing an empty selection changes nothing.
    Select(3, 3);
    SendMessageA(Edit(), WM_CLEAR, 0, 0);
    EXPECT_EQ(StreamOut(), "Beginning Scan of C:\r\n");
}

TEST_F(RichEdit, CopyPutsTheSelectionOnTheClipboard)
{
    Append("first\r\nsecond\r\n");
    QGuiApplication::clipboard()->setText("before");
    Select(0, 0);
    SendMessageA(Edit(), WM_COPY, 0, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before") << "nothing selected, nothing copied";
    Select(0, -1);
    SendMessageA(Edit(), WM_COPY, 0, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first\nsecond\n");
}

TEST_F(RichEdit, HiddenSelectionIsNotDrawnButStaysSelected)
{
    Append("some text");
    auto* edit = qobject_cast<QTextEdit*>(vlm::qt::WindowWidget(Edit()));
    const QColor highlight = edit->palette().color(QPalette::Active, QPalette::Highlight);
    SendMessageA(Edit(), EM_HIDESELECTION, TRUE, TRUE);
    Select(0, -1);
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Highlight),
              edit->palette().color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(Selection().cpMax, 9);
    EXPECT_EQ(GetWindowLongPtrA(Edit(), GWL_STYLE) & ES_NOHIDESEL, 0);
    SendMessageA(Edit(), EM_HIDESELECTION, FALSE, FALSE);
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Highlight), highlight);
}

TEST_F(RichEdit, IsReadOnlyForThePersonButNotForTheProgram)
{
    auto* edit = qobject_cast<QTextEdit*>(vlm::qt::WindowWidget(Edit()));
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_NE(GetWindowLongPtrA(Edit(), GWL_STYLE) & ES_READONLY, 0);
    Append("written by the program");
    SendMessageA(Edit(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("!"));
    EXPECT_EQ(StreamOut(), "written by the program!");
}

// A line appended moves the scroll bar; that repaints the control, never the dialog beneath it
// (whose painting, in the scan dialog, loads and draws the logo each time).
TEST_F(RichEdit, AppendingLinesNeverRepaintsTheDialogBeneath)
{
    int paints = 0;
    m_dialog.SetHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_PAINT)
            ++paints;
        return std::nullopt;
    });
    Pump();
    InvalidateRect(m_dialog.Window(), nullptr, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return paints > 0; })) << "the dialog is never painted here";
    Pump();
    const int before = paints;
    for (int i = 0; i < 300; ++i) {
        Line("!!! ADS FOUND !!! Name=:s:$DATA File=C:\\line " + std::to_string(i) + "\r\n", i % 2 == 0);
        Pump();
    }
    EXPECT_GT(SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0), 300);
    EXPECT_EQ(paints, before);
}

// What the control tells of itself: the options its styles stand for, and the character format
// with the size (twips) and face of the font the dialog gave it.
TEST_F(RichEdit, ReportsItsOptionsAndTheFontOfItsText)
{
    EXPECT_EQ(SendMessageA(Edit(), EM_GETOPTIONS, 0, 0),
              static_cast<LRESULT>(ECO_READONLY | ECO_AUTOHSCROLL | ECO_AUTOVSCROLL));
    EXPECT_EQ(SendMessageA(Edit(), EM_SETOPTIONS, ECOOP_AND, ~static_cast<LPARAM>(ECO_READONLY)),
              static_cast<LRESULT>(ECO_AUTOHSCROLL | ECO_AUTOVSCROLL));
    EXPECT_EQ(GetWindowLongPtrA(Edit(), GWL_STYLE) & ES_READONLY, 0);
    SendMessageA(Edit(), EM_SETOPTIONS, ECOOP_OR, ECO_READONLY);
    EXPECT_NE(GetWindowLongPtrA(Edit(), GWL_STYLE) & ES_READONLY, 0);

    Line("found\r\n", true);
    Line("plain\r\n", false);
    Select(0, -1);
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    const auto mask = static_cast<DWORD>(SendMessageA(Edit(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
    // Two colours: no common colour, but one size and face throughout ("MS Sans Serif", 8 points).
    EXPECT_EQ(mask & CFM_COLOR, 0u);
    EXPECT_NE(mask & CFM_SIZE, 0u);
    EXPECT_NE(mask & CFM_FACE, 0u);
    EXPECT_EQ(format.yHeight, 165);
    EXPECT_STREQ(format.szFaceName, "MS Sans Serif");
}

} // namespace
} // namespace vlm::test
