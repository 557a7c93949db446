#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

#include "actions/ActionContainers.h"
#include "actions/ActionTween.h"
#include "actions/LeafActions.h"
#include "core/PoolFixture.h"

namespace {

using namespace Orva::Actions;

constexpr float Step = 0.016f;

// An action that counts its steps and its deletion, runs a hook in its step, and finishes
// when told to.
struct Probe final : ActionBase
{
    struct Record
    {
        int steps = 0;
        int deleted = 0;
    };

    explicit Probe(Record& record, bool finishes = false) : record(record), finishes(finishes) {}
    ~Probe() override { ++record.deleted; }

    bool update(float) override
    {
        ++record.steps;
        if (onStep) {
            onStep();
        }
        done = finishes;
        return finishes;
    }
    ActionBase* clone() const override { return new Probe(record, finishes); }
    ActionBase* reversedCopy() const override { return nullptr; }

    Record& record;
    bool finishes;
    std::function<void()> onStep;
};

// The step on which the action first reports finished; 0 when not within the limit.
int finishingStep(ActionBase& action, int limit = 1000)
{
    for (int step = 1; step <= limit; ++step) {
        if (action.update(Step)) {
            return step;
        }
    }
    return 0;
}

using ActionContainerTest = PooledTest;

TEST_F(ActionContainerTest, DelaysAndSequencesKeepTheirSteps)
{
    ActionDelay delay(0.1f);
    EXPECT_EQ(finishingStep(delay), 7);

    ActionSequence sequence;
    sequence.delay(0.1f)->delay(0.1f);
    EXPECT_EQ(finishingStep(sequence), 14) << "the second delay starts the step after the first ended";

    ActionSequence empty;
    empty.repeatAlways();
    EXPECT_TRUE(empty.update(Step)) << "looping nothing finishes at once";
}

TEST_F(ActionContainerTest, RepeatsCloneThePassPresent)
{
    ActionSequence sequence;
    sequence.delay(1.0f)->delay(2.0f)->delay(3.0f);
    sequence.repeatAction(0);
    sequence.repeatAction(-1);
    EXPECT_EQ(sequence.getChildren().size(), 3u);
    sequence.repeatAction(2);
    EXPECT_EQ(sequence.getChildren().size(), 9u);
    EXPECT_EQ(static_cast<ActionDelay*>(sequence.getChildren().back())->duration, 3.0f);

    Probe::Record record;
    ActionSequence loop;
    loop.addAction(new Probe(record, true));
    loop.repeatAlways()->repeatAlways();
    for (int step = 0; step < 10; ++step) {
        EXPECT_FALSE(loop.update(Step));
    }
    EXPECT_EQ(record.steps, 10) << "refilled from the prototype each time it runs empty";
}

TEST_F(ActionContainerTest, DestroyCallsSpareTheRunningFront)
{
    Probe::Record front;
    Probe::Record rest;
    ActionSequence sequence;
    sequence.addAction(new Probe(front));
    sequence.addAction(new Probe(rest))->addAction(new Probe(rest));
    sequence.update(Step);
    sequence.destroyOneAction(5);
    sequence.destroyOneAction(-1);
    EXPECT_EQ(sequence.getChildren().size(), 3u);
    sequence.destroyAllActions();
    EXPECT_EQ(rest.deleted, 2);
    EXPECT_EQ(front.deleted, 0);
    EXPECT_TRUE(sequence.update(Step)) << "the marked front is dropped at the next step";
    EXPECT_EQ(front.steps, 1) << "without another update";
    EXPECT_EQ(front.deleted, 1);

    Probe::Record child;
    ActionGroup group;
    group.addAction(new Probe(child))->addAction(new Probe(child));
    group.destroyOneAction(1);
    EXPECT_FALSE(group.update(Step));
    EXPECT_EQ(child.steps, 1);
    group.destroyAllActions();
    EXPECT_TRUE(group.update(Step));
    EXPECT_EQ(child.deleted, 0) << "a group keeps its finished children";
}

TEST_F(ActionContainerTest, ReversedGroupRunsByTweensBackAndToTweensOnce)
{
    float by = 0.0f;
    float to = 0.0f;
    ActionGroup group;
    group.addAction(new ActionTweenByLinear<float>(&by, 4.0f, 0.01f));
    group.addAction(new ActionTweenToLinear<float>(&to, 10.0f, 0.01f));
    group.reverse();
    const auto& children = group.getChildren();
    const ActionBase& first = *children[0];
    ASSERT_EQ(typeid(first), typeid(ActionSequence));
    EXPECT_EQ(static_cast<ActionSequence*>(children[0])->getChildren().size(), 2u);
    EXPECT_EQ(static_cast<ActionSequence*>(children[1])->getChildren().size(), 1u);
    EXPECT_EQ(finishingStep(group), 2) << "one step forward, one back";
    EXPECT_EQ(by, 0.0f);
    EXPECT_EQ(to, 10.0f);

    ActionSequence sequence;
    sequence.delay(1.0f)->addAction(new ActionTweenToLinear<float>(&to, 0.0f, 1.0f));
    sequence.reverse();
    ASSERT_EQ(sequence.getChildren().size(), 3u);
    EXPECT_EQ(static_cast<ActionSequence*>(sequence.getChildren().back())->getChildren().size(), 1u)
        << "the To tween has no reverse";
}

// Children a child adds to its own running group start at the next step; the walk survives
// the vector moving (ASan runs this).
TEST_F(ActionContainerTest, ChildAddingToItsOwnGroup)
{
    Probe::Record record;
    ActionGroup group;
    auto* probe = new Probe(record, true);
    probe->onStep = [&] {
        for (int i = 0; i < 100; ++i) {
            group.delay(0.0f);
        }
    };
    group.addAction(probe);
    EXPECT_FALSE(group.update(Step)) << "the delays added have not run yet";
    EXPECT_EQ(group.getChildren().size(), 101u);
    EXPECT_TRUE(group.update(Step));
}

// A front appending to its own sequence moves the list while it runs: the front is still the
// one dropped, and the children appended follow in order (ASan runs this).
TEST_F(ActionContainerTest, FrontAppendingToItsOwnSequence)
{
    Probe::Record first;
    Probe::Record appended;
    ActionSequence sequence;
    auto* front = new Probe(first, true);
    front->onStep = [&] {
        for (int i = 0; i < 10; ++i) {
            sequence.addAction(new Probe(appended, true));
        }
    };
    sequence.addAction(front)->delay(0.0f);
    EXPECT_FALSE(sequence.update(Step));
    EXPECT_EQ(first.deleted, 1);
    EXPECT_EQ(sequence.getChildren().size(), 11u) << "the delay and the ten appended";
    EXPECT_EQ(finishingStep(sequence), 11);
    EXPECT_EQ(appended.steps, 10);
    EXPECT_EQ(appended.deleted, 10);
}

// The containers' list keeps its order whether the actions lie in its own room or in a
// block, as fronts are dropped and room is reused.
TEST_F(ActionContainerTest, ListKeepsItsOrderAsItGrowsDropsFrontsAndReusesRoom)
{
    Probe::Record record;
    std::vector<std::unique_ptr<Probe>> actions;
    for (int i = 0; i < 12; ++i) {
        actions.push_back(std::make_unique<Probe>(record));
    }
    const auto contents = [&](const ActionList& list) {
        std::vector<int> found;
        for (const ActionBase* action : list) {
            for (std::size_t i = 0; i < actions.size(); ++i) {
                if (actions[i].get() == action) {
                    found.push_back(static_cast<int>(i));
                }
            }
        }
        return found;
    };
    ActionList list;
    for (int i = 0; i < 4; ++i) {
        list.push_back(actions[i].get());
    }
    list.pop_front();
    list.pop_front();
    list.pop_front();
    list.push_back(actions[4].get());
    EXPECT_EQ(contents(list), (std::vector<int>{3, 4})) << "the room before the front is reused";
    for (int i = 5; i < 12; ++i) {
        list.push_back(actions[i].get());
    }
    list.erase(1);
    EXPECT_EQ(contents(list), (std::vector<int>{3, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(list.front(), actions[3].get());
    EXPECT_EQ(list.back(), actions[11].get());

    ActionList other;
    other.push_back(actions[0].get());
    list.swap(other);
    EXPECT_EQ(contents(list), (std::vector<int>{0}));
    EXPECT_EQ(contents(other), (std::vector<int>{3, 5, 6, 7, 8, 9, 10, 11}));
    while (!other.empty()) {
        other.pop_front();
    }
    other.push_back(actions[1].get());
    EXPECT_EQ(contents(other), (std::vector<int>{1}));
    EXPECT_EQ(record.deleted, 0) << "a list deletes nothing";
}

} // namespace
