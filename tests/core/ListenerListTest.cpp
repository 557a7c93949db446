#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "PoolFixture.h"
#include "core/ListenerList.h"
#include "core/Random.h"
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
    int id = 0;
    std::uint64_t tag = 0;
};

struct StateFilter
{
    int state = 0;
    std::optional<std::uint64_t> only;
    bool operator()(const StateEntry& entry) const
    {
        return (state == 0 || entry.state == state) && (!only || entry.tag == *only);
    }
    std::optional<std::uint64_t> tag() const { return only; }
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
    list.remove(7, &owner.callbacks, StateFilter{1, std::nullopt}, States::Take::All);
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

namespace {

struct TagOf
{
    std::uint64_t operator()(const StateEntry& entry) const noexcept { return entry.tag; }
};
using Indexed = Orva::ListenerList<int, StateEntry, StateFilter, TagOf>;
using Take = Indexed::Take;

// The list's rules done the plain way, every entry looked at for every change.
struct Modelled
{
    int owner, id, state;
    std::uint64_t tag;
    bool dead = false;
};
struct Model
{
    struct Removal
    {
        int key, owner, state;
        Take take;
        std::optional<std::uint64_t> tag;
    };
    std::map<int, std::vector<Modelled>> live, pending;
    std::vector<Removal> removals;

    void markDead(int key, int owner)
    {
        for (auto* lists : {&live, &pending}) {
            for (Modelled& entry : (*lists)[key]) {
                entry.dead = entry.dead || entry.owner == owner;
            }
        }
    }
    void ownerDestroyed(int owner)
    {
        for (const Removal& removal : removals) {
            if (removal.owner == owner) {
                markDead(removal.key, owner);
            }
        }
    }
    void mergePending()
    {
        for (auto& [key, entries] : pending) {
            live[key].insert(live[key].end(), entries.begin(), entries.end());
        }
        pending.clear();
    }
    void applyRemovals()
    {
        for (const Removal& r : removals) {
            std::vector<Modelled>& entries = live[r.key];
            const auto taken = [&r](const Modelled& e) {
                return e.owner == r.owner && (r.state == 0 || e.state == r.state) &&
                       (!r.tag || e.tag == *r.tag);
            };
            if (r.take != Take::First) {
                std::erase_if(entries,
                              [&](const Modelled& e) { return taken(e) && (r.take == Take::All || e.dead); });
                continue;
            }
            auto chosen = std::find_if(entries.begin(), entries.end(),
                                       [&](const Modelled& e) { return taken(e) && e.dead; });
            chosen = chosen != entries.end() ? chosen : std::find_if(entries.begin(), entries.end(), taken);
            if (chosen != entries.end()) {
                Orva::swapRemoveAt(entries, chosen);
            }
        }
        removals.clear();
    }
    // The first added live entry of the tag: the one an event is delivered to.
    int firstTagged(int key, std::uint64_t tag)
    {
        int first = 0;
        for (const Modelled& entry : live[key]) {
            if (!entry.dead && entry.tag == tag && (first == 0 || entry.id < first)) {
                first = entry.id;
            }
        }
        return first;
    }
};

} // namespace

// Random adds, removals of every kind (some only of one tag), dead owners (some destroyed by a
// call in the middle of a dispatch), merges and removal steps: after each, every key's calls,
// its live order and what the tag look-ups find are those of the plain model.
TEST_F(ListenerLists, TheIndexedListKeepsThePlainRulesThroughRandomChanges)
{
    constexpr int Keys = 3, Owners = 5, Tags = 4;
    // Copies, each with a record of its own.
    std::vector<Owner> owners(Owners, Owner(log, 'o'));
    Indexed list;
    Model model;
    const Indexed::Entries none;
    const auto draw = [](int below) { return Orva::rand() % below; };
    // What an owner's record does as it goes: a removal per subscription, then the news.
    const auto destroyInList = [&](int owner) {
        for (int key = 0; key < Keys; ++key) {
            list.remove(key, &owners[owner].callbacks);
        }
        list.ownerDestroyed(&owners[owner].callbacks);
    };
    const auto destroyInModel = [&](int owner) {
        for (int key = 0; key < Keys; ++key) {
            model.removals.push_back({key, owner, 0, Take::First, std::nullopt});
        }
        model.ownerDestroyed(owner);
    };
    Orva::srand(41);
    for (int step = 0, made = 0; step < 3000; ++step) {
        const int key = draw(Keys), owner = draw(Owners), state = draw(4);
        const int change = draw(10);
        if (change < 4) {
            const std::uint64_t tag = static_cast<std::uint64_t>(draw(Tags));
            list.add(key, StateEntry{owners[owner].holder(), state + 1, ++made, tag});
            model.pending[key].push_back({owner, made, state + 1, tag});
        } else if (change < 6) {
            const Take take = change == 4 ? Take::First : draw(2) == 0 ? Take::All : Take::AllDead;
            const auto only =
                draw(2) == 0 ? std::optional(static_cast<std::uint64_t>(draw(Tags))) : std::nullopt;
            list.remove(key, &owners[owner].callbacks, StateFilter{state, only}, take);
            model.removals.push_back({key, owner, state, take, only});
        } else if (change == 6) {
            list.markDead(key, &owners[owner].callbacks);
            model.markDead(key, owner);
        } else if (change == 7) {
            destroyInList(owner);
            destroyInModel(owner);
        } else {
            list.mergePending();
            model.mergePending();
            list.applyRemovals();
            model.applyRemovals();
        }
        // A dispatch of one key whose call number `at` destroys an owner.
        const int at = draw(8), victim = draw(Owners);
        std::vector<int> calls, expected;
        list.forEach(key, [&](StateEntry& entry) {
            calls.push_back(entry.id);
            if (calls.size() == static_cast<std::size_t>(at)) {
                destroyInList(victim);
            }
        });
        for (const Modelled& entry : model.live[key]) {
            if (!entry.dead) {
                expected.push_back(entry.id);
                if (expected.size() == static_cast<std::size_t>(at)) {
                    destroyInModel(victim);
                }
            }
        }
        ASSERT_EQ(calls, expected) << "step " << step;
        for (int k = 0; k < Keys; ++k) {
            std::string order, modelled;
            for (const StateEntry& entry : list.live(k) ? *list.live(k) : none) {
                order += std::to_string(entry.id) + (entry.callback.isDead() ? "+ " : " ");
            }
            for (const Modelled& entry : model.live[k]) {
                modelled += std::to_string(entry.id) + (entry.dead ? "+ " : " ");
            }
            ASSERT_EQ(order, modelled) << "step " << step << ", key " << k;
            std::vector<int> tagged, tags;
            list.forEachTagged(k, std::vector<std::uint64_t>{1, 3},
                               [&](StateEntry& entry) { tagged.push_back(entry.id); });
            for (const Modelled& entry : model.live[k]) {
                if (!entry.dead && entry.tag % 2 == 1) {
                    tags.push_back(entry.id);
                }
            }
            ASSERT_EQ(tagged, tags) << "step " << step << ", key " << k;
            const StateEntry* found = list.firstTagged(k, 2);
            ASSERT_EQ(found ? found->id : 0, model.firstTagged(k, 2)) << "step " << step;
        }
    }
}

// X hears tag Z; A, then B, hear tag C. X leaving lets B fill its place ahead of A, yet C's
// listener stays A until A leaves.
TEST_F(ListenerLists, ATagsFirstAddedListenerIsFoundWhoeverElseLeaves)
{
    constexpr std::uint64_t Z = 1, C = 2;
    Indexed list;
    Owner x(log, 'x'), a(log, 'a'), b(log, 'b');
    list.add(0, StateEntry{x.holder(), 1, 1, Z});
    list.add(0, StateEntry{a.holder(), 1, 2, C});
    list.add(0, StateEntry{b.holder(), 1, 3, C});
    const auto heard = [&list] {
        list.mergePending();
        list.applyRemovals();
        const StateEntry* found = list.firstTagged(0, C);
        return found ? found->id : 0;
    };
    EXPECT_EQ(heard(), 2);
    list.remove(0, &x.callbacks);
    EXPECT_EQ(heard(), 2);
    std::vector<int> order;
    list.forEach(0, [&order](StateEntry& entry) { order.push_back(entry.id); });
    EXPECT_EQ(order, (std::vector<int>{3, 2})) << "the list order is the swap's";
    list.remove(0, &a.callbacks);
    EXPECT_EQ(heard(), 3);
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
