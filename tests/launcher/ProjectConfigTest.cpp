#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "GameFolder.h"
#include "ProjectConfig.h"

// The project file as start-up reads it: every element, what missing parts leave, the
// preload order, and the files it refuses.

namespace {

using Orva::Launcher::ProjectConfig;
using Orva::Launcher::readProjectConfig;

class ProjectConfigTest : public GameFolderTest
{
protected:
    // Reads config.ini; a refusal fails the test.
    ProjectConfig read()
    {
        std::string error;
        const std::optional<ProjectConfig> config = readProjectConfig(ProjectConfig::FileName, error);
        EXPECT_TRUE(config.has_value()) << error;
        EXPECT_TRUE(error.empty()) << error;
        return config.value_or(ProjectConfig());
    }

    // Reads config.ini expecting a refusal; returns the reason.
    std::string refusal()
    {
        std::string error;
        EXPECT_FALSE(readProjectConfig(ProjectConfig::FileName, error).has_value());
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
        return error;
    }

    static void expectColor(const Orva::Graphics::Color& color, float r, float g, float b, float a)
    {
        EXPECT_FLOAT_EQ(color.r, r);
        EXPECT_FLOAT_EQ(color.g, g);
        EXPECT_FLOAT_EQ(color.b, b);
        EXPECT_FLOAT_EQ(color.a, a);
    }
};

TEST_F(ProjectConfigTest, EveryElementIsRead)
{
    writeConfig(R"(
        <resolution x="800" y="600"/>
        <executable name="Tom &amp; Jerry  Racing"/>
        <resource directory="../data/"/>
        <icon src="icons/game.ico"/>
        <start stage="Menu"/>
        <fullscreen value="true"/>
        <background r="0.25" g="0.5" b="0.75"/>
    )");
    const ProjectConfig config = read();
    EXPECT_EQ(config.resolution.x, 800u);
    EXPECT_EQ(config.resolution.y, 600u);
    EXPECT_EQ(config.title, "Tom & Jerry  Racing") << "entities are resolved and spaces kept";
    EXPECT_EQ(config.resourceDirectory, "../data/");
    EXPECT_EQ(config.iconPath, "icons/game.ico");
    EXPECT_EQ(config.startStage, "Menu");
    EXPECT_TRUE(config.fullscreen);
    expectColor(config.clearColor, 0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_TRUE(config.preloadAtlases.empty());
    EXPECT_TRUE(config.preloadTextures.empty());
}

TEST_F(ProjectConfigTest, AnEmptyProjectKeepsTheInitialValues)
{
    writeConfig("");
    const ProjectConfig config = read();
    EXPECT_EQ(config.resolution.x, 0u);
    EXPECT_EQ(config.resolution.y, 0u);
    EXPECT_EQ(config.title, "Orva Engine Game");
    EXPECT_EQ(config.resourceDirectory, "../resources/");
    EXPECT_EQ(config.iconPath, "");
    EXPECT_EQ(config.startStage, "");
    EXPECT_FALSE(config.fullscreen);
    expectColor(config.clearColor, 1.0f, 1.0f, 1.0f, 1.0f);
}

TEST_F(ProjectConfigTest, ElementsWithoutTheirAttributesKeepTheInitialValues)
{
    writeConfig(R"(<resolution/><executable/><resource/><icon/><start/><fullscreen/>)");
    const ProjectConfig config = read();
    EXPECT_EQ(config.resolution.x, 0u) << "a resolution without attributes opens a 0 by 0 window";
    EXPECT_EQ(config.resolution.y, 0u);
    EXPECT_EQ(config.title, "Orva Engine Game");
    EXPECT_EQ(config.resourceDirectory, "../resources/");
    EXPECT_EQ(config.startStage, "");
    EXPECT_FALSE(config.fullscreen) << "a fullscreen element without a value asks for none";
}

TEST_F(ProjectConfigTest, APartialBackgroundFillsTheRestWithZeroAndIsOpaque)
{
    writeConfig(R"(<background r="0.5"/>)");
    expectColor(read().clearColor, 0.5f, 0.0f, 0.0f, 1.0f);
    writeConfig(R"(<background b="2"/>)");
    expectColor(read().clearColor, 0.0f, 0.0f, 2.0f, 1.0f);
}

TEST_F(ProjectConfigTest, AnEmptyIconPathIsKeptEmpty)
{
    writeConfig(R"(<icon src=""/><resolution x="640"/>)");
    const ProjectConfig config = read();
    EXPECT_EQ(config.iconPath, "");
    EXPECT_EQ(config.resolution.x, 640u);
    EXPECT_EQ(config.resolution.y, 0u);
}

TEST_F(ProjectConfigTest, AMissingOrZeroResolutionIsNamedAndTheFileStillReads)
{
    writeConfig(R"(<resolution x="640"/>)");
    EXPECT_EQ(
        read().mistakes,
        (std::vector<std::string>{"config.ini: <resolution> is 640 by 0: the window opens 640 by 1 pixels"}));
    writeConfig(R"(<resolution x="640" y="480"/>)");
    EXPECT_TRUE(read().mistakes.empty());
}

TEST_F(ProjectConfigTest, PreloadListsAtlasesAndTexturesEachInDocumentOrder)
{
    writeConfig(R"(
        <preload>
            <texture src="b.png"/>
            <atlas src="first.xml"/>
            <texture/>
            <texture src="a.png"/>
            <atlas href="ignored.xml"/>
            <sound src="not-a-texture.wav"/>
            <atlas src="second.xml"/>
        </preload>
    )");
    const ProjectConfig config = read();
    EXPECT_EQ(config.preloadAtlases, (std::vector<std::string>{"first.xml", "second.xml"}));
    EXPECT_EQ(config.preloadTextures, (std::vector<std::string>{"b.png", "a.png"}))
        << "children without src are skipped";
}

TEST_F(ProjectConfigTest, AMissingFileIsRefusedNamingWhereTheProgramRuns)
{
    const std::string error = refusal();
    EXPECT_EQ(error, "config.ini: not found in " + std::filesystem::current_path().string() +
                         ": Executable runs from the game's bin/ folder, where its config.ini lies");
}

TEST_F(ProjectConfigTest, AMalformedFileIsRefusedWithTheParsersReason)
{
    writeFile(bin() / "config.ini", "<project><resolution x=\"1\"></project>");
    const std::string error = refusal();
    EXPECT_NE(error.find("XML_ERROR_MISMATCHED_ELEMENT"), std::string::npos) << error;

    writeFile(bin() / "config.ini", "");
    EXPECT_NE(refusal().find("XML_ERROR_EMPTY_DOCUMENT"), std::string::npos);
}

TEST_F(ProjectConfigTest, ADocumentWithoutTheProjectRootIsRefused)
{
    writeFile(bin() / "config.ini", "<game><start stage=\"Main\"/></game>");
    EXPECT_NE(refusal().find("<game>"), std::string::npos);

    writeFile(bin() / "config.ini", "<!-- nothing but a comment -->");
    EXPECT_NE(refusal().find("no root element"), std::string::npos);
}

} // namespace
