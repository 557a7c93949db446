#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Vector.h"
#include "graphics/Color.h"

namespace Orva::Launcher {

// The project file of a game, "config.ini" in the working directory: XML with the root
// `project`. What the file leaves out keeps the values below.
struct ProjectConfig
{
    static constexpr const char* FileName = "config.ini";

    // The window's client size.
    Math::Vector2D<unsigned> resolution{0u, 0u};
    std::string title = "Orva Engine Game";
    std::string resourceDirectory = "../resources/";
    // Under the resource directory; empty sets no icon.
    std::string iconPath;
    std::string startStage;
    bool fullscreen = false;
    // Opaque white unless a `background` is given.
    Graphics::Color clearColor;
    // Textures loaded once the renderer is up, each list in document order.
    std::vector<std::string> preloadAtlases;
    std::vector<std::string> preloadTextures;
    // What the file gets wrong that start-up goes on with, one line each, for stderr.
    std::vector<std::string> mistakes;
};

// Reads a project file. Nothing when it does not load or its root is not `project`; `error`
// then says why in one line.
std::optional<ProjectConfig> readProjectConfig(const std::string& path, std::string& error);

} // namespace Orva::Launcher
