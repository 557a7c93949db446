#pragma once

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Actions {

// STUB: holds no action set. The action-set issue replaces it; its destroyInstance keeps
// clearing the sets before the manager goes.
class ORVA_API ActionSetManager : public Singleton<ActionSetManager>
{
public:
    void clearAllSets() {}

    static void destroyInstance()
    {
        if (hasInstance()) {
            getInstance().clearAllSets();
        }
        Singleton<ActionSetManager>::destroyInstance();
    }
};

} // namespace Orva::Actions
