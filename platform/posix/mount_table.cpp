#include "mount_table.h"

#include "unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace vlm::posix {
namespace {

bool IsOctal(char c)
{
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(line.substr(start, end - start));
        pos = end;
    }
    return fields;
}

template <class Number>
bool ParseNumber(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseDevice(std::string_view text, unsigned& major, unsigned& minor)
{
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && ParseNumber(text.substr(0, colon), major) &&
           ParseNumber(text.substr(colon + 1), minor);
}

} // namespace

std::string UnescapeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> entries;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        // id parent maj:min root mount-point options [optional fields...] - type source super-options
        const std::vector<std::string_view> fields = SplitFields(line);
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-")
            ++separator;
        if (fields.size() < 6 || separator + 2 >= fields.size())
            continue;

        MountEntry entry;
        if (!ParseNumber(fields[0], entry.mountId) || !ParseNumber(fields[1], entry.parentId) ||
            !ParseDevice(fields[2], entry.major, entry.minor))
            continue;
        entry.root = UnescapeMountField(fields[3]);
        entry.mountPoint = UnescapeMountField(fields[4]);
        entry.mountOptions = UnescapeMountField(fields[5]);
        entry.fsType = UnescapeMountField(fields[separator + 1]);
        entry.source = UnescapeMountField(fields[separator + 2]);
        if (separator + 3 < fields.size())
            entry.superOptions = UnescapeMountField(fields[separator + 3]);
        if (entry.mountPoint.empty() || entry.mountPoint[0] != '/')
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return false;
    contents.clear();
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        contents.append(chunk, static_cast<std::size_t>(got));
    }
}

} // namespace vlm::posix
