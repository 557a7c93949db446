#pragma once

#include "actions/ActionBase.h"
#include "actions/ActionList.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"

namespace Orva::Actions {

namespace detail {

// The destroy rules of an owned list whose front may be running: index 0 marks the front
// finished, a later index deletes that action; an index past the end or below 0 does nothing.
ORVA_API void destroyOneInList(ActionList& actions, int index);
// Marks the front finished and deletes the rest, from the back.
ORVA_API void destroyAllInList(ActionList& actions);
// Deletes every action of an owned list and empties it.
inline void deleteAll(ActionList& actions) noexcept
{
    for (ActionBase* action : actions) {
        delete action;
    }
    actions.clear();
}

} // namespace detail

// Children run side by side; the group finishes once every child has. Finished children stay
// (skipped) until the group is deleted, and destroying a child only marks it finished.
class ORVA_API ActionGroup final : public ActionComplex
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionGroup)

    using ChildList = ActionList;

    ~ActionGroup() override;

    // Steps the children present when the step began: one a child's callback adds starts at
    // the next step.
    bool update(float dt) override;
    ActionBase* clone() const override;
    // The reversed copies of the children, in order; children without one are left out.
    ActionBase* reversedCopy() const override;

    ActionComplex* addAction(ActionBase* child) override;
    // Each child c becomes a sequence of c and its reversed copy (c alone without one).
    ActionComplex* reverse() override;
    void destroyOneAction(int index) override;
    void destroyAllActions() override;

    const ChildList& getChildren() const noexcept { return children_; }

private:
    ChildList children_;
};

// Children run one after another, each starting at the step after its predecessor finished.
// repeatAlways makes it loop for ever, refilled from clones of the children it had then.
class ORVA_API ActionSequence final : public ActionComplex
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSequence)

    using ChildList = ActionList;

    ~ActionSequence() override;

    bool update(float dt) override;
    ActionBase* clone() const override;
    // The reversed copies of the children from back to front, without loop or prototypes.
    ActionBase* reversedCopy() const override;

    ActionComplex* addAction(ActionBase* child) override;
    // Appends its own reversed copy: the whole sequence runs forward, then back.
    ActionComplex* reverse() override;
    // The running front is never deleted at once, only marked finished; the others are.
    void destroyOneAction(int index) override;
    void destroyAllActions() override;

    // Appends n passes of clones of the children present now (none for n <= 0).
    ActionSequence* repeatAction(int n);
    ActionSequence* repeatOnce();
    ActionSequence* repeatAlways();

    const ChildList& getChildren() const noexcept { return children_; }
    bool isLooping() const noexcept { return loop_; }

private:
    ChildList children_;
    bool loop_ = false;
    ChildList prototypes_;
};

} // namespace Orva::Actions
