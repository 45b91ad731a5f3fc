// The window tests run on Qt's offscreen platform: no display is needed and nothing shows.
#include <QString>
#include <QtGlobal>

#include <cstdlib>

namespace {

const QtMessageHandler g_previous = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The offscreen platform says so each time a window asks it for something only a window
    // system can do (raising a window, size hints); that is expected here.
    return qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.startsWith("This plugin does not support"))
            return;
        if (g_previous)
            g_previous(type, context, message);
    });
}();

} // namespace

// Under LeakSanitizer: fontconfig keeps caches for the life of the process that it never frees;
// they are not the program's leaks.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
