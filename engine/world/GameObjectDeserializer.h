#pragma once

#include <tinyxml2.h>

#include "core/Export.h"

namespace Orva {

class GameObject;

// Builds game objects from the object XML: one `obj` element with "name", "set" and
// "active" attributes, `comp` children for its components and nested `obj` children for its
// children. Stage files and set files share the form.
class ORVA_API GameObjectDeserializer
{
public:
    // The object of the element, with its components and children. Outside set
    // instantiation (fromSet false), an element naming a set starts from a new instance of
    // that set, falling back to the element itself when the set is unknown or already being
    // instantiated, and never builds its nested `obj` elements; its own components then
    // change or add to the instance's. The "set" value becomes the object's set name after
    // its components are read. Null only for a null element.
    static GameObject* execute(const tinyxml2::XMLElement* element, bool fromSet);
};

// Objects are never written back as XML: set files are saved verbatim.
class ORVA_API GameObjectSerializer
{
};

} // namespace Orva
