// The callers behind the message-map entries: one per handler signature, each a template on the
// handler itself, so the entry's table holds a plain function that unpacks wParam and lParam and
// calls the member. Included by CWnd.h; the entry macros of MessageMap.h name them.
#pragma once

#include "framework/CDC.h"
#include "framework/CMenu.h"
#include "framework/MessageMap.h"

#include <type_traits>

namespace vlm::fw::thunk {

template <class T>
struct Member;
template <class C, class R, class... Args>
struct Member<R (C::*)(Args...)> {
    using Class = C;
    using Signature = R(Args...);
};

// The object the handler belongs to, as the class that declares the handler.
template <auto Fn>
auto* Target(CWnd* wnd)
{
    return static_cast<typename Member<decltype(Fn)>::Class*>(wnd);
}

template <auto Fn, class Signature>
constexpr bool kIs = std::is_same_v<typename Member<decltype(Fn)>::Signature, Signature>;

template <auto Fn>
BOOL Void(CWnd* wnd, WPARAM, LPARAM, LRESULT* result)
{
    static_assert(kIs<Fn, void()>, "the handler must be void ()");
    (Target<Fn>(wnd)->*Fn)();
    *result = 0;
    return TRUE;
}

template <auto Fn>
BOOL Bool(CWnd* wnd, WPARAM, LPARAM, LRESULT* result)
{
    static_assert(kIs<Fn, BOOL()>, "the handler must be BOOL ()");
    *result = 0;
    return (Target<Fn>(wnd)->*Fn)() ? TRUE : FALSE;
}

template <auto Fn>
BOOL Id(CWnd* wnd, WPARAM wParam, LPARAM, LRESULT* result)
{
    static_assert(kIs<Fn, void(UINT)>, "the handler must be void (UINT)");
    (Target<Fn>(wnd)->*Fn)(LOWORD(wParam));
    *result = 0;
    return TRUE;
}

template <auto Fn>
BOOL Message(CWnd* wnd, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    static_assert(kIs<Fn, LRESULT(WPARAM, LPARAM)>, "the handler must be LRESULT (WPARAM, LPARAM)");
    *result = (Target<Fn>(wnd)->*Fn)(wParam, lParam);
    return TRUE;
}

template <auto Fn>
BOOL QueryDragIcon(CWnd* wnd, WPARAM, LPARAM, LRESULT* result)
{
    static_assert(kIs<Fn, HCURSOR()>, "the handler must be HCURSOR ()");
    *result = reinterpret_cast<LRESULT>((Target<Fn>(wnd)->*Fn)());
    return TRUE;
}

template <auto Fn>
BOOL InitMenuPopup(CWnd* wnd, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    static_assert(kIs<Fn, void(CMenu*, UINT, BOOL)>, "the handler must be void (CMenu*, UINT, BOOL)");
    (Target<Fn>(wnd)->*Fn)(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)), LOWORD(lParam),
                           HIWORD(lParam) ? TRUE : FALSE);
    *result = 0;
    return TRUE;
}

template <auto Fn>
BOOL CtlColor(CWnd* wnd, WPARAM, LPARAM lParam, LRESULT* result)
{
    static_assert(kIs<Fn, HBRUSH(CDC*, CWnd*, UINT)>, "the handler must be HBRUSH (CDC*, CWnd*, UINT)");
    const auto* colour = reinterpret_cast<const AFX_CTLCOLOR*>(lParam);
    *result = reinterpret_cast<LRESULT>(
        (Target<Fn>(wnd)->*Fn)(CDC::FromHandle(colour->hDC), CWnd::FromHandle(colour->hWnd), colour->nCtlType));
    return TRUE;
}

template <auto Fn>
BOOL CtlColorReflect(CWnd* wnd, WPARAM, LPARAM lParam, LRESULT* result)
{
    static_assert(kIs<Fn, HBRUSH(CDC*, UINT)>, "the handler must be HBRUSH (CDC*, UINT)");
    const auto* colour = reinterpret_cast<const AFX_CTLCOLOR*>(lParam);
    const HBRUSH brush = (Target<Fn>(wnd)->*Fn)(CDC::FromHandle(colour->hDC), colour->nCtlType);
    if (!brush)
        return FALSE;
    *result = reinterpret_cast<LRESULT>(brush);
    return TRUE;
}

template <auto Fn>
BOOL HelpInfo(CWnd* wnd, WPARAM, LPARAM lParam, LRESULT* result)
{
    static_assert(kIs<Fn, BOOL(HELPINFO*)>, "the handler must be BOOL (HELPINFO*)");
    *result = (Target<Fn>(wnd)->*Fn)(reinterpret_cast<HELPINFO*>(lParam));
    return TRUE;
}

template <auto Fn>
BOOL Timer(CWnd* wnd, WPARAM wParam, LPARAM, LRESULT* result)
{
    static_assert(kIs<Fn, void(UINT_PTR)>, "the handler must be void (UINT_PTR)");
    (Target<Fn>(wnd)->*Fn)(static_cast<UINT_PTR>(wParam));
    *result = 0;
    return TRUE;
}

} // namespace vlm::fw::thunk
