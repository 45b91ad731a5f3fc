// The dialog's tests run on Qt's offscreen platform: no display is needed and nothing shows.
#include "app/CScanApp.h"

#include <cstdlib>

namespace {

const bool g_offscreen = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}();

} // namespace

// The program's application object, as the dialog finds it (its name is the boxes' caption).
CScanApp theApp;

// Under LeakSanitizer: fontconfig keeps caches for the life of the process that it never frees.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
