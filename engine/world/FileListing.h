#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/Export.h"

namespace Orva::Resources {

// The names of the regular files (or links to them) directly in the directory whose names
// end with the extension, compared ASCII case-insensitively (".stg" also finds "A.STG"), in
// byte order. A missing or unreadable directory lists nothing.
ORVA_API std::vector<std::string> listFilesWithExtension(const std::string& directory,
                                                         std::string_view extension);

// ASCII case-insensitive test of a name's ending.
ORVA_API bool endsWithIgnoringCase(std::string_view name, std::string_view ending) noexcept;

} // namespace Orva::Resources
