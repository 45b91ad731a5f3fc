// Image lists: equal-sized images cut from bitmaps, with a mask colour or a mask bitmap making
// parts of them transparent.
#include "gdi.h"
#include "qt_internal.h"

#include <QPainter>

namespace vlm::qt {
namespace {

std::shared_ptr<ImageListObject> ListOf(HIMAGELIST list)
{
    return LookupGdiAs<ImageListObject>(list);
}

// Cuts `image` into the list's image width, left to right; `transparent(x, y)` says which of its
// pixels the mask takes away (only for lists made with ILC_MASK).
template <class Transparent>
int AddPieces(ImageListObject& list, const QImage& image, Transparent transparent)
{
    if (image.isNull() || list.cx <= 0 || image.width() < list.cx)
        return -1;
    const int first = static_cast<int>(list.images.size());
    const bool masked = (list.flags & ILC_MASK) != 0;
    for (int left = 0; left + list.cx <= image.width(); left += list.cx) {
        QImage piece(list.cx, list.cy, QImage::Format_ARGB32);
        piece.fill(Qt::transparent);
        for (int y = 0; y < list.cy && y < image.height(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(piece.scanLine(y));
            for (int x = 0; x < list.cx; ++x) {
                const QRgb pixel = image.pixel(left + x, y);
                out[x] = masked && transparent(left + x, y) ? qRgba(0, 0, 0, 0) : (pixel | 0xFF000000u);
            }
        }
        list.images.push_back(std::move(piece));
    }
    return first;
}

} // namespace
} // namespace vlm::qt

using namespace vlm::qt;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int)
{
    if (cx <= 0 || cy <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto list = std::make_shared<ImageListObject>();
    list->cx = cx;
    list->cy = cy;
    list->flags = flags;
    return static_cast<HIMAGELIST>(RegisterGdiObject(list));
}

BOOL ImageList_Destroy(HIMAGELIST list)
{
    if (!ListOf(list))
        return FALSE;
    return ReleaseGdiObject(list) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST list)
{
    auto object = ListOf(list);
    return object ? static_cast<int>(object->images.size()) : 0;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask)
{
    auto object = ListOf(list);
    auto pixels = ImageOfBitmap(image);
    if (!object || !pixels)
        return -1;
    // In a mask bitmap, white (set) pixels are the transparent ones.
    const std::optional<QImage> maskPixels = mask ? ImageOfBitmap(mask) : std::nullopt;
    return AddPieces(*object, *pixels, [&](int x, int y) {
        return maskPixels && x < maskPixels->width() && y < maskPixels->height() &&
               qGray(maskPixels->pixel(x, y)) > 127;
    });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor)
{
    auto object = ListOf(list);
    auto pixels = ImageOfBitmap(image);
    if (!object || !pixels)
        return -1;
    const QRgb key = qRgb(GetRValue(maskColor), GetGValue(maskColor), GetBValue(maskColor));
    return AddPieces(*object, *pixels, [&](int x, int y) {
        return maskColor != CLR_NONE && (pixels->pixel(x, y) | 0xFF000000u) == key;
    });
}

BOOL ImageList_Remove(HIMAGELIST list, int index)
{
    auto object = ListOf(list);
    if (!object)
        return FALSE;
    if (index == -1) {
        object->images.clear();
        return TRUE;
    }
    if (index < 0 || static_cast<size_t>(index) >= object->images.size())
        return FALSE;
    object->images.erase(object->images.begin() + index);
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT)
{
    auto object = ListOf(list);
    auto context = LookupGdiAs<DeviceContext>(dc);
    if (!object || !context || index < 0 || static_cast<size_t>(index) >= object->images.size())
        return FALSE;
    QImage image = object->images[static_cast<size_t>(index)];
    if (object->background != CLR_NONE) {
        QImage filled(image.size(), QImage::Format_ARGB32);
        filled.fill(ToQColor(object->background));
        QPainter painter(&filled);
        painter.drawImage(0, 0, image);
        painter.end();
        image = filled;
    }
    DrawImage(*context, x, y, image);
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy)
{
    auto object = ListOf(list);
    if (!object || !cx || !cy)
        return FALSE;
    *cx = object->cx;
    *cy = object->cy;
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color)
{
    auto object = ListOf(list);
    if (!object)
        return CLR_NONE;
    return std::exchange(object->background, color);
}

COLORREF ImageList_GetBkColor(HIMAGELIST list)
{
    auto object = ListOf(list);
    return object ? object->background : CLR_NONE;
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT)
{
    auto object = ListOf(list);
    if (!object || index < 0 || static_cast<size_t>(index) >= object->images.size())
        return nullptr;
    return IconHandleFor({object->images[static_cast<size_t>(index)]}, false);
}

HIMAGELIST ImageList_LoadImageA(HINSTANCE instance, LPCSTR bitmap, int cx, int, COLORREF maskColor,
                                UINT type, UINT flags)
{
    if (type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto image = LoadBitmapImage(instance, bitmap);
    if (!image) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const int width = cx > 0 ? cx : image->height();
    const HIMAGELIST list = ImageList_Create(width, image->height(),
                                             ILC_COLOR | (maskColor != CLR_NONE ? ILC_MASK : 0), 0, 1);
    const HBITMAP pieces = BitmapHandleFor(*image);
    const int first = ImageList_AddMasked(list, pieces, maskColor);
    DeleteObject(pieces);
    if (first < 0) {
        ImageList_Destroy(list);
        return nullptr;
    }
    return list;
}
