#pragma once

#include <list>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva {

class GameObject;

// STUB: a game object manager that holds no object. The game objects issue replaces it
// (pages of objects, creation, lookup, deferred destruction).
class ORVA_API GameObjectManager : public Singleton<GameObjectManager>
{
public:
    // Destroys the objects queued for destruction; the stub has none.
    static void update() {}
    // Every live object in page and slot order.
    std::list<GameObject*> getAllObjects() const { return {}; }
    void destroyAllObjects() {}
};

} // namespace Orva
