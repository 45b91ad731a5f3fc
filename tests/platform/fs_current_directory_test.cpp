// The layer's current directory on a real NTFS volume: roots, children, "..", and everything it
// must refuse (links, other devices, paths too long for Windows, volumes that are gone).
#include "fs_support.h"
#include "support/NtfsVolume.h"

#include "current_directory.h"
#include "winapi.h"

#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

namespace vlm::test {
namespace {

std::string CurrentDirectory()
{
    const DWORD size = GetCurrentDirectoryA(0, nullptr);
    if (size == 0)
        return "<fails>";
    std::string path(size, '\0');
    const DWORD length = GetCurrentDirectoryA(size, path.data());
    EXPECT_EQ(length + 1, size) << "the size asked for includes the terminator, the copy's length does not";
    path.resize(length);
    return path;
}

class CurrentDirectoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_volume = NtfsVolume::Create();
        if (!s_volume)
            return;
        NtfsVolume& v = *s_volume;
        v.MakeDir("Docs");
        v.MakeDir("Docs/Sub");
        v.WriteFile("file.txt", "x");
        v.Symlink("Docs", "link-to-dir");
        v.MakeJunction("junction", "Docs");
        v.MakeDir("Übersicht 日本");
        v.MakeDir("inner");
    }
    static void TearDownTestSuite() { s_volume.reset(); }

    void SetUp() override
    {
        if (!s_volume)
            GTEST_SKIP() << "no NTFS volume can be mounted here";
        ASSERT_NE(s_volume->Letter(), '\0');
        m_root = s_volume->Root();
        ASSERT_TRUE(SetCurrentDirectoryA(m_root.c_str()));
    }

    static inline std::unique_ptr<NtfsVolume> s_volume;
    std::string m_root;
};

TEST_F(CurrentDirectoryTest, RootEndsInABackslashAndAnyCaseOfLetterEntersIt)
{
    const std::string lower = {static_cast<char>(std::tolower(m_root[0])), ':', '\\'};
    ASSERT_TRUE(SetCurrentDirectoryA(lower.c_str()));
    EXPECT_EQ(CurrentDirectory(), m_root);
    ASSERT_TRUE(SetCurrentDirectoryA(m_root.substr(0, 2).c_str())) << "the bare \"X:\" form";
    EXPECT_EQ(CurrentDirectory(), m_root);

    char small[3] = {'?', '?', '?'};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), DWORD{4}) << "too small: the size needed";
    EXPECT_EQ(small[0], '?') << "nothing written";
    char exact[4];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof exact, exact), DWORD{3});
    EXPECT_STREQ(exact, m_root.c_str());
}

TEST_F(CurrentDirectoryTest, ChildrenAndParents)
{
    ASSERT_TRUE(SetCurrentDirectoryA("Docs"));
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs");
    ASSERT_TRUE(SetCurrentDirectoryA("Sub"));
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs\\Sub");
    ASSERT_TRUE(SetCurrentDirectoryA("."));
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs\\Sub");
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs");
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(CurrentDirectory(), m_root);
    ASSERT_TRUE(SetCurrentDirectoryA("..")) << "\"..\" at a root stays at the root";
    EXPECT_EQ(CurrentDirectory(), m_root);

    ASSERT_TRUE(SetCurrentDirectoryA("Übersicht 日本"));
    EXPECT_EQ(CurrentDirectory(), m_root + "Übersicht 日本");
    ASSERT_TRUE(SetCurrentDirectoryA((m_root + "Docs\\Sub").c_str())) << "a whole Windows path, as GetCurrentDirectoryA gives it";
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs\\Sub");
}

TEST_F(CurrentDirectoryTest, RefusalsLeaveTheCurrentDirectoryWhereItWas)
{
    struct Case {
        const char* name;
        DWORD error;
    };
    const Case cases[] = {
        {"file.txt", ERROR_DIRECTORY},
        {"missing", ERROR_FILE_NOT_FOUND},
        {"link-to-dir", ERROR_DIRECTORY}, // links are never entered
        {"junction", ERROR_DIRECTORY},
        {"Docs/Sub", ERROR_INVALID_NAME}, // one plain name at a time
        {"", ERROR_INVALID_NAME},
    };
    ASSERT_TRUE(SetCurrentDirectoryA("Docs"));
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_FALSE(SetCurrentDirectoryA(c.name));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(CurrentDirectory(), m_root);
    }
    EXPECT_FALSE(SetCurrentDirectoryA(nullptr));
}

TEST_F(CurrentDirectoryTest, PathsLongerThanWindowsAllowsAreRefused)
{
    // A directory's path plus its trailing backslash must fit 259 UTF-16 units: 258 for the path.
    // "X:\" + 200 + "\" leaves 54 units for the last name.
    const std::string parent(200, 'p');
    s_volume->MakeDir(parent);
    const std::string fits(54, 'f');
    const std::string tooLong(55, 'l');
    std::string accents; // 54 units in 108 bytes: the limit counts UTF-16, not bytes
    for (int i = 0; i < 54; ++i)
        accents += "é";
    std::string accentsAndEmoji; // 53 + a surrogate pair = 55 units
    for (int i = 0; i < 53; ++i)
        accentsAndEmoji += "é";
    accentsAndEmoji += "😀";
    for (const std::string& name : {fits, tooLong, accents, accentsAndEmoji})
        s_volume->MakeDir(parent + "/" + name);

    ASSERT_TRUE(SetCurrentDirectoryA(parent.c_str()));
    for (const auto& [name, fitsLimit] : {std::pair{fits, true}, std::pair{tooLong, false}, std::pair{accents, true},
                                          std::pair{accentsAndEmoji, false}}) {
        SCOPED_TRACE(name);
        if (fitsLimit) {
            ASSERT_TRUE(SetCurrentDirectoryA(name.c_str()));
            EXPECT_EQ(CurrentDirectory(), m_root + parent + "\\" + name);
            ASSERT_TRUE(SetCurrentDirectoryA(".."));
        } else {
            EXPECT_FALSE(SetCurrentDirectoryA(name.c_str()));
            EXPECT_EQ(GetLastError(), DWORD{ERROR_FILENAME_EXCED_RANGE});
            EXPECT_EQ(CurrentDirectory(), m_root + parent);
        }
    }
}

TEST_F(CurrentDirectoryTest, TheWalkDoesNotCrossIntoAnotherFileSystem)
{
    const std::string inner = s_volume->Path("inner");
    if (::mount("vlm-test", inner.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{inner};
    EXPECT_FALSE(SetCurrentDirectoryA("inner"));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_SAME_DEVICE});
    EXPECT_EQ(CurrentDirectory(), m_root);
}

TEST_F(CurrentDirectoryTest, AVolumeThatIsGoneCannotBeEntered)
{
    auto gone = NtfsVolume::Create();
    ASSERT_TRUE(gone);
    const std::string root = gone->Root();
    ASSERT_NE(root[0], '\0');
    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    ASSERT_TRUE(SetCurrentDirectoryA(m_root.c_str()));
    ASSERT_TRUE(gone->Unmount());
    // Its empty mount-point folder is still there; it is not the volume.
    EXPECT_FALSE(SetCurrentDirectoryA(root.c_str()));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_READY});
    EXPECT_EQ(GetDriveTypeA(root.c_str()), UINT{DRIVE_NO_ROOT_DIR});
    EXPECT_EQ(CurrentDirectory(), m_root);
}

TEST_F(CurrentDirectoryTest, ReadersSeeWholePathsWhileAnotherThreadMovesIt)
{
    const std::string docs = m_root + "Docs";
    std::atomic<bool> done{false};
    std::thread mover([&] {
        for (int i = 0; i < 300; ++i) {
            EXPECT_TRUE(SetCurrentDirectoryA("Docs") || SetCurrentDirectoryA(m_root.c_str()));
            EXPECT_TRUE(SetCurrentDirectoryA(".."));
        }
        done = true;
    });
    while (!done) {
        // One call with room to spare: asking the size first and copying second is a race of
        // its own, on Windows too.
        char buffer[1024];
        const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
        const std::string path(buffer, length < sizeof buffer ? length : 0);
        if (path != m_root && path != docs) {
            ADD_FAILURE() << "torn path " << path;
            break;
        }
    }
    mover.join();
}

TEST_F(CurrentDirectoryTest, BeforeAnyChangeItIsTheWorkingDirectoryWhenThatIsOnALetteredVolume)
{
    char saved[PATH_MAX];
    ASSERT_TRUE(::getcwd(saved, sizeof saved));
    struct Restore {
        const char* path;
        ~Restore()
        {
            if (::chdir(path) != 0)
                ADD_FAILURE() << "cannot return to " << path;
            vlm::posix::ForgetCurrentDirectory();
        }
    } restore{saved};

    ASSERT_EQ(::chdir(s_volume->Path("Docs/Sub").c_str()), 0);
    vlm::posix::ForgetCurrentDirectory();
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs\\Sub");
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(CurrentDirectory(), m_root + "Docs");
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(CurrentDirectory(), m_root);
    char cwd[PATH_MAX];
    ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
    EXPECT_EQ(std::string(cwd), s_volume->Path("Docs/Sub")) << "the process's own working directory never moves";

    ASSERT_EQ(::chdir("/"), 0);
    vlm::posix::ForgetCurrentDirectory();
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), DWORD{0}) << "/ has no letter";
}

} // namespace
} // namespace vlm::test
