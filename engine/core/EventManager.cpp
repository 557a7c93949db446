#include "core/EventManager.h"

#include <cstdio>
#include <exception>
#include <typeinfo>

#include "scripting/ScriptEventGlobal.h"
#include "world/DataAnalyticManager.h"

namespace Orva {

std::uint32_t OrvaRuntimeExceptionEvent::RUNTIME_EXCEPTION_HASH_CODE = 0;

namespace {

constexpr std::size_t ReservedCodes = 200;
constexpr std::size_t ReservedRemovals = 50;
constexpr std::size_t ReservedPendingPerCode = 25;

// No analytics manager means nothing is tracked.
Analytic::DataAnalyticManager* eventTracker()
{
    if (!Analytic::DataAnalyticManager::hasInstance()) {
        return nullptr;
    }
    auto& analytics = Analytic::DataAnalyticManager::getInstance();
    return analytics.isTrackingEvents() ? &analytics : nullptr;
}

void reportFurtherFailure(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "events: a further listener failed in the same dispatch: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "events: a further listener failed in the same dispatch\n");
    }
}

} // namespace

EventManager::EventManager() : stacks_{EventStack(STARTING_STACK_SIZE), EventStack(STARTING_STACK_SIZE)}
{
    liveListeners_.reserve(ReservedCodes);
    pendingListeners_.reserve(ReservedCodes);
    pendingRemovals_.reserve(ReservedRemovals);
    OrvaRuntimeExceptionEvent::RUNTIME_EXCEPTION_HASH_CODE = EventNameDetails::EventToHash("RUNTIME_NO_GO");
}

EventManager::~EventManager()
{
    // Queued events go first, stack 0 then stack 1; the listeners go with the maps.
    stacks_[0].clear();
    stacks_[1].clear();
}

void EventManager::ListenToEvent(std::uint32_t code, FunctionHolder&& holder)
{
    if (!holder) {
        return;
    }
    holder->addEventCallback(code, this);
    ListenerList& pending = pendingListeners_[code];
    if (pending.capacity() < ReservedPendingPerCode) {
        pending.reserve(ReservedPendingPerCode);
    }
    pending.push_back(std::move(holder));
}

void EventManager::ListenToEvent(const std::string& eventName, FunctionHolder&& holder)
{
    ListenToEvent(EventNameDetails::EventToHash(eventName), std::move(holder));
}

void EventManager::stopListening(EventCallbackObject* owner, std::uint32_t code)
{
    pendingRemovals_.emplace_back(code, owner);
}

void EventManager::ownerDestroyed(const EventCallbackObject* owner)
{
    // Between dispatches the removals run before anybody is called. During one, the owner's
    // holders of every code it asked to leave (by its record just now, or by a stop earlier
    // in this dispatch) could still be reached.
    if (!dispatching_) {
        return;
    }
    for (const auto& [code, requester] : pendingRemovals_) {
        if (requester == owner) {
            markListenersDead(code, owner);
        }
    }
}

void EventManager::markListenersDead(std::uint32_t code, const EventCallbackObject* owner)
{
    const auto found = liveListeners_.find(code);
    if (found == liveListeners_.end()) {
        return;
    }
    for (FunctionHolder& holder : found->second) {
        if (holder->isOwnedBy(owner)) {
            holder.markDead();
        }
    }
}

const EventManager::ListenerList* EventManager::liveListenersOf(std::uint32_t code) const
{
    const auto found = liveListeners_.find(code);
    return found != liveListeners_.end() ? &found->second : nullptr;
}

const EventManager::ListenerList* EventManager::pendingListenersOf(std::uint32_t code) const
{
    const auto found = pendingListeners_.find(code);
    return found != pendingListeners_.end() ? &found->second : nullptr;
}

bool EventManager::hasListener(std::uint32_t code) const
{
    const ListenerList* pending = pendingListenersOf(code);
    if (pending && !pending->empty()) {
        return true;
    }
    const ListenerList* live = liveListenersOf(code);
    return live && !live->empty();
}

void EventManager::countPush(std::uint32_t code) const
{
    if (Analytic::DataAnalyticManager* tracker = eventTracker()) {
        ++tracker->eventRecord(EventNameDetails::HashToEvent(code)).pushCount;
    }
}

void EventManager::PushAllEvents()
{
    getInstance().dispatchEvents();
}

void EventManager::mergePendingListeners()
{
    for (auto& [code, pending] : pendingListeners_) {
        ListenerList& live = liveListeners_[code];
        const std::size_t combined = live.size() + pending.size();
        if (live.capacity() < combined) {
            live.reserve(combined);
        }
        for (FunctionHolder& holder : pending) {
            live.push_back(std::move(holder));
        }
    }
    pendingListeners_.clear();
}

void EventManager::applyPendingRemovals()
{
    for (const auto& [code, owner] : pendingRemovals_) {
        const auto found = liveListeners_.find(code);
        if (found == liveListeners_.end()) {
            continue;
        }
        ListenerList& live = found->second;
        // A request takes a holder that died with its owner before a live one: the owner's
        // address may already belong to a new owner with holders of its own.
        ListenerList::iterator chosen = live.end();
        for (auto it = live.begin(); it != live.end(); ++it) {
            if ((*it)->isOwnedBy(owner) && (chosen == live.end() || (it->isDead() && !chosen->isDead()))) {
                chosen = it;
                if (chosen->isDead()) {
                    break;
                }
            }
        }
        if (chosen != live.end()) {
            std::swap(*chosen, live.back());
            live.pop_back();
        }
    }
    pendingRemovals_.clear();
}

void EventManager::dispatchEvents()
{
    mergePendingListeners();
    applyPendingRemovals();

    const int delivered = currentStack_;
    currentStack_ = 1 - delivered;
    EventStack& stack = stacks_[delivered];
    const std::size_t otherSize = stacks_[currentStack_].size();
    Analytic::DataAnalyticManager* const tracker = eventTracker();

    std::exception_ptr firstFailure;
    {
        // However the delivery ends, its events are destroyed once and never delivered again.
        struct Cleanup
        {
            EventManager& manager;
            EventStack& stack;
            ~Cleanup()
            {
                manager.dispatching_ = false;
                stack.clear();
            }
        } cleanup{*this, stack};
        dispatching_ = true;
        ScriptEventGlobal luaEvent;

        for (const EventStack::Entry& entry : stack.entries()) {
            luaEvent.publish(entry.event);
            if (const auto found = liveListeners_.find(entry.code); found != liveListeners_.end()) {
                for (FunctionHolder& holder : found->second) {
                    if (holder.isDead()) {
                        continue;
                    }
                    try {
                        holder->call(entry.event);
                    } catch (...) {
                        if (firstFailure) {
                            reportFurtherFailure(std::current_exception());
                        } else {
                            firstFailure = std::current_exception();
                        }
                    }
                }
            }
            luaEvent.retire();
            if (tracker) {
                ++tracker->eventRecord(EventNameDetails::HashToEvent(entry.code)).sendCount;
            }
        }
    }

    // Listeners made the other stack grow: grow this one too, so both keep up with the load.
    if (stacks_[currentStack_].size() != otherSize) {
        stack.grow();
    }
    if (firstFailure) {
        std::rethrow_exception(firstFailure);
    }
}

} // namespace Orva
