#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "AudioFixture.h"

// The audio manager on the render output: levels, timing, stale and empty channels, effects.

namespace {

using Orva::Audio::AudioChannel;
using SoundFiles::everyFrameIs;
using SoundFiles::nonZeroFrames;

using AudioManagerTest = WithSound<EngineTest>;

constexpr char Level[] = "sounds/level.wav";
constexpr char Blip[] = "sounds/blip.wav";

double rms(const std::vector<float>& out)
{
    return std::sqrt(std::inner_product(out.begin(), out.end(), out.begin(), 0.0) / double(out.size()));
}

// "Wtf", three runs of digits parted by commas, the line end and nothing more.
bool isWtfLine(const std::string& text)
{
    char digits[3][16];
    int end = 0;
    return std::sscanf(text.c_str(), "Wtf%15[0-9],%15[0-9],%15[0-9]%n", digits[0], digits[1], digits[2],
                       &end) == 3 &&
           text.substr(std::size_t(end)) == "\n";
}

TEST_F(AudioManagerTest, LevelsFollowTheSfxGroupsVolumeMuteAndPause)
{
    loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    const AudioChannel channel = audio().playSFX(Level);
    group("sfx").setVolume(0.5f);
    EXPECT_TRUE(everyFrameIs(render(960), 0.125f, -0.25f));
    group("bgm").setMute(true);
    EXPECT_TRUE(everyFrameIs(render(960), 0.125f, -0.25f)) << "another group's mute";
    group("sfx").setMute(true);
    EXPECT_TRUE(everyFrameIs(render(960), 0.0f, 0.0f));
    group("sfx").toggleMute();
    EXPECT_FALSE(group("sfx").isMute());
    group("sfx").toggleMute();
    group("sfx").toggleMute();
    EXPECT_TRUE(everyFrameIs(render(960), 0.125f, -0.25f)) << "two toggles restore";

    group("sfx").pause();
    const unsigned position = channel.getTimePosition();
    EXPECT_TRUE(everyFrameIs(render(4800), 0.0f, 0.0f));
    EXPECT_EQ(channel.getTimePosition(), position);
    group("sfx").unpause();
    EXPECT_TRUE(everyFrameIs(render(960), 0.125f, -0.25f)) << "the last fifth";
    EXPECT_TRUE(everyFrameIs(render(10), 0.0f, 0.0f));
}

TEST_F(AudioManagerTest, LoopsPitchAndFrequencyGiveTheirLengths)
{
    // 100 ms at 24 kHz.
    loadSound(Blip, SoundFiles::encodeFloats(std::vector<float>(2400, 0.5f), 1, 24000));
    Orva::Audio::AudioBaseGroup* sfx = audio().getGroup("sfx");
    const auto framesOf = [&](const AudioChannel& channel) {
        EXPECT_TRUE(channel.isPlaying());
        return nonZeroFrames(render(20000));
    };
    EXPECT_EQ(framesOf(audio().play(Blip, sfx, true, 2, 1.0f)), 14400u);
    EXPECT_EQ(framesOf(audio().play(Blip, sfx, false, 5, 1.0f)), 4800u) << "the loop count is for loops";
    EXPECT_EQ(framesOf(audio().play(Blip, sfx, false, 0, 2.0f)), 2400u);
    AudioChannel slow = audio().playSFX(Blip);
    slow.setFrequency(12000.0f);
    EXPECT_EQ(framesOf(slow), 9600u);

    const AudioChannel music = audio().playBGM(Blip);
    const AudioChannel wind = audio().playAmbience(Blip);
    render(48000);
    EXPECT_TRUE(music.isPlaying() && wind.isPlaying());
    EXPECT_TRUE(music.getTimePosition() < 100 && wind.getTimePosition() < 100);
}

TEST_F(AudioManagerTest, StaleUnknownPendingAndFailedSoundsAreHarmless)
{
    loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    AudioChannel ended = audio().playSFX(Level);
    render(4800);
    EngineTest::runFrames(1, 1.0f / 60.0f);
    EXPECT_FALSE(ended.isPlaying());
    EXPECT_EQ(ended.getVolume(), 0.0f);
    const AudioChannel newer = audio().playSFX(Level);
    ended.setVolume(0.0f);
    ended.stop();
    EXPECT_TRUE(everyFrameIs(render(100), 0.25f, -0.5f)) << "the newer channel is left alone";
    EXPECT_TRUE(newer.isPlaying());

    const AudioChannel unknown = audio().playSFX("sounds/none.wav");
    EXPECT_EQ(unknown.getName(), "");
    expectHarmless(unknown);
    audio().load("sounds/later.wav");
    audio().load("sounds/later.wav");
    const AudioChannel pending = audio().playBGM("sounds/later.wav");
    EXPECT_EQ(pending.getName(), "sounds/later.wav");
    expectHarmless(pending);
    expectHarmless(audio().play("sounds/later.wav", nullptr, true, -1, 1.0f));
    testing::internal::CaptureStderr();
    deliverLoads();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "audio: " + keyOf("sounds/later.wav") + " was not loaded: the file is missing or empty\n");
    EXPECT_EQ(Orva::Resources::ResourceManager::getInstance().getMaxLoadCount(), 2u);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    loadSound("sounds/bad.wav", std::vector<char>(100, 'x'));
    const std::string printed = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isWtfLine(printed)) << printed;
    EXPECT_EQ(audio().getSounds().at(keyOf("sounds/bad.wav")), nullptr);
    expectHarmless(audio().playSFX("sounds/bad.wav"));

    audio().load("sounds/a.wav");
    audio().destroySound("sounds/a.wav");
    EXPECT_EQ(audio().getSounds().count(keyOf("sounds/a.wav")), 1u) << "the key holds the resource directory";
    audio().destroySound(keyOf("sounds/a.wav"));
    audio().load("sounds/b.wav");
    audio().destroyAllSounds();
    deliverLoads();
    EXPECT_TRUE(audio().getSounds().empty()) << "replies to dropped keys are dropped";
    expectHarmless(audio().playSFX(Level));
}

TEST_F(AudioManagerTest, AGroupsEffectFiltersAndUnknownKindsChangeNothing)
{
    // 4,800 frames are 500 whole periods: every loop renders the same samples.
    loadSound(Blip, SoundFiles::encodeFloats(SoundFiles::sine(4800, 5000.0)));
    Orva::Audio::AudioGroup& sfx = group("sfx");
    audio().play(Blip, &sfx, true, -1, 1.0f);
    const std::vector<float> plain = render(4800);
    sfx.setDSP(1);
    sfx.setDSPValue(0, 500.0f);
    sfx.setDSPValue(4, 20000.0f);
    render(480);
    EXPECT_LT(rms(render(4800)), rms(plain) * std::pow(10.0, -12.0 / 20.0));

    sfx.setDSP(3);
    int bytes[3]{};
    Orva::Platform::Test::soundMemory(&bytes[0], &bytes[2]);
    sfx.setDSP(3);
    Orva::Platform::Test::soundMemory(&bytes[1], &bytes[2]);
    EXPECT_EQ(bytes[1], bytes[0]) << "the same kind makes no second effect";
    sfx.setDSP(0);
    EXPECT_EQ(sfx.getDSP(), 0);
    render(4320);
    EXPECT_EQ(render(4800), plain);

    sfx.setDSP(12);
    sfx.setDSPValue(0, 1.0f);
    sfx.updateDSP();
    EXPECT_EQ(sfx.getDSP(), 12);
    EXPECT_EQ(render(4800), plain);
}

TEST_F(AudioManagerTest, GroupsClampVolumesLetDroppedChannelsPlayOnAndTakeGrouplessPlays)
{
    loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    AudioChannel channel = audio().playBGM(Level);
    for (const auto& [set, expected] : {std::pair{1.5f, 1.0f}, std::pair{-1.0f, 0.0f}}) {
        group("bgm").setVolume(set);
        channel.setVolume(set);
        EXPECT_EQ(group("bgm").getVolume(), expected);
        EXPECT_EQ(channel.getVolume(), expected);
    }
    channel.setVolume(1.0f);
    group("bgm").setVolume(1.0f);
    audio().setMasterVolume(2.0f);
    EXPECT_TRUE(everyFrameIs(render(10), 0.5f, -1.0f)) << "the master volume is not clamped";
    audio().setMasterVolume(1.0f);

    audio().destroyGroupByName("bgm");
    EXPECT_NE(audio().getGroup("bgm"), nullptr);
    Orva::Audio::AudioBaseGroup* door = audio().createGroup("Door");
    EXPECT_EQ(audio().createGroup("Door"), door);
    EXPECT_EQ(audio().getGroup("Window"), nullptr);
    const AudioChannel creak = audio().play(Level, door, true, -1, 1.0f);
    audio().destroyGroupByName("Door");
    EXPECT_EQ(audio().getGroup("Door"), nullptr);
    EXPECT_TRUE(everyFrameIs(render(10), 0.5f, -1.0f)) << "dropped without a stop";
    EXPECT_FALSE(door->isPlaying()) << "the retired group is an empty one";

    audio().destroyGroup(audio().getGroup("bgm"));
    EXPECT_FALSE(channel.isPlaying());
    EXPECT_NE(audio().getGroup("bgm"), nullptr) << "a fixed group is stopped, not dropped";
    audio().stopAllSounds();
    EXPECT_FALSE(creak.isPlaying());

    group("ambience").setVolume(0.25f);
    const AudioChannel first = audio().play(Level, nullptr, false, 0, 1.0f);
    EXPECT_EQ(first.getVolume(), 0.25f) << "the first group by name, whose volume it copies";
    EXPECT_TRUE(everyFrameIs(render(100), 0.25f * 0.0625f, -0.5f * 0.0625f));
}

} // namespace
