#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "core/Export.h"

namespace Orva {

// One recorded key transition.
struct ORVA_API InputTrackData
{
    // Key code 0 to 255; larger values can come from game code or a hand-made file.
    std::uint32_t key = 0;
    bool pressed = false;
    // Seconds on the clock of the list the record belongs to.
    float time = 0.0f;
};

// A recording being replayed: records wait in `pending` until the playback clock reaches
// their time, then move to `due` for the frame to apply.
class ORVA_API InputReplayTrack
{
public:
    using Records = std::deque<InputTrackData>;

    // Appends the records of the file at the resource directory followed by `path` to those
    // still pending and restarts the playback clock. Reading stops at the first value that
    // does not read; an incomplete last record is dropped. False, with the track cleared,
    // unless the path names a regular file that opens.
    bool loadFromFile(const std::string& path);
    // Empties both queues and sets the playback clock to 0.
    void clear() noexcept;
    // Advances the playback clock, then moves every pending record from the front whose time
    // has come to the back of `due`.
    void update(float dt);

    Records& dueRecords() noexcept { return due_; }
    const Records& pendingRecords() const noexcept { return pending_; }
    float playbackClock() const noexcept { return clock_; }

private:
    Records pending_;
    Records due_;
    float clock_ = 0.0f;
};

// The display name of a key code, as the readable recording lists it: "A", "Numpad 7",
// "F12", "Controller:A" (any pad), "Controller2EnterEvent"; codes without a name give
// "Captured".
ORVA_API std::string KeyNameToString(unsigned char code);

} // namespace Orva
