#include <signal.h>

#include <algorithm>
#include <array>
#include <atomic>

#include "platform/PlatformState.h"

// Requests to end the program: SIGTERM, SIGINT and SIGHUP, SDL's quit event and a window's
// close box. Each asks every window to close, in the message queue as the desktop would; and
// CloseRequested answers between two pumps, so that slow game steps need not wait for the
// next frame's messages to hear one.

namespace Orva::Platform {

namespace {

constexpr std::array CloseSignals = {SIGTERM, SIGINT, SIGHUP};

// Set by the handler, taken by the next pump.
std::atomic<bool> closeSignalled = false;
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler may touch only lock-free atomics");

using SignalAction = struct sigaction;
std::array<SignalAction, CloseSignals.size()> previousActions{};
bool hearingSignals = false;

void noteCloseSignal(int)
{
    closeSignalled.store(true, std::memory_order_relaxed);
}

// Whether SDL's queue holds a quit or a window's close; they stay there for the pump.
bool closeWaitsInSdlQueue()
{
    SDL_PumpEvents();
    std::array<SDL_Event, 128> events;
    const int count = SDL_PeepEvents(events.data(), static_cast<int>(events.size()), SDL_PEEKEVENT, SDL_QUIT,
                                     SDL_WINDOWEVENT);
    return std::any_of(events.begin(), events.begin() + std::max(count, 0), [](const SDL_Event& event) {
        return event.type == SDL_QUIT ||
               (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE);
    });
}

} // namespace

bool CloseRequested()
{
    detail::State& s = detail::state();
    if (!s.closeRequested && s.videoStarted &&
        (closeSignalled.load(std::memory_order_relaxed) || closeWaitsInSdlQueue())) {
        s.closeRequested = true;
    }
    return s.closeRequested;
}

namespace detail {

void hearCloseSignals()
{
    if (hearingSignals) {
        return;
    }
    // SDL would turn only SIGTERM and SIGINT into its quit event, and only at its own pump.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SignalAction action{};
    action.sa_handler = &noteCloseSignal;
    sigemptyset(&action.sa_mask);
    // A file being written when the request comes is written whole.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < CloseSignals.size(); ++i) {
        sigaction(CloseSignals[i], nullptr, &previousActions[i]);
        // A signal the process was started to ignore (nohup) stays ignored.
        if (previousActions[i].sa_handler != SIG_IGN) {
            sigaction(CloseSignals[i], &action, nullptr);
        }
    }
    hearingSignals = true;
}

void stopHearingCloseSignals()
{
    if (!hearingSignals) {
        return;
    }
    for (std::size_t i = 0; i < CloseSignals.size(); ++i) {
        sigaction(CloseSignals[i], &previousActions[i], nullptr);
    }
    hearingSignals = false;
    closeSignalled = false;
}

void askEveryWindowToClose(State& s, Uint32 time)
{
    s.closeRequested = true;
    for (const auto& [id, record] : s.windows) {
        s.queue.push_back(MSG{toHandle<HWND>(id), WM_CLOSE, 0, 0, time});
    }
}

void postSignalledClose(State& s)
{
    if (closeSignalled.exchange(false, std::memory_order_relaxed)) {
        askEveryWindowToClose(s, SDL_GetTicks());
    }
}

} // namespace detail

} // namespace Orva::Platform
