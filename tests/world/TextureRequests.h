#pragma once

#include <string>
#include <vector>

#include "graphics/TextureManager.h"
#include "world/ResourceManager.h"

// What loaders asked the texture manager for, read from its tables by relative path.
namespace TextureRequests {

inline Orva::Graphics::TextureManager& textures()
{
    return Orva::Graphics::TextureManager::getInstance();
}

inline std::string relative(const std::string& key)
{
    const std::string directory = Orva::Resources::ResourceManager::getResourceDirectory();
    return key.compare(0, directory.size(), directory) == 0 ? key.substr(directory.size()) : key;
}

// Images with a load under way.
inline std::vector<std::string> pendingPaths()
{
    std::vector<std::string> paths;
    for (const std::string& key : textures().getPendingKeys()) {
        paths.push_back(relative(key));
    }
    return paths;
}

// The components waiting for the image.
inline std::vector<const void*> waitingFor(const std::string& path)
{
    const auto& pending = textures().getPendingRequests();
    const auto found = pending.find(Orva::Resources::ResourceManager::getFullPath(path));
    return found == pending.end() ? std::vector<const void*>{}
                                  : std::vector<const void*>(found->second.begin(), found->second.end());
}

// The images of the atlases read.
inline std::vector<std::string> atlasImagePaths()
{
    std::vector<std::string> paths;
    for (const auto& [key, atlas] : textures().getAtlasData()) {
        paths.push_back(relative(key));
    }
    return paths;
}

// A one-rectangle atlas file whose image is images/<image>.
inline std::string atlasFile(const std::string& image, const std::string& rectangle = "r.png")
{
    return "<TextureAtlas imagePath=\"" + image + "\" width=\"64\" height=\"64\"><sprite n=\"" + rectangle +
           "\" x=\"0\" y=\"0\" w=\"32\" h=\"32\"/></TextureAtlas>";
}

} // namespace TextureRequests
