#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"

namespace Orva {

class GameObject;
class TransformComponent;

// One entered stage: its name and its state file's path relative to the resource directory.
class ORVA_API GameState
{
public:
    ORVA_POOLED_OPERATORS(GameState)

    const std::string& getName() const noexcept { return name_; }
    const std::string& getPath() const noexcept { return path_; }
    void setName(const std::string& name) { name_ = name; }
    void setPath(const std::string& path) { path_ = path; }

private:
    std::string name_;
    std::string path_;
};

// The game's stages. Each stage is a state file "*.stg" under the resource directory, stored
// scrambled: an XML root `stage` with `info/name@text` (the stage's name), `resources`,
// `collision` and `objects`. The manager lists the files at start-up and reads their names
// through the loader; once every file has answered the game may enter a stage. Entering one
// destroys the objects of the current stage, resets the camera, the audio groups and input
// recording, and loads the new stage's resources, collision groups and objects. Each frame it
// applies a change asked for the next frame and keeps the viewport camera on the camera
// object. Main thread only.
class ORVA_API GameStateManager : public Singleton<GameStateManager>
{
public:
    ORVA_POOLED_OPERATORS(GameStateManager)

    using StateList = std::map<std::string, std::string>;

    static constexpr const char* StateExtension = ".stg";
    static constexpr const char* ScriptExtension = ".lua";
    // Fonts of a stage are made at this size.
    static constexpr unsigned StageFontSize = 40;

    // Listens to "OnResourceLoadComplete" and "WindowResizeEvent".
    GameStateManager();
    // Leaves the current stage (destroying every object) and withdraws its subscriptions.
    ~GameStateManager();

    GameStateManager(const GameStateManager&) = delete;
    GameStateManager& operator=(const GameStateManager&) = delete;

    // Requests every state file of resource directory + directory (listed as directory +
    // "/" + file name), and lists the script files of its "scripts" folder anew ("scripts/"
    // + file name) after unloading every script class.
    void loadStateList(std::string directory);
    // Every requested state file has answered.
    bool isLoaded() const noexcept { return pendingCount_ == 0; }

    // Ignored while state files are pending. Leaves the current stage, then enters the named
    // one; an empty name stops after leaving, an unlisted one leaves the game empty.
    void changeState(std::string name);
    // Entered by the next update.
    void changeStateNextFrame(std::string name) { nextStateName_ = std::move(name); }
    // Once per frame before drawing: enters a stage asked for, re-zooms the camera when the
    // camera object's world scale changed or F6 was tapped, and follows the camera object.
    void update();
    // Zooms and places the viewport camera on the camera object; also on every window resize.
    void focusCamera();
    // Builds the listed stage: resources, collision groups, objects and a camera. Null for an
    // unlisted name; a file that does not parse gives a state without a name.
    GameState* loadStateData(std::string name);

    GameState* getCurrentState() const noexcept { return currentState_.get(); }
    // "" when no stage is entered.
    std::string getCurrentStateName() const;
    const StateList& getStateList() const noexcept { return stateList_; }
    void removeState(const std::string& name) { stateList_.erase(name); }
    // Leaves the current stage (destroying every object), forgets every listed stage and
    // every pending file.
    void clearStateList();
    // Lists the file resource directory + "/" + newName + ".stg" (already renamed by the
    // caller) under newName, in place of oldName, and stores newName as its stage name. A
    // newName that is listed, empty, or holds "/", "\" or ".." changes nothing.
    void renameState(std::string oldName, std::string newName);

    // The transform the viewport camera follows; null when there is none, or when its
    // object was destroyed.
    TransformComponent* getCameraTransform() const noexcept;
    int getPendingCount() const noexcept { return pendingCount_; }

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    // The "OnResourceLoadComplete" listener: lists the stage of each own reply.
    void onResourceLoadComplete(BaseEvent* event);
    void onWindowResize(BaseEvent* event);
    // Destroys every object, frees the current state and forgets the camera object.
    void leaveCurrentState();
    void setCameraTransform(TransformComponent* transform) noexcept;
    // Viewport camera scale from the camera object's world scale and the window's size.
    void zoomCamera(const TransformComponent& camera) const;
    void followCamera(const TransformComponent& camera) const;

    StateList stateList_;
    std::unique_ptr<GameState> currentState_;
    std::string nextStateName_;
    int pendingCount_ = 0;
    // The camera object's transform, held with its object and that object's id: a script
    // may destroy the object, and its slot may hold another object later.
    TransformComponent* cameraTransform_ = nullptr;
    GameObject* cameraOwner_ = nullptr;
    std::uint32_t cameraOwnerId_ = 0;
    // The world scale at the last zoom.
    float zoomedScaleX_ = 0.0f;
    float zoomedScaleY_ = 0.0f;
    EventCallbackObject eventCallbacks_;
};

} // namespace Orva
