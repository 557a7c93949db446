#pragma once

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva {

// STUB: exists so that the engine's start-up and shut-down order is whole. The object sets
// issue replaces it (set files, prototypes, instantiation).
class ORVA_API SetManager : public Singleton<SetManager>
{
};

} // namespace Orva
