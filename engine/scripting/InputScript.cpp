#include <lua.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "window/InputManager.h"
#include "window/InputRecording.h"
#include "world/LuaScriptComponent.h"
#include "world/ResourceManager.h"

// The input manager in "Input", global "input", and the tables of constants "ButtonState"
// and "Keys" through which scripts name states, keys and pad buttons.
namespace Orva::Scripting {

namespace {

// Every byte, each equal to its index: a constant table entry is a read-only variable bound
// to the byte of its value.
constexpr std::array<unsigned char, 256> ByteValues = [] {
    std::array<unsigned char, 256> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<unsigned char>(i);
    }
    return values;
}();

// Constants with consecutive values from first: each name is the prefix followed by one of
// the space-separated labels.
struct ConstantRun
{
    const char* prefix;
    unsigned first;
    std::string_view labels;
};

constexpr std::string_view PadButtonLabels = "DPAD_UP DPAD_DOWN DPAD_LEFT DPAD_RIGHT START BACK LEFT_STICK "
                                             "RIGHT_STICK LEFT_SHOULDER RIGHT_SHOULDER LEFT_TRIGGER "
                                             "RIGHT_TRIGGER A B X Y";

// Pad buttons as the pad functions number them, then the engine's key codes by family. Codes
// 105 to 149 and the pad connection codes (214 to 221) have no script name.
constexpr ConstantRun KeyRuns[] = {
    {"XINPUT_", 0, "UP DOWN LEFT RIGHT START SELECT L3 R3 LS RS LT RT A B X Y"},
    {"ORVA_", 0, "0 1 2 3 4 5 6 7 8 9"},
    {"ORVA_", 10, "A B C D E F G H I J K L M N O P Q R S T U V W X Y Z"},
    {"ORVA_NUMPAD", 36, "0 1 2 3 4 5 6 7 8 9"},
    {"ORVA_", 46, "MULTIPLY ADD SEPARATOR SUBTRACT DECIMAL DIVIDE"},
    {"ORVA_F", 52, "1 2 3 4 5 6 7 8 9 10 11 12"},
    {"ORVA_", 64,
     "SPACE PAGE_UP PAGE_DOWN END HOME ARROW_LEFT ARROW_UP ARROW_RIGHT ARROW_DOWN SELECT PRINT EXECUTE "
     "SNAPSHOT INSERT DELETE HELP"},
    {"ORVA_", 80, "LEFT_SHIFT RIGHT_SHIFT ENTER TAB BACK LEFT_CONTROL RIGHT_CONTROL CAPS ESCAPE"},
    {"ORVA_", 89, "MOUSE_LEFT MOUSE_RIGHT MOUSE_MIDDLE MOUSE_SCROLL_UP MOUSE_SCROLL_DOWN"},
    {"ORVA_", 94,
     "SEMICOLON PLUS COMMA MINUS DOT SLASH TILDE LEFT_BRACKET BACKSLASH RIGHT_BRACKET APOSTROPHE"},
    {"ORVA_CONTROLLER1_", 150, PadButtonLabels},
    {"ORVA_CONTROLLER2_", 166, PadButtonLabels},
    {"ORVA_CONTROLLER3_", 182, PadButtonLabels},
    {"ORVA_CONTROLLER4_", 198, PadButtonLabels},
};

constexpr ConstantRun ButtonStateRuns[] = {{"", 0, "ButtonUp ButtonDown ButtonTapped ButtonReleased NONE"}};

template <std::size_t N> constexpr std::size_t constantCount(const ConstantRun (&runs)[N])
{
    std::size_t count = 0;
    for (const ConstantRun& run : runs) {
        count += static_cast<std::size_t>(std::count(run.labels.begin(), run.labels.end(), ' ')) + 1;
    }
    return count;
}
static_assert(constantCount(KeyRuns) == 185 && constantCount(ButtonStateRuns) == 5);

// The global table of read-only byte constants.
template <std::size_t N> void registerConstants(lua_State* L, const char* table, const ConstantRun (&runs)[N])
{
    luabridge::Namespace ns = luabridge::getGlobalNamespace(L).beginNamespace(table);
    for (const ConstantRun& run : runs) {
        unsigned value = run.first;
        for (std::size_t start = 0; start < run.labels.size(); ++value) {
            const std::size_t end = std::min(run.labels.find(' ', start), run.labels.size());
            const std::string name = run.prefix + std::string(run.labels.substr(start, end - start));
            ns.addVariable(name.c_str(), &ByteValues[value], false);
            start = end + 1;
        }
    }
}

// Replays a recording under the resource directory, recording on once it ends. A path that
// would leave the resource folder, links followed, counts as an unreadable recording:
// recording starts at once.
void useTrackingData(InputManager& input, const std::string& path)
{
    using Resources::ResourceManager;
    if (!ResourceManager::pathUnder(ResourceManager::getResourceDirectory(), path)) {
        std::fprintf(stderr, "input: refused the recording path \"%s\"\n", path.c_str());
        input.stopUsingTrackingData();
        return;
    }
    ResourceManager::readCheckedFromNowOn(path);
    input.useTrackingData(path, true);
}

} // namespace

void registerInputManager(lua_State* L)
{
    using Self = InputManager;
    luabridge::Class<Self> cls =
        luabridge::getGlobalNamespace(L)
            .beginNamespace("Input")
            .beginClass<Self>("InputManager")
            .addFunction("isButtonDown", &Self::isButtonDown)
            .addFunction("isButtonTapped", &Self::isButtonTapped)
            .addFunction("isButtonUp", &Self::isButtonUp)
            .addFunction("isButtonReleased", &Self::isButtonReleased)
            .addFunction("isBackUpButtonDown", &Self::isBackUpButtonDown)
            .addFunction("isBackUpButtonUp", &Self::isBackUpButtonUp)
            .addFunction("getMousePosition", &Self::getMousePositionf)
            .addFunction("getMouseDelta", &Self::getMouseDeltaf)
            .addFunction("isControllerConnected", &Self::isControllerConnected)
            .addFunction("isControllerButtonDown", &Self::isControllerButtonDown)
            .addFunction("isControllerButtonUp", &Self::isControllerButtonUp)
            .addFunction("isControllerButtonTapped", &Self::isControllerButtonTapped)
            .addFunction("isControllerButtonReleased", &Self::isControllerButtonReleased)
            .addFunction("getControllerLeftStickPosition", &Self::getControllerLeftStickPosition)
            .addFunction("getControllerRightStickPosition", &Self::getControllerRightStickPosition)
            .addFunction("getControllerLeftStickDelta", &Self::getControllerLeftStickDelta)
            .addFunction("getControllerRightStickDelta", &Self::getControllerRightStickDelta)
            .addFunction("getControllerLeftTrigger", &Self::getControllerLeftTrigger)
            .addFunction("getControllerRightTrigger", &Self::getControllerRightTrigger)
            .addFunction("getControllerLeftTriggerDelta", &Self::getControllerLeftTriggerDelta)
            .addFunction("getControllerRightTriggerDelta", &Self::getControllerRightTriggerDelta)
            .addFunction("vibrateController",
                         static_cast<void (Self::*)(int, float, float, float)>(&Self::vibrateController))
            .addFunction("tieKeyToAction", static_cast<void (Self::*)(unsigned char, const std::string&)>(
                                               &Self::tieKeyToAction))
            .addFunction("unTieActionFromKey", static_cast<void (Self::*)(unsigned char, const std::string&)>(
                                                   &Self::unTieActionFromKey))
            .addFunction("clearAllKeyPairings", &Self::clearAllKeyPairings)
            .addFunction("useTrackingData", &useTrackingData)
            .addFunction("stopUsingTrackingData", &Self::stopUsingTrackingData)
            .addFunction("listenToInput", &Self::listenToInputFromScript)
            .addFunction("listenToInputCode", &Self::listenToInputCodeFromScript)
            .addFunction("stopListening", &Self::stopListeningFromScript);
    addStaticAndMember(cls, "keyToString", &KeyNameToString);

    registerConstants(L, "ButtonState", ButtonStateRuns);
    registerConstants(L, "Keys", KeyRuns);
    publishManager<InputManager>(L, "input");
}

} // namespace Orva::Scripting
