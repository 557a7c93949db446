#pragma once

#include <string>

#include "core/Export.h"

namespace Orva::Resources {

// STUB: only the resource directory. The resource loader issue completes this class in
// place (the loader thread, the "LoadResource" protocol and the file helpers).
class ORVA_API ResourceManager
{
public:
    // The prefix that relative resource paths are appended to, with no separator added;
    // "../resources/" until the program sets another.
    static std::string getResourceDirectory();
    // Stores the directory with every backslash turned into a slash.
    static void setResourceDirectory(const std::string& directory);
};

} // namespace Orva::Resources
