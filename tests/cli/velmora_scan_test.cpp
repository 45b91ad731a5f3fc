// velmora-scan as a user runs it: the real executable on real NTFS volumes.
#include "support/NtfsVolume.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

using vlm::test::NtfsVolume;

namespace {

struct ScannerRun {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs velmora-scan with `args`. `onOutput` sees standard output as it grows and may signal the
// child. With `errToTerminal`, standard error is a pseudo-terminal.
ScannerRun RunScanner(const std::vector<std::string>& args, bool errToTerminal = false,
               const std::function<void(const std::string& out, pid_t child)>& onOutput = {})
{
    int outPipe[2];
    int errPipe[2];
    int terminal = -1;
    int errChild = -1;
    if (pipe(outPipe) != 0)
        throw std::runtime_error("pipe");
    if (errToTerminal) {
        if (openpty(&terminal, &errChild, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty");
    } else {
        if (pipe(errPipe) != 0)
            throw std::runtime_error("pipe");
        terminal = errPipe[0];
        errChild = errPipe[1];
    }

    std::vector<char*> argv;
    std::string program = VLM_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        dup2(outPipe[1], 1);
        dup2(errChild, 2);
        close(outPipe[0]);
        close(terminal);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errChild);

    ScannerRun run;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {terminal, POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(fds, 2, 1000) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(n));
            if (i == 0 && onOutput)
                onOutput(run.out, child);
        }
    }
    for (pollfd& fd : fds) {
        if (fd.fd >= 0)
            close(fd.fd);
    }
    if (std::chrono::steady_clock::now() >= deadline)
        kill(child, SIGKILL);
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return run;
}

std::string Summary(int files, int withStreams)
{
    return std::to_string(files) + " files scanned\n" + std::to_string(withStreams) +
           " file(s) contained Alternate Data Streams\n";
}

class VelmoraScan : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_volume = NtfsVolume::Create();
        if (!s_volume)
            return;
        s_volume->MakeDir("Downloads");
        s_volume->WriteFile("Downloads/setup.exe", "MZ");
        s_volume->AddStream("Downloads/setup.exe", "Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
        s_volume->WriteFile("notes.txt", "n");
        s_clean = NtfsVolume::Create();
        if (s_clean)
            s_clean->WriteFile("plain.txt", "p");
    }
    static void TearDownTestSuite()
    {
        s_volume.reset();
        s_clean.reset();
    }
    void SetUp() override
    {
        if (!s_volume || !s_clean)
            GTEST_SKIP() << "NTFS volumes cannot be made here";
        ASSERT_NE(s_volume->Letter(), '\0');
        ASSERT_NE(s_clean->Letter(), '\0');
        m_drive = s_volume->Root().substr(0, 2);
    }
    static inline std::unique_ptr<NtfsVolume> s_volume;
    static inline std::unique_ptr<NtfsVolume> s_clean;
    std::string m_drive;
};

TEST_F(VelmoraScan, PrintsTheEngineLinesThenTheCountsAndExitsOneWhenStreamsWereFound)
{
    const std::string expected = "!!! ADS FOUND !!! Name=:Zone.Identifier:$DATA File=" + m_drive +
                                 "\\Downloads\\setup.exe\n" + Summary(3, 1);
    // The letter in its forms, and the mount point, name the same volume.
    for (const std::string& target : {m_drive, m_drive + "\\", s_volume->MountPoint(), s_volume->MountPoint() + "/"}) {
        ScannerRun run = RunScanner({target});
        EXPECT_EQ(run.status, 1) << target << "\n" << run.err;
        EXPECT_EQ(run.out, expected) << target;
        // Not a terminal: no status line at all.
        EXPECT_EQ(run.err, "") << target;
    }
}

TEST_F(VelmoraScan, ExitsZeroWhenNoStreamWasFoundAndScansEveryTargetOnce)
{
    ScannerRun clean = RunScanner({s_clean->Root().substr(0, 2)});
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_EQ(clean.out, Summary(1, 0));

    const std::string cleanDrive = s_clean->Root().substr(0, 2);
    ScannerRun both = RunScanner({m_drive, cleanDrive, m_drive});
    EXPECT_EQ(both.status, 1) << both.err;
    EXPECT_NE(both.out.find(Summary(4, 1)), std::string::npos) << both.out;
}

TEST_F(VelmoraScan, WithoutArgumentsEveryLocalFixedNtfsDriveIsScanned)
{
    ScannerRun run = RunScanner({});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("File=" + m_drive + "\\Downloads\\setup.exe\n"), std::string::npos) << run.out;
    // Both volumes of this suite, and whatever other NTFS drives the machine has.
    const size_t counts = run.out.find(" files scanned\n");
    ASSERT_NE(counts, std::string::npos);
    const size_t lineStart = run.out.rfind('\n', counts);
    EXPECT_GE(std::stoi(run.out.substr(lineStart == std::string::npos ? 0 : lineStart + 1)), 4);
}

TEST_F(VelmoraScan, RefusesWhatIsNotAnNtfsDriveWithStatusTwo)
{
    char unused[] = "/tmp/velmora-notmount-XXXXXX";
    ASSERT_NE(mkdtemp(unused), nullptr);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--frobnicate"}, "unknown option"},
        {{"B:"}, "no such drive"},
        {{"C:x"}, "give a drive as"},
        {{unused}, "not the mount point"},
        {{s_volume->Path("Downloads")}, "not its mount point"},
        {{"/nonexistent/velmora"}, "not the mount point"},
        {{m_drive, "B:"}, "no such drive"},
    };
    for (const Case& c : cases) {
        ScannerRun run = RunScanner(c.args);
        EXPECT_EQ(run.status, 2) << c.args.front();
        EXPECT_EQ(run.out, "") << c.args.front();
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args.front() << ": " << run.err;
    }
    rmdir(unused);
}

TEST_F(VelmoraScan, ListsEachLetterWithItsMountPointFileSystemAndType)
{
    ScannerRun run = RunScanner({"--list"});
    EXPECT_EQ(run.status, 0);
    const std::string line = m_drive + "  fixed      NTFS    " + s_volume->MountPoint() + "\n";
    EXPECT_NE(run.out.find(line), std::string::npos) << run.out;

    ScannerRun help = RunScanner({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: velmora-scan"), std::string::npos);
    ScannerRun version = RunScanner({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("velmora-scan ", 0), 0u);
}

TEST_F(VelmoraScan, OnATerminalTheCheckedDirectoryIsOneLineRewrittenInPlace)
{
    ScannerRun run = RunScanner({m_drive}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("\rChecking Directory: " + m_drive + "\\\\Downloads"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), std::string::npos) << "the status line must never scroll";
    EXPECT_NE(run.out.find(Summary(3, 1)), std::string::npos);
}

TEST(VelmoraScanStop, CtrlCStopsTheWalkAndPrintsTheCountsSoFar)
{
    auto volume = NtfsVolume::Create();
    if (!volume)
        GTEST_SKIP() << "NTFS volumes cannot be made here";
    volume->WriteFile("a-first.txt");
    volume->AddStream("a-first.txt", "first");
    // Entries whose streams do not fit the first query buffer each cost a pause, which leaves
    // time for the interrupt to land mid-walk.
    for (int f = 0; f < 6; ++f) {
        const std::string file = "b-crowded-" + std::to_string(f) + ".txt";
        volume->WriteFile(file);
        for (int i = 0; i < 30; ++i)
            volume->AddStream(file, "s" + std::to_string(i) + std::string(200, 'y'));
    }
    bool signalled = false;
    ScannerRun run = RunScanner({volume->MountPoint()}, false, [&](const std::string& out, pid_t child) {
        if (!signalled && out.find("first") != std::string::npos) {
            kill(child, SIGINT);
            signalled = true;
        }
    });
    ASSERT_TRUE(signalled) << run.out;
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.out.find(" files scanned\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(Summary(7, 7)), std::string::npos) << "the whole volume was scanned";
    EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
}

} // namespace
