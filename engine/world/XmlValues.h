#pragma once

#include <tinyxml2.h>

#include <string>

#include "core/Vector.h"
#include "graphics/Color.h"

// Readers of the engine's XML files share these: tinyxml2 answers null for a missing text
// attribute, and a string is never built from null.
namespace Orva::Xml {

// The attribute's text, or "" when it is missing.
inline std::string text(const tinyxml2::XMLElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return value ? std::string(value) : std::string();
}

// The attribute's text when the element exists and has it.
inline bool findText(const tinyxml2::XMLElement* element, const char* name, std::string& out)
{
    const char* value = element ? element->Attribute(name) : nullptr;
    if (value) {
        out = value;
    }
    return value != nullptr;
}

// Float attributes: each missing or unparsable one reads 0.
inline Math::Vector2D<float> vector2(const tinyxml2::XMLElement& element, const char* x, const char* y)
{
    return {element.FloatAttribute(x), element.FloatAttribute(y)};
}

inline Math::Vector3D<float> vector3(const tinyxml2::XMLElement& element, const char* x, const char* y,
                                     const char* z)
{
    return {element.FloatAttribute(x), element.FloatAttribute(y), element.FloatAttribute(z)};
}

inline Graphics::Color color(const tinyxml2::XMLElement& element)
{
    return {element.FloatAttribute("r"), element.FloatAttribute("g"), element.FloatAttribute("b"),
            element.FloatAttribute("a")};
}

// Calls visit on each child element of that name, in document order.
template <class Visit> void forEachChild(const tinyxml2::XMLElement* parent, const char* name, Visit&& visit)
{
    if (!parent) {
        return;
    }
    for (const tinyxml2::XMLElement* child = parent->FirstChildElement(name); child;
         child = child->NextSiblingElement(name)) {
        visit(*child);
    }
}

} // namespace Orva::Xml
