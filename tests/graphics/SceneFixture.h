#pragma once

#include <deque>
#include <string>

#include "GLFixture.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/Layer.h"
#include "graphics/ObjectShader.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/TransformComponent.h"

// Stands in for the sprites of later work: the unit quad in one colour, untextured, drawn with
// the default object shader and placed by the owner's world matrix. Counts its draws.
class TestSprite : public Orva::Graphics::BaseSpriteComponent
{
public:
    TestSprite(const Orva::Graphics::Color& color, Orva::Graphics::ObjectShader* shader)
        : color(color), shader(shader)
    {
    }

    Orva::Graphics::ObjectShader* getShader() override { return shader; }

    bool draw(const Orva::Math::Matrix44<float>& /*projectionView*/) override
    {
        ++draws;
        shader->setUniformMatrix4f("MVP", owner->getTransform()->getWorldMatrix());
        shader->setUniform1i("hasTexture", 0);
        shader->setUniformColor("inColor", color);
        return true;
    }

    Orva::Graphics::Color color;
    Orva::Graphics::ObjectShader* shader;
    int draws = 0;
};

// GLTest with game objects to own test sprites. Red and green are full colours.
class SceneTest : public GLTest
{
protected:
    static constexpr Orva::Graphics::Color Red{1.0f, 0.0f, 0.0f, 1.0f};
    static constexpr Orva::Graphics::Color Green{0.0f, 1.0f, 0.0f, 1.0f};
    static constexpr Rgb RedPixel{255, 0, 0};
    static constexpr Rgb GreenPixel{0, 255, 0};

    // A root object with a transform at (x, y, z) of uniform scale.
    static Orva::GameObject* makeOwner(float x, float y, float z = 0.0f, float scale = 1.0f)
    {
        Orva::GameObject* owner = Orva::GameObjectManager::getInstance().create();
        Orva::TransformComponent* transform = owner->addComponent<Orva::TransformComponent>();
        transform->setLocalTranslation({x, y, z});
        transform->setLocalScale({scale, scale, 1.0f});
        transform->forceUpdate();
        return owner;
    }

    static void moveOwner(Orva::GameObject* owner, float x, float y, float z = 0.0f)
    {
        owner->getTransform()->setLocalTranslation({x, y, z});
        owner->getTransform()->forceUpdate();
    }

    // A sprite of the colour on the named layer (made when missing), owned by `owner`.
    TestSprite& addSprite(const std::string& layer, const Orva::Graphics::Color& color,
                          Orva::GameObject* owner, Orva::Graphics::ObjectShader* shader = nullptr)
    {
        TestSprite& sprite =
            sprites.emplace_back(color, shader ? shader : renderer->getDefaultObjectShader());
        sprite.owner = owner;
        viewport().addLayer(layer)->addSprite(&sprite);
        return sprite;
    }

    // Outlive the renderer, whose layers let go of them first.
    std::deque<TestSprite> sprites;
};
