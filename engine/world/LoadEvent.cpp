#include "world/LoadEvent.h"

#include <utility>

namespace Orva::Events {

LoadEvent::Entry::Entry(std::string path, int tag) : path(std::move(path)), tag(tag) {}

LoadEvent::~LoadEvent() = default;

} // namespace Orva::Events
