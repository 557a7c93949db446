#include "core/EventManager.h"

#include <algorithm>
#include <typeinfo>
#include <vector>

#include "core/ListenerFailures.h"

namespace Orva {

std::uint32_t OrvaRuntimeExceptionEvent::RUNTIME_EXCEPTION_HASH_CODE = 0;

namespace {

constexpr std::size_t ReservedCodes = 200;
constexpr std::size_t ReservedRemovals = 50;
constexpr std::size_t ReservedPendingPerCode = 25;

// Observers come and go with the layers above; built on first use.
std::vector<DispatchObserver*>& observers()
{
    static std::vector<DispatchObserver*> installed;
    return installed;
}

// Indexed, so that an observer removed by a call is not followed.
template <class Call> void notifyObservers(Call&& call)
{
    const std::vector<DispatchObserver*>& installed = observers();
    for (std::size_t i = 0; i < installed.size(); ++i) {
        call(*installed[i]);
    }
}

} // namespace

EventManager::EventManager()
    : listeners_(ReservedPendingPerCode), stacks_{EventStack(STARTING_STACK_SIZE),
                                                  EventStack(STARTING_STACK_SIZE)}
{
    listeners_.reserve(ReservedCodes, ReservedRemovals);
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
    listeners_.add(code, std::move(holder));
}

void EventManager::ListenToEvent(const std::string& eventName, FunctionHolder&& holder)
{
    ListenToEvent(EventNameDetails::EventToHash(eventName), std::move(holder));
}

void EventManager::stopListening(EventCallbackObject* owner, std::uint32_t code)
{
    listeners_.remove(code, owner);
}

void EventManager::ownerDestroyed(const EventCallbackObject* owner)
{
    // Between dispatches the removals run before anybody is called.
    if (dispatching_) {
        listeners_.ownerDestroyed(owner);
    }
}

void DispatchObserver::eventQueued(std::uint32_t) {}
void DispatchObserver::dispatchStarted() {}
void DispatchObserver::dispatchEnded() noexcept {}
void DispatchObserver::beforeListeners(std::uint32_t, BaseEvent*) {}
void DispatchObserver::afterListeners(std::uint32_t, BaseEvent*) {}

void DispatchObserver::install(DispatchObserver* observer)
{
    std::vector<DispatchObserver*>& installed = observers();
    if (std::find(installed.begin(), installed.end(), observer) == installed.end()) {
        installed.push_back(observer);
    }
}

void DispatchObserver::remove(DispatchObserver* observer)
{
    std::erase(observers(), observer);
}

void EventManager::eventQueued(std::uint32_t code) const
{
    notifyObservers([code](DispatchObserver& observer) { observer.eventQueued(code); });
}

void EventManager::PushAllEvents()
{
    getInstance().dispatchEvents();
}

void EventManager::dispatchEvents()
{
    listeners_.mergePending();
    listeners_.applyRemovals();

    const int delivered = currentStack_;
    currentStack_ = 1 - delivered;
    EventStack& stack = stacks_[delivered];
    const std::size_t otherSize = stacks_[currentStack_].size();

    ListenerFailures failures("events");
    {
        // However the delivery ends, its events are destroyed once and never delivered again.
        struct Cleanup
        {
            EventManager& manager;
            EventStack& stack;
            ~Cleanup()
            {
                notifyObservers([](DispatchObserver& observer) { observer.dispatchEnded(); });
                manager.dispatching_ = false;
                stack.clear();
            }
        } cleanup{*this, stack};
        dispatching_ = true;
        notifyObservers([](DispatchObserver& observer) { observer.dispatchStarted(); });

        for (const EventStack::Entry& entry : stack.entries()) {
            notifyObservers(
                [&entry](DispatchObserver& observer) { observer.beforeListeners(entry.code, entry.event); });
            listeners_.forEach(entry.code, [&](FunctionHolder& holder) {
                failures.run([&] { holder->call(entry.event); });
            });
            notifyObservers(
                [&entry](DispatchObserver& observer) { observer.afterListeners(entry.code, entry.event); });
        }
    }

    // Listeners made the other stack grow: grow this one too, so both keep up with the load.
    if (stacks_[currentStack_].size() != otherSize) {
        stack.grow();
    }
    failures.rethrowFirst();
}

} // namespace Orva
