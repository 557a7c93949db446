#pragma once

#include <tinyxml2.h>

#include <string>

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

// While one is open, what the object XML readers cannot build (an object set or a script
// class that does not exist) is written to stderr, one line each: the innermost open
// report's source, the object's name and what is missing. With none open, nothing is.
class ORVA_API ObjectXmlReport
{
public:
    // source names where the XML comes from, with the subsystem tag: `game states: stage "A"`.
    explicit ObjectXmlReport(std::string source);
    ~ObjectXmlReport();
    ObjectXmlReport(const ObjectXmlReport&) = delete;
    ObjectXmlReport& operator=(const ObjectXmlReport&) = delete;

    static void dropped(const GameObject& object, const std::string& what);

private:
    std::string source_;
    ObjectXmlReport* outer_;
};

// Objects are never written back as XML: set files are saved verbatim.
class ORVA_API GameObjectSerializer
{
};

} // namespace Orva
