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

    EXPECT_EQ(run("c = g:getAudio(p); c:setGroup(nil); assert(c:getGroup() == nil); c:stop()"), "");
    EXPECT_TRUE(holds("audio:play(p, nil, false, 0, 1):isPlaying() and g:isPlaying()"))
        << "the first group by name";

    ASSERT_EQ(run("o = gameObjects:createGOWithName('Radio')"), "");
    EXPECT_TRUE(holds("o:addAudio().audioGroup == audio:getGroup(o.Name) and o:getAudio().audioGroup == g"));
    EXPECT_EQ(run("o:getAudio().audioGroup = audio:getGroup('sfx'); assert(o:getAudio().audioGroup ~= g)"),
              "");
}

TEST_F(AudioScriptTest, UnknownNamesNilArgumentsAndHiddenMembers)
{
    EXPECT_EQ(run(R"(local c, g = audio:playSFX('sounds/none.wav'), audio:getGroup('sfx')
        c:setVolume(1); c:toggleMute(); c:stop()
        assert(not c:isPlaying() and not c:isMute() and c:getVolume() == 0 and c:getFrequency() == 0)
        g:addAudio('x', audio:playBGM('none')); assert(g:getAudio('x'))
        assert(g:getDSP() == 0); g:setDSP(3); assert(g:getDSP() == 3)
        local hidden = {[audio] = {'setPosition', 'update', 'destroyGroup', 'initialize'},
            [c] = {'getTimePosition', 'getLoopCount', 'setPosition'},
            [g] = {'getVolume', 'setPitch', 'updateDSP', 'getFMODChannelGroup'}}
        for object, names in pairs(hidden) do
            for _, name in ipairs(names) do assert(object[name] == nil, name) end
        end)"),
              "");
    EXPECT_NE(run("audio:playSFX(nil)").find("bad argument #1 to 'playSFX' (string expected, got nil)"),
              std::string::npos);
    EXPECT_NE(run("audio:getGroup('sfx'):addAudio('x', nil)").find("AudioChannel expected, got nil"),
              std::string::npos);
    testing::internal::CaptureStderr();
    EXPECT_EQ(run("audio:load('../level.wav')"), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "scripts: load refused the path \"../level.wav\": it is "
              "empty, absolute or leaves its folder with \"..\"\n");
    EXPECT_TRUE(audio().getSounds().empty());
}

// Dropped groups are freed once no audio component holds them: soon after they pile up, and
// at the latest at a stage change. What still points at a freed group finds it gone.
TEST_F(AudioScriptTest, DroppedGroupsAreFreedOnceNoComponentHoldsThem)
{
    const auto liveGroups = [] {
        return Orva::MemoryPoolManager::getInstance().liveCount("Orva::Audio::AudioGroup");
    };
    const int fixed = liveGroups();
    ASSERT_EQ(run("for i = 1, 200000 do audio:createGroup('g' .. i); audio:destroyGroupByName('g' .. i) end"),
              "");
    EXPECT_LT(liveGroups(), fixed + 200) << "a long session does not grow";

    loadSound(Level, SoundFiles::stereo16(4800, 8192, -16384));
    ASSERT_EQ(run(R"(kept = audio:createGroup('Kept'); c = audio:playSFX('sounds/level.wav'); c:setGroup(kept)
        radio = gameObjects:createGOWithName('Radio'); radio:addAudio()
        audio:destroyGroupByName('Kept'); audio:destroyGroupByName('Radio'); audio:destroyAllGroups())"),
              "");
    EXPECT_EQ(liveGroups(), fixed + 1) << "the fixed three made again, and the radio's";
    EXPECT_NE(run("kept:setVolume(1)").find("AudioGroup no longer exists"), std::string::npos);
    EXPECT_TRUE(holds("c:getGroup() == nil and not radio:getAudio().audioGroup:isPlaying()"))
        << "the radio's held";

    ASSERT_EQ(run("gameObjects:destroyNow(radio); audio:destroyAllGroups()"), "");
    EXPECT_EQ(liveGroups(), fixed);
}

} // namespace
