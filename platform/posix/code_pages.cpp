// WideCharToMultiByte / MultiByteToWideChar. On Linux the ANSI code page is UTF-8, so CP_ACP and
// CP_UTF8 are the same conversion; every other code page is refused.
#include "winapi.h"

#include "utf8_utf16.h"

#include <cstring>
#include <string_view>

namespace {

using vlm::posix::Decoded;

// Flags Windows accepts for an ANSI code page; none changes a Unicode conversion.
constexpr DWORD kWideAnsiFlags = 0x00000010 /*WC_DISCARDNS*/ | 0x00000020 /*WC_SEPCHARS*/ |
                                 0x00000040 /*WC_DEFAULTCHAR*/ | 0x00000200 /*WC_COMPOSITECHECK*/ |
                                 0x00000400 /*WC_NO_BEST_FIT_CHARS*/ | WC_ERR_INVALID_CHARS;
constexpr DWORD kMultiAnsiFlags = 0x00000001 /*MB_PRECOMPOSED*/ | 0x00000002 /*MB_COMPOSITE*/ |
                                  0x00000004 /*MB_USEGLYPHCHARS*/ | MB_ERR_INVALID_CHARS;

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

bool IsUtf8CodePage(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_UTF8;
}

std::size_t WideLength(LPCWSTR text)
{
    std::size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

// The shared loop: decode from `input`, count what the output needs, write while it fits.
// Returns the output count, or 0 with the last error set.
template <class In, class Out, class DecodeFn, class EncodeFn, class LengthFn>
int Convert(std::basic_string_view<In> input, Out* output, int capacity, bool strict, DecodeFn decode,
            EncodeFn encode, LengthFn encodedLength)
{
    std::size_t produced = 0;
    while (!input.empty()) {
        const Decoded decoded = decode(input);
        if (!decoded.valid && strict)
            return Fail(ERROR_NO_UNICODE_TRANSLATION);
        const std::size_t needed = encodedLength(decoded.codePoint);
        if (capacity > 0) {
            if (produced + needed > static_cast<std::size_t>(capacity))
                return Fail(ERROR_INSUFFICIENT_BUFFER);
            encode(decoded.codePoint, output + produced);
        }
        produced += needed;
        if (produced > static_cast<std::size_t>(INT32_MAX))
            return Fail(ERROR_INVALID_PARAMETER);
        input.remove_prefix(decoded.units);
    }
    return static_cast<int>(produced);
}

} // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideCharStr, int cchWideChar,
                        LPSTR multiByteStr, int cbMultiByte, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar)
{
    if (!IsUtf8CodePage(codePage))
        return Fail(ERROR_INVALID_PARAMETER);
    if (codePage == CP_UTF8) {
        if (flags & ~DWORD{WC_ERR_INVALID_CHARS})
            return Fail(ERROR_INVALID_FLAGS);
        // UTF-8 has no default character.
        if (defaultChar || usedDefaultChar)
            return Fail(ERROR_INVALID_PARAMETER);
    } else if (flags & ~kWideAnsiFlags) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    if (!wideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !multiByteStr))
        return Fail(ERROR_INVALID_PARAMETER);

    // -1: up to and including the terminator.
    const std::size_t length = cchWideChar == -1 ? WideLength(wideCharStr) + 1 : static_cast<std::size_t>(cchWideChar);
    if (usedDefaultChar)
        *usedDefaultChar = FALSE; // every character has a UTF-8 form
    return Convert<char16_t, char>(
        std::u16string_view(wideCharStr, length), multiByteStr, cbMultiByte, (flags & WC_ERR_INVALID_CHARS) != 0,
        [](std::u16string_view in) { return vlm::posix::DecodeUtf16(in); },
        [](char32_t c, char* out) { vlm::posix::EncodeUtf8(c, out); },
        [](char32_t c) { return vlm::posix::Utf8Length(c); });
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteStr, int cbMultiByte,
                        LPWSTR wideCharStr, int cchWideChar)
{
    if (!IsUtf8CodePage(codePage))
        return Fail(ERROR_INVALID_PARAMETER);
    const DWORD allowed = codePage == CP_UTF8 ? DWORD{MB_ERR_INVALID_CHARS} : kMultiAnsiFlags;
    if (flags & ~allowed)
        return Fail(ERROR_INVALID_FLAGS);
    if (!multiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !wideCharStr))
        return Fail(ERROR_INVALID_PARAMETER);

    const std::size_t length = cbMultiByte == -1 ? std::strlen(multiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    return Convert<char, char16_t>(
        std::string_view(multiByteStr, length), wideCharStr, cchWideChar, (flags & MB_ERR_INVALID_CHARS) != 0,
        [](std::string_view in) { return vlm::posix::DecodeUtf8(in); },
        [](char32_t c, char16_t* out) { vlm::posix::EncodeUtf16(c, out); },
        [](char32_t c) { return vlm::posix::Utf16Length(c); });
}
