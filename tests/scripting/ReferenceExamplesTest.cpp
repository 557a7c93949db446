#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "ScriptHarness.h"
#include "graphics/FontManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "world/SetManager.h"

// What the script reference quotes, run through the engine: each check reads its values from
// the meanings it names (`meaning` holds the meanings file's lines), so a meaning that quotes
// what the engine does not give, or no longer quotes what its check reads, fails.

namespace {

using Orva::Graphics::ParticleEmitter;

// Objects as stages write them: a bare and a running emitter, a ground with its top at 0.25, a
// box and a circle body 2 above it, and a clock whose x is the game time.
const char* const Sets = R"(Emitter <comp type="9"/>
Running <comp type="9"><active value="true"/></comp>
Ground <comp type="6"><size x="20" y="0.5"/></comp>
box <comp type="0"><position y="2"/></comp><comp type="6"/><comp type="7"><acc y="-9.8"/></comp>
circle <comp type="0"><position y="2"/></comp><comp type="5"/><comp type="7"><acc y="-9.8"/></comp>
clock <comp type="5"/><comp type="7"><vel x="1"/></comp>)";

// Test.frames(n, t) runs n frames of t seconds; at 0.016 each is one fixed step.
const char* const Checks = R"lua(
meaning = {}
for line in io.lines(meaningsFile) do
    local name, text = line:match('^([^#%s]%S*)%s+(.+)$')
    if name then meaning[name] = text end
end
local function quotes(name, pattern) -- the captures of every match, at least one
    local found = {}
    for a, b, c in assert(meaning[name], name):gmatch(pattern) do found[#found + 1] = {a, b, c} end
    return assert(#found > 0 and found, name .. ' quotes nothing like ' .. pattern)
end
local function number(name, pattern) return tonumber(quotes(name, pattern)[1][1]) end
for name, text in pairs(meaning) do -- "(default: v)": the value of a new object, as a stage makes it
    local value, class, property = text:match('%(default: ([^):]*)'), name:match('(.*)%.(%w+)$')
    if value then
        local owner = sets:create(assert(({['Graphics.ParticleEmitter'] = 'Emitter', ['Physics.RigidBody'] = 'box'})[class]))
        local v = (owner:getRigidBody() or owner:getParticle().Emitter)[property]
        v = type(v) ~= 'userdata' and (type(v) == 'number' and ('%g'):format(v) or tostring(v))
            or (v.z and '%g, %g, %g' or '%g, %g'):format(v.x, v.y, v.z)
        assert(v == value, name .. ' is ' .. v)
    end
end
local names, keys = {}, 'Input.InputManager.keyToString'
for code = 0, 255 do names[input:keyToString(code)] = true end
for _, name in ipairs(quotes(keys, '"([^"]*)"')) do assert(names[name[1]], name[1]) end
for _, key in ipairs(quotes(keys, 'Keys%.([%w_]+) "([^"]*)"')) do assert(input:keyToString(Keys[key[1]]) == key[2]) end
assert(Resources.ResourceManager.getDirectory() == quotes('Resources.ResourceManager.getDirectory', '"(.-)"')[1][1])
assert(gameState.currentState == quotes('Core.GameStateManager.currentState', '"(.-)"')[1][1])
Debug.log(); Debug.print()
assert(Test.printed() == quotes('Debug.log', 'none writes "(%w+)"')[1][1] .. quotes('Debug.print', 'none writes "(%w+)"')[1][1])
gameObjects:destroyAllObjects()
local clock = sets:create('clock'):getTransform()
local function gameTime(scale)
    local start = clock:getWorldTranslation().x
    engine.timeScale = scale; Test.frames(60, 1 / 60); engine.timeScale = 1
    return clock:getWorldTranslation().x - start
end
for _, speed in ipairs(quotes('Core.Engine.timeScale', '([%d.]+) gives ([%d.]+)×')) do
    local ratio = gameTime(tonumber(speed[1])) / gameTime(1)
    assert(math.abs(ratio / speed[2] - 1) < 0.05, speed[1] .. ' gives ' .. ratio)
end
local align, text = 'Graphics.SpriteFontComponent.setAlignment', gameObjects:createGO()
text:addTransform(); text = text:addSpriteFont()
text:initialize(quotes(align, '"(%w+)" in a stage.s font')[1][1], 'fonts/f.ttf')
local centred, right = Test.columns(text, 0.5), Test.columns(text, 1)
assert(centred[1] == number(align, 'measures (%d+) px') and right[3] == number(align, 'end (%d+) px past'))
assert((centred[2] + centred[3]) // 2 == number(align, 'centre (%d+) px right'))
local function drop(shape, e) -- through the ground, resting, or back up to its start or a quarter of it
    gameObjects:destroyAllObjects(); sets:create('Ground')
    local body, peak, rebounded = sets:create(shape):getRigidBody(), 0.75, false
    body.Restitution = e
    for _ = 1, 900 do
        Test.frames(1, 1 / 60); rebounded = rebounded or body.Velocity.y > 0
        if rebounded then peak = math.max(peak, body.owner:getTransform():getWorldTranslation().y) end
    end
    local y, height = body.owner:getTransform():getWorldTranslation().y, (peak - 0.75) / 1.25
    return y < -0.25 and 'falls through' or height > 0.8 and 'bounces back' or height > 0.15 and
        'bounces back half' or height < 0.05 and math.abs(y - 0.75) < 0.01 and 'rests' or 'something else'
end
for _, shape in ipairs({'box', 'circle'}) do
    local rule = quotes('Physics.RigidBody.Restitution', '(a ' .. shape .. ' body.-;)')[1][1]:gsub(' and ', ', ')
    for e, outcome in rule:gmatch(' ([%d.]+) (%l[%l ]*%l)[,;(]') do assert(drop(shape, e) == outcome, shape .. e) end
end
local bare, running = sets:create('Emitter'):getParticle().Emitter, sets:create('Running'):getParticle().Emitter
Test.frames(20, 0.016)
assert(Test.live(bare) == 0 and Test.live(running) == 10, 'a stage emitter runs with active only')
assert(Test.widest(running) <= 1 and Test.widest(running) > 0.5, 'accelerations spread within RandomAcceleration')
local first = quotes('Graphics.ParticleEmitter.EmissionInterval', '([%d.]+) at fixed steps of 0.016 gives the (%d+)')[1]
running = sets:create('Running'):getParticle().Emitter; running.EmissionInterval = tonumber(first[1])
Test.frames(first[2] - 1, 0.016); assert(Test.live(running) == 0, 'a burst before its update')
Test.frames(1, 0.016); assert(Test.live(running) == 1, 'no burst at its update'))lua";

class ReferenceExamplesTest : public ScriptHarness
{
protected:
    // The largest share of its spread that a live particle's acceleration takes on x or y.
    static float widest(const ParticleEmitter* emitter)
    {
        float share = 0.0f;
        for (const Orva::Graphics::Particle* particle : emitter->getLiveParticles()) {
            share = std::max({share, std::fabs(particle->acceleration.x / emitter->randomAcceleration.x),
                              std::fabs(particle->acceleration.y / emitter->randomAcceleration.y)});
        }
        return share;
    }

    // The measured length, then the first and last pixel column the glyphs cover from the
    // object, at a pen start of that share of the length to the left.
    luabridge::LuaRef columns(const Orva::Graphics::SpriteFontComponent* text, float share) const
    {
        float left = 1e9f;
        float right = -1e9f;
        for (const Orva::Graphics::GlyphQuad& quad : Orva::Graphics::FontManager::getInstance().layoutText(
                 text->getText(), {0, 0}, {1, 1}, 0, {-share * text->getLength(), 0})) {
            left = std::min(left, (quad.mvp.m[0][3] - quad.mvp.m[0][0] / 2) * 64);
            right = std::max(right, (quad.mvp.m[0][3] + quad.mvp.m[0][0] / 2) * 64);
        }
        luabridge::LuaRef found = luabridge::LuaRef::newTable(L);
        found[1] = text->getLength();
        found[2] = std::lround(left);
        found[3] = std::lround(right) - 1;
        return found;
    }
};

TEST_F(ReferenceExamplesTest, EveryQuotedValueIsWhatTheEngineGives)
{
    capturePrints();
    std::filesystem::create_directories(root() / "resources" / "data");
    std::istringstream sets(Sets);
    for (std::string name, components; sets >> name && std::getline(sets, components);) {
        writeFile(root() / "resources" / "data" / (name + ".set"),
                  "<obj name=\"" + name + "\"><comp type=\"0\"/>" + components + "</obj>");
    }
    Orva::SetManager::getInstance().loadAllSets();
    installFont("fonts/f.ttf");
    Orva::Graphics::FontManager::createInstance().makeFont("fonts/f.ttf", 40);
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Test")
        .addFunction("frames", [](int count, float time) { EngineTest::runFrames(count, time); })
        .addFunction("live",
                     [](const ParticleEmitter* emitter) { return emitter->getLiveParticles().size(); })
        .addFunction("widest", &widest)
        .addFunction("columns", [this](const Orva::Graphics::SpriteFontComponent* text,
                                       float share) { return columns(text, share); })
        .addFunction("printed", [] { return printed().at(0) + printed().at(1); })
        .endNamespace();
    EXPECT_EQ(run(std::string("meaningsFile = [[") + ORVA_SCRIPT_MEANINGS + "]]" + Checks), "");
}

} // namespace
