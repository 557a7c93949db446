#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "PoolFixture.h"
#include "core/Reflectable.h"
#include "core/TypeName.h"
#include "graphics/Color.h"
#include "world/BaseComponent.h"

using Orva::findReflected;
using Orva::Reflectable;
using Orva::ReflectionMap;
using Orva::Graphics::Color;
using Vec3 = Orva::Math::Vector3D<float>;

namespace ReflectProbe {

// A provider shaped like the transform component.
struct Transform : Orva::BaseComponent
{
    Vec3 translation{1.0f, 2.0f, 3.0f};
    float rotation = 0.5f;
    Vec3 scale{1.0f, 1.0f, 1.0f};
    Color tint;

    ReflectionMap getReflectibles() override
    {
        ReflectionMap properties;
        properties["LocalTranslation"] = Reflectable(translation);
        properties["LocalRotationRad"] = Reflectable(rotation);
        properties["LocalScale"] = Reflectable(scale);
        properties["Tint"] = Reflectable(tint);
        properties["Active"] = Reflectable(active);
        return properties;
    }
};

} // namespace ReflectProbe

using ReflectProbe::Transform;

class Reflection : public PooledTest
{
protected:
    template <class T> int liveModels() const
    {
        return Orva::MemoryPoolManager::getInstance().liveCount(Orva::typeName<Reflectable::Model<T>>());
    }
};

TEST_F(Reflection, EachTypeCarriesItsTagAndTagNineBelongsToNone)
{
    int i = 0;
    unsigned u = 0;
    float f = 0;
    double d = 0;
    char c = 0;
    bool b = false;
    std::string s;
    Orva::Math::Vector2D<float> v2;
    Vec3 v3;
    Color color;
    EXPECT_EQ(Reflectable().typeTag(), -1);
    EXPECT_EQ(Reflectable(i).typeTag(), 0);
    EXPECT_EQ(Reflectable(u).typeTag(), 1);
    EXPECT_EQ(Reflectable(f).typeTag(), 2);
    EXPECT_EQ(Reflectable(d).typeTag(), 3);
    EXPECT_EQ(Reflectable(c).typeTag(), 4);
    EXPECT_EQ(Reflectable(b).typeTag(), 5);
    EXPECT_EQ(Reflectable(s).typeTag(), 6);
    EXPECT_EQ(Reflectable(v2).typeTag(), 7);
    EXPECT_EQ(Reflectable(v3).typeTag(), 8);
    EXPECT_EQ(Reflectable(color).typeTag(), 10);
}

TEST_F(Reflection, AHandleReadsOnlyAsItsOwnType)
{
    int value = 3;
    const Reflectable handle(value);
    ASSERT_NE(handle.as<int>(), nullptr);
    EXPECT_EQ(handle.as<int>(), &value);
    EXPECT_EQ(handle.as<float>(), nullptr);
    EXPECT_EQ(handle.as<unsigned int>(), nullptr);
    EXPECT_EQ(Reflectable().as<int>(), nullptr);
}

TEST_F(Reflection, MovingHandsTheModelOverAndFreesTheOneReplaced)
{
    float first = 1.0f;
    int second = 2;
    Reflectable entry(first);
    EXPECT_EQ(liveModels<float>(), 1);

    entry = Reflectable(second);
    EXPECT_EQ(liveModels<float>(), 0) << "the model it held is freed";
    EXPECT_EQ(liveModels<int>(), 1);
    EXPECT_EQ(entry.typeTag(), 0);
    EXPECT_EQ(entry.as<int>(), &second);

    Reflectable& alias = entry;
    entry = std::move(alias);
    EXPECT_EQ(entry.as<int>(), &second) << "a self-move keeps the model";
    EXPECT_EQ(liveModels<int>(), 1);

    Reflectable taken(std::move(entry));
    EXPECT_EQ(entry.as<int>(), nullptr);
    EXPECT_EQ(taken.as<int>(), &second);
    EXPECT_EQ(liveModels<int>(), 1);
}

TEST_F(Reflection, AWriteThroughTheMapChangesTheObject)
{
    Transform transform;
    {
        const ReflectionMap properties = transform.getReflectibles();
        Vec3* scale = findReflected<Vec3>(properties, "LocalScale");
        ASSERT_NE(scale, nullptr);
        *scale = Vec3(2.0f, 3.0f, 4.0f);
        *findReflected<Color>(properties, "Tint") = Color(0.5f, 0.25f, 0.0f, 1.0f);
        *findReflected<bool>(properties, "Active") = false;
    }
    EXPECT_EQ(transform.scale, Vec3(2.0f, 3.0f, 4.0f));
    EXPECT_EQ(transform.tint, Color(0.5f, 0.25f, 0.0f, 1.0f));
    EXPECT_FALSE(transform.active);
    EXPECT_EQ(liveModels<Vec3>(), 0) << "dropping the map frees every model, never the fields";

    const ReflectionMap again = transform.getReflectibles();
    EXPECT_EQ(findReflected<Vec3>(again, "LocalScale")->z, 4.0f);
    EXPECT_EQ(*findReflected<float>(again, "LocalRotationRad"), 0.5f);
}

TEST_F(Reflection, LookupsOfAbsentNamesOrOtherTypesFindNothingAndInsertNothing)
{
    Transform transform;
    const ReflectionMap properties = transform.getReflectibles();
    EXPECT_EQ(findReflected<float>(properties, "Volume"), nullptr);
    EXPECT_EQ(findReflected<float>(properties, "LocalScale"), nullptr);
    EXPECT_EQ(properties.size(), 5u);
}

TEST_F(Reflection, APlainComponentOffersNoProperties)
{
    Orva::BaseComponent component;
    EXPECT_TRUE(component.getReflectibles().empty());
    EXPECT_TRUE(component.active);
    EXPECT_EQ(component.owner, nullptr);
}
