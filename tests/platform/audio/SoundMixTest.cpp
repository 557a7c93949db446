#include <thread>

#include "SoundFixture.h"

// Decoding, levels, timing, channel handles and the group tree, rendered exactly.

namespace {

using Decoding = RenderedSystem;
using Levels = RenderedSystem;
using Timing = RenderedSystem;
using Handles = RenderedSystem;
using Groups = RenderedSystem;

void expectEveryFrame(const std::vector<float>& out, float left, float right)
{
    for (size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], left) << "frame " << i / 2;
        ASSERT_EQ(out[i + 1], right) << "frame " << i / 2;
    }
}

TEST_F(Decoding, IntegerWavsOfEveryDepthGiveExactSamples)
{
    for (const int depth : {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32}) {
        const std::vector<short> samples(1000, 8192);
        FMOD::Sound* sound = load(SoundFiles::encode(SF_FORMAT_WAV | depth, 1, 48000, [&](SNDFILE* file) {
            sf_writef_short(file, samples.data(), sf_count_t(samples.size()));
        }));
        FMOD::Channel* channel = play(sound);
        expectEveryFrame(render(1000), 0.25f, 0.25f);
        channel->stop();
        sound->release();
    }
}

TEST_F(Decoding, CompressedFormatsKeepEveryFrameAndWideFilesAverageToMono)
{
    for (const int format : {SF_FORMAT_OGG | SF_FORMAT_VORBIS, SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                             SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, SF_FORMAT_OGG | SF_FORMAT_OPUS,
                             SF_FORMAT_AIFF | SF_FORMAT_PCM_16}) {
        FMOD::Sound* sound = load(SoundFiles::encodeFloats(SoundFiles::sine(4800, 440.0), 1, 48000, format));
        ASSERT_NE(sound, nullptr) << std::hex << format;
        unsigned int frames = 0;
        sound->getLength(&frames, FMOD_TIMEUNIT_PCM);
        EXPECT_EQ(frames, 4800u) << std::hex << format;
    }

    std::vector<float> threeChannels;
    for (int i = 0; i < 100; ++i)
        threeChannels.insert(threeChannels.end(), {0.25f, 0.5f, 0.75f});
    play(load(SoundFiles::encodeFloats(threeChannels, 3)));
    expectEveryFrame(render(100), 0.5f, 0.5f);
}

TEST_F(Decoding, GarbageFailsWithoutASoundOrAByteKept)
{
    std::vector<char> garbage(100);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i * 7 % 97 + 1);
    int before = 0, after = 0, peak = 0;
    FMOD_Memory_GetStats(&before, &peak, true);
    FMOD_CREATESOUNDEXINFO info{};
    info.length = unsigned(garbage.size());
    FMOD::Sound* sound = reinterpret_cast<FMOD::Sound*>(&info);
    EXPECT_EQ(system->createSound(garbage.data(), FMOD_OPENMEMORY, &info, &sound), FMOD_ERR_FORMAT);
    EXPECT_EQ(sound, nullptr);
    FMOD_Memory_GetStats(&after, &peak, true);
    EXPECT_EQ(after, before);

    FMOD::Channel* channel = reinterpret_cast<FMOD::Channel*>(&info);
    EXPECT_EQ(system->playSound(nullptr, nullptr, false, &channel), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(channel, nullptr);
}

TEST_F(Levels, VolumesMultiplyDownTheTreeAndPanSplitsMonoIntoGains)
{
    FMOD::ChannelGroup* a = group();
    FMOD::ChannelGroup* b = group(a);
    a->setVolume(0.5f);
    b->setVolume(0.5f);
    FMOD::Channel* channel = play(constant(48000), b);
    expectEveryFrame(render(1000), 0.0625f, 0.0625f);
    channel->setPan(-1.0f);
    expectEveryFrame(render(1000), 0.0625f, 0.0f);
    channel->setPan(0.5f);
    expectEveryFrame(render(1000), 0.03125f, 0.0625f);

    a->setMute(true);
    expectEveryFrame(render(1000), 0.0f, 0.0f);
    a->setMute(false);
    float volume = 0;
    b->getVolume(&volume);
    EXPECT_EQ(volume, 0.5f); // a group reads back its own volume

    unsigned int position = 0, heldAt = 0;
    channel->getPosition(&position, FMOD_TIMEUNIT_PCM);
    EXPECT_EQ(position, 4000u); // muted audio still moves on
    b->setPaused(true);
    expectEveryFrame(render(1000), 0.0f, 0.0f);
    channel->getPosition(&heldAt, FMOD_TIMEUNIT_PCM);
    EXPECT_EQ(heldAt, position);
    bool playing = false;
    b->isPlaying(&playing);
    EXPECT_TRUE(playing);
    b->setPaused(false);
    expectEveryFrame(render(1000), 0.03125f, 0.0625f);
}

TEST_F(Timing, PassesPitchesFrequenciesAndPositionsSetHowLongASoundSounds)
{
    FMOD::Sound* full = constant(4800);
    FMOD::Sound* half = constant(2400, 0.25f, 24000);
    FMOD::ChannelGroup* fast = group();
    fast->setPitch(2.0f);
    const auto sounding = [&](FMOD::Sound* sound, auto&& adjust, FMOD::ChannelGroup* in = nullptr) {
        FMOD::Channel* channel = play(sound, in);
        adjust(channel);
        const size_t count = nonZeroFrames(render(20000));
        system->update();
        return count;
    };
    EXPECT_EQ(sounding(full, [](FMOD::Channel*) {}), 4800u);
    EXPECT_EQ(sounding(full,
                       [](FMOD::Channel* c) {
                           c->setMode(FMOD_LOOP_NORMAL);
                           c->setLoopCount(2);
                       }),
              14400u);
    EXPECT_EQ(sounding(full, [](FMOD::Channel* c) { c->setPitch(2.0f); }), 2400u);
    EXPECT_EQ(sounding(
                  full, [](FMOD::Channel* c) { c->setPitch(0.5f); }, fast),
              4800u);
    EXPECT_EQ(sounding(full, [](FMOD::Channel* c) { c->setFrequency(24000.0f); }), 9600u);
    EXPECT_EQ(sounding(half, [](FMOD::Channel*) {}), 4800u);
    EXPECT_EQ(
        sounding(full, [](FMOD::Channel* c) { EXPECT_EQ(c->setPosition(50, FMOD_TIMEUNIT_MS), FMOD_OK); }),
        2400u);
    EXPECT_EQ(sounding(full,
                       [](FMOD::Channel* c) {
                           EXPECT_EQ(c->setPosition(100, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_POSITION);
                       }),
              4800u);

    // A sound's mode and loop count are copied at play; the channel counts its passes down.
    full->setMode(FMOD_LOOP_NORMAL);
    full->setLoopCount(3);
    FMOD::Channel* looping = play(full);
    render(4800 + 100);
    int passes = 0;
    looping->getLoopCount(&passes);
    EXPECT_EQ(passes, 2);
    unsigned int ms = 0;
    looping->getPosition(&ms, FMOD_TIMEUNIT_MS);
    EXPECT_EQ(ms, 2u); // 100 frames at 48 kHz
}

TEST_F(Handles, APlayPastTheVoicesTakesTheOldestNonLoopingVoiceAndStaleHandlesTouchNothing)
{
    FMOD::Sound* loop = constant(48000, 0.25f);
    loop->setMode(FMOD_LOOP_NORMAL);
    FMOD::Sound* quiet = constant(48000, 1.0f / 64);
    FMOD::Channel* looping = play(loop);
    std::vector<FMOD::Channel*> channels;
    for (int i = 0; i < 36; ++i)
        channels.push_back(play(quiet));

    FMOD::Channel* stale = channels.front(); // the oldest that does not loop
    float volume = -1.0f;
    bool playing = true;
    EXPECT_EQ(stale->getVolume(&volume), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(stale->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(volume, -1.0f);
    EXPECT_TRUE(playing);
    EXPECT_EQ(stale->setVolume(0.0f), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(looping->isPlaying(&playing), FMOD_OK);
    EXPECT_TRUE(playing);
    // The looping one and 35 quiet ones, all at full volume.
    expectEveryFrame(render(100), 0.25f + 35.0f / 64, 0.25f + 35.0f / 64);

    // Stopping or reaping makes a handle stale too.
    channels.back()->stop();
    EXPECT_EQ(channels.back()->setPaused(true), FMOD_ERR_INVALID_HANDLE);
    FMOD::Channel* once = play(constant(10));
    render(20);
    EXPECT_EQ(once->isPlaying(&playing), FMOD_OK);
    EXPECT_FALSE(playing);
    system->update();
    EXPECT_EQ(once->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE);
}

TEST_F(Groups, CyclesAreRefusedAndAReleasedGroupHandsItsAudioToTheRoot)
{
    FMOD::ChannelGroup* parent = group();
    FMOD::ChannelGroup* child = group(parent);
    EXPECT_EQ(child->addGroup(child, true, nullptr), FMOD_ERR_GROUP_CYCLE);
    EXPECT_EQ(child->addGroup(parent, true, nullptr), FMOD_ERR_GROUP_CYCLE);
    EXPECT_EQ(parent->addGroup(root, true, nullptr), FMOD_ERR_GROUP_CYCLE);
    FMOD::ChannelGroup* above = nullptr;
    child->getParentGroup(&above);
    EXPECT_EQ(above, parent);
    parent->getParentGroup(&above);
    EXPECT_EQ(above, root);

    parent->setVolume(0.0f);
    FMOD::Channel* inParent = play(constant(48000, 0.25f), parent);
    play(constant(48000, 0.125f), child);
    expectEveryFrame(render(100), 0.0f, 0.0f);
    EXPECT_EQ(parent->release(), FMOD_OK);
    expectEveryFrame(render(100), 0.375f, 0.375f);
    FMOD::ChannelGroup* now = nullptr;
    inParent->getChannelGroup(&now);
    EXPECT_EQ(now, root);
    child->getParentGroup(&above);
    EXPECT_EQ(above, root);
    EXPECT_EQ(root->release(), FMOD_ERR_INVALID_PARAM);

    bool playing = false;
    child->isPlaying(&playing);
    EXPECT_TRUE(playing);
    child->stop();
    child->isPlaying(&playing);
    EXPECT_FALSE(playing);
}

TEST_F(Groups, ReleasingAPlayingSoundSilencesItsChannelsFirst)
{
    FMOD::Sound* sound = constant(48000);
    FMOD::Channel* channel = play(sound);
    render(100);
    sound->release();
    expectEveryFrame(render(100), 0.0f, 0.0f);
    EXPECT_EQ(channel->setVolume(1.0f), FMOD_ERR_INVALID_HANDLE);
}

TEST(SilentOutput, WithoutADeviceUpdateMovesChannelsOnByWallTime)
{
    Orva::Platform::RenderOutput none(0);
    Orva::Platform::Test::setAudioOutput(&none);
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    Orva::Platform::Test::setAudioOutput(nullptr);
    int drivers = -1;
    system->getNumDrivers(&drivers);
    EXPECT_EQ(drivers, 0);
    EXPECT_EQ(system->init(4, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_OUTPUT_INIT);

    FMOD_CREATESOUNDEXINFO info{};
    const std::vector<char> bytes = SoundFiles::encodeFloats(std::vector<float>(4800, 0.5f)); // 100 ms
    info.length = unsigned(bytes.size());
    FMOD::Sound* sound = nullptr;
    system->createSound(bytes.data(), FMOD_OPENMEMORY, &info, &sound);
    FMOD::Channel* channel = nullptr;
    system->playSound(sound, nullptr, false, &channel);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    system->update();
    bool playing = true;
    EXPECT_EQ(channel->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE);
    system->release();
}

} // namespace
