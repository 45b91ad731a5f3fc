// A real NTFS volume for tests: a sparse image made by mkntfs, mounted through ntfs-3g in a
// fresh temporary folder, unmounted and removed when the object goes, whatever the test's end.
#pragma once

#include <memory>
#include <string>

namespace vlm::test {

class NtfsVolume {
public:
    // mkntfs on a sparse image in a fresh folder under /tmp, ntfs-3g mount at <folder>/mnt.
    // Null (with the reason printed) when mkntfs, ntfs-3g or FUSE are not available here; the
    // test then skips.
    static std::unique_ptr<NtfsVolume> Create(int sizeMiB = 16, const std::string& extraMountOptions = "");
    ~NtfsVolume(); // unmounts (retrying, lazily as a last resort) and removes the folder

    NtfsVolume(const NtfsVolume&) = delete;
    NtfsVolume& operator=(const NtfsVolume&) = delete;

    const std::string& MountPoint() const { return m_mountPoint; } // canonical, as the mount table has it
    const std::string& ImagePath() const { return m_image; }
    std::string Path(const std::string& relative) const; // MountPoint()/relative

    // These throw std::runtime_error on failure, which fails the test.
    void MakeDir(const std::string& relative);
    void WriteFile(const std::string& relative, const std::string& contents = "");
    // A named data stream: ntfs-3g's user.<name> attribute.
    void AddStream(const std::string& relative, const std::string& streamName, const std::string& value = "x");
    void Symlink(const std::string& target, const std::string& relative);
    // An NTFS junction (a directory reparse point) at `relative`, pointing to `targetRelative`
    // on this volume; ntfs-3g shows it as a symbolic link.
    void MakeJunction(const std::string& relative, const std::string& targetRelative);

    // Unmounts now (for tests of a vanished volume); true when the mount is gone.
    bool Unmount();
    bool Mounted() const { return m_mounted; }

    // The letter the platform layer gives this mount, '\0' if none (GetLogicalDrives +
    // QueryDosDeviceA), and its root "X:\".
    char Letter() const;
    std::string Root() const;

private:
    NtfsVolume() = default;

    std::string m_folder;
    std::string m_image;
    std::string m_mountPoint;
    bool m_mounted = false;
};

} // namespace vlm::test
