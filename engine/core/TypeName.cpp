#include "core/TypeName.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace Orva {

std::string demangleTypeName(const char* mangledName)
{
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangledName, nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangledName);
}

} // namespace Orva
