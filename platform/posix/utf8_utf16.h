// UTF-8 <-> UTF-16 transcoding, shared by the code-page calls, the stream records and the
// current directory's length limit. Ill-formed input decodes to U+FFFD, one per maximal
// ill-formed subsequence (the Unicode recommendation), and is reported to the caller.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlm::posix {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Decoded {
    char32_t codePoint;
    std::size_t units; // input units consumed, at least 1
    bool valid;
};

// Both need at least one unit of input.
Decoded DecodeUtf8(std::string_view text);
Decoded DecodeUtf16(std::u16string_view text);

// Returns the number of units written (1..4 and 1..2).
std::size_t EncodeUtf8(char32_t codePoint, char* out);
std::size_t EncodeUtf16(char32_t codePoint, char16_t* out);

inline std::size_t Utf8Length(char32_t codePoint)
{
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}
inline std::size_t Utf16Length(char32_t codePoint)
{
    return codePoint < 0x10000 ? 1 : 2;
}

bool IsValidUtf8(std::string_view text);
// UTF-16 code units the text takes (ill-formed bytes count as U+FFFD).
std::size_t Utf16LengthOf(std::string_view utf8);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

} // namespace vlm::posix
