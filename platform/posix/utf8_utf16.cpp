#include "utf8_utf16.h"

namespace vlm::posix {
namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

Decoded DecodeUtf8(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1, true};

    std::size_t length;
    char32_t codePoint;
    // The second byte's range depends on the lead: it is what excludes overlong forms,
    // surrogates and values above U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {kReplacementCharacter, 1, false};
    }

    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size())
            return {kReplacementCharacter, i, false};
        const unsigned char next = byte(i);
        const bool inRange = i == 1 ? (next >= low && next <= high) : IsContinuation(next);
        if (!inRange)
            return {kReplacementCharacter, i, false};
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return {codePoint, length, true};
}

Decoded DecodeUtf16(std::u16string_view text)
{
    const char16_t first = text[0];
    if (first < 0xD800 || first > 0xDFFF)
        return {first, 1, true};
    if (first <= 0xDBFF && text.size() > 1 && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
        const char32_t codePoint = 0x10000 + ((char32_t(first) - 0xD800) << 10) + (char32_t(text[1]) - 0xDC00);
        return {codePoint, 2, true};
    }
    return {kReplacementCharacter, 1, false};
}

std::size_t EncodeUtf8(char32_t codePoint, char* out)
{
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

std::size_t EncodeUtf16(char32_t codePoint, char16_t* out)
{
    if (codePoint < 0x10000) {
        out[0] = static_cast<char16_t>(codePoint);
        return 1;
    }
    codePoint -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    return 2;
}

bool IsValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        if (static_cast<unsigned char>(text[0]) < 0x80) {
            text.remove_prefix(1);
            continue;
        }
        const Decoded decoded = DecodeUtf8(text);
        if (!decoded.valid)
            return false;
        text.remove_prefix(decoded.units);
    }
    return true;
}

std::size_t Utf16LengthOf(std::string_view utf8)
{
    std::size_t units = 0;
    while (!utf8.empty()) {
        const Decoded decoded = DecodeUtf8(utf8);
        units += Utf16Length(decoded.codePoint);
        utf8.remove_prefix(decoded.units);
    }
    return units;
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const Decoded decoded = DecodeUtf8(utf8);
        char16_t units[2];
        out.append(units, EncodeUtf16(decoded.codePoint, units));
        utf8.remove_prefix(decoded.units);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    while (!utf16.empty()) {
        const Decoded decoded = DecodeUtf16(utf16);
        char bytes[4];
        out.append(bytes, EncodeUtf8(decoded.codePoint, bytes));
        utf16.remove_prefix(decoded.units);
    }
    return out;
}

} // namespace vlm::posix
