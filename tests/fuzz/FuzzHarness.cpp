#include "FuzzHarness.h"

#include <lua.hpp>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "FuzzTargets.h"
#include "actions/ActionSetManager.h"
#include "core/EventManager.h"
#include "core/GlobalManager.h"
#include "core/Random.h"
#include "graphics/FakeUploader.h"
#include "graphics/FontManager.h"
#include "graphics/TextureManager.h"
#include "physics/PhysicsWorld.h"
#include "platform/ImageBytes.h"
#include "scripting/ScriptInterface.h"
#include "window/FakeControllers.h"
#include "window/InputManager.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/LoadEvent.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"

namespace Fuzz {

namespace {

namespace fs = std::filesystem;
using namespace Orva;

// Any fixed value: what matters is that every input starts from the same one.
constexpr std::uint32_t InputSeed = 1;
constexpr unsigned WindowWidth = 640;
constexpr unsigned WindowHeight = 480;

struct Scratch
{
    fs::path root;
    std::vector<fs::path> written;
    FakeControllers pads;
    std::unique_ptr<Window> window;
};

std::unique_ptr<Scratch>& scratch()
{
    static std::unique_ptr<Scratch> current;
    return current;
}

// The engine's fixed paths are relative to the game's working directory; the process keeps
// its own between inputs, where the fuzzer reads and writes its corpus.
class InWorkingDirectory
{
public:
    InWorkingDirectory() : previous_(fs::current_path()) { fs::current_path(scratch()->root / "work"); }
    ~InWorkingDirectory() { fs::current_path(previous_); }
    InWorkingDirectory(const InWorkingDirectory&) = delete;
    InWorkingDirectory& operator=(const InWorkingDirectory&) = delete;

private:
    fs::path previous_;
};

void writeFile(const fs::path& path, std::string_view contents)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
    scratch()->written.push_back(path);
}

// Every input writes and removes files: in memory when the system offers a folder there,
// since a disk's file system spends far longer on them than most loaders on their input.
fs::path scratchBase()
{
    const fs::path memory = "/dev/shm";
    std::error_code error;
    return fs::is_directory(memory, error) && access(memory.c_str(), W_OK) == 0 ? memory
                                                                                : fs::temp_directory_path();
}

// A fuzzer that finds something ends at once, its scratch folder left behind. Folders are
// named after their process, so the next harness removes those whose process is gone.
constexpr std::string_view ScratchPrefix = "orva-fuzz-";

void removeAbandonedScratchFolders(const fs::path& base)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(base, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(ScratchPrefix)) {
            continue;
        }
        const long owner = std::strtol(name.c_str() + ScratchPrefix.size(), nullptr, 10);
        if (owner > 0 && kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) {
            fs::remove_all(entry.path(), error);
        }
    }
}

// A texture manager as start-up makes it, uploading to the stand-in: nothing loaded, nothing
// pending.
void freshTextureManager()
{
    Graphics::TextureManager::destroyInstance();
    Graphics::TextureManager::createInstance().setUploader(std::make_unique<FakeUploader>());
}

bool texturesTouched()
{
    const Graphics::TextureManager& textures = Graphics::TextureManager::getInstance();
    return !textures.getTextureData().empty() || !textures.getAtlasData().empty() ||
           !textures.getPendingKeys().empty();
}

// A replay leaves its track, the keys it pressed and what it appended to the tracking list;
// stopping it while it is a replay writes no recording, and two frames without it bring both
// key buffers back to the idle window's.
void clearReplay()
{
    InputManager& input = InputManager::getInstance();
    if (!input.isReplayingInput()) {
        return;
    }
    input.stopTrackingInput();
    input.stopUsingTrackingData();
    InputManager::update(Engine::FixedStep);
    InputManager::update(Engine::FixedStep);
}

// The frame's dispatch, as the engine's step would run it; a listener's failure is reported
// there and ends nothing.
void dispatchQueuedEvents()
{
    try {
        EventManager::PushAllEvents();
    } catch (...) {
    }
}

// Each part is cleared only when the input touched it: most inputs touch one or two, and
// the fuzzer's speed is the number of inputs it can try.
void clearAfterInput()
{
    GameStateManager& states = GameStateManager::getInstance();
    if (!states.getStateList().empty() || states.getCurrentState() || states.getPendingCount() != 0) {
        states.clearStateList();
    }
    if (GameObjectManager::getInstance().getObjectCount() != 0) {
        GameObjectManager::getInstance().destroyAllObjects();
    }
    GameObjectManager::update();
    SetManager::getInstance().clear();
    if (!Actions::ActionSetManager::getInstance().getActionSetList().empty()) {
        Actions::ActionSetManager::getInstance().clearAllSets();
    }
    if (!LuaScriptManager::getInstance().getScriptPaths().empty()) {
        LuaScriptManager::getInstance().clearAllScriptFiles();
    }
    Physics::PhysicsWorld::getInstance().resetAllCollisionGroups();
    clearReplay();
    if (!Graphics::FontManager::getInstance().getFonts().empty()) {
        Graphics::FontManager::getInstance().destroyAllFonts();
    }
    if (texturesTouched()) {
        freshTextureManager();
    }
    dispatchQueuedEvents();
    GlobalManager::ObjectUnitSize = 64.0f;
    GlobalManager::InverseObjectUnitSize = 1.0f / 64.0f;
    std::error_code ignored;
    for (const fs::path& path : scratch()->written) {
        fs::remove(path, ignored);
    }
    scratch()->written.clear();
}

std::size_t scriptHeapBytes()
{
    lua_State* state = LuaScriptManager::getInstance().getLuaState();
    return static_cast<std::size_t>(lua_gc(state, LUA_GCCOUNT, 0)) * 1024 +
           static_cast<std::size_t>(lua_gc(state, LUA_GCCOUNTB, 0));
}

} // namespace

void start()
{
    if (scratch()) {
        return;
    }
    auto folder = std::make_unique<Scratch>();
    const fs::path base = scratchBase();
    removeAbandonedScratchFolders(base);
    std::string pattern =
        (base / (std::string(ScratchPrefix) + std::to_string(getpid()) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("fuzz harness: no scratch folder under " + base.string());
    }
    folder->root = pattern;
    fs::create_directories(folder->root / "work");
    fs::create_directories(folder->root / "resources");
    Platform::Test::setControllerBackend(&folder->pads);
    scratch() = std::move(folder);

    const InWorkingDirectory inGame;
    Engine::resetStepState();
    Resources::ResourceManager::resetDeliveryCounter();
    Engine::getInstance().initializeEngine();
    // A window that is never opened: its size is the game's, and the renderer cannot start
    // on it, which leaves the managers it makes (the font manager) as a game has them.
    scratch()->window =
        std::make_unique<Window>(nullptr, Math::Vector2D<unsigned>(WindowWidth, WindowHeight), nullptr);
    Engine::getInstance().createRenderer(*scratch()->window);
    Scripting::registerScriptInterface(LuaScriptManager::getInstance().getLuaState());
    freshTextureManager();
    EventManager::getInstance().StopListeningToEvent(Events::loadRequestCode(),
                                                     &Resources::ResourceManager::getInstance());
    dispatchQueuedEvents();
    clearAfterInput();
}

void stop()
{
    if (!scratch()) {
        return;
    }
    {
        const InWorkingDirectory inGame;
        // The window's records live in the engine's memory pools.
        scratch()->window.reset();
        Engine::destroy();
    }
    Platform::Test::setControllerBackend(nullptr);
    removeScratchFolder();
    scratch().reset();
}

void removeScratchFolder()
{
    if (scratch()) {
        std::error_code ignored;
        fs::remove_all(scratch()->root, ignored);
    }
}

void runInput(const Target& target, std::string_view input)
{
    const InWorkingDirectory inGame;
    Orva::srand(InputSeed);
    const std::size_t scriptHeap = scriptHeapBytes();
    target.body(input);
    clearAfterInput();
    // What scripts made for the input goes now, not at a later input's collection: the
    // fuzzer checks for leaks after every input that ends holding more than it began.
    if (scriptHeapBytes() > scriptHeap) {
        lua_gc(LuaScriptManager::getInstance().getLuaState(), LUA_GCCOLLECT, 0);
    }
}

void writeResource(const std::string& relativePath, std::string_view contents)
{
    writeFile(resourceFolder() / relativePath, contents);
}

void writeWorkFile(const std::string& relativePath, std::string_view contents)
{
    writeFile(scratch()->root / "work" / relativePath, contents);
}

fs::path resourceFolder()
{
    return scratch()->root / "resources";
}

std::string leftovers()
{
    std::ostringstream found;
    if (const unsigned count = GameObjectManager::getInstance().getObjectCount()) {
        found << count << " objects\n";
    }
    if (!SetManager::getInstance().getSets().empty()) {
        found << "object sets\n";
    }
    if (!Actions::ActionSetManager::getInstance().getActionSetList().empty()) {
        found << "action sets\n";
    }
    if (!GameStateManager::getInstance().getStateList().empty() ||
        GameStateManager::getInstance().getCurrentState()) {
        found << "game states\n";
    }
    if (texturesTouched()) {
        found << "textures\n";
    }
    if (!Graphics::FontManager::getInstance().getFonts().empty()) {
        found << "fonts\n";
    }
    if (InputManager::getInstance().isReplayingInput() ||
        !InputManager::getInstance().getTrackingList().empty()) {
        found << "a replay\n";
    }
    if (!LuaScriptManager::getInstance().getScriptPaths().empty()) {
        found << "script paths\n";
    }
    for (const auto& entry : fs::recursive_directory_iterator(scratch()->root)) {
        if (!entry.is_directory() && entry.path().filename() != "orva.config") {
            found << "the file " << entry.path().string() << '\n';
        }
    }
    return found.str();
}

const std::string& smallImage()
{
    static const std::string image = [] {
        const ImageBytes::Bytes bytes = ImageBytes::png(ImageBytes::pattern(4, 4));
        return std::string(bytes.begin(), bytes.end());
    }();
    return image;
}

} // namespace Fuzz
