// A directory tree reachable through a drive letter, for the engine tests that answer stream
// queries themselves: on Linux a fresh NTFS volume, on Windows a temporary folder given a letter.
#pragma once

#include <memory>
#include <string>

namespace vlm::test {

class TestTree {
public:
    // Null when no tree can be made here; the test then skips.
    static std::unique_ptr<TestTree> Create();
    virtual ~TestTree() = default;

    virtual std::string Root() const = 0; // "X:\"
    // Relative paths use '/'.
    virtual void MakeDir(const std::string& relative) = 0;
    virtual void WriteFile(const std::string& relative, const std::string& contents = "") = 0;
};

} // namespace vlm::test
