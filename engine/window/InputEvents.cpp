#include "window/InputEvents.h"

namespace Orva {

const std::uint32_t ReplayInputEvent::REPLAY_EVENT_HASH_CODE =
    EventNameDetails::EventToHash("InputReplayDone");

InputEvent::~InputEvent() = default;

ControllerEvent::~ControllerEvent() = default;

ControllerStickDeltaEvent::~ControllerStickDeltaEvent() = default;

MouseEvent::~MouseEvent() = default;

ReplayInputEvent::~ReplayInputEvent() = default;

} // namespace Orva
