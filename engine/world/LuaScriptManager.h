#pragma once

#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "luabridge/LuaRef.h"
#include "world/ScriptEventGlobal.h"

namespace Orva {

class LuaScriptComponent;
class Window;

// Owns the engine's one Lua state and the script classes loaded into it. A script class is
// the set of global functions "Update<Name>", "Init<Name>", "Deinit<Name>", "Unload<Name>"
// (all four required) and "Awake<Name>" (optional), defined by the file scripts/.../<Name>.lua.
// Each script component has its own instance table, which every class function receives.
// The manager also keeps named tables that outlive game states, and routes the scripts'
// "Debug" output to the program.
//
// Every LuaRef into the state must be gone before the manager: the engine destroys the
// components and the event manager (which keeps script listeners) first.
class ORVA_API LuaScriptManager : public Singleton<LuaScriptManager>
{
public:
    ORVA_POOLED_OPERATORS(LuaScriptManager)

    using PrintFunction = void (*)(const std::string&);

    // The functions of one loaded class, each the global's value at load time ("awake" may
    // be nil; the others are anything but nil).
    struct ScriptClass
    {
        luabridge::LuaRef update;
        luabridge::LuaRef init;
        luabridge::LuaRef deinit;
        luabridge::LuaRef unload;
        luabridge::LuaRef awake;
    };

    // The code of "LUA_EXCEPTION", under which every LuaExceptionEvent is queued; set by the
    // constructor.
    static std::uint32_t LUASCRIPT_EXCEPTION_EVENT_CODE;

    // Opens a state with every standard library, with "math.random" and "math.randomseed"
    // drawing from the engine generator and "Debug"."print"/"log" doing nothing yet. From
    // then on the event manager's dispatches publish "luaEvent" in it.
    LuaScriptManager();
    // Unloads every class (a failing Unload is reported), releases every reference it holds,
    // then closes the state.
    ~LuaScriptManager();

    LuaScriptManager(const LuaScriptManager&) = delete;
    LuaScriptManager& operator=(const LuaScriptManager&) = delete;

    // The record of the manager's own event subscriptions; the engine's shut-down withdraws
    // them before the event manager goes.
    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

    lua_State* getLuaState() const noexcept { return state_; }
    // The global's current value; nil when there is none. Raises nothing.
    luabridge::LuaRef getGlobal(const std::string& name) const;

    // Sets the global "window" (nil for null); "Graphics"."Window" must be registered.
    void exportWindowVariable(Window* window);
    // From now on "Debug"."print" and "Debug"."log" hand the text of their first argument
    // (as tostring gives it) to the function; null makes them do nothing again.
    void setPrintFunction(PrintFunction print);
    PrintFunction getPrintFunction() const noexcept { return print_; }

    // The script files to load, relative to the resource directory, in order, no two equal.
    // The class a script file defines: the file name less its last four characters (the
    // extension, whatever it is).
    static std::string scriptClassName(const std::string& path);
    void addScriptPathToList(const std::string& path);
    void removeScriptPathFromList(const std::string& path);
    const std::vector<std::string>& getScriptPaths() const noexcept { return scriptPaths_; }
    // Unloads every class and forgets every path.
    void clearAllScriptFiles();
    // Loads every listed file as a class. At the first failure (the file is not in the stored
    // form, the chunk does not load or run, the class exists already, a required function is
    // missing) queues a
    // LuaExceptionEvent, unloads every class and returns false. True for an empty list.
    bool loadAllScripts();
    // Why the last loadAllScripts failed, on one line: the queued message's lines, and the
    // path that was read when no such file exists. Empty after a success.
    const std::string& getLoadFailure() const noexcept { return loadFailure_; }
    // The loaded class of that name; null when there is none.
    const ScriptClass* findScriptClass(const std::string& name) const;
    std::size_t getScriptClassCount() const noexcept { return classes_.size(); }

    // Gives the component a new instance table ("handle", "owner", "transform"). For a class
    // that is not loaded, the table is marked "_invalid" and a LuaExceptionEvent is queued;
    // otherwise the component takes the class's update function.
    void createScriptObject(const std::string& className, LuaScriptComponent* component);
    // Call the component's class function with its instance table; a script error throws
    // luabridge::LuaException. A class that is not loaded calls nothing; Awake is called
    // only when it is a function.
    void awakeScriptObject(LuaScriptComponent* component);
    void initScriptObject(LuaScriptComponent* component);
    void deinitScriptObject(LuaScriptComponent* component);
    // Calls every class's Unload in name order (each failure is reported and the rest still
    // run), empties the class table and collects garbage. Never throws.
    void unloadAllScriptClasses() noexcept;

    // The named table, made empty on first use. The tables live until removed.
    luabridge::LuaRef getGlobalTable(const std::string& name);
    void removeGlobalTable(const std::string& name);
    void clearGlobalTables();
    // The same on the instance, for the script interface.
    static luabridge::LuaRef getLuaTable(const std::string& name);
    static void removeLuaTable(const std::string& name);

    // LuaRefs still alive when the last manager closed its state; each would touch a closed
    // state when released. 0 unless something outlived the state.
    static std::size_t referencesLiveAtLastClose() noexcept;

private:
    struct GlobalTable
    {
        std::string name;
        luabridge::LuaRef table;
    };

    // Loads and runs one file; returns the failure message, empty on success.
    std::string loadScriptFile(const std::string& path);
    void queueScriptError(std::string message, int errorType) const;
    // A full collection, protected: a failing finalizer is reported.
    void collectGarbage() noexcept;

    EventCallbackObject eventCallbacks_;
    lua_State* state_;
    std::vector<std::string> scriptPaths_;
    std::map<std::string, ScriptClass> classes_;
    std::vector<GlobalTable> globalTables_;
    PrintFunction print_ = nullptr;
    std::string loadFailure_;
    std::optional<ScriptEventGlobal> eventGlobal_;
};

} // namespace Orva
