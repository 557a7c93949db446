// One second of 48 kHz stereo mixed on the render output: 64 looping channels at pitches
// spread from 0.5 to 2, in 8 groups of 8 under one parent whose slot holds the effect of the
// run (none in the first). The "core%" counter is the CPU time per second of audio as a share
// of one core.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <numbers>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/SoundSystem.h"

namespace {

constexpr int Rate = Orva::Platform::AudioOutputRate;
constexpr std::size_t BufferFrames = 1024;

// A 16-bit PCM WAV file of `frames` frames of a sine, `channels` wide.
std::vector<char> sineWav(int frames, int channels, double hz)
{
    const auto put = [](std::vector<char>& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const auto text = [](std::vector<char>& out, const char* chars) {
        out.insert(out.end(), chars, chars + 4);
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * 2);
    std::vector<char> out;
    text(out, "RIFF");
    put(out, 36 + dataBytes, 4);
    text(out, "WAVE");
    text(out, "fmt ");
    put(out, 16, 4);
    put(out, 1, 2); // integer PCM
    put(out, static_cast<std::uint32_t>(channels), 2);
    put(out, Rate, 4);
    put(out, static_cast<std::uint32_t>(Rate * channels * 2), 4);
    put(out, static_cast<std::uint32_t>(channels * 2), 2);
    put(out, 16, 2);
    text(out, "data");
    put(out, dataBytes, 4);
    for (int i = 0; i < frames; ++i) {
        const double sample = 0.1 * std::sin(2.0 * std::numbers::pi * hz * i / Rate);
        for (int c = 0; c < channels; ++c)
            put(out,
                static_cast<std::uint16_t>(static_cast<std::int16_t>(sample * 32767.0 * (c + 1) / channels)),
                2);
    }
    return out;
}

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

FMOD::Sound* createSound(FMOD::System* system, const std::vector<char>& bytes)
{
    FMOD_CREATESOUNDEXINFO info{};
    info.length = static_cast<unsigned int>(bytes.size());
    FMOD::Sound* sound = nullptr;
    system->createSound(bytes.data(), FMOD_OPENMEMORY | FMOD_LOOP_NORMAL, &info, &sound);
    return sound;
}

void mixOneSecond(benchmark::State& state)
{
    Orva::Platform::RenderOutput output;
    Orva::Platform::Test::setAudioOutput(&output);
    FMOD::System* system = nullptr;
    FMOD_System_Create(&system);
    Orva::Platform::Test::setAudioOutput(nullptr);
    if (system->init(64, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) {
        state.SkipWithError("the render output did not open");
        return;
    }

    FMOD::Sound* sounds[] = {createSound(system, sineWav(Rate, 1, 220.0)),
                             createSound(system, sineWav(Rate, 2, 330.0))};
    FMOD::ChannelGroup* parent = nullptr;
    system->createChannelGroup("parent", &parent);
    if (const auto type = static_cast<FMOD_DSP_TYPE>(state.range(0)); type != 0) {
        FMOD::DSP* effect = nullptr;
        system->createDSPByType(type, &effect);
        parent->addDSP(0, effect);
    }
    for (int g = 0; g < 8; ++g) {
        FMOD::ChannelGroup* group = nullptr;
        system->createChannelGroup("group", &group);
        parent->addGroup(group, true, nullptr);
        for (int c = 0; c < 8; ++c) {
            const int index = 8 * g + c;
            FMOD::Channel* channel = nullptr;
            system->playSound(sounds[index % 2], group, false, &channel);
            channel->setPitch(static_cast<float>(0.5 * std::pow(4.0, index / 63.0)));
        }
    }

    std::vector<float> buffer(2 * BufferFrames);
    const double cpuStart = threadSeconds();
    for (auto _ : state) {
        for (std::size_t done = 0; done < static_cast<std::size_t>(Rate); done += BufferFrames) {
            output.render(buffer.data(), BufferFrames);
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    // CPU seconds per second of audio, in percent of one core.
    state.counters["core%"] = 100.0 * (threadSeconds() - cpuStart) / static_cast<double>(state.iterations());
    system->release();
}

} // namespace

BENCHMARK(mixOneSecond)
    ->ArgName("effect")
    ->Arg(0)
    ->Arg(FMOD_DSP_TYPE_LOWPASS)
    ->Arg(FMOD_DSP_TYPE_HIGHPASS)
    ->Arg(FMOD_DSP_TYPE_ECHO)
    ->Arg(FMOD_DSP_TYPE_FADER)
    ->Arg(FMOD_DSP_TYPE_FLANGE)
    ->Arg(FMOD_DSP_TYPE_DISTORTION)
    ->Arg(FMOD_DSP_TYPE_NORMALIZE)
    ->Arg(FMOD_DSP_TYPE_PITCHSHIFT)
    ->Arg(FMOD_DSP_TYPE_CHORUS)
    ->Arg(FMOD_DSP_TYPE_SFXREVERB)
    ->Arg(FMOD_DSP_TYPE_TREMOLO)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
