#include "world/GameStateManager.h"

#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/GlobalManager.h"
#include "core/RC4Cipher.h"
#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "graphics/TextureManager.h"
#include "graphics/Viewport.h"
#include "physics/PhysicsWorld.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "window/Window.h"
#include "window/WindowEvents.h"
#include "world/CameraComponent.h"
#include "world/DataAnalyticManager.h"
#include "world/FileListing.h"
#include "world/GameObject.h"
#include "world/GameObjectDeserializer.h"
#include "world/GameObjectManager.h"
#include "world/LoadEvent.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/TransformComponent.h"
#include "world/XmlValues.h"

namespace Orva {

using Resources::ResourceManager;
using tinyxml2::XMLElement;

namespace {

Graphics::Viewport* currentViewport() noexcept
{
    if (!Graphics::Renderer::hasInstance() || !Graphics::Renderer::getInstance().isInitialized()) {
        return nullptr;
    }
    return &Graphics::Renderer::getInstance().getViewport();
}

// The window the renderer draws on; its size is the camera's view.
const Window* gameWindow() noexcept
{
    return Graphics::Renderer::hasInstance() ? Graphics::Renderer::getInstance().getWindow() : nullptr;
}

// The `stage` root of a stored (scrambled) state file; null when the text does not parse or
// has no `stage`.
XMLElement* parseStage(tinyxml2::XMLDocument& document, const std::string& stored)
{
    const std::string text = Crypto::RC4Cipher::decrypt(stored);
    if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return nullptr;
    }
    return document.FirstChildElement("stage");
}

// Why parseStage found no stage in the stored text.
std::string unreadableStage(const tinyxml2::XMLDocument& document, const std::string& stored)
{
    if (stored.empty()) {
        return "the file is empty or cannot be read";
    }
    if (!Crypto::RC4Cipher::isStoredForm(stored)) {
        return std::string("not in the stored form (plain text?): store it with \"") +
               Crypto::RC4Cipher::StoreCommand + "\" (build/bin/scramble)";
    }
    if (document.Error()) {
        const std::string line = document.ErrorLineNum() > 0
                                     ? " at line " + std::to_string(document.ErrorLineNum())
                                     : std::string();
        return "malformed XML" + line + " (" + document.ErrorName() + ")";
    }
    return "no <stage> element at its root";
}

// `info/name`, or null.
XMLElement* stageNameElement(XMLElement& stage)
{
    XMLElement* info = stage.FirstChildElement("info");
    return info ? info->FirstChildElement("name") : nullptr;
}

bool isUnsafeStateName(const std::string& name)
{
    return name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
           name.find("..") != std::string::npos;
}

// Calls load with the attribute of every element of that kind; an element without the
// attribute is skipped.
template <class Load>
void forEachResource(const XMLElement& resources, const char* kind, const char* attribute, Load&& load)
{
    Xml::forEachChild(&resources, kind, [&](const XMLElement& element) {
        std::string value;
        if (Xml::findText(&element, attribute, value)) {
            load(value);
        }
    });
}

// Each kind in its own pass, in a fixed order whatever the document's order. A script file
// that does not exist is listed all the same, and named on stderr.
void loadResources(const XMLElement& resources, const std::string& stageName)
{
    if (Graphics::Viewport* viewport = currentViewport()) {
        forEachResource(resources, "layer", "name",
                        [viewport](const std::string& name) { viewport->addLayer(name); });
    }
    Graphics::TextureManager& textures = Graphics::TextureManager::getInstance();
    forEachResource(resources, "atlas", "src",
                    [&textures](const std::string& path) { textures.addAtlas(path); });
    forEachResource(resources, "img", "src",
                    [&textures](const std::string& path) { textures.add(nullptr, path); });
    forEachResource(resources, "sound", "src",
                    [](const std::string& path) { Audio::AudioManager::getInstance().load(path); });
    forEachResource(resources, "luascript", "src", [&stageName](const std::string& path) {
        const std::string fullPath = ResourceManager::getResourceDirectory() + path;
        std::error_code error;
        if (!std::filesystem::is_regular_file(fullPath, error)) {
            std::cerr << "game states: stage \"" << stageName << "\": no script file \"" << path << "\" ("
                      << fullPath << ")\n";
        }
        LuaScriptManager::getInstance().addScriptPathToList(path);
    });
    if (Graphics::FontManager::hasInstance()) {
        forEachResource(resources, "font", "src", [](const std::string& path) {
            Graphics::FontManager::getInstance().makeFont(path, GameStateManager::StageFontSize);
        });
    }
}

bool isGroupInUse(const Physics::PhysicsWorld& world, const std::string& name)
{
    const std::string* names = world.getCollisionGroupNames();
    return std::find(names, names + world.getCollisionGroupCount(), name) !=
           names + world.getCollisionGroupCount();
}

// Runs only for a `data` element. Names new to the world are added once each, after every
// pair flag is set; indices outside the 32 groups set nothing.
void loadCollision(const XMLElement& collision)
{
    if (!collision.FirstChildElement("data")) {
        return;
    }
    Physics::PhysicsWorld& world = Physics::PhysicsWorld::getInstance();
    world.resetAllCollisionGroups();
    std::vector<std::string> newNames;
    Xml::forEachChild(&collision, "data", [&](const XMLElement& data) {
        std::string name;
        if (!Xml::findText(&data, "name", name)) {
            return;
        }
        if (!isGroupInUse(world, name) &&
            std::find(newNames.begin(), newNames.end(), name) == newNames.end()) {
            newNames.push_back(std::move(name));
        }
        world.setCollisionGroupFlag(data.IntAttribute("a"), data.IntAttribute("b"),
                                    data.BoolAttribute("detect"));
    });
    for (const std::string& name : newNames) {
        world.addCollisionGroup(name);
    }
}

// A camera object sized to the window, for a stage that brings none.
TransformComponent* createCameraObject()
{
    GameObject* camera = GameObjectManager::getInstance().create(std::string("Camera"));
    TransformComponent* transform = camera->addComponent<TransformComponent>();
    const Window* window = gameWindow();
    const float width = window ? static_cast<float>(window->getWidth()) : 0.0f;
    const float height = window ? static_cast<float>(window->getHeight()) : 0.0f;
    transform->getLocalScale().x = width * GlobalManager::InverseObjectUnitSize;
    transform->getLocalScale().y = height * GlobalManager::InverseObjectUnitSize;
    camera->addComponent<CameraComponent>();
    return transform;
}

} // namespace

GameStateManager::GameStateManager()
{
    EventManager& events = EventManager::getInstance();
    events.ListenToEvent(Events::loadReplyCode(),
                         FunctionHolder(this, &GameStateManager::onResourceLoadComplete));
    events.ListenToEvent(WindowResizeEventName, FunctionHolder(this, &GameStateManager::onWindowResize));
}

GameStateManager::~GameStateManager()
{
    leaveCurrentState();
    eventCallbacks_.clearEvents();
}

// Listing ---------------------------------------------------------------------------------

void GameStateManager::loadStateList(std::string directory)
{
    const std::string folder = ResourceManager::getResourceDirectory() + directory;
    for (const std::string& file : Resources::listFilesWithExtension(folder, StateExtension)) {
        Events::requestLoad(this, nullptr, {Events::LoadEvent::Entry(directory + "/" + file)});
        ++pendingCount_;
    }
    LuaScriptManager& scripts = LuaScriptManager::getInstance();
    scripts.clearAllScriptFiles();
    for (const std::string& file : Resources::listFilesWithExtension(folder + "/scripts", ScriptExtension)) {
        scripts.addScriptPathToList("scripts/" + file);
    }
}

// Every entry of an own reply counts as answered, whether or not it names a new stage, so
// that one bad file cannot keep the game from starting.
void GameStateManager::onResourceLoadComplete(BaseEvent* event)
{
    const Events::LoadEvent* reply = Events::replyForSender(event, this);
    if (!reply) {
        return;
    }
    const std::size_t directoryLength = ResourceManager::getResourceDirectory().size();
    for (const Events::LoadEvent::Entry& entry : reply->entries) {
        if (pendingCount_ > 0) {
            --pendingCount_;
        }
        const std::string path =
            entry.path.size() >= directoryLength ? entry.path.substr(directoryLength) : entry.path;
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        XMLElement* stage = parseStage(document, entry.contents);
        const XMLElement* nameElement = stage ? stageNameElement(*stage) : nullptr;
        const char* name = nameElement ? nameElement->Attribute("text") : nullptr;
        if (!stage) {
            std::cerr << "game states: " << path << " skipped: " << unreadableStage(document, entry.contents)
                      << "\n";
        } else if (!name) {
            std::cerr << "game states: " << path << " skipped: no info/name text\n";
        } else if (!stateList_.emplace(name, path).second) {
            std::cerr << "game states: " << path << " skipped: the stage name \"" << name
                      << "\" is already listed\n";
        }
    }
}

// Changes ---------------------------------------------------------------------------------

void GameStateManager::changeState(std::string name)
{
    if (pendingCount_ > 0) {
        return;
    }
    leaveCurrentState();
    if (name.empty()) {
        return;
    }
    if (Graphics::Viewport* viewport = currentViewport()) {
        viewport->getCameraPosition() = {0.0f, 0.0f};
        viewport->getCameraScale() = {1.0f, 1.0f};
    }
    Audio::AudioManager::getInstance().destroyAllGroups();
    currentState_.reset(loadStateData(std::move(name)));
    InputManager::getInstance().stopUsingTrackingData();
}

// The stage asked for is entered before the camera is followed, so the camera follows the
// new stage's camera in the same frame. The request is dropped only after the change: one
// that a leaving object's Deinit makes meanwhile belongs to the stage being left and goes
// with it.
void GameStateManager::update()
{
    if (!nextStateName_.empty()) {
        changeState(nextStateName_);
        nextStateName_.clear();
    }
    TransformComponent* camera = getCameraTransform();
    if (!camera) {
        return;
    }
    const auto& scale = camera->getWorldScale();
    const bool zoomKeyTapped =
        InputManager::hasInstance() && InputManager::getInstance().isButtonTapped(InputKeys::ORVA_F6);
    if (scale.x != zoomedScaleX_ || scale.y != zoomedScaleY_ || zoomKeyTapped) {
        zoomedScaleX_ = scale.x;
        zoomedScaleY_ = scale.y;
        zoomCamera(*camera);
    }
    followCamera(*camera);
}

void GameStateManager::focusCamera()
{
    if (TransformComponent* camera = getCameraTransform()) {
        zoomCamera(*camera);
        followCamera(*camera);
    }
}

void GameStateManager::onWindowResize(BaseEvent* /*event*/)
{
    focusCamera();
}

void GameStateManager::zoomCamera(const TransformComponent& camera) const
{
    Graphics::Viewport* viewport = currentViewport();
    const Window* window = gameWindow();
    if (!viewport || !window) {
        return;
    }
    const auto& scale = camera.getWorldScale();
    const float unit = GlobalManager::ObjectUnitSize;
    viewport->getCameraScale().x = 1.0f / (scale.x * unit / static_cast<float>(window->getWidth()));
    viewport->getCameraScale().y = 1.0f / (scale.y * unit / static_cast<float>(window->getHeight()));
}

void GameStateManager::followCamera(const TransformComponent& camera) const
{
    if (Graphics::Viewport* viewport = currentViewport()) {
        const auto& position = camera.getWorldTranslation();
        viewport->getCameraPosition() = {position.x, position.y};
    }
}

TransformComponent* GameStateManager::getCameraTransform() const noexcept
{
    if (!cameraTransform_ || !GameObjectManager::hasInstance() ||
        !GameObjectManager::isGameObjectInUse(cameraOwner_) || cameraOwner_->objectID != cameraOwnerId_ ||
        cameraOwner_->getTransform() != cameraTransform_) {
        return nullptr;
    }
    return cameraTransform_;
}

void GameStateManager::setCameraTransform(TransformComponent* transform) noexcept
{
    cameraTransform_ = transform;
    cameraOwner_ = transform ? transform->getOwner() : nullptr;
    cameraOwnerId_ = cameraOwner_ ? cameraOwner_->objectID : 0;
}

void GameStateManager::leaveCurrentState()
{
    if (!currentState_) {
        return;
    }
    if (GameObjectManager::hasInstance()) {
        GameObjectManager::getInstance().destroyAllObjects();
    }
    currentState_.reset();
    setCameraTransform(nullptr);
}

// Loading ---------------------------------------------------------------------------------

GameState* GameStateManager::loadStateData(std::string name)
{
    const auto listed = stateList_.find(name);
    if (listed == stateList_.end()) {
        return nullptr;
    }
    if (Analytic::DataAnalyticManager::hasInstance()) {
        Analytic::DataAnalyticManager::getInstance().stateLoaded(name);
    }
    auto state = std::make_unique<GameState>();
    state->setPath(listed->second);
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    const XMLElement* stage =
        parseStage(document, ResourceManager::openFile(ResourceManager::getFullPath(state->getPath())));
    if (!stage) {
        return state.release();
    }
    state->setName(name);
    const ObjectXmlReport report("game states: stage \"" + name + "\"");
    if (const XMLElement* resources = stage->FirstChildElement("resources")) {
        loadResources(*resources, name);
    }
    if (const XMLElement* collision = stage->FirstChildElement("collision")) {
        loadCollision(*collision);
    }
    if (const XMLElement* objects = stage->FirstChildElement("objects")) {
        Xml::forEachChild(objects, "obj",
                          [](const XMLElement& object) { GameObjectDeserializer::execute(&object, false); });
        if (!CameraComponent::cameraExists()) {
            setCameraTransform(createCameraObject());
        } else {
            // The last camera object in the manager's order is the one followed.
            for (GameObject* object : GameObjectManager::getInstance().getAllObjects()) {
                if (object->getComponent<CameraComponent>()) {
                    setCameraTransform(object->getTransform());
                }
            }
        }
        if (getCameraTransform()) {
            if (Graphics::Viewport* viewport = currentViewport()) {
                viewport->sortLayers();
            }
            focusCamera();
        }
    }
    return state.release();
}

// The list --------------------------------------------------------------------------------

std::string GameStateManager::getCurrentStateName() const
{
    return currentState_ ? currentState_->getName() : std::string();
}

void GameStateManager::clearStateList()
{
    leaveCurrentState();
    stateList_.clear();
    pendingCount_ = 0;
}

// The file stays scrambled, as every reader of state files expects.
void GameStateManager::renameState(std::string oldName, std::string newName)
{
    if (isUnsafeStateName(newName) || stateList_.contains(newName)) {
        return;
    }
    stateList_.erase(oldName);
    std::string relativePath = "/" + newName + StateExtension;
    const std::string path = ResourceManager::getFullPath(relativePath);
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (XMLElement* stage = parseStage(document, ResourceManager::openFile(path))) {
        if (XMLElement* nameElement = stageNameElement(*stage)) {
            nameElement->SetAttribute("text", newName.c_str());
        }
        tinyxml2::XMLPrinter printer;
        document.Print(&printer);
        ResourceManager::saveResource(relativePath, Crypto::RC4Cipher::encrypt(printer.CStr()), "resources");
    }
    stateList_[std::move(newName)] = std::move(relativePath);
}

} // namespace Orva
