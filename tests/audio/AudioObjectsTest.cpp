#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

#include "AudioFixture.h"
#include "audio/AudioComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/LuaScriptManager.h"
#include "world/StageFixture.h"

// Audio components and the groups they share with same-named objects, the fixed groups and
// stage changes; stages before the sound system starts, and without an output.

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

Orva::Audio::AudioBaseGroup* groupOf(const GameObject* object)
{
    return object->getComponent<AudioComponent>()->audioGroup;
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
};

TEST_F(AudioObjectsTest, SameNamedObjectsShareAGroupThatTheFirstDestroyedWhilePlayingOrAStageChangeDrops)
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

    // A stage change retires every group; the channels play on in the master group.
    GameObject* crate = withAudio("Crate");
    const AudioChannel song = audio().play(Level, fresh, true, -1, 1.0f);
    Orva::Audio::AudioGroup* sfx = audio().getGroup("sfx");
    audio().destroyAllGroups();
    EXPECT_NE(audio().getGroup("sfx"), sfx);
    EXPECT_EQ(audio().getGroup("Crate"), nullptr);
    objects().destroy(crate);
    EXPECT_TRUE(song.isPlaying());
    EXPECT_EQ(SoundFiles::nonZeroFrames(render(100)), 100u);
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
    EXPECT_TRUE(bgm->isPlaying() && again.isPlaying());
}

class QuietSoundTest : public WithSound<StageTest>
{
protected:
    QuietSoundTest() { startSound = false; }
};

TEST_F(QuietSoundTest, StagesRunWithSoundNotYetStartedAndThenWithoutAnOutput)
{
    const std::vector<char> bytes = SoundFiles::stereo16(480, 1, 1);
    writeResource(Level, std::string(bytes.begin(), bytes.end()));
    writeStage("a.stg", radioStage("A"));
    writeStage("b.stg", radioStage("B"));
    listStages();
    states().changeState("A");
    deliverLoads();
    ASSERT_EQ(audio().getSounds().size(), 1u);
    EXPECT_EQ(audio().getSounds().begin()->second, nullptr) << "asked for, never decoded";
    Orva::Audio::AudioBaseGroup* early = groupOf(objects().find("Radio"));
    EXPECT_NE(dynamic_cast<Orva::Audio::AudioEmptyGroup*>(early), nullptr);
    expectHarmless(audio().playSFX(Level));

    output.setDriverCount(0);
    startSoundSystem();
    EXPECT_EQ(startPrinted, "audio: there is no sound output; the game runs without sound\n");
    EXPECT_FALSE(audio().isEnabled());
    EXPECT_NE(audio().createGroup("Radio"), early) << "groups made before the start are retired";
    states().changeState("B");
    deliverLoads();
    EXPECT_NE(dynamic_cast<Orva::Audio::AudioEmptyGroup*>(groupOf(objects().find("Radio"))), nullptr);
    EXPECT_EQ(audio().getGroup("Radio"), nullptr);
    EXPECT_EQ(audio().getGroup("sfx"), nullptr);
    EXPECT_NE(dynamic_cast<Orva::Audio::AudioEmptyGroup*>(audio().createGroup("sfx")), nullptr);
    expectHarmless(audio().playSFX(Level));
    expectHarmless(audio().play(Level, nullptr, true, 1, 1.0f));
    // As scripts see it: no group to get, the empty group to create.
    EXPECT_EQ(luaL_dostring(Orva::LuaScriptManager::getInstance().getLuaState(), R"(
        assert(audio:getGroup('sfx') == nil and getmetatable(audio:createGroup('sfx')).__name == 'AudioEmptyGroup'))"),
              LUA_OK);
}

} // namespace
