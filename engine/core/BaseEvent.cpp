#include "core/BaseEvent.h"

#include <unordered_map>

namespace Orva {

namespace {

// Built on first use: the input manager's exported codes are hashed while the library's
// static objects are still being constructed.
std::unordered_map<std::uint32_t, std::string>& nameTable()
{
    static std::unordered_map<std::uint32_t, std::string> names;
    return names;
}

} // namespace

std::uint32_t EventNameDetails::EventToHash(const std::string& name)
{
    std::uint32_t hash = OffsetBasis;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= Prime;
    }
    nameTable()[hash] = name;
    return hash;
}

std::string EventNameDetails::HashToEvent(std::uint32_t code)
{
    const auto& names = nameTable();
    const auto found = names.find(code);
    return found != names.end() ? found->second : std::string("Event name not added yet.");
}

BaseEvent::~BaseEvent() = default;

} // namespace Orva
