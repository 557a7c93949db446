#include "world/ResourceManager.h"

#include <algorithm>
#include <utility>

namespace Orva::Resources {

namespace {

std::string& resourceDirectory()
{
    static std::string directory = "../resources/";
    return directory;
}

} // namespace

std::string ResourceManager::getResourceDirectory()
{
    return resourceDirectory();
}

void ResourceManager::setResourceDirectory(const std::string& directory)
{
    std::string converted = directory;
    std::replace(converted.begin(), converted.end(), '\\', '/');
    resourceDirectory() = std::move(converted);
}

} // namespace Orva::Resources
