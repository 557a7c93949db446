#pragma once

#include <map>
#include <string>

#include "core/Export.h"
#include "core/Vector.h"

namespace Orva::Graphics {

// One named value of a frame shader: 12 bytes read as a float, an int, a Vector2D<float> or
// a Vector3D<float>, with a tag saying which was stored. The float and the int share the
// first 4 bytes. Every read reinterprets the bytes whatever the tag says.
struct ORVA_API ShaderValue
{
    enum Type : int {
        Float = 0,
        Int = 1,
        Vector2 = 2,
        Vector3 = 3,
    };

    // The int 0, with all 12 bytes zero.
    ShaderValue() noexcept = default;
    explicit ShaderValue(float value) noexcept;
    explicit ShaderValue(int value) noexcept;
    explicit ShaderValue(const Math::Vector2D<float>& value) noexcept;
    explicit ShaderValue(const Math::Vector3D<float>& value) noexcept;

    float getFloat() const noexcept;
    int getInt() const noexcept;
    Math::Vector2D<float> getVector2() const noexcept;
    Math::Vector3D<float> getVector3() const noexcept;

    // Write the bytes of the value and leave the tag alone.
    void setFloat(float value) noexcept;
    void setInt(int value) noexcept;
    void setVector2(const Math::Vector2D<float>& value) noexcept;
    void setVector3(const Math::Vector3D<float>& value) noexcept;

    alignas(float) unsigned char value[12] = {};
    int type = Int;
};

// A frame shader's values by name, in name order (the order they are sent in).
class ORVA_API ShaderValueMap
{
public:
    using Map = std::map<std::string, ShaderValue>;

    // Stores the value under the name with the value's type, inserting the name if new.
    void update(const std::string& name, int value);
    void update(const std::string& name, float value);
    void update(const std::string& name, const Math::Vector2D<float>& value);
    void update(const std::string& name, const Math::Vector3D<float>& value);

    // The stored bytes read as the asked type; an absent name is first inserted as the int 0.
    int getInt(const std::string& name);
    float getFloat(const std::string& name);
    Math::Vector2D<float> getVector2(const std::string& name);
    Math::Vector3D<float> getVector3(const std::string& name);

    const Map& values() const noexcept { return values_; }

private:
    ShaderValue& find(const std::string& name) { return values_[name]; }

    Map values_;
};

} // namespace Orva::Graphics
