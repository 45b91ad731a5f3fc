// The window tests run on Qt's offscreen platform: no display is needed and nothing shows.
#include <cstdlib>

namespace {

const bool g_offscreen = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}();

} // namespace

// Under LeakSanitizer: fontconfig keeps caches for the life of the process that it never frees;
// they are not the program's leaks.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
