#include "graphics/ShaderValue.h"

#include <cstring>

namespace Orva::Graphics {

namespace {

template <class T> T readBytes(const unsigned char (&bytes)[12]) noexcept
{
    static_assert(sizeof(T) <= sizeof bytes);
    T out;
    std::memcpy(&out, bytes, sizeof out);
    return out;
}

template <class T> void writeBytes(unsigned char (&bytes)[12], const T& in) noexcept
{
    static_assert(sizeof(T) <= sizeof bytes);
    std::memcpy(bytes, &in, sizeof in);
}

} // namespace

ShaderValue::ShaderValue(float value) noexcept : type(Float)
{
    setFloat(value);
}

ShaderValue::ShaderValue(int value) noexcept : type(Int)
{
    setInt(value);
}

ShaderValue::ShaderValue(const Math::Vector2D<float>& value) noexcept : type(Vector2)
{
    setVector2(value);
}

ShaderValue::ShaderValue(const Math::Vector3D<float>& value) noexcept : type(Vector3)
{
    setVector3(value);
}

float ShaderValue::getFloat() const noexcept
{
    return readBytes<float>(value);
}

int ShaderValue::getInt() const noexcept
{
    return readBytes<int>(value);
}

Math::Vector2D<float> ShaderValue::getVector2() const noexcept
{
    float xy[2];
    std::memcpy(xy, value, sizeof xy);
    return {xy[0], xy[1]};
}

Math::Vector3D<float> ShaderValue::getVector3() const noexcept
{
    float xyz[3];
    std::memcpy(xyz, value, sizeof xyz);
    return {xyz[0], xyz[1], xyz[2]};
}

void ShaderValue::setFloat(float in) noexcept
{
    writeBytes(value, in);
}

void ShaderValue::setInt(int in) noexcept
{
    writeBytes(value, in);
}

void ShaderValue::setVector2(const Math::Vector2D<float>& in) noexcept
{
    const float xy[2] = {in.x, in.y};
    writeBytes(value, xy);
}

void ShaderValue::setVector3(const Math::Vector3D<float>& in) noexcept
{
    const float xyz[3] = {in.x, in.y, in.z};
    writeBytes(value, xyz);
}

void ShaderValueMap::update(const std::string& name, int value)
{
    find(name) = ShaderValue(value);
}

void ShaderValueMap::update(const std::string& name, float value)
{
    find(name) = ShaderValue(value);
}

void ShaderValueMap::update(const std::string& name, const Math::Vector2D<float>& value)
{
    find(name) = ShaderValue(value);
}

void ShaderValueMap::update(const std::string& name, const Math::Vector3D<float>& value)
{
    find(name) = ShaderValue(value);
}

int ShaderValueMap::getInt(const std::string& name)
{
    return find(name).getInt();
}

float ShaderValueMap::getFloat(const std::string& name)
{
    return find(name).getFloat();
}

Math::Vector2D<float> ShaderValueMap::getVector2(const std::string& name)
{
    return find(name).getVector2();
}

Math::Vector3D<float> ShaderValueMap::getVector3(const std::string& name)
{
    return find(name).getVector3();
}

} // namespace Orva::Graphics
