#include <lua.hpp>

#include <cstdio>
#include <optional>
#include <string>

#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/DataAnalyticManager.h"
#include "world/ResourceManager.h"

// The play-data recorder in "Core", global "analytic": its switches, the scripts' own values,
// clearing and the report. Event tracking and the readers of custom values stay engine-side.
namespace Orva::Scripting {

namespace {

using Analytic::DataAnalyticManager;

// Writes the report to the path as the script gives it, below the working directory (the
// game's bin/ folder), unless the path would leave it, links followed: then nothing is written.
void saveReport(const DataAnalyticManager& analytics, const std::string& path)
{
    const std::optional<PathBelow> file = Resources::ResourceManager::pathUnder("", path);
    if (!file) {
        const std::string line = "analytics: refused the report path \"" + path + "\"\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return;
    }
    analytics.save(*file);
}

} // namespace

void registerDataAnalyticManager(lua_State* L)
{
    using Self = DataAnalyticManager;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<Self>("DataAnalyticManager")
        .addFunction("enableInputTracking", &Self::enableInputTracking)
        .addFunction("disableInputTracking", &Self::disableInputTracking)
        .addFunction("isTrackingInput", &Self::isTrackingInput)
        .addFunction("enableResourceTracking", &Self::enableResourceTracking)
        .addFunction("disableResourceTracking", &Self::disableResourceTracking)
        .addFunction("isTrackingResource", &Self::isTrackingResource)
        .addFunction("enableLevelTracking", &Self::enableLevelTracking)
        .addFunction("disableLevelTracking", &Self::disableLevelTracking)
        .addFunction("isTrackingLevel", &Self::isTrackingLevel)
        .addFunction("enableCustomDataTracking", &Self::enableCustomDataTracking)
        .addFunction("disableCustomDataTracking", &Self::disableCustomDataTracking)
        .addFunction("clearCustomData", &Self::clearCustomData)
        .addFunction("setIntData", &Self::setIntData)
        .addFunction("setFloatData", &Self::setFloatData)
        .addFunction("setBoolData", &Self::setBoolData)
        .addFunction("incIntData", &Self::incIntData)
        .addFunction("incFloatData", &Self::incFloatData)
        .addFunction("isTrackingCustomData", &Self::isTrackingCustomData)
        .addFunction("enableAll", &Self::enableAll)
        .addFunction("disableAll", &Self::disableAll)
        .addFunction("save", &saveReport)
        .addFunction("clearInputData", &Self::clearInputData)
        .addFunction("clearResourceData", &Self::clearResourceData)
        .addFunction("clearLevelData", &Self::clearLevelData)
        .addFunction("clearAll", &Self::clearAll)
        .endClass()
        .endNamespace();
    publishManager<DataAnalyticManager>(L, "analytic");
}

} // namespace Orva::Scripting
