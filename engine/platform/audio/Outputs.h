#pragma once

#include <memory>

#include "platform/AudioOutput.h"

namespace Orva::Platform::Audio {

// The output a test installed, or null.
AudioOutput* installedOutput() noexcept;
// Kept for Test::lastSoundInit.
void recordSoundInit(int maxChannels, unsigned flags) noexcept;
// An output over SDL's default audio device, bringing up SDL audio for its lifetime.
std::unique_ptr<AudioOutput> makeSdlOutput();

} // namespace Orva::Platform::Audio
