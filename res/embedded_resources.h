// Linux: the compiled resource file (velmora.res) that vlm_resources carries. Linking
// vlm_resources into a program registers it as the program's resources before main runs; this
// gives the bytes themselves, for a caller that swapped in other resources to put them back.
#pragma once

#include <cstddef>
#include <span>

namespace vlm::res {

std::span<const unsigned char> EmbeddedResources();

} // namespace vlm::res
