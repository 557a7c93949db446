#include "FuzzTargets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "ProjectConfig.h"
#include "actions/ActionSetManager.h"
#include "core/EventManager.h"
#include "core/RC4Cipher.h"
#include "core/ScriptEvents.h"
#include "graphics/AnimationManager.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "platform/Platform.h"
#include "window/InputManager.h"
#include "world/Engine.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LoadEvent.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"
#include "world/TransformComponent.h"

namespace Fuzz {

namespace {

using namespace Orva;
using Resources::ResourceManager;

// A broken promise of a loader: stops the run as a sanitizer report would.
void require(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz: broken: %s\n", promise);
        std::abort();
    }
}

Graphics::TextureManager& textures()
{
    return Graphics::TextureManager::getInstance();
}

// What the loader thread would deliver for one file of the request.
Events::LoadEvent reply(void* sender, void* requestId, const std::string& relativePath, std::string contents)
{
    Events::LoadEvent event(sender, requestId);
    event.entries.emplace_back(ResourceManager::getFullPath(relativePath));
    event.entries.back().contents = std::move(contents);
    return event;
}

// The input is a state file, stored scrambled as games ship them. Its name is read through the
// state manager's listener, then every stage it lists is entered and left.
void stateFiles(std::string_view input)
{
    GameStateManager& states = GameStateManager::getInstance();
    const std::string stored = Crypto::RC4Cipher::encrypt(std::string(input));
    writeResource("f.stg", stored);
    states.loadStateList("");
    EventManager::getInstance().queueEvent(Events::loadReplyCode(),
                                           reply(&states, nullptr, "/f.stg", stored));
    EventManager::PushAllEvents();
    std::vector<std::string> names;
    for (const auto& [name, path] : states.getStateList()) {
        names.push_back(name);
    }
    for (const std::string& name : names) {
        states.changeState(name);
        states.update();
    }
    states.changeState("");
}

// The input is the set "f".
void objectSets(std::string_view input)
{
    SetManager& sets = SetManager::getInstance();
    writeResource(std::string(SetManager::SetFolder) + "f" + SetManager::SetExtension, input);
    sets.loadAllSets();
    sets.loadAllSetTextures();
    sets.createFromSet("f");
    sets.createFromSet("f", Math::Vector2D<float>(1.0f, 2.0f));
    sets.createFromSet("f", Math::Vector3D<float>(1.0f, 2.0f, 3.0f));
}

// The script class whose component callback nodes find: its Init gives each instance the
// function "Hit". Loaded once per process and kept, unless another target unloads every class.
constexpr const char* ActorClass = "FuzzActor";

void loadActorClass()
{
    LuaScriptManager& scripts = LuaScriptManager::getInstance();
    if (scripts.findScriptClass(ActorClass) != nullptr) {
        return;
    }
    const std::string path = std::string("scripts/") + ActorClass + ".lua";
    writeResource(path,
                  Crypto::RC4Cipher::encrypt("function InitFuzzActor(self) self.Hit = function() end end\n"
                                             "function UpdateFuzzActor(self, dt) end\n"
                                             "function DeinitFuzzActor(self) end\n"
                                             "function UnloadFuzzActor() end\n"));
    scripts.addScriptPathToList(path);
    const bool loaded = scripts.loadAllScripts();
    scripts.removeScriptPathFromList(path);
    require(loaded, "the actor's script class loads");
}

// The input is the action set "f", read by both loaders, then attached to an object with a
// transform, a sprite and a script whose Init has run; the object's actions then run a few
// steps with every other pool.
void actionSets(std::string_view input)
{
    constexpr int Steps = 8;
    constexpr const char* Path = "data/f.action";
    Actions::ActionSetManager& sets = Actions::ActionSetManager::getInstance();
    loadActorClass();
    writeResource(Path, input);
    sets.loadAllActionSets();
    sets.loadActionSetPath(Path);
    Events::LoadEvent loaded = reply(&sets, nullptr, Path, std::string(input));
    sets.onResourceLoadComplete(&loaded);

    GameObject* object = GameObjectManager::getInstance().create(std::string("Acting"));
    object->addComponent<TransformComponent>();
    object->addComponent<Graphics::SpriteComponent>();
    LuaScriptComponent* script = object->addLuaScript(ActorClass);
    require(script != nullptr, "the actor's script starts");
    LuaScriptManager::getInstance().initScriptObject(script);
    try {
        sets.attachActionSet(object, "f");
    } catch (const LuaExceptionEvent&) {
        // A callback node naming another class or function: the frame loop would report it.
    }
    for (int step = 0; step < Steps; ++step) {
        GlobalComponentManager::update(Engine::FixedStep);
    }
}

// The input is an atlas file; whatever image it names arrives as the small image.
void atlasFiles(std::string_view input)
{
    writeResource("atlases/f.xml", input);
    if (textures().addAtlas("atlases/f.xml") == nullptr) {
        return;
    }
    std::vector<std::string> imageKeys;
    for (const auto& [key, atlas] : textures().getAtlasData()) {
        imageKeys.push_back(key);
    }
    for (const std::string& key : imageKeys) {
        Events::LoadEvent image(&textures(), &textures());
        image.entries.emplace_back(key);
        image.entries.back().contents = smallImage();
        textures().onResourceLoadComplete(&image);
    }
}

// The input is the animation file of a loaded image that a sprite shows: the sprite then
// plays each animation it names (at most a few, each over its frames and once round).
void animationFiles(std::string_view input)
{
    constexpr const char* ImagePath = "images/f.png";
    constexpr std::size_t PlayedAnimations = 8;
    constexpr unsigned PlayedFrames = 64;
    Events::LoadEvent image = reply(nullptr, &textures(), ImagePath, smallImage());
    textures().onResourceLoadComplete(&image);
    Graphics::Texture* texture = textures().getTexture(ImagePath);
    require(texture != nullptr, "the small image loads");

    GameObject* object = GameObjectManager::getInstance().create(std::string("Animated"));
    TransformComponent* transform = object->addComponent<TransformComponent>();
    auto* sprite = object->addComponent<Graphics::SpriteComponent>();
    sprite->initialize(ImagePath, Graphics::Color());
    sprite->setHasAnimation(true);
    sprite->setFPS(Engine::FramesPerSecond);

    Events::LoadEvent animation =
        reply(&Graphics::AnimationManager::getInstance(), texture,
              Graphics::AnimationManager::animationPathOf(ImagePath), std::string(input));
    Graphics::AnimationManager::getInstance().onResourceLoadComplete(&animation);

    const Graphics::Texture::AnimationTable table = texture->getAnimationData();
    for (std::size_t index = 0; index < std::min(table.size(), PlayedAnimations); ++index) {
        sprite->changeAnimation(table[index].first);
        const unsigned frames = std::min(table[index].second.x, PlayedFrames) + 1;
        for (unsigned frame = 0; frame < frames; ++frame) {
            sprite->update(1.0f / static_cast<float>(Engine::FramesPerSecond));
            sprite->getDrawValues(*transform);
        }
    }
}

// The input is the launcher's project file.
void projectFiles(std::string_view input)
{
    writeWorkFile(Launcher::ProjectConfig::FileName, input);
    std::string error;
    const auto config = Launcher::readProjectConfig(Launcher::ProjectConfig::FileName, error);
    require(config.has_value() || !error.empty(), "a project file that does not load says why");
}

// The input is both engine configuration files, each read by the reader start-up calls.
void engineConfiguration(std::string_view input)
{
    writeWorkFile(Engine::ConfigPath, input);
    const float unitSize = Engine::readObjectUnitSize();
    require(std::isfinite(unitSize) && unitSize > 0.0f && std::isfinite(1.0f / unitSize),
            "the object unit size and its inverse are finite and positive");
    writeWorkFile(GlobalComponentManager::ConfigPath, input);
    GlobalComponentManager::readConfiguration();
}

// The input is an icon file for the window.
void iconFiles(std::string_view input)
{
    writeWorkFile("f.ico", input);
    HICON icon = Platform::LoadIconFile("f.ico");
    if (icon == nullptr) {
        return;
    }
    const Platform::IconImage* image = Platform::GetIconImage(icon);
    require(image != nullptr && image->width > 0 && image->height > 0 &&
                image->rgba.size() == static_cast<std::size_t>(image->width) * image->height * 4,
            "a loaded icon holds its four bytes per pixel");
    Platform::Test::destroyIcon(icon);
}

// The input is a recording, replayed frame by frame to its end. A recording whose keys lie
// past the frames played here has the rest of its time pass in one step.
void recordings(std::string_view input)
{
    constexpr int PlayedFrames = 1000;
    constexpr const char* Path = "data/f.txt";
    writeResource(Path, input);
    InputManager& manager = InputManager::getInstance();
    manager.useTrackingData(Path, false);
    const InputReplayTrack& track = manager.getReplayTrack();
    for (int frame = 0; frame < PlayedFrames && !track.pendingRecords().empty(); ++frame) {
        InputManager::update(Engine::FixedStep);
    }
    if (!track.pendingRecords().empty()) {
        float last = track.playbackClock();
        for (const InputTrackData& record : track.pendingRecords()) {
            last = std::max(last, record.time);
        }
        // The clock is not negative, so a step of the last time reaches it.
        InputManager::update(last);
    }
    require(track.pendingRecords().empty(), "a replay plays to its end");
}

// The input is anything stored: unscrambled as it is, and scrambled and back unchanged.
void scrambledBytes(std::string_view input)
{
    const std::string text(input);
    Crypto::RC4Cipher::decrypt(text);
    require(Crypto::RC4Cipher::decrypt(Crypto::RC4Cipher::encrypt(text)) == text,
            "unscrambling a scrambled text gives the text back");
}

constexpr Target Targets[] = {
    {"state_files", &stateFiles},
    {"object_sets", &objectSets},
    {"action_sets", &actionSets},
    {"atlas_files", &atlasFiles},
    {"animation_files", &animationFiles},
    {"project_files", &projectFiles},
    {"engine_configuration", &engineConfiguration},
    {"icon_files", &iconFiles},
    {"recordings", &recordings},
    {"scrambled_bytes", &scrambledBytes},
};

} // namespace

std::span<const Target> targets()
{
    return Targets;
}

const Target& target(std::string_view name)
{
    const auto found = std::find_if(std::begin(Targets), std::end(Targets),
                                    [name](const Target& t) { return t.name == name; });
    if (found == std::end(Targets)) {
        std::fprintf(stderr, "fuzz: no target named %.*s\n", static_cast<int>(name.size()), name.data());
        std::abort();
    }
    return *found;
}

} // namespace Fuzz
