// Script components. Each case reports "per_component", the time per component of one fixed
// step of the script pool, next to the time per iteration.
//
//   poolStep/N/moving   one step of N script components past their Init: moving 0 runs an
//                       empty Update, moving 1 one that moves its transform (a copy of
//                       LocalTranslation, changed and assigned back).
//   plainLoop/N/moving  the same Update functions called from a Lua loop over the same N
//                       instance tables: the interpreter's own cost, to which poolStep adds
//                       the engine's (pool walk, protected call, reference pushes).
//   barePcall/N/moving  the same calls made from C++ with nothing but the Lua API: push the
//                       function, the instance table and the step, lua_pcall. poolStep minus
//                       this is what the engine adds around each call.
//   objectCall/kind     one call through an engine object a script keeps, in a Lua loop of
//                       1000: kind 0 reads a transform's "LocalRotationRad", kind 1 calls a
//                       game object's "getChildCount". Reported "per_call".

#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "core/EventManager.h"
#include "core/MemoryPoolManager.h"
#include "core/RC4Cipher.h"
#include "luabridge/LuaBridge.h"
#include "scripting/ScriptInterface.h"
#include "world/ComponentPool.h"
#include "world/Engine.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/TransformComponent.h"

namespace {

using Orva::LuaScriptComponent;
using Orva::LuaScriptManager;

constexpr float FixedStep = 0.016f;

const char* const EmptySource = R"(
function InitEmpty(self) end
function UpdateEmpty(self, dt) end
function DeinitEmpty(self) end
function UnloadEmpty() end

function plainLoop(objects, update, dt)
    for i = 1, #objects do
        update(objects[i], dt)
    end
end
)";

const char* const MoverSource = R"(
function InitMover(self) end
function UpdateMover(self, dt)
    local t = self.transform.LocalTranslation
    t.x = t.x + 2 * dt
    self.transform.LocalTranslation = t
end
function DeinitMover(self) end
function UnloadMover() end
)";

// The managers script components need, with the script interface registered and the two
// classes loaded from scrambled files in a scratch resource folder; N objects, each with a
// transform and one script component stepped past its Init.
class ScriptWorld
{
public:
    ScriptWorld(int count, const char* className)
    {
        std::string folder = (std::filesystem::temp_directory_path() / "orva-script-bench-XXXXXX").string();
        if (!mkdtemp(folder.data())) {
            throw std::runtime_error("no scratch folder");
        }
        folder_ = folder;
        Orva::MemoryPoolManager::createInstance();
        Orva::EventManager::createInstance();
        LuaScriptManager& scripts = LuaScriptManager::createInstance();
        // Each pool names its type on standard output when it is made; not in the table.
        std::streambuf* const output = std::cout.rdbuf(nullptr);
        Orva::GlobalComponentManager::createInstance();
        std::cout.rdbuf(output);
        Orva::GameObjectManager& objects = Orva::GameObjectManager::createInstance();
        Orva::Scripting::registerScriptInterface(scripts.getLuaState());

        Orva::Resources::ResourceManager::setResourceDirectory(folder_.string() + "/");
        for (const auto& [file, source] :
             {std::pair{"Empty.lua", EmptySource}, std::pair{"Mover.lua", MoverSource}}) {
            std::ofstream(folder_ / file, std::ios::binary) << Orva::Crypto::RC4Cipher::encrypt(source);
            scripts.addScriptPathToList(file);
        }
        if (!scripts.loadAllScripts()) {
            throw std::runtime_error("the benchmark's classes did not load");
        }
        components_.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            Orva::GameObject* object = objects.create();
            object->addComponent<Orva::TransformComponent>();
            components_.push_back(object->addLuaScript(className));
        }
        // Placed transforms, as in a running game: a new one would follow every move at once.
        Orva::ComponentPool<Orva::TransformComponent>::getInstance().update(FixedStep);
        step();
        step();
    }

    ~ScriptWorld()
    {
        Orva::Engine::destroy();
        std::filesystem::remove_all(folder_);
    }

    ScriptWorld(const ScriptWorld&) = delete;
    ScriptWorld& operator=(const ScriptWorld&) = delete;

    static void step() { Orva::ComponentPool<LuaScriptComponent>::getInstance().update(FixedStep); }

    Orva::GameObject* firstObject() const { return components_.front()->getOwner(); }

    // The instance tables in a Lua array.
    luabridge::LuaRef instanceArray(lua_State* L) const
    {
        luabridge::LuaRef array = luabridge::LuaRef::newTable(L);
        for (std::size_t i = 0; i < components_.size(); ++i) {
            array[static_cast<int>(i + 1)] = components_[i]->getLuaObject();
        }
        return array;
    }

    // A registry reference to each instance table; the caller releases them.
    std::vector<int> instanceReferences(lua_State* L) const
    {
        std::vector<int> references;
        references.reserve(components_.size());
        for (const LuaScriptComponent* component : components_) {
            component->luaObject.push(L);
            references.push_back(luaL_ref(L, LUA_REGISTRYINDEX));
        }
        return references;
    }

private:
    std::filesystem::path folder_;
    std::vector<LuaScriptComponent*> components_;
};

const char* classOf(const benchmark::State& state)
{
    return state.range(1) != 0 ? "Mover" : "Empty";
}

void reportPerComponent(benchmark::State& state)
{
    state.counters["per_component"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The timed calls are functions of their own, so that an instruction profiler
// (valgrind --tool=callgrind --toggle-collect=...) can count them apart from the set-up.
[[gnu::noinline]] void timedPoolStep()
{
    ScriptWorld::step();
}

void poolStep(benchmark::State& state)
{
    ScriptWorld world(static_cast<int>(state.range(0)), classOf(state));
    for (auto _ : state) {
        timedPoolStep();
    }
    reportPerComponent(state);
}

void plainLoop(benchmark::State& state)
{
    ScriptWorld world(static_cast<int>(state.range(0)), classOf(state));
    lua_State* const L = LuaScriptManager::getInstance().getLuaState();
    {
        const luabridge::LuaRef loop = luabridge::getGlobal(L, "plainLoop");
        const luabridge::LuaRef update =
            luabridge::getGlobal(L, (std::string("Update") + classOf(state)).c_str());
        const luabridge::LuaRef instances = world.instanceArray(L);
        for (auto _ : state) {
            loop(instances, update, FixedStep);
        }
    }
    reportPerComponent(state);
}

// Calls update on every instance as the pool would, with nothing but the Lua API; false with
// the message on top when a call fails.
[[gnu::noinline]] bool callEach(lua_State* L, int update, const std::vector<int>& instances)
{
    for (const int instance : instances) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, update);
        lua_rawgeti(L, LUA_REGISTRYINDEX, instance);
        lua_pushnumber(L, FixedStep);
        if (lua_pcall(L, 2, 0, 0) != LUA_OK) {
            return false;
        }
    }
    return true;
}

void barePcall(benchmark::State& state)
{
    ScriptWorld world(static_cast<int>(state.range(0)), classOf(state));
    lua_State* const L = LuaScriptManager::getInstance().getLuaState();
    lua_getglobal(L, (std::string("Update") + classOf(state)).c_str());
    const int update = luaL_ref(L, LUA_REGISTRYINDEX);
    const std::vector<int> instances = world.instanceReferences(L);
    for (auto _ : state) {
        if (!callEach(L, update, instances)) {
            state.SkipWithError(lua_tostring(L, -1));
            lua_pop(L, 1);
            break;
        }
    }
    for (const int instance : instances) {
        luaL_unref(L, LUA_REGISTRYINDEX, instance);
    }
    luaL_unref(L, LUA_REGISTRYINDEX, update);
    reportPerComponent(state);
}

void objectCall(benchmark::State& state)
{
    constexpr int Calls = 1000;
    const ScriptWorld world(1, "Empty");
    lua_State* const L = LuaScriptManager::getInstance().getLuaState();
    Orva::GameObject* const object = world.firstObject();
    luabridge::setGlobal(L, object, "benchObject");
    luabridge::setGlobal(L, object->getTransform(), "benchTransform");
    const char* const body = state.range(0) == 0 ? "s = s + t.LocalRotationRad" : "s = s + o:getChildCount()";
    const std::string code =
        std::string("function callLoop(n) local o, t, s = benchObject, benchTransform, 0 ") +
        "for i = 1, n do " + body + " end return s end";
    if (luaL_dostring(L, code.c_str()) != LUA_OK) {
        throw std::runtime_error(lua_tostring(L, -1));
    }
    {
        const luabridge::LuaRef loop = luabridge::getGlobal(L, "callLoop");
        for (auto _ : state) {
            benchmark::DoNotOptimize(loop(Calls));
        }
    }
    state.counters["per_call"] = benchmark::Counter(Calls, benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(objectCall)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(poolStep)->ArgsProduct({{1000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(plainLoop)->ArgsProduct({{1000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(barePcall)->ArgsProduct({{1000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
