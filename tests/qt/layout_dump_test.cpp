// The Linux window layer's dialogs as they come out of the program's templates, written to a
// layout file beside the test program (dialog-layout.txt) for the Windows tests, which compare it
// with the real dialog manager's layout; and checked here against the templates themselves.
#include "../win32_gui/dialog_layout.h"
#include "qt_support.h"

#include <climits>
#include <fstream>
#include <unistd.h>

namespace vlm::test {
namespace {

std::string LayoutFilePath()
{
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string("./x");
    return path.substr(0, path.find_last_of('/') + 1) + "dialog-layout.txt";
}

bool IsIconStatic(const TemplateControl& control)
{
    return (SameClass(control.className, "Static") || control.className == "#130") &&
           (control.style & SS_TYPEMASK) == SS_ICON;
}

TEST(LayoutFile, TheDialogsAreWrittenAsTheyAreLaidOut)
{
    const std::string path = LayoutFilePath();
    std::ofstream out(path, std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out << "# The Linux window layer's dialogs: template boxes (dialog units) and windows (pixels)\n";
    for (const int id : {IDD_SCAN_DIALOG, IDD_ABOUTBOX}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const auto plan = ReadDialogTemplate(id);
        ASSERT_TRUE(plan) << "no extended template";
        TestDialog dialog(id);
        ASSERT_NE(dialog.Window(), nullptr);
        const auto layout = LayoutOf(id, dialog.Window());
        ASSERT_TRUE(layout);
        ASSERT_EQ(layout->controls.size(), plan->controls.size()) << "one window for each template control";
        WriteLayout(out, *layout);

        EXPECT_EQ(Box({0, 0, layout->client.cx, layout->client.cy}), MappedBox(layout->base, {0, 0, plan->du.cx, plan->du.cy}));
        for (size_t i = 0; i < plan->controls.size(); ++i) {
            const TemplateControl& control = plan->controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(control.id));
            const Box real = layout->controls[i].px;
            const Box wanted = MappedBox(dialog.Window(), control.du);
            if (IsIconStatic(control)) {
                EXPECT_EQ(Box({real.x, real.y, 0, 0}), Box({wanted.x, wanted.y, 0, 0}));
                EXPECT_EQ(real.cx, GetSystemMetrics(SM_CXICON));
            } else if (SameClass(control.className, "ComboBoxEx32")) {
                // The template's height is the dropped-down list's; the closed box is lower.
                EXPECT_EQ(Box({real.x, real.y, real.cx, 0}), Box({wanted.x, wanted.y, wanted.cx, 0}));
                EXPECT_LE(real.cy, wanted.cy);
            } else {
                EXPECT_EQ(real, wanted);
            }
        }
    }
    out.close();
    EXPECT_TRUE(out) << "writing " << path << " failed";
}

} // namespace
} // namespace vlm::test
