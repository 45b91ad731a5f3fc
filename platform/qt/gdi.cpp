// The GDI subset: the handle table, stock objects, system colours, fonts, device contexts and
// the drawing calls, over QPainter.
#include "gdi.h"

#include "qt_internal.h"
#include "resource_file.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QStyle>

#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <strings.h>
#include <utility>
#include <unordered_map>

namespace vlm::qt {
namespace {

// Process-wide, as GDI's own table is. Never destroyed: objects may be released while the
// process ends.
struct GdiTable {
    std::mutex mutex;
    std::unordered_map<const void*, std::shared_ptr<GdiObject>> objects;
    // Handle values above any system colour index, so FillRect can tell COLOR_x + 1 apart.
    UINT_PTR next = 0x10000;
};

GdiTable& Table()
{
    static GdiTable* const table = new GdiTable;
    return *table;
}

std::uint32_t Read32(const BYTE* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Read16(const BYTE* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

QRect ToQRect(const RECT& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::shared_ptr<DeviceContext> Dc(HDC dc)
{
    return LookupGdiAs<DeviceContext>(dc);
}

QFont DcFont(const DeviceContext& dc)
{
    return dc.font ? dc.font->font : FontFromLogFont(DefaultGuiLogFont());
}

// A 1x1 monochrome bitmap, every memory DC's first.
HBITMAP StockBitmap()
{
    static const HBITMAP bitmap = [] {
        auto object = std::make_shared<BitmapObject>();
        object->image = QImage(1, 1, QImage::Format_RGB32);
        object->image.fill(Qt::black);
        object->bitsPixel = 1;
        object->stock = true;
        return static_cast<HBITMAP>(RegisterGdiObject(object));
    }();
    return bitmap;
}

QColor ClassicColor(int index)
{
    // The classic scheme, for colours with no palette role and for a process without the GUI.
    static constexpr std::array<COLORREF, 31> classic{
        RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
        RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
        RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
        RGB(255, 255, 255), RGB(64, 64, 64),    RGB(223, 223, 223), RGB(0, 0, 0),
        RGB(255, 255, 225), RGB(180, 180, 180), RGB(0, 0, 255),     RGB(16, 132, 208),
        RGB(181, 181, 181), RGB(0, 0, 128),     RGB(192, 192, 192)};
    if (index < 0 || index >= static_cast<int>(classic.size()))
        return QColor(0, 0, 0);
    return ToQColor(classic[static_cast<size_t>(index)]);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Objects

QColor BrushObject::Color() const
{
    return sysColor >= 0 ? SystemColor(sysColor) : ToQColor(color);
}

QImage IconObject::Image(int size) const
{
    const QImage* best = nullptr;
    for (const QImage& image : images) {
        if (image.width() == size && image.height() == size)
            return image;
        if (!best || std::abs(image.width() - size) < std::abs(best->width() - size))
            best = &image;
    }
    if (!best)
        return {};
    return best->scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QIcon IconObject::Icon() const
{
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

DeviceContext::~DeviceContext() = default;

QPainter* DeviceContext::Painter()
{
    if (kind == Kind::Window)
        return borrowed;
    if (!bitmap || bitmap->stock || bitmap->image.isNull())
        return nullptr;
    if (!m_own)
        m_own = std::make_unique<QPainter>(&bitmap->image);
    return m_own.get();
}

void DeviceContext::Flush()
{
    m_own.reset();
}

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object)
{
    GdiTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto handle = reinterpret_cast<const void*>(table.next);
    table.next += 4;
    table.objects.emplace(handle, std::move(object));
    return const_cast<void*>(handle);
}

std::shared_ptr<GdiObject> LookupGdiObject(const void* handle)
{
    GdiTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    return it == table.objects.end() ? nullptr : it->second;
}

bool ReleaseGdiObject(const void* handle)
{
    std::shared_ptr<GdiObject> released; // destroyed outside the lock
    GdiTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it == table.objects.end())
        return false;
    if (it->second->stock)
        return true;
    released = std::move(it->second);
    table.objects.erase(it);
    return true;
}

HDC CreateWindowDc(HWND window, QPainter* painter)
{
    auto dc = std::make_shared<DeviceContext>();
    dc->kind = DeviceContext::Kind::Window;
    dc->window = window;
    dc->borrowed = painter;
    dc->fontHandle = GetStockObject(DEFAULT_GUI_FONT);
    dc->font = LookupGdiAs<FontObject>(dc->fontHandle);
    dc->brushHandle = GetStockObject(WHITE_BRUSH);
    dc->brush = LookupGdiAs<BrushObject>(dc->brushHandle);
    dc->penHandle = GetStockObject(BLACK_PEN);
    dc->pen = LookupGdiAs<PenObject>(dc->penHandle);
    return static_cast<HDC>(RegisterGdiObject(dc));
}

// ---------------------------------------------------------------------------------------------
// Colours

QColor ToQColor(COLORREF color)
{
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

COLORREF ToColorRef(const QColor& color)
{
    return RGB(color.red(), color.green(), color.blue());
}

QColor SystemColor(int index)
{
    if (!GuiExists())
        return ClassicColor(index);
    const QPalette palette = QApplication::palette();
    switch (index) {
    case COLOR_BTNFACE:
    case COLOR_MENU:
    case COLOR_MENUBAR:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
        // Dialogs are painted in the button face; the window colour of the style is that face.
        return palette.color(QPalette::Window);
    case COLOR_WINDOW:
        return palette.color(QPalette::Base);
    case COLOR_WINDOWTEXT:
    case COLOR_MENUTEXT:
        return palette.color(QPalette::WindowText);
    case COLOR_BTNTEXT:
        return palette.color(QPalette::ButtonText);
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
    case COLOR_ACTIVECAPTION:
        return palette.color(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_CAPTIONTEXT:
        return palette.color(QPalette::HighlightedText);
    case COLOR_BTNSHADOW:
        return palette.color(QPalette::Dark);
    case COLOR_BTNHIGHLIGHT:
        return palette.color(QPalette::Light);
    case COLOR_3DDKSHADOW:
    case COLOR_WINDOWFRAME:
        return palette.color(QPalette::Shadow);
    case COLOR_3DLIGHT:
        return palette.color(QPalette::Midlight);
    case COLOR_GRAYTEXT:
    case COLOR_INACTIVECAPTIONTEXT:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case COLOR_INFOTEXT:
        return palette.color(QPalette::ToolTipText);
    case COLOR_INFOBK:
        return palette.color(QPalette::ToolTipBase);
    case COLOR_HOTLIGHT:
        return palette.color(QPalette::Link);
    case COLOR_INACTIVECAPTION:
    case COLOR_APPWORKSPACE:
    case COLOR_SCROLLBAR:
        return palette.color(QPalette::Mid);
    default:
        return ClassicColor(index);
    }
}

// ---------------------------------------------------------------------------------------------
// Fonts

QString DialogFontFamily()
{
    static const QString family = [] {
        if (!GuiExists())
            return QString("Sans Serif");
        const QStringList families = QFontDatabase::families();
        for (const char* candidate : {"Liberation Sans", "DejaVu Sans", "Noto Sans", "FreeSans"}) {
            if (families.contains(candidate))
                return QString(candidate);
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

namespace {

QString MonospaceFamily()
{
    static const QString family = [] {
        if (!GuiExists())
            return QString("Monospace");
        const QStringList families = QFontDatabase::families();
        for (const char* candidate : {"Liberation Mono", "DejaVu Sans Mono", "Noto Sans Mono"}) {
            if (families.contains(candidate))
                return QString(candidate);
        }
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    return family;
}

// The Windows faces that stand for "the dialog font".
bool IsDialogFace(const char* face)
{
    static constexpr std::array<const char*, 9> faces{
        "", "MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif",
        "Tahoma", "Segoe UI", "System", "Helv"};
    for (const char* candidate : faces) {
        if (strcasecmp(face, candidate) == 0)
            return true;
    }
    return false;
}

} // namespace

QFont FontFromLogFont(const LOGFONTA& logFont)
{
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, logFont.lfFaceName, LF_FACESIZE);
    QString family;
    if (IsDialogFace(face))
        family = DialogFontFamily();
    else if (strcasecmp(face, "Courier") == 0 || strcasecmp(face, "Courier New") == 0 ||
             strcasecmp(face, "Fixedsys") == 0 || strcasecmp(face, "Terminal") == 0 ||
             (logFont.lfPitchAndFamily & 0x3) == FIXED_PITCH)
        family = MonospaceFamily();
    else
        family = QString::fromUtf8(face);

    QFont font(family);
    int pixels = 11; // 8 points at 96 dots per inch
    if (logFont.lfHeight < 0) {
        pixels = -logFont.lfHeight;
    } else if (logFont.lfHeight > 0) {
        // A cell height: scale the character height by the face's cell-to-em ratio.
        QFont probe(family);
        probe.setPixelSize(100);
        const int cell = GuiExists() ? QFontMetrics(probe).height() : 120;
        pixels = std::max(1, (logFont.lfHeight * 100 + cell / 2) / std::max(cell, 1));
    }
    font.setPixelSize(std::max(1, pixels));
    const int weight = logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : logFont.lfWeight;
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    font.setItalic(logFont.lfItalic != 0);
    font.setUnderline(logFont.lfUnderline != 0);
    font.setStrikeOut(logFont.lfStrikeOut != 0);
    return font;
}

HFONT FontHandleFor(const LOGFONTA& logFont)
{
    auto object = std::make_shared<FontObject>();
    object->logFont = logFont;
    object->font = FontFromLogFont(logFont);
    return static_cast<HFONT>(RegisterGdiObject(object));
}

QFont FontOf(HFONT font)
{
    if (auto object = LookupGdiAs<FontObject>(font))
        return object->font;
    return FontFromLogFont(DefaultGuiLogFont());
}

LOGFONTA DefaultGuiLogFont()
{
    LOGFONTA logFont{};
    logFont.lfHeight = -11;
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(logFont.lfFaceName, "MS Shell Dlg", LF_FACESIZE - 1);
    return logFont;
}

// ---------------------------------------------------------------------------------------------
// Bitmaps and icons from resources

std::optional<QImage> DecodeDib(const BYTE* data, size_t size, bool icon)
{
    if (!data || size < 12)
        return std::nullopt;
    if (icon && size >= 8 && std::memcmp(data, "\x89PNG", 4) == 0) {
        QImage image;
        if (!image.loadFromData(data, static_cast<int>(size), "PNG"))
            return std::nullopt;
        return image.convertToFormat(QImage::Format_ARGB32);
    }
    const DWORD headerSize = Read32(data);
    int width = 0;
    int height = 0;
    int bitCount = 0;
    DWORD compression = BI_RGB;
    DWORD colorsUsed = 0;
    size_t paletteEntry = 4;
    if (headerSize == 12) {
        width = Read16(data + 4);
        height = static_cast<std::int16_t>(Read16(data + 6));
        bitCount = Read16(data + 10);
        paletteEntry = 3;
    } else if (headerSize >= 40 && size >= 40) {
        width = static_cast<std::int32_t>(Read32(data + 4));
        height = static_cast<std::int32_t>(Read32(data + 8));
        bitCount = Read16(data + 14);
        compression = Read32(data + 16);
        colorsUsed = Read32(data + 32);
    } else {
        return std::nullopt;
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    if (icon)
        height /= 2;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return std::nullopt;
    if (compression != BI_RGB && compression != BI_BITFIELDS)
        return std::nullopt; // run-length encoded bitmaps are not read
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return std::nullopt;

    size_t offset = headerSize;
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bitCount == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (compression == BI_BITFIELDS) {
        const size_t at = headerSize >= 52 ? 40 : headerSize;
        if (size < at + 12)
            return std::nullopt;
        for (int i = 0; i < 3; ++i)
            masks[i] = Read32(data + at + 4 * i);
        if (headerSize < 52)
            offset += 12;
    }
    std::vector<QRgb> palette;
    if (bitCount <= 8) {
        const size_t count = colorsUsed ? std::min<size_t>(colorsUsed, 256) : (1u << bitCount);
        if (size < offset + count * paletteEntry)
            return std::nullopt;
        for (size_t i = 0; i < count; ++i) {
            const BYTE* entry = data + offset + i * paletteEntry;
            palette.push_back(qRgb(entry[2], entry[1], entry[0]));
        }
        offset += count * paletteEntry;
    }
    const size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    const size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    const size_t needed = offset + stride * height + (icon ? maskStride * height : 0);
    if (size < needed)
        return std::nullopt;

    auto channel = [](std::uint32_t value, std::uint32_t mask) -> int {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        const std::uint32_t max = mask >> shift;
        return static_cast<int>(((value & mask) >> shift) * 255 / max);
    };

    QImage image(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (int row = 0; row < height; ++row) {
        const BYTE* line = data + offset + stride * static_cast<size_t>(topDown ? row : height - 1 - row);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = 0; x < width; ++x) {
            QRgb pixel = 0;
            switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / bitCount;
                const BYTE byte = line[x / perByte];
                const int shift = 8 - bitCount * (x % perByte + 1);
                const size_t index = (byte >> shift) & ((1u << bitCount) - 1);
                pixel = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const std::uint32_t value = Read16(line + 2 * x);
                pixel = qRgb(channel(value, masks[0]), channel(value, masks[1]), channel(value, masks[2]));
                break;
            }
            case 24:
                pixel = qRgb(line[3 * x + 2], line[3 * x + 1], line[3 * x]);
                break;
            case 32: {
                const std::uint32_t value = Read32(line + 4 * x);
                pixel = qRgba(channel(value, masks[0]), channel(value, masks[1]),
                              channel(value, masks[2]), static_cast<int>(value >> 24));
                anyAlpha = anyAlpha || (value >> 24) != 0;
                break;
            }
            default:
                break;
            }
            out[x] = pixel;
        }
    }
    const bool useAlpha = bitCount == 32 && anyAlpha;
    for (int row = 0; row < height; ++row) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
        const BYTE* maskLine = icon ? data + offset + stride * height +
                                          maskStride * static_cast<size_t>(topDown ? row : height - 1 - row)
                                    : nullptr;
        for (int x = 0; x < width; ++x) {
            if (useAlpha)
                continue;
            const bool transparent = maskLine && ((maskLine[x / 8] >> (7 - x % 8)) & 1);
            out[x] = transparent ? qRgba(0, 0, 0, 0) : (out[x] | 0xFF000000u);
        }
    }
    return image;
}

std::optional<QImage> LoadBitmapImage(HINSTANCE instance, LPCSTR name)
{
    const HMODULE module = instance ? instance : GetModuleHandleA(nullptr);
    const HRSRC found = FindResourceA(module, name, RT_BITMAP);
    if (!found)
        return std::nullopt;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    auto image = DecodeDib(data, SizeofResource(module, found), false);
    if (!image)
        return std::nullopt;
    return image->convertToFormat(QImage::Format_RGB32);
}

HBITMAP BitmapHandleFor(QImage image, WORD bitsPixel)
{
    auto object = std::make_shared<BitmapObject>();
    object->image = std::move(image);
    object->bitsPixel = bitsPixel;
    return static_cast<HBITMAP>(RegisterGdiObject(object));
}

std::optional<QImage> ImageOfBitmap(HBITMAP bitmap)
{
    auto object = LookupGdiAs<BitmapObject>(bitmap);
    if (!object)
        return std::nullopt;
    return object->image;
}

HICON IconHandleFor(std::vector<QImage> images, bool shared)
{
    auto object = std::make_shared<IconObject>();
    object->images = std::move(images);
    object->shared = shared;
    return static_cast<HICON>(RegisterGdiObject(object));
}

namespace {

std::vector<QImage> LoadIconImages(HMODULE module, LPCSTR name)
{
    std::vector<QImage> images;
    const HRSRC groupFound = FindResourceA(module, name, RT_GROUP_ICON);
    if (!groupFound)
        return images;
    const void* groupData = LockResource(LoadResource(module, groupFound));
    auto group = posix::ParseIconGroup(groupData, SizeofResource(module, groupFound));
    if (!group)
        return images;
    for (const auto& entry : group->entries) {
        const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(entry.id), RT_ICON);
        if (!found)
            continue;
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        if (auto image = DecodeDib(data, SizeofResource(module, found), true))
            images.push_back(std::move(*image));
    }
    return images;
}

std::vector<QImage> StandardIconImages(LPCSTR name)
{
    if (!EnsureGui() || !OnGuiThread())
        return {};
    QStyle::StandardPixmap which = QStyle::SP_DesktopIcon;
    switch (reinterpret_cast<UINT_PTR>(name)) {
    case 32513: which = QStyle::SP_MessageBoxCritical; break;
    case 32514: which = QStyle::SP_MessageBoxQuestion; break;
    case 32515: which = QStyle::SP_MessageBoxWarning; break;
    case 32516: which = QStyle::SP_MessageBoxInformation; break;
    default: which = QStyle::SP_ComputerIcon; break;
    }
    const QIcon icon = QApplication::style()->standardIcon(which);
    std::vector<QImage> images;
    for (int size : {32, 16})
        images.push_back(icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32));
    return images;
}

} // namespace

HICON LoadIconResource(HINSTANCE instance, LPCSTR name)
{
    // Icons from resources are shared: one handle per module and name.
    static std::mutex* const mutex = new std::mutex;
    static auto* const cache = new std::map<std::pair<HMODULE, std::string>, HICON>;
    const bool standard = instance == nullptr && IS_INTRESOURCE(name) &&
                          reinterpret_cast<UINT_PTR>(name) >= 32512 &&
                          reinterpret_cast<UINT_PTR>(name) <= 32517;
    const HMODULE module = instance ? instance : GetModuleHandleA(nullptr);
    const std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                                                 : std::string(name ? name : "");
    {
        std::lock_guard lock(*mutex);
        auto it = cache->find({standard ? nullptr : module, key});
        if (it != cache->end())
            return it->second;
    }
    // NULL asks for the system's icons; a program's own icons are found there as well.
    std::vector<QImage> images = standard ? StandardIconImages(name) : LoadIconImages(module, name);
    if (images.empty())
        return nullptr;
    const HICON icon = IconHandleFor(std::move(images), true);
    std::lock_guard lock(*mutex);
    auto [it, inserted] = cache->emplace(std::make_pair(standard ? nullptr : module, key), icon);
    if (!inserted)
        ReleaseGdiObject(icon); // another thread was first
    return it->second;
}

QIcon QIconOf(HICON icon)
{
    if (auto object = LookupGdiAs<IconObject>(icon))
        return object->Icon();
    return {};
}

QImage IconImage(HICON icon, int size)
{
    if (auto object = LookupGdiAs<IconObject>(icon))
        return object->Image(size);
    return {};
}

void DrawImage(DeviceContext& dc, int x, int y, const QImage& image)
{
    if (QPainter* painter = dc.Painter())
        painter->drawImage(QPoint(x, y), image);
}

} // namespace vlm::qt

using namespace vlm::qt;

// ---------------------------------------------------------------------------------------------
// Objects

HGDIOBJ GetStockObject(int index)
{
    static std::once_flag once;
    static std::array<HGDIOBJ, 20> stock{};
    std::call_once(once, [] {
        auto brush = [](COLORREF color, bool hollow) {
            auto object = std::make_shared<BrushObject>();
            object->color = color;
            object->hollow = hollow;
            object->stock = true;
            return RegisterGdiObject(object);
        };
        auto pen = [](COLORREF color, int style) {
            auto object = std::make_shared<PenObject>();
            object->color = color;
            object->style = style;
            object->stock = true;
            return RegisterGdiObject(object);
        };
        auto font = [](LOGFONTA logFont) {
            auto object = std::make_shared<FontObject>();
            object->logFont = logFont;
            object->font = FontFromLogFont(logFont);
            object->stock = true;
            return RegisterGdiObject(object);
        };
        LOGFONTA fixed = DefaultGuiLogFont();
        std::strncpy(fixed.lfFaceName, "Courier New", LF_FACESIZE - 1);
        fixed.lfHeight = -13;
        fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        stock[WHITE_BRUSH] = brush(RGB(255, 255, 255), false);
        stock[LTGRAY_BRUSH] = brush(RGB(192, 192, 192), false);
        stock[GRAY_BRUSH] = brush(RGB(128, 128, 128), false);
        stock[DKGRAY_BRUSH] = brush(RGB(64, 64, 64), false);
        stock[BLACK_BRUSH] = brush(RGB(0, 0, 0), false);
        stock[NULL_BRUSH] = brush(0, true);
        stock[WHITE_PEN] = pen(RGB(255, 255, 255), PS_SOLID);
        stock[BLACK_PEN] = pen(RGB(0, 0, 0), PS_SOLID);
        stock[NULL_PEN] = pen(0, PS_NULL);
        stock[OEM_FIXED_FONT] = font(fixed);
        stock[ANSI_FIXED_FONT] = stock[OEM_FIXED_FONT];
        stock[ANSI_VAR_FONT] = font(DefaultGuiLogFont());
        stock[SYSTEM_FONT] = stock[ANSI_VAR_FONT];
        stock[DEVICE_DEFAULT_FONT] = stock[ANSI_VAR_FONT];
        stock[SYSTEM_FIXED_FONT] = stock[OEM_FIXED_FONT];
        stock[DEFAULT_GUI_FONT] = stock[ANSI_VAR_FONT];
        stock[DC_BRUSH] = stock[WHITE_BRUSH];
        stock[DC_PEN] = stock[BLACK_PEN];
        stock[DEFAULT_PALETTE] = brush(0, true); // palettes are not modelled
    });
    if (index < 0 || index >= static_cast<int>(stock.size()))
        return nullptr;
    return stock[static_cast<size_t>(index)];
}

HFONT CreateFontIndirectA(const LOGFONTA* logFont)
{
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    EnsureGui();
    return FontHandleFor(*logFont);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto object = std::make_shared<BrushObject>();
    object->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(RegisterGdiObject(object));
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    auto object = std::make_shared<PenObject>();
    object->style = style;
    object->width = std::max(1, width);
    object->color = color & 0xFFFFFF;
    return static_cast<HPEN>(RegisterGdiObject(object));
}

DWORD GetSysColor(int index)
{
    return ToColorRef(SystemColor(index));
}

HBRUSH GetSysColorBrush(int index)
{
    static std::mutex* const mutex = new std::mutex;
    static auto* const brushes = new std::map<int, HBRUSH>;
    if (index < 0 || index > COLOR_MENUBAR)
        return nullptr;
    std::lock_guard lock(*mutex);
    HBRUSH& brush = (*brushes)[index];
    if (!brush) {
        auto object = std::make_shared<BrushObject>();
        object->sysColor = index;
        object->stock = true;
        brush = static_cast<HBRUSH>(RegisterGdiObject(object));
    }
    return brush;
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto found = LookupGdiObject(object);
    if (!found || std::dynamic_pointer_cast<DeviceContext>(found)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return ReleaseGdiObject(object) ? TRUE : FALSE;
}

int GetObjectA(HANDLE handle, int size, LPVOID buffer)
{
    auto object = LookupGdiObject(handle);
    auto give = [&](const auto& value) -> int {
        const int needed = static_cast<int>(sizeof value);
        if (!buffer)
            return needed;
        const int copied = std::min(needed, size);
        if (copied <= 0)
            return 0;
        std::memcpy(buffer, &value, static_cast<size_t>(copied));
        return copied;
    };
    if (auto font = std::dynamic_pointer_cast<FontObject>(object))
        return give(font->logFont);
    if (auto bitmap = std::dynamic_pointer_cast<BitmapObject>(object)) {
        BITMAP info{};
        info.bmWidth = bitmap->image.width();
        info.bmHeight = bitmap->image.height();
        info.bmPlanes = 1;
        info.bmBitsPixel = bitmap->bitsPixel;
        info.bmWidthBytes = ((info.bmWidth * info.bmBitsPixel + 15) / 16) * 2;
        return give(info);
    }
    if (auto brush = std::dynamic_pointer_cast<BrushObject>(object)) {
        LOGBRUSH info{};
        info.lbStyle = brush->hollow ? BS_NULL : BS_SOLID;
        info.lbColor = brush->hollow ? 0 : ToColorRef(brush->Color());
        return give(info);
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Device contexts

HDC CreateCompatibleDC(HDC)
{
    EnsureGui();
    auto dc = std::make_shared<DeviceContext>();
    dc->kind = DeviceContext::Kind::Memory;
    dc->bitmapHandle = StockBitmap();
    dc->bitmap = LookupGdiAs<BitmapObject>(dc->bitmapHandle);
    dc->fontHandle = GetStockObject(DEFAULT_GUI_FONT);
    dc->font = LookupGdiAs<FontObject>(dc->fontHandle);
    dc->brushHandle = GetStockObject(WHITE_BRUSH);
    dc->brush = LookupGdiAs<BrushObject>(dc->brushHandle);
    dc->penHandle = GetStockObject(BLACK_PEN);
    dc->pen = LookupGdiAs<PenObject>(dc->penHandle);
    return static_cast<HDC>(RegisterGdiObject(dc));
}

BOOL DeleteDC(HDC dc)
{
    auto object = Dc(dc);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Flush();
    return ReleaseGdiObject(dc) ? TRUE : FALSE;
}

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy)
{
    if (cx <= 0 || cy <= 0 || cx > 16384 || cy > 16384) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    QImage image(cx, cy, QImage::Format_RGB32);
    image.fill(Qt::black);
    return BitmapHandleFor(std::move(image));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    auto context = Dc(dc);
    auto found = LookupGdiObject(object);
    if (!context || !found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto exchange = [&](auto& slot, HGDIOBJ& handle, auto typed) {
        HGDIOBJ previous = handle;
        slot = std::move(typed);
        handle = object;
        return previous;
    };
    if (auto font = std::dynamic_pointer_cast<FontObject>(found))
        return exchange(context->font, context->fontHandle, font);
    if (auto brush = std::dynamic_pointer_cast<BrushObject>(found))
        return exchange(context->brush, context->brushHandle, brush);
    if (auto pen = std::dynamic_pointer_cast<PenObject>(found))
        return exchange(context->pen, context->penHandle, pen);
    if (auto bitmap = std::dynamic_pointer_cast<BitmapObject>(found)) {
        // Only memory DCs hold bitmaps.
        if (context->kind != DeviceContext::Kind::Memory)
            return nullptr;
        context->Flush();
        return exchange(context->bitmap, context->bitmapHandle, bitmap);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type)
{
    auto context = Dc(dc);
    if (!context)
        return nullptr;
    switch (type) {
    case OBJ_FONT: return context->fontHandle;
    case OBJ_BRUSH: return context->brushHandle;
    case OBJ_PEN: return context->penHandle;
    case OBJ_BITMAP: return context->bitmapHandle;
    default: return nullptr;
    }
}

int GetDeviceCaps(HDC, int index)
{
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96; // the layer measures fonts in pixels at 96 dots per inch
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case HORZRES:
    case VERTRES:
        if (GuiExists() && QGuiApplication::primaryScreen()) {
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            return index == HORZRES ? screen.width() : screen.height();
        }
        return index == HORZRES ? 1024 : 768;
    default:
        return 0;
    }
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    auto context = Dc(dc);
    if (!context)
        return CLR_INVALID;
    return std::exchange(context->textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC dc)
{
    auto context = Dc(dc);
    return context ? context->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    auto context = Dc(dc);
    if (!context)
        return CLR_INVALID;
    return std::exchange(context->bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC dc)
{
    auto context = Dc(dc);
    return context ? context->bkColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode)
{
    auto context = Dc(dc);
    if (!context || (mode != TRANSPARENT && mode != OPAQUE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(context->bkMode, mode);
}

int GetBkMode(HDC dc)
{
    auto context = Dc(dc);
    return context ? context->bkMode : 0;
}

// ---------------------------------------------------------------------------------------------
// Drawing

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto context = Dc(dc);
    if (!context || !rect)
        return 0;
    QColor color;
    const auto value = reinterpret_cast<UINT_PTR>(brush);
    if (value >= 1 && value <= COLOR_MENUBAR + 1) {
        color = SystemColor(static_cast<int>(value - 1));
    } else {
        auto object = LookupGdiAs<BrushObject>(brush);
        if (!object)
            return 0;
        if (object->hollow)
            return 1;
        color = object->Color();
    }
    if (QPainter* painter = context->Painter())
        painter->fillRect(ToQRect(*rect), color);
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto context = Dc(dc);
    auto object = LookupGdiAs<BrushObject>(brush);
    if (!context || !rect || !object)
        return 0;
    QPainter* painter = context->Painter();
    if (painter && !object->hollow && !IsRectEmpty(rect)) {
        const QRect r = ToQRect(*rect);
        const QColor color = object->Color();
        painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
        painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
        painter->fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
        painter->fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
    }
    return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    auto context = Dc(dc);
    if (!context)
        return FALSE;
    QPainter* painter = context->Painter();
    if (!painter)
        return TRUE;
    const QRect r(left, top, right - left, bottom - top);
    if (context->brush && !context->brush->hollow)
        painter->fillRect(r, context->brush->Color());
    if (context->pen && context->pen->style != PS_NULL) {
        painter->save();
        painter->setPen(QPen(ToQColor(context->pen->color), context->pen->width));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        painter->restore();
    }
    return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    auto context = Dc(dc);
    if (!context)
        return FALSE;
    if (previous)
        *previous = {context->position.x(), context->position.y()};
    context->position = QPoint(x, y);
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    auto context = Dc(dc);
    if (!context)
        return FALSE;
    QPainter* painter = context->Painter();
    if (painter && context->pen && context->pen->style != PS_NULL) {
        painter->save();
        painter->setPen(QPen(ToQColor(context->pen->color), context->pen->width));
        painter->drawLine(context->position, QPoint(x, y));
        painter->restore();
    }
    context->position = QPoint(x, y);
    return TRUE;
}

namespace {

QString DrawableText(LPCSTR text, int length)
{
    QString string = FromNarrow(text, length);
    string.replace("\r\n", "\n");
    string.replace('\r', '\n');
    return string;
}

} // namespace

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    auto context = Dc(dc);
    if (!context || (!text && length > 0))
        return FALSE;
    const QString string = FromNarrow(text, length);
    QPainter* painter = context->Painter();
    if (!painter)
        return TRUE;
    const QFont font = DcFont(*context);
    const QFontMetrics metrics(font);
    painter->save();
    painter->setFont(font);
    if (context->bkMode == OPAQUE)
        painter->fillRect(QRect(x, y, metrics.horizontalAdvance(string), metrics.height()),
                          ToQColor(context->bkColor));
    painter->setPen(ToQColor(context->textColor));
    painter->drawText(QPoint(x, y + metrics.ascent()), string);
    painter->restore();
    return TRUE;
}

int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format)
{
    auto context = Dc(dc);
    if (!context || !rect || (!text && length != 0))
        return 0;
    QString string = text ? DrawableText(text, length) : QString();
    const QFont font = DcFont(*context);
    const QFontMetrics metrics(font);
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & DT_WORDBREAK)
        flags |= Qt::TextWordWrap;
    if (format & DT_EXPANDTABS)
        flags |= Qt::TextExpandTabs;
    if (!(format & DT_NOPREFIX))
        flags |= (format & DT_HIDEPREFIX) ? Qt::TextHideMnemonic : Qt::TextShowMnemonic;
    if (format & DT_NOCLIP)
        flags |= Qt::TextDontClip;
    QRect area(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    if ((format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) && !(format & DT_WORDBREAK))
        string = metrics.elidedText(string, (format & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight,
                                    area.width(), flags);
    const QRect bound = string.isEmpty() ? QRect(area.topLeft(), QSize(0, 0))
                                         : metrics.boundingRect(area, flags, string);
    // Lines are the font's height apart, as GDI sets them (Qt adds the font's leading).
    const int lines = string.isEmpty() ? 0
                                       : std::max(1, (bound.height() + std::max(0, metrics.leading())) /
                                                         std::max(1, metrics.lineSpacing()));
    const int height = lines * metrics.height();
    if (format & DT_CALCRECT) {
        rect->right = rect->left + bound.width();
        rect->bottom = rect->top + height;
        return height;
    }
    if (QPainter* painter = context->Painter(); painter && !string.isEmpty()) {
        painter->save();
        painter->setFont(font);
        if (!(format & DT_NOCLIP))
            painter->setClipRect(area, Qt::IntersectClip);
        if (context->bkMode == OPAQUE)
            painter->fillRect(bound, ToQColor(context->bkColor));
        painter->setPen(ToQColor(context->textColor));
        painter->drawText(area, flags, string);
        painter->restore();
    }
    return (format & (DT_VCENTER | DT_BOTTOM)) && (format & DT_SINGLELINE) ? bound.bottom() + 1 - area.top()
                                                                          : height;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size)
{
    auto context = Dc(dc);
    if (!context || !size || (!text && length > 0))
        return FALSE;
    const QFontMetrics metrics(DcFont(*context));
    const QString string = FromNarrow(text, length);
    size->cx = metrics.horizontalAdvance(string);
    size->cy = metrics.height();
    return TRUE;
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA tm)
{
    auto context = Dc(dc);
    if (!context || !tm)
        return FALSE;
    const QFont font = DcFont(*context);
    const QFontMetrics metrics(font);
    *tm = {};
    tm->tmHeight = metrics.height();
    tm->tmAscent = metrics.ascent();
    tm->tmDescent = metrics.descent();
    tm->tmInternalLeading = std::max(0, metrics.height() - font.pixelSize());
    tm->tmExternalLeading = std::max(0, metrics.leading());
    tm->tmAveCharWidth = metrics.averageCharWidth();
    tm->tmMaxCharWidth = metrics.maxWidth();
    tm->tmWeight = font.weight();
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    tm->tmItalic = font.italic() ? 1 : 0;
    tm->tmUnderlined = font.underline() ? 1 : 0;
    tm->tmStruckOut = font.strikeOut() ? 1 : 0;
    tm->tmPitchAndFamily = font.fixedPitch() ? 0 : 1; // the bit set means variable pitch
    tm->tmCharSet = DEFAULT_CHARSET;
    return TRUE;
}

namespace {

bool Blit(DeviceContext& destination, const QRect& target, DeviceContext* source, const QRect& from,
          DWORD rop)
{
    QPainter* painter = destination.Painter();
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT) {
        if (!painter)
            return true;
        painter->save();
        if (rop == DSTINVERT) {
            painter->setCompositionMode(QPainter::RasterOp_NotDestination);
            painter->fillRect(target, Qt::black);
        } else {
            const QColor color = rop == BLACKNESS ? QColor(Qt::black)
                                 : rop == WHITENESS ? QColor(Qt::white)
                                 : destination.brush && !destination.brush->hollow ? destination.brush->Color()
                                                                                   : QColor(Qt::white);
            painter->fillRect(target, color);
        }
        painter->restore();
        return true;
    }
    if (!source)
        return false;
    if (!painter)
        return true;
    QImage image;
    if (source->kind == DeviceContext::Kind::Memory && source->bitmap) {
        source->Flush();
        image = source->bitmap->image;
    } else {
        return true; // reading back what a window shows is not supported
    }
    painter->save();
    switch (rop) {
    case SRCAND: painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case SRCPAINT: painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case SRCINVERT: painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case NOTSRCCOPY: painter->setCompositionMode(QPainter::RasterOp_NotSource); break;
    case SRCERASE: painter->setCompositionMode(QPainter::RasterOp_SourceAndNotDestination); break;
    case NOTSRCERASE: painter->setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination); break;
    default: painter->setCompositionMode(QPainter::CompositionMode_Source); break;
    }
    painter->drawImage(target, image, from);
    painter->restore();
    return true;
}

} // namespace

BOOL BitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, DWORD rop)
{
    auto target = Dc(destination);
    if (!target)
        return FALSE;
    auto from = Dc(source);
    return Blit(*target, QRect(x, y, cx, cy), from.get(), QRect(x1, y1, cx, cy), rop) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, int cx1,
                int cy1, DWORD rop)
{
    auto target = Dc(destination);
    if (!target)
        return FALSE;
    auto from = Dc(source);
    return Blit(*target, QRect(x, y, cx, cy), from.get(), QRect(x1, y1, cx1, cy1), rop) ? TRUE : FALSE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon)
{
    auto context = Dc(dc);
    auto object = LookupGdiAs<IconObject>(icon);
    if (!context || !object)
        return FALSE;
    DrawImage(*context, x, y, object->Image(GetSystemMetrics(SM_CXICON)));
    return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    auto context = Dc(dc);
    if (!context || context->kind != DeviceContext::Kind::Memory || !context->bitmap)
        return CLR_INVALID;
    context->Flush();
    const QImage& image = context->bitmap->image;
    if (!image.valid(x, y))
        return CLR_INVALID;
    const QRgb pixel = image.pixel(x, y);
    return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    auto context = Dc(dc);
    if (!context || context->kind != DeviceContext::Kind::Memory || !context->bitmap || context->bitmap->stock)
        return CLR_INVALID;
    context->Flush();
    QImage& image = context->bitmap->image;
    if (!image.valid(x, y))
        return CLR_INVALID;
    image.setPixel(x, y, qRgb(GetRValue(color), GetGValue(color), GetBValue(color)));
    return color & 0xFFFFFF;
}

// ---------------------------------------------------------------------------------------------
// Icons, cursors and bitmaps

HICON LoadIconA(HINSTANCE instance, LPCSTR iconName)
{
    HICON icon = LoadIconResource(instance, iconName);
    if (!icon)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return icon;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR)
{
    // The window system keeps its own cursors; one shared handle stands for them.
    static const HCURSOR cursor = IconHandleFor({}, true);
    return cursor;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    return cursor;
}

BOOL DestroyIcon(HICON icon)
{
    auto object = LookupGdiAs<IconObject>(icon);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->shared)
        ReleaseGdiObject(icon);
    return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR bitmapName)
{
    auto image = LoadBitmapImage(instance, bitmapName);
    if (!image) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return BitmapHandleFor(std::move(*image));
}

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags)
{
    if (flags & LR_LOADFROMFILE) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    switch (type) {
    case IMAGE_BITMAP:
        return LoadBitmapA(instance, name);
    case IMAGE_ICON:
    case IMAGE_CURSOR: {
        HICON icon = LoadIconResource(instance, name);
        if (!icon || (flags & LR_SHARED))
            return icon;
        // An unshared copy at the size asked for (the default size for 0).
        const int width = cx ? cx : ((flags & LR_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : 32);
        const int height = cy ? cy : width;
        QImage image = IconImage(icon, width);
        if (height != width)
            image = image.scaled(width, height);
        return IconHandleFor({image}, false);
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HBITMAP CreateMappedBitmap(HINSTANCE instance, INT_PTR idBitmap, UINT, LPCOLORMAP colorMap, int numMaps)
{
    auto image = LoadBitmapImage(instance, MAKEINTRESOURCEA(idBitmap));
    if (!image)
        return nullptr;
    // The standard greys become the button colours of the moment.
    std::vector<COLORMAP> map;
    if (colorMap && numMaps > 0) {
        map.assign(colorMap, colorMap + numMaps);
    } else {
        map = {{RGB(0, 0, 0), GetSysColor(COLOR_BTNTEXT)},
               {RGB(128, 128, 128), GetSysColor(COLOR_BTNSHADOW)},
               {RGB(192, 192, 192), GetSysColor(COLOR_BTNFACE)},
               {RGB(255, 255, 255), GetSysColor(COLOR_BTNHIGHLIGHT)}};
    }
    for (int y = 0; y < image->height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            const COLORREF pixel = RGB(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
            for (const COLORMAP& entry : map) {
                if ((entry.from & 0xFFFFFF) == pixel) {
                    line[x] = qRgb(GetRValue(entry.to), GetGValue(entry.to), GetBValue(entry.to));
                    break;
                }
            }
        }
    }
    return BitmapHandleFor(std::move(*image));
}
