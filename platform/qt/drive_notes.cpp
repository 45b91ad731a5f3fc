#include "drive_notes.h"

#include "drive_letters.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace vlm::qt {
namespace {

// Drive names in a text: a capital letter and a colon, standing alone or in a "(C:,D:)" list.
std::vector<char> DriveNames(const std::string& text)
{
    std::vector<char> letters;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const char letter = text[i];
        if (letter < 'A' || letter > 'Z' || text[i + 1] != ':')
            continue;
        const bool starts = i == 0 || text[i - 1] == '(' || text[i - 1] == ',';
        const bool ends = i + 2 == text.size() || text[i + 2] == ',' || text[i + 2] == ')';
        if (starts && ends)
            letters.push_back(letter);
    }
    return letters;
}

QString WhereIs(const posix::Drive& drive)
{
    if (!drive.present)
        return QStringLiteral("(not mounted)");
    return QString::fromStdString(drive.mount.mountPoint);
}

} // namespace

QString DriveNote(const std::string& itemText)
{
    std::vector<std::pair<char, QString>> found;
    for (const char letter : DriveNames(itemText)) {
        // The letters in a list's items came from the layer itself, so they are known: the mount
        // table need not be read again for each item shown.
        if (auto drive = posix::KnownDrive(letter); drive && drive->letter)
            found.emplace_back(letter, WhereIs(*drive));
    }
    if (found.empty())
        return {};
    if (found.size() == 1 && itemText.size() == 2)
        return found.front().second;
    QStringList parts;
    for (const auto& [letter, where] : found)
        parts << QStringLiteral("%1: %2").arg(QChar(letter), where);
    return parts.join(QStringLiteral("   "));
}

} // namespace vlm::qt
