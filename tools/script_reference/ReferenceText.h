#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "luabridge/Inventory.h"

// The script reference as text: what an interpreter holds of the bindings, merged with the
// hand-written meaning of every name.
namespace Orva::Tools {

// What the script engine registered, read back from its state.
struct Bindings
{
    std::vector<luabridge::BoundNamespace> namespaces;
    // Globals holding an engine object, with its class.
    std::vector<std::pair<std::string, std::string>> globals;
    std::size_t classCount = 0;
};

// The meanings file: "<name> <meaning>" a line, '#' comments. A name is a namespace, a class
// ("Core.GameObject"), a member or namespace entry ("Core.GameObject.addSprite"), several
// names at once ("Math.Vector{2f,3f}.dot"), or a family of constants ending in '*'
// ("Keys.ORVA_*", the longest one that fits wins). Three kinds of
// line describe what the state cannot show: "global:<name> <Namespace.Class>[?] <meaning>"
// (a global the engine sets; '?' when it may be nil), "field:<name> <Namespace.Class>
// <meaning>" (a field of every script instance) and "callback:<form> <meaning>" (a function
// a script class defines or hands to a listener).
struct Meanings
{
    struct Entry
    {
        std::string name;
        std::string type;
        std::string meaning;
    };

    std::map<std::string, std::string> names;
    std::vector<Entry> globals;
    std::vector<Entry> fields;
    std::vector<Entry> callbacks;
};

// Malformed and repeated lines go to problems, each naming its line.
Meanings readMeanings(const std::string& text, std::vector<std::string>& problems);

// The reference in Markdown. A registered name without a meaning, a meaning for no registered
// name, a global that is not what the state holds and a class no namespace shows each go to
// problems.
std::string writeReference(const Bindings& bindings, const Meanings& meanings,
                           std::vector<std::string>& problems);

} // namespace Orva::Tools
