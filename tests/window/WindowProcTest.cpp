#include <filesystem>
#include <fstream>
#include <optional>

#include "ScratchDirectory.h"
#include "WindowFixture.h"

// The window procedure fed hand-built messages, as the pump would dispatch them.

namespace {

using Orva::InputKeys;
using Orva::Window;
using Orva::WindowKeyStates;
namespace Hooks = Orva::Platform::Test;
namespace fs = std::filesystem;

class WindowProc : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window = openWindow().getHWnd();
        ASSERT_NE(window, nullptr);
        dispatch(); // the resize event of init
        for (const char* name :
             {Orva::WindowFocusEventName, Orva::WindowUnfocusEventName, Orva::WindowExitEventName,
              Orva::WindowResizeEventName, Orva::WindowCharEventName, Orva::WindowSpecCharEventName,
              Orva::WindowDragNDropEventName})
            taps->tap(name);
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return Window::windowProc(window, message, wParam, lParam);
    }

    std::vector<std::string> deliveredAfterDispatch()
    {
        dispatch();
        return std::exchange(taps->delivered, {});
    }

    HWND window = nullptr;
};

using Names = std::vector<std::string>;

TEST_F(WindowProc, FocusCloseAndSizingMessagesRaiseTheirEvents)
{
    EXPECT_EQ(send(WM_SETFOCUS), 0);
    send(WM_KILLFOCUS);
    EXPECT_EQ(send(WM_CLOSE), 0);
    send(WM_NCLBUTTONDBLCLK);
    send(WM_EXITSIZEMOVE);
    send(WM_SYSCOMMAND, SC_MAXIMIZE);
    send(WM_SYSCOMMAND, SC_RESTORE);
    EXPECT_EQ(deliveredAfterDispatch(),
              (Names{"WindowFocusEvent", "WindowUnfocusEvent", "WindowExitEvent", "WindowResizeEvent 0x0",
                     "WindowResizeEvent 0x0", "WindowResizeEvent 0x0", "WindowResizeEvent 0x0"}));
    EXPECT_EQ(taps->resizeHandles, std::vector<HWND>(4, window));
    EXPECT_NE(Orva::Platform::GetSDLWindow(window), nullptr) << "closing never destroys the window";
}

TEST_F(WindowProc, SystemCommandsAreComparedExactlyAndTheKeyMenuIsSwallowed)
{
    send(WM_SYSCOMMAND, SC_MAXIMIZE | 2); // the low four bits are not masked away
    send(WM_SYSCOMMAND, SC_RESTORE + 1);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_KEYMENU), 0);
    send(WM_SYSCOMMAND, SC_KEYMENU | 1);
    EXPECT_TRUE(deliveredAfterDispatch().empty());
}

TEST_F(WindowProc, KeyDownRaisesTheVirtualKeyEvenWhenRepeatedAndSetsTheState)
{
    EXPECT_EQ(send(WM_KEYDOWN, 'A'), 0);
    send(WM_KEYDOWN, 'A', KF_REPEAT_BIT);
    send(WM_KEYDOWN, VK_F13); // no key code, still an event
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_A], 1);
    EXPECT_EQ(send(WM_KEYUP, 'A'), 0);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_A], 0);
    EXPECT_EQ(deliveredAfterDispatch(),
              (Names{"WindowSpecCharEvent 65", "WindowSpecCharEvent 65", "WindowSpecCharEvent 124"}));
}

TEST_F(WindowProc, SystemKeysNeverReachTheKeyState)
{
    send(WM_SYSKEYDOWN, VK_F10);
    send(WM_SYSKEYDOWN, 'B', KF_ALTDOWN_BIT);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_F10], 0);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_B], 0);
    send(WM_KEYDOWN, 'C');
    send(WM_SYSKEYUP, 'C', KF_ALTDOWN_BIT); // released while Alt is held: stays down
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_C], 1);
    EXPECT_EQ(deliveredAfterDispatch(), (Names{"WindowSpecCharEvent 67"}));
}

TEST_F(WindowProc, CharactersFromOneToFFFFOnly)
{
    send(WM_CHAR, 0);
    send(WM_CHAR, 1);
    send(WM_CHAR, 0xE9);
    send(WM_CHAR, 0xFFFF);
    send(WM_CHAR, 0x10000);
    EXPECT_EQ(deliveredAfterDispatch(),
              (Names{"WindowCharEvent 1", "WindowCharEvent 233", "WindowCharEvent 65535"}));
}

TEST_F(WindowProc, CursorPositionIsSignedAndTheWheelOverwrites)
{
    send(WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-5), 7));
    EXPECT_EQ(Orva::WindowMouseX, -5);
    EXPECT_EQ(Orva::WindowMouseY, 7);
    send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(32767, static_cast<WORD>(-32768)));
    EXPECT_EQ(Orva::WindowMouseX, 32767);
    EXPECT_EQ(Orva::WindowMouseY, -32768);

    send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)));
    EXPECT_EQ(Orva::WindowMouseWheelDelta, -360);
    EXPECT_TRUE(deliveredAfterDispatch().empty());
}

TEST_F(WindowProc, OnlyTheCapturingButtonsReleaseFreesTheCapture)
{
    send(WM_LBUTTONDOWN);
    EXPECT_EQ(Hooks::getCapture(), window);
    EXPECT_EQ(Window::mouseCaptureButton(), 1);
    send(WM_RBUTTONDOWN);
    EXPECT_EQ(Window::mouseCaptureButton(), 1);
    send(WM_LBUTTONUP);
    EXPECT_EQ(Hooks::getCapture(), nullptr) << "released though the right button is still down";
    EXPECT_EQ(Window::mouseCaptureButton(), -1);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_LEFT], 0);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_RIGHT], 1);

    send(WM_MBUTTONDOWN);
    EXPECT_EQ(Hooks::getCapture(), window);
    EXPECT_EQ(Window::mouseCaptureButton(), 3);
    send(WM_RBUTTONUP);
    EXPECT_EQ(Hooks::getCapture(), window) << "the right button never held the capture";
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_RIGHT], 0);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_MIDDLE], 1);
    send(WM_MBUTTONUP);
    EXPECT_EQ(Hooks::getCapture(), nullptr);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_MIDDLE], 0);
}

TEST_F(WindowProc, ACaptureLostElsewhereIsKeptUntilItsButtonComesUp)
{
    send(WM_RBUTTONDOWN);
    Orva::Platform::Test::releaseCapture(); // another window took it
    send(WM_LBUTTONDOWN);
    EXPECT_EQ(Hooks::getCapture(), nullptr) << "the right button still counts as the holder";
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_LEFT], 1);
    send(WM_RBUTTONUP);
    EXPECT_EQ(Window::mouseCaptureButton(), -1);
}

class DroppedFiles : public WindowProc
{
protected:
    void SetUp() override
    {
        WindowProc::SetUp();
        const fs::path& base = scratch.emplace("orva-drop").path();
        fs::create_directories(base / "folder");
        file = write(base / "kept.txt");
        // Deep enough that a 260-character buffer would cut the path in the middle.
        fs::path deep = base;
        for (int i = 0; i < 3; ++i)
            deep /= std::string(100, static_cast<char>('a' + i));
        fs::create_directories(deep);
        longFile = write(deep / "long.txt");
        ASSERT_GT(longFile.size(), 259u);
        // A file of the cut name would be kept by mistake if the path were cut.
        write(longFile.substr(0, 259));
    }

    void TearDown() override
    {
        scratch.reset();
        WindowProc::TearDown();
    }

    const fs::path& root() const { return scratch->path(); }

    static std::string write(const fs::path& path)
    {
        std::ofstream(path) << "x";
        return path.string();
    }

    void drop(const std::vector<std::string>& paths)
    {
        send(WM_DROPFILES, reinterpret_cast<WPARAM>(Hooks::makeDrop(paths)));
        EXPECT_EQ(Hooks::liveDropCount(), 0u) << "the drop handle is finished";
        EXPECT_EQ(deliveredAfterDispatch(), (Names{"WindowDragNDropEvent"}));
    }

    std::optional<ScratchDirectory> scratch;
    std::string file;
    std::string longFile;
};

TEST_F(DroppedFiles, OnlyRegularFilesAreKeptAtTheirFullLength)
{
    drop({file, (root() / "folder").string(), (root() / "missing.txt").string(), longFile});
    EXPECT_EQ(taps->droppedFiles, (std::vector<std::string>{file, longFile}));
}

TEST_F(DroppedFiles, DirectoriesOnlyGiveAnEmptyList)
{
    taps->droppedFiles = {"stale"};
    drop({(root() / "folder").string(), root().string()});
    EXPECT_TRUE(taps->droppedFiles.empty());
}

TEST_F(DroppedFiles, CopiesCarryTheirOwnList)
{
    const Orva::WindowDragAndDropEvent original(Hooks::makeDrop({file, longFile}));
    Orva::WindowDragAndDropEvent copy = original;
    copy.files.front() = "changed";
    EXPECT_EQ(original.files.front(), file);
    EXPECT_EQ(copy.files.back(), longFile);
    EXPECT_EQ(Hooks::liveDropCount(), 0u);
}

} // namespace
