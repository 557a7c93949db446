#include "window/WindowEvents.h"

namespace Orva {

namespace {

constexpr UINT QueryFileCount = 0xFFFFFFFF;

// The whole path: a fixed buffer would cut long paths and then test the cut name.
std::string droppedPath(HDROP drop, UINT index)
{
    const UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::string path(length, '\0');
    if (length != 0) {
        const UINT copied = DragQueryFileA(drop, index, path.data(), length + 1);
        path.resize(copied);
    }
    return path;
}

bool isRegularFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

WindowExitEvent::~WindowExitEvent() = default;

WindowResizeEvent::~WindowResizeEvent() = default;

WindowCharEvent::~WindowCharEvent() = default;

WindowDragAndDropEvent::WindowDragAndDropEvent(HDROP drop)
{
    const UINT count = DragQueryFileA(drop, QueryFileCount, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        std::string path = droppedPath(drop, index);
        if (!path.empty() && isRegularFile(path)) {
            files.push_back(std::move(path));
        }
    }
    DragFinish(drop);
}

WindowDragAndDropEvent::~WindowDragAndDropEvent() = default;

WindowEvent::~WindowEvent() = default;

} // namespace Orva
