#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iostream>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "core/OrvaAllocator.h"
#include "core/Singleton.h"
#include "core/TypeName.h"
#include "world/BaseComponent.h"
#include "world/GameObject.h"
#include "world/HeapPage.h"
#include "world/IComponentPool.h"

namespace Orva {

// Which components of a pool its fixed step calls.
enum class ComponentStepRule {
    // The pool is not stepped.
    Never,
    // Components that are active.
    WhenActive,
    // Active components whose owning object is active too.
    WhenActiveAndOwnerActive,
    // Every component in use, whatever the active flags.
    Always,
};

namespace detail {

// What a pool's step reads of one slot, kept in an array beside each page's slots so that
// the walk reads one contiguous run instead of every slot and every owner: whether the slot
// is in use, and the component's owner as last read with that owner's active flag. The flag
// is trusted only while no object's flag has changed since (ActiveFlag::changes()).
class SlotStep
{
public:
    bool inUse() const noexcept { return (bits_ & InUseBit) != 0; }
    // In use, with no owner read yet.
    void take() noexcept { bits_ = InUseBit; }
    void release() noexcept { bits_ = 0; }
    void forgetOwner() noexcept { bits_ &= InUseBit; }

    bool sawOwner(const GameObject* owner) const noexcept { return (bits_ & ~FlagBits) == address(owner); }
    bool ownerWasActive() const noexcept { return (bits_ & OwnerActiveBit) != 0; }
    void see(const GameObject* owner, bool ownerActive) noexcept
    {
        bits_ = address(owner) | InUseBit | (ownerActive ? OwnerActiveBit : 0);
    }

private:
    static constexpr std::uintptr_t InUseBit = 1;
    static constexpr std::uintptr_t OwnerActiveBit = 2;
    static constexpr std::uintptr_t FlagBits = InUseBit | OwnerActiveBit;
    static_assert(alignof(GameObject) > FlagBits, "an object's address leaves room for the flags");

    static std::uintptr_t address(const GameObject* owner) noexcept
    {
        return reinterpret_cast<std::uintptr_t>(owner);
    }

    std::uintptr_t bits_ = 0;
};

} // namespace detail

// The pool of one component type, and the process-wide singleton of that type's pool.
// Components live in pages of perPage slots taken from the general heap and never move, so
// a pointer to a component stays valid while it is in use. Free slots form a list: a fresh
// page hands out its last slot first, and a freed slot is the next one handed out.
template <class T>
class ORVA_API ComponentPool final : public IComponentPool, public Singleton<ComponentPool<T>>
{
    static_assert(std::is_base_of_v<BaseComponent, T>, "a pooled component derives from BaseComponent");

public:
    // No page exists until addPage or the first allocate. Writes T's name to standard output.
    ComponentPool();
    ~ComponentPool() override { clear(); }

    ComponentPool(const ComponentPool&) = delete;
    ComponentPool& operator=(const ComponentPool&) = delete;

    // The global component manager names the pool, sizes its pages and picks its step rule
    // before it adds the first page. A page size of 0 is taken as 1.
    void configure(const char* name, unsigned perPage, ComponentStepRule rule) noexcept
    {
        name_ = name;
        perPage_ = perPage;
        stepRule_ = rule;
    }
    void addPage();

    void clear() override;
    const char* getName() const override { return name_; }
    int getAllocationCount() const override { return allocationCount_; }
    int getHighestCount() const override { return highestCount_; }
    int getFreeCount() const override { return freeCount_; }
    int getInUseCount() const noexcept { return inUseCount_; }
    std::size_t getPageCount() const noexcept { return pages_.size(); }
    unsigned getPerPage() const noexcept { return perPage_; }
    ComponentStepRule getStepRule() const noexcept { return stepRule_; }

    // Steps each page in order and each page's slots first to last, by the step rule. A
    // stepped component may take more components from this pool: pages added meanwhile are
    // stepped in the same pass.
    void update(float dt) override;
    // Calls visit(T&) on every component in use, in the order update steps them.
    template <class Visit> void forEachInUse(Visit&& visit);
    // Destroys the component and puts its slot first on the free list. Null, and a component
    // whose slot is already free (a second free through a stale pointer), are ignored.
    void free(BaseComponent* component) override;
    // A default-constructed T with the next componentID of its type; the caller sets the owner.
    T* allocate() override;
    bool isType(const std::type_info& type) const override { return type == typeid(T); }
    std::ostream& doMemoryDump(std::ostream& out) const override;
    unsigned getTotalMemoryAllocationCount() const override
    {
        return static_cast<unsigned>(pages_.size() * slotsPerPage() * sizeof(Slot));
    }
    // A range test per page.
    SlotLookup findSlotHolding(const void* address) const override;

private:
    using SlotStep = detail::SlotStep;

    struct Slot
    {
        alignas(T) std::byte storage[sizeof(T)];
        // The free list's link sits outside the component's bytes, so that nothing written
        // into a destroyed component can break the list.
        Slot* nextFree;
        // Its entry in the page's step array, which says whether the slot is in use.
        SlotStep* step;

        T* component() noexcept { return std::launder(reinterpret_cast<T*>(storage)); }
    };

    unsigned slotsPerPage() const noexcept { return perPage_ > 0 ? perPage_ : 1u; }
    // A page's step array lies in its block, after its slots.
    SlotStep* stepsOf(Slot* page) const noexcept
    {
        return reinterpret_cast<SlotStep*>(page + slotsPerPage());
    }
    // The slot of a component this pool handed out, found without touching the component.
    Slot* slotOf(const BaseComponent* component) const noexcept
    {
        const std::byte* const base = reinterpret_cast<const std::byte*>(component) - baseOffset_;
        return std::launder(reinterpret_cast<Slot*>(const_cast<std::byte*>(base)));
    }
    void pushFree(Slot* slot) noexcept
    {
        slot->nextFree = freeHead_;
        freeHead_ = slot;
    }
    // Calls visit(T&, SlotStep&) on every slot in use, in step order.
    template <class Visit> void forEachSlotInUse(Visit&& visit);
    // The step of the rule WhenActiveAndOwnerActive.
    void stepWhereOwnerActive(float dt);
    // Destroys the component in use and leaves a bare base part, without an id, where its
    // base part was: what a script's handle to it reads from then on. Marked free first: a
    // destructor that frees its own component again changes nothing.
    void retire(Slot& slot)
    {
        slot.step->release();
        slot.component()->~T();
        ::new (static_cast<void*>(slot.storage + baseOffset_)) BaseComponent();
    }

    std::vector<void*, OrvaAllocator<void*>> rawPages_;
    std::vector<Slot*, OrvaAllocator<Slot*>> pages_;
    int allocationCount_ = 0;
    int freeCount_ = 0;
    int highestCount_ = 0;
    int inUseCount_ = 0;
    unsigned perPage_ = 0;
    const char* name_ = "";
    Slot* freeHead_ = nullptr;
    // The type's componentID counter: one pool per type, so the first component gets 1.
    unsigned lastComponentID_ = 0;
    ComponentStepRule stepRule_ = ComponentStepRule::WhenActiveAndOwnerActive;
    // Where BaseComponent sits inside T, to find a slot from a component pointer without a
    // downcast (which would read the vtable of a component that may already be destroyed).
    std::ptrdiff_t baseOffset_ = 0;
    // ActiveFlag::changes() when a step last read every owner without a change meanwhile.
    std::uint64_t ownersReadAt_ = 0;
};

template <class T> ComponentPool<T>::ComponentPool()
{
    std::cout << typeName<T>() << "\n";
    rawPages_.reserve(25);
    pages_.reserve(25);
}

template <class T> void ComponentPool<T>::addPage()
{
    static_assert(alignof(Slot) >= alignof(SlotStep), "the step array follows the slots");
    const unsigned count = slotsPerPage();
    const detail::HeapPage<Slot> page = detail::allocateHeapPage<Slot>(count, count * sizeof(SlotStep));
    try {
        rawPages_.push_back(page.block);
    } catch (...) {
        detail::releaseHeapPage(page.block);
        throw;
    }
    // Should this fail, clear() still releases the block through rawPages_.
    pages_.push_back(page.first);
    SlotStep* const steps = stepsOf(page.first);
    for (unsigned i = 0; i < count; ++i) {
        page.first[i].step = ::new (static_cast<void*>(steps + i)) SlotStep();
        pushFree(&page.first[i]);
    }
}

template <class T> void ComponentPool<T>::clear()
{
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        Slot* page = pages_[p];
        for (unsigned i = 0; i < slotsPerPage(); ++i) {
            if (page[i].step->inUse()) {
                retire(page[i]);
            }
        }
    }
    if (!pages_.empty()) {
        BaseComponent::forgetHandles();
    }
    for (void* block : rawPages_) {
        detail::releaseHeapPage(block);
    }
    rawPages_.clear();
    pages_.clear();
    freeHead_ = nullptr;
}

template <class T> T* ComponentPool<T>::allocate()
{
    if (!freeHead_) {
        addPage();
    }
    // Unlinked before construction, so a constructor that takes another component of this
    // type gets another slot.
    Slot* slot = freeHead_;
    freeHead_ = slot->nextFree;
    T* component = nullptr;
    try {
        component = ::new (static_cast<void*>(slot->storage)) T();
    } catch (...) {
        pushFree(slot);
        throw;
    }
    baseOffset_ = reinterpret_cast<std::byte*>(static_cast<BaseComponent*>(component)) -
                  reinterpret_cast<std::byte*>(component);
    component->componentID = ++lastComponentID_;
    slot->step->take();
    ++inUseCount_;
    ++allocationCount_;
    if (inUseCount_ > highestCount_) {
        highestCount_ = inUseCount_;
    }
    return component;
}

template <class T> void ComponentPool<T>::free(BaseComponent* component)
{
    if (!component || inUseCount_ == 0) {
        return;
    }
    Slot* slot = slotOf(component);
    if (!slot->step->inUse()) {
        return;
    }
    retire(*slot);
    pushFree(slot);
    ++freeCount_;
    --inUseCount_;
}

template <class T> void ComponentPool<T>::update(float dt)
{
    // Nothing to step: the pages, however many, hold only free slots.
    if (inUseCount_ == 0) {
        return;
    }
    // The slot holds exactly a T: its own update is called, without virtual dispatch.
    switch (stepRule_) {
    case ComponentStepRule::Never:
        return;
    case ComponentStepRule::WhenActive:
        forEachInUse([dt](T& component) {
            if (component.active) {
                component.T::update(dt);
            }
        });
        return;
    case ComponentStepRule::WhenActiveAndOwnerActive:
        stepWhereOwnerActive(dt);
        return;
    case ComponentStepRule::Always:
        forEachInUse([dt](T& component) { component.T::update(dt); });
        return;
    }
}

template <class T> template <class Visit> void ComponentPool<T>::forEachSlotInUse(Visit&& visit)
{
    // By index, with the count read again on every pass: a visit that allocates may add a
    // page and move pages_ to new storage. Pages themselves never move, and every page has
    // the same size.
    const unsigned perPage = slotsPerPage();
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        Slot* const page = pages_[p];
        SlotStep* const steps = stepsOf(page);
        for (unsigned i = 0; i < perPage; ++i) {
            if (steps[i].inUse()) {
                visit(*page[i].component(), steps[i]);
            }
        }
    }
}

template <class T> template <class Visit> void ComponentPool<T>::forEachInUse(Visit&& visit)
{
    forEachSlotInUse([&visit](T& component, SlotStep&) { visit(component); });
}

template <class T> void ComponentPool<T>::stepWhereOwnerActive(float dt)
{
    // An owner's flag read by an earlier step is used while no object's flag has changed
    // since every owner was last read; otherwise it is read again, as often as the rule asks.
    const std::uint64_t changes = ActiveFlag::changes();
    const bool ownersRead = ownersReadAt_ == changes;
    forEachSlotInUse([dt, changes, ownersRead](T& component, SlotStep& step) {
        const bool trusted = ownersRead && ActiveFlag::changes() == changes;
        if (!component.active) {
            if (!trusted) {
                step.forgetOwner();
            }
            return;
        }
        GameObject* const owner = component.owner;
        if (!trusted || !step.sawOwner(owner)) {
            step.see(owner, owner && owner->active);
        }
        if (step.ownerWasActive()) {
            component.T::update(dt);
        }
    });
    if (ActiveFlag::changes() == changes) {
        ownersReadAt_ = changes;
    }
}

template <class T> IComponentPool::SlotLookup ComponentPool<T>::findSlotHolding(const void* address) const
{
    // Pointers into different pages are ordered through std::less, which is total.
    const std::less<const void*> before;
    for (Slot* page : pages_) {
        const Slot* const end = page + slotsPerPage();
        if (!before(address, page) && before(address, end)) {
            const auto offset = static_cast<std::size_t>(static_cast<const std::byte*>(address) -
                                                         reinterpret_cast<const std::byte*>(page));
            Slot& slot = page[offset / sizeof(Slot)];
            return {true, slot.step->inUse() ? static_cast<BaseComponent*>(slot.component()) : nullptr};
        }
    }
    return {};
}

template <class T> std::ostream& ComponentPool<T>::doMemoryDump(std::ostream& out) const
{
    out << "=== Memory dump for " << name_ << " pool ===\n"
        << "Alloc count           : " << allocationCount_ << " \n"
        << "Free count            : " << freeCount_ << " \n"
        << "Page count            : " << pages_.size() << " pages \n"
        << "No. in each page      : " << perPage_ << " objects \n"
        << "Highest at any time   : " << highestCount_ << " objects \n"
        << "Total memory allocated: " << getTotalMemoryAllocationCount() << " bytes \n"
        << "===End Dump===\n";
    return out;
}

} // namespace Orva
