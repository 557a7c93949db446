#pragma once

// Turns an encoded sound held in memory into float PCM.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/audio/AudioMemory.h"

namespace Orva::Platform::Audio {

struct DecodedSound
{
    CountedVector<float> samples; // interleaved
    int channels;                 // 1 or 2
    int rate;
};

// Probes the format from the bytes (WAV, AIFF, Ogg Vorbis, Opus, FLAC, MP3 and whatever else
// the decoder reads) and decodes every frame; more than two channels are averaged to one.
// Nothing, with libsndfile's reason in `error`, when the bytes are not a sound.
std::optional<DecodedSound> decode(const char* data, std::size_t bytes, std::string& error);

} // namespace Orva::Platform::Audio
