#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BaseEvent.h"
#include "core/Export.h"
#include "core/OrvaAllocator.h"
#include "platform/Win32.h"

namespace Orva {

// The names the window queues its events under; listeners hash them with
// EventNameDetails::EventToHash. Focus events are plain BaseEvents.
inline constexpr char WindowFocusEventName[] = "WindowFocusEvent";
inline constexpr char WindowUnfocusEventName[] = "WindowUnfocusEvent";
inline constexpr char WindowExitEventName[] = "WindowExitEvent";
inline constexpr char WindowResizeEventName[] = "WindowResizeEvent";
inline constexpr char WindowCharEventName[] = "WindowCharEvent";
// A WindowCharEvent whose character is the virtual key of a key press.
inline constexpr char WindowSpecCharEventName[] = "WindowSpecCharEvent";
inline constexpr char WindowDragNDropEventName[] = "WindowDragNDropEvent";

// The user or the system asks the window to close.
struct ORVA_API WindowExitEvent : BaseEvent
{
    ~WindowExitEvent() override;
};

// The window's client size changed. Width and height both 0 (the window always sends
// that) mean: read GetClientRect of windowHandle, which already holds the new size.
struct ORVA_API WindowResizeEvent : BaseEvent
{
    WindowResizeEvent() = default;
    WindowResizeEvent(std::uint32_t width, std::uint32_t height, HWND windowHandle)
        : width(width), height(height), windowHandle(windowHandle)
    {
    }
    ~WindowResizeEvent() override;

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    HWND windowHandle = nullptr;
};

// A typed character (1 to 0xFFFF, one UTF-16 unit) under "WindowCharEvent", or the
// virtual key of a key press under "WindowSpecCharEvent".
struct ORVA_API WindowCharEvent : BaseEvent
{
    WindowCharEvent() = default;
    explicit WindowCharEvent(std::uint32_t character) : character(character) {}
    ~WindowCharEvent() override;

    std::uint32_t character = 0;
};

// The regular files of one drop, in drop order; directories and unreadable paths are left
// out. Copies copy the list string by string.
struct ORVA_API WindowDragAndDropEvent : BaseEvent
{
    using FileList = std::vector<std::string, OrvaAllocator<std::string>>;

    // Reads every path of the drop at its full length and finishes the drop handle, also
    // when no file is kept.
    explicit WindowDragAndDropEvent(HDROP drop);
    WindowDragAndDropEvent(const WindowDragAndDropEvent&) = default;
    WindowDragAndDropEvent& operator=(const WindowDragAndDropEvent&) = default;
    ~WindowDragAndDropEvent() override;

    FileList files;
};

// A raw key message on its way from the window procedure to the key handlers; never queued.
struct ORVA_API WindowEvent : BaseEvent
{
    WindowEvent() = default;
    WindowEvent(std::uint32_t message, HWND windowHandle, WPARAM wParam, LPARAM lParam)
        : message(message), windowHandle(windowHandle), wParam(wParam), lParam(lParam)
    {
    }
    ~WindowEvent() override;

    std::uint32_t message = 0;
    HWND windowHandle = nullptr;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

} // namespace Orva
