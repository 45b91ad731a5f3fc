// Painting through the window procedures: the logo copied into the dialog with the button
// colours mapped in, the link label drawn in the colour, font and background mode its parent
// chose at paint time, clicks on statics, and the GDI calls on memory DCs.
#include "qt_support.h"

#include <QMouseEvent>

#include <cstring>

namespace vlm::test {
namespace {

// The logo as the resource holds it, read by Qt's own BMP reader.
QImage LogoFromResource()
{
    const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDB_LOGO), RT_BITMAP);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    const DWORD size = SizeofResource(nullptr, found);
    if (!data || size < 40)
        return {};
    // A bitmap resource is a .bmp file without its 14-byte file header.
    DWORD colors = 0;
    std::memcpy(&colors, data + 32, 4);
    WORD bits = 0;
    std::memcpy(&bits, data + 14, 2);
    if (!colors && bits <= 8)
        colors = 1u << bits;
    const DWORD offset = 14 + 40 + colors * 4;
    QByteArray file("BM");
    const DWORD total = 14 + size;
    file.append(reinterpret_cast<const char*>(&total), 4);
    file.append(4, '\0');
    file.append(reinterpret_cast<const char*>(&offset), 4);
    file.append(data, static_cast<qsizetype>(size));
    QImage image;
    image.loadFromData(file, "BMP");
    return image.convertToFormat(QImage::Format_RGB32);
}

QRgb Mapped(QRgb pixel)
{
    auto sys = [](int index) {
        const COLORREF c = GetSysColor(index);
        return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
    };
    switch (pixel & 0xFFFFFF) {
    case 0x000000: return sys(COLOR_BTNTEXT);
    case 0x808080: return sys(COLOR_BTNSHADOW);
    case 0xC0C0C0: return sys(COLOR_BTNFACE);
    case 0xFFFFFF: return sys(COLOR_BTNHIGHLIGHT);
    default: return pixel | 0xFF000000u;
    }
}

QImage GrabClient(HWND dialog)
{
    return vlm::qt::ClientWidget(dialog)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(Paint, TheLogoIsCopiedToTheTopRightWithTheButtonColoursMappedIn)
{
    const QImage source = LogoFromResource();
    ASSERT_EQ(source.size(), QSize(188, 60));
    int painted = 0;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (message != WM_PAINT || IsIconic(window))
            return std::nullopt;
        ++painted;
        const HBITMAP logo = CreateMappedBitmap(nullptr, IDB_LOGO, 0, nullptr, 0);
        BITMAP info{};
        EXPECT_EQ(GetObjectA(logo, sizeof info, &info), static_cast<int>(sizeof info));
        RECT client{};
        GetClientRect(window, &client);
        const HDC dc = GetDC(window);
        const HDC memory = CreateCompatibleDC(dc);
        const HGDIOBJ previous = SelectObject(memory, logo);
        BitBlt(dc, client.right - info.bmWidth, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
        ReleaseDC(window, dc);
        DeleteObject(logo);
        return std::nullopt; // then the default handling, as the scan dialog does
    });
    const QImage shown = GrabClient(dialog.Window());
    ASSERT_GT(painted, 0);
    const int left = shown.width() - 188;
    int differing = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 188; ++x)
            if (shown.pixel(left + x, y) != Mapped(source.pixel(x, y)))
                ++differing;
    EXPECT_EQ(differing, 0);
    // The logo's grey ground is the dialog's own background, so it does not show as a box.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(shown.pixel(left - 1, 5), qRgb(GetRValue(face), GetGValue(face), GetBValue(face)));
}

struct Coverage {
    int colored = 0;       // pixels of the text's colour (or close to it)
    int foreign = 0;       // pixels that are neither background nor a blend towards the colour
    double widestRun = 0;  // the fullest row of colour, as a share of the text's width
};

Coverage Measure(const QImage& image, QRgb background, QRgb color)
{
    Coverage coverage;
    int minX = image.width(), maxX = -1;
    std::vector<int> rows(static_cast<size_t>(image.height()), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == background)
                continue;
            // A blend of the two: each channel between theirs, in the same proportion.
            auto share = [&](int bg, int fg, int value) { return bg == fg ? -1.0 : double(value - bg) / (fg - bg); };
            const double r = share(qRed(background), qRed(color), qRed(pixel));
            const double g = share(qGreen(background), qGreen(color), qGreen(pixel));
            const double b = share(qBlue(background), qBlue(color), qBlue(pixel));
            double lo = 2, hi = -1;
            for (double s : {r, g, b})
                if (s >= -0.5) {
                    lo = std::min(lo, s);
                    hi = std::max(hi, s);
                }
            if (lo < -0.05 || hi > 1.05 || hi - lo > 0.12) {
                ++coverage.foreign;
                continue;
            }
            if (hi > 0.8) {
                ++coverage.colored;
                ++rows[static_cast<size_t>(y)];
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    if (maxX >= minX)
        for (int count : rows)
            coverage.widestRun = std::max(coverage.widestRun, double(count) / (maxX - minX + 1));
    return coverage;
}

TEST(Paint, TheLinkLabelIsDrawnInTheColourAndFontItsParentChoseAtPaintTime)
{
    HFONT underlined = nullptr;
    COLORREF color = RGB(0, 0, 255);
    bool asLink = true;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<INT_PTR> {
        if (message != WM_CTLCOLORSTATIC || GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_WEBLINK || !asLink)
            return std::nullopt;
        const HWND control = reinterpret_cast<HWND>(lParam);
        if (!underlined) {
            LOGFONTA logFont{};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof logFont, &logFont);
            logFont.lfUnderline = TRUE;
            underlined = CreateFontIndirectA(&logFont);
        }
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SelectObject(dc, underlined);
        SetTextColor(dc, color);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    });
    const COLORREF faceColor = GetSysColor(COLOR_BTNFACE);
    const QRgb face = qRgb(GetRValue(faceColor), GetGValue(faceColor), GetBValue(faceColor));
    const QRect label = InClient(dialog.Window(), dialog.Item(IDC_WEBLINK));

    const Coverage blue = Measure(GrabClient(dialog.Window()).copy(label), face, qRgb(0, 0, 255));
    EXPECT_GT(blue.colored, 30);
    EXPECT_EQ(blue.foreign, 0) << "only blue text on the dialog's own background";
    EXPECT_GT(blue.widestRun, 0.9) << "underlined";

    color = RGB(128, 0, 128); // visited
    InvalidateRect(dialog.Item(IDC_WEBLINK), nullptr, TRUE);
    const Coverage purple = Measure(GrabClient(dialog.Window()).copy(label), face, qRgb(128, 0, 128));
    EXPECT_GT(purple.colored, 30);
    EXPECT_EQ(purple.foreign, 0);

    // Left to the default: window text, no underline.
    asLink = false;
    const COLORREF textColor = GetSysColor(COLOR_WINDOWTEXT);
    const Coverage plain = Measure(GrabClient(dialog.Window()).copy(label), face,
                                   qRgb(GetRValue(textColor), GetGValue(textColor), GetBValue(textColor)));
    EXPECT_GT(plain.colored, 30);
    EXPECT_EQ(plain.foreign, 0);
    EXPECT_LT(plain.widestRun, 0.9);
    DeleteObject(underlined);
}

TEST(Paint, AnIconStaticIsStillAskedForItsColours)
{
    std::vector<HWND> asked;
    TestDialog about(IDD_ABOUTBOX, [&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<INT_PTR> {
        if (message == WM_CTLCOLORSTATIC)
            asked.push_back(reinterpret_cast<HWND>(lParam));
        return std::nullopt;
    });
    GrabClient(about.Window());
    HWND icon = nullptr;
    for (HWND child = GetWindow(about.Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = child;
    EXPECT_NE(std::find(asked.begin(), asked.end(), icon), asked.end());
}

TEST(Paint, AStaticReportsClicksOnlyWithSsNotifyAndOtherwiseLetsThemThrough)
{
    std::vector<std::pair<WORD, HWND>> notices;
    std::vector<POINT> clicksOnDialog;
    TestDialog dialog(IDD_SCAN_DIALOG, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<INT_PTR> {
        if (message == WM_COMMAND && LOWORD(wParam) == IDC_WEBLINK)
            notices.emplace_back(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        if (message == WM_LBUTTONDOWN)
            clicksOnDialog.push_back({static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))});
        return std::nullopt;
    });
    const HWND link = dialog.Item(IDC_WEBLINK);
    MouseClick(link);
    EXPECT_TRUE(notices.empty());
    ASSERT_EQ(clicksOnDialog.size(), 1u) << "the click belongs to the dialog beneath";
    const QRect label = InClient(dialog.Window(), link);
    EXPECT_EQ(clicksOnDialog[0].x, label.center().x() + (label.width() % 2 == 0 ? 1 : 0));

    SetWindowLongPtrA(link, GWL_STYLE, GetWindowLongPtrA(link, GWL_STYLE) | SS_NOTIFY);
    MouseClick(link);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].first, STN_CLICKED);
    EXPECT_EQ(notices[0].second, link);
    EXPECT_EQ(clicksOnDialog.size(), 1u);
}

TEST(Gdi, MemoryDcsHoldWhatIsDrawnOnThem)
{
    vlm::qt::Initialize();
    const HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "a new DC holds a 1x1 black bitmap";
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(1, 2, 3)), CLR_INVALID) << "which cannot be drawn on";
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 40, 20);
    const HGDIOBJ original = SelectObject(dc, bitmap);
    ASSERT_NE(original, nullptr);
    RECT all{0, 0, 40, 20};
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT part{10, 5, 20, 10};
    FillRect(dc, &part, red);
    EXPECT_EQ(GetPixel(dc, 10, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 19, 9), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 20, 9), GetSysColor(COLOR_WINDOW)) << "right and bottom edges are outside";
    FillRect(dc, &part, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(GetPixel(dc, 10, 5), RGB(255, 0, 0)) << "a hollow brush paints nothing";

    // Copied into another memory DC.
    const HDC copy = CreateCompatibleDC(dc);
    const HBITMAP target = CreateCompatibleBitmap(dc, 40, 20);
    SelectObject(copy, target);
    EXPECT_TRUE(BitBlt(copy, 5, 0, 20, 20, dc, 10, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(copy, 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(copy, 4, 5), RGB(0, 0, 0));

    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 40);
    EXPECT_EQ(info.bmHeight, 20);
    EXPECT_EQ(SelectObject(dc, original), bitmap);
    DeleteDC(copy);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(target));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red)) << "already gone";
    EXPECT_TRUE(DeleteObject(GetStockObject(NULL_BRUSH))) << "stock objects stay";
}

TEST(Gdi, TextIsMeasuredAndDrawnInTheSelectedFontAndColours)
{
    vlm::qt::Initialize();
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 200, 60);
    SelectObject(dc, bitmap);
    RECT all{0, 0, 200, 60};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
    RECT one{0, 0, 200, 0};
    EXPECT_EQ(DrawTextA(dc, "Results:", -1, &one, DT_CALCRECT | DT_SINGLELINE), metrics.tmHeight);
    EXPECT_GT(one.right, 10);
    RECT narrow{0, 0, 60, 0};
    const int wrapped = DrawTextA(dc, "Checking Directory: somewhere", -1, &narrow, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(wrapped, 2 * metrics.tmHeight) << "word breaks in a narrow rectangle";
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "Results:", 8, &extent));
    EXPECT_EQ(extent.cx, one.right);

    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 255, 0));
    EXPECT_EQ(SetBkMode(dc, OPAQUE), OPAQUE);
    TextOutA(dc, 2, 2, "W", 1);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 255, 0)) << "an opaque background fills the text's cell";
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 100, 2, "W", 1);
    EXPECT_EQ(GetPixel(dc, 100, 2), RGB(255, 255, 255)) << "a transparent one leaves it";
    int red = 0;
    for (int y = 0; y < metrics.tmHeight; ++y)
        for (int x = 100; x < 100 + extent.cx; ++x)
            if (GetPixel(dc, x, 2 + y) == RGB(255, 0, 0))
                ++red;
    EXPECT_GT(red, 0);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

} // namespace
} // namespace vlm::test
