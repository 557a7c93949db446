#include "Launcher.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "LuaLog.h"
#include "ProjectConfig.h"
#include "actions/ActionSetManager.h"
#include "audio/AudioManager.h"
#include "graphics/Renderer.h"
#include "graphics/TextureManager.h"
#include "platform/Platform.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "window/Window.h"
#include "world/DataAnalyticManager.h"
#include "world/Engine.h"
#include "world/FramerateController.h"
#include "world/GameStateManager.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"

namespace Orva::Launcher {

namespace {

constexpr int Failure = -1;
// A framed window with a system menu, resizable, with both size boxes.
constexpr unsigned long WindowStyle = 0x000E0100;
constexpr unsigned AudioChannels = 36;
constexpr unsigned AudioInitFlags = 0;

// What start-up hands to the frame function and to shut-down.
struct Session
{
    std::unique_ptr<Window> window;
    Graphics::Renderer* renderer = nullptr;
    std::string startStage;
    bool running = true;
    bool started = false;
    int playDataSaveCount = 0;
};

// Never destroyed: the process may end by exit (a script's os.exit, a library giving up),
// and a window destroyed from a static destructor talks to a display that may be gone.
Session& session()
{
    static Session* const current = new Session();
    return *current;
}

// The platform layer ends the process with status 255 once this returns.
void reportLostDisplay()
{
    std::fputs("launcher: the display connection was lost\n", stderr);
    closeLuaLog();
}

// Which stages were found, for a start stage that is not among them.
void reportMissingStartStage(const std::string& startStage, const GameStateManager::StateList& stages)
{
    std::string found;
    for (const auto& [name, path] : stages) {
        found += (found.empty() ? "\"" : ", \"") + name + "\"";
    }
    std::cerr << "launcher: the start stage \"" << startStage << "\" is not among the stages found ("
              << (found.empty() ? "none" : found) << ")\n";
}

// The window's subscriptions live in the engine's memory pools, and the GL objects of the
// renderer, the fonts and the textures need the context that goes with the native window.
// So the window withdraws its subscriptions first, the engine goes while the window still
// exists, and the window goes last.
void closeWindowAndEngine()
{
    Session& current = session();
    if (current.window) {
        current.window->getEventCallbackObject().clearEvents();
    }
    Engine::destroy();
    if (current.window) {
        current.window->deinitialize();
        current.window.reset();
    }
    current.renderer = nullptr;
}

int failStartUp(const std::string& reason)
{
    std::cerr << "launcher: " << reason << '\n';
    closeWindowAndEngine();
    return Failure;
}

// Atlases first, then single textures; the GL names they get tie sprites to them, so they
// are loaded only once a context exists.
void preloadTextures(const ProjectConfig& config)
{
    Graphics::TextureManager& textures = Graphics::TextureManager::getInstance();
    for (const std::string& atlas : config.preloadAtlases) {
        textures.addAtlas(atlas);
    }
    for (const std::string& texture : config.preloadTextures) {
        textures.add(nullptr, texture);
    }
}

void savePlayData(Session& current)
{
    Analytic::DataAnalyticManager& analytics = Analytic::DataAnalyticManager::getInstance();
    const std::string reportName = "play_data" + std::to_string(current.playDataSaveCount++) + ".oad";
    analytics.save(reportName);
    analytics.clearAll();
}

} // namespace

int startUp(int argc, char* /*argv*/[])
{
    // Finding the Documents folder runs a program: it runs while the window and the renderer
    // are made, and the Lua log is opened with its answer, which is kept.
    std::jthread documentsQuery([] { Resources::ResourceManager::getDocumentsFolder(); });
    Engine& engine = Engine::getInstance();
    engine.initializeEngine();
    Session& current = session();
    current = Session();

    std::string configError;
    const std::optional<ProjectConfig> config = readProjectConfig(ProjectConfig::FileName, configError);
    if (!config) {
        return failStartUp(configError);
    }
    for (const std::string& mistake : config->mistakes) {
        std::cerr << "launcher: " << mistake << '\n';
    }
    Resources::ResourceManager::setResourceDirectory(config->resourceDirectory);
    current.startStage = config->startStage;

    Platform::SetDisplayLostHandler(&reportLostDisplay);
    current.window = std::make_unique<Window>(GetModuleHandleA(nullptr), config->resolution, nullptr);
    current.window->init(config->title, WindowStyle, SW_SHOWNORMAL);
    if (!config->iconPath.empty()) {
        current.window->setIcon(config->iconPath);
    }
    if (config->fullscreen) {
        current.window->setFullscreen(true);
    }

    current.renderer = &engine.createRenderer(*current.window);
    if (!current.renderer->isInitialized()) {
        return failStartUp("could not create an OpenGL context: " + current.renderer->getInitFailure());
    }
    preloadTextures(*config);

    engine.initializeScriptEngine();
    LuaScriptManager& scripts = LuaScriptManager::getInstance();
    scripts.exportWindowVariable(current.window.get());
    scripts.setPrintFunction(&luaLogPrint);
    documentsQuery.join();
    openLuaLog();
    Audio::AudioManager::getInstance().initialize(AudioChannels, AudioInitFlags);

    current.running = true;
    current.started = false;
    GameStateManager::getInstance().loadStateList("");
    SetManager::getInstance().loadAllSets();
    SetManager::getInstance().loadAllSetTextures();
    Actions::ActionSetManager::getInstance().loadAllActionSets();
    if (!scripts.loadAllScripts()) {
        // What the scripts printed while loading is often why they failed.
        abandonLuaLog();
        return failStartUp("scripts failed to load: " + scripts.getLoadFailure());
    }

    current.renderer->setClearColor(config->clearColor);
    if (argc > 1) {
        Analytic::DataAnalyticManager::getInstance().enableAll();
    }
    return 0;
}

bool runFrame()
{
    Session& current = session();
    Debug::FrameStageProbe::enter(Debug::FrameStage::Messages);
    current.running = current.window->update();

    GameStateManager& states = GameStateManager::getInstance();
    if (!current.started) {
        if (!states.isLoaded()) {
            return current.running;
        }
        if (states.getStateList().count(current.startStage) == 0) {
            reportMissingStartStage(current.startStage, states.getStateList());
        }
        states.changeState(current.startStage);
        current.started = true;
    }

    const InputManager& input = InputManager::getInstance();
    if (input.isButtonTapped(InputKeys::ORVA_F12)) {
        current.window->setFullscreen(!current.window->isFullscreen());
        states.focusCamera();
    }
    if (!Analytic::DataAnalyticManager::getInstance().isSomethingNotTracked() &&
        input.isButtonTapped(InputKeys::ORVA_F11)) {
        savePlayData(current);
    }

    states.update();
    current.renderer->beginDraw();
    current.renderer->endDraw();
    return current.running;
}

int shutDown()
{
    closeWindowAndEngine();
    closeLuaLog();
    return 0;
}

} // namespace Orva::Launcher
