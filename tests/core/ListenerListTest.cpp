#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "PoolFixture.h"
#include "core/ListenerList.h"
#include "core/SwapRemove.h"

namespace {

struct Owner
{
    Orva::EventCallbackObject callbacks;
    std::vector<char>* log;
    char name;
    std::function<void()> onCall;

    Owner(std::vector<char>& log, char name) : log(&log), name(name) {}
    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void call(Orva::BaseEvent*)
    {
        log->push_back(name);
        if (onCall) {
            onCall();
        }
    }
    Orva::FunctionHolder holder() { return Orva::FunctionHolder(this, &Owner::call); }
};

using Listeners = Orva::ListenerList<int, Orva::FunctionHolder>;

class ListenerLists : public PooledTest
{
protected:
    // One dispatch of a key, the way a sender runs it.
    void dispatch(Listeners& list, int key)
    {
        list.mergePending();
        list.applyRemovals();
        list.forEach(key, [](Orva::FunctionHolder& holder) { holder->call(nullptr); });
    }

    std::vector<char> log;
};

} // namespace

TEST_F(ListenerLists, ChangesMadeInsideACallWaitAndTheLastListenerFillsARemovedPlace)
{
    Listeners list;
    Owner a(log, 'a'), b(log, 'b'), c(log, 'c'), d(log, 'd');
    list.add(1, a.holder());
    list.add(1, b.holder());
    list.add(1, c.holder());
    a.onCall = [&] {
        list.add(1, d.holder());
        list.remove(1, &b.callbacks);
        a.onCall = nullptr;
    };
    dispatch(list, 1);
    EXPECT_EQ(log, (std::vector<char>{'a', 'b', 'c'})) << "a removed listener hears the rest of the dispatch";

    log.clear();
    dispatch(list, 1);
    EXPECT_EQ(log, (std::vector<char>{'a', 'd', 'c'})) << "merged first, then the newest fills b's place";
}

TEST_F(ListenerLists, AnOwnerDestroyedInsideACallIsNotCalledAgainUnderAnyKey)
{
    Listeners list;
    Owner killer(log, 'k');
    auto victim = std::make_unique<Owner>(log, 'v');
    list.add(1, killer.holder());
    list.add(1, victim->holder());
    list.add(2, victim->holder());
    list.mergePending();
    killer.onCall = [&] {
        if (victim) {
            // What the victim's record does as it goes: a removal per subscription, then the news.
            list.remove(1, &victim->callbacks);
            list.remove(2, &victim->callbacks);
            list.ownerDestroyed(&victim->callbacks);
            victim.reset();
        }
    };
    list.forEach(1, [](Orva::FunctionHolder& holder) { holder->call(nullptr); });
    list.forEach(2, [](Orva::FunctionHolder& holder) { holder->call(nullptr); });
    EXPECT_EQ(log, std::vector<char>{'k'});

    list.applyRemovals();
    EXPECT_EQ(list.live(1)->size(), 1u);
    EXPECT_TRUE(list.live(2)->empty());
}

TEST_F(ListenerLists, ANewOwnerAtADeadOwnersAddressKeepsItsListener)
{
    Listeners list;
    Owner first(log, 'x');
    alignas(Owner) unsigned char storage[sizeof(Owner)];
    Owner* old = ::new (storage) Owner(log, 'o');
    list.add(1, first.holder());
    list.add(1, old->holder());
    list.mergePending();

    // x leaves, o dies, and n is born where o was: after x's removal n sits before o's holder.
    list.remove(1, &first.callbacks);
    list.remove(1, &old->callbacks);
    list.ownerDestroyed(&old->callbacks);
    old->~Owner();
    Owner* born = ::new (storage) Owner(log, 'n');
    list.add(1, born->holder());

    dispatch(list, 1);
    EXPECT_EQ(log, std::vector<char>{'n'});
    EXPECT_EQ(list.live(1)->size(), 1u);
    born->~Owner();
}

namespace {

struct StateEntry
{
    Orva::FunctionHolder callback;
    int state;
};

struct StateFilter
{
    int state = 0;
    bool operator()(const StateEntry& entry) const { return state == 0 || entry.state == state; }
};

} // namespace

TEST_F(ListenerLists, RemovingEveryOrOnlyTheDeadListenersOfAnOwnerKeepsTheOrder)
{
    using States = Orva::ListenerList<int, StateEntry, StateFilter>;
    States list;
    Owner owner(log, 'o'), other(log, 'x');
    for (const int state : {1, 2, 1, 3}) {
        list.add(7, StateEntry{owner.holder(), state});
        list.add(7, StateEntry{other.holder(), state});
    }
    list.mergePending();
    list.remove(7, &owner.callbacks, StateFilter{1}, States::Take::All);
    list.applyRemovals();
    std::vector<int> states;
    list.forEach(7, [&](StateEntry& entry) { states.push_back(entry.state); });
    EXPECT_EQ(states, (std::vector<int>{1, 2, 2, 1, 3, 3}));

    list.markDead(7, &owner.callbacks);
    EXPECT_FALSE(list.live(7)->front().callback.isDead()) << "another owner's listener stays alive";
    list.add(7, StateEntry{owner.holder(), 4});
    list.mergePending();
    list.remove(7, &owner.callbacks, StateFilter{}, States::Take::AllDead);
    list.applyRemovals();
    states.clear();
    list.forEach(7, [&](StateEntry& entry) { states.push_back(entry.state); });
    EXPECT_EQ(states, (std::vector<int>{1, 2, 1, 3, 4})) << "a listener added after the owner's end stays";

    list.clear();
    EXPECT_FALSE(list.hasAny(7));
}

TEST(SwapRemove, TheLastElementFillsTheGapAndAnAbsentOneIsReported)
{
    std::vector<int> values{1, 2, 3, 4};
    EXPECT_TRUE(Orva::swapRemove(values, 2));
    EXPECT_EQ(values, (std::vector<int>{1, 4, 3}));
    EXPECT_TRUE(Orva::swapRemove(values, 3));
    EXPECT_EQ(values, (std::vector<int>{1, 4}));
    EXPECT_FALSE(Orva::swapRemove(values, 9));
    EXPECT_EQ(values, (std::vector<int>{1, 4}));
}
