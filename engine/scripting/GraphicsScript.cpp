#include <lua.hpp>

#include <cstdint>
#include <string>
#include <type_traits>

#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "graphics/ObjectShader.h"
#include "graphics/Renderer.h"
#include "graphics/ShaderValue.h"
#include "graphics/Viewport.h"
#include "luabridge/Namespace.h"
#include "scripting/ScriptInterface.h"
#include "window/Window.h"
#include "world/ResourceManager.h"

// The drawing pipeline's classes in "Graphics": the window, the renderer with its viewport and
// layers, shaders and their values, colours.
namespace Orva::Scripting {

namespace {

using Graphics::Color;
using Graphics::FrameShader;
using Graphics::Layer;
using Graphics::ObjectShader;
using Graphics::Renderer;
using Graphics::ShaderValue;
using Graphics::Viewport;

// Scripts cannot choose the program in use, so their uniform setters write into the shader's
// own program, leaving the one in use current; a shader that is not ready takes nothing.
template <class Value> auto ownProgramSetter(void (ObjectShader::*set)(const char*, Value) const)
{
    return [set](const ObjectShader& shader, const std::string& name, std::remove_cvref_t<Value> value) {
        const Graphics::ScopedProgram program(shader);
        if (program.isActive()) {
            (shader.*set)(name.c_str(), value);
        }
    };
}

// "vertex|fragment" paths of a frame shader, each half checked.
bool acceptShaderPaths(const std::string& paths, const char* function)
{
    const auto [vertex, fragment] = Graphics::splitShaderPaths(paths);
    return acceptScriptPath(vertex, function) && acceptScriptPath(fragment, function);
}

// The frame-shader functions of viewports (on their first layer) and layers. Adding one loads
// its files; removing by name and "removeFrameShaderByName" are the same.
template <class Owner> luabridge::Class<Owner>& addFrameShaderFunctions(luabridge::Class<Owner>& registration)
{
    return registration
        .addFunction("addFrameShader",
                     [](Owner& owner, const std::string& name, const std::string& paths,
                        unsigned textureCount, int dependency) {
                         if (acceptShaderPaths(paths, "addFrameShader")) {
                             owner.addFrameShader(name, paths, textureCount, dependency);
                         }
                     })
        .addFunction("getFrameShader", &Owner::getFrameShader)
        .addFunction("removeFrameShaderByID",
                     static_cast<void (Owner::*)(std::uint32_t)>(&Owner::removeFrameShader))
        .addFunction("removeFrameShaderByName",
                     static_cast<void (Owner::*)(const std::string&)>(&Owner::removeFrameShader))
        .addFunction("removeFrameShader",
                     static_cast<void (Owner::*)(const std::string&)>(&Owner::removeFrameShader));
}

void registerRenderer(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<Renderer>("Renderer")
        .addFunction(
            "getViewport",
            [](Renderer& renderer) { return renderer.isInitialized() ? &renderer.getViewport() : nullptr; })
        .addFunction("setClearColor", &Renderer::setClearColor)
        .endClass()
        .endNamespace();
}

void registerLayer(lua_State* L)
{
    auto layer = luabridge::getGlobalNamespace(L).beginNamespace("Graphics").beginClass<Layer>("Layer");
    layer.addFunction("addSprite", &Layer::addSprite)
        .addFunction("removeSprite", &Layer::removeSprite)
        .addFunction("forceSort", &Layer::sort)
        .addProperty("Visible", &Layer::isVisible, &Layer::setVisible);
    addFrameShaderFunctions(layer).endClass().endNamespace();
}

void registerViewport(lua_State* L)
{
    using Position = Math::Vector2D<float>;
    auto viewport =
        luabridge::getGlobalNamespace(L).beginNamespace("Graphics").beginClass<Viewport>("Viewport");
    viewport
        .addFunction("getCameraPosition",
                     static_cast<const Position& (Viewport::*)() const>(&Viewport::getCameraPosition))
        .addFunction("getCameraScale",
                     static_cast<const Position& (Viewport::*)() const>(&Viewport::getCameraScale))
        .addFunction("forceSort", &Viewport::sortLayers)
        .addFunction("screenToWorldPosition", &Viewport::screenToWorldPosition)
        .addFunction("worldToScreenPosition", &Viewport::worldToScreenPosition)
        .addFunction("worldToNormalizedScreenPosition", &Viewport::worldToNormalizedScreenPosition)
        .addFunction("addLayer", &Viewport::addLayer)
        .addFunction("removeLayer", &Viewport::removeLayer)
        .addFunction("getLayer",
                     static_cast<Layer* (Viewport::*)(const std::string&) const>(&Viewport::getLayer));
    addFrameShaderFunctions(viewport).endClass().endNamespace();
}

// "f" and "i" read and write the same four bytes and leave "type" alone.
void registerShaderValue(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<ShaderValue>("ShaderValue")
        .addConstructor<void (*)()>()
        .addProperty("f", &ShaderValue::getFloat, &ShaderValue::setFloat)
        .addProperty("i", &ShaderValue::getInt, &ShaderValue::setInt)
        .addData("type", &ShaderValue::type)
        .addProperty("vec2", &ShaderValue::getVector2, &ShaderValue::setVector2)
        .endClass()
        .endNamespace();
}

void registerObjectShader(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<ObjectShader>("ObjectShader")
        .addFunction("setUniformColor", ownProgramSetter(&ObjectShader::setUniformColor))
        .addFunction("setUniform1f", ownProgramSetter(&ObjectShader::setUniform1f))
        .addFunction("setUniform1i", ownProgramSetter(&ObjectShader::setUniform1i))
        .addFunction("setUniform2f", ownProgramSetter(&ObjectShader::setUniform2f))
        .addFunction("setUniform2i", ownProgramSetter(&ObjectShader::setUniform2i))
        .addFunction("setUniform3f", ownProgramSetter(&ObjectShader::setUniform3f))
        .addFunction("setUniform3i", ownProgramSetter(&ObjectShader::setUniform3i))
        .endClass()
        .endNamespace();
}

void registerFrameShader(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .deriveClass<FrameShader, ObjectShader>("FrameShader")
        .addFunction("getIntValue", &FrameShader::getIntValue)
        .addFunction("getFloatValue", &FrameShader::getFloatValue)
        .addFunction("getVect2fValue", &FrameShader::getVect2fValue)
        .addFunction("addTexture", confinedPathCall(static_cast<void (FrameShader::*)(const std::string&)>(
                                                        &FrameShader::addTexture),
                                                    "addTexture"))
        .addFunction("removeTexture", &FrameShader::removeTexture)
        .addFunction("updateInt",
                     static_cast<void (FrameShader::*)(const std::string&, int)>(&FrameShader::updateValue))
        .addFunction("updateFloat",
                     static_cast<void (FrameShader::*)(const std::string&, float)>(&FrameShader::updateValue))
        .addFunction("updateVect2f",
                     static_cast<void (FrameShader::*)(const std::string&, const Math::Vector2D<float>&)>(
                         &FrameShader::updateValue))
        .addFunction("updateVect3f",
                     static_cast<void (FrameShader::*)(const std::string&, const Math::Vector3D<float>&)>(
                         &FrameShader::updateValue))
        .endClass()
        .endNamespace();
}

// The constructor ignores its arguments: scripts set the components afterwards.
void registerColor(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<Color>("Color")
        .addData("r", &Color::r)
        .addData("g", &Color::g)
        .addData("b", &Color::b)
        .addData("a", &Color::a)
        .addConstructor<void (*)()>()
        .addFunction("pushR",
                     recordingPush(&Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSr, PushedSlot::Float))
        .addFunction("pushG",
                     recordingPush(&Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSg, PushedSlot::Float))
        .addFunction("pushB",
                     recordingPush(&Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSb, PushedSlot::Float))
        .addFunction("pushA",
                     recordingPush(&Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSa, PushedSlot::Float))
        .addFunction("add", &Color::operator+=)
        .addFunction("setRGB", &Color::setRGB)
        .addFunction("setAlpha", &Color::setAlpha)
        .endClass()
        .endNamespace();
}

} // namespace

bool acceptScriptPath(const std::string& path, const char* function)
{
    using Resources::ResourceManager;
    if (!ResourceManager::scriptPathUnder(ResourceManager::getResourceDirectory(), path, function)) {
        return false;
    }
    ResourceManager::readCheckedFromNowOn(path);
    return true;
}

// The icon is read from the resource folder.
void registerWindow(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<Window>("Window")
        .addFunction("show", &Window::show)
        .addFunction("setIcon", confinedPathCall(&Window::setIcon, "setIcon"))
        .addFunction("setTitle", &Window::setTitle)
        .addFunction("setFullscreen", &Window::setFullscreen)
        .addFunction("getWidth", &Window::getWidth)
        .addFunction("getHeight", &Window::getHeight)
        .addFunction("isFullscreen", &Window::isFullscreen)
        .addFunction("showCursor", &Window::showCursor)
        .addFunction("hideCursor", &Window::hideCursor)
        .addFunction("resize",
                     static_cast<void (Window::*)(const Math::Vector2D<unsigned>&)>(&Window::resize))
        .endClass()
        .endNamespace();
}

void registerDrawingPipeline(lua_State* L)
{
    registerRenderer(L);
    registerLayer(L);
    registerViewport(L);
    registerShaderValue(L);
    registerObjectShader(L);
    registerFrameShader(L);
    registerColor(L);
    luabridge::setGlobal(L, Renderer::hasInstance() ? &Renderer::getInstance() : nullptr, "graphics");
}

void registerFrameShaderDependencies(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .addVariable("FrameShader_PREVIOUS", &FrameShader::PREVIOUS, false)
        .addVariable("FrameShader_SCREEN", &FrameShader::SCREEN, false);
}

} // namespace Orva::Scripting
