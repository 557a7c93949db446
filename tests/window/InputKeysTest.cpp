#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>

#include "platform/Platform.h"
#include "window/InputKeys.h"
#include "window/Window.h"

namespace {

using Orva::InputKeys;
using Orva::WindowKeyStates;
namespace Hooks = Orva::Platform::Test;

// The window procedure's way into the key state.
void press(int vk)
{
    Orva::Window::handleKeyDown(Orva::WindowEvent(WM_KEYDOWN, nullptr, static_cast<WPARAM>(vk), 0));
}
void release(int vk)
{
    Orva::Window::handleKeyUp(Orva::WindowEvent(WM_KEYUP, nullptr, static_cast<WPARAM>(vk), 0));
}

class KeyCodes : public ::testing::Test
{
protected:
    void SetUp() override { std::memset(WindowKeyStates, 0, sizeof WindowKeyStates); }
    void TearDown() override { Hooks::reset(); }
};

// The code a virtual key sets, from the published table of ranges; Shift and Control
// are left out because their code depends on the key table.
std::optional<int> expectedCode(int vk)
{
    struct Range
    {
        int first;
        int last;
        int code;
    };
    constexpr Range ranges[] = {{0x08, 0x08, 84}, {0x09, 0x09, 83}, {0x0D, 0x0D, 82}, {0x14, 0x14, 87},
                                {0x1B, 0x1B, 88}, {0x20, 0x2F, 64}, {0x30, 0x39, 0},  {0x41, 0x5A, 10},
                                {0x60, 0x7B, 36}, {0xBA, 0xC0, 94}, {0xDB, 0xDF, 101}};
    for (const Range& range : ranges) {
        if (vk >= range.first && vk <= range.last)
            return range.code + (vk - range.first);
    }
    return std::nullopt;
}

TEST_F(KeyCodes, EveryVirtualKeySetsAndClearsExactlyItsCode)
{
    for (int vk = 0; vk < 256; ++vk) {
        if (vk == VK_SHIFT || vk == VK_CONTROL)
            continue;
        SCOPED_TRACE(vk);
        std::array<std::uint8_t, 256> before{};
        press(vk);
        std::array<std::uint8_t, 256> after{};
        std::memcpy(after.data(), WindowKeyStates, 256);
        const auto code = expectedCode(vk);
        if (code)
            before[static_cast<std::size_t>(*code)] = 1;
        EXPECT_EQ(after, before);
        press(vk); // a repeat keeps it down
        if (code) {
            EXPECT_EQ(WindowKeyStates[*code], 1);
        }
        release(vk);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(WindowKeyStates[i], 0) << "code " << i;
    }
}

TEST_F(KeyCodes, PublishedExamples)
{
    const std::pair<int, int> examples[] = {{0x2F, 79}, {0x41, 10}, {0x7B, 63}, {0xC0, 100}, {0xDF, 105}};
    for (const auto& [vk, code] : examples) {
        press(vk);
        EXPECT_EQ(WindowKeyStates[code], 1) << vk;
    }
    std::array<std::uint8_t, 256> snapshot{};
    std::memcpy(snapshot.data(), WindowKeyStates, 256);
    for (int vk : {0x12, 0x7C, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x141})
        press(vk);
    EXPECT_EQ(std::memcmp(snapshot.data(), WindowKeyStates, 256), 0);
}

TEST_F(KeyCodes, ShiftSidesFollowTheKeyTable)
{
    // Down with only the right side down: 81 set, 80 left as it was (1 here).
    WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT] = 1;
    Hooks::setKeyState(VK_RSHIFT, true);
    press(VK_SHIFT);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT], 1);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 1);

    // Up while the left side is still down: 81 cleared, 80 kept.
    Hooks::setKeyState(VK_RSHIFT, false);
    Hooks::setKeyState(VK_LSHIFT, true);
    release(VK_SHIFT);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT], 1);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 0);

    // Down with neither side down sets nothing; up with both down clears nothing.
    std::memset(WindowKeyStates, 0, sizeof WindowKeyStates);
    Hooks::setKeyState(VK_LSHIFT, false);
    press(VK_SHIFT);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT] + WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 0);
    WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT] = WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT] = 1;
    Hooks::setKeyState(VK_LSHIFT, true);
    Hooks::setKeyState(VK_RSHIFT, true);
    release(VK_SHIFT);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT] + WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 2);
}

TEST_F(KeyCodes, ControlSidesFollowTheKeyTable)
{
    Hooks::setKeyState(VK_LCONTROL, true);
    press(VK_CONTROL);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_CONTROL], 1);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_CONTROL], 0);
    Hooks::setKeyState(VK_RCONTROL, true);
    press(VK_CONTROL);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_CONTROL], 1);
    Hooks::setKeyState(VK_LCONTROL, false);
    release(VK_CONTROL);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_CONTROL], 0);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_CONTROL], 1);
    // The shift codes are never touched by Control.
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT] + WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 0);
}

TEST_F(KeyCodes, ConstantsSitWhereBindingsAndRecordingsExpectThem)
{
    EXPECT_EQ(InputKeys::ORVA_F6, 57);
    EXPECT_EQ(InputKeys::ORVA_F11, 62);
    EXPECT_EQ(InputKeys::ORVA_F12, 63);
    EXPECT_EQ(InputKeys::ORVA_MOUSE_LEFT, 89);
    EXPECT_EQ(InputKeys::ORVA_MOUSE_SCROLL_DOWN, 93);
    EXPECT_EQ(InputKeys::ORVA_APOSTROPHE, 104);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER_BUTTONS_START, 149);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER1_A, 162);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER2_DPAD_UP, 166);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER3_LEFT_TRIGGER, 192);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER4_Y, 213);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER1_ENTER, 214);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER4_DROP, 221);
    EXPECT_EQ(InputKeys::ORVA_CONTROLLER_BUTTONS_END, 222);
}

} // namespace
