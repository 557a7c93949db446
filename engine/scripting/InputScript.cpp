#include <lua.hpp>

#include <array>
#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

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

struct NamedCode
{
    std::string name;
    unsigned code;
};

// Appends the names with consecutive codes from first.
void appendRun(std::vector<NamedCode>& out, unsigned first, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        out.push_back({name, first++});
    }
}

// Appends prefix + label(i) for i = 0 .. count - 1, with the codes first + i.
template <class Label>
void appendSeries(std::vector<NamedCode>& out, const std::string& prefix, unsigned first, unsigned count,
                  Label label)
{
    for (unsigned i = 0; i < count; ++i) {
        out.push_back({prefix + label(i), first + i});
    }
}

// The key table scripts see: pad buttons, then the engine's key codes by family. Codes 105 to
// 149 and the pad connection codes have no script name.
std::vector<NamedCode> scriptKeyNames()
{
    const auto number = [](unsigned offset) {
        return [offset](unsigned i) { return std::to_string(i + offset); };
    };
    const auto letter = [](unsigned i) { return std::string(1, static_cast<char>('A' + i)); };
    constexpr std::array<const char*, 16> PadButtons = {"DPAD_UP",
                                                        "DPAD_DOWN",
                                                        "DPAD_LEFT",
                                                        "DPAD_RIGHT",
                                                        "START",
                                                        "BACK",
                                                        "LEFT_STICK",
                                                        "RIGHT_STICK",
                                                        "LEFT_SHOULDER",
                                                        "RIGHT_SHOULDER",
                                                        "LEFT_TRIGGER",
                                                        "RIGHT_TRIGGER",
                                                        "A",
                                                        "B",
                                                        "X",
                                                        "Y"};

    std::vector<NamedCode> keys;
    appendRun(keys, 0,
              {"XINPUT_UP", "XINPUT_DOWN", "XINPUT_LEFT", "XINPUT_RIGHT", "XINPUT_START", "XINPUT_SELECT",
               "XINPUT_L3", "XINPUT_R3", "XINPUT_LS", "XINPUT_RS", "XINPUT_LT", "XINPUT_RT", "XINPUT_A",
               "XINPUT_B", "XINPUT_X", "XINPUT_Y"});
    appendSeries(keys, "ORVA_", 0, 10, number(0));
    appendSeries(keys, "ORVA_", 10, 26, letter);
    appendSeries(keys, "ORVA_NUMPAD", 36, 10, number(0));
    appendRun(
        keys, 46,
        {"ORVA_MULTIPLY", "ORVA_ADD", "ORVA_SEPARATOR", "ORVA_SUBTRACT", "ORVA_DECIMAL", "ORVA_DIVIDE"});
    appendSeries(keys, "ORVA_F", 52, 12, number(1));
    appendRun(keys, 64,
              {"ORVA_SPACE", "ORVA_PAGE_UP", "ORVA_PAGE_DOWN", "ORVA_END", "ORVA_HOME", "ORVA_ARROW_LEFT",
               "ORVA_ARROW_UP", "ORVA_ARROW_RIGHT", "ORVA_ARROW_DOWN", "ORVA_SELECT", "ORVA_PRINT",
               "ORVA_EXECUTE", "ORVA_SNAPSHOT", "ORVA_INSERT", "ORVA_DELETE", "ORVA_HELP"});
    appendRun(keys, 80,
              {"ORVA_LEFT_SHIFT", "ORVA_RIGHT_SHIFT", "ORVA_ENTER", "ORVA_TAB", "ORVA_BACK",
               "ORVA_LEFT_CONTROL", "ORVA_RIGHT_CONTROL", "ORVA_CAPS", "ORVA_ESCAPE"});
    appendRun(keys, 89,
              {"ORVA_MOUSE_LEFT", "ORVA_MOUSE_RIGHT", "ORVA_MOUSE_MIDDLE", "ORVA_MOUSE_SCROLL_UP",
               "ORVA_MOUSE_SCROLL_DOWN"});
    appendRun(keys, 94,
              {"ORVA_SEMICOLON", "ORVA_PLUS", "ORVA_COMMA", "ORVA_MINUS", "ORVA_DOT", "ORVA_SLASH",
               "ORVA_TILDE", "ORVA_LEFT_BRACKET", "ORVA_BACKSLASH", "ORVA_RIGHT_BRACKET", "ORVA_APOSTROPHE"});
    for (unsigned pad = 1; pad <= 4; ++pad) {
        appendSeries(keys, "ORVA_CONTROLLER" + std::to_string(pad) + "_", 150 + 16 * (pad - 1),
                     PadButtons.size(), [&](unsigned i) { return std::string(PadButtons[i]); });
    }
    return keys;
}

void registerConstants(lua_State* L, const char* table, const std::vector<NamedCode>& constants)
{
    luabridge::Namespace ns = luabridge::getGlobalNamespace(L).beginNamespace(table);
    for (const NamedCode& constant : constants) {
        ns.addVariable(constant.name.c_str(), &ByteValues[constant.code], false);
    }
}

// Replays a recording under the resource directory, recording on once it ends. A path that
// would leave the game's folder counts as an unreadable recording: recording starts at once.
void useTrackingData(InputManager& input, const std::string& path)
{
    if (!Resources::ResourceManager::confinedName(path)) {
        std::fprintf(stderr, "input: refused the recording path \"%s\"\n", path.c_str());
        input.stopUsingTrackingData();
        return;
    }
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

    registerConstants(L, "ButtonState",
                      {{"ButtonUp", ButtonUp},
                       {"ButtonDown", ButtonDown},
                       {"ButtonTapped", ButtonTapped},
                       {"ButtonReleased", ButtonReleased},
                       {"NONE", NONE}});
    registerConstants(L, "Keys", scriptKeyNames());
    publishManager<InputManager>(L, "input");
}

} // namespace Orva::Scripting
