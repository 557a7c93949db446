#include <gtest/gtest.h>

#include <string>

#include "GameFolder.h"
#include "Launcher.h"
#include "world/Engine.h"

// Start-ups that stop at the project file, before any window: -1, one line on stderr, and
// the engine shut down again (its loader thread joined).

namespace {

class StartUpFailureTest : public GameFolderTest
{
protected:
    // start-up without arguments; returns what it printed on stderr.
    static std::string failingStartUp()
    {
        char program[] = "Executable";
        char* argv[] = {program, nullptr};
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(Orva::Launcher::startUp(1, argv), -1);
        return ::testing::internal::GetCapturedStderr();
    }
};

TEST_F(StartUpFailureTest, WithoutAProjectFileTheEngineGoesDownAgain)
{
    const std::string errors = failingStartUp();
    EXPECT_EQ(errors.rfind("launcher: config.ini: ", 0), 0u) << errors;
    EXPECT_EQ(linesOf(errors).size(), 1u) << errors;
    EXPECT_FALSE(Orva::Engine::hasInstance());
    EXPECT_EQ(Orva::Engine::getInstance().getWindow(), nullptr) << "no window was lent to the engine";
    Orva::Engine::destroy();
}

TEST_F(StartUpFailureTest, AnotherRootElementIsRefusedTheSameWay)
{
    writeFile(bin() / "config.ini", "<projects><start stage=\"Main\"/></projects>");
    const std::string errors = failingStartUp();
    EXPECT_EQ(errors, "launcher: config.ini: the root element is <projects>, not <project>\n");
    EXPECT_FALSE(Orva::Engine::hasInstance());
}

TEST_F(StartUpFailureTest, AStartUpAfterAFailedOneBeginsAfresh)
{
    failingStartUp();
    writeFile(bin() / "config.ini", "<project><broken></project>");
    const std::string errors = failingStartUp();
    EXPECT_NE(errors.find("XML_ERROR_MISMATCHED_ELEMENT"), std::string::npos) << errors;
    EXPECT_FALSE(Orva::Engine::hasInstance());
}

} // namespace
