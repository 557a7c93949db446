#include "graphics/Drawable.h"

#include <GL/glew.h>

namespace Orva::Graphics {

namespace {

unsigned makeBuffer(GLenum target, GLsizeiptr bytes, const void* data)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, bytes, data, GL_STATIC_DRAW);
    return buffer;
}

} // namespace

Drawable::Drawable(const Vertex* vertices, unsigned vertexCount, const UV* uvs, unsigned uvCount,
                   const unsigned short* indices, unsigned indexCount)
    : vertexBuffer_(
          makeBuffer(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * sizeof(Vertex)), vertices)),
      uvBuffer_(makeBuffer(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(uvCount * sizeof(UV)), uvs)),
      indexBuffer_(makeBuffer(GL_ELEMENT_ARRAY_BUFFER,
                              static_cast<GLsizeiptr>(indexCount * sizeof(unsigned short)), indices)),
      indexCount_(indexCount)
{
    static_assert(sizeof(Vertex) == 12 && sizeof(UV) == 8, "the buffers are tightly packed floats");
}

Drawable::~Drawable()
{
    glDeleteBuffers(1, &indexBuffer_);
    glDeleteBuffers(1, &uvBuffer_);
    glDeleteBuffers(1, &vertexBuffer_);
}

void Drawable::draw(unsigned mode) const
{
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(1);
    glBindBuffer(GL_ARRAY_BUFFER, uvBuffer_);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glDrawElements(mode, static_cast<GLsizei>(indexCount_), GL_UNSIGNED_SHORT, nullptr);
    glDisableVertexAttribArray(1);
    glDisableVertexAttribArray(0);
}

} // namespace Orva::Graphics
