#include <memory>
#include <new>

#include "InputFixture.h"

// Bindings, registration and removal, and listeners that change all of it while being called.

namespace {

using namespace Orva;
using Actions = InputManager::ActionList;

class InputBindings : public InputTest
{
protected:
    static std::uint32_t code(const char* name) { return EventNameDetails::EventToHash(name); }

    // The actions bound to a key, read back through the dispatch: each bound action reports
    // itself once from a listener in every state.
    std::vector<std::uint32_t> boundActions(unsigned char key, std::initializer_list<const char*> candidates)
    {
        InputOwner probe;
        for (const char* name : candidates)
            input().listenToInput(name, probe.holder());
        frames();
        std::vector<std::uint32_t> seen;
        for (const ControllerEvent& event : probe.actions) {
            if (event.key == key)
                seen.push_back(event.action);
        }
        return seen;
    }
};

TEST_F(InputBindings, TyingIsOncePerActionAndUntyingSwapsInTheLast)
{
    input().tieKeyToAction(InputKeys::ORVA_A, "X");
    input().tieKeyToAction(InputKeys::ORVA_A, code("X"));
    EXPECT_EQ(boundActions(InputKeys::ORVA_A, {"X"}), (std::vector<std::uint32_t>{code("X")}));
    input().unTieActionFromKey(InputKeys::ORVA_A, "X");
    EXPECT_TRUE(boundActions(InputKeys::ORVA_A, {"X"}).empty());

    input().tieKeyToAction(InputKeys::ORVA_B, "X");
    input().tieKeyToAction(InputKeys::ORVA_B, "Y");
    input().tieKeyToAction(InputKeys::ORVA_B, "Z");
    input().unTieActionFromKey(InputKeys::ORVA_B, code("X"));
    input().unTieActionFromKey(InputKeys::ORVA_C, code("X")); // nothing bound: nothing happens
    EXPECT_EQ(boundActions(InputKeys::ORVA_B, {"X", "Y", "Z"}),
              (std::vector<std::uint32_t>{code("Z"), code("Y")}));
}

TEST_F(InputBindings, PadButtonsTieByTheirKeyCode)
{
    input().tieControllerButtonToAction(1, XINPUT_A, "Jump");
    input().tieControllerButtonToAction(0, XINPUT_Y, code("Menu"));
    input().tieControllerButtonToAction(15, XINPUT_Y, "Wrapped"); // (150 + 240 + 15) mod 256 = 149
    EXPECT_EQ(boundActions(178, {"Jump"}), (std::vector<std::uint32_t>{code("Jump")}));
    EXPECT_EQ(boundActions(165, {"Menu"}), (std::vector<std::uint32_t>{code("Menu")}));
    EXPECT_EQ(boundActions(149, {"Wrapped"}), (std::vector<std::uint32_t>{code("Wrapped")}));
    input().unTieActionFromControllerButton(1, XINPUT_A, "Jump");
    input().unTieActionFromControllerButton(0, XINPUT_Y, code("Menu"));
    EXPECT_TRUE(boundActions(178, {"Jump"}).empty());
    EXPECT_TRUE(boundActions(165, {"Menu"}).empty());
}

TEST_F(InputBindings, ClearingAlsoDropsThePadConnectionPairings)
{
    InputOwner owner;
    input().listenToControllerConnection(0, owner.holder());
    input().clearAllKeyPairings();
    pads.pads[0].connected = true;
    frames(96);
    EXPECT_TRUE(input().isControllerConnected(0));
    EXPECT_TRUE(owner.actions.empty());
}

TEST_F(InputBindings, AStatelessListenerSeesEveryStateOnceAFrame)
{
    InputOwner owner;
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    Orva::FunctionHolder holder = owner.holder();
    input().listenToInput("Act", std::move(holder));
    EXPECT_TRUE(holder) << "the caller's holder keeps its callable";
    EXPECT_EQ(owner.callbacks.subscriptions().size(), 4u);
    frames();
    press(InputKeys::ORVA_A);
    frames(2);
    release(InputKeys::ORVA_A);
    frames();
    EXPECT_EQ(owner.states(), (States{ButtonUp, ButtonTapped, ButtonDown, ButtonReleased}));
}

TEST_F(InputBindings, ListenersWaitForTheNextUpdateAndNoneOrOddStatesNeverMatch)
{
    InputOwner late;
    InputOwner odd;
    InputOwner early;
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    early.onEvent = [&](BaseEvent*) { input().listenToInput("Act", ButtonUp, late.holder()); };
    input().listenToInput("Act", ButtonUp, early.holder());
    input().listenToInput("Act", NONE, odd.holder());
    input().listenToInput("Act", static_cast<ButtonState>(9), odd.holder());
    frames();
    EXPECT_EQ(early.actions.size(), 1u);
    EXPECT_TRUE(late.actions.empty()) << "added during the dispatch";
    frames();
    EXPECT_EQ(late.actions.size(), 1u);
    EXPECT_TRUE(odd.actions.empty());
}

TEST_F(InputBindings, EmptyHoldersAreIgnored)
{
    InputOwner owner;
    Orva::FunctionHolder holder = owner.holder();
    Orva::FunctionHolder taken = std::move(holder);
    input().listenToInput("Act", ButtonUp, std::move(holder));
    input().listenToInput("Act", std::move(holder));
    input().listenToControllerConnection(std::move(holder));
    input().listenToMouseMovement(std::move(holder));
    input().listenToControllerStickDelta(0, InputManager::LeftStick, std::move(holder));
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    Orva::WindowMouseX = 5;
    frames();
    EXPECT_TRUE(owner.callbacks.subscriptions().empty());
}

TEST_F(InputBindings, StoppingWithAStateRemovesTheFirstSuchListenerAtTheNextUpdate)
{
    InputOwner owner;
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    input().listenToInput("Act", ButtonUp, owner.holder());
    input().listenToInput("Act", ButtonUp, owner.holder());
    frames();
    EXPECT_EQ(owner.actions.size(), 2u);
    input().stopListeningToInput(code("Act"), &owner, ButtonUp);
    EXPECT_EQ(owner.callbacks.subscriptions().size(), 1u);
    frames();
    EXPECT_EQ(owner.actions.size(), 3u);
    input().stopListeningToInput(code("Act"), &owner);
    frames();
    EXPECT_EQ(owner.actions.size(), 3u);
    EXPECT_TRUE(owner.callbacks.subscriptions().empty());
}

TEST_F(InputBindings, AStopMatchingNoListenerKeepsTheRecordThatRemovesItLater)
{
    auto owner = std::make_unique<InputOwner>();
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    input().listenToInput("Act", ButtonUp, owner->holder());
    input().stopListeningToInput(code("Act"), owner.get(), ButtonDown); // no Down listener
    input().stopListeningToInput(code("Never"), owner.get());           // never listened
    EXPECT_EQ(owner->callbacks.subscriptions().size(), 1u);
    frames();
    EXPECT_EQ(owner->actions.size(), 1u);

    // Two stops for one listener: only the first is queued.
    input().stopListeningToInput(code("Act"), owner.get(), ButtonUp);
    input().listenToInput("Act", ButtonUp, owner->holder());
    input().stopListeningToInput(code("Act"), owner.get(), ButtonUp);
    input().stopListeningToInput(code("Act"), owner.get(), ButtonUp);
    EXPECT_TRUE(owner->callbacks.subscriptions().empty());
    frames();
    EXPECT_EQ(owner->actions.size(), 1u);

    input().listenToInput("Act", ButtonDown, owner->holder());
    input().stopListeningToInput(code("Act"), owner.get(), ButtonUp);
    EXPECT_EQ(owner->callbacks.subscriptions().size(), 1u) << "no Up listener is left to stop";
    owner.reset(); // its record removes the Down listener
    press(InputKeys::ORVA_A);
    frames(2);
}

TEST_F(InputBindings, RegisteringAndStoppingBeforeAnUpdateCallsNothing)
{
    InputOwner owner;
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    input().listenToInput("Act", owner.holder());
    input().stopListeningToInput(code("Act"), &owner);
    frames();
    EXPECT_TRUE(owner.actions.empty());
    EXPECT_EQ(owner.callbacks.subscriptions().size(), 3u) << "one of four records is dropped";
}

TEST_F(InputBindings, ADestroyedOwnersListenersGoBeforeAnybodyIsCalled)
{
    auto owner = std::make_unique<InputOwner>();
    input().tieKeyToAction(InputKeys::ORVA_A, "Act");
    input().listenToInput("Act", owner->holder());
    input().listenToMouseMovement(owner->holder());
    input().listenToControllerStickDelta(0, InputManager::RightStick, owner->holder());
    frames();
    owner.reset();
    Orva::WindowMouseX = 9;
    pads.pads[0].connected = true;
    pads.pads[0].gamepad.sThumbRX = 32767;
    frames(100); // anything reaching the freed owner fails under the address sanitizer
}

TEST_F(InputBindings, AListenerThatDestroysAnotherOwnerAndClearsTheBindingsIsSafe)
{
    auto a = std::make_unique<InputOwner>();
    InputOwner b;
    input().tieKeyToAction(InputKeys::ORVA_A, "X");
    input().tieKeyToAction(InputKeys::ORVA_B, "X");
    input().listenToInput("X", ButtonTapped, b.holder());
    input().listenToInput("X", ButtonTapped, a->holder());
    b.onEvent = [&](BaseEvent*) {
        a.reset();
        input().clearAllKeyPairings();
    };
    press(InputKeys::ORVA_A);
    press(InputKeys::ORVA_B);
    frames();
    EXPECT_EQ(b.actions.size(), 1u) << "the second key's binding was cleared by the first call";
    EXPECT_EQ(a, nullptr);
}

TEST_F(InputBindings, BindingChangesDuringTheDispatchApplyFromTheNextKeyOn)
{
    InputOwner owner;
    input().tieKeyToAction(InputKeys::ORVA_A, "First");
    input().tieKeyToAction(InputKeys::ORVA_A, "Second");
    input().tieKeyToAction(InputKeys::ORVA_C, "First");
    owner.onEvent = [&](BaseEvent* event) {
        if (static_cast<ControllerEvent*>(event)->key != InputKeys::ORVA_A)
            return;
        input().unTieActionFromKey(InputKeys::ORVA_A, "Second"); // this key's walk keeps its list
        input().unTieActionFromKey(InputKeys::ORVA_C, "First");
        input().tieKeyToAction(InputKeys::ORVA_B, "First"); // a key after this one: reached
    };
    input().listenToInput("First", ButtonUp, owner.holder());
    input().listenToInput("Second", ButtonUp, owner.holder());
    frames();
    std::vector<std::pair<int, std::uint32_t>> seen;
    for (const ControllerEvent& event : owner.actions)
        seen.emplace_back(event.key, event.action);
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::uint32_t>>{{InputKeys::ORVA_A, code("First")},
                                                                {InputKeys::ORVA_A, code("Second")},
                                                                {InputKeys::ORVA_B, code("First")}}))
        << "C lost its action before its turn";
}

TEST_F(InputBindings, AnOwnerDestroyedAfterAnExplicitStopIsNeverCalled)
{
    auto victim = std::make_unique<InputOwner>();
    InputOwner killer;
    input().tieKeyToAction(InputKeys::ORVA_A, "X");
    input().listenToInput("X", ButtonUp, killer.holder());
    input().listenToInput("X", ButtonUp, victim->holder());
    frames();
    killer.onEvent = [&](BaseEvent*) {
        if (victim == nullptr)
            return;
        // After this stop the victim's record no longer names X, so its destruction asks for
        // nothing; it must not be called all the same.
        input().stopListeningToInput(code("X"), victim.get(), ButtonUp);
        victim.reset();
    };
    frames(2);
    EXPECT_EQ(killer.actions.size(), 3u);
}

TEST_F(InputBindings, ANewOwnerAtAGoneOwnersAddressKeepsItsListeners)
{
    alignas(InputOwner) unsigned char storage[sizeof(InputOwner)];
    input().tieKeyToAction(InputKeys::ORVA_A, "X");
    auto* first = new (storage) InputOwner();
    input().listenToInput("X", ButtonUp, first->holder());
    input().listenToMouseMovement(first->holder());
    frames();
    first->~InputOwner();
    auto* second = new (storage) InputOwner();
    input().listenToInput("X", ButtonUp, second->holder());
    input().listenToMouseMovement(second->holder());
    Orva::WindowMouseX = 4;
    frames();
    EXPECT_EQ(second->actions.size(), 1u);
    EXPECT_EQ(second->mouse.size(), 1u);
    second->~InputOwner();
}

TEST_F(InputBindings, ActionsNamedLikeTheMouseAndStickCodesGoWithTheirOwner)
{
    auto owner = std::make_unique<InputOwner>();
    InputOwner witness;
    input().tieKeyToAction(InputKeys::ORVA_A, "MouseMovement");
    input().tieKeyToAction(InputKeys::ORVA_A, "StickDelta");
    input().listenToInput("MouseMovement", ButtonUp, owner->holder());
    input().listenToInput("StickDelta", ButtonUp, owner->holder());
    input().listenToInput("StickDelta", ButtonUp, witness.holder());
    frames();
    EXPECT_EQ(owner->actions.size(), 2u);
    owner.reset();
    frames(2);
    EXPECT_EQ(witness.actions.size(), 3u) << "the other owner's listener stays";
}

TEST_F(InputBindings, PadsOutsideTheFourRegisterNothing)
{
    InputOwner owner;
    input().listenToControllerConnection(4, owner.holder());
    input().listenToControllerConnection(-1, owner.holder());
    input().listenToControllerStickDelta(4, InputManager::LeftStick, owner.holder());
    input().listenToControllerStickDelta(-1, InputManager::RightStick, owner.holder());
    EXPECT_TRUE(owner.callbacks.subscriptions().empty());
}

TEST_F(InputBindings, OwnersOutlivingTheManagerLeaveCleanly)
{
    InputOwner cleared;
    auto destroyed = std::make_unique<InputOwner>();
    for (InputOwner* owner : {&cleared, destroyed.get()}) {
        input().listenToInput("Act", owner->holder());
        input().listenToMouseMovement(owner->holder());
    }
    InputManager::destroyInstance();
    // Their records name the manager that is gone and skip it.
    cleared.callbacks.clearEvents();
    destroyed.reset();
    InputManager::linkInstance(new InputManager);
    input().listenToInput("Act", ButtonUp, cleared.holder());
    EXPECT_EQ(cleared.callbacks.subscriptions().size(), 1u);
}

} // namespace
