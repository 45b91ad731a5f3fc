// Linux: the tree is an NTFS volume of its own.
#include "support/NtfsVolume.h"
#include "support/TestTree.h"

namespace vlm::test {
namespace {

class NtfsTestTree : public TestTree {
public:
    explicit NtfsTestTree(std::unique_ptr<NtfsVolume> volume) : m_volume(std::move(volume)) {}
    std::string Root() const override { return m_volume->Root(); }
    void MakeDir(const std::string& relative) override { m_volume->MakeDir(relative); }
    void WriteFile(const std::string& relative, const std::string& contents) override { m_volume->WriteFile(relative, contents); }

private:
    std::unique_ptr<NtfsVolume> m_volume;
};

} // namespace

std::unique_ptr<TestTree> TestTree::Create()
{
    auto volume = NtfsVolume::Create();
    if (!volume || volume->Letter() == '\0')
        return nullptr;
    return std::make_unique<NtfsTestTree>(std::move(volume));
}

} // namespace vlm::test
