#include "graphics/ViewMath.h"

namespace Orva::Graphics {

namespace {

constexpr float DepthRange = 1000000.0f;

Math::Vector3D<float> minus(const Math::Vector3D<float>& a, const Math::Vector3D<float>& b) noexcept
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

} // namespace

Math::Matrix44<float> buildOrthoMatrix(float b, float t, float l, float r, float n, float f) noexcept
{
    Math::Matrix44<float> out;
    out.m[0][0] = 2.0f / (r - l);
    out.m[1][1] = 2.0f / (t - b);
    out.m[2][2] = -2.0f / (f - n);
    out.m[0][3] = -(l + r) / (r - l);
    out.m[1][3] = -(b + t) / (t - b);
    out.m[2][3] = -(n + f) / (f - n);
    return out;
}

Math::Matrix44<float> buildLookAtMatrix(const Math::Vector3D<float>& eye, const Math::Vector3D<float>& target,
                                        const Math::Vector3D<float>& up) noexcept
{
    const Math::Vector3D<float> f = minus(target, eye).normalized();
    const Math::Vector3D<float> s = f.cross(up).normalized();
    const Math::Vector3D<float> u = s.cross(f);
    Math::Matrix44<float> out;
    const float rows[3][4] = {
        {s.x, s.y, s.z, -s.dot(eye)},
        {u.x, u.y, u.z, -u.dot(eye)},
        {-f.x, -f.y, -f.z, f.dot(eye)},
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            out.m[row][column] = rows[row][column];
        }
    }
    return out;
}

Math::Matrix44<float> buildViewportOrtho(const Math::Vector2D<unsigned>& size) noexcept
{
    const float w = static_cast<float>(size.x);
    const float h = static_cast<float>(size.y);
    return buildOrthoMatrix(-h / 2.0f, h / 2.0f, -w / 2.0f, w / 2.0f, -DepthRange, DepthRange);
}

Math::Matrix44<float> computeCameraMatrix(const ViewCamera& camera, float unitSize) noexcept
{
    return Math::Matrix44<float>::scale(camera.scale.x * unitSize, camera.scale.y * unitSize, 1.0f) *
           Math::Matrix44<float>::translation(-camera.position.x, -camera.position.y, 0.0f);
}

Math::Vector2D<float> screenToWorld(const Math::Vector2D<float>& pixel, const Math::Vector2D<unsigned>& size,
                                    const ViewCamera& camera, float inverseUnitSize) noexcept
{
    const float w = static_cast<float>(size.x);
    const float h = static_cast<float>(size.y);
    return {(pixel.x - w * 0.5f) / camera.scale.x * inverseUnitSize + camera.position.x,
            camera.position.y - (pixel.y - h * 0.5f) / camera.scale.y * inverseUnitSize};
}

Math::Vector2D<float> worldToScreen(const Math::Vector2D<float>& world, const Math::Vector2D<unsigned>& size,
                                    const ViewCamera& camera, float unitSize) noexcept
{
    const float w = static_cast<float>(size.x);
    const float h = static_cast<float>(size.y);
    return {(world.x - camera.position.x) * unitSize * camera.scale.x + w * 0.5f,
            (world.y - camera.position.y) * unitSize * camera.scale.y + h * 0.5f};
}

std::optional<Math::Vector2D<unsigned>>
resizedViewportSize(const Math::Vector2D<unsigned>& current,
                    const Math::Vector2D<unsigned>& requested) noexcept
{
    if (requested.x == 0 || requested.y == 0 || (requested.x == current.x && requested.y == current.y)) {
        return std::nullopt;
    }
    const auto axis = [](unsigned old, unsigned wanted) {
        if (old == 0) {
            return wanted;
        }
        const float oldSize = static_cast<float>(old);
        return static_cast<unsigned>(oldSize * (static_cast<float>(wanted) / oldSize));
    };
    return Math::Vector2D<unsigned>(axis(current.x, requested.x), axis(current.y, requested.y));
}

Math::Vector2D<float> halfViewExtent(const Math::Vector2D<unsigned>& size,
                                     const Math::Vector2D<float>& cameraScale, float inverseUnitSize) noexcept
{
    return {inverseUnitSize * (1.0f / cameraScale.x) * static_cast<float>(size.x / 2),
            inverseUnitSize * (1.0f / cameraScale.y) * static_cast<float>(size.y / 2)};
}

bool overlapsView(const Math::Vector2D<float>& offset, const Math::Vector2D<float>& halfSize,
                  const Math::Vector2D<float>& halfView) noexcept
{
    return offset.x + halfSize.x >= -halfView.x && offset.x - halfSize.x <= halfView.x &&
           offset.y - halfSize.y <= halfView.y && offset.y + halfSize.y >= -halfView.y;
}

} // namespace Orva::Graphics
