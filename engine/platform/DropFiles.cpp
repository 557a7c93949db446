#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/PlatformState.h"

// Drop handles carrying dropped paths, and the file attributes the receiver tests.

using namespace Orva::Platform::detail;

namespace {

constexpr UINT QueryCount = 0xFFFFFFFF;

} // namespace

namespace Orva::Platform::detail {

HDROP newDrop(State& s, std::vector<std::string> paths)
{
    const std::uintptr_t id = newHandleId();
    s.drops.emplace(id, std::move(paths));
    return toHandle<HDROP>(id);
}

} // namespace Orva::Platform::detail

UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT bufferSize)
{
    const auto& drops = state().drops;
    const auto found = drops.find(handleId(drop));
    if (found == drops.end()) {
        return 0;
    }
    const std::vector<std::string>& paths = found->second;
    if (index == QueryCount) {
        return static_cast<UINT>(paths.size());
    }
    if (index >= paths.size()) {
        return 0;
    }
    const std::string& path = paths[index];
    if (buffer == nullptr) {
        return static_cast<UINT>(path.size());
    }
    if (bufferSize == 0) {
        return 0;
    }
    const std::size_t copied = std::min<std::size_t>(path.size(), bufferSize - 1);
    std::memcpy(buffer, path.data(), copied);
    buffer[copied] = '\0';
    return static_cast<UINT>(copied);
}

void DragFinish(HDROP drop)
{
    state().drops.erase(handleId(drop));
}

DWORD GetFileAttributesA(const char* path)
{
    struct stat status;
    if (path == nullptr || stat(path, &status) != 0) {
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(status.st_mode)) {
        return FILE_ATTRIBUTE_DIRECTORY;
    }
    return access(path, W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

namespace Orva::Platform::Test {

HDROP makeDrop(const std::vector<std::string>& paths)
{
    return newDrop(state(), paths);
}

std::size_t liveDropCount()
{
    return state().drops.size();
}

} // namespace Orva::Platform::Test
