#pragma once

#include <string>
#include <typeinfo>

#include "core/Export.h"

namespace Orva {

// Readable form of a mangled type name ("N4Orva4Math8Vector2DIfEE" gives
// "Orva::Math::Vector2D<float>"); a name the demangler rejects comes back unchanged.
ORVA_API std::string demangleTypeName(const char* mangledName);

// The readable name of T, demangled on first use and kept for the life of the process, so
// hot paths (pooled allocation, reflection) get a stable reference without building strings.
template <class T> ORVA_API const std::string& typeName()
{
    static const std::string name = demangleTypeName(typeid(T).name());
    return name;
}

} // namespace Orva
