#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"
#include "graphics/Color.h"

namespace Orva::Graphics {

// A vertex-plus-fragment GLSL program that draws objects. It is built at once from two
// source texts (evaluate) or from two files read on the loader thread (init), whose contents
// arrive scrambled. It is ready only when its program linked with an empty log; compile and
// link logs are printed on stderr and leave it not ready. Needs the renderer's context.
class ORVA_API ObjectShader
{
public:
    ORVA_POOLED_OPERATORS(ObjectShader)

    ObjectShader() = default;
    // Deletes the program, then ends the subscriptions.
    ~ObjectShader();

    ObjectShader(const ObjectShader&) = delete;
    ObjectShader& operator=(const ObjectShader&) = delete;

    // Starts loading "vertex path|fragment path" (relative to the resource directory; a text
    // without "|" names one file for both) and listens for the reply of this request only.
    // An empty file ends the load for good; a link log leaves the shader listening.
    void init(const std::string& paths);
    // Builds the program from the two texts now; a previous program is deleted.
    void evaluate(const std::string& vertexSource, const std::string& fragmentSource);
    // Makes the program current when ready; false otherwise.
    bool apply() const;

    bool isReady() const noexcept { return ready_; }
    unsigned getId() const noexcept { return program_; }
    // Looked up in this program at every call; -1 for a name it does not use.
    int getUniformLocation(const std::string& name) const;
    int getUniformLocation(const char* name) const;

    // Each sets a uniform of this program's name in the program that is current, which the
    // caller makes current first (apply).
    void setUniform1f(const std::string& name, float value) const;
    void setUniform1f(const char* name, float value) const;
    void setUniform1i(const std::string& name, int value) const;
    void setUniform1i(const char* name, int value) const;
    void setUniform2f(const std::string& name, const Math::Vector2D<float>& value) const;
    void setUniform2f(const char* name, const Math::Vector2D<float>& value) const;
    void setUniform2i(const std::string& name, const Math::Vector2D<int>& value) const;
    void setUniform2i(const char* name, const Math::Vector2D<int>& value) const;
    void setUniform3f(const std::string& name, const Math::Vector3D<float>& value) const;
    void setUniform3f(const char* name, const Math::Vector3D<float>& value) const;
    void setUniform3i(const std::string& name, const Math::Vector3D<int>& value) const;
    void setUniform3i(const char* name, const Math::Vector3D<int>& value) const;
    void setUniformColor(const std::string& name, const Color& value) const;
    void setUniformColor(const char* name, const Color& value) const;
    // Row-major engine matrices, sent transposed.
    void setUniformMatrix4f(const std::string& name, const Math::Matrix44<float>& value) const;
    void setUniformMatrix4f(const char* name, const Math::Matrix44<float>& value) const;
    // Sent as laid out in memory, not transposed.
    void setUniformMatrix44f(const std::string& name, const float (&value)[4][4]) const;
    void setUniformMatrix44f(const char* name, const float (&value)[4][4]) const;

    // The "OnResourceLoadComplete" listener of init.
    void onResourceLoadComplete(BaseEvent* event);

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    // Compiles, attaches, links, detaches and deletes both shader objects; ready when the
    // link log is empty. Logs are printed with the label naming where the sources came from.
    void link();
    void deleteShaderObjects() noexcept;
    void deleteProgram() noexcept;

    unsigned vertexShader_ = 0;
    unsigned fragmentShader_ = 0;
    bool ready_ = false;
    // Sources received by the file path: 0, 1, 2; 3 once built.
    std::uint8_t sourcesReceived_ = 0;
    EventCallbackObject eventCallbacks_;
    unsigned program_ = 0;
    // Matches replies to the latest init request; 0 when no request is out.
    void* requestId_ = nullptr;
    // The paths of init, or "built-in", for the logs.
    std::string origin_;
};

// Keeps a ready shader's program current while it lives, then makes current again the program
// that was: for setting a shader's uniforms whatever program is in use. Nothing for a shader
// that is not ready.
class ORVA_API ScopedProgram
{
public:
    explicit ScopedProgram(const ObjectShader& shader);
    ~ScopedProgram();

    ScopedProgram(const ScopedProgram&) = delete;
    ScopedProgram& operator=(const ScopedProgram&) = delete;

    // Whether the shader was ready and its program is current.
    bool isActive() const noexcept { return active_; }

private:
    int previous_ = 0;
    bool active_ = false;
};

// Splits "vertex|fragment" at the first "|"; a text without one is both paths.
ORVA_API std::pair<std::string, std::string> splitShaderPaths(const std::string& paths);

} // namespace Orva::Graphics
