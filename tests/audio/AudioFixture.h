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

#include "WaitLimit.h"
#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "platform/AudioOutput.h"
#include "platform/audio/SoundFixture.h"
#include "world/EngineFixture.h"
#include "world/ResourceManager.h"

namespace SoundFiles {

// Frames of two channels, each frame the same pair.
template <class T> std::vector<T> pairs(size_t frames, T left, T right)
{
    std::vector<T> samples(2 * frames, left);
    for (size_t i = 1; i < samples.size(); i += 2) {
        samples[i] = right;
    }
    return samples;
}

// A 16-bit stereo WAV at 48 kHz.
inline std::vector<char> stereo16(size_t frames, short left, short right)
{
    const std::vector<short> samples = pairs(frames, left, right);
    return encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000,
                  [&](SNDFILE* file) { sf_writef_short(file, samples.data(), sf_count_t(frames)); });
}

inline bool everyFrameIs(const std::vector<float>& out, float left, float right)
{
    return out == pairs(out.size() / 2, left, right);
}

} // namespace SoundFiles

// Every call does nothing; every getter gives 0 or false.
inline void expectHarmless(Orva::Audio::AudioChannel channel)
{
    channel.setVolume(1.0f);
    channel.setPitch(2.0f);
    channel.toggleMute();
    channel.pause();
    channel.stop();
    channel.setPosition({1.0f, 2.0f, 3.0f});
    EXPECT_TRUE(channel.getVolume() == 0.0f && channel.getPitch() == 0.0f && channel.getFrequency() == 0.0f &&
                channel.getTimePosition() == 0 && channel.getLoopCount() == 0 && !channel.isMute() &&
                !channel.isPlaying());
}

template <class Base> class WithSound : public Base
{
protected:
    void SetUp() override
    {
        Base::SetUp();
        if (startSound) {
            startSoundSystem();
        }
    }

    // As the launcher does; keeps what it wrote on stderr.
    void startSoundSystem()
    {
        Orva::Platform::Test::setAudioOutput(&output);
        testing::internal::CaptureStderr();
        audio().initialize(36, 0);
        startPrinted = testing::internal::GetCapturedStderr();
        Orva::Platform::Test::setAudioOutput(nullptr);
    }

    static Orva::Audio::AudioManager& audio() { return Orva::Audio::AudioManager::getInstance(); }
    static Orva::Audio::AudioGroup& group(const std::string& name) { return *audio().getGroup(name); }
    static std::string keyOf(const std::string& path)
    {
        return Orva::Resources::ResourceManager::getFullPath(path);
    }

    // Stores the bytes at <resources>/<path>, asks for them and runs frames until they arrive.
    void loadSound(const std::string& path, const std::vector<char>& bytes)
    {
        const std::filesystem::path file = this->root() / "resources" / path;
        std::filesystem::create_directories(file.parent_path());
        this->writeFile(file, std::string(bytes.begin(), bytes.end()));
        audio().load(path);
        deliverLoads();
    }

    // Runs frames until the loader has answered every request (WaitLimit at most).
    static void deliverLoads()
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        do {
            EngineTest::runFrames(1, 1.0f / 60.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (!Orva::Resources::ResourceManager::getInstance().isDone() &&
                 std::chrono::steady_clock::now() < deadline);
    }

    // Left and right interleaved.
    std::vector<float> render(size_t frames) { return SoundFiles::render(output, frames); }

    // 0 drivers starts without output; startSound false (before SetUp) leaves sound
    // unstarted. The output outlives the engine's sound system.
    Orva::Platform::RenderOutput output;
    bool startSound = true;
    std::string startPrinted;
};
