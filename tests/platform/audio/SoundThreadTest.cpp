#include <chrono>
#include <cstdlib>
#include <random>

#include "SoundFixture.h"
#include "WaitLimit.h"

// Calls from the game's thread racing SDL's mixing thread on the dummy driver; run under
// ThreadSanitizer too.

namespace {

FMOD::Sound* makeSound(FMOD::System* system, size_t frames)
{
    const std::vector<char> bytes = SoundFiles::encodeFloats(SoundFiles::sine(frames, 330.0));
    FMOD_CREATESOUNDEXINFO info{};
    info.length = unsigned(bytes.size());
    FMOD::Sound* sound = nullptr;
    system->createSound(bytes.data(), FMOD_OPENMEMORY | FMOD_LOOP_NORMAL, &info, &sound);
    return sound;
}

TEST(SoundThreads, PlaysChangesStopsAndReleasesWhileMixing)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(system->init(8, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    std::vector<FMOD::Sound*> sounds{makeSound(system, 480), makeSound(system, 4800)};
    std::vector<FMOD::ChannelGroup*> groups(3);
    for (FMOD::ChannelGroup*& group : groups)
        system->createChannelGroup("race", &group);
    FMOD::DSP* echo = nullptr;
    system->createDSPByType(FMOD_DSP_TYPE_ECHO, &echo);
    groups[0]->addDSP(0, echo);
    std::vector<FMOD::Channel*> channels;

    std::mt19937 random(11);
    const auto pick = [&](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };
    // Two seconds of racing at least, and at least 100 plays among it: a loaded machine or a
    // sanitizer build gets more time rather than fewer plays.
    const auto start = std::chrono::steady_clock::now();
    const auto racing = [&](int plays) {
        const auto spent = std::chrono::steady_clock::now() - start;
        return spent < std::chrono::seconds(2) || (plays <= 100 && spent < WaitLimit);
    };
    int plays = 0;
    while (racing(plays)) {
        FMOD::Channel* channel = nullptr;
        switch (pick(6)) {
        case 0:
            system->playSound(sounds[pick(2)], groups[pick(3)], false, &channel);
            channels.push_back(channel);
            ++plays;
            break;
        case 1:
            if (!channels.empty())
                channels[pick(channels.size())]->setVolume(float(pick(100)) / 100.0f);
            break;
        case 2:
            if (!channels.empty())
                channels[pick(channels.size())]->stop();
            break;
        case 3: {
            const size_t which = pick(2);
            sounds[which]->release();
            sounds[which] = makeSound(system, 480 * (which * 9 + 1));
            break;
        }
        case 4:
            groups[pick(3)]->setPitch(0.5f + float(pick(4)) / 2.0f);
            echo->setParameterFloat(0, float(10 + pick(200)));
            break;
        default:
            system->update();
            break;
        }
    }
    EXPECT_GT(plays, 100);
    system->release();
}

} // namespace
