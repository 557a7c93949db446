#include "core/Singleton.h"

#include <cstdio>
#include <cstdlib>

namespace Orva::detail {

void reportMissingSingleton(const std::string& typeName)
{
    std::fprintf(stderr, "%s::getInstance(): no instance is set (it must be created or linked first)\n",
                 typeName.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace Orva::detail
