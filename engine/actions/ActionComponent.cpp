#include "actions/ActionComponent.h"

#include <memory>

namespace Orva::Actions {

// Lives on the stack of a step, so that it outlasts the component when a callback destroys
// it; the actions handed over are deleted when the step ends, whichever way it ends.
struct ActionComponent::Walk
{
    explicit Walk(ActionComponent& component) noexcept : component(component) { component.walk_ = this; }
    ~Walk()
    {
        if (!componentDestroyed) {
            component.walk_ = nullptr;
        }
        detail::deleteAll(handedOver);
    }

    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    ActionComponent& component;
    // What the destructor hands over when the component goes during the step.
    ActionList handedOver;
    bool componentDestroyed = false;
};

ActionComponent::~ActionComponent()
{
    if (walk_) {
        walk_->componentDestroyed = true;
        // Nothing was handed over before: a component is destroyed once.
        walk_->handedOver.swap(actions_);
        return;
    }
    detail::deleteAll(actions_);
}

void ActionComponent::update(float dt)
{
    if (walk_) {
        return;
    }
    Walk walk(*this);
    // Roots added during the step start at the next one. Only this loop unlinks roots while
    // it runs: destroy calls merely mark them.
    // By index: roots appended meanwhile may move the list.
    std::size_t count = actions_.size();
    for (std::size_t root = 0; count > 0; --count) {
        ActionBase* const action = actions_[root];
        const bool finished = action->done || action->update(dt);
        if (walk.componentDestroyed) {
            return;
        }
        if (finished) {
            actions_.erase(root);
            delete action;
        } else {
            ++root;
        }
    }
}

void ActionComponent::addRootAction(ActionBase* action)
{
    if (!action) {
        return;
    }
    std::unique_ptr<ActionBase> owned(action);
    actions_.push_back(action);
    owned.release();
}

ActionGroup* ActionComponent::createActionGroup()
{
    auto* const group = new ActionGroup();
    addRootAction(group);
    return group;
}

ActionSequence* ActionComponent::createActionSequence()
{
    auto* const sequence = new ActionSequence();
    addRootAction(sequence);
    return sequence;
}

void ActionComponent::destroyAllActions()
{
    if (!walk_) {
        detail::destroyAllInList(actions_);
        return;
    }
    finishAllActions();
}

void ActionComponent::finishAllActions() noexcept
{
    for (ActionBase* action : actions_) {
        action->done = true;
    }
}

void ActionComponent::destroyOneAction(int index)
{
    if (!walk_) {
        detail::destroyOneInList(actions_, index);
        return;
    }
    if (index >= 0 && static_cast<std::size_t>(index) < actions_.size()) {
        actions_[static_cast<std::size_t>(index)]->done = true;
    }
}

} // namespace Orva::Actions
