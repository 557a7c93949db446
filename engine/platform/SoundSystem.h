#pragma once

// The sound system the audio manager is written against: a system that decodes sounds from
// memory, plays them on a fixed number of voices through a tree of channel groups with one
// effect slot each, and mixes to the output picked in AudioOutput.h. Every call takes the
// system's one lock, so the output may mix on a thread of its own.
//
// Handles are real addresses. A Channel stays valid memory for the system's life but goes
// stale when its voice is taken by a newer play, stopped or reaped by update; calls through a
// stale channel return FMOD_ERR_INVALID_HANDLE and write no output. Groups, sounds and effects
// are valid until released.

enum FMOD_RESULT : int {
    FMOD_OK = 0,
    FMOD_ERR_INVALID_PARAM,    // a null pointer, a value that is not finite, a bad index
    FMOD_ERR_INVALID_HANDLE,   // a stale channel
    FMOD_ERR_UNSUPPORTED,      // not offered here: a time unit, an effect type, a call on the other kind of
                               // control
    FMOD_ERR_FORMAT,           // data that does not decode
    FMOD_ERR_MEMORY,           // the decoded sound does not fit in memory
    FMOD_ERR_INITIALIZED,      // init called twice
    FMOD_ERR_UNINITIALIZED,    // a play before init
    FMOD_ERR_OUTPUT_INIT,      // no output device opened; update then advances channels by wall time
    FMOD_ERR_INVALID_POSITION, // a position at or past the end of the sound
    FMOD_ERR_DSP_NOTFOUND,     // an empty effect slot, or an effect that is not in it
    FMOD_ERR_DSP_INUSE,        // an effect already in a slot, or a slot already filled
    FMOD_ERR_GROUP_CYCLE,      // a group put under itself, under one of its descendants, or the root moved
};

using FMOD_MODE = unsigned int;
inline constexpr FMOD_MODE FMOD_LOOP_OFF = 0x1;
inline constexpr FMOD_MODE FMOD_LOOP_NORMAL = 0x2;
inline constexpr FMOD_MODE FMOD_OPENMEMORY = 0x800;

using FMOD_TIMEUNIT = unsigned int;
inline constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_MS = 1;
inline constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_PCM = 2; // frames at the sound's own rate

using FMOD_INITFLAGS = unsigned int;
inline constexpr FMOD_INITFLAGS FMOD_INIT_NORMAL = 0;

struct FMOD_VECTOR
{
    float x;
    float y;
    float z;
};

// The effects offered; createDSPByType refuses every other value.
enum FMOD_DSP_TYPE : int {
    FMOD_DSP_TYPE_LOWPASS = 3,
    FMOD_DSP_TYPE_HIGHPASS = 5,
    FMOD_DSP_TYPE_ECHO = 6,
    FMOD_DSP_TYPE_FADER = 7,
    FMOD_DSP_TYPE_FLANGE = 8,
    FMOD_DSP_TYPE_DISTORTION = 9,
    FMOD_DSP_TYPE_NORMALIZE = 10,
    FMOD_DSP_TYPE_PITCHSHIFT = 13,
    FMOD_DSP_TYPE_CHORUS = 14,
    FMOD_DSP_TYPE_SFXREVERB = 19,
    FMOD_DSP_TYPE_TREMOLO = 22,
};

// Extra facts for createSound. Only `length` and `name` are read; the others are kept for
// callers that set them and mean nothing here (the format is always probed from the data).
struct FMOD_CREATESOUNDEXINFO
{
    int cbsize;
    unsigned int length; // bytes of data behind the pointer given to createSound
    int suggestedsoundtype;
    const char* name; // the file the data came from, named when it does not decode; may be null
};

namespace Orva::Platform::Audio {
class ControlAccess;
class Mixer;
class MixGroup;
struct Voice;
} // namespace Orva::Platform::Audio

namespace FMOD {

class Channel;
class ChannelGroup;
class DSP;
class DSPConnection; // never made: addGroup sets its connection result to null
class Sound;

class System
{
public:
    // Output devices offered by the output this system was created on.
    FMOD_RESULT getNumDrivers(int* numDrivers);
    // Makes `maxChannels` voices (1 to 4095) and opens the output. When it cannot open, the
    // result is FMOD_ERR_OUTPUT_INIT, yet the system plays on silently, advanced by update.
    FMOD_RESULT init(int maxChannels, FMOD_INITFLAGS flags, void* extraDriverData);
    // Closes the output first, then frees everything the system made.
    FMOD_RESULT release();
    // Reaps ended channels (their handles go stale, their voices free); without an open
    // output, first advances every channel by the wall time since the last update.
    FMOD_RESULT update();

    // A new group under the master group: volume 1, pitch 1, pan 0, unmuted, running. Names
    // are not kept.
    FMOD_RESULT createChannelGroup(const char* name, ChannelGroup** group);
    FMOD_RESULT getMasterChannelGroup(ChannelGroup** group);
    // Decodes `exinfo->length` bytes at `data` whole (FMOD_OPENMEMORY required; WAV, AIFF, Ogg
    // Vorbis, Opus, FLAC, MP3). The loop bits of `mode` become the sound's mode (default
    // FMOD_LOOP_OFF); its loop count starts at -1. On failure *sound is null.
    FMOD_RESULT createSound(const char* data, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo, Sound** sound);
    // Starts `sound` at its first frame in the next mix, in `group` (null: the master group),
    // with the sound's mode and loop count, volume 1, pitch 1 and the sound's rate. With every
    // voice busy it takes the oldest non-looping channel's voice, else the oldest one's.
    FMOD_RESULT playSound(Sound* sound, ChannelGroup* group, bool paused, Channel** channel);
    FMOD_RESULT createDSPByType(FMOD_DSP_TYPE type, DSP** dsp);

    // Listener 0 only. Null vectors leave that part as it was. Stored; the mix ignores them.
    FMOD_RESULT set3DListenerAttributes(int listener, const FMOD_VECTOR* position,
                                        const FMOD_VECTOR* velocity, const FMOD_VECTOR* forward,
                                        const FMOD_VECTOR* up);
    FMOD_RESULT get3DListenerAttributes(int listener, FMOD_VECTOR* position, FMOD_VECTOR* velocity,
                                        FMOD_VECTOR* forward, FMOD_VECTOR* up);

protected:
    System() = default;
    ~System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;
};

// What channels and groups share. On a group the settings cover its descendants: volumes and
// pitches multiply down the tree, mute and pause hold for everything below; getters return
// the group's own value.
class ChannelControl
{
public:
    // Unclamped; negative volumes invert.
    FMOD_RESULT setVolume(float volume);
    FMOD_RESULT getVolume(float* volume);
    // Playback speed factor; the step is clamped at 0, so negative pitches hold still.
    FMOD_RESULT setPitch(float pitch);
    FMOD_RESULT getPitch(float* pitch);
    // -1 (left) to 1 (right), clamped: gains min(1, 1 - pan) left, min(1, 1 + pan) right.
    FMOD_RESULT setPan(float pan);
    FMOD_RESULT setMute(bool mute);
    FMOD_RESULT getMute(bool* mute);
    FMOD_RESULT setPaused(bool paused);
    FMOD_RESULT getPaused(bool* paused);
    // A channel: not ended (paused counts). A group: any descendant channel plays.
    FMOD_RESULT isPlaying(bool* playing);
    // A channel frees its voice (the handle goes stale); a group stops every descendant channel.
    FMOD_RESULT stop();
    // Channels only: FMOD_LOOP_OFF or FMOD_LOOP_NORMAL (exactly one; other bits are ignored).
    FMOD_RESULT setMode(FMOD_MODE mode);
    FMOD_RESULT getMode(FMOD_MODE* mode);
    // Stored only; positions never change the mix. Null vectors leave that part as it was;
    // `reserved` must be null.
    FMOD_RESULT set3DAttributes(const FMOD_VECTOR* position, const FMOD_VECTOR* velocity,
                                const FMOD_VECTOR* reserved = nullptr);
    FMOD_RESULT get3DAttributes(FMOD_VECTOR* position, FMOD_VECTOR* velocity);
    // Groups only, one slot at index 0. The effect runs on the group's submix before its pan
    // and volume. getDSP of an empty slot fails with a null effect; addDSP of null does nothing.
    FMOD_RESULT getDSP(int index, DSP** dsp);
    FMOD_RESULT addDSP(int index, DSP* dsp);
    FMOD_RESULT removeDSP(DSP* dsp);

protected:
    ChannelControl() = default;
    ~ChannelControl() = default;
    ChannelControl(const ChannelControl&) = delete;
    ChannelControl& operator=(const ChannelControl&) = delete;

private:
    friend class Orva::Platform::Audio::ControlAccess;
    virtual Orva::Platform::Audio::Mixer& owner() const = 0;
    // The voice of a live channel; null for a stale channel and for a group.
    virtual Orva::Platform::Audio::Voice* liveVoice() = 0;
    // Null for a channel.
    virtual Orva::Platform::Audio::MixGroup* asGroup() = 0;
};

class Channel : public ChannelControl
{
public:
    // Under FMOD_LOOP_NORMAL: -1 loops forever, 0 plays once, n adds n passes. Reads back the
    // passes left. Below -1 is refused.
    FMOD_RESULT setLoopCount(int loopCount);
    FMOD_RESULT getLoopCount(int* loopCount);
    // Sample rate the sound is read at; starts at the sound's own.
    FMOD_RESULT setFrequency(float frequency);
    FMOD_RESULT getFrequency(float* frequency);
    // In the sound's own time; a position at or past its end is refused.
    FMOD_RESULT setPosition(unsigned int position, FMOD_TIMEUNIT unit);
    FMOD_RESULT getPosition(unsigned int* position, FMOD_TIMEUNIT unit);
    FMOD_RESULT getChannelGroup(ChannelGroup** group);

protected:
    Channel() = default;
    ~Channel() = default;
};

class ChannelGroup : public ChannelControl
{
public:
    // Moves `child` under this group. Refused (no change) for the group itself, the master
    // group and any ancestor of this group. No connection is made: *connection becomes null.
    FMOD_RESULT addGroup(ChannelGroup* child, bool propagateDSPClock, DSPConnection** connection);
    FMOD_RESULT getParentGroup(ChannelGroup** parent);
    // Hands its channels and child groups to the master group, still playing, and frees the
    // group; its effect stays alive, unattached. The master group is never released.
    FMOD_RESULT release();

protected:
    ChannelGroup() = default;
    ~ChannelGroup() = default;
};

class Sound
{
public:
    // Defaults copied into each channel when it starts; a playing channel keeps its own.
    FMOD_RESULT setMode(FMOD_MODE mode);
    FMOD_RESULT getMode(FMOD_MODE* mode);
    FMOD_RESULT setLoopCount(int loopCount);
    FMOD_RESULT getLoopCount(int* loopCount);
    FMOD_RESULT getLength(unsigned int* length, FMOD_TIMEUNIT unit);
    // Stops every channel playing it, then frees it.
    FMOD_RESULT release();

protected:
    Sound() = default;
    ~Sound() = default;
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
};

// An effect. Parameters are floats, clamped to their range; their order per type is fixed.
class DSP
{
public:
    FMOD_RESULT getNumParameters(int* count);
    // `text`, when given, receives the value printed, cut to `textLength` bytes.
    FMOD_RESULT getParameterFloat(int index, float* value, char* text, int textLength);
    FMOD_RESULT setParameterFloat(int index, float value);
    // An inactive effect passes its input through untouched.
    FMOD_RESULT setActive(bool active);
    FMOD_RESULT getActive(bool* active);
    // Takes it out of its group's slot, then frees it.
    FMOD_RESULT release();

protected:
    DSP() = default;
    ~DSP() = default;
    DSP(const DSP&) = delete;
    DSP& operator=(const DSP&) = delete;
};

} // namespace FMOD

// A system on the output picked with Orva::Platform::Test::setAudioOutput (SDL's by default).
FMOD_RESULT FMOD_System_Create(FMOD::System** system);
// Bytes held by every sound system now, and the most held at once; `blocking` is ignored.
FMOD_RESULT FMOD_Memory_GetStats(int* currentAllocated, int* maxAllocated, bool blocking);
