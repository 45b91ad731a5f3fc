// What the person choosing a drive needs to know on Linux: which mount a drive name stands for.
// Shown beside a list item and as its tool tip; the item's own text stays what the program put
// there, since the program reads it back.
#pragma once

#include <QString>

#include <string>

namespace vlm::qt {

// The mounts behind the drive names ("C:") an item's text holds: a name alone ("C:") gives its
// mount point, a list ("Local NTFS (C:,D:)") gives "C: /a   D: /b". Empty when the text names no
// drive the layer knows.
QString DriveNote(const std::string& itemText);

} // namespace vlm::qt
