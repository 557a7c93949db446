#include "world/LuaScriptManager.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <utility>

#include "core/BaseEvent.h"
#include "core/EventManager.h"
#include "core/RC4Cipher.h"
#include "core/Random.h"
#include "core/ScriptEvents.h"
#include "luabridge/LuaException.h"
#include "luabridge/Namespace.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/GameObject.h"
#include "world/LuaScriptComponent.h"
#include "world/ResourceManager.h"
#include "world/TransformComponent.h"

namespace Orva {

std::uint32_t LuaScriptManager::LUASCRIPT_EXCEPTION_EVENT_CODE = 0;

namespace {

using luabridge::LuaRef;
using luabridge::detail::StackRestore;

std::size_t liveAtLastClose = 0;

// "math.random" with Lua 5.3's rules and messages, over the engine generator: r is the draw
// over 32768, in [0, 1); a range [low, up] scales it by up - low + 1. The draw comes first,
// so a call with bad arguments still takes one.
int scriptRandom(lua_State* L)
{
    double r = static_cast<double>(Orva::rand()) * (1.0 / (static_cast<double>(RANDOM_MAX) + 1.0));
    lua_Integer low = 0;
    lua_Integer up = 0;
    switch (lua_gettop(L)) {
    case 0:
        lua_pushnumber(L, static_cast<lua_Number>(r));
        return 1;
    case 1:
        low = 1;
        up = luaL_checkinteger(L, 1);
        break;
    case 2:
        low = luaL_checkinteger(L, 1);
        up = luaL_checkinteger(L, 2);
        break;
    default:
        return luaL_error(L, "wrong number of arguments");
    }
    luaL_argcheck(L, low <= up, 1, "interval is empty");
    luaL_argcheck(L, low >= 0 || up <= LUA_MAXINTEGER + low, 1, "interval too large");
    r *= static_cast<double>(up - low) + 1.0;
    lua_pushinteger(L, static_cast<lua_Integer>(r) + low);
    return 1;
}

// The seed is the number truncated to an integer and cut to 32 bits, as Lua does; a number
// beyond the integers (where Lua's conversion is undefined) seeds 0. One draw is discarded.
int scriptRandomSeed(lua_State* L)
{
    const lua_Number seed = luaL_checknumber(L, 1);
    constexpr lua_Number IntegerLimit = 9223372036854775808.0; // 2^63
    const bool representable = seed > -IntegerLimit && seed < IntegerLimit;
    Orva::srand(representable ? static_cast<std::uint32_t>(static_cast<std::int64_t>(seed)) : 0u);
    static_cast<void>(Orva::rand());
    return 0;
}

void replaceRandomFunctions(lua_State* L)
{
    const StackRestore restore(L);
    lua_getglobal(L, "math");
    lua_pushcfunction(L, &scriptRandom);
    lua_setfield(L, -2, "random");
    lua_pushcfunction(L, &scriptRandomSeed);
    lua_setfield(L, -2, "randomseed");
}

// The first argument as tostring writes it; no argument reads as nil.
std::string firstArgumentText(lua_State* L)
{
    lua_settop(L, 1);
    std::size_t length = 0;
    const char* text = luaL_tolstring(L, 1, &length);
    std::string result(text, length);
    lua_pop(L, 1);
    return result;
}

void bindPrintFunctions(lua_State* L, LuaScriptManager::PrintFunction print)
{
    luabridge::Namespace debug = luabridge::getGlobalNamespace(L).beginNamespace("Debug");
    if (!print) {
        debug.addFunction("print", [] {}).addFunction("log", [] {});
        return;
    }
    const auto forward = [print](lua_State* state) { print(firstArgumentText(state)); };
    debug.addFunction("print", forward).addFunction("log", forward);
}

std::string exceptionEventMessage(const LuaExceptionEvent& event)
{
    return event.message;
}

int collectAll(lua_State* L)
{
    lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}

// The interpreter names the chunk "@<path>", so its errors read "<path>:<line>: <message>";
// the slice after the path and its colon keeps "<line>: <message>". A path that Lua had to
// shorten does not occur: the whole text is kept.
std::string loadFailure(const std::string& path, const std::string& errorText)
{
    std::string slice = errorText;
    const std::size_t found = errorText.find(path);
    if (found != std::string::npos) {
        const std::size_t start = found + path.size() + 1;
        slice = start < errorText.size() ? errorText.substr(start) : std::string();
    }
    return "Error when loading: " + path + "\n" + "Line " + slice + "\n";
}

// A failure message on one line: its lines joined by spaces, rules of dashes left out.
std::string oneLine(const std::string& message)
{
    std::string line;
    std::size_t start = 0;
    while (start < message.size()) {
        std::size_t end = message.find('\n', start);
        if (end == std::string::npos) {
            end = message.size();
        }
        const std::string part = message.substr(start, end - start);
        if (!part.empty() && part.find_first_not_of('-') != std::string::npos) {
            line += (line.empty() ? "" : " ") + part;
        }
        start = end + 1;
    }
    return line;
}

} // namespace

LuaScriptManager::LuaScriptManager() : state_(luaL_newstate())
{
    if (!state_) {
        throw std::bad_alloc();
    }
    try {
        luaL_openlibs(state_);
        replaceRandomFunctions(state_);
        bindPrintFunctions(state_, nullptr);
        // Thrown by bindings that find a bad script name: it crosses the interpreter intact.
        luabridge::registerException<LuaExceptionEvent>(&exceptionEventMessage);
    } catch (...) {
        lua_close(state_);
        throw;
    }
    LUASCRIPT_EXCEPTION_EVENT_CODE = EventNameDetails::EventToHash("LUA_EXCEPTION");
    eventGlobal_.emplace(state_);
}

LuaScriptManager::~LuaScriptManager()
{
    eventGlobal_.reset();
    unloadAllScriptClasses();
    globalTables_.clear();
    liveAtLastClose = luabridge::liveReferenceCount(state_);
    if (liveAtLastClose != 0) {
        std::fprintf(stderr, "LuaScriptManager: %zu script references outlive the interpreter\n",
                     liveAtLastClose);
    }
    lua_close(state_);
}

luabridge::LuaRef LuaScriptManager::getGlobal(const std::string& name) const
{
    return LuaRef::getGlobal(state_, name.c_str());
}

void LuaScriptManager::exportWindowVariable(Window* window)
{
    luabridge::setGlobal(state_, window, "window");
}

void LuaScriptManager::setPrintFunction(PrintFunction print)
{
    bindPrintFunctions(state_, print);
    print_ = print;
}

// Script files ----------------------------------------------------------------------------

void LuaScriptManager::addScriptPathToList(const std::string& path)
{
    if (std::find(scriptPaths_.begin(), scriptPaths_.end(), path) == scriptPaths_.end()) {
        scriptPaths_.push_back(path);
    }
}

void LuaScriptManager::removeScriptPathFromList(const std::string& path)
{
    const auto found = std::find(scriptPaths_.begin(), scriptPaths_.end(), path);
    if (found != scriptPaths_.end()) {
        scriptPaths_.erase(found);
    }
}

void LuaScriptManager::clearAllScriptFiles()
{
    unloadAllScriptClasses();
    scriptPaths_.clear();
}

bool LuaScriptManager::loadAllScripts()
{
    loadFailure_.clear();
    for (std::size_t i = 0; i < scriptPaths_.size(); ++i) {
        std::string failure = loadScriptFile(scriptPaths_[i]);
        if (!failure.empty()) {
            loadFailure_ = oneLine(failure);
            const std::string fullPath = Resources::ResourceManager::getResourceDirectory() + scriptPaths_[i];
            std::error_code error;
            if (!std::filesystem::is_regular_file(fullPath, error)) {
                loadFailure_ += " (no file " + fullPath + ")";
            }
            queueScriptError(std::move(failure), 0);
            unloadAllScriptClasses();
            return false;
        }
    }
    return true;
}

std::string LuaScriptManager::loadScriptFile(const std::string& path)
{
    using Resources::ResourceManager;
    const std::string stored = ResourceManager::openFile(ResourceManager::getResourceDirectory() + path);
    // Text that was never stored unscrambles to nothing, which would report every class
    // function missing.
    if (!stored.empty() && !Crypto::RC4Cipher::isStoredForm(stored)) {
        return "Error when loading: " + path + "\n" + path +
               " is not in the stored form (plain text?): " + "store it with \"" +
               Crypto::RC4Cipher::StoreCommand + "\" (build/bin/scramble).\n";
    }
    const std::string text = Crypto::RC4Cipher::decrypt(stored);
    const std::string chunkName = "@" + path;
    {
        const StackRestore restore(state_);
        bool ran = luaL_loadbuffer(state_, text.data(), text.size(), chunkName.c_str()) == LUA_OK;
        if (ran) {
            try {
                luabridge::detail::protectedCall(state_, 0, 0);
            } catch (const luabridge::LuaException& error) {
                // Its text, since a finalizer's error is not the value on top as it is.
                return loadFailure(path, error.what());
            } catch (...) {
                // Whatever else was thrown, the interpreter's error value is still on top.
                ran = false;
            }
        }
        if (!ran) {
            std::size_t length = 0;
            const char* error = lua_tolstring(state_, -1, &length);
            return loadFailure(path, error ? std::string(error, length) : std::string());
        }
    }

    const std::string name = LuaScriptManager::scriptClassName(path);
    if (classes_.count(name) != 0) {
        return "Error when loading: " + path + "\n" + "A class of the same name already exists.\n" +
               "--------------------------\n";
    }
    ScriptClass scriptClass{getGlobal("Update" + name), getGlobal("Init" + name), getGlobal("Deinit" + name),
                            getGlobal("Unload" + name), getGlobal("Awake" + name)};
    const std::pair<const char*, const LuaRef*> required[] = {{"Update", &scriptClass.update},
                                                              {"Init", &scriptClass.init},
                                                              {"Deinit", &scriptClass.deinit},
                                                              {"Unload", &scriptClass.unload}};
    std::string missing;
    for (const auto& [word, function] : required) {
        if (function->isNil()) {
            missing += word + name + " function is not defined.\n";
        }
    }
    if (!missing.empty()) {
        return "Error when loading: " + path + "\n" + missing +
               "Note that these functions have to be defined for the script to work.\n";
    }
    classes_.emplace(name, std::move(scriptClass));
    return {};
}

const LuaScriptManager::ScriptClass* LuaScriptManager::findScriptClass(const std::string& name) const
{
    const auto found = classes_.find(name);
    return found != classes_.end() ? &found->second : nullptr;
}

void LuaScriptManager::queueScriptError(std::string message, int errorType) const
{
    if (!EventManager::hasInstance()) {
        return;
    }
    LuaExceptionEvent report(std::move(message), errorType, std::string());
    report.hashCode = LUASCRIPT_EXCEPTION_EVENT_CODE;
    EventManager::getInstance().queueEvent(LUASCRIPT_EXCEPTION_EVENT_CODE, report);
}

// Instances ---------------------------------------------------------------------------------

std::string LuaScriptManager::scriptClassName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    name.resize(name.size() >= 4 ? name.size() - 4 : 0);
    return name;
}

void LuaScriptManager::createScriptObject(const std::string& className, LuaScriptComponent* component)
{
    const StackRestore restore(state_);
    lua_newtable(state_);
    const ScriptClass* scriptClass = findScriptClass(className);
    if (!scriptClass) {
        // Such a table is never handed to a script, so it carries no engine objects.
        lua_pushboolean(state_, 1);
        lua_setfield(state_, -2, "_invalid");
        component->luaObject = LuaRef::fromStack(state_, -1);
        component->updateFunction_ = LuaRef(state_);
        queueScriptError(className + " script class is not a valid class (Does not exist). "
                                     "No functions will be runned for it",
                         1);
        return;
    }
    GameObject* const owner = component->getOwner();
    TransformComponent* const transform = owner ? owner->getTransform() : nullptr;
    luabridge::push(state_, component);
    lua_setfield(state_, -2, "handle");
    luabridge::push(state_, owner);
    lua_setfield(state_, -2, "owner");
    luabridge::push(state_, transform);
    lua_setfield(state_, -2, "transform");
    component->luaObject = LuaRef::fromStack(state_, -1);
    component->updateFunction_ = scriptClass->update;
}

void LuaScriptManager::awakeScriptObject(LuaScriptComponent* component)
{
    const ScriptClass* scriptClass = findScriptClass(component->ScriptClassName);
    if (scriptClass && scriptClass->awake.isFunction()) {
        scriptClass->awake.call(component->luaObject);
    }
}

void LuaScriptManager::initScriptObject(LuaScriptComponent* component)
{
    if (const ScriptClass* scriptClass = findScriptClass(component->ScriptClassName)) {
        scriptClass->init.call(component->luaObject);
    }
}

void LuaScriptManager::deinitScriptObject(LuaScriptComponent* component)
{
    if (const ScriptClass* scriptClass = findScriptClass(component->ScriptClassName)) {
        scriptClass->deinit.call(component->luaObject);
    }
}

// The Unload functions are taken first: one of them may load or unload classes itself.
void LuaScriptManager::unloadAllScriptClasses() noexcept
{
    try {
        std::vector<LuaRef> unloads;
        unloads.reserve(classes_.size());
        for (const auto& entry : classes_) {
            unloads.push_back(entry.second.unload);
        }
        for (const LuaRef& unload : unloads) {
            try {
                unload.call();
            } catch (...) {
                Engine::reportException(std::current_exception());
            }
        }
        unloads.clear();
        classes_.clear();
    } catch (...) {
        Engine::reportException(std::current_exception());
        classes_.clear();
    }
    collectGarbage();
}

void LuaScriptManager::collectGarbage() noexcept
{
    try {
        const StackRestore restore(state_);
        lua_pushcfunction(state_, &collectAll);
        luabridge::detail::protectedCall(state_, 0, 0);
    } catch (...) {
        Engine::reportException(std::current_exception());
    }
}

// Global tables -----------------------------------------------------------------------------

luabridge::LuaRef LuaScriptManager::getGlobalTable(const std::string& name)
{
    for (const GlobalTable& entry : globalTables_) {
        if (entry.name == name) {
            return entry.table;
        }
    }
    globalTables_.push_back({name, LuaRef::newTable(state_)});
    return globalTables_.back().table;
}

void LuaScriptManager::removeGlobalTable(const std::string& name)
{
    const auto found = std::find_if(globalTables_.begin(), globalTables_.end(),
                                    [&name](const GlobalTable& entry) { return entry.name == name; });
    if (found != globalTables_.end()) {
        globalTables_.erase(found);
    }
}

void LuaScriptManager::clearGlobalTables()
{
    globalTables_.clear();
}

luabridge::LuaRef LuaScriptManager::getLuaTable(const std::string& name)
{
    return getInstance().getGlobalTable(name);
}

void LuaScriptManager::removeLuaTable(const std::string& name)
{
    getInstance().removeGlobalTable(name);
}

std::size_t LuaScriptManager::referencesLiveAtLastClose() noexcept
{
    return liveAtLastClose;
}

} // namespace Orva
