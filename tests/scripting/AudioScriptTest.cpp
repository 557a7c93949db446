#include <gtest/gtest.h>

#include <string>

#include "ScriptHarness.h"
#include "audio/AudioFixture.h"

// The audio manager, channels and groups as scripts see them, on the render output.

namespace {

using AudioScriptTest = WithSound<ScriptHarness>;
using SoundFiles::everyFrameIs;

constexpr char Level[] = "sounds/level.wav";

TEST_F(AudioScriptTest, ChannelCopiesControlOneChannelAndGroupsKeepTheirOwnCopies)
{
    loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    ASSERT_EQ(run("p = 'sounds/level.wav'; c = audio:playSFX(p); c:setVolume(0.5)"), "");
    EXPECT_TRUE(everyFrameIs(render(10), 0.125f, -0.25f));

    ASSERT_EQ(run("g = audio:createGroup('Radio'); c:setGroup(g); c = nil; collectgarbage()"), "");
    EXPECT_TRUE(holds("g:getAudio(p):isPlaying() and g:getAudio(p):getGroup() == g"));
    ASSERT_EQ(run("local copy = g:getAudio(p); copy:setVolume(0.25)"), "");
    EXPECT_TRUE(everyFrameIs(render(10), 0.0625f, -0.125f)) << "a copy controls the same channel";
    EXPECT_TRUE(holds("g:getAudio(p):getVolume() == 0.25 and g:getAudio('other') == nil"));

    ASSERT_EQ(run("c = g:getAudio(p); c:setGroup(nil)"), "");
    EXPECT_TRUE(holds("c:getGroup() == nil"));
    ASSERT_EQ(run("c:stop(); n = audio:play(p, nil, false, 0, 1)"), "");
    EXPECT_TRUE(holds("n:isPlaying() and g:isPlaying()")) << "nil takes the first group by name: 'Radio'";

    ASSERT_EQ(run("o = gameObjects:createGOWithName('Radio')"), "");
    EXPECT_TRUE(holds("o:addAudio().audioGroup == audio:getGroup(o.Name) and o:getAudio().audioGroup == g"));
    ASSERT_EQ(run("o:getAudio().audioGroup = audio:getGroup('sfx')"), "");
    EXPECT_TRUE(holds("o:getAudio().audioGroup == audio:getGroup('sfx')"));
    ASSERT_EQ(run("c = nil; n = nil; g = nil; o = nil"), "");
}

TEST_F(AudioScriptTest, UnknownNamesNilArgumentsAndHiddenMembers)
{
    EXPECT_TRUE(holds("audio:playSFX('sounds/none.wav'):getVolume() == 0"));
    ASSERT_EQ(run(R"(local c = audio:playSFX('sounds/none.wav')
        c:setVolume(1); c:setPitch(2); c:setFrequency(100); c:setTimePosition(5); c:setLoopCount(2)
        c:toggleMute(); c:setMute(true); c:pause(); c:unpause(); c:stop(); c:setPan(1)
        assert(not c:isPlaying() and not c:isMute() and c:getPitch() == 0 and c:getFrequency() == 0))"),
              "");
    EXPECT_NE(run("audio:playSFX(nil)").find("bad argument #1 to 'playSFX' (string expected, got nil)"),
              std::string::npos);
    EXPECT_NE(run("audio:getGroup('sfx'):addAudio('x', nil)").find("AudioChannel expected, got nil"),
              std::string::npos);
    EXPECT_EQ(run("audio:getGroup('sfx'):addAudio('x', audio:playBGM('none'))"), "");
    EXPECT_TRUE(holds("audio:getGroup('sfx'):getAudio('x') ~= nil"));
    for (const char* hidden : {"audio.setPosition", "audio.update", "audio.destroyGroup", "audio.initialize",
                               "audio:playSFX('x').getTimePosition", "audio:playSFX('x').getLoopCount",
                               "audio:playSFX('x').setPosition", "audio:getGroup('sfx').getVolume",
                               "audio:getGroup('sfx').setPitch", "audio:getGroup('sfx').updateDSP",
                               "audio:getGroup('sfx').getFMODChannelGroup"}) {
        EXPECT_TRUE(holds(std::string(hidden) + " == nil")) << hidden;
    }
    EXPECT_TRUE(holds("audio:getGroup('sfx'):getDSP() == 0"));
    ASSERT_EQ(run("local g = audio:getGroup('sfx'); g:setDSP(3); g:setDSPValue(0, 10); assert(g:getDSP() == 3)"), "");
}

class AudioOffScriptTest : public AudioScriptTest
{
protected:
    AudioOffScriptTest() { output.setDriverCount(0); }
};

TEST_F(AudioOffScriptTest, EmptyGroupsAreNilToGetGroupAndBareToCreateGroup)
{
    EXPECT_TRUE(holds("audio:getGroup('sfx') == nil"));
    EXPECT_TRUE(holds("getmetatable(audio:createGroup('sfx')).__name == 'AudioEmptyGroup'"));
    EXPECT_TRUE(holds("audio:createGroup('sfx').setVolume == nil and audio:getGroup('sfx') == nil"));
    EXPECT_TRUE(holds("not audio:playBGM('sounds/level.wav'):isPlaying()"));
}

} // namespace
