#pragma once

#include <type_traits>

#include "platform/SoundSystem.h"

// Calls through a channel or a channel group that may be null: a null control takes no call,
// and a getter whose call is refused (a null or stale control) returns the value it started
// from, 0 or false. Internal to the audio folder.
namespace Orva::Audio::detail {

template <class Control, class Owner, class... P>
void send(Control* control, FMOD_RESULT (Owner::*call)(P...), std::type_identity_t<P>... values)
{
    if (control != nullptr) {
        (control->*call)(values...);
    }
}

template <class T, class Control, class Owner, class... P>
T query(Control* control, FMOD_RESULT (Owner::*call)(T*, P...), std::type_identity_t<P>... extra)
{
    T value{};
    if (control != nullptr) {
        (control->*call)(&value, extra...);
    }
    return value;
}

} // namespace Orva::Audio::detail
