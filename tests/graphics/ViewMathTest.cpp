#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/ViewMath.h"

using Orva::Graphics::ViewCamera;
using Matrix = Orva::Math::Matrix44<float>;
using Vec2 = Orva::Math::Vector2D<float>;
using Size = Orva::Math::Vector2D<unsigned>;

namespace {

constexpr float Unit = 64.0f;
constexpr float InverseUnit = 1.0f / 64.0f;

// Column vector (x, y, z, 1) through the matrix.
Vec2 apply(const Matrix& matrix, float x, float y, float z = 0.0f)
{
    const float in[4] = {x, y, z, 1.0f};
    float out[2] = {};
    for (int row = 0; row < 2; ++row) {
        for (int k = 0; k < 4; ++k) {
            out[row] += matrix.m[row][k] * in[k];
        }
    }
    return {out[0], out[1]};
}

void expectMatrix(const Matrix& actual, const float (&expected)[4][4])
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(actual.m[row][column], expected[row][column]) << "element " << row * 4 + column;
        }
    }
}

ViewCamera camera(float x, float y, float scaleX, float scaleY)
{
    ViewCamera out;
    out.position = {x, y};
    out.scale = {scaleX, scaleY};
    return out;
}

} // namespace

TEST(ViewMath, OrthoTakesVerticalBoundsFirst)
{
    // b, t, l, r, n, f: a box 10 wide (l..r) and 4 high (b..t) that is off-centre on both axes.
    const Matrix ortho = Orva::Graphics::buildOrthoMatrix(1.0f, 5.0f, -2.0f, 8.0f, -1.0f, 3.0f);
    const float expected[4][4] = {
        {0.2f, 0.0f, 0.0f, -0.6f},
        {0.0f, 0.5f, 0.0f, -1.5f},
        {0.0f, 0.0f, -0.5f, -0.5f},
        {0.0f, 0.0f, 0.0f, 1.0f},
    };
    expectMatrix(ortho, expected);
    // The box's corners land on the clip-space corners.
    EXPECT_EQ(apply(ortho, -2.0f, 1.0f), Vec2(-1.0f, -1.0f));
    EXPECT_EQ(apply(ortho, 8.0f, 5.0f), Vec2(1.0f, 1.0f));
}

TEST(ViewMath, ViewportOrthoMapsPixelsAroundTheCentreToClipSpace)
{
    const Matrix ortho = Orva::Graphics::buildViewportOrtho(Size(320, 240));
    EXPECT_EQ(apply(ortho, 160.0f, -120.0f), Vec2(1.0f, -1.0f));
    EXPECT_EQ(apply(ortho, 0.0f, 0.0f), Vec2(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(ortho.m[2][2], -1e-6f);
}

TEST(ViewMath, LookAtDownMinusZIsTheIdentityAndOtherViewsAreRigid)
{
    const float identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    expectMatrix(Orva::Graphics::buildLookAtMatrix({0, 0, 0}, {0, 0, -1}, {0, 1, 0}), identity);

    // From (0, 0, 5) looking at the origin: a translation by -5 in z, the eye ends at the origin.
    const Matrix moved = Orva::Graphics::buildLookAtMatrix({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
    const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, -5}, {0, 0, 0, 1}};
    expectMatrix(moved, expected);

    // Looking down -x with y up: world -x becomes view -z, world -z is to the right (view x).
    const Matrix sideways = Orva::Graphics::buildLookAtMatrix({0, 0, 0}, {-1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(sideways.m[0][2], -1.0f);
    EXPECT_EQ(sideways.m[2][0], 1.0f);
    EXPECT_EQ(sideways.m[1][1], 1.0f);
}

TEST(ViewMath, CameraMatrixScalesByZoomTimesUnitAfterMovingTheCameraToTheOrigin)
{
    const Matrix cameraMatrix = Orva::Graphics::computeCameraMatrix(camera(1.0f, 2.0f, 2.0f, 3.0f), Unit);
    const float expected[4][4] = {{128, 0, 0, -128}, {0, 192, 0, -384}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    expectMatrix(cameraMatrix, expected);
    EXPECT_EQ(apply(cameraMatrix, 1.0f, 2.0f), Vec2(0.0f, 0.0f));
}

TEST(ViewMath, ScreenAndWorldConversionsUseDifferentYOrigins)
{
    const ViewCamera view = camera(1.0f, 2.0f, 2.0f, 2.0f);
    const Size size(320, 240);
    EXPECT_EQ(Orva::Graphics::screenToWorld({0.0f, 0.0f}, size, view, InverseUnit), Vec2(-0.25f, 2.9375f));
    EXPECT_EQ(Orva::Graphics::worldToScreen({0.0f, 0.0f}, size, view, Unit), Vec2(32.0f, -136.0f));

    // The window centre is the camera, both ways.
    EXPECT_EQ(Orva::Graphics::screenToWorld({160.0f, 120.0f}, size, view, InverseUnit), Vec2(1.0f, 2.0f));
    EXPECT_EQ(Orva::Graphics::worldToScreen({1.0f, 2.0f}, size, view, Unit), Vec2(160.0f, 120.0f));

    // Going down the window goes down the world, but up the returned pixels: the round trip
    // mirrors y about the centre.
    const Vec2 world = Orva::Graphics::screenToWorld({200.0f, 40.0f}, size, view, InverseUnit);
    EXPECT_EQ(Orva::Graphics::worldToScreen(world, size, view, Unit), Vec2(200.0f, 200.0f));
}

TEST(ViewMath, ResizeKeepsTheSizeForTheSameOrAZeroRequest)
{
    using Orva::Graphics::resizedViewportSize;
    EXPECT_FALSE(resizedViewportSize(Size(320, 240), Size(320, 240)));
    EXPECT_FALSE(resizedViewportSize(Size(320, 240), Size(0, 0)));
    EXPECT_FALSE(resizedViewportSize(Size(320, 240), Size(640, 0)));
    EXPECT_FALSE(resizedViewportSize(Size(0, 0), Size(0, 0)));
}

TEST(ViewMath, ResizeFromAZeroAxisTakesTheNewSizeAsItIs)
{
    using Orva::Graphics::resizedViewportSize;
    EXPECT_EQ(resizedViewportSize(Size(0, 0), Size(640, 480)), Size(640, 480));
    EXPECT_EQ(resizedViewportSize(Size(0, 240), Size(640, 480)), Size(640, 480));
}

TEST(ViewMath, ResizeScalesTheOldSizeInSinglePrecisionAndTruncates)
{
    using Orva::Graphics::resizedViewportSize;
    EXPECT_EQ(resizedViewportSize(Size(320, 240), Size(640, 480)), Size(640, 480));
    // 7 × (31 / 7) falls just short of 31 in single precision: one pixel less.
    EXPECT_EQ(resizedViewportSize(Size(7, 240), Size(31, 480)), Size(30, 480));
    EXPECT_EQ(resizedViewportSize(Size(800, 600), Size(1024, 768)), Size(1024, 768));
}

TEST(ViewMath, HalfViewUsesTheIntegerHalfOfTheSize)
{
    using Orva::Graphics::halfViewExtent;
    EXPECT_EQ(halfViewExtent(Size(320, 240), {1.0f, 1.0f}, InverseUnit), Vec2(2.5f, 1.875f));
    // 321 / 2 is 160, not 160.5.
    EXPECT_EQ(halfViewExtent(Size(321, 241), {1.0f, 1.0f}, InverseUnit), Vec2(2.5f, 1.875f));
    // Zooming in by 2 halves what is seen.
    EXPECT_EQ(halfViewExtent(Size(320, 240), {2.0f, 4.0f}, InverseUnit), Vec2(1.25f, 0.46875f));
}

TEST(ViewMath, ABoxTouchingTheViewEdgeIsInsideAndAHairFurtherIsNot)
{
    using Orva::Graphics::overlapsView;
    const Vec2 halfView(2.5f, 1.875f);
    const Vec2 halfSize(0.5f, 0.5f);
    EXPECT_TRUE(overlapsView({-3.0f, 0.0f}, halfSize, halfView));
    EXPECT_FALSE(overlapsView({-3.0001f, 0.0f}, halfSize, halfView));
    EXPECT_TRUE(overlapsView({3.0f, 0.0f}, halfSize, halfView));
    EXPECT_FALSE(overlapsView({3.0001f, 0.0f}, halfSize, halfView));
    EXPECT_TRUE(overlapsView({0.0f, 2.375f}, halfSize, halfView));
    EXPECT_FALSE(overlapsView({0.0f, -2.376f}, halfSize, halfView));
}

TEST(ViewMath, NaNIsNeverInView)
{
    using Orva::Graphics::overlapsView;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Vec2 halfView(2.5f, 1.875f);
    EXPECT_FALSE(overlapsView({nan, 0.0f}, {0.5f, 0.5f}, halfView));
    EXPECT_FALSE(overlapsView({0.0f, 0.0f}, {0.5f, nan}, halfView));
    // An infinite box covers everything.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(overlapsView({100.0f, 100.0f}, {inf, inf}, halfView));
}
