#include "core/TypeName.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace Orva {
namespace {

struct FreeDemangled
{
    void operator()(char* text) const noexcept { std::free(text); }
};

} // namespace

std::string demangleTypeName(const char* mangledName)
{
    int status = 0;
    const std::unique_ptr<char, FreeDemangled> demangled(
        abi::__cxa_demangle(mangledName, nullptr, nullptr, &status));
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangledName);
}

} // namespace Orva
