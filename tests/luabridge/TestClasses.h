#pragma once

#include <lua.hpp>

#include <string>

#include "luabridge/LuaBridge.h"

// Small classes exercising each way a type crosses into scripts.

// By value; counts its lifetimes so that tests can see copies and collections.
struct Vec
{
    static inline int constructed = 0;
    static inline int destroyed = 0;
    static int alive() { return constructed - destroyed; }

    Vec() { ++constructed; }
    Vec(float px, float py) : x(px), y(py) { ++constructed; }
    Vec(const Vec& other) : x(other.x), y(other.y) { ++constructed; }
    Vec& operator=(const Vec&) = default;
    ~Vec() { ++destroyed; }

    Vec& add(const Vec& other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }
    Vec scaled(float factor) const { return {x * factor, y * factor}; }
    static Vec make(float px, float py) { return {px, py}; }

    float x = 0;
    float y = 0;
};

template <> struct luabridge::ByValue<Vec> : std::true_type
{
};

// By pointer, owned by C++.
struct Holder
{
    Vec& position() { return pos; }
    int getCount() const { return count; }
    void setCount(int value) { count = value * 10; }

    Vec pos;
    const int id = 7;
    int count = 0;
    std::string name;
    Holder* next = nullptr;
};

// Tag comes first, so Base sits at a non-zero offset inside Derived.
struct Tag
{
    virtual ~Tag() = default;
    int tag = 1;
};

struct Base
{
    virtual ~Base() = default;
    int baseValue() const { return value; }
    int value = 5;
};

struct Derived : Tag, Base
{
    int extra = 3;
};

// Derives from Base in C++ but is registered without it.
struct Loose : Base
{
};

// Registered by no test.
struct Unregistered
{
};

inline void registerTestClasses(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("A")
        .beginClass<Vec>("Vec")
        .addConstructor<void (*)()>()
        .addData("x", &Vec::x)
        .addData("y", &Vec::y)
        .addFunction("add", &Vec::add)
        .addFunction("scaled", &Vec::scaled)
        .addStaticFunction("make", &Vec::make)
        .endClass()
        .beginClass<Holder>("Holder")
        .addData("pos", &Holder::pos)
        .addData("id", &Holder::id)
        .addData("name", &Holder::name)
        .addData("next", &Holder::next)
        .addProperty("count", &Holder::getCount, &Holder::setCount)
        .addFunction("position", &Holder::position)
        .endClass()
        .beginClass<Base>("Base")
        .addData("value", &Base::value)
        .addFunction("baseValue", &Base::baseValue)
        .endClass()
        .beginClass<Loose>("Loose")
        .endClass()
        .endNamespace()
        .beginNamespace("B")
        .deriveClass<Derived, Base>("Derived")
        .addData("extra", &Derived::extra)
        .endClass()
        .endNamespace();
}
