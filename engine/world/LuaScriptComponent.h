#pragma once

#include <string>

#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "scripting/luabridge/LuaRef.h"
#include "world/BaseComponent.h"

namespace Orva {

// STUB: what the event manager and the script listeners use of a script component. The
// script manager issue completes this class in place (the class functions, stepping,
// pause and stop). Needs the script manager: its script object lives in that state.
class ORVA_API LuaScriptComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 12;

    LuaScriptComponent();
    ~LuaScriptComponent() override;

    // STUB: keeps the class name only; the script manager issue makes the script instance
    // here. Called when a script component is added to an object.
    void initScriptForGame(const std::string& className) { ScriptClassName = className; }

    // The record of its script listeners; its address identifies them to every sender.
    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    EventCallbackObject eventCallbacks_;

public:
    // The script instance table ("luaObject"), nil until created.
    luabridge::LuaRef luaObject;
    // The script class it runs ("ScriptClassName").
    std::string ScriptClassName;
};

} // namespace Orva
