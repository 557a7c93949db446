#include <filesystem>
#include <fstream>
#include <locale>
#include <optional>
#include <sstream>

#include "InputFixture.h"
#include "ScratchDirectory.h"
#include "world/ResourceManager.h"

// Recording key input to the two files, replaying a recording, and the key names.

namespace {

using namespace Orva;
namespace fs = std::filesystem;
using Resources::ResourceManager;

class InputRecording : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        root = scratch.emplace("orva-input").path();
        fs::create_directories(root / "data");
        previousDirectory = ResourceManager::getResourceDirectory();
        ResourceManager::setResourceDirectory(root.string() + "/");
    }

    void TearDown() override
    {
        ResourceManager::setResourceDirectory(previousDirectory);
        scratch.reset();
        InputTest::TearDown();
    }

    std::string read(const std::string& relative) const
    {
        std::ifstream in(root / relative, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void write(const std::string& relative, const std::string& text) const
    {
        std::ofstream(root / relative, std::ios::binary) << text;
    }

    // Advances the tracking clock by exactly `seconds` with one update.
    static void elapse(float seconds) { InputManager::update(seconds); }

    std::optional<ScratchDirectory> scratch;
    fs::path root;
    std::string previousDirectory;
};

TEST_F(InputRecording, BothFilesAreWrittenByteForByte)
{
    input().startTrackingInput();
    elapse(0.5f);
    input().addTrackingData(InputKeys::ORVA_A, true);
    elapse(0.25f);
    input().addTrackingData(InputKeys::ORVA_A, false);
    elapse(2.5f);
    EXPECT_EQ(input().getCurrentTrackTime(), 3.25f);
    input().stopTrackingInput();
    EXPECT_EQ(read("data/last_input.txt"), "10 1 0.5 10 0 0.75 ");
    EXPECT_EQ(read("data/readable_last_input.txt"), "Total game time:3.25\nA : 1 : 0.5\nA : 0 : 0.75\n");
    EXPECT_FALSE(input().isTrackingInput());
    EXPECT_FALSE(input().isReplayingInput());
    EXPECT_TRUE(input().getTrackingList().empty());
    EXPECT_EQ(input().getCurrentTrackTime(), 0.0f);
    elapse(1.0f);
    EXPECT_EQ(input().getCurrentTrackTime(), 0.0f) << "the clock stands still until tracking starts again";
}

TEST_F(InputRecording, TimesKeepSixSignificantDigitsAndKeysTheirFullValue)
{
    input().startTrackingInput();
    elapse(12.3456789f);
    input().addTrackingData(300, true); // named by its low byte in the readable file
    input().stopTrackingInput();
    EXPECT_EQ(read("data/last_input.txt"), "300 1 12.3457 ");
    EXPECT_EQ(read("data/readable_last_input.txt"), "Total game time:12.3457\nNumpad 8 : 1 : 12.3457\n");
}

TEST_F(InputRecording, AnEmptyListWritesTheFirstLineOnly)
{
    input().stopTrackingInput();
    EXPECT_EQ(read("data/readable_last_input.txt"), "Total game time:0\n");
    EXPECT_TRUE(fs::exists(root / "data/last_input.txt"));
    EXPECT_EQ(read("data/last_input.txt"), "");
}

// Numbers as a locale with a decimal comma and digit grouping would write them.
struct CommaNumbers : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST_F(InputRecording, TheFilesIgnoreTheProcessLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
    input().startTrackingInput();
    elapse(1234.5f);
    input().addTrackingData(InputKeys::ORVA_B, true);
    input().stopTrackingInput();
    std::locale::global(previous);
    EXPECT_EQ(read("data/last_input.txt"), "11 1 1234.5 ");
}

TEST_F(InputRecording, AFileThatCannotBeWrittenIsReportedAndTheListResetAllTheSame)
{
    fs::remove_all(root / "data");
    input().startTrackingInput();
    elapse(1.0f);
    input().addTrackingData(InputKeys::ORVA_C, true);
    ::testing::internal::CaptureStderr();
    input().stopTrackingInput();
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("data/readable_last_input.txt"), std::string::npos) << report;
    EXPECT_NE(report.find("data/last_input.txt\""), std::string::npos) << report;
    EXPECT_TRUE(input().getTrackingList().empty());
    EXPECT_EQ(input().getCurrentTrackTime(), 0.0f);
}

TEST_F(InputRecording, AHandMadeFileReplaysUpToItsFirstUnreadableValue)
{
    write("data/hand.txt", "10 1 0.01 10 0 0.02 300 1 0.04 -1 1 0.04 11 1 x 12 1 0.05");
    input().useTrackingData("data/hand.txt", false);
    EXPECT_TRUE(input().isReplayingInput());
    EXPECT_FALSE(input().isTrackingInput());
    EXPECT_EQ(input().getReplayPath(), "data/hand.txt");
    press(InputKeys::ORVA_L); // the live keyboard does not reach the game

    std::vector<std::vector<ButtonState>> seen;
    for (int update = 0; update < 4; ++update) {
        frames();
        seen.push_back({input().getButtonState(InputKeys::ORVA_A), input().getButtonState(InputKeys::ORVA_B),
                        input().getButtonState(InputKeys::ORVA_C), input().getButtonState(InputKeys::ORVA_F5),
                        input().getButtonState(InputKeys::ORVA_L)});
    }
    EXPECT_EQ(seen,
              (std::vector<std::vector<ButtonState>>{{ButtonTapped, ButtonUp, ButtonUp, ButtonUp, ButtonUp},
                                                     {ButtonReleased, ButtonUp, ButtonUp, ButtonUp, ButtonUp},
                                                     {ButtonUp, ButtonUp, ButtonUp, ButtonTapped, ButtonUp},
                                                     {ButtonUp, ButtonUp, ButtonUp, ButtonDown, ButtonUp}}));
    EXPECT_TRUE(input().isBackUpButtonDown(InputKeys::ORVA_L));
    const InputManager::TrackingList& replayed = input().getTrackingList();
    ASSERT_EQ(replayed.size(), 4u) << "keys past 255 are not applied but still recorded";
    EXPECT_EQ(replayed[2].key, 300u);
    EXPECT_EQ(replayed[3].key, 4294967295u);
    EXPECT_FLOAT_EQ(replayed[3].time, 0.04f);
}

TEST_F(InputRecording, OnlyARegularFileStartsAReplay)
{
    input().useTrackingData("", true);
    EXPECT_TRUE(input().isTrackingInput()) << "the resource directory itself is no recording";
    EXPECT_FALSE(input().isReplayingInput());
    write("data/good.txt", "10 1 0.5 ");
    input().useTrackingData("data/good.txt", true);
    ASSERT_TRUE(input().isReplayingInput());
    input().useTrackingData("data/missing.txt", true);
    EXPECT_TRUE(input().isTrackingInput());
    EXPECT_FALSE(input().isReplayingInput());
    EXPECT_EQ(input().getReplayPath(), "");
    EXPECT_TRUE(input().getReplayTrack().pendingRecords().empty()) << "a failed load clears the track";
}

TEST_F(InputRecording, AReplayThatContinuesHandsOverToRecordingAndSaysSo)
{
    InputOwner listener;
    std::vector<std::string> done;
    listener.onEvent = [&](BaseEvent* event) { done.push_back(static_cast<ReplayInputEvent*>(event)->path); };
    EventManager::getInstance().ListenToEvent(ReplayInputEvent::REPLAY_EVENT_HASH_CODE, listener.holder());
    write("data/run.txt", "10 1 0 10 0 0.02");
    input().useTrackingData("data/run.txt", true);
    frames();
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_A));
    frames(); // the last record: the replay runs out in this frame
    EXPECT_TRUE(input().isTrackingInput());
    EXPECT_FALSE(input().isReplayingInput());
    EXPECT_FLOAT_EQ(input().getCurrentTrackTime(), 0.02f);
    EventManager::PushAllEvents();
    EXPECT_EQ(done, (std::vector<std::string>{"data/run.txt"}));

    frames();
    EXPECT_FLOAT_EQ(input().getCurrentTrackTime(), 0.036f) << "recording from the last replayed time";
    EXPECT_EQ(input().getTrackingList().size(), 2u);
}

TEST_F(InputRecording, AnEmptyRecordingRunsOutInItsFirstFrame)
{
    write("data/empty.txt", "");
    input().startTrackingInput();
    elapse(2.0f);
    input().useTrackingData("data/empty.txt", true);
    frames();
    EXPECT_TRUE(input().isTrackingInput());
    EXPECT_EQ(input().getCurrentTrackTime(), 2.0f) << "no record to take the time from";
}

TEST_F(InputRecording, WithoutHandOverF5IsHeldUntilRecordingStops)
{
    write("data/short.txt", "10 1 0.01");
    input().useTrackingData("data/short.txt", false);
    frames(3);
    EXPECT_TRUE(input().isReplayingInput()) << "finished, still replaying";
    EXPECT_EQ(Orva::WindowKeyStates[InputKeys::ORVA_F5], 1);
    EXPECT_TRUE(input().isButtonDown(InputKeys::ORVA_F5));
    input().stopUsingTrackingData();
    EXPECT_TRUE(input().isTrackingInput());
    EXPECT_EQ(Orva::WindowKeyStates[InputKeys::ORVA_F5], 1) << "only stopping the recording releases it";
    input().stopTrackingInput();
    EXPECT_EQ(Orva::WindowKeyStates[InputKeys::ORVA_F5], 0);
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_F5));
    EXPECT_EQ(read("data/last_input.txt"), "10 1 0.01 ") << "the replayed records were recorded";
}

TEST_F(InputRecording, EscapeDuringAReplayArrivesAsF5)
{
    write("data/long.txt", "10 1 100");
    input().useTrackingData("data/long.txt", false);
    press(InputKeys::ORVA_ESCAPE);
    frames();
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_F5));
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_ESCAPE));
    EXPECT_TRUE(input().isBackUpButtonDown(InputKeys::ORVA_ESCAPE));
    release(InputKeys::ORVA_ESCAPE);
    Orva::WindowMouseWheelDelta = 120;
    pads.pads[0].connected = true;
    frames(100);
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_F5));
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_MOUSE_SCROLL_UP));
    EXPECT_EQ(Orva::WindowMouseWheelDelta, 120) << "the wheel is not read while replaying";
    EXPECT_EQ(pads.reads[0], 0) << "nor are the pads";
}

TEST_F(InputRecording, RecordsDueTogetherApplyInFileOrder)
{
    // Pressed and released in one frame: tapped, and released at the next update. B's record
    // stamped earlier than the one before it waits for it.
    write("data/order.txt", "10 1 0.001 10 0 0.002 12 1 0.03 11 1 0.005");
    input().useTrackingData("data/order.txt", true);
    frames();
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_A));
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_B));
    frames();
    EXPECT_TRUE(input().isButtonReleased(InputKeys::ORVA_A));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_C));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_B));
}

TEST_F(InputRecording, ALoadAppendsToRecordsStillPending)
{
    write("data/first.txt", "10 1 5");
    write("data/second.txt", "11 1 0.01");
    input().useTrackingData("data/first.txt", true);
    frames();
    input().startTrackingInput(); // ends the replay, keeps the track
    input().useTrackingData("data/second.txt", true);
    const InputReplayTrack::Records& pending = input().getReplayTrack().pendingRecords();
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].key, 10u);
    EXPECT_EQ(pending[1].key, 11u);
    frames();
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_B)) << "it waits behind the record listed first";
}

TEST(KeyNames, NamesFollowTheCodeRanges)
{
    const std::pair<int, const char*> names[] = {{0, "0"},
                                                 {9, "9"},
                                                 {10, "A"},
                                                 {35, "Z"},
                                                 {36, "Numpad 0"},
                                                 {43, "Numpad 7"},
                                                 {46, "Multiply"},
                                                 {51, "Divide"},
                                                 {52, "F1"},
                                                 {63, "F12"},
                                                 {64, "Space"},
                                                 {72, "Arrow Down"},
                                                 {73, "Captured"},
                                                 {76, "Captured"},
                                                 {77, "Insert"},
                                                 {78, "Delete"},
                                                 {79, "Captured"},
                                                 {80, "Left Shift"},
                                                 {87, "CAPS"},
                                                 {91, "Middle Mouse Click"},
                                                 {93, "Mouse Scroll Down"},
                                                 {94, ";"},
                                                 {100, "~"},
                                                 {101, "["},
                                                 {102, "\\"},
                                                 {103, "]"},
                                                 {104, "'"},
                                                 {105, "Captured"},
                                                 {149, "Captured"},
                                                 {150, "Controller:Up"},
                                                 {155, "Controller:Select"},
                                                 {160, "Controller:LT"},
                                                 {162, "Controller:A"},
                                                 {210, "Controller:A"},
                                                 {213, "Controller:Y"},
                                                 {214, "Controller1EnterEvent"},
                                                 {215, "Controller2EnterEvent"},
                                                 {218, "Controller1QuitEvent"},
                                                 {221, "Controller4QuitEvent"},
                                                 {222, "Captured"},
                                                 {255, "Captured"}};
    for (const auto& [code, name] : names)
        EXPECT_EQ(KeyNameToString(static_cast<unsigned char>(code)), name) << code;
}

} // namespace
