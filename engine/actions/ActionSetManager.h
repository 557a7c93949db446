#pragma once

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Actions {

// STUB: holds no action set. The action-set issue replaces it; its destroyInstance keeps
// clearing the sets before the manager goes.
class ORVA_API ActionSetManager : public Singleton<ActionSetManager>
{
public:
    // Reads every action-set file of the game; the stub only counts the calls.
    void loadAllActionSets() { ++loadAllCalls_; }
    int getLoadAllCount() const noexcept { return loadAllCalls_; }
    void clearAllSets() {}

    static void destroyInstance()
    {
        if (hasInstance()) {
            getInstance().clearAllSets();
        }
        Singleton<ActionSetManager>::destroyInstance();
    }

private:
    int loadAllCalls_ = 0;
};

} // namespace Orva::Actions
