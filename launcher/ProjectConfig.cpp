#include "ProjectConfig.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace Orva::Launcher {

namespace {

// Copies the attribute when the element and the attribute are both there.
void readText(const tinyxml2::XMLElement* project, const char* element, const char* attribute,
              std::string& into)
{
    const tinyxml2::XMLElement* found = project->FirstChildElement(element);
    if (found == nullptr) {
        return;
    }
    if (const char* value = found->Attribute(attribute)) {
        into = value;
    }
}

// The `src` of every `kind` child, in document order; a child without one is skipped.
std::vector<std::string> readSources(const tinyxml2::XMLElement* preload, const char* kind)
{
    std::vector<std::string> sources;
    for (const tinyxml2::XMLElement* child = preload->FirstChildElement(kind); child != nullptr;
         child = child->NextSiblingElement(kind)) {
        if (const char* source = child->Attribute("src")) {
            sources.emplace_back(source);
        }
    }
    return sources;
}

// The window still opens: the platform makes a side of 0 one pixel long.
void noteResolutionMistake(const std::string& path, bool given, ProjectConfig& config)
{
    const Math::Vector2D<unsigned>& size = config.resolution;
    if (!given) {
        config.mistakes.push_back(path +
                                  R"(: no <resolution x="..." y="..."/>: the window opens 1 by 1 pixel)");
    } else if (size.x == 0 || size.y == 0) {
        config.mistakes.push_back(path + ": <resolution> is " + std::to_string(size.x) + " by " +
                                  std::to_string(size.y) + ": the window opens " +
                                  std::to_string(std::max(size.x, 1u)) + " by " +
                                  std::to_string(std::max(size.y, 1u)) + " pixels");
    }
}

} // namespace

std::optional<ProjectConfig> readProjectConfig(const std::string& path, std::string& error)
{
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) {
        // A missing project file most often means the program was started from elsewhere.
        std::error_code ignored;
        error = document.ErrorID() == tinyxml2::XML_ERROR_FILE_NOT_FOUND
                    ? path + ": not found in " + std::filesystem::current_path(ignored).string() +
                          ": Executable runs from the game's bin/ folder, where its config.ini lies"
                    : path + ": " + document.ErrorStr();
        return std::nullopt;
    }
    // A document of comments alone loads without a root element.
    const tinyxml2::XMLElement* project = document.RootElement();
    if (project == nullptr) {
        error = path + ": no root element, <project> expected";
        return std::nullopt;
    }
    if (std::strcmp(project->Name(), "project") != 0) {
        error = path + ": the root element is <" + project->Name() + ">, not <project>";
        return std::nullopt;
    }

    ProjectConfig config;
    const tinyxml2::XMLElement* resolution = project->FirstChildElement("resolution");
    if (resolution != nullptr) {
        config.resolution = {resolution->UnsignedAttribute("x"), resolution->UnsignedAttribute("y")};
    }
    noteResolutionMistake(path, resolution != nullptr, config);
    readText(project, "executable", "name", config.title);
    readText(project, "resource", "directory", config.resourceDirectory);
    readText(project, "icon", "src", config.iconPath);
    readText(project, "start", "stage", config.startStage);
    if (const tinyxml2::XMLElement* fullscreen = project->FirstChildElement("fullscreen")) {
        config.fullscreen = fullscreen->BoolAttribute("value");
    }
    if (const tinyxml2::XMLElement* background = project->FirstChildElement("background")) {
        config.clearColor = Graphics::Color(background->FloatAttribute("r"), background->FloatAttribute("g"),
                                            background->FloatAttribute("b"), 1.0f);
    }
    if (const tinyxml2::XMLElement* preload = project->FirstChildElement("preload")) {
        config.preloadAtlases = readSources(preload, "atlas");
        config.preloadTextures = readSources(preload, "texture");
    }
    return config;
}

} // namespace Orva::Launcher
