#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "AnalyticsFixture.h"
#include "core/EventManager.h"
#include "window/InputManager.h"
#include "world/ResourceManager.h"

// What each switch lets the engine's subsystems record, driven through whole engine frames.

namespace {

using Orva::Analytic::AnalyticClock;
using Orva::Analytic::DataAnalyticManager;
using Orva::Analytic::KeyData;

// Keeps the keys whose "DataAnalyticKey" events it is handed in the Tapped state.
struct TapProbe
{
    Orva::EventCallbackObject callbacks;
    std::vector<unsigned> tapped;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void handle(Orva::BaseEvent* event) { tapped.push_back(static_cast<Orva::InputEvent*>(event)->key); }
};

struct Counter
{
    Orva::EventCallbackObject callbacks;
    int calls = 0;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void handle(Orva::BaseEvent*) { ++calls; }
};

void expectKey(const KeyData& key, unsigned tapped, unsigned held, float heldTime)
{
    EXPECT_EQ(key.tapped, tapped);
    EXPECT_EQ(key.held, held);
    EXPECT_EQ(key.heldTime, heldTime);
    EXPECT_FALSE(key.holding);
}

TEST_F(AnalyticsTest, AHoldStartsOneFrameAfterTheTapAndOnlyTheLongestIsKept)
{
    analytics().enableInputTracking();
    holdKey(Orva::InputKeys::ORVA_A, 61);
    ASSERT_EQ(analytics().getKeyData().size(), 1u) << "keys that stay up leave no record";
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_A), 1, 1, 1.0f);

    holdKey(Orva::InputKeys::ORVA_A, 11);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_A), 2, 2, 1.0f);

    // Down for a single frame: a tap with no hold.
    holdKey(Orva::InputKeys::ORVA_SPACE, 1);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_SPACE), 1, 0, 0.0f);
}

TEST_F(AnalyticsTest, EveryCodeBelow255IsTiedOnceWhateverTheTimesTrackingIsSwitchedOn)
{
    analytics().enableInputTracking();
    runFrames(1, SixtiethOfASecond);
    analytics().disableInputTracking();
    runFrames(1, SixtiethOfASecond);
    analytics().enableInputTracking();

    TapProbe probe;
    Orva::InputManager::getInstance().listenToInput(DataAnalyticManager::KeyActionName, Orva::ButtonTapped,
                                                    Orva::FunctionHolder(&probe, &TapProbe::handle));
    for (const unsigned char key : {0, 65, 254, 255}) {
        holdKey(key, 1);
    }
    EXPECT_EQ(probe.tapped, (std::vector<unsigned>{0, 65, 254}));
    // A second tie or a second listener would count every tap twice.
    expectKey(analytics().getKeyData().at(254), 1, 0, 0.0f);
    EXPECT_EQ(analytics().getKeyData().count(255), 0u);
}

TEST_F(AnalyticsTest, AnEngineStartedAgainInTheSameProcessTracksKeysAgain)
{
    analytics().enableInputTracking();
    Orva::Engine::destroy();
    engine().initializeEngine();
    analytics().enableInputTracking();
    holdKey(Orva::InputKeys::ORVA_F, 1);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_F), 1, 0, 0.0f);
}

TEST_F(AnalyticsTest, SwitchingInputOffStopsCountingKeepsTheBindingsAndDropsTheOpenHold)
{
    auto& input = Orva::InputManager::getInstance();
    analytics().enableInputTracking();
    Orva::WindowKeyStates[Orva::InputKeys::ORVA_B] = 1;
    runFrames(30, SixtiethOfASecond);
    analytics().disableInputTracking();
    runFrames(30, SixtiethOfASecond);
    Orva::WindowKeyStates[Orva::InputKeys::ORVA_B] = 0;
    holdKey(Orva::InputKeys::ORVA_C, 5);
    EXPECT_EQ(analytics().getKeyData().count(Orva::InputKeys::ORVA_C), 0u);

    TapProbe probe;
    input.listenToInput(DataAnalyticManager::KeyActionName, Orva::ButtonTapped,
                        Orva::FunctionHolder(&probe, &TapProbe::handle));
    holdKey(Orva::InputKeys::ORVA_C, 1);
    EXPECT_EQ(probe.tapped, std::vector<unsigned>{Orva::InputKeys::ORVA_C}) << "the bindings stay";

    // The hold open when tracking stopped is not measured against the new release.
    analytics().enableInputTracking();
    holdKey(Orva::InputKeys::ORVA_B, 7);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_B), 2, 2, 0.1f);
}

TEST_F(AnalyticsTest, SwitchingInputBackAndForthBetweenTwoFramesLeavesTheLastSwitchInForce)
{
    analytics().enableInputTracking();
    analytics().disableInputTracking();
    holdKey(Orva::InputKeys::ORVA_E, 1);
    EXPECT_TRUE(analytics().getKeyData().empty());

    analytics().enableInputTracking();
    runFrames(1, SixtiethOfASecond);
    analytics().disableInputTracking();
    analytics().enableInputTracking();
    holdKey(Orva::InputKeys::ORVA_E, 1);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_E), 1, 0, 0.0f);

    analytics().disableInputTracking();
    analytics().enableInputTracking();
    analytics().disableInputTracking();
    holdKey(Orva::InputKeys::ORVA_E, 1);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_E), 1, 0, 0.0f);
}

TEST_F(AnalyticsTest, SwitchesAllAtOnceAndTheEventSwitchDoesNotCountAsSomethingTracked)
{
    EXPECT_TRUE(analytics().isSomethingNotTracked());
    analytics().enableAll();
    for (const bool* tracked :
         {&analytics().isTrackingInput(), &analytics().isTrackingResource(), &analytics().isTrackingLevel(),
          &analytics().isTrackingEvents(), &analytics().isTrackingCustomData()}) {
        EXPECT_TRUE(*tracked);
    }
    EXPECT_FALSE(analytics().isSomethingNotTracked());
    analytics().disableEventTracking();
    EXPECT_FALSE(analytics().isSomethingNotTracked());

    using Switch = void (DataAnalyticManager::*)();
    const std::vector<std::pair<Switch, Switch>> others = {
        {&DataAnalyticManager::disableInputTracking, &DataAnalyticManager::enableInputTracking},
        {&DataAnalyticManager::disableResourceTracking, &DataAnalyticManager::enableResourceTracking},
        {&DataAnalyticManager::disableLevelTracking, &DataAnalyticManager::enableLevelTracking},
        {&DataAnalyticManager::disableCustomDataTracking, &DataAnalyticManager::enableCustomDataTracking}};
    for (const auto& [off, on] : others) {
        (analytics().*off)();
        EXPECT_TRUE(analytics().isSomethingNotTracked());
        (analytics().*on)();
        EXPECT_FALSE(analytics().isSomethingNotTracked());
    }

    // Input tracking through enableAll listens like enableInputTracking does, and disableAll
    // stops it like disableInputTracking does.
    holdKey(Orva::InputKeys::ORVA_D, 1);
    analytics().disableAll();
    EXPECT_TRUE(analytics().isSomethingNotTracked());
    EXPECT_FALSE(analytics().isTrackingEvents());
    runFrames(1, SixtiethOfASecond);
    holdKey(Orva::InputKeys::ORVA_D, 1);
    expectKey(analytics().getKeyData().at(Orva::InputKeys::ORVA_D), 1, 0, 0.0f);
}

TEST_F(AnalyticsTest, CustomValuesNeedTheSwitchToChangeAndUnknownNamesReadAsFixedValues)
{
    analytics().setIntData("score", 3);
    analytics().incFloatData("speed", 1.0f);
    analytics().setBoolData("won", true);
    EXPECT_EQ(analytics().getIntData("score"), -1);
    EXPECT_EQ(analytics().getFloatData("speed"), -1.0f);
    EXPECT_FALSE(analytics().getBoolData("won"));
    EXPECT_TRUE(analytics().getCustomInts().empty()) << "getters insert nothing";
    EXPECT_TRUE(analytics().getCustomFloats().empty());
    EXPECT_TRUE(analytics().getCustomBools().empty());

    analytics().enableCustomDataTracking();
    analytics().incFloatData("speed", 2.5f);
    analytics().incIntData("deaths", 2);
    analytics().incIntData("deaths", 3);
    analytics().setIntData("max", INT_MAX);
    analytics().incIntData("max", 1);
    analytics().setBoolData("won", true);
    analytics().disableCustomDataTracking();
    analytics().setBoolData("won", false);
    EXPECT_EQ(analytics().getFloatData("speed"), 2.5f);
    EXPECT_EQ(analytics().getIntData("deaths"), 5);
    EXPECT_EQ(analytics().getIntData("max"), INT_MIN) << "integers wrap";
    EXPECT_TRUE(analytics().getBoolData("won")) << "getters work whatever the switch";

    analytics().clearCustomData();
    EXPECT_EQ(analytics().getIntData("deaths"), -1);
    EXPECT_FALSE(analytics().isTrackingCustomData()) << "clearing leaves the switches";
}

TEST_F(AnalyticsTest, StageVisitsKeepTheMostObjectsOfOneVisit)
{
    analytics().stateLoaded("Ignored");
    EXPECT_TRUE(analytics().getLevelData().empty()) << "no stage is entered while levels are not tracked";

    analytics().enableLevelTracking();
    objects().create();
    objects().create();
    EXPECT_EQ(analytics().levelRecord("").created, 2u) << "before any stage: the empty name";

    const auto visit = [](int created, int destroyed) {
        analytics().stateLoaded("Forest");
        std::vector<Orva::GameObject*> made;
        for (int i = 0; i < created; ++i) {
            made.push_back(objects().create());
        }
        for (int i = 0; i < destroyed; ++i) {
            objects().destroy(made[static_cast<std::size_t>(i)]);
        }
    };
    visit(5, 4);
    visit(3, 1);
    const auto& forest = analytics().getLevelData().at("Forest");
    EXPECT_EQ(forest.loadCount, 2u);
    EXPECT_EQ(forest.objectCount, 5u);
    EXPECT_EQ(forest.deleteCount, 4u);
    EXPECT_EQ(forest.created, 3u);
    EXPECT_EQ(forest.deleted, 1u);
    EXPECT_EQ(analytics().getCurrentStage(), "Forest");

    analytics().disableLevelTracking();
    analytics().stateLoaded("Cave");
    objects().create();
    EXPECT_EQ(analytics().getCurrentStage(), "Forest");
    EXPECT_EQ(forest.created, 3u);
}

TEST_F(AnalyticsTest, DeliveredFilesCountUnderTheirPathFromTheLastSlash)
{
    auto& loader = Orva::Resources::ResourceManager::getInstance();
    Orva::Resources::ResourceManager::setResourceDirectory("");
    // The test reads the accepted requests itself (the loader thread may not have run yet);
    // the sixth frame delivers them.
    const auto deliverAll = [&loader](int requests) {
        for (int pass = 0; pass < requests; ++pass) {
            loader.update();
        }
        runFrames(6, SixtiethOfASecond);
        ASSERT_TRUE(loader.isDone());
    };
    Orva::Events::LoadEvent request(&loader);
    request.entries.emplace_back("images/a.png");
    request.entries.emplace_back("b.png");
    loader.loadResource(&request);
    deliverAll(1);
    EXPECT_TRUE(analytics().getResourceData().empty());

    analytics().enableResourceTracking();
    loader.loadResource(&request);
    loader.requestLoad("more/images/a.png", &loader);
    deliverAll(2);
    EXPECT_EQ(analytics().getResourceData(), (DataAnalyticManager::ResourceMap{{"/a.png", 2}, {"b.png", 1}}));

    for (const auto& [path, key] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"dir/", "/"}, {"/root.txt", "/root.txt"}, {"win\\style.png", "win\\style.png"}}) {
        EXPECT_EQ(DataAnalyticManager::resourceKey(path), key);
    }
}

TEST_F(AnalyticsTest, AnEventCountsOnceWhenQueuedAndOnceWhenDeliveredWhateverItsListeners)
{
    auto& events = Orva::EventManager::getInstance();
    const std::uint32_t code = Orva::EventNameDetails::EventToHash("Explosion");
    analytics().enableEventTracking();
    events.queueEvent(code, Orva::BaseEvent());
    Orva::EventManager::PushAllEvents();
    EXPECT_TRUE(analytics().getEventData().empty()) << "dropped for want of listeners";

    Counter first;
    Counter second;
    events.ListenToEvent(code, Orva::FunctionHolder(&first, &Counter::handle));
    events.ListenToEvent(code, Orva::FunctionHolder(&second, &Counter::handle));
    events.queueEvent(code, Orva::BaseEvent());
    runFrames(1, SixtiethOfASecond);
    EXPECT_EQ(first.calls + second.calls, 2);
    const auto& record = analytics().getEventData().at("Explosion");
    EXPECT_EQ(record.pushCount, 1u);
    EXPECT_EQ(record.sendCount, 1u);
}

TEST_F(AnalyticsTest, AFrameRateDropLastsFromTheFrameThatOpenedItToTheFrameThatClosedIt)
{
    analytics().enableLevelTracking();
    analytics().stateLoaded("Swamp");
    objects().create();
    // Means: 0.05 five times, then 0.0443, 0.0403, 0.0373, 0.0349, 0.033 and 0.0296, which
    // closes the drop ten frames after the one that opened it.
    runFrames(5, 0.05f);
    runFrames(5, 0.016f);
    EXPECT_TRUE(analytics().getLevelData().at("Swamp").performance.empty());
    runFrames(1, 0.016f);
    runFrames(20, 0.016f);

    const auto& drops = analytics().getLevelData().at("Swamp").performance;
    ASSERT_EQ(drops.size(), 1u);
    const Orva::Analytic::PerformanceData& drop = drops.front();
    EXPECT_EQ(drop.startTime, StartTicks + AnalyticClock::TicksPerSecond / 20);
    EXPECT_NEAR(drop.duration, 4 * 0.05 + 6 * 0.016, 1e-6);
    EXPECT_EQ(drop.time, "9:8:9");
    EXPECT_EQ(drop.frameTime, 0.05f);
    EXPECT_EQ(drop.objectCount, 1u);
    EXPECT_EQ(drop.objectCreateCount, 1u);

    const std::string report = Orva::Analytic::reportText(analytics());
    const std::string line = "\t\t\t<perf fps=\"20\" time=\"9:8:9\" duration=\"0.296\" objectCount=\"1\" "
                             "objectCreateCount=\"1\" objectDeleteCount=\"0\" loading=\"0\" memDump=\"";
    EXPECT_NE(report.find(line), std::string::npos) << report;
}

TEST_F(AnalyticsTest, AnOpenDropOutlivesClearAllAndClosesIntoTheStageCurrentThen)
{
    analytics().enableAll();
    analytics().stateLoaded("Desert");
    runFrames(3, 0.05f);
    analytics().clearAll();
    EXPECT_TRUE(analytics().getLevelData().empty());
    analytics().stateLoaded("Harbour");
    runFrames(10, 0.016f);

    ASSERT_EQ(analytics().getLevelData().count("Desert"), 0u);
    const auto& drops = analytics().getLevelData().at("Harbour").performance;
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops.front().frameTime, 0.05f);
    // The mean falls to 0.03 or below with the fifth fast frame.
    EXPECT_NEAR(drops.front().duration, 2 * 0.05 + 5 * 0.016, 1e-6);
}

TEST_F(AnalyticsTest, TheReportKeepsItsFirstHundredDropsAndCountsTheRestUnderTheirStage)
{
    analytics().enableLevelTracking();
    for (const auto& [stage, stretches] : {std::pair{"Swamp", 98}, std::pair{"Harbour", 5}}) {
        analytics().stateLoaded(stage);
        for (int stretch = 0; stretch < stretches; ++stretch) {
            runFrames(10, 0.05f);
            runFrames(10, 0.016f);
        }
    }
    EXPECT_EQ(analytics().getLevelData().at("Harbour").performance.size(), 2u);
    const std::string report = Orva::Analytic::reportText(analytics());
    EXPECT_NE(report.find("<stage value=\"Harbour\" loadCount=\"1\" objectCount=\"0\" deleteCount=\"0\" "
                          "perfNotKept=\"3\">"),
              std::string::npos);
    EXPECT_NE(report.find("<stage value=\"Swamp\" loadCount=\"1\" objectCount=\"0\" deleteCount=\"0\">"),
              std::string::npos)
        << "no count below the bound";
}

} // namespace
