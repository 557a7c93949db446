#pragma once

#include <map>
#include <string>
#include <type_traits>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"

namespace Orva {

namespace Graphics {
struct Color;
}

namespace detail {

// The type tags of reflected fields. 9 belongs to no type.
template <class T> inline constexpr int reflectionTag = -1;
template <> inline constexpr int reflectionTag<int> = 0;
template <> inline constexpr int reflectionTag<unsigned int> = 1;
template <> inline constexpr int reflectionTag<float> = 2;
template <> inline constexpr int reflectionTag<double> = 3;
template <> inline constexpr int reflectionTag<char> = 4;
template <> inline constexpr int reflectionTag<bool> = 5;
template <> inline constexpr int reflectionTag<std::string> = 6;
template <> inline constexpr int reflectionTag<Math::Vector2D<float>> = 7;
template <> inline constexpr int reflectionTag<Math::Vector3D<float>> = 8;
template <> inline constexpr int reflectionTag<Graphics::Color> = 10;

} // namespace detail

template <class T>
concept ReflectedType = detail::reflectionTag<T>
>= 0;

// A typed handle to one field of a live object, found by name in the object's
// getReflectibles() map: loaders write parsed values straight into the field through it.
// It never copies or owns the field, so it is valid only while that object lives.
class ORVA_API Reflectable
{
public:
    struct ORVA_API Concept
    {
        virtual ~Concept();
    };

    template <ReflectedType T> struct Model final : Concept
    {
        ORVA_POOLED_OPERATORS(Model)

        explicit Model(T* target) noexcept : target(target) {}

        T* target;
    };

    // No field; the tag is -1 until a typed handle is moved in.
    Reflectable() noexcept = default;

    template <ReflectedType T>
    explicit Reflectable(T& field) : model_(new Model<T>(&field)), tag_(detail::reflectionTag<T>)
    {
    }

    Reflectable(Reflectable&& other) noexcept;
    // Takes over the source's field (the source is left with none) and frees the one held
    // before; moving a handle onto itself changes nothing.
    Reflectable& operator=(Reflectable&& other) noexcept;
    ~Reflectable();

    int typeTag() const noexcept { return tag_; }

    // The field as T, or null when the handle holds no field or a field of another type.
    template <ReflectedType T> T* as() const noexcept
    {
        return model_ && tag_ == detail::reflectionTag<T> ? static_cast<Model<T>*>(model_)->target : nullptr;
    }

private:
    Concept* model_ = nullptr;
    int tag_ = -1;
};

using ReflectionMap = std::map<std::string, Reflectable>;

// The named field of a reflection map as T; null when the name is absent or holds another
// type. The map is left as it was.
template <ReflectedType T> T* findReflected(const ReflectionMap& properties, const std::string& name)
{
    const auto found = properties.find(name);
    return found != properties.end() ? found->second.as<T>() : nullptr;
}

} // namespace Orva
