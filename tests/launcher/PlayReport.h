#pragma once

// Reading a play-data report back: its sections' entries by one of their attributes.

#include <tinyxml2.h>

#include <string>

namespace PlayReport {

// The entry of the report's section whose attribute `key` holds `value`, or null.
inline const tinyxml2::XMLElement* entry(const tinyxml2::XMLDocument& report, const char* section,
                                         const char* key, const std::string& value)
{
    const tinyxml2::XMLElement* data = report.FirstChildElement("data");
    const tinyxml2::XMLElement* list = data ? data->FirstChildElement(section) : nullptr;
    for (const tinyxml2::XMLElement* item = list ? list->FirstChildElement() : nullptr; item != nullptr;
         item = item->NextSiblingElement()) {
        const char* found = item->Attribute(key);
        if (found != nullptr && value == found) {
            return item;
        }
    }
    return nullptr;
}

// The attribute as a number; 9999 when the entry or the attribute is missing.
inline unsigned number(const tinyxml2::XMLElement* element, const char* name)
{
    return element ? element->UnsignedAttribute(name, 9999) : 9999;
}

// Whether an element of that name lies anywhere below.
inline bool holdsElement(const tinyxml2::XMLElement* element, const char* name)
{
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (std::string(child->Name()) == name || holdsElement(child, name)) {
            return true;
        }
    }
    return false;
}

} // namespace PlayReport
