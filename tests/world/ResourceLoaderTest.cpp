#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ScratchDirectory.h"
#include "WaitLimit.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/MemoryPoolManager.h"
#include "world/DataAnalyticManager.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

namespace {

using Orva::Events::LoadEvent;
using Orva::Resources::ResourceManager;

// A requester: keeps the replies addressed to it, and notes every reply it sees in a log
// shared with the other requesters.
struct Requester
{
    explicit Requester(std::vector<const Requester*>* log = nullptr) : log(log) {}

    Orva::EventCallbackObject callbacks;
    std::vector<LoadEvent> replies;
    std::vector<const Requester*>* log;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }

    void onComplete(Orva::BaseEvent* event)
    {
        const auto& reply = static_cast<const LoadEvent&>(*event);
        if (reply.sender != this) {
            return;
        }
        replies.push_back(reply);
        if (log) {
            log->push_back(this);
        }
    }

    void listen()
    {
        Orva::EventManager::getInstance().ListenToEvent("OnResourceLoadComplete",
                                                        Orva::FunctionHolder(this, &Requester::onComplete));
    }
};

// The memory pools, the event manager, analytics and the loader, as the engine makes them,
// over a scratch resource directory.
class ResourceLoaderTest : public ScratchDirectoryTest
{
protected:
    void SetUp() override
    {
        ScratchDirectoryTest::SetUp();
        Orva::MemoryPoolManager::createInstance();
        Orva::EventManager::createInstance();
        Orva::Analytic::DataAnalyticManager::createInstance();
        ResourceManager::setResourceDirectory(resources() + "/");
        ResourceManager::resetDeliveryCounter();
        ResourceManager::createInstance();
        requester = std::make_unique<Requester>();
        requester->listen();
    }

    void TearDown() override
    {
        // Its subscription record is pooled memory.
        requester.reset();
        ResourceManager::destroyInstance();
        Orva::EventManager::destroyInstance();
        Orva::Analytic::DataAnalyticManager::destroyInstance();
        Orva::MemoryPoolManager::destroyInstance();
        ResourceManager::setResourceDirectory("../resources/");
        ScratchDirectoryTest::TearDown();
    }

    std::string resources() const { return (root() / "resources").string(); }

    static ResourceManager& loader() { return ResourceManager::getInstance(); }

    // Queues a request under "LoadResource"; the next dispatch hands it to the loader.
    static void request(void* sender, const std::vector<std::string>& paths, void* requestId = nullptr)
    {
        LoadEvent event(sender, requestId);
        int tag = 0;
        for (const std::string& path : paths) {
            event.entries.emplace_back(path, tag++);
        }
        Orva::EventManager::getInstance().queueEvent(Orva::EventNameDetails::EventToHash("LoadResource"),
                                                     event);
    }

    static void dispatch() { Orva::EventManager::PushAllEvents(); }

    // Every loader pass reads one accepted request, so n passes (by the test or by the
    // loader thread) finish n accepted requests.
    static void readAccepted(int requests)
    {
        for (int pass = 0; pass < requests; ++pass) {
            loader().update();
        }
    }

    // One frame's share of delivery, as the engine's frame step runs it.
    static void deliveryFrame()
    {
        loader().sendAllEvents();
        dispatch();
    }

    static void deliveryFrames(int count)
    {
        for (int frame = 0; frame < count; ++frame) {
            deliveryFrame();
        }
    }

    std::unique_ptr<Requester> requester;
};

} // namespace

TEST_F(ResourceLoaderTest, TwelveFinishedRequestsArriveFiveFiveTwoOnCallsSixTwelveAndEighteen)
{
    for (int index = 0; index < 12; ++index) {
        writeFile(root() / "resources" / ("f" + std::to_string(index)), std::to_string(index));
        request(requester.get(), {"f" + std::to_string(index)});
    }
    dispatch();
    readAccepted(12);
    EXPECT_EQ(loader().getMaxLoadCount(), 12u);

    std::vector<std::size_t> arrived;
    for (int call = 1; call <= 18; ++call) {
        deliveryFrame();
        arrived.push_back(requester->replies.size());
    }
    const std::vector<std::size_t> expected = {0, 0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 10, 10, 10, 10, 10, 10, 12};
    EXPECT_EQ(arrived, expected);
    ASSERT_EQ(requester->replies.size(), 12u);
    for (int index = 0; index < 12; ++index) {
        EXPECT_EQ(requester->replies[index].entries.at(0).contents, std::to_string(index));
    }
    EXPECT_EQ(loader().getLoadCount(), 12u);
    EXPECT_TRUE(loader().isDone());
}

TEST_F(ResourceLoaderTest, ReplyCarriesTheRequestWithFullPathsContentsAndTags)
{
    writeFile(root() / "resources" / "a.txt", "alpha");
    writeFile(root() / "resources" / "b.bin", std::string("\0b", 2));
    int marker = 0;
    // An empty path names the resource directory itself: no file to read.
    request(requester.get(), {"a.txt", "missing.txt", "b.bin", ""}, &marker);
    dispatch();
    readAccepted(1);
    deliveryFrames(6);

    ASSERT_EQ(requester->replies.size(), 1u);
    const LoadEvent& reply = requester->replies.front();
    EXPECT_EQ(reply.requestId, &marker);
    EXPECT_EQ(reply.hashCode, Orva::EventNameDetails::EventToHash("OnResourceLoadComplete"));
    ASSERT_EQ(reply.entries.size(), 4u);
    EXPECT_EQ(reply.entries[0].path, resources() + "/a.txt");
    EXPECT_EQ(reply.entries[0].contents, "alpha");
    EXPECT_EQ(reply.entries[1].contents, "");
    EXPECT_EQ(reply.entries[2].contents, std::string("\0b", 2));
    EXPECT_EQ(reply.entries[2].tag, 2);
    EXPECT_EQ(reply.entries[3].path, resources() + "/");
    EXPECT_EQ(reply.entries[3].contents, "");
    // The missing file and the directory count as delivered like the others.
    EXPECT_EQ(loader().getLoadCount(), 4u);
    EXPECT_EQ(loader().getMaxLoadCount(), 4u);
    EXPECT_TRUE(loader().isDone());
}

TEST_F(ResourceLoaderTest, BackslashesInRequestedPathsBecomeSlashes)
{
    std::filesystem::create_directory(root() / "resources" / "sub");
    writeFile(root() / "resources" / "sub" / "file.txt", "inside");
    request(requester.get(), {"sub\\file.txt"});
    dispatch();
    readAccepted(1);
    deliveryFrames(6);
    ASSERT_EQ(requester->replies.size(), 1u);
    EXPECT_EQ(requester->replies[0].entries[0].path, resources() + "/sub/file.txt");
    EXPECT_EQ(requester->replies[0].entries[0].contents, "inside");
}

TEST_F(ResourceLoaderTest, RepliesComeInAcceptanceOrderAndEachRequesterKeepsItsOwn)
{
    std::vector<const Requester*> log;
    Requester first(&log);
    Requester second(&log);
    first.listen();
    second.listen();
    writeFile(root() / "resources" / "one", "1");
    writeFile(root() / "resources" / "two", "2");
    request(&second, {"two"});
    request(&first, {"one"});
    request(&second, {"one"});
    dispatch();
    readAccepted(3);
    deliveryFrames(6);

    EXPECT_EQ(log, (std::vector<const Requester*>{&second, &first, &second}));
    ASSERT_EQ(first.replies.size(), 1u);
    EXPECT_EQ(first.replies[0].entries[0].contents, "1");
    ASSERT_EQ(second.replies.size(), 2u);
    EXPECT_EQ(second.replies[0].entries[0].contents, "2");
    EXPECT_EQ(second.replies[1].entries[0].contents, "1");
    EXPECT_TRUE(requester->replies.empty());
}

TEST_F(ResourceLoaderTest, ProgressIsOneBeforeAnyRequestThenTheDeliveredShare)
{
    EXPECT_TRUE(loader().isDone());
    EXPECT_EQ(loader().getLoadPercentage(), 1.0f);

    for (int index = 0; index < 6; ++index) {
        request(requester.get(), {"missing"});
    }
    dispatch();
    EXPECT_FALSE(loader().isDone());
    EXPECT_EQ(loader().getLoadPercentage(), 0.0f);
    readAccepted(6);
    deliveryFrames(6);
    EXPECT_FALSE(loader().isDone());
    EXPECT_EQ(loader().getLoadPercentage(), 5.0f / 6.0f);
    deliveryFrames(6);
    EXPECT_TRUE(loader().isDone());
    EXPECT_EQ(loader().getLoadPercentage(), 1.0f);
}

TEST_F(ResourceLoaderTest, EmptyRequestMovesThroughWithoutCountingAndNeverDividesByZero)
{
    for (int round = 0; round < 200; ++round) {
        LoadEvent empty(requester.get());
        loader().loadResource(&empty);
        // Either still outstanding (0) or already taken by the loader (done, 1).
        const float share = loader().getLoadPercentage();
        ASSERT_FALSE(std::isnan(share));
        ASSERT_TRUE(share == 0.0f || share == 1.0f) << share;
    }
    readAccepted(200);
    EXPECT_TRUE(loader().isDone());
    deliveryFrames(6 * 40);
    EXPECT_EQ(requester->replies.size(), 200u);
    EXPECT_EQ(loader().getLoadCount(), 0u);
    EXPECT_EQ(loader().getMaxLoadCount(), 0u);
}

TEST_F(ResourceLoaderTest, RequestLoadIsAcceptedAtOnceWithoutADispatch)
{
    writeFile(root() / "resources" / "set.action", "<set/>");
    loader().requestLoad("set.action", requester.get());
    EXPECT_EQ(loader().getMaxLoadCount(), 1u);
    readAccepted(1);
    deliveryFrames(6);
    ASSERT_EQ(requester->replies.size(), 1u);
    EXPECT_EQ(requester->replies[0].requestId, nullptr);
    EXPECT_EQ(requester->replies[0].entries[0].tag, 0);
    EXPECT_EQ(requester->replies[0].entries[0].contents, "<set/>");
}

TEST_F(ResourceLoaderTest, OtherEventsUnderTheRequestNameAreIgnored)
{
    Orva::EventManager::getInstance().queueEvent(Orva::EventNameDetails::EventToHash("LoadResource"),
                                                 Orva::BaseEvent());
    dispatch();
    EXPECT_EQ(loader().getMaxLoadCount(), 0u);
    EXPECT_TRUE(loader().isDone());
}

TEST_F(ResourceLoaderTest, UnheardRepliesAreDroppedButCounted)
{
    requester->callbacks.clearEvents();
    dispatch();
    request(requester.get(), {"missing"});
    dispatch();
    readAccepted(1);
    deliveryFrames(6);
    EXPECT_TRUE(requester->replies.empty());
    EXPECT_EQ(loader().getLoadCount(), 1u);
    EXPECT_TRUE(loader().isDone());
}

TEST_F(ResourceLoaderTest, DeliveriesAreCountedUnderTheFileNameFromTheLastSlash)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    request(requester.get(), {"textures/hero.png"});
    dispatch();
    readAccepted(1);
    deliveryFrames(6);
    EXPECT_TRUE(analytics.getResourceData().empty()) << "resource tracking is off";

    analytics.enableResourceTracking();
    request(requester.get(), {"textures/hero.png", "sounds\\boom.wav"});
    request(requester.get(), {"hero.png"});
    dispatch();
    readAccepted(2);
    // With no directory at all, a path without any slash is its own key.
    ResourceManager::setResourceDirectory("");
    request(requester.get(), {"plain.txt"});
    dispatch();
    readAccepted(1);
    deliveryFrames(6);
    const auto expected = Orva::Analytic::DataAnalyticManager::ResourceMap{
        {"/boom.wav", 1}, {"/hero.png", 2}, {"plain.txt", 1}};
    EXPECT_EQ(analytics.getResourceData(), expected);
}

TEST_F(ResourceLoaderTest, DestroyingTheLoaderWithRequestsPendingJoinsItsThread)
{
    writeFile(root() / "resources" / "big", std::string(1 << 20, 'x'));
    for (int index = 0; index < 64; ++index) {
        request(requester.get(), {"big", "big"});
    }
    dispatch();
    EXPECT_FALSE(loader().isDone());
    ResourceManager::destroyInstance();
    EXPECT_FALSE(ResourceManager::hasInstance());

    // The listener went with it: a later request reaches nobody.
    request(requester.get(), {"big"});
    dispatch();
}

// Requests flow while the main thread polls the progress every frame, as a loading screen
// does; under the thread sanitizer this checks every shared read and write.
TEST_F(ResourceLoaderTest, ProgressPolledEveryFrameWhileRequestsFlow)
{
    constexpr int Requests = 40;
    for (int index = 0; index < Requests; ++index) {
        writeFile(root() / "resources" / ("r" + std::to_string(index)), std::string(1000 + index, 'r'));
    }
    int frame = 0;
    const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
    while (requester->replies.size() < static_cast<std::size_t>(Requests) &&
           std::chrono::steady_clock::now() < deadline) {
        if (frame < Requests) {
            request(requester.get(), {"r" + std::to_string(frame)});
        }
        deliveryFrame();
        const bool done = loader().isDone();
        const float share = loader().getLoadPercentage();
        ASSERT_GE(share, 0.0f);
        ASSERT_LE(share, 1.0f);
        // Only the main thread accepts requests, so a done loader stays done until then.
        if (done) {
            ASSERT_EQ(share, 1.0f);
        }
        ++frame;
        std::this_thread::yield();
    }
    ASSERT_EQ(requester->replies.size(), static_cast<std::size_t>(Requests));
    for (int index = 0; index < Requests; ++index) {
        EXPECT_EQ(requester->replies[index].entries[0].contents.size(),
                  static_cast<std::size_t>(1000 + index));
    }
    EXPECT_TRUE(loader().isDone());
    EXPECT_EQ(loader().getLoadPercentage(), 1.0f);
}
