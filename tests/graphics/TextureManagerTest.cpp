#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestImages.h"
#include "TextureFixture.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"

// The texture manager's bookkeeping: keys, pending lists, counts, atlases, replacements.

namespace {

using Orva::GameObject;
using Orva::GameObjectManager;
using Orva::Graphics::ParticleEmitterComponent;
using Orva::Graphics::SpriteComponent;
using Orva::Graphics::Texture;
using Orva::Math::Vector2D;

const Rgb Blue{0, 0, 255};

std::string solidPng(unsigned width, unsigned height)
{
    return makePng(width, height, [](unsigned, unsigned) { return Blue; });
}

// A 256 x 128 atlas with the rectangle "button.png" at (64, 32) of 32 x 32.
constexpr char ButtonAtlas[] = R"(<TextureAtlas imagePath="ui.png" width="256" height="128">
    <sprite n="button.png" x="64" y="32" w="32" h="32"/><sprite n="corner.png" w="8" h="8"/></TextureAtlas>)";

class TextureManagerTest : public TextureTest
{
protected:
    static SpriteComponent* makeSprite()
    {
        return GameObjectManager::getInstance().create()->addComponent<SpriteComponent>();
    }

    // An image delivered and loaded, held by nobody.
    Texture* loadedTexture(const std::string& path, unsigned width = 8, unsigned height = 8)
    {
        textures().load(path);
        deliverImage(path, solidPng(width, height));
        return textures().getTexture(path);
    }
};

TEST_F(TextureManagerTest, TwoSpritesAskingForOneNewImageSendOneLoadAndBothGetIt)
{
    LoadRequestListener requests;
    SpriteComponent* first = makeSprite();
    SpriteComponent* second = makeSprite();
    first->changeTexture("images/hero.png");
    second->changeTexture("images/hero.png");
    Orva::EventManager::PushAllEvents();
    ASSERT_EQ(requests.pathsFor(&textures()), std::vector<std::string>{"images/hero.png"});
    EXPECT_EQ(requests.received[0].sender, first);
    EXPECT_EQ(first->getTexture(), nullptr);

    deliverImage("images/hero.png", solidPng(256, 64));
    Texture* hero = textures().getTexture("images/hero.png");
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(first->getTexture(), hero);
    EXPECT_EQ(second->getTexture(), hero);
    EXPECT_EQ(hero->getUseCount(), 2);
    EXPECT_TRUE(hero->isLoaded());
    EXPECT_EQ(hero->getPath(), "images/hero.png");
    EXPECT_EQ(hero->getSize(), (Vector2D<unsigned>{256, 64}));
    EXPECT_EQ(hero->getMode(), Texture::ClampToEdge);
    EXPECT_TRUE(textures().getPendingKeys().empty());
    EXPECT_EQ(first->getSize(), (Vector2D<float>{4, 1})) << "256 x 64 pixels at 64 pixels a unit";
}

TEST_F(TextureManagerTest, TakingALoadedTextureMovesOneCountFromThePreviousTexture)
{
    Texture* a = loadedTexture("images/a.png");
    Texture* b = loadedTexture("images/b.png");
    LoadRequestListener requests;
    SpriteComponent* sprite = makeSprite();
    sprite->changeTexture("images/a.png");
    EXPECT_EQ(sprite->getTexture(), a);
    EXPECT_EQ(a->getUseCount(), 1);

    sprite->changeTexture("images/b.png");
    EXPECT_EQ(sprite->getTexture(), b);
    EXPECT_EQ(a->getUseCount(), 0);
    EXPECT_EQ(b->getUseCount(), 1);
    Orva::EventManager::PushAllEvents();
    EXPECT_TRUE(requests.pathsFor(&textures()).empty()) << "nothing is read again";

    EXPECT_EQ(textures().add(nullptr, ""), nullptr);
    textures().add(nullptr, "images/b.png", 0x2901);
    EXPECT_EQ(b->getUseCount(), 2) << "a preload of a loaded texture counts a user too";
    EXPECT_EQ(b->getMode(), 0x2901);
    EXPECT_EQ(gl->wrapModes[b->getId()], 0x2901);
}

TEST_F(TextureManagerTest, KeysAreTheResourceDirectoryAndThePathUnchanged)
{
    textures().load("images/A.png");
    textures().load("images/a.png");
    textures().load("images//a.png");
    textures().load("images/a.png");
    EXPECT_EQ(textures().getPendingKeys(),
              (std::vector<std::string>{key("images//a.png"), key("images/A.png"), key("images/a.png")}));
    deliverImage("images/A.png", solidPng(4, 4));
    EXPECT_NE(textures().getTexture("images/A.png"), nullptr);
    EXPECT_EQ(textures().getTexture("images/a.png"), nullptr);
}

TEST_F(TextureManagerTest, AtlasRectanglesExistAtOnceAndLoadWithTheirImage)
{
    writeResource("atlas/ui.xml", ButtonAtlas);
    LoadRequestListener requests;
    Texture* atlas = textures().addAtlas("atlas/ui.xml");
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(textures().addAtlas("atlas/ui.xml"), atlas);
    Orva::EventManager::PushAllEvents();
    ASSERT_EQ(requests.received.size(), 1u) << "the second addAtlas sends nothing";
    EXPECT_EQ(requests.received[0].sender, &textures());
    EXPECT_EQ(requests.pathsFor(&textures()), std::vector<std::string>{"images/ui.png"});
    EXPECT_EQ(atlas->getPath(), "atlas/ui.xml");
    EXPECT_EQ(atlas->getAtlasPath(), "atlas/ui.xml");
    EXPECT_EQ(atlas->getUseCount(), 2);

    Texture* button = textures().getTexture("images/button.png");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isAtlas());
    EXPECT_FALSE(button->isLoaded());
    EXPECT_EQ(button->getId(), atlas->getId());
    EXPECT_EQ(button->getAtlasUV(), (Vector2D<float>{0.25f, 0.25f}));
    EXPECT_EQ(button->getAtlasSize(), (Vector2D<float>{0.125f, 0.25f}));
    EXPECT_EQ(textures().getTexture("images/corner.png")->getAtlasUV(), (Vector2D<float>{0, 0}))
        << "x and y default to 0";
    EXPECT_EQ(textures().getTexture("images/ui.png"), nullptr) << "the atlas is not in the texture table";

    SpriteComponent* sprite = makeSprite();
    sprite->changeTexture("images/button.png");
    EXPECT_EQ(sprite->getTexture(), button) << "a rectangle is handed over before its image arrives";
    EXPECT_EQ(sprite->getSize(), (Vector2D<float>{0.5f, 0.5f}));
    EXPECT_EQ(textures().add(nullptr, "images/ui.png"), atlas) << "the atlas's own key answers the atlas";
    EXPECT_EQ(atlas->getUseCount(), 2);

    deliverAtlasImage("images/ui.png", solidPng(256, 128));
    EXPECT_TRUE(atlas->isLoaded());
    EXPECT_TRUE(button->isLoaded());
    EXPECT_EQ(button->getAtlasPath(), "atlas/ui.xml");
    EXPECT_EQ(atlas->getSize(), (Vector2D<unsigned>{256, 128}));
    EXPECT_EQ(button->getSize(), (Vector2D<unsigned>{32, 32}));
    EXPECT_EQ(atlas->getUseCount(), 4) << "each rectangle counts once more when it loads";
}

TEST_F(TextureManagerTest, BadAtlasFilesAreRejectedWithoutTouchingAnyTexture)
{
    Texture* existing = loadedTexture("images/button.png");
    const unsigned existingId = existing->getId();
    const std::vector<std::pair<std::string, std::string>> files{
        {"missing.xml", ""},
        {"text.xml", "not xml <"},
        {"root.xml", R"(<Atlas imagePath="a.png" width="8" height="8"/>)"},
        {"image.xml", R"(<TextureAtlas width="8" height="8"><sprite n="button.png"/></TextureAtlas>)"},
        {"wide.xml",
         R"(<TextureAtlas imagePath="a.png" width="0" height="8"><sprite n="button.png"/></TextureAtlas>)"},
        {"tall.xml", R"(<TextureAtlas imagePath="a.png" width="8"><sprite n="button.png"/></TextureAtlas>)"},
        {"name.xml",
         R"(<TextureAtlas imagePath="a.png" width="8" height="8"><sprite n="button.png"/><sprite x="1"/></TextureAtlas>)"},
    };
    for (const auto& [name, contents] : files) {
        if (!contents.empty()) {
            writeResource("atlas/" + name, contents);
        }
        testing::internal::CaptureStderr();
        EXPECT_EQ(textures().addAtlas("atlas/" + name), nullptr) << name;
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(printed.rfind("textures: the atlas atlas/" + name, 0), 0u) << printed;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    }
    EXPECT_TRUE(textures().getAtlasData().empty());
    EXPECT_EQ(textures().getTexture("images/button.png"), existing);
    EXPECT_FALSE(existing->isAtlas());
    EXPECT_EQ(existing->getId(), existingId);
}

TEST_F(TextureManagerTest, ARectangleOnALoadedImageTakesItOverInPlaceAndAnImageTakesItBack)
{
    Texture* button = loadedTexture("images/button.png");
    SpriteComponent* sprite = makeSprite();
    sprite->changeTexture("images/button.png");
    const unsigned imageName = button->getId();

    writeResource("atlas/ui.xml", ButtonAtlas);
    Texture* atlas = textures().addAtlas("atlas/ui.xml");
    EXPECT_EQ(textures().getTexture("images/button.png"), button) << "holders keep a valid texture";
    EXPECT_TRUE(button->isAtlas());
    EXPECT_EQ(button->getId(), atlas->getId());
    EXPECT_EQ(button->getUseCount(), 1) << "the count stays";
    EXPECT_EQ(gl->deleted, std::vector<unsigned>{imageName});

    // An image arriving for a key that an atlas took meanwhile.
    textures().load("images/corner.png");
    deliverImage("images/corner.png", solidPng(4, 4));
    Texture* corner = textures().getTexture("images/corner.png");
    EXPECT_FALSE(corner->isAtlas());
    EXPECT_NE(corner->getId(), atlas->getId());
    EXPECT_EQ(gl->deleted, std::vector<unsigned>{imageName})
        << "the atlas's name is still shown by button.png";
}

TEST_F(TextureManagerTest, AnImageThatFailsDropsItsRequestsAndALaterRequestReadsAgain)
{
    SpriteComponent* sprite = makeSprite();
    sprite->changeTexture("images/broken.png");
    testing::internal::CaptureStderr();
    deliverImage("images/broken.png", "not an image");
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("textures: " + key("images/broken.png"), 0), 0u);
    EXPECT_EQ(textures().getTexture("images/broken.png"), nullptr);
    EXPECT_TRUE(textures().getPendingKeys().empty());
    EXPECT_EQ(sprite->getTexture(), nullptr);
    EXPECT_EQ(gl->deleted, std::vector<unsigned>{gl->lastName}) << "its GL name goes";

    LoadRequestListener requests;
    sprite->changeTexture("images/broken.png");
    Orva::EventManager::PushAllEvents();
    EXPECT_EQ(requests.pathsFor(&textures()), std::vector<std::string>{"images/broken.png"});
}

TEST_F(TextureManagerTest, RemovingCountsDownAndOnlyTheRemoveCallsFree)
{
    Texture* used = loadedTexture("images/used.png");
    Texture* kept = loadedTexture("images/kept.png");
    const unsigned unusedName = loadedTexture("images/unused.png")->getId();
    used->incrementUseCounter();
    textures().setPersistantTexture("images/kept.png", true);
    textures().remove(kept);
    EXPECT_EQ(kept->getUseCount(), 0) << "a persistent texture is not counted down";
    textures().remove(nullptr);
    writeResource("atlas/ui.xml", ButtonAtlas);
    textures().addAtlas("atlas/ui.xml");

    textures().removeAllUnused();
    EXPECT_EQ(textures().getTexture("images/used.png"), used);
    EXPECT_EQ(textures().getTexture("images/kept.png"), kept);
    EXPECT_EQ(textures().getTexture("images/unused.png"), nullptr);
    EXPECT_NE(textures().getTexture("images/button.png"), nullptr) << "rectangles stay";
    EXPECT_EQ(textures().getAtlasData().size(), 1u) << "the atlas has users: its rectangles";
    EXPECT_EQ(gl->deleted, std::vector<unsigned>{unusedName});

    textures().remove(used);
    EXPECT_EQ(used->getUseCount(), 0);
    EXPECT_EQ(textures().getTexture("images/used.png"), used) << "remove never frees";

    Texture* button = textures().getTexture("images/button.png");
    const unsigned atlasName = button->getId();
    textures().forceRemove(button);
    EXPECT_EQ(textures().getTexture("images/button.png"), nullptr);
    EXPECT_EQ(std::count(gl->deleted.begin(), gl->deleted.end(), atlasName), 0)
        << "the atlas still shows its other rectangles";
    textures().forceRemove(kept);
    EXPECT_EQ(textures().getTexture("images/kept.png"), nullptr) << "persistence is not consulted";

    textures().forceRemoveAll();
    EXPECT_TRUE(textures().getTextureData().empty());
    EXPECT_TRUE(textures().getAtlasData().empty());
    EXPECT_EQ(std::count(gl->deleted.begin(), gl->deleted.end(), atlasName), 1);
}

TEST_F(TextureManagerTest, DeliveryServesSpritesAndEmittersSkipsPreloadsAndWithdrawnRequesters)
{
    GameObject* owner = GameObjectManager::getInstance().create();
    auto* emitter = owner->addComponent<ParticleEmitterComponent>();
    textures().load("images/spark.png");
    EXPECT_EQ(textures().addEmitter(emitter, "images/spark.png"), nullptr);
    SpriteComponent* gone = makeSprite();
    gone->changeTexture("images/spark.png");
    GameObjectManager::getInstance().destroy(gone->owner);
    SpriteComponent* moved = makeSprite();
    moved->changeTexture("images/spark.png");
    moved->changeTexture("images/other.png");

    deliverImage("images/spark.png", solidPng(4, 4));
    Texture* spark = textures().getTexture("images/spark.png");
    EXPECT_EQ(emitter->get()->getTexture(), spark);
    EXPECT_EQ(moved->getTexture(), nullptr) << "it asked for another image since";
    EXPECT_EQ(spark->getUseCount(), 2)
        << "an emitter counts twice; the preload and withdrawn sprites not at all";
    EXPECT_EQ(textures().getPendingKeys(), std::vector<std::string>{key("images/other.png")});
    auto* late = GameObjectManager::getInstance().create()->addComponent<ParticleEmitterComponent>();
    EXPECT_EQ(textures().addEmitter(late, "images/spark.png"), spark);
    EXPECT_EQ(spark->getUseCount(), 4) << "a loaded texture: the request and the emitter's own count";

    GameObjectManager::getInstance().destroy(late->owner);
    GameObjectManager::getInstance().destroy(owner);
    textures().load("images/smoke.png");
    SpriteComponent* sprite = makeSprite();
    sprite->changeTexture("images/smoke.png");
    EXPECT_EQ(textures().getPendingRequests().at(key("images/smoke.png")).size(), 2u);
    GameObjectManager::getInstance().destroy(sprite->owner);
    EXPECT_EQ(textures().getPendingRequests().at(key("images/smoke.png")).size(), 1u)
        << "the key stays pending for the preload";
}

} // namespace
