#include "world/OrvaConsole.h"

#include "world/GameObject.h"
#include "world/GameObjectManager.h"

namespace Orva::Debug {

bool OrvaConsole::TrackedObject::set(GameObject* candidate)
{
    if (!GameObjectManager::isGameObject(candidate)) {
        return false;
    }
    object = candidate;
    id = candidate->objectID;
    return true;
}

GameObject* OrvaConsole::TrackedObject::get()
{
    if (object && (!GameObjectManager::isGameObjectInUse(object) || object->objectID != id)) {
        object = nullptr;
    }
    return object;
}

void OrvaConsole::setCurrentObj(GameObject* object)
{
    if (current_.set(object)) {
        addLine(CurrentObjectLine + object->name + ", GUID: " + std::to_string(object->objectID));
    }
}

GameObject* OrvaConsole::getCurrentObj()
{
    return current_.get();
}

void OrvaConsole::setLastCreatedObj(GameObject* object)
{
    lastCreated_.set(object);
}

GameObject* OrvaConsole::getLastCreatedObj()
{
    return lastCreated_.get();
}

} // namespace Orva::Debug
