// MessageBoxA: answered by the process's responder (tests, the console front end), else shown by
// the window layer's presenter, else printed to stderr and answered with the default button.
#include "vlm_posix.h"

#include <array>
#include <cstdio>
#include <mutex>

namespace {

struct Answerers {
    std::mutex mutex;
    vlm::MessageBoxResponder responder;
    vlm::MessageBoxResponder presenter;
};

// Never destroyed: a thread may still show a box while the process ends.
Answerers& TheAnswerers()
{
    static Answerers* const answerers = new Answerers;
    return *answerers;
}

vlm::MessageBoxResponder Exchange(vlm::MessageBoxResponder Answerers::*slot,
                                  vlm::MessageBoxResponder replacement)
{
    Answerers& answerers = TheAnswerers();
    std::lock_guard lock(answerers.mutex);
    std::swap(answerers.*slot, replacement);
    return replacement;
}

// The buttons of each MB_ type, in order; the MB_DEFBUTTONn bits pick the default among them.
int DefaultButton(UINT type)
{
    constexpr int idAbort = 3, idRetry = 4, idIgnore = 5, idTryAgain = 10, idContinue = 11;
    static constexpr std::array<std::array<int, 3>, 7> buttons{{
        {IDOK, 0, 0},                         // MB_OK
        {IDOK, IDCANCEL, 0},                  // MB_OKCANCEL
        {idAbort, idRetry, idIgnore},         // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},              // MB_YESNOCANCEL
        {IDYES, IDNO, 0},                     // MB_YESNO
        {idRetry, IDCANCEL, 0},               // MB_RETRYCANCEL
        {IDCANCEL, idTryAgain, idContinue},   // MB_CANCELTRYCONTINUE
    }};
    const UINT kind = type & 0xFu;
    if (kind >= buttons.size())
        return IDOK;
    const UINT index = (type & 0xF00u) >> 8;
    const auto& row = buttons[kind];
    return index < row.size() && row[index] != 0 ? row[index] : row[0];
}

} // namespace

namespace vlm {

MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder)
{
    return Exchange(&Answerers::responder, std::move(responder));
}

namespace posix {

MessageBoxResponder SetDefaultMessageBoxPresenter(MessageBoxResponder presenter)
{
    return Exchange(&Answerers::presenter, std::move(presenter));
}

} // namespace posix
} // namespace vlm

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    // Windows' own caption for a box without one.
    const LPCSTR shownCaption = caption ? caption : "Error";
    const LPCSTR shownText = text ? text : "";
    vlm::MessageBoxResponder answer;
    {
        Answerers& answerers = TheAnswerers();
        std::lock_guard lock(answerers.mutex);
        // Copied, so the box is answered outside the lock and may itself install another.
        answer = answerers.responder ? answerers.responder : answerers.presenter;
    }
    if (answer)
        return answer(owner, shownText, shownCaption, type);
    std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
    std::fflush(stderr);
    return DefaultButton(type);
}
