#pragma once

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Graphics {

// STUB: exists so that the engine's start-up and shut-down order is whole. The textures issue
// replaces it (animation files per texture).
class ORVA_API AnimationManager : public Singleton<AnimationManager>
{
};

} // namespace Orva::Graphics
