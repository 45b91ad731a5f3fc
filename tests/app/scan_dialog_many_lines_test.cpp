// A scan that pours out lines: the dialog keeps taking the person's input while its results view
// fills with tens of thousands of them, and loses none.
#include "app_support.h"

#include <QMouseEvent>
#include <QPushButton>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace vlm::test {
namespace {

class ManyLines : public DialogFixture {};

// A press and release of the left button in the middle of a push button, as the window system
// delivers a click.
void ClickWidget(QWidget* widget)
{
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(centre);
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

// The worker's side of a scan that never runs out of streams: found-stream lines and warnings,
// each sent and waited for, for as long as the run flag stays set (or a bound far beyond what
// the test needs is reached, which means the click was never heard).
TEST_F(ManyLines, StopIsHeardWhileTensOfThousandsOfLinesPourIn)
{
    constexpr int kBeforeClick = 20000;
    constexpr int kBound = 200000;
    const std::string fat = m_table.Dir().MakeDir("fat");
    m_table.Set(MountLine(901, "8:17", fat, "vfat", "/dev/sdb1", ""));

    CScanDlg dialog;
    RunDialog(dialog, [&](CScanDlg& dlg) {
        const HWND window = dlg.m_hWnd;
        ASSERT_NE(dlg.m_runEvent, nullptr);
        // The dialog as Start leaves it.
        SetEvent(dlg.m_runEvent);
        EnableWindow(GetDlgItem(window, IDC_START), FALSE);
        EnableWindow(GetDlgItem(window, IDC_STOP), TRUE);

        std::atomic<int> sent{0};
        std::atomic<bool> finished{false};
        const HANDLE runFlag = dlg.m_runEvent;
        std::thread worker([&] {
            char line[160];
            for (int i = 0; i < kBound && WaitForSingleObject(runFlag, 0) == WAIT_OBJECT_0; ++i) {
                std::snprintf(line, sizeof line,
                              "!!! ADS FOUND !!! Name=:Zone.Identifier:$DATA File=C:\\Downloads\\%06d.bin\r\n", i);
                SendMessageA(window, WM_SCAN_OUTPUT, reinterpret_cast<WPARAM>(line), i % 4 ? 1 : 0);
                sent = i + 1;
            }
            finished = true;
        });

        ASSERT_TRUE(PumpUntil([&] { return sent >= kBeforeClick || finished; }));
        auto* stop = qobject_cast<QPushButton*>(vlm::qt::WindowWidget(GetDlgItem(window, IDC_STOP)));
        ASSERT_NE(stop, nullptr);
        ClickWidget(stop);
        const bool ended = PumpUntil([&] { return finished.load(); });
        if (!ended)
            ResetEvent(runFlag); // let the worker go before failing
        worker.join();
        ASSERT_TRUE(ended);

        EXPECT_LT(sent, kBound) << "the click on Stop was not heard while lines came in";
        EXPECT_EQ(WaitForSingleObject(runFlag, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_START)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_STOP)));

        // Every line is in the view, in order, the last one whole.
        const HWND results = GetDlgItem(window, IDC_RESULTS);
        const int count = sent;
        EXPECT_EQ(SendMessageA(results, EM_GETLINECOUNT, 0, 0), count + 1); // and the empty line after
        char last[160];
        std::snprintf(last, sizeof last, "!!! ADS FOUND !!! Name=:Zone.Identifier:$DATA File=C:\\Downloads\\%06d.bin",
                      count - 1);
        const std::string text = WindowText(results);
        EXPECT_NE(text.rfind(std::string(last) + "\r\n"), std::string::npos);
        EXPECT_EQ(text.size() % (std::strlen(last) + 2), 0u);
    });
}

} // namespace
} // namespace vlm::test
