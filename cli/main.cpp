// velmora-scan: the console front end of the scan engine.
#include "cli/CScanConsole.h"
#include "cli/ScanTargets.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: velmora-scan [DRIVE | MOUNT-POINT]...\n"
    "Lists the alternate data streams (named data streams) of every file and directory\n"
    "on the given NTFS drives, one \"!!! ADS FOUND !!!\" line per stream, then the counts.\n"
    "\n"
    "  DRIVE        a drive letter: C: or C:\\\n"
    "  MOUNT-POINT  the directory an NTFS volume is mounted on (Linux)\n"
    "               With none, every local fixed NTFS drive is scanned.\n"
    "  --list       show each drive letter with its type, file system and mount point\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "\n"
    "Exit status: 0 no stream found, 1 streams found, 2 error, 130 stopped with Ctrl-C.\n";

} // namespace

int main(int argc, char** argv)
{
    std::vector<CString> targets;
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!endOfOptions && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
                std::fputs(kUsage, stdout);
                return 0;
            }
            if (std::strcmp(arg, "--version") == 0) {
                std::printf("velmora-scan %s\n", VELMORA_VERSION);
                return 0;
            }
            if (std::strcmp(arg, "--list") == 0) {
                PrintDriveList(stdout);
                return 0;
            }
            if (std::strcmp(arg, "--") == 0) {
                endOfOptions = true;
                continue;
            }
            std::fprintf(stderr, "velmora-scan: unknown option '%s'\nTry 'velmora-scan --help'.\n", arg);
            return CScanConsole::Failed;
        }
        targets.emplace_back(arg);
    }

    CString roots;
    CString error;
    if (!ResolveScanRoots(targets, roots, error)) {
        std::fprintf(stderr, "velmora-scan: %s\n", static_cast<LPCSTR>(error));
        return CScanConsole::Failed;
    }

    CScanConsole console;
    const CScanConsole::ExitStatus status = console.Run(roots);
    if (status == CScanConsole::Interrupted)
        std::fprintf(stderr, "velmora-scan: stopped; the counts cover what was scanned before Ctrl-C\n");
    return status;
}
