#include "window/InputRecording.h"

#include <array>
#include <cstring>
#include <locale>
#include <sstream>

#include "core/EventManager.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "world/ResourceManager.h"

namespace Orva {

namespace {

constexpr const char* MachineFile = "data/last_input.txt";
constexpr const char* ReadableFile = "data/readable_last_input.txt";
constexpr std::uint32_t KeyCodeCount = 256;

constexpr std::array<const char*, 16> PadButtonNames = {
    "Up", "Down", "Left", "Right", "Start", "Select", "L3", "R3", "LS", "RS", "LT", "RT", "A", "B", "X", "Y"};

// Names of the codes from 46 to 104, in code order; null where a code has no name.
// clang-format off
constexpr std::array<const char*, 59> NamedKeys = {
    "Multiply", "Add", "Separator", "Subtract", "Decimal", "Divide",                           // 46-51
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                     // 52-57
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                     // 58-63
    "Space", "Page Up", "Page Down", "End", "Home", "Arrow Left", "Arrow Up", "Arrow Right",    // 64-71
    "Arrow Down", nullptr, nullptr, nullptr, nullptr, "Insert", "Delete", nullptr,             // 72-79
    "Left Shift", "Right Shift", "Enter", "Tab", "Back", "Left Control", "Right Control",       // 80-86
    "CAPS", "Escape", "Left Click", "Right Click", "Middle Mouse Click", "Mouse Scroll Up",    // 87-92
    "Mouse Scroll Down", ";", "+", ",", "-", ".", "/", "~", "[", "\\", "]", "'"};              // 93-104
// clang-format on

} // namespace

std::string KeyNameToString(unsigned char code)
{
    if (code <= InputKeys::ORVA_9) {
        return std::string(1, static_cast<char>('0' + code));
    }
    if (code <= InputKeys::ORVA_Z) {
        return std::string(1, static_cast<char>('A' + (code - InputKeys::ORVA_A)));
    }
    if (code <= InputKeys::ORVA_NUMPAD9) {
        return "Numpad " + std::to_string(code - InputKeys::ORVA_NUMPAD0);
    }
    if (code >= InputKeys::ORVA_F1 && code <= InputKeys::ORVA_F12) {
        return "F" + std::to_string(code - InputKeys::ORVA_F1 + 1);
    }
    if (code <= InputKeys::ORVA_APOSTROPHE) {
        const char* name = NamedKeys[code - InputKeys::ORVA_MULTIPLY];
        return name != nullptr ? name : "Captured";
    }
    if (code >= InputKeys::ORVA_CONTROLLER1_DPAD_UP && code <= InputKeys::ORVA_CONTROLLER4_Y) {
        return std::string("Controller:") + PadButtonNames[(code - InputKeys::ORVA_CONTROLLER1_DPAD_UP) % 16];
    }
    if (code >= InputKeys::ORVA_CONTROLLER1_ENTER && code <= InputKeys::ORVA_CONTROLLER4_ENTER) {
        return "Controller" + std::to_string(code - InputKeys::ORVA_CONTROLLER1_ENTER + 1) + "EnterEvent";
    }
    if (code >= InputKeys::ORVA_CONTROLLER1_DROP && code <= InputKeys::ORVA_CONTROLLER4_DROP) {
        return "Controller" + std::to_string(code - InputKeys::ORVA_CONTROLLER1_DROP + 1) + "QuitEvent";
    }
    return "Captured";
}

bool InputReplayTrack::loadFromFile(const std::string& path)
{
    clock_ = 0.0f;
    const std::optional<std::string> text = Resources::ResourceManager::readResource(path);
    if (!text) {
        clear();
        return false;
    }
    std::istringstream in(*text);
    in.imbue(std::locale::classic());
    InputTrackData record;
    while (in >> record.key >> record.pressed >> record.time) {
        pending_.push_back(record);
    }
    return true;
}

void InputReplayTrack::clear() noexcept
{
    pending_.clear();
    due_.clear();
    clock_ = 0.0f;
}

void InputReplayTrack::update(float dt)
{
    clock_ += dt;
    while (!pending_.empty() && !(pending_.front().time > clock_)) {
        due_.push_back(pending_.front());
        pending_.pop_front();
    }
}

void InputManager::startTrackingInput() noexcept
{
    trackingClock_ = 0.0f;
    tracking_ = true;
    replaying_ = false;
}

void InputManager::addTrackingData(unsigned int key, bool pressed)
{
    trackingList_.push_back(InputTrackData{key, pressed, trackingClock_});
}

void InputManager::stopTrackingInput()
{
    WindowKeyStates[InputKeys::ORVA_F5] = 0;
    for (StateBuffer& buffer : stateBuffers_) {
        buffer[InputKeys::ORVA_F5] = 0;
    }
    tracking_ = false;
    if (replaying_) {
        replayTrack_.clear();
        replaying_ = false;
        strandReplayKeys();
    } else {
        writeRecordings();
    }
    trackingList_.clear();
    trackingClock_ = 0.0f;
}

void InputManager::writeRecordings() const
{
    std::ostringstream readable;
    std::ostringstream machine;
    readable.imbue(std::locale::classic());
    machine.imbue(std::locale::classic());
    readable << "Total game time:" << trackingClock_ << '\n';
    for (const InputTrackData& record : trackingList_) {
        const int pressed = record.pressed ? 1 : 0;
        readable << KeyNameToString(static_cast<unsigned char>(record.key)) << " : " << pressed << " : "
                 << record.time << '\n';
        machine << record.key << ' ' << pressed << ' ' << record.time << ' ';
    }
    // An unwritten recording must not pass unnoticed: the write names it on stderr.
    Resources::ResourceManager::saveResource(ReadableFile, readable.str(), "input");
    Resources::ResourceManager::saveResource(MachineFile, machine.str(), "input");
}

void InputManager::useTrackingData(const std::string& path, bool continueAfter)
{
    if (replayTrack_.loadFromFile(path)) {
        tracking_ = false;
        replaying_ = true;
        continueAfterReplay_ = continueAfter;
        replayPath_ = path;
    } else {
        tracking_ = true;
        replaying_ = false;
        replayPath_.clear();
    }
}

void InputManager::stopUsingTrackingData() noexcept
{
    replayPath_.clear();
    tracking_ = true;
    replaying_ = false;
    replayTrack_.clear();
    strandReplayKeys();
}

// A stage change ends a replay between a recorded press and its release; a replay started
// before the next update would otherwise keep the key down, and its own press of it would
// never read as a tap.
void InputManager::strandReplayKeys() noexcept
{
    strandedKeys_ |= replayDownKeys_;
    replayDownKeys_.reset();
}

// A record that would change a key a second time in one update waits, with every record
// after it, for the next update: a press and release due together still make a tap.
void InputManager::applyDueRecords(StateBuffer& current)
{
    KeySet changed;
    InputReplayTrack::Records& due = replayTrack_.dueRecords();
    while (!due.empty()) {
        const InputTrackData record = due.front();
        if (record.key < KeyCodeCount) {
            const std::uint8_t value = record.pressed ? 1 : 0;
            if (current[record.key] != value) {
                if (changed[record.key]) {
                    return;
                }
                changed.set(record.key);
            }
            current[record.key] = value;
            replayDownKeys_.set(record.key, record.pressed);
        }
        due.pop_front();
        trackingList_.push_back(record);
    }
}

// The recording drives the frame buffers; the real keyboard goes to the back-up buffer, and
// only Escape and F5 reach the game, both as F5.
void InputManager::replayStep(float dt)
{
    StateBuffer& current = stateBuffers_[static_cast<std::size_t>(currentBuffer_)];
    std::memcpy(backUpBuffer_.data(), WindowKeyStates, backUpBuffer_.size());
    current = stateBuffers_[static_cast<std::size_t>(previousBuffer_)];
    for (std::size_t key = 0; key < KeyCodeCount; ++key) {
        if (strandedKeys_[key]) {
            current[key] = WindowKeyStates[key];
        }
    }
    strandedKeys_.reset();
    replayTrack_.update(dt);
    applyDueRecords(current);

    if (replayTrack_.pendingRecords().empty() && replayTrack_.dueRecords().empty()) {
        if (continueAfterReplay_) {
            replaying_ = false;
            tracking_ = true;
            if (!trackingList_.empty()) {
                trackingClock_ = trackingList_.back().time;
            }
            if (EventManager::hasInstance()) {
                EventManager::getInstance().queueEvent(ReplayInputEvent::REPLAY_EVENT_HASH_CODE,
                                                       ReplayInputEvent(replayPath_));
            }
        } else {
            WindowKeyStates[InputKeys::ORVA_F5] = 1;
        }
    }
    const bool livePause =
        WindowKeyStates[InputKeys::ORVA_ESCAPE] != 0 || WindowKeyStates[InputKeys::ORVA_F5] != 0;
    current[InputKeys::ORVA_F5] = livePause ? 1 : 0;
}

} // namespace Orva
