#pragma once

// The harness of the script tests: a headless engine with the whole script interface.
//
// - Each test runs in a fresh scratch folder: the working directory <root>/work, where the
//   engine writes "error.txt", and the resource folder <root>/resources.
// - The engine is started as the program starts it, but without a renderer, so
//   Engine::initializeScriptEngine would register nothing; the harness runs the same
//   registration list (Scripting::registerScriptInterface) itself.
// - Scripts are stored scrambled, as game data is: writeScript puts a file under the
//   resource folder and lists it with the script manager; loadScripts loads the list.
// - run(code) runs a chunk named "@test.lua" (errors read "test.lua:<line>: ...") and
//   returns the error text, empty on success; eval and holds read expressions.
// - Frames go through the engine's frame step with supplied frame times (the frame-time
//   seam): runFrames(n) runs n frames of 1/60 s, one fixed step of 0.016 each at a time
//   scale of 1.
// - After each test the stack is empty and, once the engine is down, no script reference
//   outlived the interpreter.

#include <gtest/gtest.h>
#include <lua.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/RC4Cipher.h"
#include "core/ScriptEvents.h"
#include "luabridge/LuaBridge.h"
#include "scripting/ScriptInterface.h"
#include "world/EngineFixture.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

// Keeps every "LUA_EXCEPTION" event from the next dispatch on.
class ScriptErrorListener
{
public:
    ScriptErrorListener()
    {
        Orva::EventManager::getInstance().ListenToEvent(
            "LUA_EXCEPTION", Orva::FunctionHolder(this, &ScriptErrorListener::onEvent));
    }

    Orva::EventCallbackObject& getEventCallbackObject() noexcept { return callbacks_; }
    const std::vector<Orva::LuaExceptionEvent>& received() const noexcept { return received_; }

private:
    void onEvent(Orva::BaseEvent* event)
    {
        received_.push_back(*static_cast<Orva::LuaExceptionEvent*>(event));
    }

    Orva::EventCallbackObject callbacks_;
    std::vector<Orva::LuaExceptionEvent> received_;
};

class ScriptHarness : public EngineTest
{
protected:
    static constexpr float FrameTime = 1.0f / 60.0f;

    void SetUp() override
    {
        EngineTest::SetUp();
        printed().clear();
        L = scripts().getLuaState();
        Orva::Scripting::registerScriptInterface(L);
    }

    void TearDown() override
    {
        if (Orva::LuaScriptManager::hasInstance()) {
            shutDown();
        }
        EngineTest::TearDown();
    }

    // Checks the stack, then destroys the engine as the program ends it.
    void shutDown()
    {
        EXPECT_EQ(lua_gettop(L), 0) << "every call leaves the stack as it found it";
        Orva::Engine::destroy();
        EXPECT_EQ(Orva::LuaScriptManager::referencesLiveAtLastClose(), 0u)
            << "every script reference is released before the interpreter closes";
    }

    static Orva::LuaScriptManager& scripts() { return Orva::LuaScriptManager::getInstance(); }
    static Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }

    // Stores the source scrambled at <resources>/<path> and lists the path for loading.
    void writeScript(const std::string& path, const std::string& source) const
    {
        const std::filesystem::path file = root() / "resources" / path;
        std::filesystem::create_directories(file.parent_path());
        writeFile(file, Orva::Crypto::RC4Cipher::encrypt(source));
        scripts().addScriptPathToList(path);
    }

    static bool loadScripts() { return scripts().loadAllScripts(); }

    // Runs the chunk; returns the error text ("" on success), whatever the failure's type.
    std::string run(const std::string& code)
    {
        const luabridge::detail::StackRestore restore(L);
        if (luaL_loadbuffer(L, code.data(), code.size(), "@test.lua") == LUA_OK) {
            try {
                luabridge::detail::protectedCall(L, 0, 0);
                return {};
            } catch (...) {
                // The interpreter's error value is on top.
            }
        }
        const char* text = lua_tostring(L, -1);
        return text ? text : "";
    }

    // The value of a script expression; a failing expression fails the test.
    template <class T> T eval(const std::string& expression)
    {
        const std::string code = "return " + expression;
        const luabridge::detail::StackRestore restore(L);
        try {
            if (luaL_loadbuffer(L, code.data(), code.size(), "@test.lua") != LUA_OK) {
                throw luabridge::LuaException(L);
            }
            luabridge::detail::protectedCall(L, 0, 1);
            return luabridge::LuaRef::fromStack(L, -1).cast<T>();
        } catch (const std::exception& error) {
            ADD_FAILURE() << expression << ": " << error.what();
        }
        return T();
    }

    // Whether a script condition holds; names the condition (or its error) when not.
    testing::AssertionResult holds(const std::string& condition)
    {
        const std::string error = run("assert(" + condition + ")");
        if (error.empty()) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << condition << ": " << error;
    }

    // Makes the instance table readable from chunks under the given global name.
    void expose(const Orva::LuaScriptComponent& component, const char* name) const
    {
        luabridge::setGlobal(L, component.getLuaObject(), name);
    }

    static void runFrames(std::size_t count) { EngineTest::runFrames(count, FrameTime); }

    // What "Debug.print" and "Debug.log" handed to the program once capturePrints has run.
    static std::vector<std::string>& printed()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static void capturePrints()
    {
        scripts().setPrintFunction([](const std::string& text) { printed().push_back(text); });
    }

    // The engine's last error report; empty when none was written.
    std::string errorReport() const { return readFile(root() / "work" / Orva::Engine::ErrorReportPath); }
    void removeErrorReport() const
    {
        std::filesystem::remove(root() / "work" / Orva::Engine::ErrorReportPath);
    }

    lua_State* L = nullptr;
};
