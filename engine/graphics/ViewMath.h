#pragma once

#include <optional>

#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/Vector.h"

// The viewport's arithmetic, free of OpenGL: projection, camera, the two screen/world
// conversions, the resize rule and the visibility test of layer drawing. Matrices are
// row-major for column vectors (Matrix44).
namespace Orva::Graphics {

// Orthographic projection from the two vertical bounds, then the two horizontal ones, then
// near and far.
ORVA_API Math::Matrix44<float> buildOrthoMatrix(float bottom, float top, float left, float right,
                                                float nearPlane, float farPlane) noexcept;
// A view looking from eye towards target with the given up direction.
ORVA_API Math::Matrix44<float> buildLookAtMatrix(const Math::Vector3D<float>& eye,
                                                 const Math::Vector3D<float>& target,
                                                 const Math::Vector3D<float>& up) noexcept;
// The projection of a viewport of that size: pixels centred on the origin, depth ±1000000.
ORVA_API Math::Matrix44<float> buildViewportOrtho(const Math::Vector2D<unsigned>& size) noexcept;

// Where the camera looks and how much it magnifies (2 draws everything twice as large).
struct ViewCamera
{
    Math::Vector2D<float> position{0.0f, 0.0f};
    Math::Vector2D<float> scale{1.0f, 1.0f};
};

// World units to pixels around the camera: scale(camera scale × unitSize) × translation(−camera).
ORVA_API Math::Matrix44<float> computeCameraMatrix(const ViewCamera& camera, float unitSize) noexcept;

// Window pixels (origin top-left, y down) to world units.
ORVA_API Math::Vector2D<float> screenToWorld(const Math::Vector2D<float>& pixel,
                                             const Math::Vector2D<unsigned>& size, const ViewCamera& camera,
                                             float inverseUnitSize) noexcept;
// World units to pixels with the origin at the bottom-left and y up: not the inverse of
// screenToWorld in y.
ORVA_API Math::Vector2D<float> worldToScreen(const Math::Vector2D<float>& world,
                                             const Math::Vector2D<unsigned>& size, const ViewCamera& camera,
                                             float unitSize) noexcept;

// The viewport size after the window's client area became `requested`, or nothing when the
// viewport keeps its size: the same size, or an axis of 0 (a minimised window). An axis that
// was 0 takes the new size as it is; the others scale the old size by new / old in single
// precision.
ORVA_API std::optional<Math::Vector2D<unsigned>>
resizedViewportSize(const Math::Vector2D<unsigned>& current,
                    const Math::Vector2D<unsigned>& requested) noexcept;

// Half the visible area in world units around the camera; the pixel half size is the
// integer half of the viewport size.
ORVA_API Math::Vector2D<float> halfViewExtent(const Math::Vector2D<unsigned>& size,
                                              const Math::Vector2D<float>& cameraScale,
                                              float inverseUnitSize) noexcept;

// Whether a box of half size `halfSize` whose centre lies `offset` from the camera touches
// the view of half size `halfView`; touching the edge counts, and NaN never does.
ORVA_API bool overlapsView(const Math::Vector2D<float>& offset, const Math::Vector2D<float>& halfSize,
                           const Math::Vector2D<float>& halfView) noexcept;

} // namespace Orva::Graphics
