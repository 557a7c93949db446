#include <chrono>
#include <cstdlib>
#include <fstream>

#include "../../window/ScratchDirectory.h"
#include "SoundFixture.h"
#include "WaitLimit.h"

// SDL's output on its dummy driver (one device, a real-time callback) and its disk driver
// (the mixed frames written to a file). Each test picks the driver before SDL audio starts.

namespace {

using Clock = std::chrono::steady_clock;

FMOD::Sound* makeSound(FMOD::System* system, const std::vector<float>& samples,
                       FMOD_MODE mode = FMOD_OPENMEMORY)
{
    const std::vector<char> bytes = SoundFiles::encodeFloats(samples);
    FMOD_CREATESOUNDEXINFO info{};
    info.length = unsigned(bytes.size());
    FMOD::Sound* sound = nullptr;
    EXPECT_EQ(system->createSound(bytes.data(), mode, &info, &sound), FMOD_OK);
    return sound;
}

TEST(SdlOutput, OnTheDummyDriverAShortSoundEndsInRealTime)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    int drivers = 0;
    system->getNumDrivers(&drivers);
    EXPECT_EQ(drivers, 1);
    ASSERT_EQ(system->init(8, FMOD_INIT_NORMAL, nullptr), FMOD_OK);

    FMOD::Channel* channel = nullptr;
    system->playSound(makeSound(system, std::vector<float>(4800, 0.5f)), nullptr, false, &channel);
    const auto start = Clock::now();
    EXPECT_TRUE(waitUntil([&] {
        system->update();
        bool playing = false;
        return channel->isPlaying(&playing) != FMOD_OK || !playing;
    }));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50)); // four 1,024-frame buffers at least
    system->release();
}

TEST(SdlOutput, OnTheDiskDriverTheFileHoldsTheMixedFrames)
{
    ScratchDirectory scratch("orva-disk-audio");
    const std::string file = (scratch.path() / "out.raw").string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(system->init(8, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    FMOD::Channel* channel = nullptr;
    system->playSound(
        makeSound(system, SoundFiles::sine(4800, 1000.0, 0.5f), FMOD_OPENMEMORY | FMOD_LOOP_NORMAL), nullptr,
        false, &channel);
    // Three times round the loop, however slowly the device's thread is given the processor.
    unsigned last = 0;
    int rounds = 0;
    EXPECT_TRUE(waitUntil([&] {
        unsigned position = 0;
        channel->getPosition(&position, FMOD_TIMEUNIT_PCM);
        rounds += position < last ? 1 : 0;
        last = position;
        return rounds == 3;
    }));
    channel->stop();
    system->release(); // closes the device, which flushes the file

    std::ifstream in(file, std::ios::binary);
    std::vector<float> frames;
    float sample = 0.0f;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample))
        frames.push_back(sample);
    ASSERT_GT(frames.size(), 2u * 4800);
    float peak = 0.0f;
    for (const float s : frames)
        peak = std::max(peak, std::fabs(s));
    EXPECT_NEAR(peak, 0.5f, 0.01f);
}

} // namespace
