#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/FunctionHolder.h"
#include "core/ListenerList.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"
#include "core/Vector.h"
#include "window/InputEvents.h"
#include "window/InputRecording.h"
#include "window/XInputController.h"

namespace Orva {

class LuaScriptComponent;

namespace detail {
// A motor speed (any integer) or fraction (any floating-point number) for vibrateController.
template <class T>
concept MotorValue = std::is_arithmetic_v<T>;
} // namespace detail

// The engine's input hub. Once a frame (update) it turns the window's key array, the four
// pads and the wheel into one state byte per key code in a pair of frame buffers, then calls
// the listeners: action listeners through key-to-action bindings, mouse listeners and stick
// listeners. Every registration and removal is deferred to the next update, so any of them
// may be made from inside a listener. It also records and replays keyboard input.
//
// The engine makes the one instance at start-up (createInstance, from the memory pools, or
// linkInstance) and destroys it at shut-down, before the memory pool manager.
class ORVA_API InputManager final : public IEventSender, public Singleton<InputManager>
{
public:
    ORVA_POOLED_OPERATORS(InputManager)

    enum ControllerStickSide : std::int32_t {
        LeftStick = 0,
        RightStick = 1,
    };

    struct ActionListenerData
    {
        FunctionHolder callback;
        ButtonState state;
    };

    struct ControllerListenerData
    {
        FunctionHolder callback;
        std::int32_t controller;
        ControllerStickSide side;
    };

    using KeyList = std::vector<unsigned char, OrvaAllocator<unsigned char>>;
    using ActionList = std::vector<std::uint32_t, OrvaAllocator<std::uint32_t>>;
    using TrackingList = std::vector<InputTrackData, OrvaAllocator<InputTrackData>>;

    // Action codes tied by the constructor to the pad connection codes 214 to 221.
    static const std::uint32_t CONTROLLER_ONE_ENTER_EVENT_CODE;
    static const std::uint32_t CONTROLLER_TWO_ENTER_EVENT_CODE;
    static const std::uint32_t CONTROLLER_THREE_ENTER_EVENT_CODE;
    static const std::uint32_t CONTROLLER_FOUR_ENTER_EVENT_CODE;
    static const std::uint32_t CONTROLLER_ONE_DROP_EVENT_CODE;
    static const std::uint32_t CONTROLLER_TWO_DROP_EVENT_CODE;
    static const std::uint32_t CONTROLLER_THREE_DROP_EVENT_CODE;
    static const std::uint32_t CONTROLLER_FOUR_DROP_EVENT_CODE;
    // The codes mouse and stick listeners record with their owner; nothing is queued under them.
    static const std::uint32_t MOUSE_MOVEMENT_EVENT_CODE;
    static const std::uint32_t CONTROLLER_STICK_DELTA_EVENT_CODE;

    InputManager();
    ~InputManager();

    InputManager(const InputManager&) = delete;
    InputManager& operator=(const InputManager&) = delete;

    // The frame step on the instance: tracking clock, button states, action listeners,
    // mouse listeners, stick listeners.
    static void update(float dt);
    // Appends every key code from 0 to 221 in the given state, ascending; NONE matches none.
    static void getListOfButtonsWithState(KeyList& out, ButtonState state);

    // ---- bindings and listeners -----------------------------------------------------------

    // Appends the action to the key's list unless it is there already.
    void tieKeyToAction(unsigned char key, std::uint32_t action);
    void tieKeyToAction(unsigned char key, const std::string& actionName);
    // Ties key code (150 + 16 x pad + button) mod 256; no range test.
    void tieControllerButtonToAction(int pad, XInputButtons button, std::uint32_t action);
    void tieControllerButtonToAction(int pad, XInputButtons button, const std::string& actionName);
    // Removes the action from the key's list, the last action taking its place.
    void unTieActionFromKey(unsigned char key, std::uint32_t action);
    void unTieActionFromKey(unsigned char key, const std::string& actionName);
    void unTieActionFromControllerButton(int pad, XInputButtons button, std::uint32_t action);
    void unTieActionFromControllerButton(int pad, XInputButtons button, const std::string& actionName);
    // Also removes the constructor's pad connection pairings.
    void clearAllKeyPairings();

    // Calls the holder with a ControllerEvent for every key bound to the action that is in
    // `state` in a frame; a state outside 0 to 3 never matches. Takes the holder's callable;
    // an empty holder is ignored.
    void listenToInput(std::uint32_t action, ButtonState state, FunctionHolder&& callback);
    void listenToInput(const std::string& actionName, ButtonState state, FunctionHolder&& callback);
    // One clone of the holder per state (Down, Up, Released, Tapped): called every frame for
    // every bound key. The caller's holder keeps its callable.
    void listenToInput(std::uint32_t action, FunctionHolder&& callback);
    void listenToInput(const std::string& actionName, FunctionHolder&& callback);
    // Clones under the pad's enter and drop codes in state Tapped; pads outside 0 to 3 do
    // nothing. The caller's holder keeps its callable.
    void listenToControllerConnection(int pad, FunctionHolder&& callback);
    void listenToControllerConnection(FunctionHolder&& callback);

    // Drops the owner's first (action, manager) record and queues the removal of its
    // listener in `state` (NONE: of all its listeners on the action) - only when such a
    // listener exists that no queued removal already claims.
    template <EventListener T>
    void stopListeningToInput(std::uint32_t action, T* owner, ButtonState state = NONE)
    {
        stopListeningToInput(action, owner->getEventCallbackObject(), state);
    }
    void stopListeningToInput(std::uint32_t action, EventCallbackObject& owner, ButtonState state = NONE);

    // Called by an owner's record as it is cleared or destroyed: the owner's listeners of the
    // code are not called any more and go at the next update.
    void stopListening(EventCallbackObject* owner, std::uint32_t code) override;
    void ownerDestroyed(const EventCallbackObject* owner) override;

    // The script side: the listener is the script instance's Lua function of that name. A
    // null component throws std::invalid_argument naming the script function.
    void listenToInputFromScript(LuaScriptComponent* script, const std::string& actionName, ButtonState state,
                                 const std::string& functionName);
    void listenToInputCodeFromScript(LuaScriptComponent* script, std::uint32_t action, ButtonState state,
                                     const std::string& functionName);
    void stopListeningFromScript(LuaScriptComponent* script, const std::string& actionName,
                                 ButtonState state);

    // ---- queries ----------------------------------------------------------------------------

    ButtonState getButtonState(unsigned char key) const noexcept;
    // Down includes the tapped frame, up the released frame.
    bool isButtonDown(unsigned char key) const noexcept;
    bool isButtonUp(unsigned char key) const noexcept;
    bool isButtonTapped(unsigned char key) const noexcept;
    bool isButtonReleased(unsigned char key) const noexcept;
    // The real keyboard during a replay.
    bool isBackUpButtonDown(unsigned char key) const noexcept;
    bool isBackUpButtonUp(unsigned char key) const noexcept;

    // Writes both frame entries so the key reads `state` at once; NONE writes nothing.
    void forceOverrideKeyState(unsigned char key, ButtonState state) noexcept;
    // Both frame entries and the window's key state: holds until the window reports the key.
    void forceOverrideKeyBool(unsigned char key, bool down) noexcept;

    Math::Vector2D<int> getMousePosition() const noexcept { return mouseEvent_.position; }
    Math::Vector2D<float> getMousePositionf() const noexcept;
    Math::Vector2D<int> getMouseDelta() const noexcept { return mouseEvent_.delta; }
    Math::Vector2D<float> getMouseDeltaf() const noexcept;
    int getMouseScrollSpeed() const noexcept { return mouseEvent_.scrollSpeed; }
    // Called with the manager's MouseEvent in every frame the cursor moves.
    void listenToMouseMovement(FunctionHolder&& callback);

    // Pads 0 to 3; any other pad reads as absent and at rest, and ignores requests.
    bool isControllerConnected(int pad) const noexcept;
    ButtonState getControllerButtonState(int pad, XInputButtons button) const noexcept;
    // Exact states: Down is false in the tapped frame, Up false in the released frame.
    bool isControllerButtonDown(int pad, int button) const noexcept;
    bool isControllerButtonUp(int pad, int button) const noexcept;
    bool isControllerButtonTapped(int pad, int button) const noexcept;
    bool isControllerButtonReleased(int pad, int button) const noexcept;
    Math::Vector2D<float> getControllerLeftStickPosition(int pad) const noexcept;
    Math::Vector2D<float> getControllerRightStickPosition(int pad) const noexcept;
    Math::Vector2D<float> getControllerLeftStickDelta(int pad) const noexcept;
    Math::Vector2D<float> getControllerRightStickDelta(int pad) const noexcept;
    float getControllerLeftTrigger(int pad) const noexcept;
    float getControllerRightTrigger(int pad) const noexcept;
    float getControllerLeftTriggerDelta(int pad) const noexcept;
    float getControllerRightTriggerDelta(int pad) const noexcept;
    // The pad's vibrate forms: speeds 0 to 65535 or fractions of full power.
    void vibrateController(int pad, unsigned short leftSpeed, unsigned short rightSpeed, float seconds);
    void vibrateController(int pad, unsigned short speed, float seconds);
    void vibrateController(int pad, float leftFraction, float rightFraction, float seconds);
    void vibrateController(int pad, float fraction, float seconds);
    template <detail::MotorValue L, detail::MotorValue R>
    void vibrateController(int pad, L left, R right, float seconds)
    {
        if (XInputController* controller = padAt(pad)) {
            controller->vibrate(left, right, seconds);
        }
    }
    template <detail::MotorValue S> void vibrateController(int pad, S speed, float seconds)
    {
        if (XInputController* controller = padAt(pad)) {
            controller->vibrate(speed, seconds);
        }
    }
    // Called every frame in which the chosen stick (LeftStick, anything else the right) is
    // off centre; pads outside 0 to 3 register nothing.
    void listenToControllerStickDelta(int pad, ControllerStickSide side, FunctionHolder&& callback);

    // ---- recording and replay ---------------------------------------------------------------

    // Tracking clock to 0, tracking on, replay off; the tracking list stays.
    void startTrackingInput() noexcept;
    // Stamps with the tracking clock whatever the mode.
    void addTrackingData(unsigned int key, bool pressed);
    float getCurrentTrackTime() const noexcept { return trackingClock_; }
    // Releases F5, and unless a replay runs writes "data/readable_last_input.txt" and
    // "data/last_input.txt" under the resource directory; then empties the list.
    void stopTrackingInput();
    // Replays the recording at the resource directory followed by path from the next update;
    // with `continueAfter`, recording takes over when it runs out. A path that does not load
    // switches to recording.
    void useTrackingData(const std::string& path, bool continueAfter);
    // Ends any replay and records from now on; keys it left down go back to the keyboard.
    void stopUsingTrackingData() noexcept;

    bool isTrackingInput() const noexcept { return tracking_; }
    bool isReplayingInput() const noexcept { return replaying_; }
    const std::string& getReplayPath() const noexcept { return replayPath_; }
    const TrackingList& getTrackingList() const noexcept { return trackingList_; }
    InputReplayTrack& getReplayTrack() noexcept { return replayTrack_; }

private:
    // The state a removal of action listeners takes; NONE takes every state.
    struct StateFilter
    {
        ButtonState state = NONE;
        bool operator()(const ActionListenerData& listener) const noexcept
        {
            return state == NONE || listener.state == state;
        }
    };
    using ActionListeners = ListenerList<std::uint32_t, ActionListenerData, StateFilter>;
    // Mouse and stick listeners are filed under the code their owners record.
    using MouseListeners = ListenerList<std::uint32_t, FunctionHolder>;
    using StickListeners = ListenerList<std::uint32_t, ControllerListenerData>;

    using StateBuffer = std::array<std::uint8_t, 256>;
    using KeySet = std::bitset<256>;

    void step(float dt);
    void updateButtonStates(float dt);
    void readPads(float dt);
    void replayStep(float dt);
    // Applies the due records in order, each key changing once at most.
    void applyDueRecords(StateBuffer& current);
    // The keys the replay holds down become the keyboard's again at the next update.
    void strandReplayKeys() noexcept;
    void dispatchActionListeners();
    void updateMouse();
    void updateStickDeltaListeners();

    bool hasUnclaimedListener(std::uint32_t action, const EventCallbackObject* owner,
                              ButtonState state) const;
    XInputController* padAt(int pad) noexcept;
    const XInputController* padAt(int pad) const noexcept;
    void writeRecordings() const;

    std::array<StateBuffer, 2> stateBuffers_{};
    StateBuffer backUpBuffer_{};
    std::int32_t currentBuffer_ = 0;
    std::int32_t previousBuffer_ = 0;
    std::map<unsigned char, ActionList> keyPairings_;
    ActionListeners actionListeners_;
    std::array<XInputController, 4> controllers_;
    StickListeners stickListeners_;
    MouseEvent mouseEvent_;
    MouseListeners mouseListeners_;
    // The actions of the key being dispatched: listeners may change the bindings meanwhile.
    ActionList dispatchedActions_;
    bool updating_ = false;

    TrackingList trackingList_;
    std::string replayPath_;
    float trackingClock_ = 0.0f;
    bool tracking_ = false;
    bool replaying_ = false;
    bool continueAfterReplay_ = false;
    InputReplayTrack replayTrack_;
    // Down by the replay's records; those of a replay that ended before releasing them.
    KeySet replayDownKeys_;
    KeySet strandedKeys_;
};

} // namespace Orva
