// MessageBoxA: the responder, the window layer's presenter, and the stderr fallback.
#include "vlm_platform.h"
#include "vlm_posix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vlm::test {
namespace {

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    bool operator==(const Box&) const = default;
};

// Every test leaves the process with neither responder nor presenter.
class MessageBoxes : public ::testing::Test {
protected:
    void TearDown() override
    {
        vlm::SetMessageBoxResponder(nullptr);
        vlm::posix::SetDefaultMessageBoxPresenter(nullptr);
    }

    static MessageBoxResponder Recorder(std::vector<Box>& boxes, int answer)
    {
        return [&boxes, answer](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
            boxes.push_back({owner, text, caption, type});
            return answer;
        };
    }
};

TEST_F(MessageBoxes, TheResponderSeesEveryBoxAndItsAnswerIsReturned)
{
    std::vector<Box> boxes;
    EXPECT_FALSE(vlm::SetMessageBoxResponder(Recorder(boxes, IDNO)));
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(MessageBoxA(owner, "Save the report?", "Velmora", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "No caption", nullptr, MB_OK | MB_ICONERROR), IDNO);
    EXPECT_EQ(boxes, (std::vector<Box>{{owner, "Save the report?", "Velmora", MB_YESNO | MB_ICONQUESTION},
                                       {nullptr, "No caption", "Error", MB_OK | MB_ICONERROR}}));
}

TEST_F(MessageBoxes, InstallingAResponderHandsBackThePreviousOne)
{
    std::vector<Box> first;
    std::vector<Box> second;
    vlm::SetMessageBoxResponder(Recorder(first, IDOK));
    auto previous = vlm::SetMessageBoxResponder(Recorder(second, IDCANCEL));
    ASSERT_TRUE(previous);
    EXPECT_EQ(MessageBoxA(nullptr, "b", "c", MB_OKCANCEL), IDCANCEL);
    vlm::SetMessageBoxResponder(previous);
    EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_OKCANCEL), IDOK);
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second.size(), 1u);
}

TEST_F(MessageBoxes, ThePresenterShowsWhatNoResponderAnswers)
{
    std::vector<Box> presented;
    std::vector<Box> responded;
    EXPECT_FALSE(vlm::posix::SetDefaultMessageBoxPresenter(Recorder(presented, IDYES)));
    EXPECT_EQ(MessageBoxA(nullptr, "shown", "c", MB_YESNO), IDYES);
    vlm::SetMessageBoxResponder(Recorder(responded, IDNO));
    EXPECT_EQ(MessageBoxA(nullptr, "answered", "c", MB_YESNO), IDNO);
    // An empty responder gives the platform's own boxes back.
    vlm::SetMessageBoxResponder(nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "shown again", "c", MB_YESNO), IDYES);
    EXPECT_EQ(presented.size(), 2u);
    EXPECT_EQ(responded.size(), 1u);
}

TEST_F(MessageBoxes, WithNobodyToAskTheBoxIsPrintedAndGetsItsDefaultButton)
{
    struct Case {
        UINT type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNO | 0x100 /* MB_DEFBUTTON2 */, IDNO},
        {MB_OK | 0x100 /* no second button */, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ::testing::internal::CaptureStderr();
        const int answer = MessageBoxA(nullptr, "Disk not ready", "Velmora", c.type);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Velmora: Disk not ready\n");
        EXPECT_EQ(answer, c.answer);
    }
    ::testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "text", nullptr, MB_OK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: text\n");
}

} // namespace
} // namespace vlm::test
