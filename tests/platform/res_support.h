// Small fixtures shared by the resource tests: the program's resources as bytes, and builders for
// resource files and templates of a test's own.
#pragma once

#include "embedded_resources.h"
#include "resource_file.h"
#include "vlm_posix.h"
#include "winapi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vlm::test {

using vlm::posix::NameOrOrdinal;

// A resource of the program, found, loaded and locked the Win32 way; empty when any step fails.
inline std::span<const BYTE> ProgramResource(LPCSTR name, LPCSTR type)
{
    const HRSRC found = FindResourceA(nullptr, name, type);
    if (!found)
        return {};
    const HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* data = static_cast<const BYTE*>(LockResource(loaded));
    const DWORD size = SizeofResource(nullptr, found);
    if (!data)
        return {};
    return {data, size};
}

// Little-endian bytes, as the resource formats want them.
class ByteWriter {
public:
    ByteWriter& Byte(std::uint8_t value)
    {
        m_bytes.push_back(value);
        return *this;
    }
    ByteWriter& Word(std::uint16_t value)
    {
        return Byte(static_cast<std::uint8_t>(value)).Byte(static_cast<std::uint8_t>(value >> 8));
    }
    ByteWriter& Dword(std::uint32_t value)
    {
        return Word(static_cast<std::uint16_t>(value)).Word(static_cast<std::uint16_t>(value >> 16));
    }
    // NUL-terminated UTF-16 (ASCII text only, which is all the tests need).
    ByteWriter& String(const std::string& text)
    {
        for (char c : text)
            Word(static_cast<unsigned char>(c));
        return Word(0);
    }
    ByteWriter& Ordinal(std::uint16_t id) { return Word(0xFFFF).Word(id); }
    ByteWriter& Name(const NameOrOrdinal& name)
    {
        return name.IsOrdinal() ? Ordinal(*name.ordinal) : String(name.text);
    }
    ByteWriter& Align(std::size_t boundary)
    {
        while (m_bytes.size() % boundary)
            Byte(0);
        return *this;
    }
    ByteWriter& Bytes(const std::vector<BYTE>& bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }

    const std::vector<BYTE>& Result() const { return m_bytes; }
    std::size_t Size() const { return m_bytes.size(); }

private:
    std::vector<BYTE> m_bytes;
};

// A .res file: the empty entry every such file starts with, then each resource added.
class ResFileBuilder {
public:
    ResFileBuilder() { Add(NameOrOrdinal::Id(0), NameOrOrdinal::Id(0), 0, {}); }

    ResFileBuilder& Add(const NameOrOrdinal& type, const NameOrOrdinal& name, WORD language,
                        const std::vector<BYTE>& data)
    {
        ByteWriter names;
        names.Name(type).Name(name).Align(4);
        const auto headerSize = static_cast<std::uint32_t>(8 + names.Size() + 16);
        m_file.Dword(static_cast<std::uint32_t>(data.size())).Dword(headerSize).Bytes(names.Result());
        m_file.Dword(0).Word(0x1030).Word(language).Dword(0).Dword(0);
        m_file.Bytes(data).Align(4);
        return *this;
    }

    const std::vector<BYTE>& Result() const { return m_file.Result(); }

private:
    ByteWriter m_file;
};

// Makes `bytes` the program's resources for one test; the embedded ones come back afterwards.
class ScopedResources {
public:
    explicit ScopedResources(std::vector<BYTE> bytes) : m_bytes(std::move(bytes))
    {
        EXPECT_TRUE(vlm::posix::RegisterResources(m_bytes.data(), m_bytes.size()));
    }
    ~ScopedResources()
    {
        const std::span<const unsigned char> embedded = vlm::res::EmbeddedResources();
        vlm::posix::RegisterResources(embedded.data(), embedded.size());
    }
    ScopedResources(const ScopedResources&) = delete;
    ScopedResources& operator=(const ScopedResources&) = delete;

private:
    std::vector<BYTE> m_bytes;
};

} // namespace vlm::test
