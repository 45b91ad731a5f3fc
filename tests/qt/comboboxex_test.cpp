// The extended combo box as the drive list uses it: items with images from an image list cut
// out of the drive bitmap, kept in insertion order, selected by the program or the person.
#include "qt_support.h"

#include <QComboBox>

namespace vlm::test {
namespace {

class ComboBoxEx : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dialog.SetHandler([this](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<INT_PTR> {
            if (message == WM_COMMAND && LOWORD(wParam) == IDC_DRIVES)
                m_notices.push_back(HIWORD(wParam));
            return std::nullopt;
        });
        m_images = ImageList_LoadImageA(nullptr, MAKEINTRESOURCEA(IDB_DRIVE_IMAGES), 16, 1, RGB(255, 0, 255),
                                        IMAGE_BITMAP, 0);
        ASSERT_NE(m_images, nullptr);
        SendMessageA(Combo(), CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));
    }
    void TearDown() override { ImageList_Destroy(m_images); }

    HWND Combo() const { return m_dialog.Item(IDC_DRIVES); }

    LRESULT Insert(INT_PTR at, const char* text, int image)
    {
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = at;
        item.pszText = const_cast<LPSTR>(text);
        item.iImage = image;
        item.iSelectedImage = image;
        return SendMessageA(Combo(), CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }

    std::string TextAt(INT_PTR at, int capacity = 256)
    {
        std::vector<char> buffer(static_cast<size_t>(capacity), '#');
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT;
        item.iItem = at;
        item.pszText = buffer.data();
        item.cchTextMax = capacity;
        if (!SendMessageA(Combo(), CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
            return "<none>";
        return buffer.data();
    }

    TestDialog m_dialog{IDD_SCAN_DIALOG};
    HIMAGELIST m_images = nullptr;
    std::vector<WORD> m_notices;
};

TEST_F(ComboBoxEx, TheDriveBitmapCutsIntoSixImagesWithMagentaTransparent)
{
    EXPECT_EQ(ImageList_GetImageCount(m_images), 6);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(m_images, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 15);
    // Every image keeps some pixels and loses the magenta ones.
    const HICON fixed = ImageList_GetIcon(m_images, 0, ILD_NORMAL);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(ImageList_GetIcon(m_images, 6, ILD_NORMAL), nullptr);
    DestroyIcon(fixed);
}

TEST_F(ComboBoxEx, ItemsKeepTheOrderTheyWereInsertedIn)
{
    // As the drive list is built: drives at increasing positions, then the summary at 0.
    EXPECT_EQ(Insert(0, "C:", 0), 0);
    EXPECT_EQ(Insert(1, "D:", 0), 1);
    EXPECT_EQ(Insert(2, "Z:", 3), 2);
    EXPECT_EQ(Insert(0, "Local NTFS (C:,D:)", 0), 0);
    EXPECT_EQ(Insert(-1, "at the end", 1), 4);
    EXPECT_EQ(Insert(9, "past the end", 1), -1);
    EXPECT_EQ(SendMessageA(Combo(), CB_GETCOUNT, 0, 0), 5);
    const std::vector<std::string> expected{"Local NTFS (C:,D:)", "C:", "D:", "Z:", "at the end"};
    auto* combo = qobject_cast<QComboBox*>(vlm::qt::WindowWidget(Combo()));
    ASSERT_NE(combo, nullptr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(TextAt(i), expected[static_cast<size_t>(i)]);
        EXPECT_EQ(combo->itemText(i).toStdString(), expected[static_cast<size_t>(i)]);
    }
    // Each item shows its own image from the list, magenta taken out.
    for (int i : {0, 3}) {
        const QImage shown = combo->itemIcon(i).pixmap(16, 15).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(shown.isNull()) << i;
        int transparent = 0, opaque = 0, magenta = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb pixel = shown.pixel(x, y);
                qAlpha(pixel) == 0 ? ++transparent : ++opaque;
                if (qAlpha(pixel) && qRed(pixel) == 255 && qGreen(pixel) == 0 && qBlue(pixel) == 255)
                    ++magenta;
            }
        EXPECT_GT(transparent, 0) << i;
        EXPECT_GT(opaque, 0) << i;
        EXPECT_EQ(magenta, 0) << i;
    }
    EXPECT_NE(combo->itemIcon(0).pixmap(16, 15).toImage(), combo->itemIcon(3).pixmap(16, 15).toImage());
    COMBOBOXEXITEMA item{};
    item.mask = CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = 3;
    ASSERT_TRUE(SendMessageA(Combo(), CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.iImage, 3);
    EXPECT_EQ(item.iSelectedImage, 3);
    // Nothing is selected until the program selects something.
    EXPECT_EQ(SendMessageA(Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(TextAt(-1), "<none>");
}

TEST_F(ComboBoxEx, SelectionIsTheProgramsOrThePersonsAndOnlyThePersonsIsReported)
{
    Insert(0, "No Local NTFS Drives Available", 0);
    Insert(1, "Z:", 3);
    EXPECT_EQ(SendMessageA(Combo(), CB_SETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(Combo(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(TextAt(-1), "No Local NTFS Drives Available");
    EXPECT_TRUE(m_notices.empty());
    EXPECT_EQ(SendMessageA(Combo(), CB_SETCURSEL, 7, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(Combo(), CB_GETCURSEL, 0, 0), CB_ERR) << "a bad index clears the selection";

    auto* combo = qobject_cast<QComboBox*>(vlm::qt::WindowWidget(Combo()));
    combo->setCurrentIndex(1);
    emit combo->activated(1); // what a choice in the list does
    EXPECT_EQ(SendMessageA(Combo(), CB_GETCURSEL, 0, 0), 1);
    ASSERT_FALSE(m_notices.empty());
    EXPECT_EQ(m_notices.back(), CBN_SELCHANGE);
}

TEST_F(ComboBoxEx, TextIsCutToTheCallersBuffer)
{
    Insert(0, "Local NTFS (C:,D:)", 0);
    EXPECT_EQ(TextAt(0, 6), "Local");
    EXPECT_EQ(TextAt(0, 1), "");
    EXPECT_EQ(TextAt(1), "<none>");
    EXPECT_EQ(SendMessageA(Combo(), CB_GETLBTEXTLEN, 0, 0), 18);
    SendMessageA(Combo(), CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(Combo(), CB_GETCOUNT, 0, 0), 0);
}

// The heights a caller can ask for: the selection field, an item (at least an image's 15 pixels),
// and the dropped-down list's rectangle on the screen, as tall as the template made the control.
TEST_F(ComboBoxEx, ReportsItsItemHeightAndItsDroppedDownRectangle)
{
    Insert(0, "C:", 0);
    RECT window{};
    GetWindowRect(Combo(), &window);
    EXPECT_EQ(SendMessageA(Combo(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), window.bottom - window.top);
    EXPECT_GE(SendMessageA(Combo(), CB_GETITEMHEIGHT, 0, 0), 15);
    RECT dropped{};
    ASSERT_TRUE(SendMessageA(Combo(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)));
    RECT templateRect{7, 20, 7 + 166, 20 + 62};
    MapDialogRect(m_dialog.Window(), &templateRect);
    EXPECT_EQ(dropped.left, window.left);
    EXPECT_EQ(dropped.top, window.top);
    EXPECT_EQ(dropped.right - dropped.left, templateRect.right - templateRect.left);
    EXPECT_EQ(dropped.bottom - dropped.top, templateRect.bottom - templateRect.top);
}

} // namespace
} // namespace vlm::test
