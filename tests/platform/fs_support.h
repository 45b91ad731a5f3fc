// Small fixtures shared by the file-system tests of the platform layer.
#pragma once

#include "vlm_posix.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vlm::test {

// A fresh folder under /tmp, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        char name[] = "/tmp/vlm-fs-test-XXXXXX";
        if (!::mkdtemp(name))
            throw std::runtime_error("mkdtemp failed");
        m_path = std::filesystem::canonical(name).string();
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Path(const std::string& relative) const { return m_path + "/" + relative; }
    std::string Write(const std::string& relative, const std::string& contents) const
    {
        const std::string path = Path(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }
    std::string MakeDir(const std::string& relative) const
    {
        std::filesystem::create_directories(Path(relative));
        return Path(relative);
    }

private:
    std::string m_path;
};

// Points the layer at a mount table of the test's own and gives letters afresh; the process's
// own table and fresh letters come back afterwards.
class InjectedMountTable {
public:
    InjectedMountTable() : m_file(m_dir.Path("mountinfo")) { vlm::posix::ResetDriveLetters(); }
    ~InjectedMountTable()
    {
        vlm::posix::SetMountTableSource("");
        vlm::posix::ResetDriveLetters();
    }
    InjectedMountTable(const InjectedMountTable&) = delete;
    InjectedMountTable& operator=(const InjectedMountTable&) = delete;

    // Replaces the table; the letters already given stay.
    void Set(const std::string& text)
    {
        std::ofstream(m_file, std::ios::trunc) << text;
        vlm::posix::SetMountTableSource(m_file);
    }
    const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
    std::string m_file;
};

// One mountinfo line.
inline std::string MountLine(int id, const std::string& device, const std::string& mountPoint, const std::string& type,
                             const std::string& source, const std::string& optional = "shared:1")
{
    return std::to_string(id) + " 1 " + device + " / " + mountPoint + " rw,relatime " + optional + " - " + type + " " +
           source + " rw\n";
}

} // namespace vlm::test
