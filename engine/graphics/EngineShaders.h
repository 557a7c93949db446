#pragma once

// The GLSL programs the engine carries as text. Each is a version line and then statements on
// one line, indented by tabs; the Screen pass sources start with tabs too, which GLSL allows
// before the version directive.

namespace Orva::Graphics::ShaderSources {

// The default object shader: a unit quad placed by "projMtx" * "MVP", showing cell
// "currFrame" of a "numFrames" grid inside the atlas rectangle ("startUV", "sizeUV"),
// optionally mirrored, tinted by "inColor". Attributes 0 and 1 match Drawable's buffers.
inline constexpr char DefaultObjectVertex[] =
    "#version 330 core\n"
    "\t\t\t\tlayout(location = 0) in vec3 vertexPosition_modelspace;"
    "\t\t\t\tlayout(location = 1) in vec2 vertexUV;"
    "\t\t\t\tout vec2 UV;"
    "\t\t\t\tuniform mat4 projMtx;"
    "\t\t\t\tuniform mat4 MVP;"
    "\t\t\t\tuniform vec2 currFrame = vec2(0, 0);"
    "\t\t\t\tuniform vec2 numFrames = vec2(1, 1);"
    "\t\t\t\tuniform vec2 startUV = vec2(0, 0);"
    "\t\t\t\tuniform vec2 sizeUV = vec2(1, 1);"
    "\t\t\t\tuniform bool flipX = false;"
    "\t\t\t\tuniform bool flipY = false;"
    "\t\t\t\tvoid main()"
    "\t\t\t\t{"
    "\t\t\t\t\tgl_Position = projMtx * MVP * vec4(vertexPosition_modelspace, 1);"
    "\t\t\t\t\tvec2 oneImage = sizeUV / numFrames;"
    "\t\t\t\t\tUV = startUV + (currFrame*oneImage);"
    "\t\t\t\t\tif(flipX) UV.x += (1-vertexUV.x) * oneImage.x;"
    "\t\t\t\t\telse UV.x += vertexUV.x * oneImage.x;"
    "\t\t\t\t\tif(flipY) UV.y += (1-vertexUV.y) * oneImage.y;"
    "\t\t\t\t\telse UV.y += vertexUV.y * oneImage.y;"
    "\t\t\t\t}";

inline constexpr char DefaultObjectFragment[] = "#version 330 core\n"
                                                "\t\t\t\tin vec2 UV;"
                                                "\t\t\t\tout vec4 color;"
                                                "\t\t\t\tuniform sampler2D textureSampler;"
                                                "\t\t\t\tuniform vec4 inColor = vec4(1, 1, 1, 1);"
                                                "\t\t\t\tuniform bool hasTexture = false;"
                                                "\t\t\t\tvoid main()"
                                                "\t\t\t\t{"
                                                "\t\t\t\t\tif (hasTexture)"
                                                "\t\t\t\t\t\tcolor = inColor * texture(textureSampler, UV);"
                                                "\t\t\t\t\telse"
                                                "\t\t\t\t\t\tcolor = inColor;"
                                                "\t\t\t\t}";

// The default object shader's pixels for many quads at once: the vertices arrive already
// placed ("projMtx" * "MVP" applied) with their atlas UVs worked out, each quad's tint the same
// at its four corners; "hasTexture" holds for the whole draw. Every w is 1, so the UVs need
// no perspective correction, which would only divide by 1. With "coverage" the texture is a
// glyph sheet, drawn as the font shader draws it: its red channel is the tint's alpha.
inline constexpr char BatchObjectVertex[] = "#version 330 core\n"
                                            "\t\t\t\tlayout(location = 0) in vec4 clipPosition;"
                                            "\t\t\t\tlayout(location = 1) in vec2 vertexUV;"
                                            "\t\t\t\tlayout(location = 2) in vec4 vertexColor;"
                                            "\t\t\t\tnoperspective out vec2 UV;"
                                            "\t\t\t\tflat out vec4 tint;"
                                            "\t\t\t\tvoid main()"
                                            "\t\t\t\t{"
                                            "\t\t\t\t\tgl_Position = clipPosition;"
                                            "\t\t\t\t\tUV = vertexUV;"
                                            "\t\t\t\t\ttint = vertexColor;"
                                            "\t\t\t\t}";

inline constexpr char BatchObjectFragment[] =
    "#version 330 core\n"
    "\t\t\t\tnoperspective in vec2 UV;"
    "\t\t\t\tflat in vec4 tint;"
    "\t\t\t\tout vec4 color;"
    "\t\t\t\tuniform sampler2D textureSampler;"
    "\t\t\t\tuniform bool hasTexture = false;"
    "\t\t\t\tuniform bool coverage = false;"
    "\t\t\t\tvoid main()"
    "\t\t\t\t{"
    "\t\t\t\t\tif (coverage)"
    "\t\t\t\t\t\tcolor = vec4(tint.rgb, smoothstep(0.5 - 1.0 / 16.0, 0.5 + 1.0 / 16.0, "
    "texture(textureSampler, UV).r) * tint.a);"
    "\t\t\t\t\telse if (hasTexture)"
    "\t\t\t\t\t\tcolor = tint * texture(textureSampler, UV);"
    "\t\t\t\t\telse"
    "\t\t\t\t\t\tcolor = tint;"
    "\t\t\t\t}";

// The font shader: the unit quad placed by "projMtx" * "MVP", showing the glyph coverage of
// "fontTex" (red channel) as the alpha of "tint", with an edge smoothed over the band 0.4375 to
// 0.5625; without "useTexture", plain "tint".
inline constexpr char FontVertex[] =
    "#version 330 core\n"
    "\t\t\t\tlayout(location = 0) in vec3 vertexPosition_modelspace;"
    "\t\t\t\tlayout(location = 1) in vec2 vertexUV;"
    "\t\t\t\tout vec2 UV;"
    "\t\t\t\tuniform mat4 projMtx;"
    "\t\t\t\tuniform mat4 MVP;"
    "\t\t\t\tvoid main()"
    "\t\t\t\t{"
    "\t\t\t\t\tgl_Position = projMtx * MVP * vec4(vertexPosition_modelspace, 1);"
    "\t\t\t\t\tUV = vertexUV;"
    "\t\t\t\t}";

inline constexpr char FontFragment[] =
    "#version 330 core\n"
    "\t\t\t\tin vec2 UV;"
    "\t\t\t\tout vec4 Color;"
    "\t\t\t\tuniform sampler2D fontTex;"
    "\t\t\t\tuniform vec4 tint;"
    "\t\t\t\tuniform bool useTexture = true;"
    "\t\t\t\tvoid main()"
    "\t\t\t\t{"
    "\t\t\t\t\tif (useTexture)"
    "\t\t\t\t\t{"
    "\t\t\t\t\t\tfloat distance = texture(fontTex, UV).r;"
    "\t\t\t\t\t\tfloat alpha = smoothstep(0.5 - 1.0 / 16.0, 0.5 + 1.0 / 16.0, distance) * tint.a;"
    "\t\t\t\t\t\tColor = vec4(tint.rgb, alpha);"
    "\t\t\t\t\t}"
    "\t\t\t\t\telse"
    "\t\t\t\t\t\tColor = tint;"
    "\t\t\t\t}";

// A layer's Screen pass: the full-screen quad (corners -1..1 mapped to UV 0..1) showing the
// texture on unit "screenTexture".
inline constexpr char ScreenPassVertex[] = "\t\t\t\t#version 330 core\n"
                                           "\t\t\t\tlayout(location = 0) in vec3 vertexPosition_modelspace;"
                                           "\t\t\t\tout vec2 UV;"
                                           "\t\t\t\tvoid main() {"
                                           "\t\t\t\t\tgl_Position = vec4(vertexPosition_modelspace, 1);"
                                           "\t\t\t\t\tUV = (vertexPosition_modelspace.xy + vec2(1, 1)) / 2.0;"
                                           "\t\t\t\t}";

inline constexpr char ScreenPassFragment[] = "\t\t\t\t#version 330 core\n"
                                             "\t\t\t\tin vec2 UV;"
                                             "\t\t\t\tout vec4 color;"
                                             "\t\t\t\tuniform sampler2D screenTexture;"
                                             "\t\t\t\tvoid main()"
                                             "\t\t\t\t{"
                                             "\t\t\t\t\tvec4 texColor = texture(screenTexture, UV);"
                                             "\t\t\t\t\tcolor = texColor;"
                                             "\t\t\t\t}";

} // namespace Orva::Graphics::ShaderSources
