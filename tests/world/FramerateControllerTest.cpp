#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "world/FramerateController.h"

namespace {

using Orva::FramerateController;
using Orva::Debug::FramerateProfiler;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

float secondsOf(Clock::duration duration)
{
    return std::chrono::duration<float>(duration).count();
}

// Seconds that controller.end() took.
float timeEnd(FramerateController& controller)
{
    const auto before = Clock::now();
    controller.end();
    return secondsOf(Clock::now() - before);
}

class FramerateTest : public ::testing::Test
{
protected:
    void TearDown() override { FramerateProfiler::stopSupplyingTimes(); }
};

} // namespace

TEST_F(FramerateTest, TargetFrameTimeIsComputedInSinglePrecision)
{
    EXPECT_EQ(FramerateController().getTargetFrameTime(), 0.016666668f);
    EXPECT_EQ(FramerateController(30).getTargetFrameTime(), 1.0f / 30.0f);
}

// Frames of 0.2 s, told apart at half a frame: a loaded machine may take the processor away
// for tens of milliseconds between any two lines.
TEST_F(FramerateTest, EndWaitsOutTheFrameButNotAFrameThatIsAlreadyLate)
{
    FramerateController controller(5);
    controller.start();
    EXPECT_GE(timeEnd(controller), 0.1f);

    controller.start();
    std::this_thread::sleep_for(250ms);
    EXPECT_LT(timeEnd(controller), 0.1f);

    // end() begins the next frame: a second end() right away waits a whole frame again.
    EXPECT_GE(timeEnd(controller), 0.1f);
}

TEST_F(FramerateTest, UnknownSectionReadsZeroAndAnEndBeforeAnyStartMeasuresNearlyNothing)
{
    // Sections live as long as the process: fresh names for every repetition.
    static int run = 0;
    const std::string suffix = std::to_string(++run);

    EXPECT_EQ(FramerateProfiler::getDt("never used " + suffix), 0.0f);
    EXPECT_EQ(FramerateProfiler::getDt("never used " + suffix), 0.0f);

    FramerateProfiler::start("started only " + suffix);
    EXPECT_EQ(FramerateProfiler::getDt("started only " + suffix), 0.0f);

    FramerateProfiler::end("ended first " + suffix);
    EXPECT_LT(FramerateProfiler::getDt("ended first " + suffix), 1.0f);
}

TEST_F(FramerateTest, SectionMeasuresFromItsStartAndNamesTheCurrentSection)
{
    FramerateProfiler::start("load");
    EXPECT_EQ(FramerateProfiler::getCurrentProfiling(), "load");
    std::this_thread::sleep_for(20ms);
    FramerateProfiler::end("load");
    const float measured = FramerateProfiler::getDt("load");
    EXPECT_GE(measured, 0.019f);
    EXPECT_LT(measured, 2.0f);

    // Ending again measures from the same start; ending does not change the current name.
    FramerateProfiler::start("other");
    std::this_thread::sleep_for(5ms);
    FramerateProfiler::end("load");
    EXPECT_GT(FramerateProfiler::getDt("load"), measured);
    EXPECT_EQ(FramerateProfiler::getCurrentProfiling(), "other");
}

TEST_F(FramerateTest, SuppliedTimesReplaceTheClockAndStopTheWait)
{
    FramerateProfiler::supplyTime("frame", 0.25f);
    EXPECT_TRUE(FramerateProfiler::isSupplyingTimes());
    EXPECT_EQ(FramerateProfiler::getDt("frame"), 0.25f);

    FramerateProfiler::start("frame");
    FramerateProfiler::end("frame");
    EXPECT_EQ(FramerateProfiler::getDt("frame"), 0.25f);
    FramerateProfiler::supplyTime("frame", 0.5f);
    EXPECT_EQ(FramerateProfiler::getDt("frame"), 0.5f);

    FramerateController slow(1);
    slow.start();
    EXPECT_LT(timeEnd(slow), 0.5f);

    // Back to the clock: the last recorded time stays until the next end().
    FramerateProfiler::stopSupplyingTimes();
    EXPECT_FALSE(FramerateProfiler::isSupplyingTimes());
    EXPECT_EQ(FramerateProfiler::getDt("frame"), 0.25f);
    FramerateProfiler::start("frame");
    FramerateProfiler::end("frame");
    EXPECT_LT(FramerateProfiler::getDt("frame"), 0.1f);
    FramerateController waiting(20);
    waiting.start();
    EXPECT_GE(timeEnd(waiting), 0.04f);
}
