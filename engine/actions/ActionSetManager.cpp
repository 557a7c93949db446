#include "actions/ActionSetManager.h"

#include <tinyxml2.h>

#include <cstdio>
#include <iostream>
#include <locale>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "actions/ActionBase.h"
#include "actions/ActionComponent.h"
#include "core/EventManager.h"
#include "core/FileWrites.h"
#include "core/FunctionHolder.h"
#include "world/ComponentPool.h"
#include "world/FileListing.h"
#include "world/GameObject.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

namespace Orva::Actions {

namespace {

std::string setFolder()
{
    return Resources::ResourceManager::getResourceDirectory() + ActionSetManager::SetFolder;
}

// Renames and removals join the folder with a slash of their own.
std::string movedSetPath(const std::string& name)
{
    return Resources::ResourceManager::getResourceDirectory() + "/" + ActionSetManager::SetFolder + name +
           ActionSetManager::SetExtension;
}

// Numbers in the stream's default format, whatever the global locale.
std::ostringstream setFileText()
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    return out;
}

void writeSetFile(const std::string& name, const std::string& text)
{
    Resources::ResourceManager::saveResource(std::string(ActionSetManager::SetFolder) + name +
                                                 ActionSetManager::SetExtension,
                                             text, "action sets");
}

// A name up to its last '.'.
std::string withoutExtension(const std::string& fileName)
{
    return fileName.substr(0, fileName.rfind('.'));
}

} // namespace

ActionSetManager::ActionSetManager()
{
    EventManager::getInstance().ListenToEvent(
        Events::loadReplyCode(), FunctionHolder(this, &ActionSetManager::onResourceLoadComplete));
}

ActionSetManager::~ActionSetManager()
{
    clearAllSets();
}

void ActionSetManager::destroyInstance()
{
    if (hasInstance()) {
        getInstance().clearAllSets();
    }
    Singleton<ActionSetManager>::destroyInstance();
}

bool ActionSetManager::storeSet(const std::string& name, const std::string& text, const std::string& path)
{
    tinyxml2::XMLDocument document;
    if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        // Nothing read (a file the loader could not open) is a file error: not reported.
        if (!text.empty()) {
            std::cerr << "action sets: " << path << " is not XML; no set is read from it\n";
        }
        return false;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("action");
    if (!root) {
        std::cerr << "action sets: " << path << " has no action element; no set is read from it\n";
        return true;
    }
    std::unique_ptr<ActionSetSequence> set = readActionSet(*root);
    ActionSetSequence*& place = sets_.try_emplace(name, nullptr).first->second;
    delete place;
    place = set.release();
    return true;
}

void ActionSetManager::loadAllActionSets()
{
    const std::string folder = setFolder();
    for (const std::string& fileName : Resources::listFilesWithExtension(folder, SetExtension)) {
        const std::string path = folder + fileName;
        if (const std::optional<std::string> text = readRegularFile(path)) {
            storeSet(withoutExtension(fileName), *text, path);
        }
    }
}

void ActionSetManager::loadActionSetPath(const std::string& path)
{
    Events::requestLoad(this, nullptr, {Events::LoadEvent::Entry(path)});
}

void ActionSetManager::onResourceLoadComplete(BaseEvent* event)
{
    const Events::LoadEvent* reply = Events::replyForSender(event, this);
    if (!reply) {
        return;
    }
    for (const Events::LoadEvent::Entry& entry : reply->entries) {
        const std::string fileName = entry.path.substr(entry.path.rfind('/') + 1);
        if (!storeSet(withoutExtension(fileName), entry.contents, entry.path)) {
            return;
        }
    }
}

ActionSetSequence* ActionSetManager::getActionSet(const std::string& name) const
{
    const auto found = sets_.find(name);
    return found != sets_.end() ? found->second : nullptr;
}

void ActionSetManager::attachActionSet(GameObject* object, const std::string& name)
{
    const ActionSetSequence* set = getActionSet(name);
    if (!object || !set) {
        return;
    }
    if (builtActionBound(*set, MaxBuiltActions + 1) > MaxBuiltActions) {
        std::cerr << "action sets: " << name << " could build more than " << MaxBuiltActions
                  << " actions; it is not attached\n";
        return;
    }
    // Built first: a failing build leaves the object without a new component.
    std::unique_ptr<ActionBase> tree(set->create(object));
    auto* component = object->getComponent<ActionComponent>();
    if (!component) {
        component = object->addComponent<ActionComponent>();
    }
    if (component) {
        component->addRootAction(tree.release());
    }
}

void ActionSetManager::destroyAllActionsInScene()
{
    if (ComponentPool<ActionComponent>::hasInstance()) {
        ComponentPool<ActionComponent>::getInstance().forEachInUse(
            [](ActionComponent& component) { component.finishAllActions(); });
    }
}

ActionSetSequence* ActionSetManager::createActionSet(const std::string& name)
{
    auto [place, added] = sets_.try_emplace(name, nullptr);
    if (added) {
        place->second = new ActionSetSequence();
        writeSetFile(name, "<action type=\"seq\">\n</action>\n");
    }
    return place->second;
}

void ActionSetManager::saveActionSet(const std::string& name)
{
    if (const ActionSetSequence* set = getActionSet(name)) {
        std::ostringstream out = setFileText();
        set->write(out, 0);
        writeSetFile(name, out.str());
    }
}

void ActionSetManager::renameActionSet(const std::string& oldName, const std::string& newName)
{
    const auto found = sets_.find(oldName);
    if (found == sets_.end() || oldName == newName) {
        return;
    }
    ActionSetSequence*& place = sets_.try_emplace(newName, nullptr).first->second;
    delete place;
    place = found->second;
    sets_.erase(found);
    std::rename(movedSetPath(oldName).c_str(), movedSetPath(newName).c_str());
}

void ActionSetManager::deleteActionFile(const std::string& name)
{
    const auto found = sets_.find(name);
    if (found == sets_.end()) {
        return;
    }
    delete found->second;
    sets_.erase(found);
    std::remove(movedSetPath(name).c_str());
}

void ActionSetManager::clearAllSets()
{
    for (auto& [name, set] : sets_) {
        delete set;
    }
    sets_.clear();
}

} // namespace Orva::Actions
