// Bounded little-endian reading of the resource formats (.res files, dialog and menu templates,
// icon directories). A read past the end yields zeros and marks the reader failed, so a parser
// reads a whole record and checks once; nothing is ever read outside the given bytes, and no
// multi-byte value is read through a cast pointer (the data need not be aligned).
#pragma once

#include "resource_file.h"
#include "utf8_utf16.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vlm::posix {

class TemplateReader {
public:
    TemplateReader(const void* data, std::size_t size)
        : m_data(static_cast<const std::uint8_t*>(data)), m_size(data ? size : 0)
    {
    }

    bool Failed() const { return m_failed; }
    std::size_t Offset() const { return m_offset; }
    std::size_t Remaining() const { return m_size - m_offset; }
    const std::uint8_t* Here() const { return m_data + m_offset; }

    std::uint8_t Byte()
    {
        if (!Take(1))
            return 0;
        return m_data[m_offset - 1];
    }

    std::uint16_t Word()
    {
        if (!Take(2))
            return 0;
        const std::uint8_t* p = m_data + m_offset - 2;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }

    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }

    std::uint32_t Dword()
    {
        if (!Take(4))
            return 0;
        const std::uint8_t* p = m_data + m_offset - 4;
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }

    bool Skip(std::size_t count) { return Take(count); }

    // Moves on to the next multiple of `boundary` from the start of the data. Padding the data
    // does not hold (the last record of a file may lack it) is not an error.
    void Align(std::size_t boundary)
    {
        const std::size_t next = (m_offset + boundary - 1) / boundary * boundary;
        m_offset = next < m_size ? next : m_size;
    }

    // A NUL-terminated UTF-16 string, as UTF-8.
    std::string String()
    {
        std::u16string text;
        for (;;) {
            const std::uint16_t unit = Word();
            if (m_failed || unit == 0)
                break;
            text.push_back(static_cast<char16_t>(unit));
        }
        return Utf16ToUtf8(text);
    }

    // The templates' "string or ordinal": 0x0000 for none, 0xFFFF and a WORD for an id,
    // otherwise a NUL-terminated string.
    NameOrOrdinal NameOrId()
    {
        NameOrOrdinal value;
        const std::size_t start = m_offset;
        const std::uint16_t first = Word();
        if (m_failed || first == 0)
            return value;
        if (first == 0xFFFF) {
            value.ordinal = Word();
            return value;
        }
        m_offset = start;
        value.text = String();
        return value;
    }

private:
    bool Take(std::size_t count)
    {
        if (m_failed || count > m_size - m_offset) {
            m_failed = true;
            return false;
        }
        m_offset += count;
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_offset = 0;
    bool m_failed = false;
};

} // namespace vlm::posix
