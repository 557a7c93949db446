#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "EngineFixture.h"
#include "core/EventManager.h"
#include "core/ScriptEvents.h"
#include "luabridge/LuaException.h"
#include "world/DataAnalyticManager.h"

namespace {

using Orva::Engine;

std::uint32_t bits(float value)
{
    std::uint32_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    return raw;
}

// "h:m:s" of a wall clock: three numbers of one or two digits, none with a leading zero.
bool isClockText(const std::string& text)
{
    std::istringstream in(text);
    std::string part;
    int parts = 0;
    while (std::getline(in, part, ':')) {
        const bool digits =
            !part.empty() && part.size() <= 2 && part.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || (part.size() == 2 && part[0] == '0')) {
            return false;
        }
        ++parts;
    }
    return parts == 3 && text.back() != ':';
}

// Runs one frame in which the first fixed step throws what `raise` throws; returns what
// reached stderr.
std::string reportOfFrameThrowing(CountingPool& pool, std::function<void()> raise)
{
    pool.onStep = [raise = std::move(raise)](float) { raise(); };
    testing::internal::CaptureStderr();
    Orva::Debug::FramerateProfiler::supplyTime(Engine::FrameSection, 1.0f / 60.0f);
    int frames = 0;
    Engine::getInstance().run([&] { return frames++ == 0; });
    pool.onStep = nullptr;
    return testing::internal::GetCapturedStderr();
}

} // namespace

// The section timing the frame has never been started when the first frame ends it; it must
// measure the first frame (its wait for the 60 fps pace, about 0.017 s), not the clock's
// whole count, or the accumulator asks for millions of steps. A loaded machine may stretch
// that frame past two steps' worth, so the step count is bounded, not exact. Sections live as
// long as the process: this needs one in which no frame ran yet, as under ctest, which runs
// every test in a process of its own.
TEST_F(EngineTest, FirstFrameAfterStartUpMeasuresItselfNotTheClock)
{
    if (Orva::Debug::FramerateProfiler::getDt(Engine::FrameSection) != 0.0f) {
        GTEST_SKIP() << "an earlier test in this process already ran frames";
    }
    int frames = 0;
    engine().run([&] { return frames++ == 0; });
    EXPECT_GE(pool.steps.size(), 1u);
    EXPECT_LT(pool.steps.size(), 7u);
    EXPECT_LT(Orva::Debug::FramerateProfiler::getDt(Engine::FrameSection), 0.1f);
    EXPECT_LT(Engine::getAccumulator(), Engine::FixedStep);
}

TEST_F(EngineTest, TimeScaleTwoRunsTwoDoubleStepsPerSixtiethFrame)
{
    engine().timeScale = 2.0f;
    runFrames(10, 1.0f / 60.0f);
    ASSERT_EQ(pool.steps.size(), 20u);
    for (const float dt : pool.steps) {
        EXPECT_EQ(dt, 0.032f);
    }
}

TEST_F(EngineTest, TimeScaleBelowOneRunsOneScaledStepAndLeavesTheAccumulator)
{
    runFrames({0.01f});
    const float carried = Engine::getAccumulator();
    ASSERT_NE(carried, 0.0f);

    engine().timeScale = 0.5f;
    runFrames({1.0f / 60.0f, 0.2f, 0.001f});
    ASSERT_EQ(pool.steps.size(), 4u);
    for (std::size_t step = 1; step < 4; ++step) {
        EXPECT_EQ(pool.steps[step], 0.008f);
    }
    EXPECT_EQ(bits(Engine::getAccumulator()), bits(carried));

    // Zero and negative scales are "below one" too: one step of that length.
    engine().timeScale = 0.0f;
    runFrames({0.5f});
    engine().timeScale = -1.0f;
    runFrames({0.5f});
    ASSERT_EQ(pool.steps.size(), 6u);
    EXPECT_EQ(pool.steps[4], 0.0f);
    EXPECT_EQ(pool.steps[5], -0.016f);
    EXPECT_EQ(bits(Engine::getAccumulator()), bits(carried));
}

TEST_F(EngineTest, AFrameRunsAtMostItsStepCapAndScalesThatAreNotFiniteStepAsOne)
{
    engine().timeScale = 10.0f;
    runFrames({0.1f});
    EXPECT_EQ(pool.steps.size(), 62u) << "a scale of 10 at 10 frames per second stays under the cap";
    for (const float scale : {3e7f, std::numeric_limits<float>::max()}) {
        pool.steps.clear();
        engine().timeScale = scale;
        runFrames({1.0f / 60.0f});
        EXPECT_EQ(pool.steps.size(), static_cast<std::size_t>(Engine::MaxStepsPerFrame)) << scale;
        EXPECT_EQ(Engine::getAccumulator(), 0.0f) << "emptied at the cap";
    }
    pool.steps.clear();
    engine().timeScale = 1.0f;
    runFrames({5.0f});
    EXPECT_EQ(pool.steps.size(), static_cast<std::size_t>(Engine::MaxStepsPerFrame)) << "a frame of 5 s";
    pool.steps.clear();
    engine().timeScale = std::numeric_limits<float>::infinity();
    runFrames({1.0f / 60.0f});
    engine().timeScale = std::numeric_limits<float>::quiet_NaN();
    runFrames({1.0f / 60.0f});
    EXPECT_EQ(pool.steps, std::vector<float>(2, Engine::FixedStep));
}

TEST_F(EngineTest, ShortFramesStillStepOnceAndDriveTheAccumulatorBelowZero)
{
    const std::vector<float> expected = {-0.006f, -0.012f, -0.018f};
    for (std::size_t frame = 0; frame < expected.size(); ++frame) {
        runFrames({0.01f});
        EXPECT_EQ(pool.steps.size(), frame + 1);
        EXPECT_NEAR(Engine::getAccumulator(), expected[frame], 1e-6f);
    }
    // A long frame then repays the debt: -0.018 + 0.06 = 0.042 asks for two steps.
    runFrames({0.06f});
    EXPECT_EQ(pool.steps.size(), 5u);
    EXPECT_NEAR(Engine::getAccumulator(), 0.010f, 1e-6f);
}

TEST_F(EngineTest, ThrowingListenerIsReportedOnStderrAndInErrorFileThenTheNextFrameRunsFully)
{
    struct Thrower
    {
        Orva::EventCallbackObject callbacks;
        int calls = 0;
        Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
        void handle(Orva::BaseEvent*)
        {
            if (++calls == 1) {
                throw std::runtime_error("boom");
            }
        }
    } thrower;
    auto& events = Orva::EventManager::getInstance();
    const std::uint32_t code = Orva::EventNameDetails::EventToHash("Boom");
    events.ListenToEvent(code, Orva::FunctionHolder(&thrower, &Thrower::handle));
    Orva::Analytic::DataAnalyticManager::getInstance().enableLevelTracking();
    engine().timeScale = 0.5f;

    // Each frame's one fixed step queues one event, dispatched later in the same frame.
    pool.onStep = [&](float) { events.queueEvent(code, Orva::BaseEvent()); };
    testing::internal::CaptureStderr();
    runFrames({0.05f, 0.05f});
    const std::string reported = testing::internal::GetCapturedStderr();

    const std::string expected = "Exception thrown when doing Engine\nError message:boom\n";
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(readFile("error.txt"), expected);
    EXPECT_EQ(thrower.calls, 2);
    EXPECT_EQ(pool.steps.size(), 2u);

    // The slow-frame watch ends the frame, and the failure did not keep the failed frame from
    // it: with both slow times in the ring the mean falls to 0.03 or below after three fast
    // frames, where one slow time alone would take two.
    const auto& records = Orva::Analytic::DataAnalyticManager::getInstance().levelRecord("").performance;
    runFrames({0.016f, 0.016f});
    EXPECT_TRUE(records.empty());
    runFrames({0.016f});
    EXPECT_EQ(records.size(), 1u);
}

TEST_F(EngineTest, ErrorReportsNameTheFailureAndErrorFileKeepsOnlyTheLast)
{
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] { throw 7; }, "Exception thrown when doing Engine\nUnable to access error message.\n"},
        {[] { throw luabridge::LuaException("a/b/Player.lua:12: x"); },
         "Lua Script Error in Player.lua when doing Engine\nLine:12: x"},
        {[] { throw luabridge::LuaException("Enemy.lua:3: nil value"); },
         "Lua Script Error in Enemy.lua when doing Engine\nLine:3: nil value"},
        {[] { throw luabridge::LuaException("scripts\\win/A.lua:1: y"); },
         "Lua Script Error in A.lua when doing Engine\nLine:1: y"},
        // No ".lua": no file, the whole text as the line; nothing after ".lua": empty line.
        {[] { throw luabridge::LuaException("nolua"); },
         "Lua Script Error in  when doing Engine\nLine:nolua"},
        {[] { throw luabridge::LuaException("x.lua"); },
         "Lua Script Error in x.lua when doing Engine\nLine:"},
        {[] { throw luabridge::LuaException("x.lua:"); },
         "Lua Script Error in x.lua when doing Engine\nLine:"},
        {[] { throw luabridge::LuaException(""); }, "Lua Script Error in  when doing Engine\nLine:"},
        {[] { throw Orva::LuaExceptionEvent("class Ghost is missing", 1, "scripts/Ghost.lua"); },
         "class Ghost is missing"},
    };
    for (const auto& [raise, expected] : cases) {
        const bool endsItsLine = expected.back() == '\n';
        EXPECT_EQ(reportOfFrameThrowing(pool, raise), endsItsLine ? expected : expected + "\n")
            << "stderr reports end their line";
        EXPECT_EQ(readFile("error.txt"), expected);
    }
    // The loop went on after every report.
    EXPECT_EQ(pool.steps.size(), cases.size());
}

TEST_F(EngineTest, UnwritableErrorFileStillReportsOnStderr)
{
    std::filesystem::create_directory("error.txt");
    const std::string reported = reportOfFrameThrowing(pool, [] { throw std::logic_error("kept"); });
    EXPECT_EQ(reported, "Exception thrown when doing Engine\nError message:kept\n"
                        "engine: could not write \"error.txt\": Is a directory\n");
}

TEST_F(EngineTest, SlowStretchOpensOnItsFirstFrameAndIsAppendedWhenTheMeanRecovers)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    analytics.enableLevelTracking();
    const auto& records = analytics.levelRecord("").performance;

    // Means: 0.05, 0.05, 0.0387, 0.033, 0.0296 — the fifth frame closes the stretch.
    runFrames({0.05f, 0.05f, 0.016f, 0.016f});
    EXPECT_TRUE(records.empty());
    runFrames({0.016f});
    ASSERT_EQ(records.size(), 1u);
    runFrames(20, 0.016f);
    ASSERT_EQ(records.size(), 1u);

    const auto& record = records.front();
    EXPECT_EQ(record.frameTime, 0.05f);
    EXPECT_GE(record.duration, 0.0f);
    EXPECT_LT(record.duration, 60.0f);
    EXPECT_GT(record.startTime, 0u);
    EXPECT_TRUE(isClockText(record.time)) << record.time;
    EXPECT_NE(record.memDump.find("Memory manager printing"), std::string::npos);
    EXPECT_FALSE(record.loading);
    EXPECT_EQ(record.objectCount, 0u);
}

TEST_F(EngineTest, SlowStretchTakesTheCurrentStageCountersAndTheLoaderState)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    analytics.enableLevelTracking();
    analytics.currentLevelRecord().created = 7;
    analytics.currentLevelRecord().deleted = 3;
    // A request keeps the loader busy until its delivery, on the sixth frame.
    Orva::Resources::ResourceManager::getInstance().requestLoad("missing.png", &analytics);

    runFrames({0.05f});
    runFrames(10, 0.016f);
    const auto& records = analytics.levelRecord("").performance;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.front().objectCreateCount, 7u);
    EXPECT_EQ(records.front().objectDeleteCount, 3u);
    EXPECT_TRUE(records.front().loading);
}

TEST_F(EngineTest, NoSlowFrameRecordWhileLevelTrackingIsOff)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    runFrames(12, 0.05f);
    // The watch did not run at all: nothing was opened that fast frames could now close.
    analytics.enableLevelTracking();
    runFrames(12, 0.016f);
    EXPECT_TRUE(analytics.levelRecord("").performance.empty());
}

TEST_F(EngineTest, ResetStepStateForgetsTheAccumulatorAndAnOpenStretch)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    analytics.enableLevelTracking();
    runFrames(3, 0.05f);
    ASSERT_NE(Engine::getAccumulator(), 0.0f);
    Engine::resetStepState();
    EXPECT_EQ(Engine::getAccumulator(), 0.0f);
    runFrames(12, 0.016f);
    EXPECT_TRUE(analytics.levelRecord("").performance.empty());
}

TEST_F(EngineTest, ExitEndsRunBeforeTheNextFrame)
{
    EXPECT_EQ(runUntilExit([](int frame) {
                  if (frame == 3) {
                      engine().exit();
                  }
              }),
              3);
    EXPECT_TRUE(engine().isQuitting());

    // Once set, the quit flag keeps run from calling the frame function at all.
    int frames = 0;
    engine().run([&] { return ++frames > 0; });
    EXPECT_EQ(frames, 0);
}
