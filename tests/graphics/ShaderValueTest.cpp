#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "graphics/EngineShaders.h"
#include "graphics/ObjectShader.h"
#include "graphics/ShaderValue.h"

using Orva::Graphics::ShaderValue;
using Orva::Graphics::ShaderValueMap;
using Vec2 = Orva::Math::Vector2D<float>;
using Vec3 = Orva::Math::Vector3D<float>;

TEST(ShaderValue, DefaultIsTheIntZeroWithEveryByteZero)
{
    const ShaderValue value;
    EXPECT_EQ(value.type, ShaderValue::Int);
    EXPECT_EQ(value.getInt(), 0);
    EXPECT_EQ(value.getVector3(), Vec3(0.0f, 0.0f, 0.0f));
    const unsigned char zeros[12] = {};
    EXPECT_EQ(std::memcmp(value.value, zeros, sizeof zeros), 0);
}

TEST(ShaderValue, FloatAndIntShareTheFirstFourBytes)
{
    ShaderValue value(1.0f);
    EXPECT_EQ(value.type, ShaderValue::Float);
    EXPECT_EQ(value.getInt(), 1065353216);
    value.setInt(0x40490FDB);
    EXPECT_EQ(value.getFloat(), 3.14159274f);
    EXPECT_EQ(value.type, ShaderValue::Float) << "writing the bytes leaves the tag";
}

TEST(ShaderValue, AVectorFillsItsBytesAndShorterReadsTakeTheFront)
{
    const ShaderValue value(Vec3(1.5f, -2.0f, 8.0f));
    EXPECT_EQ(value.type, ShaderValue::Vector3);
    EXPECT_EQ(value.getVector3(), Vec3(1.5f, -2.0f, 8.0f));
    EXPECT_EQ(value.getVector2(), Vec2(1.5f, -2.0f));
    EXPECT_EQ(value.getFloat(), 1.5f);

    ShaderValue pair(Vec2(4.0f, 5.0f));
    EXPECT_EQ(pair.type, ShaderValue::Vector2);
    EXPECT_EQ(pair.getVector3(), Vec3(4.0f, 5.0f, 0.0f));
}

TEST(ShaderValueMap, ReadingAnAbsentNameInsertsTheIntZero)
{
    ShaderValueMap values;
    EXPECT_EQ(values.getInt("missing"), 0);
    ASSERT_EQ(values.values().count("missing"), 1u);
    EXPECT_EQ(values.values().at("missing").type, ShaderValue::Int);
    // The zeroed bytes make every other read of a new name zero too.
    EXPECT_EQ(values.getVector2("alsoMissing"), Vec2(0.0f, 0.0f));
    EXPECT_EQ(values.getVector3("third"), Vec3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(values.getFloat("fourth"), 0.0f);
    EXPECT_EQ(values.values().size(), 4u);
}

TEST(ShaderValueMap, UpdateReplacesValueAndTypeAndReadsIgnoreTheType)
{
    ShaderValueMap values;
    values.update("time", 1.0f);
    EXPECT_EQ(values.getInt("time"), 1065353216);
    values.update("time", Vec3(0.25f, 0.5f, 0.75f));
    EXPECT_EQ(values.values().at("time").type, ShaderValue::Vector3);
    EXPECT_EQ(values.getVector3("time"), Vec3(0.25f, 0.5f, 0.75f));
    // A shorter value over a longer one: the bytes past it are zero again.
    values.update("time", 7);
    EXPECT_EQ(values.getVector3("time").y, 0.0f);
    EXPECT_EQ(values.getInt("time"), 7);
    EXPECT_EQ(values.values().size(), 1u);
}

TEST(ShaderValueMap, ValuesAreKeptInNameOrder)
{
    ShaderValueMap values;
    values.update("zoom", 2.0f);
    values.update("alpha", 1);
    values.update("Mid", Vec2(1.0f, 2.0f));
    std::string order;
    for (const auto& [name, value] : values.values()) {
        order += name + ",";
    }
    EXPECT_EQ(order, "Mid,alpha,zoom,");
}

TEST(ShaderPaths, SplitAtTheFirstBar)
{
    using Orva::Graphics::splitShaderPaths;
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(splitShaderPaths("shaders/a.vert|shaders/a.frag"), Pair("shaders/a.vert", "shaders/a.frag"));
    EXPECT_EQ(splitShaderPaths("a|b|c"), Pair("a", "b|c"));
    EXPECT_EQ(splitShaderPaths("|b"), Pair("", "b"));
    EXPECT_EQ(splitShaderPaths("a|"), Pair("a", ""));
}

TEST(ShaderPaths, WithoutABarOneFileServesBothStages)
{
    using Orva::Graphics::splitShaderPaths;
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(splitShaderPaths("shaders/both.glsl"), Pair("shaders/both.glsl", "shaders/both.glsl"));
    EXPECT_EQ(splitShaderPaths(""), Pair("", ""));
}

TEST(EngineShaders, SourcesHaveTheirExactLengthsAndOneNewlineEach)
{
    namespace Sources = Orva::Graphics::ShaderSources;
    const std::string sources[] = {Sources::DefaultObjectVertex, Sources::DefaultObjectFragment,
                                   Sources::ScreenPassVertex, Sources::ScreenPassFragment};
    const std::size_t lengths[] = {760, 297, 233, 187};
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(sources[index].size(), lengths[index]) << "source " << index;
        EXPECT_EQ(std::count(sources[index].begin(), sources[index].end(), '\n'), 1) << "source " << index;
        EXPECT_NE(sources[index].find("#version 330 core\n"), std::string::npos);
    }
    EXPECT_EQ(std::string(Sources::ScreenPassVertex).rfind("\t\t\t\t#version", 0), 0u);
    EXPECT_EQ(std::string(Sources::DefaultObjectVertex).rfind("#version", 0), 0u);
}
