#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptHarness.h"
#include "graphics/FontManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "world/SetManager.h"
#include "world/TransformComponent.h"

// What the script reference quotes, run through the engine. Each check reads the values it
// expects from its line of the meanings file, so a meaning that quotes what the engine does
// not give fails here.

namespace {

using Matches = std::vector<std::smatch>;

const char* const OneShotSource = R"(
function AwakeOneShot(self) self.owner:getParticle().Emitter.Enable = false end
function InitOneShot(self) end
function UpdateOneShot(self) end
function DeinitOneShot(self) end
function UnloadOneShot() end
)";

// Values as the meanings write them: "%g" numbers, vectors as "x, y[, z]".
const char* const QuoteSource = R"(
function quoted(v)
    if type(v) == 'number' then return string.format('%g', v) end
    if type(v) ~= 'userdata' then return tostring(v) end
    local text = string.format('%g, %g', v.x, v.y)
    return v.z and text .. string.format(', %g', v.z) or text
end)";

class ReferenceExamplesTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        std::ifstream in(ORVA_SCRIPT_MEANINGS);
        for (std::string line; std::getline(in, line);) {
            const std::size_t space = line.find(' ');
            if (!line.empty() && line[0] != '#' && space != std::string::npos) {
                meanings_[line.substr(0, space)] = line.substr(line.find_first_not_of(' ', space));
            }
        }
        capturePrints();
        writeScript("scripts/OneShot.lua", OneShotSource);
        ASSERT_TRUE(loadScripts());
        ASSERT_EQ(run(QuoteSource), "");
        const std::string at2 = R"(<comp type="0"><position x="0" y="2" z="0"/></comp>)";
        const std::string falling = R"(<comp type="7"><acc x="0" y="-9.8" z="0"/></comp>)";
        const std::map<std::string, std::string> sets = {
            {"Emitter", R"(<comp type="0"/><comp type="9"/>)"},
            {"Active", R"(<comp type="0"/><comp type="9"><active value="true"/></comp>)"},
            {"OneShot", R"(<comp type="0"/><comp type="9"><active value="true"/><life default="0.5"/></comp>
                           <comp type="2"><source path="scripts/OneShot.lua"/></comp>)"},
            {"Ground", R"(<comp type="0"/><comp type="6"><size x="20" y="0.5"/></comp>)"},
            {"box", at2 + R"(<comp type="6"/>)" + falling},
            {"circle", at2 + R"(<comp type="5"/>)" + falling}};
        std::filesystem::create_directories(root() / "resources" / "data");
        for (const auto& [name, components] : sets) {
            writeFile(root() / "resources" / "data" / (name + ".set"),
                      "<obj name=\"" + name + "\">" + components + "</obj>");
        }
        Orva::SetManager::getInstance().loadAllSets();
    }

    // The meaning's matches of the pattern; none fails the test (and .at(0) of them throws).
    Matches quotes(const std::string& name, const std::string& pattern)
    {
        const std::string& text = meanings_[name];
        const std::regex expression(pattern);
        Matches found(std::sregex_iterator(text.begin(), text.end(), expression), std::sregex_iterator());
        EXPECT_FALSE(found.empty()) << name << " quotes nothing like " << pattern;
        return found;
    }

    // Game time over 60 frames of 1/60 s, each fixed step's dt checked.
    double gameSecond(float scale)
    {
        engine().timeScale = scale;
        pool.steps.clear();
        runFrames(60);
        for (const float dt : pool.steps) {
            EXPECT_FLOAT_EQ(dt, scale * 0.016f);
        }
        engine().timeScale = 1.0f;
        double sum = 0.0;
        for (const float dt : pool.steps) {
            sum += dt;
        }
        return sum;
    }

    // A body of the shape dropped from y 2 onto a static box whose top is at 0.25, for 15 s.
    std::string dropOutcome(const std::string& shape, const std::string& restitution)
    {
        EXPECT_EQ(run("sets:create('Ground'); body = sets:create('" + shape + "'):getRigidBody(); " +
                      "body.Restitution = " + restitution),
                  "");
        const float rest = 0.75f;
        float peak = rest;
        bool rebounded = false;
        for (int frame = 0; frame < 900; ++frame) {
            runFrames(1);
            rebounded = rebounded || eval<float>("body.Velocity.y") > 0.0f;
            if (rebounded) {
                peak = std::max(peak, eval<float>("body.owner:getTransform():getWorldTranslation().y"));
            }
        }
        const float end = eval<float>("body.owner:getTransform():getWorldTranslation().y");
        EXPECT_EQ(run("gameObjects:destroyAllObjects()"), "");
        const float height = (peak - rest) / (2.0f - rest);
        return end < -0.25f                                      ? "falls through"
               : height > 0.8f                                   ? "bounces back"
               : height > 0.15f                                  ? "bounces back half"
               : height < 0.05f && std::fabs(end - rest) < 0.01f ? "rests"
                                                                 : "does something else";
    }

    static Orva::Graphics::ParticleEmitter& emitterOf(const char* name)
    {
        return *objects().find(name)->getComponent<Orva::Graphics::ParticleEmitterComponent>()->get();
    }

    std::map<std::string, std::string> meanings_;
};

TEST_F(ReferenceExamplesTest, EveryQuotedValueIsWhatTheEngineGives)
{
    // Every "(default: v)": the value of a new object, made by the engine as a stage makes it.
    const std::map<std::string, std::string> fresh = {
        {"Graphics.ParticleEmitter", "sets:create('Emitter'):getParticle().Emitter"},
        {"Physics.RigidBody", "sets:create('box'):getRigidBody()"}};
    const std::regex defaultValue(R"(\(default: ([^):]*))");
    for (const auto& [name, text] : meanings_) {
        std::smatch found;
        if (std::regex_search(text, found, defaultValue)) {
            const std::string owner = name.substr(0, name.rfind('.'));
            ASSERT_TRUE(fresh.count(owner)) << name << ": no way to make a new " << owner;
            EXPECT_EQ(eval<std::string>("quoted(" + fresh.at(owner) + name.substr(owner.size()) + ")"),
                      found[1].str())
                << name;
        }
    }
    ASSERT_EQ(run("gameObjects:destroyAllObjects()"), "");

    // How to read the reference: a name not listed reads as nil, and writing one raises.
    EXPECT_TRUE(holds("gameObjects:createGO().Name ~= nil and gameObjects:createGO().name_ == nil"));
    for (const char* object : {"gameObjects:createGO()", "Math.Vector2f.make(1, 2)"}) {
        EXPECT_NE(run(std::string(object) + ".nmae = 1").find("no writable member 'nmae'"),
                  std::string::npos);
    }

    // Return values: the first text each meaning quotes.
    const std::map<std::string, std::string> results = {
        {"Resources.ResourceManager.getDirectory", "Resources.ResourceManager.getDirectory()"},
        {"Core.GameStateManager.currentState", "gameState.currentState"}};
    for (const auto& [name, expression] : results) {
        EXPECT_EQ(eval<std::string>(expression), quotes(name, "\"([^\"]*)\"").at(0)[1].str()) << name;
    }

    const std::string keys = "Input.InputManager.keyToString";
    std::string everyName;
    for (int code = 0; code < 256; ++code) {
        everyName += "\"" + eval<std::string>("input:keyToString(" + std::to_string(code) + ")") + "\"";
    }
    for (const std::smatch& name : quotes(keys, "\"[^\"]*\"")) {
        EXPECT_NE(everyName.find(name.str()), std::string::npos) << name.str() << " names no key";
    }
    for (const std::smatch& pair : quotes(keys, R"((Keys\.\w+) "([^"]*)\")")) {
        EXPECT_EQ(eval<std::string>("input:keyToString(" + pair[1].str() + ")"), pair[2].str());
    }

    for (const char* function : {"log", "print"}) {
        printed().clear();
        ASSERT_EQ(run(std::string("Debug.") + function + "() Debug." + function + "('a', 'b')"), "");
        const std::string none = quotes(std::string("Debug.") + function, "none writes \"(\\w+)\"").at(0)[1];
        EXPECT_EQ(printed(), (std::vector<std::string>{none, "a"})) << function;
    }

    const double atOne = gameSecond(1.0f);
    for (const std::smatch& speed : quotes("Core.Engine.timeScale", R"(([\d.]+) gives ([\d.]+)×)")) {
        const double quoted = std::stod(speed[2]);
        EXPECT_NEAR(gameSecond(std::stof(speed[1])) / atOne, quoted, quoted * 0.05) << speed[0];
    }

    // Where the glyph quads of the text fall at the pen start the alignment gives.
    const std::string align = "Graphics.SpriteFontComponent.setAlignment";
    installFont("fonts/f.ttf");
    Orva::Graphics::FontManager& fonts = Orva::Graphics::FontManager::createInstance();
    fonts.makeFont("fonts/f.ttf", 40);
    Orva::GameObject* owner = objects().create("text");
    owner->addComponent<Orva::TransformComponent>();
    auto* text = owner->addComponent<Orva::Graphics::SpriteFontComponent>();
    text->initialize(quotes(align, "\"(\\w+)\" in a stage's font").at(0)[1], "fonts/f.ttf");
    EXPECT_EQ(text->getLength(), std::stof(quotes(align, R"(measures (\d+) px)").at(0)[1]));
    const auto columns = [&](float share) {
        float left = 1e9f;
        float right = -1e9f;
        for (const auto& quad :
             fonts.layoutText(text->getText(), {0, 0}, {1, 1}, 0, {-share * text->getLength(), 0})) {
            left = std::min(left, (quad.mvp.m[0][3] - quad.mvp.m[0][0] / 2) * 64);
            right = std::max(right, (quad.mvp.m[0][3] + quad.mvp.m[0][0] / 2) * 64);
        }
        return std::pair{std::lround(left), std::lround(right) - 1};
    };
    const auto [centredLeft, centredRight] = columns(0.5f);
    EXPECT_EQ((centredLeft + centredRight) / 2,
              std::stol(quotes(align, R"(centre (\d+) px right)").at(0)[1]));
    EXPECT_EQ(columns(1.0f).second, std::stol(quotes(align, R"(end (\d+) px past)").at(0)[1]));

    const std::string restitution = meanings_["Physics.RigidBody.Restitution"];
    for (const char* shape : {"box", "circle"}) {
        const std::size_t start = restitution.find(std::string("a ") + shape + " body");
        const std::string part = restitution.substr(start, restitution.find(';', start) - start);
        const std::regex outcome(R"((0\.5|0|1) (falls through|rests|bounces back half|bounces back))");
        int cases = 0;
        for (std::sregex_iterator it(part.begin(), part.end(), outcome), end; it != end; ++it, ++cases) {
            EXPECT_EQ(dropOutcome(shape, (*it)[1]), (*it)[2].str()) << shape << " at " << (*it)[1];
        }
        EXPECT_EQ(cases, 3) << shape;
    }

    // A stage's emitter without `active` does nothing (the emitter table of game-folder.md).
    ASSERT_EQ(run("sets:create('Emitter'); sets:create('Active')"), "");
    runFrames(20);
    EXPECT_TRUE(emitterOf("Emitter").getLiveParticles().empty());
    const Orva::Graphics::ParticleEmitter& spread = emitterOf("Active");
    float widest = 0.0f;
    for (const Orva::Graphics::Particle* particle : spread.getLiveParticles()) {
        EXPECT_LE(std::fabs(particle->acceleration.x), spread.randomAcceleration.x);
        EXPECT_LE(std::fabs(particle->acceleration.y), spread.randomAcceleration.y);
        widest = std::max({widest, std::fabs(particle->acceleration.x), std::fabs(particle->acceleration.y)});
    }
    EXPECT_GT(widest, spread.randomAcceleration.x / 2) << "spread, not all at the edge";

    // The update of the first burst, the counts of bursts that do not fit, and the one-shot.
    const auto liveAfterEachUpdate = [&](const char* set, const std::string& setUp, std::size_t updates) {
        EXPECT_EQ(run(std::string("gameObjects:destroyAllObjects(); e = sets:create('") + set +
                      "'):getParticle().Emitter; " + setUp),
                  "");
        std::vector<std::size_t> live;
        pool.onStep = [&](float) { live.push_back(emitterOf(set).getLiveParticles().size()); };
        while (live.size() < updates) {
            runFrames(1);
        }
        pool.onStep = nullptr;
        return live;
    };
    const std::smatch first = quotes("Graphics.ParticleEmitter.EmissionInterval",
                                     R"(([\d.]+) at fixed steps of 0.016 gives the (\d+))")
                                  .at(0);
    const std::vector<std::size_t> waiting =
        liveAfterEachUpdate("Active", "e.EmissionInterval = " + first[1].str(), 40);
    EXPECT_EQ(std::find(waiting.begin(), waiting.end(), 1u) - waiting.begin() + 1, std::stol(first[2]));
    const std::smatch fits = quotes("Graphics.ParticleEmitter.EmissionCount",
                                    R"(budget of (\d+) with bursts of (\d+) gives ([\d, ]+), then no more)")
                                 .at(0);
    std::vector<std::size_t> bursts;
    std::istringstream counts(std::regex_replace(fits[3].str(), std::regex(","), " "));
    for (std::size_t count = 0; counts >> count;) {
        bursts.push_back(count);
    }
    bursts.push_back(bursts.back());
    EXPECT_EQ(liveAfterEachUpdate("Active",
                                  "e.Life = 100; e:setParticleCount(" + fits[1].str() +
                                      "); e.EmissionCount = " + fits[2].str(),
                                  bursts.size()),
              bursts);
    const std::vector<std::size_t> once = liveAfterEachUpdate("OneShot", "", 100);
    EXPECT_EQ(once.front(), 1u);
    EXPECT_EQ(*std::max_element(once.begin(), once.end()), 1u);
    EXPECT_EQ(once.back(), 0u) << "its one particle has died and none came after";
}

} // namespace
