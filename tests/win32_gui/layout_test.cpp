// The dialogs' controls sit where their templates put them: on Windows through the real dialog
// manager and the dialog font's base units, and in the Linux window layer (from the layout file
// the Linux build writes), compared in dialog units.
#include "dialog_layout.h"
#include "gui_support.h"

#include <gtest/gtest.h>

#include <iostream>

namespace vlm::test {
namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A modeless dialog from the program's resources, destroyed with the object.
class ShownDialog {
public:
    explicit ShownDialog(int id)
    {
        AfxInitRichEdit();
        m_window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, PlainDialogProc, 0);
        Pump();
    }
    ~ShownDialog()
    {
        if (m_window)
            DestroyWindow(m_window);
        Pump();
    }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;
    HWND Window() const { return m_window; }

private:
    HWND m_window = nullptr;
};

bool IsIconStatic(const TemplateControl& control)
{
    return (SameClass(control.className, "Static") || control.className == "#130") &&
           (control.style & SS_TYPEMASK) == SS_ICON;
}

TEST(Layout, EveryControlSitsAtItsTemplatesPlace)
{
    ASSERT_TRUE(HasDisplay()) << "no display";
    for (const int id : {IDD_SCAN_DIALOG, IDD_ABOUTBOX}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const auto plan = ReadDialogTemplate(id);
        ASSERT_TRUE(plan) << "no extended template";
        ShownDialog dialog(id);
        ASSERT_NE(dialog.Window(), nullptr) << "CreateDialogParamA failed: " << GetLastError();
        const SIZE base = BaseUnitsOf(dialog.Window());
        std::cout << "dialog " << id << ": Windows base units " << base.cx << " x " << base.cy << "\n";
        ASSERT_GT(base.cx, 3);
        ASSERT_GT(base.cy, 7);

        RECT client{};
        GetClientRect(dialog.Window(), &client);
        const Box size = MappedBox(dialog.Window(), plan->du);
        EXPECT_EQ(client.right - client.left, size.cx);
        EXPECT_EQ(client.bottom - client.top, size.cy);

        const std::vector<HWND> windows = ChildWindows(dialog.Window());
        ASSERT_EQ(windows.size(), plan->controls.size());
        for (size_t i = 0; i < windows.size(); ++i) {
            const TemplateControl& control = plan->controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(control.id) + " " + control.className);
            EXPECT_EQ(GetDlgCtrlID(windows[i]), control.id);
            const Box real = WindowBox(dialog.Window(), windows[i]);
            const Box wanted = MappedBox(dialog.Window(), control.du);
            std::cout << "  " << control.id << " " << control.className << " du " << control.du << " px " << real
                      << " mapped " << wanted << "\n";
            if (IsIconStatic(control)) {
                // An icon static takes its icon's size at the template's place.
                EXPECT_EQ(real.x, wanted.x);
                EXPECT_EQ(real.y, wanted.y);
                EXPECT_EQ(real.cx, GetSystemMetrics(SM_CXICON));
                EXPECT_EQ(real.cy, GetSystemMetrics(SM_CYICON));
            } else if (SameClass(control.className, WC_COMBOBOXEXA)) {
                // The template's height is the dropped-down list's; the closed box is as high as
                // its selection field.
                EXPECT_EQ(real.x, wanted.x);
                EXPECT_EQ(real.y, wanted.y);
                EXPECT_EQ(real.cx, wanted.cx);
                EXPECT_LE(real.cy, wanted.cy);
            } else {
                EXPECT_EQ(real, wanted);
            }
        }
    }
}

// The layout file's path as this process can open it: Wine hands on the host's environment, so
// a host path is turned into its Windows name.
std::string WindowsPathOf(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    using DosFileName = LPWSTR(CDECL*)(LPCSTR);
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const auto toDos = kernel32 ? reinterpret_cast<DosFileName>(reinterpret_cast<void*>(
                                      GetProcAddress(kernel32, "wine_get_dos_file_name")))
                                : nullptr;
    if (!toDos)
        return path;
    LPWSTR wide = toDos(path.c_str());
    if (!wide)
        return path;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, converted.data(), bytes, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, wide);
    converted.resize(converted.size() - 1);
    return converted;
}

std::string LayoutFileName()
{
    char value[4096] = {};
    const DWORD length = GetEnvironmentVariableA("VLM_LINUX_DIALOG_LAYOUT", value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// Dialog units of a closed box's height, from pixels and the vertical base unit.
double HeightInDialogUnits(int pixels, int baseY)
{
    return pixels * 8.0 / baseY;
}

TEST(Layout, TheLinuxDialogsPutEveryControlAtTheSameDialogUnits)
{
    ASSERT_TRUE(HasDisplay()) << "no display";
    const std::string file = LayoutFileName();
    if (file.empty())
        GTEST_SKIP() << "VLM_LINUX_DIALOG_LAYOUT names no layout file (scripts/test-windows.sh sets it to the "
                        "one the Linux build's qt_tests write, build/release/tests/dialog-layout.txt)";
    const std::string path = WindowsPathOf(file);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no Linux layout file at " << file
                     << ": build and run the Linux tests first (scripts/test.sh does both in that order)";
    std::string error;
    const auto linuxLayout = ReadLayoutFile(path, error);
    ASSERT_TRUE(linuxLayout) << error;

    for (const int id : {IDD_SCAN_DIALOG, IDD_ABOUTBOX}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const auto plan = ReadDialogTemplate(id);
        ASSERT_TRUE(plan);
        const LaidOutDialog* other = nullptr;
        for (const LaidOutDialog& dialog : *linuxLayout)
            other = dialog.templateId == id ? &dialog : other;
        ASSERT_NE(other, nullptr) << "the layout file has no dialog " << id;
        ShownDialog dialog(id);
        ASSERT_NE(dialog.Window(), nullptr);
        const auto here = LayoutOf(id, dialog.Window());
        ASSERT_TRUE(here);
        std::cout << "dialog " << id << ": base units Windows " << here->base.cx << " x " << here->base.cy
                  << ", Linux " << other->base.cx << " x " << other->base.cy << "\n";
        ::testing::Test::RecordProperty("base_units_" + std::to_string(id),
                                        std::to_string(here->base.cx) + "x" + std::to_string(here->base.cy) +
                                            " windows, " + std::to_string(other->base.cx) + "x" +
                                            std::to_string(other->base.cy) + " linuxLayout");

        // The client area holds the template's size in each system's own base units.
        EXPECT_EQ(Box({0, 0, other->client.cx, other->client.cy}), MappedBox(other->base, {0, 0, plan->du.cx, plan->du.cy}));
        ASSERT_EQ(other->controls.size(), plan->controls.size());
        for (size_t i = 0; i < plan->controls.size(); ++i) {
            const TemplateControl& control = plan->controls[i];
            const LaidOutControl& theirs = other->controls[i];
            const Box& ours = here->controls[i].px;
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(control.id) + " " + control.className);
            // The same template read on both sides: the same control, the same box.
            EXPECT_EQ(theirs.index, static_cast<int>(i));
            EXPECT_EQ(theirs.id, control.id);
            EXPECT_PRED2(SameClass, theirs.className, control.className);
            EXPECT_EQ(theirs.du, control.du);
            // Each window at the template's dialog units in its own system's base units.
            const Box wanted = MappedBox(other->base, control.du);
            if (IsIconStatic(control)) {
                // Both take the icon's size at the template's place.
                EXPECT_EQ(Box({theirs.px.x, theirs.px.y, 0, 0}), Box({wanted.x, wanted.y, 0, 0}));
                EXPECT_EQ(Box({0, 0, theirs.px.cx, theirs.px.cy}), Box({0, 0, ours.cx, ours.cy}));
            } else if (SameClass(control.className, WC_COMBOBOXEXA)) {
                EXPECT_EQ(Box({theirs.px.x, theirs.px.y, theirs.px.cx, 0}), Box({wanted.x, wanted.y, wanted.cx, 0}));
                // The closed box's height is the selection field's, which each system's control
                // chooses for its font; it is reported, not compared.
                std::cout << "  closed drive list: Windows " << ours.cy << " px ("
                          << HeightInDialogUnits(ours.cy, here->base.cy) << " du), Linux " << theirs.px.cy << " px ("
                          << HeightInDialogUnits(theirs.px.cy, other->base.cy) << " du)\n";
                EXPECT_LE(theirs.px.cy, wanted.cy);
            } else {
                EXPECT_EQ(theirs.px, wanted);
            }
        }
    }
}

} // namespace
} // namespace vlm::test
