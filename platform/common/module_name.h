// How both targets compare module names, as the Windows loader does.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace vlm {

// The directory part does not choose the module, case does not matter, and a name without an
// extension means ".dll" (a trailing dot means none).
inline std::string NormaliseModuleName(std::string_view name)
{
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::string normal(name);
    std::transform(normal.begin(), normal.end(), normal.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!normal.empty() && normal.back() == '.')
        normal.pop_back();
    else if (normal.find('.') == std::string::npos)
        normal += ".dll";
    return normal;
}

} // namespace vlm
