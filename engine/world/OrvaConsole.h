#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"

namespace Orva {

class GameObject;

namespace Debug {

// The store behind a debug console: the object being inspected, the last object created, a
// table of named commands and the output lines. It reads, runs and draws nothing; a host
// that wants a console makes the instance (linkInstance), reads the input, calls the
// commands and shows the lines. The engine never makes or calls it.
class ORVA_API OrvaConsole : public Singleton<OrvaConsole>
{
public:
    ORVA_POOLED_OPERATORS(OrvaConsole)

    using Words = std::vector<std::string, OrvaAllocator<std::string>>;
    using Command = void (*)(const Words& words);
    using CommandTable = std::map<std::string, Command>;
    using Lines = std::deque<std::string>;

    static constexpr const char* CurrentObjectLine = "Current Maniplulating Object set to: ";

    OrvaConsole() = default;
    OrvaConsole(const OrvaConsole&) = delete;
    OrvaConsole& operator=(const OrvaConsole&) = delete;

    // Ignores null and what is not a game object; otherwise keeps the object with its id and
    // adds the line CurrentObjectLine + name + ", GUID: " + id.
    void setCurrentObj(GameObject* object);
    // The object set, while it lives under the same id; else null from then on.
    GameObject* getCurrentObj();
    // The same rules, without a line.
    void setLastCreatedObj(GameObject* object);
    GameObject* getLastCreatedObj();

    // Replaces a command of the same name.
    void registerCommand(const std::string& name, Command command) { commands_[name] = command; }
    void addLine(const std::string& line) { lines_.push_back(line); }

    const CommandTable& getCommands() const noexcept { return commands_; }
    // Oldest first.
    const Lines& getLines() const noexcept { return lines_; }

private:
    // An object remembered with the id it had, so that a reused slot is not mistaken for it.
    struct TrackedObject
    {
        GameObject* object = nullptr;
        std::uint32_t id = 0;

        bool set(GameObject* candidate);
        GameObject* get();
    };

    TrackedObject current_;
    TrackedObject lastCreated_;
    CommandTable commands_;
    Lines lines_;
};

} // namespace Debug
} // namespace Orva
