#include "graphics/ObjectShader.h"

#include <GL/glew.h>

#include <iostream>
#include <vector>

#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/RC4Cipher.h"
#include "world/LoadEvent.h"

namespace Orva::Graphics {

namespace {

constexpr char BuiltInOrigin[] = "built-in";

// Request ids are small integers, never the address of a live object, and never reused, so a
// reply can only be taken by the request that asked for it, even by a shader that lives at a
// dead shader's address.
void* nextRequestId() noexcept
{
    static std::uintptr_t lastRequest = 0;
    return reinterpret_cast<void*>(++lastRequest);
}

void setSource(unsigned shader, const std::string& source)
{
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
}

template <class Query, class Read> std::string readLog(unsigned object, Query query, Read read)
{
    GLint length = 0;
    query(object, GL_INFO_LOG_LENGTH, &length);
    if (length < 2) {
        return {};
    }
    std::vector<GLchar> text(static_cast<std::size_t>(length));
    read(object, length, nullptr, text.data());
    return std::string(text.data());
}

void reportLog(const std::string& origin, const char* stage, const std::string& log)
{
    if (!log.empty()) {
        std::cerr << "renderer: shader " << origin << ": " << stage << " log:\n" << log << '\n';
    }
}

} // namespace

std::pair<std::string, std::string> splitShaderPaths(const std::string& paths)
{
    const std::size_t bar = paths.find('|');
    if (bar == std::string::npos) {
        return {paths, paths};
    }
    return {paths.substr(0, bar), paths.substr(bar + 1)};
}

ObjectShader::~ObjectShader()
{
    deleteShaderObjects();
    deleteProgram();
}

void ObjectShader::init(const std::string& paths)
{
    EventManager& events = EventManager::getInstance();
    if (eventCallbacks_.subscriptions().empty()) {
        events.ListenToEvent(Events::loadReplyCode(),
                             FunctionHolder(this, &ObjectShader::onResourceLoadComplete));
    }
    deleteShaderObjects();
    deleteProgram();
    ready_ = false;
    sourcesReceived_ = 0;
    origin_ = paths;
    program_ = glCreateProgram();
    vertexShader_ = glCreateShader(GL_VERTEX_SHADER);
    fragmentShader_ = glCreateShader(GL_FRAGMENT_SHADER);

    requestId_ = nextRequestId();
    const auto [vertexPath, fragmentPath] = splitShaderPaths(paths);
    Events::requestLoad(this, requestId_,
                        {Events::LoadEvent::Entry(vertexPath, 0), Events::LoadEvent::Entry(fragmentPath, 1)});
}

void ObjectShader::onResourceLoadComplete(BaseEvent* event)
{
    const Events::LoadEvent* reply = requestId_ ? Events::replyFor(event, this, requestId_) : nullptr;
    if (reply == nullptr) {
        return;
    }
    for (const Events::LoadEvent::Entry& entry : reply->entries) {
        if (entry.contents.empty()) {
            std::cerr << "renderer: shader " << origin_ << ": " << entry.path << " is missing or empty\n";
            deleteShaderObjects();
            requestId_ = nullptr;
            EventManager::getInstance().StopListeningToEvent(Events::loadReplyCode(), this);
            return;
        }
        if (entry.tag != 0 && entry.tag != 1) {
            continue;
        }
        setSource(entry.tag == 0 ? vertexShader_ : fragmentShader_,
                  Crypto::RC4Cipher::decrypt(entry.contents));
        ++sourcesReceived_;
    }
    if (sourcesReceived_ != 2) {
        return;
    }
    sourcesReceived_ = 3;
    link();
    if (ready_) {
        requestId_ = nullptr;
        EventManager::getInstance().StopListeningToEvent(Events::loadReplyCode(), this);
    }
}

void ObjectShader::evaluate(const std::string& vertexSource, const std::string& fragmentSource)
{
    deleteShaderObjects();
    deleteProgram();
    ready_ = false;
    origin_ = BuiltInOrigin;
    program_ = glCreateProgram();
    vertexShader_ = glCreateShader(GL_VERTEX_SHADER);
    fragmentShader_ = glCreateShader(GL_FRAGMENT_SHADER);
    setSource(vertexShader_, vertexSource);
    setSource(fragmentShader_, fragmentSource);
    link();
}

void ObjectShader::link()
{
    glCompileShader(vertexShader_);
    reportLog(origin_, "vertex shader", readLog(vertexShader_, glGetShaderiv, glGetShaderInfoLog));
    glCompileShader(fragmentShader_);
    reportLog(origin_, "fragment shader", readLog(fragmentShader_, glGetShaderiv, glGetShaderInfoLog));
    glAttachShader(program_, vertexShader_);
    glAttachShader(program_, fragmentShader_);
    glLinkProgram(program_);
    glDetachShader(program_, vertexShader_);
    glDetachShader(program_, fragmentShader_);
    deleteShaderObjects();

    // A log with warnings in it leaves the program unused although it linked.
    const std::string log = readLog(program_, glGetProgramiv, glGetProgramInfoLog);
    reportLog(origin_, "link", log);
    if (log.empty()) {
        ready_ = true;
    }
}

void ObjectShader::deleteShaderObjects() noexcept
{
    if (vertexShader_ != 0) {
        glDeleteShader(vertexShader_);
    }
    if (fragmentShader_ != 0) {
        glDeleteShader(fragmentShader_);
    }
    vertexShader_ = 0;
    fragmentShader_ = 0;
}

void ObjectShader::deleteProgram() noexcept
{
    if (program_ != 0) {
        glDeleteProgram(program_);
    }
    program_ = 0;
}

ScopedProgram::ScopedProgram(const ObjectShader& shader)
{
    if (!shader.isReady()) {
        return;
    }
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous_);
    active_ = shader.apply();
}

ScopedProgram::~ScopedProgram()
{
    if (active_) {
        glUseProgram(static_cast<GLuint>(previous_));
    }
}

bool ObjectShader::apply() const
{
    if (!ready_) {
        return false;
    }
    glUseProgram(program_);
    return true;
}

int ObjectShader::getUniformLocation(const char* name) const
{
    return glGetUniformLocation(program_, name);
}

int ObjectShader::getUniformLocation(const std::string& name) const
{
    return getUniformLocation(name.c_str());
}

void ObjectShader::setUniform1f(const char* name, float value) const
{
    glUniform1f(getUniformLocation(name), value);
}

void ObjectShader::setUniform1i(const char* name, int value) const
{
    glUniform1i(getUniformLocation(name), value);
}

void ObjectShader::setUniform2f(const char* name, const Math::Vector2D<float>& value) const
{
    glUniform2f(getUniformLocation(name), value.x, value.y);
}

void ObjectShader::setUniform2i(const char* name, const Math::Vector2D<int>& value) const
{
    glUniform2i(getUniformLocation(name), value.x, value.y);
}

void ObjectShader::setUniform3f(const char* name, const Math::Vector3D<float>& value) const
{
    glUniform3f(getUniformLocation(name), value.x, value.y, value.z);
}

void ObjectShader::setUniform3i(const char* name, const Math::Vector3D<int>& value) const
{
    glUniform3i(getUniformLocation(name), value.x, value.y, value.z);
}

void ObjectShader::setUniformColor(const char* name, const Color& value) const
{
    const GLfloat rgba[4] = {value.r, value.g, value.b, value.a};
    glUniform4fv(getUniformLocation(name), 1, rgba);
}

void ObjectShader::setUniformMatrix4f(const char* name, const Math::Matrix44<float>& value) const
{
    glUniformMatrix4fv(getUniformLocation(name), 1, GL_TRUE, &value.m[0][0]);
}

void ObjectShader::setUniformMatrix44f(const char* name, const float (&value)[4][4]) const
{
    glUniformMatrix4fv(getUniformLocation(name), 1, GL_FALSE, &value[0][0]);
}

void ObjectShader::setUniform1f(const std::string& name, float value) const
{
    setUniform1f(name.c_str(), value);
}

void ObjectShader::setUniform1i(const std::string& name, int value) const
{
    setUniform1i(name.c_str(), value);
}

void ObjectShader::setUniform2f(const std::string& name, const Math::Vector2D<float>& value) const
{
    setUniform2f(name.c_str(), value);
}

void ObjectShader::setUniform2i(const std::string& name, const Math::Vector2D<int>& value) const
{
    setUniform2i(name.c_str(), value);
}

void ObjectShader::setUniform3f(const std::string& name, const Math::Vector3D<float>& value) const
{
    setUniform3f(name.c_str(), value);
}

void ObjectShader::setUniform3i(const std::string& name, const Math::Vector3D<int>& value) const
{
    setUniform3i(name.c_str(), value);
}

void ObjectShader::setUniformColor(const std::string& name, const Color& value) const
{
    setUniformColor(name.c_str(), value);
}

void ObjectShader::setUniformMatrix4f(const std::string& name, const Math::Matrix44<float>& value) const
{
    setUniformMatrix4f(name.c_str(), value);
}

void ObjectShader::setUniformMatrix44f(const std::string& name, const float (&value)[4][4]) const
{
    setUniformMatrix44f(name.c_str(), value);
}

} // namespace Orva::Graphics
