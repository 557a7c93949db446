#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <string>

#include "luabridge/LuaBridge.h"

namespace {

struct Point
{
    float x = 0;
    float y = 0;
    static Point make(float px, float py) { return {px, py}; }
};

struct Counter
{
    int add(int amount) { return total += amount; }
    int getTotal() const { return total; }
    int total = 0;
    int step = 1;
};

} // namespace

template <> struct luabridge::ByValue<Point> : std::true_type
{
};

namespace {

constexpr int LoopLength = 1000;

// An interpreter with the bindings and the script function "loop", which does the measured
// operation LoopLength times.
class Scene
{
public:
    explicit Scene(const std::string& loopCode) : L(luaL_newstate())
    {
        luaL_openlibs(L);
        luabridge::getGlobalNamespace(L)
            .beginNamespace("Bench")
            .beginClass<Point>("Point")
            .addData("x", &Point::x)
            .addData("y", &Point::y)
            .addStaticFunction("make", &Point::make)
            .endClass()
            .beginClass<Counter>("Counter")
            .addFunction("add", &Counter::add)
            .addData("step", &Counter::step)
            .addProperty("total", &Counter::getTotal)
            .endClass()
            .endNamespace();
        luabridge::setGlobal(L, &counter, "counter");
        luaL_dostring(L, ("function loop() local s = 0 " + loopCode + " return s end").c_str());
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    ~Scene() { lua_close(L); }

    void runLoops(benchmark::State& state)
    {
        const luabridge::LuaRef loop = luabridge::LuaRef::getGlobal(L, "loop");
        for (auto _ : state) {
            benchmark::DoNotOptimize(loop().cast<double>());
        }
        state.counters["per_operation"] = benchmark::Counter(
            LoopLength, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }

    lua_State* const L;
    Counter counter;
};

// Runs body LoopLength times, then afterLoop, inside one script function; reports the time
// per body.
void ScriptLoop(benchmark::State& state, const char* body, const char* afterLoop)
{
    Scene scene("for i = 1, " + std::to_string(LoopLength) + " do " + body + " end " + afterLoop);
    scene.runLoops(state);
}
BENCHMARK_CAPTURE(ScriptLoop, MemberCall, "s = counter:add(1)", "");
BENCHMARK_CAPTURE(ScriptLoop, DataMemberRead, "s = s + counter.step", "");
BENCHMARK_CAPTURE(ScriptLoop, PropertyRead, "s = s + counter.total", "");
// Construction of a value plus its share of the full collection that frees it.
BENCHMARK_CAPTURE(ScriptLoop, ValueConstructionAndCollection, "s = Bench.Point.make(i, 1).y",
                  "collectgarbage()");

void LuaRefCall(benchmark::State& state)
{
    Scene scene("");
    luaL_dostring(scene.L, "function add(a, b) return a + b end");
    const luabridge::LuaRef add = luabridge::LuaRef::getGlobal(scene.L, "add");
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(add(i++, 2));
    }
}
BENCHMARK(LuaRefCall);

} // namespace

BENCHMARK_MAIN();
