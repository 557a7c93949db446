#include <gtest/gtest.h>

#include <string>

#include "AudioFixture.h"
#include "audio/AudioComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/StageFixture.h"

// Audio components and the groups they share with same-named objects, the fixed groups and
// stage changes; an engine without sound output, and one whose sound was never started.

namespace {

using Orva::GameObject;
using Orva::Audio::AudioChannel;
using Orva::Audio::AudioComponent;

constexpr char Level[] = "sounds/level.wav";

// A stage with one sound and one object with an audio component.
std::string radioStage(const std::string& name)
{
    return "<stage><info><name text=\"" + name + "\"/></info><resources><sound src=\"" + Level +
           "\"/></resources><objects><obj name=\"Radio\"><comp type=\"10\"/></obj></objects></stage>";
}

class AudioObjectsTest : public WithSound<EngineTest>
{
protected:
    void SetUp() override
    {
        WithSound::SetUp();
        loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    }

    static Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }
    static GameObject* withAudio(const std::string& name)
    {
        GameObject* object = objects().create(name);
        object->addComponent<AudioComponent>();
        return object;
    }
    static Orva::Audio::AudioBaseGroup* groupOf(const GameObject* object)
    {
        return object->getComponent<AudioComponent>()->audioGroup;
    }
};

TEST_F(AudioObjectsTest, SameNamedObjectsShareAGroupThatTheFirstDestroyedWhilePlayingDrops)
{
    GameObject* crates[] = {withAudio("Crate"), withAudio("Crate"), withAudio("Crate")};
    Orva::Audio::AudioBaseGroup* shared = groupOf(crates[0]);
    EXPECT_EQ(shared, audio().getGroup("Crate"));
    EXPECT_EQ(groupOf(crates[2]), shared);
    const AudioChannel rattle = audio().play(Level, shared, true, -1, 1.0f);
    ASSERT_TRUE(rattle.isPlaying());

    objects().destroy(crates[0]);
    EXPECT_FALSE(rattle.isPlaying());
    EXPECT_EQ(audio().getGroup("Crate"), nullptr);
    shared->setVolume(0.5f);
    EXPECT_EQ(shared->getVolume(), 0.0f) << "the others' group is retired, not freed";
    objects().destroy(crates[1]);
    objects().destroy(crates[2]);
    Orva::Audio::AudioBaseGroup* fresh = audio().createGroup("Crate");
    EXPECT_NE(fresh, shared);
    EXPECT_EQ(fresh->getVolume(), 1.0f);
}

TEST_F(AudioObjectsTest, AnObjectNamedAfterAFixedGroupStopsItWithoutDroppingIt)
{
    GameObject* band = withAudio("bgm");
    Orva::Audio::AudioGroup* bgm = audio().getGroup("bgm");
    EXPECT_EQ(groupOf(band), bgm);
    const AudioChannel music = audio().playBGM(Level);
    objects().destroy(band);
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(audio().getGroup("bgm"), bgm);
    const AudioChannel again = audio().playBGM(Level);
    EXPECT_TRUE(bgm->isPlaying());
    EXPECT_TRUE(again.isPlaying());
}

TEST_F(AudioObjectsTest, AStageChangeRetiresGroupsWhoseChannelsPlayOn)
{
    GameObject* radio = withAudio("Radio");
    const AudioChannel song = audio().play(Level, groupOf(radio), true, -1, 1.0f);
    Orva::Audio::AudioGroup* sfx = audio().getGroup("sfx");
    audio().destroyAllGroups();
    EXPECT_NE(audio().getGroup("sfx"), sfx);
    EXPECT_EQ(audio().getGroup("Radio"), nullptr);
    objects().destroy(radio);
    EXPECT_TRUE(song.isPlaying()) << "now in the master group";
    EXPECT_EQ(SoundFiles::nonZeroFrames(render(100)), 100u);
}

TEST_F(AudioObjectsTest, PendingSoundsCanBeDestroyedAndTheirRepliesAreDropped)
{
    audio().load("sounds/a.wav");
    audio().load("sounds/b.wav");
    audio().destroySound("sounds/a.wav");
    EXPECT_EQ(audio().getSounds().size(), 3u) << "keys are stored with the resource directory";
    audio().destroySound(keyOf("sounds/a.wav"));
    EXPECT_EQ(audio().getSounds().count(keyOf("sounds/a.wav")), 0u);
    audio().destroyAllSounds();
    EXPECT_TRUE(audio().getSounds().empty());
    deliverLoads();
    EXPECT_TRUE(audio().getSounds().empty());
    expectHarmless(audio().playSFX(Level));
}

class AudioOffTest : public WithSound<StageTest>
{
protected:
    AudioOffTest() { output.setDriverCount(0); }
};

TEST_F(AudioOffTest, WithoutAnOutputEveryGroupIsEmptyAndEveryPlayHarmless)
{
    EXPECT_FALSE(audio().isEnabled());
    EXPECT_EQ(startPrinted, "audio: there is no sound output; the game runs without sound\n");
    writeStage("a.stg", radioStage("A"));
    listStages();
    states().changeState("A");
    deliverLoads();
    EXPECT_TRUE(audio().getSounds().empty()) << "nothing is asked for";
    const GameObject* radio = objects().find("Radio");
    ASSERT_NE(radio, nullptr);
    EXPECT_NE(dynamic_cast<Orva::Audio::AudioEmptyGroup*>(radio->getComponent<AudioComponent>()->audioGroup), nullptr);
    EXPECT_EQ(audio().getGroup("Radio"), nullptr);
    EXPECT_EQ(audio().getGroup("sfx"), nullptr);
    EXPECT_NE(dynamic_cast<Orva::Audio::AudioEmptyGroup*>(audio().createGroup("sfx")), nullptr);
    expectHarmless(audio().playSFX(Level));
    expectHarmless(audio().play(Level, nullptr, true, 1, 1.0f));
    audio().destroyAllGroups();
    audio().update();
}

class NeverStartedTest : public WithSound<StageTest>
{
protected:
    NeverStartedTest() { startSound = false; }
};

TEST_F(NeverStartedTest, AStageWithSoundsAndAudioComponentsRunsWithoutASoundSystem)
{
    const std::vector<char> bytes = SoundFiles::stereo16(480, 1, 1);
    writeResource(Level, std::string(bytes.begin(), bytes.end()));
    writeStage("a.stg", radioStage("A"));
    listStages();
    states().changeState("A");
    deliverLoads();
    ASSERT_EQ(audio().getSounds().size(), 1u);
    EXPECT_EQ(audio().getSounds().begin()->second, nullptr);
    const GameObject* radio = objects().find("Radio");
    ASSERT_NE(radio, nullptr);
    EXPECT_NE(radio->getComponent<AudioComponent>()->audioGroup, nullptr);
    expectHarmless(audio().playSFX(Level));
    writeStage("b.stg", radioStage("B"));
    listStages();
    states().changeState("B");
    runFrames(3, 1.0f / 60.0f);
    EXPECT_EQ(objects().find("Radio")->getComponent<AudioComponent>()->audioGroup, audio().createGroup("Radio"));
}

} // namespace
