#pragma once

#include <tinyxml2.h>

#include <string>

// The number a play-data report gives `attribute` in the entry of `section` whose `key` is
// `value`; 9999 when there is no such entry or attribute.
inline unsigned reportedNumber(const tinyxml2::XMLDocument& report, const char* section, const char* key,
                               const std::string& value, const char* attribute)
{
    const tinyxml2::XMLElement* data = report.FirstChildElement("data");
    const tinyxml2::XMLElement* list = data ? data->FirstChildElement(section) : nullptr;
    for (const tinyxml2::XMLElement* item = list ? list->FirstChildElement() : nullptr; item != nullptr;
         item = item->NextSiblingElement()) {
        if (item->Attribute(key, value.c_str()) != nullptr) {
            return item->UnsignedAttribute(attribute, 9999);
        }
    }
    return 9999;
}
