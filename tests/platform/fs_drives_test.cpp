// Drive letters from mount tables: which mounts get one, in what order, what kind of drive each
// is, and that letters outlive the mounts they were given to.
#include "fs_support.h"
#include "support/NtfsVolume.h"

#include "drive_letters.h"
#include "mount_table.h"
#include "winapi.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>

namespace vlm::test {
namespace {

std::string DosDevice(char letter)
{
    const char device[] = {letter, ':', '\0'};
    char target[4096] = {};
    const DWORD stored = QueryDosDeviceA(device, target, sizeof target);
    if (stored == 0)
        return "<none>";
    EXPECT_EQ(stored, std::string(target).size() + 2) << "multi-string with two terminators";
    return target;
}

std::string FileSystemName(const std::string& root)
{
    char name[256] = {};
    if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, sizeof name))
        return "<fails " + std::to_string(GetLastError()) + ">";
    return name;
}

DWORD Bit(char letter)
{
    return DWORD{1} << (letter - 'A');
}

// Writes an image with a real NTFS boot sector, and one of zeros of the same size.
struct ProbeImages {
    TempDir dir;
    std::string ntfs = dir.Path("ntfs.img");
    std::string zeros = dir.Path("zeros.img");
    bool made = false;

    ProbeImages()
    {
        const std::string command = "truncate -s 8M " + ntfs + " && truncate -s 8M " + zeros +
                                    " && mkntfs -F -q -f " + ntfs + " >/dev/null 2>&1";
        made = std::system(command.c_str()) == 0;
    }
};

// A sysfs of our own: 8:16 is a removable disk with partition 8:17; 259:0 a fixed disk with
// partition 259:3.
void MakeSysfs(const TempDir& dir)
{
    namespace fs = std::filesystem;
    const std::string sys = dir.Path("sys");
    for (const auto& [disk, removable] : {std::pair{"sdb", "1\n"}, std::pair{"nvme0n1", "0\n"}}) {
        fs::create_directories(sys + "/devices/pci/" + disk);
        dir.Write("sys/devices/pci/" + std::string(disk) + "/removable", removable);
    }
    fs::create_directories(sys + "/devices/pci/sdb/sdb1");
    fs::create_directories(sys + "/devices/pci/nvme0n1/nvme0n1p3");
    fs::create_directories(sys + "/dev/block");
    fs::create_symlink("../../devices/pci/sdb", sys + "/dev/block/8:16");
    fs::create_symlink("../../devices/pci/sdb/sdb1", sys + "/dev/block/8:17");
    fs::create_symlink("../../devices/pci/nvme0n1/nvme0n1p3", sys + "/dev/block/259:3");
}

class DriveTableTest : public ::testing::Test {
protected:
    void SetUp() override { MakeSysfs(table.Dir()); vlm::posix::SetSysfsRoot(table.Dir().Path("sys")); }
    void TearDown() override { vlm::posix::SetSysfsRoot(""); }
    InjectedMountTable table;
};

TEST_F(DriveTableTest, LettersGoInTableOrderToTheMountsWindowsWouldLetter)
{
    ProbeImages images;
    ASSERT_TRUE(images.made) << "mkntfs could not make a test image";
    table.Set(MountLine(20, "0:21", "/proc", "proc", "proc") +
              MountLine(21, "254:0", "/", "ext4", "/dev/vda") +
              MountLine(22, "259:3", "/mnt/win", "ntfs3", "/dev/nvme0n1p3", "shared:5 master:2") +
              MountLine(23, "8:17", "/media/usb\\040stick", "vfat", "/dev/sdb1", "") +
              MountLine(24, "0:40", "/tmp", "tmpfs", "tmpfs") +
              MountLine(25, "0:41", "/net/home", "nfs4", "server:/export/home") +
              MountLine(26, "0:42", "/var/lib/docker/overlay2/x/merged", "overlay", "overlay") +
              MountLine(27, "0:43", "/net/share", "cifs", "//server/share") +
              MountLine(28, "0:44", "/mnt/image", "fuseblk", images.ntfs) +
              MountLine(29, "0:45", "/mnt/not\\011ntfs", "fuseblk", images.zeros) +
              MountLine(30, "11:0", "/media/cdrom", "iso9660", "/dev/sr0") +
              MountLine(31, "0:46", "/mnt/ssh", "fuse.sshfs", "user@host:/home") +
              MountLine(32, "8:33", "/mnt/camera", "exfat", "/dev/sdc1") +
              MountLine(33, "0:47", "/mnt/plain-fuse", "fuse", images.ntfs) +
              MountLine(34, "7:0", "/snap/core/1", "squashfs", "/dev/loop0") +
              MountLine(35, "0:48", "/mnt/back\\134slash", "msdos", "/dev/fd0"));

    struct Expected {
        char letter;
        std::string mountPoint;
        UINT driveType;
        std::string fileSystem;
    };
    const Expected expected[] = {
        {'C', "/mnt/win", DRIVE_FIXED, "NTFS"},
        {'D', "/media/usb stick", DRIVE_REMOVABLE, "VFAT"},
        {'E', "/net/home", DRIVE_REMOTE, "NFS4"},
        {'F', "/net/share", DRIVE_REMOTE, "CIFS"},
        {'G', "/mnt/image", DRIVE_FIXED, "NTFS"},
        {'H', "/media/cdrom", DRIVE_CDROM, "ISO9660"},
        {'I', "/mnt/ssh", DRIVE_REMOTE, "FUSE.SSHFS"},
        {'J', "/mnt/camera", DRIVE_FIXED, "EXFAT"},
        {'K', "/mnt/plain-fuse", DRIVE_FIXED, "NTFS"},
        {'L', "/mnt/back\\slash", DRIVE_FIXED, "MSDOS"},
    };
    DWORD mask = 0;
    for (const Expected& drive : expected) {
        SCOPED_TRACE(drive.mountPoint);
        mask |= Bit(drive.letter);
        const std::string root = {drive.letter, ':', '\\'};
        EXPECT_EQ(DosDevice(drive.letter), drive.mountPoint);
        EXPECT_EQ(GetDriveTypeA(root.c_str()), drive.driveType);
        EXPECT_EQ(FileSystemName(root), drive.fileSystem);
    }
    EXPECT_EQ(GetLogicalDrives(), mask) << "proc, ext4, tmpfs, overlay, squashfs and a FUSE mount "
                                           "without an NTFS source get no letter";
}

TEST_F(DriveTableTest, RootsAreAcceptedInTheirUsualSpellings)
{
    table.Set(MountLine(22, "259:3", "/mnt/win", "ntfs3", "/dev/nvme0n1p3"));
    for (const char* root : {"C:\\", "c:\\", "C:", "c:/"}) {
        SCOPED_TRACE(root);
        EXPECT_EQ(GetDriveTypeA(root), UINT{DRIVE_FIXED});
        EXPECT_EQ(FileSystemName(root), "NTFS");
    }
    for (const char* notRoot : {"C:\\x", "C", "", "1:\\", "CC:\\"}) {
        SCOPED_TRACE(notRoot);
        EXPECT_EQ(GetDriveTypeA(notRoot), UINT{DRIVE_NO_ROOT_DIR});
    }
    EXPECT_EQ(GetDriveTypeA("D:\\"), UINT{DRIVE_NO_ROOT_DIR}) << "a letter never given";
    char name[256];
    EXPECT_FALSE(GetVolumeInformationA("D:\\", nullptr, 0, nullptr, nullptr, nullptr, name, sizeof name));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
}

TEST_F(DriveTableTest, LettersStayWithTheirMountsAcrossReReads)
{
    const std::string ntfs = MountLine(22, "259:3", "/mnt/win", "ntfs3", "/dev/nvme0n1p3");
    const std::string fat = MountLine(23, "8:17", "/media/usb", "vfat", "/dev/sdb1");
    const std::string nfs = MountLine(24, "0:41", "/net/home", "nfs4", "server:/home");
    const std::string exfat = MountLine(25, "8:33", "/mnt/camera", "exfat", "/dev/sdc1");
    table.Set(ntfs + fat + nfs);
    ASSERT_EQ(GetLogicalDrives(), Bit('C') | Bit('D') | Bit('E'));

    // The NTFS volume goes, a new one comes, and the survivors change places in the table.
    table.Set(nfs + exfat + fat);
    EXPECT_EQ(GetLogicalDrives(), Bit('D') | Bit('E') | Bit('F'));
    EXPECT_EQ(DosDevice('D'), "/media/usb");
    EXPECT_EQ(DosDevice('E'), "/net/home");
    EXPECT_EQ(DosDevice('F'), "/mnt/camera");
    // The vanished mount keeps its letter, but every call on it fails.
    EXPECT_EQ(DosDevice('C'), "<none>");
    EXPECT_EQ(GetDriveTypeA("C:\\"), UINT{DRIVE_NO_ROOT_DIR});
    char name[256];
    EXPECT_FALSE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, name, sizeof name));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_READY});
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\"));

    // Mounted again as it was: its letter back. The same mount point from another source is
    // another volume and gets a letter of its own.
    table.Set(nfs + exfat + fat + ntfs + MountLine(26, "259:4", "/mnt/win", "ntfs3", "/dev/nvme0n1p4"));
    EXPECT_EQ(GetLogicalDrives(), Bit('C') | Bit('D') | Bit('E') | Bit('F') | Bit('G'));
    EXPECT_EQ(DosDevice('C'), "/mnt/win");
    EXPECT_EQ(DosDevice('G'), "/mnt/win");
}

TEST_F(DriveTableTest, MountsBeyondZGetNoLetter)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += MountLine(100 + i, "8:" + std::to_string(i), "/media/disk" + std::to_string(i), "vfat", "/dev/sd" + std::to_string(i));
    table.Set(text);
    EXPECT_EQ(GetLogicalDrives(), DWORD{0x03FFFFFC}) << "C: to Z:, never A: or B:";
    EXPECT_EQ(DosDevice('Z'), "/media/disk23");
}

TEST_F(DriveTableTest, NetworkMountsAnswerWithoutBeingTouched)
{
    // The mount points do not exist: anything that looked at them would fail.
    table.Set(MountLine(24, "0:41", "/nonexistent/nfs", "nfs", "server:/export") +
              MountLine(25, "0:42", "/nonexistent/smb", "smb3", "//server/share"));
    ASSERT_EQ(GetLogicalDrives(), Bit('C') | Bit('D'));
    DWORD serial = 0;
    DWORD longest = 0;
    DWORD flags = 0;
    char label[32];
    char name[256];
    ASSERT_TRUE(GetVolumeInformationA("C:\\", label, sizeof label, &serial, &longest, &flags, name, sizeof name));
    EXPECT_STREQ(name, "NFS");
    EXPECT_EQ(longest, DWORD{255});
    EXPECT_EQ(GetDriveTypeA("D:\\"), UINT{DRIVE_REMOTE});
    EXPECT_EQ(FileSystemName("D:\\"), "SMB3");
}

TEST_F(DriveTableTest, SmallBuffersAreRefused)
{
    table.Set(MountLine(22, "259:3", "/mnt/win", "ntfs3", "/dev/nvme0n1p3"));
    char name[4];
    EXPECT_FALSE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, name, sizeof name));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    char target[9]; // "/mnt/win" needs 10 with its two terminators
    EXPECT_EQ(QueryDosDeviceA("C:", target, sizeof target), DWORD{0});
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    char all[16] = {};
    EXPECT_EQ(QueryDosDeviceA(nullptr, all, sizeof all), DWORD{4});
    EXPECT_EQ(std::string(all, 4), std::string("C:\0\0", 4));
}

TEST_F(DriveTableTest, VolumePathOfAPathIsTheRootOfTheMountHoldingIt)
{
    const TempDir& dir = table.Dir();
    const std::string volume = dir.MakeDir("vol");
    dir.MakeDir("vol/sub");
    dir.MakeDir("vol/inner");
    dir.MakeDir("volume2");
    table.Set(MountLine(22, "259:3", volume, "ntfs3", "/dev/nvme0n1p3") +
              MountLine(23, "254:1", volume + "/inner", "ext4", "/dev/vdb"));
    ASSERT_EQ(GetLogicalDrives(), Bit('C'));

    struct Case {
        std::string path;
        std::string root; // empty: fails
    };
    const Case cases[] = {
        {volume, "C:\\"},
        {volume + "/sub", "C:\\"},
        {volume + "/sub/not-there.txt", "C:\\"},
        {volume + "/sub/../sub/./x", "C:\\"},
        {volume + "/inner/file", ""}, // on the ext4 mounted inside the volume
        {dir.Path("volume2/file"), ""}, // a name that only starts like the mount point
        {"C:\\Docs\\a.txt", "C:\\"},
        {"d:\\x", "D:\\"},
        {"/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char root[8] = {};
        const BOOL ok = GetVolumePathNameA(c.path.c_str(), root, sizeof root);
        if (c.root.empty()) {
            EXPECT_FALSE(ok);
        } else {
            EXPECT_TRUE(ok);
            EXPECT_STREQ(root, c.root.c_str());
        }
    }
    char tiny[3];
    EXPECT_FALSE(GetVolumePathNameA(volume.c_str(), tiny, sizeof tiny));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILENAME_EXCED_RANGE});
}

TEST(MountInfoParse, FieldsEscapesAndOptionalFields)
{
    const auto entries = vlm::posix::ParseMountInfo(
        "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 shared:7 - ext3 /dev/root rw,errors=continue\n"
        "garbage line\n"
        "37 35 0:50 / /media/a\\040b\\011c\\012d\\134e rw - vfat /dev/s\\040b rw\n"
        "38 35 0:51 / /no/separator rw shared:1 vfat /dev/x rw\n"
        "39 35 0:52 / /no/optional rw - nfs4 host:/x rw,vers=4\n"
        "40 35 0:53 / /trailing\\04 rw - tmpfs tmpfs rw");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].mountId, 36);
    EXPECT_EQ(entries[0].parentId, 35);
    EXPECT_EQ(entries[0].major, 98u);
    EXPECT_EQ(entries[0].minor, 0u);
    EXPECT_EQ(entries[0].root, "/mnt1");
    EXPECT_EQ(entries[0].mountPoint, "/mnt/parent");
    EXPECT_EQ(entries[0].fsType, "ext3");
    EXPECT_EQ(entries[0].source, "/dev/root");
    EXPECT_EQ(entries[0].superOptions, "rw,errors=continue");
    EXPECT_EQ(entries[1].mountPoint, "/media/a b\tc\nd\\e");
    EXPECT_EQ(entries[1].source, "/dev/s b");
    EXPECT_EQ(entries[2].fsType, "nfs4");
    EXPECT_EQ(entries[2].source, "host:/x");
    EXPECT_EQ(entries[3].mountPoint, "/trailing\\04") << "an incomplete escape stays as it is";
}

TEST(RealVolume, AnNtfs3gMountOfAnImageIsAFixedNtfsDrive)
{
    auto volume = NtfsVolume::Create();
    if (!volume)
        GTEST_SKIP() << "no NTFS volume can be mounted here";
    const char letter = volume->Letter();
    ASSERT_NE(letter, '\0');
    const std::string root = volume->Root();
    EXPECT_EQ(GetDriveTypeA(root.c_str()), UINT{DRIVE_FIXED});
    DWORD serial = 0;
    DWORD flags = 0;
    char name[256];
    ASSERT_TRUE(GetVolumeInformationA(root.c_str(), nullptr, 0, &serial, nullptr, &flags, name, sizeof name));
    EXPECT_STREQ(name, "NTFS");
    EXPECT_TRUE(flags & 0x00040000) << "named streams";

    unsigned char boot[0x4C] = {};
    std::FILE* image = std::fopen(volume->ImagePath().c_str(), "rb");
    ASSERT_TRUE(image);
    EXPECT_EQ(std::fread(boot, 1, sizeof boot, image), sizeof boot);
    std::fclose(image);
    EXPECT_EQ(serial, DWORD(boot[0x48]) | DWORD(boot[0x49]) << 8 | DWORD(boot[0x4A]) << 16 | DWORD(boot[0x4B]) << 24)
        << "the serial number in the boot sector, as Windows shows it";

    char volumePath[8];
    ASSERT_TRUE(GetVolumePathNameA(volume->Path("").c_str(), volumePath, sizeof volumePath));
    EXPECT_EQ(volumePath, root);
    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    EXPECT_EQ(GetDriveTypeA(nullptr), UINT{DRIVE_FIXED}) << "no root: the current directory's drive";
}

// The FUSE probe's fallback: a source that cannot be read, but a mount root that carries
// ntfs-3g's attribute.
TEST_F(DriveTableTest, FuseMountWithUnreadableSourceIsToldByItsRoot)
{
    auto volume = NtfsVolume::Create();
    if (!volume)
        GTEST_SKIP() << "no NTFS volume can be mounted here";
    table.Set(MountLine(40, "0:90", volume->MountPoint(), "fuseblk", "/dev/disk/by-id/missing") +
              MountLine(41, "0:91", table.Dir().Path(""), "fuseblk", "/dev/disk/by-id/also-missing") +
              MountLine(42, "0:92", volume->MountPoint(), "fuse", "host:/not-a-path"));
    EXPECT_EQ(GetLogicalDrives(), Bit('C'));
    EXPECT_EQ(DosDevice('C'), volume->MountPoint());
}

// Entering a root checks that the mount is really there, not just its folder.
TEST_F(DriveTableTest, StaleTableEntryCannotBeEntered)
{
    const std::string folder = table.Dir().MakeDir("empty-mount-point");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    const std::string realDevice = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    table.Set(MountLine(40, "0:999", folder, "ntfs3", "/dev/gone") + MountLine(41, realDevice, folder, "vfat", "/dev/here"));
    ASSERT_EQ(GetLogicalDrives(), Bit('C') | Bit('D'));
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_READY});
    EXPECT_TRUE(SetCurrentDirectoryA("D:\\")) << "the device matches, so this one is the mount";
}

} // namespace
} // namespace vlm::test
