// The dialog templates of res/velmora.rc as the window layer reads them, and the template reader
// on templates of the tests' own.
#include "dialog_template.h"
#include "res_support.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace {

using vlm::posix::ControlClassName;
using vlm::posix::DialogTemplate;
using vlm::posix::NameOrOrdinal;
using vlm::posix::ParseDialogTemplate;
using vlm::test::ByteWriter;
using vlm::test::ProgramResource;

constexpr DWORD kNoId = 0xFFFFFFFF; // IDC_STATIC (-1) as the extended form's DWORD id

struct Control {
    DWORD id;
    const char* windowClass;
    const char* text;
    SHORT x, y, cx, cy;
    DWORD style;
};

// Window class names compare without regard to case. windres writes the classes of CONTROL
// statements as names in upper case ("BUTTON"), where other compilers may write atoms (0x80).
bool SameClass(const std::string& a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char l, char r) {
        return std::toupper(static_cast<unsigned char>(l)) == std::toupper(static_cast<unsigned char>(r));
    });
}

DialogTemplate LoadDialog(WORD id)
{
    const auto bytes = ProgramResource(MAKEINTRESOURCEA(id), RT_DIALOG);
    EXPECT_FALSE(bytes.empty());
    auto dialog = ParseDialogTemplate(bytes.data(), bytes.size());
    EXPECT_TRUE(dialog.has_value());
    return dialog.value_or(DialogTemplate{});
}

void ExpectControls(const DialogTemplate& dialog, std::span<const Control> expected)
{
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& item = dialog.items[i];
        const Control& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (" + want.text + ")");
        EXPECT_EQ(item.id, want.id);
        EXPECT_TRUE(SameClass(ControlClassName(item.windowClass), want.windowClass))
            << ControlClassName(item.windowClass);
        EXPECT_EQ(item.title, NameOrOrdinal::Name(want.text));
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, DWORD{0});
        EXPECT_EQ(item.helpId, DWORD{0});
        EXPECT_TRUE(item.creationData.empty());
    }
}

void ExpectDialogFont(const DialogTemplate& dialog)
{
    EXPECT_TRUE(dialog.extended);
    EXPECT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.typeface, "MS Sans Serif");
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_FALSE(dialog.italic);
}

TEST(DialogTemplates, TheScanDialogHasItsFrameAndControlsInTabOrder)
{
    const DialogTemplate dialog = LoadDialog(IDD_SCAN_DIALOG);
    EXPECT_EQ(dialog.style, DWORD{0x90CA00C0}) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, DWORD{0x00040200}) << std::hex << dialog.exStyle;
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 323);
    EXPECT_EQ(dialog.cy, 199);
    EXPECT_EQ(dialog.menu, NameOrOrdinal::Id(IDR_MAINMENU));
    EXPECT_TRUE(dialog.windowClass.IsEmpty());
    EXPECT_EQ(dialog.caption, "");
    ExpectDialogFont(dialog);

    const Control controls[] = {
        {IDC_START, "Button", "Start", 35, 48, 50, 14, 0x50010000},
        {IDC_STOP, "Button", "Stop", 95, 48, 50, 14, 0x58010000},
        {IDC_RESULTS, "RICHEDIT", "", 7, 74, 309, 91, 0x50B10884},
        {IDC_CURRENT_DIR, "Static", "", 7, 184, 309, 8, 0x50000000},
        {IDC_DRIVES, "ComboBoxEx32", "", 7, 20, 166, 62, 0x50210103},
        {kNoId, "Static", "Checking Directory:", 7, 173, 65, 9, 0x50020000},
        {kNoId, "Static", "Available NTFS Drives:", 12, 7, 103, 8, 0x50020000},
        {IDC_WEBLINK, "Static", VLM_WEB_ADDRESS, 192, 46, 124, 10, 0x50020201},
        {kNoId, "Static", "Results:", 12, 65, 26, 8, 0x50020000},
    };
    ExpectControls(dialog, controls);
}

TEST(DialogTemplates, TheAboutBoxShowsTheIconTheFourLinesAndADefaultOk)
{
    const DialogTemplate dialog = LoadDialog(IDD_ABOUTBOX);
    EXPECT_EQ(dialog.style, DWORD{0x80C800C0}) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, DWORD{0});
    EXPECT_EQ(dialog.cx, 186);
    EXPECT_EQ(dialog.cy, 132);
    EXPECT_TRUE(dialog.menu.IsEmpty());
    EXPECT_EQ(dialog.caption, "About Velmora");
    ExpectDialogFont(dialog);

    ASSERT_EQ(dialog.items.size(), 3u);
    const auto& icon = dialog.items[0];
    EXPECT_EQ(icon.id, kNoId);
    EXPECT_TRUE(SameClass(ControlClassName(icon.windowClass), "Static"));
    EXPECT_EQ(icon.title, NameOrOrdinal::Id(IDR_MAINFRAME));
    EXPECT_EQ(icon.style, DWORD{0x50000003}) << std::hex << icon.style; // SS_ICON
    EXPECT_EQ(icon.x, 81);
    EXPECT_EQ(icon.y, 13);
    EXPECT_EQ(icon.cx, 20);
    EXPECT_EQ(icon.cy, 20);

    const auto& text = dialog.items[1];
    EXPECT_EQ(text.id, kNoId);
    EXPECT_TRUE(SameClass(ControlClassName(text.windowClass), "Static"));
    EXPECT_EQ(text.style, DWORD{0x50821001}) << std::hex << text.style;
    EXPECT_EQ(text.x, 21);
    EXPECT_EQ(text.y, 46);
    EXPECT_EQ(text.cx, 141);
    EXPECT_EQ(text.cy, 40);
    EXPECT_EQ(text.title.text,
              "Velmora v 1.0\n(C) 2026 The Velmora developers\n\n" VLM_WEB_ADDRESS);

    const auto& ok = dialog.items[2];
    EXPECT_EQ(ok.id, DWORD{IDOK});
    EXPECT_TRUE(SameClass(ControlClassName(ok.windowClass), "Button"));
    EXPECT_EQ(ok.title, NameOrOrdinal::Name("OK"));
    EXPECT_EQ(ok.style, DWORD{0x50010001}) << std::hex << ok.style; // BS_DEFPUSHBUTTON
    EXPECT_EQ(ok.x, 69);
    EXPECT_EQ(ok.y, 105);
    EXPECT_EQ(ok.cx, 50);
    EXPECT_EQ(ok.cy, 14);
}

TEST(DialogTemplates, TheMakersAddressIsOnAReservedExampleDomain)
{
    const std::string_view address = VLM_WEB_ADDRESS;
    const std::string_view url = VLM_HOME_PAGE_URL;
    EXPECT_TRUE(address.ends_with(".example"));
    EXPECT_EQ(url, "http://" + std::string(address) + "/");
}

TEST(DialogTemplates, AnyTemplateCutShortIsRefused)
{
    for (const WORD id : {WORD{IDD_SCAN_DIALOG}, WORD{IDD_ABOUTBOX}}) {
        const auto bytes = ProgramResource(MAKEINTRESOURCEA(id), RT_DIALOG);
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size()).has_value());
        // The last item's creation-data count is the last thing read: every shorter prefix
        // leaves something unread.
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            SCOPED_TRACE(size);
            EXPECT_FALSE(ParseDialogTemplate(bytes.data(), size).has_value());
        }
    }
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 0).has_value());
}

// An item header of the plain form.
void PlainItem(ByteWriter& w, DWORD style, SHORT x, WORD id)
{
    w.Align(4).Dword(style).Dword(0x00000200).Word(static_cast<WORD>(x)).Word(2).Word(30).Word(12).Word(id);
}

TEST(DialogTemplates, ThePlainFormWithAtomsOrdinalTitlesAndCreationData)
{
    ByteWriter w;
    w.Dword(0x80C80040).Dword(0x00000001).Word(3); // style (DS_SETFONT), ex-style, 3 items
    w.Word(10).Word(20).Word(200).Word(100);
    w.Ordinal(7);            // menu 7
    w.String("MYDIALOG");    // its own class
    w.String("Plain");       // caption
    w.Word(9).String("Tahoma"); // font: the plain form has no weight, italic or charset
    PlainItem(w, 0x50810080, 4, 101);
    w.Ordinal(0x81).String("edit me").Word(3).Byte(0xAA).Byte(0xBB).Byte(0xCC);
    PlainItem(w, 0x50000003, 40, 0xFFFF);
    w.Ordinal(0x82).Ordinal(128).Word(0);
    PlainItem(w, 0x50010000, 80, 102);
    w.String("SysLink").String("").Word(0);

    const auto dialog = ParseDialogTemplate(w.Result().data(), w.Size());
    ASSERT_TRUE(dialog.has_value());
    EXPECT_FALSE(dialog->extended);
    EXPECT_EQ(dialog->style, DWORD{0x80C80040});
    EXPECT_EQ(dialog->exStyle, DWORD{1});
    EXPECT_EQ(dialog->x, 10);
    EXPECT_EQ(dialog->cy, 100);
    EXPECT_EQ(dialog->menu, NameOrOrdinal::Id(7));
    EXPECT_EQ(dialog->windowClass, NameOrOrdinal::Name("MYDIALOG"));
    EXPECT_EQ(dialog->caption, "Plain");
    EXPECT_TRUE(dialog->hasFont);
    EXPECT_EQ(dialog->pointSize, 9);
    EXPECT_EQ(dialog->typeface, "Tahoma");

    ASSERT_EQ(dialog->items.size(), 3u);
    EXPECT_EQ(dialog->items[0].id, DWORD{101});
    EXPECT_EQ(dialog->items[0].style, DWORD{0x50810080});
    EXPECT_EQ(dialog->items[0].exStyle, DWORD{0x200});
    EXPECT_EQ(ControlClassName(dialog->items[0].windowClass), "Edit");
    EXPECT_EQ(dialog->items[0].title, NameOrOrdinal::Name("edit me"));
    EXPECT_EQ(dialog->items[0].creationData, (std::vector<BYTE>{0xAA, 0xBB, 0xCC}));
    // After three bytes of creation data the next item still starts on a DWORD boundary.
    EXPECT_EQ(dialog->items[1].id, DWORD{0xFFFF});
    EXPECT_EQ(dialog->items[1].x, 40);
    EXPECT_EQ(dialog->items[1].title, NameOrOrdinal::Id(128));
    EXPECT_EQ(dialog->items[2].windowClass, NameOrOrdinal::Name("SysLink"));
    EXPECT_EQ(ControlClassName(dialog->items[2].windowClass), "SysLink");
    EXPECT_TRUE(dialog->items[2].title.IsEmpty());
}

TEST(DialogTemplates, TheExtendedFormWithoutAFontNorItems)
{
    ByteWriter w;
    w.Word(1).Word(0xFFFF).Dword(42).Dword(0x8).Dword(0x80880000).Word(0); // no DS_SETFONT
    w.Word(1).Word(2).Word(3).Word(4).String("MENUNAME").Word(0).String("Bare");
    const auto dialog = ParseDialogTemplate(w.Result().data(), w.Size());
    ASSERT_TRUE(dialog.has_value());
    EXPECT_TRUE(dialog->extended);
    EXPECT_EQ(dialog->helpId, DWORD{42});
    EXPECT_EQ(dialog->exStyle, DWORD{8});
    EXPECT_EQ(dialog->style, DWORD{0x80880000});
    EXPECT_EQ(dialog->menu, NameOrOrdinal::Name("MENUNAME"));
    EXPECT_TRUE(dialog->windowClass.IsEmpty());
    EXPECT_EQ(dialog->caption, "Bare");
    EXPECT_FALSE(dialog->hasFont);
    EXPECT_TRUE(dialog->items.empty());
}

TEST(DialogTemplates, CreationDataLongerThanTheTemplateIsRefused)
{
    ByteWriter w;
    w.Word(1).Word(0xFFFF).Dword(0).Dword(0).Dword(0x80000000).Word(1);
    w.Word(0).Word(0).Word(10).Word(10).Word(0).Word(0).String("");
    w.Align(4).Dword(0).Dword(0).Dword(0x50000000).Word(0).Word(0).Word(5).Word(5).Dword(1);
    w.Ordinal(0x80).String("x").Word(8).Byte(1).Byte(2); // claims 8 bytes, has 2
    EXPECT_FALSE(ParseDialogTemplate(w.Result().data(), w.Size()).has_value());
}

TEST(DialogTemplates, AtomsNameThePredefinedClasses)
{
    const std::pair<WORD, const char*> atoms[] = {
        {0x80, "Button"}, {0x81, "Edit"}, {0x82, "Static"},
        {0x83, "ListBox"}, {0x84, "ScrollBar"}, {0x85, "ComboBox"},
    };
    for (const auto& [atom, name] : atoms)
        EXPECT_EQ(ControlClassName(NameOrOrdinal::Id(atom)), name);
    EXPECT_EQ(vlm::posix::PredefinedControlClass(0x7F), nullptr);
    EXPECT_EQ(vlm::posix::PredefinedControlClass(0x86), nullptr);
    EXPECT_EQ(ControlClassName(NameOrOrdinal::Id(0x86)), "");
}

} // namespace
