#include "platform/audio/Decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace Orva::Platform::Audio {

namespace {

constexpr sf_count_t ChunkFrames = 16384;

// libsndfile reads the bytes through these callbacks; writes are refused.
struct MemoryReader
{
    const char* data;
    sf_count_t size;
    sf_count_t at;
};

sf_count_t lengthOf(void* user)
{
    return static_cast<MemoryReader*>(user)->size;
}

sf_count_t seekTo(sf_count_t offset, int whence, void* user)
{
    auto& reader = *static_cast<MemoryReader*>(user);
    const sf_count_t base = whence == SEEK_CUR ? reader.at : whence == SEEK_END ? reader.size : 0;
    reader.at = std::clamp<sf_count_t>(base + offset, 0, reader.size);
    return reader.at;
}

sf_count_t readInto(void* destination, sf_count_t count, void* user)
{
    auto& reader = *static_cast<MemoryReader*>(user);
    const sf_count_t available = std::clamp<sf_count_t>(count, 0, reader.size - reader.at);
    std::memcpy(destination, reader.data + reader.at, static_cast<std::size_t>(available));
    reader.at += available;
    return available;
}

sf_count_t refuseWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t tellOf(void* user)
{
    return static_cast<MemoryReader*>(user)->at;
}

struct FileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};

CountedVector<float> averaged(const CountedVector<float>& interleaved, int channels)
{
    const auto width = static_cast<std::size_t>(channels);
    CountedVector<float> mono(interleaved.size() / width);
    for (std::size_t frame = 0; frame < mono.size(); ++frame) {
        float sum = 0.0f;
        for (std::size_t c = 0; c < width; ++c) {
            sum += interleaved[frame * width + c];
        }
        mono[frame] = sum / static_cast<float>(channels);
    }
    return mono;
}

} // namespace

std::optional<DecodedSound> decode(const char* data, std::size_t bytes, std::string& error)
{
    MemoryReader reader{data, static_cast<sf_count_t>(bytes), 0};
    SF_VIRTUAL_IO io{lengthOf, seekTo, readInto, refuseWrite, tellOf};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, FileCloser> file(sf_open_virtual(&io, SFM_READ, &info, &reader));
    if (!file) {
        error = sf_strerror(nullptr);
        return std::nullopt;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        error = "no channels or no sample rate";
        return std::nullopt;
    }

    const auto width = static_cast<std::size_t>(info.channels);
    CountedVector<float> samples;
    std::size_t frames = 0;
    for (;;) {
        samples.resize((frames + ChunkFrames) * width);
        const sf_count_t read = sf_readf_float(file.get(), samples.data() + frames * width, ChunkFrames);
        if (read <= 0) {
            break;
        }
        frames += static_cast<std::size_t>(read);
    }
    if (frames == 0) {
        error = sf_error(file.get()) != SF_ERR_NO_ERROR ? sf_strerror(file.get()) : "no frames";
        return std::nullopt;
    }
    samples.resize(frames * width);
    samples.shrink_to_fit();
    if (info.channels > 2) {
        return DecodedSound{averaged(samples, info.channels), 1, info.samplerate};
    }
    return DecodedSound{std::move(samples), info.channels, info.samplerate};
}

} // namespace Orva::Platform::Audio
