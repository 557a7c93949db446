#pragma once

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva {

// STUB: exists so that the engine's start-up and shut-down order is whole. The game states
// issue replaces it (state files, state changes, the camera). Loading a listed state tells
// analytics first: Analytic::DataAnalyticManager::getInstance().stateLoaded(name).
class ORVA_API GameStateManager : public Singleton<GameStateManager>
{
};

} // namespace Orva
