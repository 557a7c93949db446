#include <algorithm>
#include <limits>
#include <vector>

#include "SceneFixture.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"

namespace {

using Orva::Graphics::BaseSpriteComponent;
using Orva::Graphics::Layer;

class SpriteLayerTest : public SceneTest
{
protected:
    std::vector<BaseSpriteComponent*> listOf(const std::string& layer)
    {
        return viewport().getLayer(layer)->getSprites();
    }
};

TEST_F(SpriteLayerTest, ASpriteIsInAtMostOneLayer)
{
    viewport().addLayer("a");
    viewport().addLayer("b");
    TestSprite& sprite = addSprite("a", Red, makeOwner(0.0f, 0.0f));
    EXPECT_EQ(sprite.getLayer(), viewport().getLayer("a"));

    sprite.moveToLayer("b");
    EXPECT_EQ(sprite.getLayer(), viewport().getLayer("b"));
    EXPECT_TRUE(listOf("a").empty());
    EXPECT_EQ(listOf("b"), std::vector<BaseSpriteComponent*>{&sprite});

    // Adding through the layer moves it too.
    viewport().getLayer("a")->addSprite(&sprite);
    viewport().getLayer("a")->addSprite(&sprite);
    EXPECT_EQ(sprite.getLayer(), viewport().getLayer("a"));
    EXPECT_EQ(listOf("a"), std::vector<BaseSpriteComponent*>{&sprite});
    EXPECT_TRUE(listOf("b").empty());

    sprite.moveToLayer(2u);
    EXPECT_EQ(sprite.getLayer(), viewport().getLayer("b"));
    sprite.moveToLayer(3u);
    EXPECT_EQ(sprite.getLayer(), nullptr) << "past the last layer";
    EXPECT_TRUE(listOf("b").empty());
    sprite.moveToLayer("default");
    sprite.moveToLayer("nowhere");
    EXPECT_EQ(sprite.getLayer(), nullptr);
    EXPECT_TRUE(listOf("default").empty());
}

TEST_F(SpriteLayerTest, MovingToItsOwnLayerPutsTheSpriteOnTop)
{
    TestSprite& first = addSprite("default", Red, makeOwner(0.0f, 0.0f));
    TestSprite& second = addSprite("default", Green, makeOwner(0.0f, 0.0f));
    first.moveToLayer("default");
    EXPECT_EQ(listOf("default"), (std::vector<BaseSpriteComponent*>{&second, &first}));
    drawFrame();
    EXPECT_EQ(pixel(160, 120), RedPixel);
}

TEST_F(SpriteLayerTest, LeavingALayerWithOrWithoutTheList)
{
    TestSprite& kept = addSprite("default", Red, makeOwner(0.0f, 0.0f));
    TestSprite& erased = addSprite("default", Green, makeOwner(0.0f, 0.0f));
    kept.removeFromLayer(true);
    erased.removeFromLayer(false);
    EXPECT_EQ(kept.getLayer(), nullptr);
    EXPECT_EQ(erased.getLayer(), nullptr);
    EXPECT_EQ(listOf("default"), std::vector<BaseSpriteComponent*>{&kept});
    erased.removeFromLayer(false);

    viewport().getLayer("default")->removeSprite(&kept);
    viewport().getLayer("default")->removeSprite(nullptr);
    viewport().getLayer("default")->addSprite(nullptr);
    EXPECT_TRUE(listOf("default").empty());
}

TEST_F(SpriteLayerTest, ADestroyedSpriteLeavesItsLayerAndACopyIsNotInTheList)
{
    Layer* layer = viewport().getLayer("default");
    {
        TestSprite scoped(Red, renderer->getDefaultObjectShader());
        scoped.owner = makeOwner(0.0f, 0.0f);
        layer->addSprite(&scoped);
        TestSprite copy(scoped);
        EXPECT_EQ(copy.getLayer(), layer);
        EXPECT_EQ(layer->getSprites().size(), 1u);
    }
    EXPECT_TRUE(layer->getSprites().empty());
    drawFrame();
    EXPECT_EQ(pixel(160, 120), Background);
}

TEST_F(SpriteLayerTest, RemovingALayerQueuesItsSpritesOwnersForDestruction)
{
    Orva::GameObject* owner = makeOwner(0.0f, 0.0f);
    const std::uint32_t id = owner->objectID;
    TestSprite& sprite = addSprite("doomed", Red, owner);
    viewport().removeLayer("doomed");
    EXPECT_EQ(sprite.getLayer(), nullptr);
    auto& objects = Orva::GameObjectManager::getInstance();
    EXPECT_EQ(objects.findUniqueID(id), owner) << "destroyed at the next frame, not now";
    Orva::GameObjectManager::update();
    EXPECT_EQ(objects.findUniqueID(id), nullptr);

    addSprite("default", Green, makeOwner(0.0f, 0.0f));
    viewport().clearAllLayers();
    EXPECT_EQ(sprites.back().getLayer(), nullptr);
    Orva::GameObjectManager::update();
    EXPECT_TRUE(objects.getAllObjects().empty());
}

class SortTest : public SceneTest
{
protected:
    std::vector<BaseSpriteComponent*> order() { return viewport().getLayer("default")->getSprites(); }
};

TEST_F(SortTest, TheSortRunsOnEverySeventhUpdate)
{
    TestSprite& high = addSprite("default", Red, makeOwner(0.0f, 0.0f, 2.0f));
    TestSprite& low = addSprite("default", Green, makeOwner(0.0f, 0.0f, 1.0f));
    const std::vector<BaseSpriteComponent*> unsorted{&high, &low};
    const std::vector<BaseSpriteComponent*> sorted{&low, &high};
    for (int frame = 1; frame <= 6; ++frame) {
        renderer->update(0.016f);
    }
    EXPECT_EQ(order(), unsorted);
    renderer->update(0.016f);
    EXPECT_EQ(order(), sorted) << "seventh update";

    moveOwner(low.owner, 0.0f, 0.0f, 3.0f);
    for (int frame = 8; frame <= 13; ++frame) {
        renderer->update(0.016f);
    }
    EXPECT_EQ(order(), sorted);
    renderer->update(0.016f);
    EXPECT_EQ(order(), unsorted) << "fourteenth update";
}

TEST_F(SortTest, LowerDepthFirstThenSpritesThenTexturedOnesByName)
{
    Orva::Graphics::Texture nine(9, "images/nine.png");
    Orva::Graphics::Texture five(5, "images/five.png");
    const auto ownerWith = [&](Orva::Graphics::Texture* texture, float z) {
        Orva::GameObject* owner = makeOwner(0.0f, 0.0f, z);
        owner->addComponent<Orva::Graphics::SpriteComponent>()->setTexture(texture);
        return owner;
    };
    TestSprite& plain = addSprite("default", Red, makeOwner(0.0f, 0.0f));
    TestSprite& untextured = addSprite("default", Red, ownerWith(nullptr, 0.0f));
    TestSprite& texturedNine = addSprite("default", Red, ownerWith(&nine, 0.0f));
    TestSprite& texturedFive = addSprite("default", Red, ownerWith(&five, 0.00001f));
    TestSprite& deeper = addSprite("default", Red, makeOwner(0.0f, 0.0f, -0.00002f));
    viewport().sortLayers();
    EXPECT_EQ(order(), (std::vector<BaseSpriteComponent*>{&deeper, &texturedFive, &texturedNine, &untextured,
                                                          &plain}));
    // The key comes from the owner's sprite component, not from the sprite itself.
    EXPECT_TRUE(Orva::Graphics::spriteSortKey(untextured).hasSprite);
    EXPECT_FALSE(Orva::Graphics::spriteSortKey(plain).hasSprite);
    EXPECT_EQ(Orva::Graphics::spriteSortKey(texturedFive).textureId, 5u);
}

TEST_F(SortTest, SortingAnInconsistentOrderStaysInsideTheList)
{
    // Depths 4e-6 apart tie with their neighbours but not with those further away, and NaN
    // ties with everything: no strict weak ordering.
    Orva::Graphics::Texture texture(3, "images/t.png");
    for (int index = 0; index < 300; ++index) {
        Orva::GameObject* owner = makeOwner(0.0f, 0.0f, static_cast<float>(index) * 4e-6f);
        if (index % 3 == 0) {
            owner->addComponent<Orva::Graphics::SpriteComponent>()->setTexture(index % 2 == 0 ? &texture
                                                                                              : nullptr);
        }
        addSprite("default", Red, owner);
    }
    addSprite("default", Red, makeOwner(0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()));
    std::vector<BaseSpriteComponent*> input = order();
    std::reverse(input.begin(), input.end());
    Layer& layer = *viewport().getLayer("default");
    for (BaseSpriteComponent* sprite : input) {
        sprite->moveToLayer("default");
    }
    ASSERT_EQ(order(), input);
    for (int round = 0; round < 100; ++round) {
        layer.sort();
    }
    std::vector<BaseSpriteComponent*> sorted = order();
    std::sort(sorted.begin(), sorted.end());
    std::sort(input.begin(), input.end());
    EXPECT_EQ(sorted, input);
}

} // namespace
