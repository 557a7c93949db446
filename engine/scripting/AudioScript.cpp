#include <lua.hpp>

#include "audio/AudioComponent.h"
#include "scripting/ScriptInterface.h"
#include "scripting/luabridge/Namespace.h"

// The audio classes in "Audio".
namespace Orva::Scripting {

// Placeholder: the class with its script name only (it has no script base), so that the
// component "addAudio" and "getAudio" hand to scripts is a usable object. It gains its
// members when the audio component itself is built.
void registerAudioComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Audio")
        .beginClass<Audio::AudioComponent>("AudioComponent")
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
