#pragma once

#include "actions/ActionContainers.h"
#include "core/Export.h"
#include "world/BaseComponent.h"

namespace Orva::Actions {

// Runs a game object's root actions, each step, in the order they were added; a root that
// finishes is deleted. Roots run callbacks that may call back into the component:
// - destroy calls made during its step only mark roots finished; the step deletes them as it
//   reaches them, and the ones it already passed at the next step;
// - a root's callback may destroy the component (or its object): the step then updates no
//   further root and deletes the actions once the running one has returned.
// Outside its step the destroy calls follow the sequence's rules.
class ORVA_API ActionComponent : public BaseComponent
{
public:
    // No component type uses 13, so a lookup by type number never takes it for another.
    static constexpr int TypeNumber = 13;

    ActionComponent() { type = TypeNumber; }
    ~ActionComponent() override;

    ActionComponent(const ActionComponent&) = delete;
    ActionComponent& operator=(const ActionComponent&) = delete;

    // Called by the pool each step. A call from inside its own step does nothing.
    void update(float dt);

    // Append a new empty container and return it.
    ActionGroup* createActionGroup();
    ActionSequence* createActionSequence();
    // Takes ownership of the action and appends it as a root; null is ignored. Should the
    // append fail, the action is deleted.
    void addRootAction(ActionBase* action);
    void destroyAllActions();
    void destroyOneAction(int index);
    // Marks every root finished, without deleting any: the next step drops them unrun.
    void finishAllActions() noexcept;

    const ActionList& getActions() const noexcept { return actions_; }

private:
    // The state of a step, on the stack of update.
    struct Walk;

    // Before the list, so that a step reads the component's first cache line only.
    Walk* walk_ = nullptr;
    ActionList actions_;
};

} // namespace Orva::Actions
