#pragma once

// How long a test waits for something that should happen before it calls it a failure. The
// limit only turns a hang into a failure, never measures: a sanitized build on a loaded
// machine runs tens of times slower than a quiet one (a game under ASan has needed 30 s to
// end after a signal). What a test claims about speed belongs in a bench.

#include <chrono>
#include <thread>

inline constexpr std::chrono::seconds WaitLimit{120};

// Asks every 10 ms until the condition holds; false when it still does not after `limit`.
template <class Condition> bool waitUntil(Condition holds, std::chrono::milliseconds limit = WaitLimit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
