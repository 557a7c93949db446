#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"

namespace Orva::Physics {

class BaseCollider;
class RigidBody;

// STUB: the collider and body lists and the table of 32 collision groups, with a step that
// does nothing. The physics issue replaces it (contacts, responses, integration, collision
// listeners and events).
class ORVA_API PhysicsWorld : public Singleton<PhysicsWorld>
{
public:
    static constexpr int MaxGroups = 32;
    using ColliderList = std::vector<BaseCollider*, OrvaAllocator<BaseCollider*>>;
    using RigidBodyList = std::vector<RigidBody*, OrvaAllocator<RigidBody*>>;
    using FlagField = bool[MaxGroups][MaxGroups];

    // Every group slot named "CollisionGroup " and its number, every pair detecting, none in
    // use.
    PhysicsWorld()
    {
        for (int index = 0; index < MaxGroups; ++index) {
            names_[index] = "CollisionGroup " + std::to_string(index);
            std::fill(std::begin(flags_[index]), std::end(flags_[index]), true);
        }
    }

    // One physics step of dt seconds; the stub moves nothing.
    void update(float /*dt*/) {}

    ColliderList& getListOfCollider() noexcept { return colliders_; }
    RigidBodyList& getListOfRigidBody() noexcept { return rigidBodies_; }

    int getCollisionGroupCount() const noexcept { return count_; }
    // The first of all 32 slots, in use or not, with that name; -1 when none.
    int getCollisionGroupIndex(const std::string& name) const
    {
        for (int index = 0; index < MaxGroups; ++index) {
            if (names_[index] == name) {
                return index;
            }
        }
        return -1;
    }
    // Names the next free slot; nothing once all 32 are in use.
    void addCollisionGroup(const std::string& name)
    {
        if (count_ < MaxGroups) {
            names_[count_++] = name;
        }
    }
    // Sets both directions of the pair; indices outside 0..31 change nothing.
    void setCollisionGroupFlag(int a, int b, bool detect) noexcept
    {
        if (a >= 0 && a < MaxGroups && b >= 0 && b < MaxGroups) {
            flags_[a][b] = detect;
            flags_[b][a] = detect;
        }
    }
    void setCollisionGroupFlag(const std::string& a, const std::string& b, bool detect)
    {
        setCollisionGroupFlag(getCollisionGroupIndex(a), getCollisionGroupIndex(b), detect);
    }
    // Renames the groups in use "CollisionGroup<i>", clears their pair flags below the
    // diagonal and leaves no group in use.
    void resetAllCollisionGroups()
    {
        for (int i = 0; i < count_; ++i) {
            names_[i] = "CollisionGroup" + std::to_string(i);
            for (int j = 0; j < i; ++j) {
                flags_[i][j] = false;
                flags_[j][i] = false;
            }
        }
        count_ = 0;
    }
    const std::string* getCollisionGroupNames() const noexcept { return names_; }
    FlagField& getCollisionFlagField() noexcept { return flags_; }

private:
    ColliderList colliders_;
    RigidBodyList rigidBodies_;
    bool flags_[MaxGroups][MaxGroups] = {};
    std::string names_[MaxGroups];
    int count_ = 0;
};

} // namespace Orva::Physics
