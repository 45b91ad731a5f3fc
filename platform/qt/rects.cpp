// Rectangle helpers and MulDiv: plain arithmetic, as USER32 and KERNEL32 give it.
#include "winapi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    // Rounded half away from zero, in 64 bits so the product cannot overflow.
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = std::llabs(denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX || result < INT32_MIN)
        return -1;
    return static_cast<int>(result);
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect)
{
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT destination, const RECT* source)
{
    if (!destination || !source)
        return FALSE;
    *destination = *source;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect)
{
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right &&
           a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
           point.y < rect->bottom;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT destination, const RECT* a, const RECT* b)
{
    if (!destination || !a || !b)
        return FALSE;
    const RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                 std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        SetRectEmpty(destination);
        return FALSE;
    }
    *destination = r;
    return TRUE;
}

BOOL UnionRect(LPRECT destination, const RECT* a, const RECT* b)
{
    if (!destination || !a || !b)
        return FALSE;
    if (IsRectEmpty(a)) {
        if (IsRectEmpty(b)) {
            SetRectEmpty(destination);
            return FALSE;
        }
        *destination = *b;
        return TRUE;
    }
    if (IsRectEmpty(b)) {
        *destination = *a;
        return TRUE;
    }
    *destination = {std::min(a->left, b->left), std::min(a->top, b->top),
                    std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
    return TRUE;
}
