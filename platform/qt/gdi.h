// The GDI subset over QPainter: the process's GDI objects (fonts, brushes, pens, bitmaps, icons,
// image lists, device contexts) in one handle table, as GDI keeps them.
#pragma once

#include "winapi.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPoint>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace vlm::qt {

class GdiObject {
public:
    virtual ~GdiObject() = default;
    // Stock objects live for the process: DeleteObject leaves them.
    bool stock = false;
};

class FontObject : public GdiObject {
public:
    LOGFONTA logFont{};
    QFont font;
};

class BrushObject : public GdiObject {
public:
    bool hollow = false;
    COLORREF color = 0;
    int sysColor = -1; // a system colour's brush follows the palette
    QColor Color() const;
};

class PenObject : public GdiObject {
public:
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

class BitmapObject : public GdiObject {
public:
    QImage image; // RGB32, or ARGB32 where pixels may be transparent
    WORD bitsPixel = 32;
};

class IconObject : public GdiObject {
public:
    std::vector<QImage> images; // ARGB32, every size the icon has
    bool shared = false;        // loaded from resources: DestroyIcon leaves it
    // The image closest to `size` (scaled when no image has that size).
    QImage Image(int size) const;
    QIcon Icon() const;
};

class ImageListObject : public GdiObject {
public:
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    COLORREF background = CLR_NONE;
    std::vector<QImage> images; // ARGB32
};

class DeviceContext : public GdiObject {
public:
    enum class Kind { Window, Memory };
    Kind kind = Kind::Window;
    HWND window = nullptr;
    // A window DC draws with the painter of the paint in progress, when there is one.
    QPainter* borrowed = nullptr;

    std::shared_ptr<BitmapObject> bitmap; // memory DCs
    std::shared_ptr<FontObject> font;
    std::shared_ptr<BrushObject> brush;
    std::shared_ptr<PenObject> pen;
    HGDIOBJ fontHandle = nullptr;
    HGDIOBJ brushHandle = nullptr;
    HGDIOBJ penHandle = nullptr;
    HGDIOBJ bitmapHandle = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    QPoint position;

    ~DeviceContext() override;
    // What drawing goes to; nullptr when it goes nowhere (a window not painting, a memory DC
    // with its 1x1 stock bitmap). A window's painter has (0, 0) at the client origin.
    QPainter* Painter();
    // Ends a memory DC's own painter, so its bitmap can be read.
    void Flush();

private:
    std::unique_ptr<QPainter> m_own;
};

// The handle table.
HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> LookupGdiObject(const void* handle);
template <class T>
std::shared_ptr<T> LookupGdiAs(const void* handle)
{
    return std::dynamic_pointer_cast<T>(LookupGdiObject(handle));
}
bool ReleaseGdiObject(const void* handle);

// A window DC; `painter` may be null (drawing then goes nowhere).
HDC CreateWindowDc(HWND window, QPainter* painter);

QColor ToQColor(COLORREF color);
COLORREF ToColorRef(const QColor& color);
QColor SystemColor(int index);

// Fonts. The faces dialogs ask for ("MS Sans Serif", "MS Shell Dlg", ...) are shown in a
// metric-compatible sans-serif font of this system.
QString DialogFontFamily();
QFont FontFromLogFont(const LOGFONTA& logFont);
HFONT FontHandleFor(const LOGFONTA& logFont);
QFont FontOf(HFONT font);
LOGFONTA DefaultGuiLogFont();

// Device-independent bitmaps as resources hold them (BITMAPINFOHEADER, colour table, bits);
// `icon` reads an icon image: twice the height, with the AND mask after the colour bits.
std::optional<QImage> DecodeDib(const BYTE* data, size_t size, bool icon);
// A bitmap resource of the module; nullopt when there is none or it cannot be read.
std::optional<QImage> LoadBitmapImage(HINSTANCE instance, LPCSTR name);
HBITMAP BitmapHandleFor(QImage image, WORD bitsPixel = 32);
std::optional<QImage> ImageOfBitmap(HBITMAP bitmap);
// Icons as the resources (RT_GROUP_ICON) hold them; the same handle for the same icon.
HICON LoadIconResource(HINSTANCE instance, LPCSTR name);
HICON IconHandleFor(std::vector<QImage> images, bool shared);
QIcon QIconOf(HICON icon);
QImage IconImage(HICON icon, int size);

// Draws `image` into the DC at x, y (with the image's transparency).
void DrawImage(DeviceContext& dc, int x, int y, const QImage& image);

} // namespace vlm::qt
