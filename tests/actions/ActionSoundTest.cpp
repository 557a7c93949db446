#include <memory>
#include <vector>

#include "actions/ActionContainers.h"
#include "actions/LeafActions.h"
#include "audio/AudioFixture.h"

// The play-sound action on the audio manager's render output.

namespace {

using namespace Orva::Actions;

constexpr float Step = 0.016f;
constexpr char Level[] = "sounds/level.wav";

using ActionSoundTest = WithSound<EngineTest>;

TEST_F(ActionSoundTest, SequencePlaysTheSoundTheStepAfterItsFirstDelay)
{
    loadSound(Level, SoundFiles::stereo16(48000, 8192, -16384));
    ActionSequence sequence;
    sequence.delay(1.0f)->playSound(Level)->delay(1.0f);
    for (int step = 1; step <= 63; ++step) {
        ASSERT_FALSE(sequence.update(Step));
    }
    EXPECT_FALSE(group("sfx").isPlaying());
    EXPECT_FALSE(sequence.update(Step));
    EXPECT_TRUE(group("sfx").isPlaying()) << "played on step 64";
    for (int step = 65; step <= 126; ++step) {
        ASSERT_FALSE(sequence.update(Step));
    }
    EXPECT_TRUE(sequence.update(Step)) << "finished on step 127";
}

TEST_F(ActionSoundTest, PitchIsSetAsGivenAndVolumeClamped)
{
    loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    ActionGroup group;
    group.playSoundWithVolumeAndPitch(Level, 0.5f, 2.0f);
    group.update(Step);
    const std::vector<float> halved = render(4800);
    EXPECT_EQ(SoundFiles::nonZeroFrames(halved), 2400u) << "twice as fast";
    EXPECT_TRUE(
        SoundFiles::everyFrameIs(std::vector<float>(halved.begin(), halved.begin() + 4800), 0.125f, -0.25f));

    std::unique_ptr<ActionBase> loud(new ActionPlaySound(Level, 3.0f, 1.0f));
    loud->update(Step);
    EXPECT_TRUE(SoundFiles::everyFrameIs(render(4800), 0.25f, -0.5f));
    EXPECT_TRUE(loud->update(Step));
    EXPECT_EQ(SoundFiles::nonZeroFrames(render(4800)), 0u) << "a finished action plays nothing more";
}

} // namespace
