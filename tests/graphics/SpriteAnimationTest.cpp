#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <vector>

#include "TestImages.h"
#include "TextureFixture.h"
#include "graphics/SpriteComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"

// Animation files and the sprite's animation machine, stepped by hand.

namespace {

using Orva::GameObjectManager;
using Orva::Graphics::AnimationManager;
using Orva::Graphics::SpriteComponent;
using Orva::Graphics::Texture;
using Orva::Math::Vector2D;

constexpr float Step = 0.016f;
constexpr char WalkFile[] = R"(<animation><frames x="4" y="2"/>
    <names><name text="idle" frames="4"/><name text="run" frames="6"/></names></animation>)";

class SpriteAnimationTest : public TextureTest
{
protected:
    // A loaded 256 x 128 sheet with the animations of WalkFile.
    Texture* walkSheet()
    {
        textures().load("images/walk.png");
        deliverImage("images/walk.png", makePng(256, 128, [](unsigned, unsigned) { return Rgb{255, 0, 0}; }));
        Texture* sheet = textures().getTexture("images/walk.png");
        deliverAnimation(sheet, "images/walk.xml", WalkFile);
        return sheet;
    }

    // A sprite on the sheet, playing "idle" (4 frames) at fps 10.
    SpriteComponent* idleSprite()
    {
        walkSheet();
        SpriteComponent* sprite = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
        sprite->changeTexture("images/walk.png");
        sprite->initAnimation(true, 0, 10, "idle");
        return sprite;
    }

    // The frame index after each of `count` updates.
    static std::vector<int> framesOver(SpriteComponent& sprite, int count)
    {
        std::vector<int> frames;
        for (int update = 0; update < count; ++update) {
            sprite.update(Step);
            frames.push_back(sprite.getAnimationFrame());
        }
        return frames;
    }
};

TEST_F(SpriteAnimationTest, EveryLoadedImageAsksForTheFileNextToIt)
{
    EXPECT_EQ(AnimationManager::animationPathOf("images/walk.png"), "images/walk.xml");
    EXPECT_EQ(AnimationManager::animationPathOf("images/a.b/c"), "images/a.xml");
    EXPECT_EQ(AnimationManager::animationPathOf("images/plain"), "images/plain.xml");

    LoadRequestListener requests;
    textures().load("images/walk.png");
    deliverImage("images/walk.png", makePng(4, 4, [](unsigned, unsigned) { return Rgb{0, 0, 0}; }));
    Orva::EventManager::PushAllEvents();
    Texture* walk = textures().getTexture("images/walk.png");
    EXPECT_EQ(requests.pathsFor(walk), std::vector<std::string>{"images/walk.xml"})
        << "the texture is the request id";
}

TEST_F(SpriteAnimationTest, TheFileGivesTheGridAndOneRowPerNameInOrder)
{
    Texture* sheet = walkSheet();
    EXPECT_EQ(sheet->getMaxFramesX(), 4u);
    EXPECT_EQ(sheet->getMaxFramesY(), 2u);
    const Texture::AnimationTable expected{{"idle", {4, 0}}, {"run", {6, 1}}};
    EXPECT_EQ(sheet->getAnimationData(), expected);

    deliverAnimation(sheet, "images/walk.xml",
                     R"(<animation><frames x="4" y="2"/><names><name text="jump" frames="2"/>
                        <name text="idle" frames="3"/></names></animation>)");
    const Texture::AnimationTable merged{{"idle", {3, 1}}, {"run", {6, 1}}, {"jump", {2, 0}}};
    EXPECT_EQ(sheet->getAnimationData(), merged) << "a repeated name keeps its place";

    Texture empty;
    EXPECT_EQ(empty.getAnimationFrames("walk"), (Vector2D<unsigned>{0, 0}));
    EXPECT_EQ(empty.getAnimationData(), (Texture::AnimationTable{{"", {0, 0}}}));
    EXPECT_EQ(sheet->getAnimationFrames("unknown"), (Vector2D<unsigned>{3, 1})) << "the first entry";
}

TEST_F(SpriteAnimationTest, BadOrStaleAnimationRepliesChangeNothing)
{
    Texture* sheet = walkSheet();
    const Texture::AnimationTable before = sheet->getAnimationData();
    const std::vector<std::string> bad{
        "<animation><frames x=\"1\"", "<anim><frames/><names/></anim>", "<animation><names/></animation>",
        "<animation><frames x=\"1\" y=\"1\"/></animation>",
        "<animation><frames x=\"9\" y=\"9\"/><names><name frames=\"2\"/></names></animation>"};
    for (const std::string& file : bad) {
        testing::internal::CaptureStderr();
        deliverAnimation(sheet, "images/walk.xml", file);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(printed.rfind("textures: the animation file " + key("images/walk.xml"), 0), 0u) << file;
        EXPECT_EQ(sheet->getMaxFramesX(), 4u) << file;
        EXPECT_EQ(sheet->getAnimationData(), before) << file;
    }
    deliverAnimation(sheet, "images/walk.xml", "");
    EXPECT_EQ(sheet->getAnimationData(), before) << "no file: nothing changes";

    const std::string other =
        R"(<animation><frames x="1" y="1"/><names><name text="x" frames="1"/></names></animation>)";
    deliverAnimation(sheet, "images/other.xml", other);
    EXPECT_EQ(sheet->getAnimationData(), before) << "a reply for another path";
    Texture stranger;
    deliverAnimation(&stranger, "images/walk.xml", other);
    EXPECT_TRUE(stranger.getAnimationData().empty()) << "a texture the manager does not hold";
}

TEST_F(SpriteAnimationTest, ASpriteTakesTheSizeOfOneFrameOfTheGrid)
{
    textures().load("images/sheet.png");
    deliverImage("images/sheet.png", makePng(256, 64, [](unsigned, unsigned) { return Rgb{0, 255, 0}; }));
    Texture* sheet = textures().getTexture("images/sheet.png");
    deliverAnimation(
        sheet, "images/sheet.xml",
        R"(<animation><frames x="4" y="1"/><names><name text="spin" frames="4"/></names></animation>)");
    SpriteComponent* sprite = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    sprite->initialize("images\\sheet.png", Orva::Graphics::Color());
    EXPECT_EQ(sprite->getTexture(), sheet) << "backslashes read as slashes";
    EXPECT_EQ(sprite->getSize(), (Vector2D<float>{1, 1}));
    EXPECT_EQ(sprite->getCurrentAnimation(), "spin") << "the first animation";
    sprite->initialize("images\\sheet.png", true);
    EXPECT_TRUE(textures().getPendingKeys().empty()) << "the colourless overload reads them so too";

    sprite->initialize(std::string("images\\sheet.png"), std::string(), Orva::Graphics::Color());
    EXPECT_EQ(textures().getPendingKeys(), std::vector<std::string>{key("images\\sheet.png")})
        << "this overload keeps backslashes";
}

TEST_F(SpriteAnimationTest, AGridArrivingAfterTheImageResizesOnlySpritesSizedByTheirTexture)
{
    SpriteComponent* sized = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    SpriteComponent* chosen = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    sized->initialize("images/sheet.png", Orva::Graphics::Color());
    chosen->initialize("images/sheet.png", Orva::Graphics::Color());
    chosen->setSize({3, 2});
    deliverImage("images/sheet.png", makePng(256, 64, [](unsigned, unsigned) { return Rgb{0, 255, 0}; }));
    EXPECT_EQ(sized->getSize(), (Vector2D<float>{4, 1})) << "no grid yet: the whole image";

    deliverAnimation(
        textures().getTexture("images/sheet.png"), "images/sheet.xml",
        R"(<animation><frames x="4" y="1"/><names><name text="spin" frames="4"/></names></animation>)");
    EXPECT_EQ(sized->getSize(), (Vector2D<float>{1, 1})) << "one frame of the grid";
    EXPECT_EQ(sized->getCurrentAnimation(), "spin");
    EXPECT_EQ(chosen->getSize(), (Vector2D<float>{3, 2})) << "a size the owner set stays";
}

TEST_F(SpriteAnimationTest, ASizeSetBeforeTheImageStaysAndChangeTextureResizes)
{
    walkSheet();
    SpriteComponent* sprite = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    sprite->setSize({3, 2});
    sprite->changeTexture("images/late.png");
    deliverImage("images/late.png", makePng(128, 64, [](unsigned, unsigned) { return Rgb{0, 0, 0}; }));
    EXPECT_EQ(sprite->getSize(), (Vector2D<float>{3, 2}));

    sprite->changeTexture("images/walk.png");
    EXPECT_EQ(sprite->getSize(), (Vector2D<float>{1, 1})) << "256 x 128 in a 4 x 2 grid";
    sprite->setSize({5, 5});
    sprite->setAnimationFrame(2);
    sprite->changeTexture("images/walk.png");
    EXPECT_EQ(sprite->getSize(), (Vector2D<float>{5, 5})) << "the texture shown already: nothing changes";
    EXPECT_EQ(sprite->getAnimationFrame(), 2);
}

TEST_F(SpriteAnimationTest, AnEndlessAnimationAdvancesAtItsFpsAndWraps)
{
    SpriteComponent* sprite = idleSprite();
    const std::vector<int> frames = framesOver(*sprite, 25);
    EXPECT_EQ(frames[5], 0);
    EXPECT_EQ(frames[6], 1) << "7th update";
    EXPECT_EQ(frames[11], 1);
    EXPECT_EQ(frames[12], 2) << "13th update";
    EXPECT_EQ(frames[17], 2);
    EXPECT_EQ(frames[18], 3) << "19th update";
    EXPECT_EQ(frames[23], 3);
    EXPECT_EQ(frames[24], 0) << "25th update: wrapped";
    EXPECT_TRUE(sprite->isAnimationDone()) << "an endless animation (limit -1) counts as done";
}

TEST_F(SpriteAnimationTest, ALimitOfOnePlaysOnceAndRestsOnTheLastFrame)
{
    SpriteComponent* sprite = idleSprite();
    sprite->setAnimationLoops(1);
    EXPECT_FALSE(sprite->isAnimationDone());
    const std::vector<int> frames = framesOver(*sprite, 40);
    EXPECT_EQ(frames[23], 3);
    EXPECT_EQ(frames[24], 3) << "25th update";
    EXPECT_EQ(frames.back(), 3);
    EXPECT_EQ(sprite->getCurrentLoopCount(), 1);
    EXPECT_TRUE(sprite->isAnimationDone());

    sprite->changeAnimation("idle");
    sprite->setAnimationLoops(1);
    EXPECT_EQ(sprite->getAnimationFrame(), 0) << "played once more from the start";
    EXPECT_EQ(framesOver(*sprite, 7).back(), 1);
}

TEST_F(SpriteAnimationTest, LimitsAboveOneRestOnTheLastFrameAndZeroFreezes)
{
    SpriteComponent* sprite = idleSprite();
    sprite->setAnimationLoops(3);
    const std::vector<int> frames = framesOver(*sprite, 60);
    EXPECT_EQ(frames[24], 3);
    EXPECT_EQ(frames[25], 3) << "after the first pass it goes back to the last frame";
    EXPECT_EQ(sprite->getCurrentLoopCount(), 3);
    EXPECT_EQ(frames.back(), 3);

    sprite->changeAnimation("idle");
    framesOver(*sprite, 8);
    sprite->setAnimationLoops(0);
    EXPECT_EQ(framesOver(*sprite, 20), std::vector<int>(20, 1)) << "a limit of 0 freezes the frame";
}

TEST_F(SpriteAnimationTest, ChangingAnimationPicksItsRowAndFallsBackToTheFirst)
{
    SpriteComponent* sprite = idleSprite();
    sprite->changeAnimation("run");
    EXPECT_EQ(sprite->getCurrentAnimation(), "run");
    EXPECT_EQ(sprite->getRow(), 1.0f);
    sprite->changeAnimation("fly");
    EXPECT_EQ(sprite->getCurrentAnimation(), "idle");
    EXPECT_EQ(sprite->getRow(), 0.0f);

    SpriteComponent* bare = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    bare->setAnimationFrame(2);
    bare->changeAnimation("walk");
    EXPECT_EQ(bare->getCurrentAnimation(), "walk");
    EXPECT_EQ(bare->getAnimationFrame(), 2) << "without a texture only the name is kept";
    EXPECT_FALSE(bare->draw({})) << "no shader, nothing drawn";
}

TEST_F(SpriteAnimationTest, AnAnimationFileArrivingLaterRestartsItsSprites)
{
    textures().load("images/walk.png");
    deliverImage("images/walk.png", makePng(256, 128, [](unsigned, unsigned) { return Rgb{0, 0, 0}; }));
    Texture* sheet = textures().getTexture("images/walk.png");
    SpriteComponent* sprite = GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    sprite->changeTexture("images/walk.png");
    sprite->setHasAnimation(true);
    sprite->setFPS(10);
    deliverAnimation(sheet, "images/walk.xml", WalkFile);
    EXPECT_EQ(sprite->getCurrentAnimation(), "idle");
    EXPECT_EQ(framesOver(*sprite, 7).back(), 1);

    textures().forceRemove(sheet);
    deliverAnimation(sheet, "images/walk.xml", WalkFile);
    EXPECT_TRUE(textures().getTextureData().empty()) << "a reply for a removed texture is ignored";
}

TEST_F(SpriteAnimationTest, NoFpsOrTimerTakesTheFrameOutOfRange)
{
    // The largest fps for 2 s wraps within the 4 frames; fps 4 then passes all four in 63
    // steps of 0.064 frames.
    SpriteComponent* sprite = idleSprite();
    sprite->setFPS(std::numeric_limits<int>::max());
    for (const int frame : framesOver(*sprite, 125)) {
        ASSERT_TRUE(frame >= 0 && frame < 4) << frame;
    }
    sprite->setFPS(4);
    const std::vector<int> frames = framesOver(*sprite, 63);
    EXPECT_EQ(std::set<int>(frames.begin(), frames.end()).size(), 4u);

    // A timer written from outside (the reflected "CurrFrame"): NaN reads as frame 0.
    float& timer = *Orva::findReflected<float>(sprite->getReflectibles(), "CurrFrame");
    sprite->setHasAnimation(false);
    for (const float written : {1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN()}) {
        timer = written;
        sprite->update(Step);
    }
    EXPECT_EQ(sprite->getAnimationFrame(), 0);
}

} // namespace
