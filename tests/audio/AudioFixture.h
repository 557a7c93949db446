#pragma once

// The engine's audio manager started as the launcher starts it (36 channels, flags 0) on the
// sound system's render output: 48 kHz stereo, mixed only when a test renders, so levels are
// exact. Sound files are written into the scratch resource folder, asked for with load and
// delivered by frames with supplied times. Base is the engine fixture the test needs.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "platform/AudioOutput.h"
#include "platform/audio/SoundFixture.h"
#include "world/EngineFixture.h"
#include "world/ResourceManager.h"

namespace SoundFiles {

// A 16-bit stereo WAV at 48 kHz holding the same pair of samples in every frame.
inline std::vector<char> stereo16(size_t frames, short left, short right)
{
    return encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, [&](SNDFILE* file) {
        std::vector<short> samples;
        for (size_t i = 0; i < frames; ++i) {
            samples.insert(samples.end(), {left, right});
        }
        sf_writef_short(file, samples.data(), sf_count_t(frames));
    });
}

// Whether every frame of a render holds that pair.
inline bool everyFrameIs(const std::vector<float>& out, float left, float right)
{
    for (size_t i = 0; i < out.size(); i += 2) {
        if (out[i] != left || out[i + 1] != right) {
            return false;
        }
    }
    return true;
}

} // namespace SoundFiles

// Every call does nothing; every getter gives 0 or false.
inline void expectHarmless(Orva::Audio::AudioChannel channel)
{
    channel.setVolume(1.0f);
    channel.setPitch(2.0f);
    channel.setFrequency(1000.0f);
    channel.setTimePosition(10);
    channel.setLoopCount(3);
    channel.toggleMute();
    channel.pause();
    channel.stop();
    channel.setPosition({1.0f, 2.0f, 3.0f});
    EXPECT_EQ(channel.getVolume(), 0.0f);
    EXPECT_EQ(channel.getPitch(), 0.0f);
    EXPECT_EQ(channel.getFrequency(), 0.0f);
    EXPECT_EQ(channel.getTimePosition(), 0u);
    EXPECT_EQ(channel.getLoopCount(), 0);
    EXPECT_FALSE(channel.isMute());
    EXPECT_FALSE(channel.isPlaying());
}

template <class Base> class WithSound : public Base
{
protected:
    void SetUp() override
    {
        Base::SetUp();
        if (startSound) {
            Orva::Platform::Test::setAudioOutput(&output);
            testing::internal::CaptureStderr();
            audio().initialize(36, 0);
            startPrinted = testing::internal::GetCapturedStderr();
            Orva::Platform::Test::setAudioOutput(nullptr);
        }
    }

    static Orva::Audio::AudioManager& audio() { return Orva::Audio::AudioManager::getInstance(); }
    static Orva::Audio::AudioGroup& group(const std::string& name) { return *audio().getGroup(name); }
    static std::string keyOf(const std::string& path) { return Orva::Resources::ResourceManager::getFullPath(path); }

    // Stores the bytes at <resources>/<path>, asks for them and runs frames until they arrive.
    void loadSound(const std::string& path, const std::vector<char>& bytes)
    {
        const std::filesystem::path file = this->root() / "resources" / path;
        std::filesystem::create_directories(file.parent_path());
        this->writeFile(file, std::string(bytes.begin(), bytes.end()));
        audio().load(path);
        deliverLoads();
    }

    // Runs frames until the loader has answered every request (10 s at most).
    static void deliverLoads()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            EngineTest::runFrames(1, 1.0f / 60.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (!Orva::Resources::ResourceManager::getInstance().isDone() &&
                 std::chrono::steady_clock::now() < deadline);
    }

    // Left and right interleaved.
    std::vector<float> render(size_t frames) { return SoundFiles::render(output, frames); }

    // Both set before SetUp: 0 drivers starts without output; false leaves sound unstarted.
    // The output outlives the engine's sound system.
    Orva::Platform::RenderOutput output;
    bool startSound = true;
    // What initialize wrote on stderr.
    std::string startPrinted;
};
