#pragma once

#include <map>
#include <string>

#include "actions/ActionSet.h"
#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"

namespace Orva {
class GameObject;
}

namespace Orva::Actions {

// The action sets of the game by name, each read from resource directory + "data/" + name +
// ".action": all of them at start-up, single files later through the resource loader. A set
// is attached to an object by building a fresh runtime tree from it into the object's action
// component; the tree does not depend on the set afterwards. Sets can also be created, saved,
// renamed and deleted with their files, for an editor. Set names reach file paths only from
// the engine's own code.
//
// A file that is not XML, or has no "action" element at its top, stores nothing and is named
// on stderr. File errors of reads, writes, renames and removals are not reported.
class ORVA_API ActionSetManager : public Singleton<ActionSetManager>
{
public:
    ORVA_POOLED_OPERATORS(ActionSetManager)

    static constexpr const char* SetFolder = "data/";
    static constexpr const char* SetExtension = ".action";

    using SetMap = std::map<std::string, ActionSetSequence*>;

    // Listens to "OnResourceLoadComplete".
    ActionSetManager();
    ~ActionSetManager();

    ActionSetManager(const ActionSetManager&) = delete;
    ActionSetManager& operator=(const ActionSetManager&) = delete;

    // Reads every ".action" file of the set folder in the order they are listed; each set is
    // named by its file name up to the last '.' and replaces a set of that name.
    void loadAllActionSets();
    // Asks the resource loader for the file (relative to the resource directory); the set
    // arrives with the reply, named by the path between its last '/' and its last '.'.
    void loadActionSetPath(const std::string& path);
    // The reply listener: the files of this manager's replies, in order. A file that is not
    // XML drops the rest of its reply.
    void onResourceLoadComplete(BaseEvent* event);

    // Null when no set has the name.
    ActionSetSequence* getActionSet(const std::string& name) const;
    const SetMap& getActionSetList() const noexcept { return sets_; }

    // Appends the set's runtime tree to the object's action component, added when it has
    // none. A null object or an unknown name does nothing. A callback node whose script
    // component is missing throws the script error event (LuaExceptionEvent) and appends
    // nothing.
    void attachActionSet(GameObject* object, const std::string& name);
    // Marks every root action of every action component in use finished; each component drops
    // them at its next step.
    void destroyAllActionsInScene();

    // A new empty set (repeat 0) with its file, when the name has none; the set of the name.
    ActionSetSequence* createActionSet(const std::string& name);
    // Writes the set over its file. Unknown names do nothing here and below.
    void saveActionSet(const std::string& name);
    // Moves the set and its file to the new name; a set stored there before is deleted and
    // its file replaced. The same name twice changes nothing.
    void renameActionSet(const std::string& oldName, const std::string& newName);
    // Deletes the set and its file.
    void deleteActionFile(const std::string& name);
    void clearAllSets();

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

    // Clears the sets before the manager goes.
    static void destroyInstance();

private:
    // Stores the set read from the document's text under the name, replacing any set of that
    // name. False when the text is not XML; a document without an "action" root stores
    // nothing. Either is named on stderr by its path, unless the text is empty.
    bool storeSet(const std::string& name, const std::string& text, const std::string& path);

    SetMap sets_;
    EventCallbackObject eventCallbacks_;
};

} // namespace Orva::Actions
