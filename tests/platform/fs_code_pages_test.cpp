// WideCharToMultiByte / MultiByteToWideChar: UTF-8 both for CP_ACP and CP_UTF8, with the Win32
// conventions for lengths, sizes and too-small buffers.
#include "winapi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct WideCase {
    const char* what;
    std::u16string input;
    int inputLength; // -1: terminated
    int outputSize;  // 0: ask for the size
    int result;
    DWORD error;        // when result is 0
    std::string output; // what must be written (checked when result > 0 and outputSize > 0)
};

TEST(WideCharToMultiByte, Cases)
{
    const WideCase cases[] = {
        {"ascii, counted", u"abc", 3, 16, 3, 0, "abc"},
        {"terminated: the terminator is converted and counted", u"abc", -1, 16, 4, 0, std::string("abc\0", 4)},
        {"size query", u"abc", 3, 0, 3, 0, ""},
        {"size query, terminated", u"abc", -1, 0, 4, 0, ""},
        {"two, three and four bytes", u"é日😀", -1, 16, 10, 0, std::string("é日😀\0", 10)},
        {"too small by one", u"abc", 3, 2, 0, ERROR_INSUFFICIENT_BUFFER, ""},
        {"too small for a character's last byte", u"日", 1, 2, 0, ERROR_INSUFFICIENT_BUFFER, ""},
        {"unpaired high surrogate", std::u16string{char16_t(0xD83D), u'x'}, 2, 16, 4, 0, "\xEF\xBF\xBDx"},
        {"unpaired low surrogate", std::u16string{char16_t(0xDE00)}, 1, 16, 3, 0, "\xEF\xBF\xBD"},
        {"reversed pair", std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, 2, 16, 6, 0, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"embedded NUL with a count", std::u16string{u'a', 0, u'b'}, 3, 16, 3, 0, std::string("a\0b", 3)},
        {"zero length", u"abc", 0, 16, 0, ERROR_INVALID_PARAMETER, ""},
        {"negative length", u"abc", -2, 16, 0, ERROR_INVALID_PARAMETER, ""},
    };
    for (const WideCase& c : cases) {
        SCOPED_TRACE(c.what);
        char out[16];
        std::fill(std::begin(out), std::end(out), '#');
        SetLastError(0);
        const int result = WideCharToMultiByte(CP_ACP, 0, c.input.c_str(), c.inputLength, c.outputSize ? out : nullptr,
                                               c.outputSize, nullptr, nullptr);
        EXPECT_EQ(result, c.result);
        if (result == 0) {
            EXPECT_EQ(GetLastError(), c.error);
        } else if (c.outputSize > 0) {
            EXPECT_EQ(std::string(out, static_cast<std::size_t>(result)), c.output);
        }
    }
}

struct MultiCase {
    const char* what;
    std::string input;
    int inputLength;
    int outputSize;
    int result;
    DWORD error;
    std::u16string output;
};

TEST(MultiByteToWideChar, Cases)
{
    const MultiCase cases[] = {
        {"ascii", "abc", 3, 16, 3, 0, u"abc"},
        {"terminated", "abc", -1, 16, 4, 0, std::u16string(u"abc\0", 4)},
        {"size query", "é日😀", -1, 0, 5, 0, u""},
        {"surrogate pair out", "😀", 4, 16, 2, 0, u"😀"},
        {"too small for a pair", "😀", 4, 1, 0, ERROR_INSUFFICIENT_BUFFER, u""},
        {"lone continuation byte", "a\x80z", 3, 16, 3, 0, u"a\uFFFDz"},
        {"truncated sequence", "\xE6\x97", 2, 16, 1, 0, u"\uFFFD"},
        {"truncated then ascii", "\xE6\x97z", 3, 16, 2, 0, u"\uFFFDz"},
        {"overlong slash", "\xC0\xAF", 2, 16, 2, 0, u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", 3, 16, 3, 0, u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 4, 16, 4, 0, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"invalid lead", "\xFF", 1, 16, 1, 0, u"\uFFFD"},
        {"zero length", "abc", 0, 16, 0, ERROR_INVALID_PARAMETER, u""},
    };
    for (const MultiCase& c : cases) {
        SCOPED_TRACE(c.what);
        WCHAR out[16];
        SetLastError(0);
        const int result = MultiByteToWideChar(CP_UTF8, 0, c.input.c_str(), c.inputLength, c.outputSize ? out : nullptr,
                                               c.outputSize);
        EXPECT_EQ(result, c.result);
        if (result == 0) {
            EXPECT_EQ(GetLastError(), c.error);
        } else if (c.outputSize > 0) {
            EXPECT_EQ(std::u16string(out, static_cast<std::size_t>(result)), c.output);
        }
    }
}

TEST(CodePages, OnlyUtf8CodePagesAndTheirFlags)
{
    char out[8];
    WCHAR wide[8];
    struct Call {
        const char* what;
        std::function<int()> call;
        DWORD error; // 0: converts the one character
    };
    const Call calls[] = {
        {"CP_UTF8 out", [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, 8, nullptr, nullptr); }, 0},
        {"CP_UTF8 in", [&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, wide, 8); }, 0},
        {"CP_ACP takes a default character", [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 1, out, 8, "?", nullptr); }, 0},
        {"code page 1252", [&] { return WideCharToMultiByte(1252, 0, u"a", 1, out, 8, nullptr, nullptr); }, ERROR_INVALID_PARAMETER},
        {"code page 437 in", [&] { return MultiByteToWideChar(437, 0, "a", 1, wide, 8); }, ERROR_INVALID_PARAMETER},
        {"UTF-8 has no default character", [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, 8, "?", nullptr); }, ERROR_INVALID_PARAMETER},
        {"unknown flag for UTF-8", [&] { return MultiByteToWideChar(CP_UTF8, 0x1, "a", 1, wide, 8); }, ERROR_INVALID_FLAGS},
        {"strict: ill-formed input", [&] { return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, wide, 8); }, ERROR_NO_UNICODE_TRANSLATION},
        {"strict: unpaired surrogate", [&] { return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"\xD800", 1, out, 8, nullptr, nullptr); }, ERROR_NO_UNICODE_TRANSLATION},
        {"null input", [&] { return MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, wide, 8); }, ERROR_INVALID_PARAMETER},
        {"null output with a size", [&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 8); }, ERROR_INVALID_PARAMETER},
    };
    for (const Call& c : calls) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        const int result = c.call();
        if (c.error == 0) {
            EXPECT_EQ(result, 1);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    BOOL usedDefault = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\xE9", 1, out, 8, "?", &usedDefault), 2);
    EXPECT_FALSE(usedDefault) << "every character has a UTF-8 form";
}

// The stream inspector's call: L/2 units into a zero-filled block of L/2 + 1 bytes.
TEST(CodePages, TheInspectorsConversionOfAStreamName)
{
    const std::u16string ascii = u":notes:$DATA";
    std::string block(ascii.size() + 1, '\0');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, ascii.data(), static_cast<int>(ascii.size()), block.data(),
                                  static_cast<int>(ascii.size()), nullptr, nullptr),
              static_cast<int>(ascii.size()));
    EXPECT_STREQ(block.c_str(), ":notes:$DATA");

    // UTF-8 needs more bytes than units for anything beyond ASCII: the whole characters that fit
    // are written, the call fails, and the block stays terminated.
    const std::u16string wide = u":日本:$DATA";
    std::string small(wide.size() + 1, '\0');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), small.data(),
                                  static_cast<int>(wide.size()), nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_STREQ(small.c_str(), ":日本:$");
}

} // namespace
