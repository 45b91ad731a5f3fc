// What the system shows for the program: message boxes (through the responder and through the
// real box), the save dialog (through its responder and the real dialog), the shell's "open"
// and the beep.
#include "qt_support.h"
#include "vlm_platform.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>

namespace vlm::test {
namespace {

// Installs a seam for the test's duration.
template <class Seam, class Setter>
class Scoped {
public:
    Scoped(Setter setter, Seam seam) : m_setter(setter), m_previous(setter(std::move(seam))) {}
    ~Scoped() { m_setter(std::move(m_previous)); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

private:
    Setter m_setter;
    Seam m_previous;
};

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Records every box and answers with `answers`, in turn (the last one from then on).
class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<int> answers)
        : m_answers(std::move(answers)),
          m_previous(vlm::SetMessageBoxResponder([this](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
              boxes.push_back({owner, text, caption, type});
              const size_t at = std::min(boxes.size() - 1, m_answers.size() - 1);
              return m_answers[at];
          }))
    {
    }
    ~BoxAnswers() { vlm::SetMessageBoxResponder(std::move(m_previous)); }

    std::vector<Box> boxes;

private:
    std::vector<int> m_answers;
    vlm::MessageBoxResponder m_previous;
};

// The results view's save: "All Files (*.*) | *.*||" as the framework splits it.
constexpr char kFilter[] = "All Files (*.*) \0 *.*\0";

OPENFILENAMEA SaveRequest(char* file, DWORD size, HWND owner = nullptr)
{
    std::strcpy(file, "AdsScan.txt");
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = size;
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    return ofn;
}

class SaveDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        vlm::qt::Initialize();
        ASSERT_TRUE(m_folder.isValid());
    }

    std::string Folder() const { return m_folder.path().toStdString(); }

    // Answers the dialog with `answers` in turn; records what it was asked.
    std::function<std::optional<std::string>(const vlm::qt::FileDialogRequest&)> Answer(
        std::vector<std::optional<std::string>> answers)
    {
        return [this, answers](const vlm::qt::FileDialogRequest& request) -> std::optional<std::string> {
            requests.push_back(request);
            if (requests.size() > answers.size())
                return std::nullopt;
            return answers[requests.size() - 1];
        };
    }

    QTemporaryDir m_folder;
    std::vector<vlm::qt::FileDialogRequest> requests;
};

TEST_F(SaveDialog, TheRequestCarriesWhatTheProgramAskedFor)
{
    Scoped<vlm::qt::FileDialogResponder, decltype(&vlm::qt::SetFileDialogResponder)> seam(
        &vlm::qt::SetFileDialogResponder, Answer({std::nullopt}));
    char file[MAX_PATH];
    OPENFILENAMEA ofn = SaveRequest(file, sizeof file);
    ofn.lpstrInitialDir = "/somewhere";
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u) << "cancelled is not an error";
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.initialName, "AdsScan.txt");
    EXPECT_EQ(request.initialDirectory, "/somewhere");
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.flags, 0x806u);
    EXPECT_EQ(request.title, "Save As");
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].first, "All Files (*.*) ");
    EXPECT_EQ(request.filters[0].second, " *.*");
}

TEST_F(SaveDialog, ANameWithoutExtensionGetsTheDefaultOneInTheInitialFolder)
{
    Scoped<vlm::qt::FileDialogResponder, decltype(&vlm::qt::SetFileDialogResponder)> seam(
        &vlm::qt::SetFileDialogResponder, Answer({std::string("results")}));
    char file[MAX_PATH];
    OPENFILENAMEA ofn = SaveRequest(file, sizeof file);
    const std::string folder = Folder();
    ofn.lpstrInitialDir = folder.c_str();
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    const std::string expected = Folder() + "/results.txt";
    EXPECT_EQ(std::string(file), expected);
    EXPECT_EQ(std::string(file + ofn.nFileOffset), "results.txt");
    EXPECT_EQ(std::string(file + ofn.nFileExtension), "txt");
    EXPECT_EQ(ofn.Flags & OFN_EXTENSIONDIFFERENT, 0u);
}

TEST_F(SaveDialog, ReplacingAFileIsAskedAndNoAsksForAnotherName)
{
    const std::string existing = Folder() + "/AdsScan.txt";
    QFile(QString::fromStdString(existing)).open(QIODevice::WriteOnly);
    BoxAnswers boxes({IDNO, IDYES});
    Scoped<vlm::qt::FileDialogResponder, decltype(&vlm::qt::SetFileDialogResponder)> seam(
        &vlm::qt::SetFileDialogResponder, Answer({existing, existing}));
    char file[MAX_PATH];
    OPENFILENAMEA ofn = SaveRequest(file, sizeof file);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), existing);
    EXPECT_EQ(requests.size(), 2u) << "No kept the dialog open";
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "AdsScan.txt already exists.\nDo you want to replace it?");
    EXPECT_EQ(boxes.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
}

TEST_F(SaveDialog, AFolderThatDoesNotExistIsRefused)
{
    BoxAnswers boxes({IDOK});
    const std::string missing = Folder() + "/no/such/folder/out.txt";
    const std::string good = Folder() + "/out.txt";
    Scoped<vlm::qt::FileDialogResponder, decltype(&vlm::qt::SetFileDialogResponder)> seam(
        &vlm::qt::SetFileDialogResponder, Answer({missing, good}));
    char file[MAX_PATH];
    OPENFILENAMEA ofn = SaveRequest(file, sizeof file);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), good);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("Path does not exist"), std::string::npos);
}

TEST_F(SaveDialog, ABufferTooSmallForThePathIsAnError)
{
    Scoped<vlm::qt::FileDialogResponder, decltype(&vlm::qt::SetFileDialogResponder)> seam(
        &vlm::qt::SetFileDialogResponder, Answer({Folder() + "/a-rather-long-name-for-a-small-buffer.txt"}));
    char file[16];
    OPENFILENAMEA ofn = SaveRequest(file, sizeof file);
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD needed = 0;
    std::memcpy(&needed, file, sizeof needed);
    EXPECT_EQ(needed, Folder().size() + 1 + std::strlen("a-rather-long-name-for-a-small-buffer.txt") + 1);
}

TEST_F(SaveDialog, TheRealDialogTakesTheNameTypedIntoIt)
{
    const std::string folder = Folder();
    QString seenFilter;
    bool found = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* candidate = qobject_cast<QFileDialog*>(widget); candidate && candidate->isVisible())
                    dialog = candidate;
        }
        if (!dialog)
            return;
        found = true;
        seenFilter = dialog->selectedNameFilter();
        dialog->selectFile("typed");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog checks the name, then accepts
    });
    char file[MAX_PATH];
    OPENFILENAMEA ofn = SaveRequest(file, sizeof file);
    ofn.lpstrInitialDir = folder.c_str();
    ModalRescue rescue;
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_FALSE(rescue.rescued);
    EXPECT_TRUE(found);
    EXPECT_EQ(std::string(file), folder + "/typed.txt");
    EXPECT_TRUE(seenFilter.startsWith("All Files (*.*)")) << seenFilter.toStdString();
}

TEST(MessageBoxes, TheResponderSeesEveryBoxAndAnswersIt)
{
    TestDialog dialog(IDD_SCAN_DIALOG);
    BoxAnswers boxes({IDOK});
    EXPECT_EQ(MessageBoxA(dialog.Window(), "Invalid Selection", "Error", MB_ICONERROR), IDOK);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].owner, dialog.Window());
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
}

TEST(MessageBoxes, TheRealBoxShowsWhatItIsAskedAndReturnsTheButtonPressed)
{
    TestDialog owner(IDD_SCAN_DIALOG);
    ShowWindow(owner.Window(), SW_SHOW);
    struct Case {
        UINT type;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press; // NoButton: close it with Escape
        int expected;
    };
    const std::vector<Case> cases{
        {MB_OK | MB_ICONINFORMATION, {QMessageBox::Ok}, QMessageBox::Information, QMessageBox::Ok, IDOK},
        {MB_OK | MB_ICONERROR, {QMessageBox::Ok}, QMessageBox::Critical, QMessageBox::NoButton, IDOK},
        {MB_YESNO | MB_ICONEXCLAMATION, {QMessageBox::Yes, QMessageBox::No}, QMessageBox::Warning, QMessageBox::No, IDNO},
        {MB_OKCANCEL | MB_ICONQUESTION, {QMessageBox::Ok, QMessageBox::Cancel}, QMessageBox::Question,
         QMessageBox::NoButton, IDCANCEL},
        {MB_YESNOCANCEL, {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, QMessageBox::NoIcon,
         QMessageBox::Yes, IDYES},
        {MB_RETRYCANCEL | MB_DEFBUTTON2, {QMessageBox::Retry, QMessageBox::Cancel}, QMessageBox::NoIcon,
         QMessageBox::Retry, IDRETRY},
    };
    for (const auto& c : cases) {
        QString text, caption;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        BOOL ownerEnabled = TRUE;
        bool wordsOnly = true;
        ModalRescue rescue;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            for (QAbstractButton* button : box->buttons()) {
                buttons.push_back(box->standardButton(button));
                wordsOnly = wordsOnly && button->icon().isNull();
            }
            ownerEnabled = IsWindowEnabled(owner.Window());
            if (c.press == QMessageBox::NoButton) {
                // A real key: the box takes input while its owner is disabled.
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(box->focusWidget() ? box->focusWidget() : box, &escape);
            } else {
                box->button(c.press)->click();
            }
        });
        const int result = MessageBoxA(owner.Window(), "2 files scanned\n0 file(s) contained Alternate Data Streams",
                                       "velmora", c.type);
        EXPECT_FALSE(rescue.rescued) << c.type;
        EXPECT_EQ(result, c.expected) << c.type;
        EXPECT_EQ(text, "2 files scanned\n0 file(s) contained Alternate Data Streams") << c.type;
        EXPECT_EQ(caption, "velmora");
        EXPECT_EQ(icon, c.icon) << c.type;
        std::sort(buttons.begin(), buttons.end());
        auto expectedButtons = c.buttons;
        std::sort(expectedButtons.begin(), expectedButtons.end());
        EXPECT_EQ(buttons, expectedButtons) << c.type;
        EXPECT_TRUE(wordsOnly) << "the buttons carry pictures";
        EXPECT_FALSE(ownerEnabled) << "the owner waits for its box";
        EXPECT_TRUE(IsWindowEnabled(owner.Window()));
        // The keys go to the owner again, whether or not a window manager hands the focus back.
        EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == owner.Window(); })) << c.type;
    }
}

TEST(Shell, OpeningAWebAddressGoesToTheDesktopsOpener)
{
    vlm::qt::Initialize();
    std::vector<std::string> opened;
    bool succeed = true;
    Scoped<vlm::qt::UrlOpener, decltype(&vlm::qt::SetUrlOpener)> seam(&vlm::qt::SetUrlOpener,
                                                                       [&](const std::string& url) {
                                                                           opened.push_back(url);
                                                                           return succeed;
                                                                       });
    auto open = [](LPCSTR verb, LPCSTR file) {
        return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, verb, file, nullptr, nullptr, SW_SHOWNORMAL));
    };
    struct Case {
        LPCSTR verb;
        LPCSTR file;
        bool succeed;
        INT_PTR expected; // 33: any success
        const char* url;  // what the opener gets; nullptr: it is not asked
    };
    const std::vector<Case> cases{
        {"open", VLM_WEB_ADDRESS, true, 33, "http://" VLM_WEB_ADDRESS},
        {"open", VLM_HOME_PAGE_URL, true, 33, VLM_HOME_PAGE_URL},
        {nullptr, "https://example.org/x", true, 33, "https://example.org/x"},
        {"open", VLM_WEB_ADDRESS, false, SE_ERR_NOASSOC, "http://" VLM_WEB_ADDRESS},
        {"print", VLM_WEB_ADDRESS, true, SE_ERR_NOASSOC, nullptr},
        {"open", "/no/such/file.txt", true, ERROR_FILE_NOT_FOUND, nullptr},
        {"open", "", true, SE_ERR_FNF, nullptr},
    };
    for (const auto& c : cases) {
        opened.clear();
        succeed = c.succeed;
        const INT_PTR result = open(c.verb, c.file);
        if (c.expected == 33)
            EXPECT_GT(result, 32) << c.file;
        else
            EXPECT_EQ(result, c.expected) << c.file;
        if (c.url)
            EXPECT_EQ(opened, std::vector<std::string>{c.url}) << c.file;
        else
            EXPECT_TRUE(opened.empty()) << c.file;
    }
}

TEST(Shell, AFileIsOpenedThroughItsUrl)
{
    vlm::qt::Initialize();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("AdsScan.txt");
    QFile(path).open(QIODevice::WriteOnly);
    std::vector<std::string> opened;
    Scoped<vlm::qt::UrlOpener, decltype(&vlm::qt::SetUrlOpener)> seam(&vlm::qt::SetUrlOpener,
                                                                       [&](const std::string& url) {
                                                                           opened.push_back(url);
                                                                           return true;
                                                                       });
    const std::string directory = folder.path().toStdString();
    // By its full path, and by its name in the directory given.
    EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", path.toUtf8().constData(), nullptr, nullptr, SW_SHOW)), 32);
    EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "AdsScan.txt", nullptr, directory.c_str(), SW_SHOW)), 32);
    const std::string url = "file://" + path.toStdString();
    EXPECT_EQ(opened, (std::vector<std::string>{url, url}));
}

TEST(Beep, TheListenerHearsEveryBeep)
{
    std::vector<UINT> beeps;
    Scoped<vlm::qt::BeepListener, decltype(&vlm::qt::SetBeepListener)> seam(&vlm::qt::SetBeepListener,
                                                                             [&](UINT type) { beeps.push_back(type); });
    EXPECT_TRUE(MessageBeep(0));
    EXPECT_TRUE(MessageBeep(MB_ICONERROR));
    EXPECT_EQ(beeps, (std::vector<UINT>{0, MB_ICONERROR}));
}

} // namespace
} // namespace vlm::test
