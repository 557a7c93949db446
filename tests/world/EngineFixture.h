#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <ostream>
#include <typeinfo>
#include <vector>

#include "ScratchDirectory.h"
#include "world/AnalyticClock.h"
#include "world/Engine.h"
#include "world/FramerateController.h"
#include "world/GlobalComponentManager.h"
#include "world/IComponentPool.h"
#include "world/ResourceManager.h"

// A pool with no components that records the dt of every fixed step it is given and can
// run the test's own code in a step.
struct CountingPool final : Orva::IComponentPool
{
    std::vector<float> steps;
    std::function<void(float)> onStep;

    void clear() override {}
    const char* getName() const override { return "CountingPool"; }
    int getAllocationCount() const override { return 0; }
    int getHighestCount() const override { return 0; }
    int getFreeCount() const override { return 0; }
    void update(float dt) override
    {
        steps.push_back(dt);
        if (onStep) {
            onStep(dt);
        }
    }
    void free(Orva::BaseComponent*) override {}
    Orva::BaseComponent* allocate() override { return nullptr; }
    bool isType(const std::type_info&) const override { return false; }
    std::ostream& doMemoryDump(std::ostream& out) const override { return out; }
    unsigned getTotalMemoryAllocationCount() const override { return 0; }
};

// An engine started in a scratch folder, with a counting pool in the update list and the
// step state reset. Frames are driven through run with supplied "Engine" times, so nothing
// waits on the clock; a frozen analytics clock moves on by each frame's time.
class EngineTest : public ScratchDirectoryTest
{
protected:
    void SetUp() override
    {
        ScratchDirectoryTest::SetUp();
        Orva::Engine::resetStepState();
        Orva::Resources::ResourceManager::resetDeliveryCounter();
        engine().initializeEngine();
        Orva::GlobalComponentManager::getInstance().getUpdateList().push_back(&pool);
    }

    void TearDown() override
    {
        Orva::Engine::destroy();
        Orva::Debug::FramerateProfiler::stopSupplyingTimes();
        ScratchDirectoryTest::TearDown();
    }

    static Orva::Engine& engine() { return Orva::Engine::getInstance(); }

    // One frame per time, each frame's "Engine" section reading its time.
    static void runFrames(const std::vector<float>& frameTimes)
    {
        std::size_t next = 0;
        engine().run([&] {
            if (next == frameTimes.size()) {
                return false;
            }
            Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, frameTimes[next]);
            Orva::Analytic::AnalyticClock::advance(frameTimes[next]);
            ++next;
            return true;
        });
    }

    static void runFrames(std::size_t count, float frameTime)
    {
        runFrames(std::vector<float>(count, frameTime));
    }

    // Runs 1/60-second frames until the quit flag ends run, handing each fixed step the
    // number of the frame it belongs to (from 1); returns how many frames ran.
    int runUntilExit(const std::function<void(int frame)>& duringStep)
    {
        int frames = 0;
        pool.onStep = [&](float) { duringStep(frames); };
        engine().run([&] {
            ++frames;
            Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, 1.0f / 60.0f);
            return true;
        });
        pool.onStep = nullptr;
        return frames;
    }

    CountingPool pool;
};
