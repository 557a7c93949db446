#include "actions/ActionContainers.h"

#include <memory>

namespace Orva::Actions {

namespace detail {

void destroyOneInList(ActionList& actions, int index)
{
    if (actions.empty() || index < 0 || static_cast<std::size_t>(index) >= actions.size()) {
        return;
    }
    if (index == 0) {
        actions.front()->done = true;
        return;
    }
    ActionBase* const action = actions[static_cast<std::size_t>(index)];
    actions.erase(static_cast<std::size_t>(index));
    delete action;
}

void destroyAllInList(ActionList& actions)
{
    if (actions.empty()) {
        return;
    }
    actions.front()->done = true;
    while (actions.size() > 1) {
        ActionBase* const action = actions.back();
        actions.pop_back();
        delete action;
    }
}

} // namespace detail

namespace {

// Appends a child the container takes over; should the append fail, the child is deleted.
void appendOwned(ActionList& list, ActionBase* child)
{
    if (!child) {
        return;
    }
    try {
        list.push_back(child);
    } catch (...) {
        delete child;
        throw;
    }
}

} // namespace

ActionGroup::~ActionGroup()
{
    detail::deleteAll(children_);
}

bool ActionGroup::update(float dt)
{
    bool result = true;
    // By index and up to the count at the start: a child's callback may add children, which
    // may move the list.
    const std::size_t count = children_.size();
    // The children lie apart in memory: asking for all of them first lets their reads
    // overlap instead of waiting for each in turn.
    for (const ActionBase* child : children_) {
        __builtin_prefetch(child);
        __builtin_prefetch(reinterpret_cast<const char*>(child) + 64);
    }
    for (std::size_t i = 0; i < count; ++i) {
        ActionBase* const child = children_[i];
        if (!child->done && !child->update(dt)) {
            result = false;
        }
    }
    // Nor does the group finish before the children added meanwhile have run.
    for (std::size_t i = count; i < children_.size(); ++i) {
        if (!children_[i]->done) {
            result = false;
        }
    }
    done = result;
    return result;
}

ActionBase* ActionGroup::clone() const
{
    auto copy = std::make_unique<ActionGroup>();
    for (const ActionBase* child : children_) {
        copy->addAction(child->clone());
    }
    return copy.release();
}

ActionBase* ActionGroup::reversedCopy() const
{
    auto copy = std::make_unique<ActionGroup>();
    for (const ActionBase* child : children_) {
        copy->addAction(child->reversedCopy());
    }
    return copy.release();
}

ActionComplex* ActionGroup::addAction(ActionBase* child)
{
    appendOwned(children_, child);
    return this;
}

ActionComplex* ActionGroup::reverse()
{
    for (ActionBase*& child : children_) {
        ActionBase* const forward = child;
        std::unique_ptr<ActionBase> back(forward->reversedCopy());
        auto* const sequence = new ActionSequence();
        child = sequence;
        sequence->addAction(forward);
        sequence->addAction(back.release());
    }
    return this;
}

void ActionGroup::destroyOneAction(int index)
{
    if (index >= 0 && static_cast<std::size_t>(index) < children_.size()) {
        children_[static_cast<std::size_t>(index)]->done = true;
    }
}

void ActionGroup::destroyAllActions()
{
    for (ActionBase* child : children_) {
        child->done = true;
    }
}

ActionSequence::~ActionSequence()
{
    detail::deleteAll(children_);
    detail::deleteAll(prototypes_);
}

bool ActionSequence::update(float dt)
{
    done = children_.empty();
    if (done) {
        return true;
    }
    // The front stays the front while it runs: destroy calls never delete it.
    ActionBase* const front = children_.front();
    if (front->done || front->update(dt)) {
        children_.pop_front();
        delete front;
    }
    if (children_.empty() && loop_) {
        for (const ActionBase* prototype : prototypes_) {
            addAction(prototype->clone());
        }
        return false;
    }
    return children_.empty();
}

ActionBase* ActionSequence::clone() const
{
    auto copy = std::make_unique<ActionSequence>();
    for (const ActionBase* child : children_) {
        copy->addAction(child->clone());
    }
    for (const ActionBase* prototype : prototypes_) {
        appendOwned(copy->prototypes_, prototype->clone());
    }
    copy->loop_ = loop_;
    return copy.release();
}

ActionBase* ActionSequence::reversedCopy() const
{
    auto copy = std::make_unique<ActionSequence>();
    for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
        copy->addAction((*child)->reversedCopy());
    }
    return copy.release();
}

ActionComplex* ActionSequence::addAction(ActionBase* child)
{
    appendOwned(children_, child);
    return this;
}

ActionComplex* ActionSequence::reverse()
{
    return addAction(reversedCopy());
}

void ActionSequence::destroyOneAction(int index)
{
    detail::destroyOneInList(children_, index);
}

void ActionSequence::destroyAllActions()
{
    detail::destroyAllInList(children_);
}

ActionSequence* ActionSequence::repeatAction(int n)
{
    const std::size_t count = children_.size();
    // Passes of nothing append nothing, however many a count asks for. By index: appending
    // may move the list.
    for (int pass = 0; count != 0 && pass < n; ++pass) {
        for (std::size_t i = 0; i < count; ++i) {
            addAction(children_[i]->clone());
        }
    }
    return this;
}

ActionSequence* ActionSequence::repeatOnce()
{
    return repeatAction(1);
}

ActionSequence* ActionSequence::repeatAlways()
{
    if (loop_) {
        return this;
    }
    loop_ = true;
    for (const ActionBase* child : children_) {
        appendOwned(prototypes_, child->clone());
    }
    return this;
}

} // namespace Orva::Actions
