#include "platform/audio/Outputs.h"

#include "platform/SoundSystem.h"

#include <SDL.h>

#include <algorithm>
#include <iostream>

namespace Orva::Platform {

namespace {

AudioOutput* installed = nullptr;
std::optional<Test::SoundInit> lastInit;

// SDL's default device in float stereo at the output rate, with no format changes allowed
// (SDL converts when the device differs). The callback runs on SDL's audio thread.
class SdlOutput final : public AudioOutput
{
public:
    SdlOutput() : audio_(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}

    ~SdlOutput() override
    {
        close();
        if (audio_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }

    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    int driverCount() override
    {
        if (!audio_) {
            return 0;
        }
        // -1: SDL cannot list devices, yet the default one may open.
        const int count = SDL_GetNumAudioDevices(0);
        return count < 0 ? 1 : count;
    }

    bool open(AudioSource& source) override
    {
        if (!audio_ || device_ != 0) {
            return false;
        }
        SDL_AudioSpec wanted{};
        wanted.freq = AudioOutputRate;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = 2;
        wanted.samples = 1024;
        wanted.callback = fill;
        wanted.userdata = &source;
        SDL_AudioSpec obtained{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device_ == 0) {
            std::cerr << "audio: no output device: " << SDL_GetError() << '\n';
            return false;
        }
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void close() override
    {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
        }
        device_ = 0;
    }

private:
    static void fill(void* user, Uint8* stream, int bytes)
    {
        const auto frames = static_cast<std::size_t>(bytes) / (2 * sizeof(float));
        static_cast<AudioSource*>(user)->mix(reinterpret_cast<float*>(stream), frames);
    }

    bool audio_;
    SDL_AudioDeviceID device_ = 0;
};

} // namespace

AudioOutput::~AudioOutput() = default;

bool RenderOutput::open(AudioSource& source)
{
    if (drivers_ <= 0 || source_ != nullptr) {
        return false;
    }
    source_ = &source;
    return true;
}

void RenderOutput::render(float* frames, std::size_t frameCount)
{
    if (source_ != nullptr) {
        source_->mix(frames, frameCount);
    } else {
        std::fill_n(frames, 2 * frameCount, 0.0f);
    }
}

void Test::setAudioOutput(AudioOutput* output)
{
    installed = output;
}

std::optional<Test::SoundInit> Test::lastSoundInit()
{
    return lastInit;
}

void Test::soundMemory(int* currentAllocated, int* maxAllocated)
{
    FMOD_Memory_GetStats(currentAllocated, maxAllocated, true);
}

void Audio::recordSoundInit(int maxChannels, unsigned flags) noexcept
{
    lastInit = Test::SoundInit{maxChannels, flags};
}

AudioOutput* Audio::installedOutput() noexcept
{
    return installed;
}

std::unique_ptr<AudioOutput> Audio::makeSdlOutput()
{
    return std::make_unique<SdlOutput>();
}

} // namespace Orva::Platform
