#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/SoundSystem.h"

// Sound files written in memory by libsndfile itself, and a system on a render output
// (48 kHz stereo, mixed only when a test renders) with 36 voices.

namespace SoundFiles {

struct Bytes
{
    std::vector<char> data;
    sf_count_t at = 0;
};

inline SF_VIRTUAL_IO writerIo()
{
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) {
        return static_cast<sf_count_t>(static_cast<Bytes*>(user)->data.size());
    };
    io.seek = [](sf_count_t offset, int whence, void* user) {
        auto& bytes = *static_cast<Bytes*>(user);
        const sf_count_t base = whence == SEEK_CUR   ? bytes.at
                                : whence == SEEK_END ? sf_count_t(bytes.data.size())
                                                     : 0;
        return bytes.at = base + offset;
    };
    io.read = [](void* to, sf_count_t count, void* user) {
        auto& bytes = *static_cast<Bytes*>(user);
        const sf_count_t n = std::clamp<sf_count_t>(sf_count_t(bytes.data.size()) - bytes.at, 0, count);
        std::memcpy(to, bytes.data.data() + bytes.at, size_t(n));
        bytes.at += n;
        return n;
    };
    io.write = [](const void* from, sf_count_t count, void* user) {
        auto& bytes = *static_cast<Bytes*>(user);
        bytes.data.resize(std::max<size_t>(bytes.data.size(), size_t(bytes.at + count)));
        std::memcpy(bytes.data.data() + bytes.at, from, size_t(count));
        bytes.at += count;
        return count;
    };
    io.tell = [](void* user) { return static_cast<Bytes*>(user)->at; };
    return io;
}

// `write` gets the open file and puts the frames in.
template <class Write> std::vector<char> encode(int format, int channels, int rate, Write&& write)
{
    Bytes bytes;
    SF_VIRTUAL_IO io = writerIo();
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &bytes);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    if (file == nullptr)
        return {};
    write(file);
    sf_close(file);
    return std::move(bytes.data);
}

inline std::vector<char> encodeFloats(const std::vector<float>& samples, int channels = 1, int rate = 48000,
                                      int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT)
{
    return encode(format, channels, rate, [&](SNDFILE* file) {
        sf_writef_float(file, samples.data(), sf_count_t(samples.size()) / channels);
    });
}

inline std::vector<float> sine(size_t frames, double hz, float amplitude = 0.5f, int rate = 48000)
{
    std::vector<float> samples(frames);
    for (size_t i = 0; i < frames; ++i)
        samples[i] = amplitude * float(std::sin(2.0 * std::numbers::pi * hz * double(i) / rate));
    return samples;
}

// The next frames of the output, left and right interleaved.
inline std::vector<float> render(Orva::Platform::RenderOutput& output, size_t frames)
{
    std::vector<float> out(2 * frames, -2.0f);
    output.render(out.data(), frames);
    return out;
}

inline size_t nonZeroFrames(const std::vector<float>& out)
{
    size_t count = 0;
    for (size_t i = 0; i < out.size(); i += 2)
        count += out[i] != 0.0f || out[i + 1] != 0.0f;
    return count;
}

} // namespace SoundFiles

class RenderedSystem : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Orva::Platform::Test::setAudioOutput(&output);
        ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
        Orva::Platform::Test::setAudioOutput(nullptr);
        ASSERT_EQ(system->init(36, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
        system->getMasterChannelGroup(&root);
    }
    void TearDown() override { system->release(); }

    FMOD::Sound* load(const std::vector<char>& bytes, FMOD_MODE mode = FMOD_OPENMEMORY)
    {
        FMOD_CREATESOUNDEXINFO info{};
        info.length = unsigned(bytes.size());
        FMOD::Sound* sound = nullptr;
        EXPECT_EQ(system->createSound(bytes.data(), mode, &info, &sound), FMOD_OK);
        return sound;
    }
    FMOD::Sound* constant(size_t frames, float value = 0.25f, int rate = 48000)
    {
        return load(SoundFiles::encodeFloats(std::vector<float>(frames, value), 1, rate));
    }
    FMOD::Channel* play(FMOD::Sound* sound, FMOD::ChannelGroup* group = nullptr)
    {
        FMOD::Channel* channel = nullptr;
        EXPECT_EQ(system->playSound(sound, group, false, &channel), FMOD_OK);
        return channel;
    }
    FMOD::ChannelGroup* group(FMOD::ChannelGroup* parent = nullptr)
    {
        FMOD::ChannelGroup* made = nullptr;
        system->createChannelGroup("test", &made);
        if (parent != nullptr) {
            EXPECT_EQ(parent->addGroup(made, true, nullptr), FMOD_OK);
        }
        return made;
    }
    // Left and right interleaved.
    std::vector<float> render(size_t frames) { return SoundFiles::render(output, frames); }
    static size_t nonZeroFrames(const std::vector<float>& out) { return SoundFiles::nonZeroFrames(out); }

    Orva::Platform::RenderOutput output;
    FMOD::System* system = nullptr;
    FMOD::ChannelGroup* root = nullptr;
};
