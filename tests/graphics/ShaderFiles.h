#pragma once

// Frame-shader programs the tests load from files, as a game would ship them.
namespace ShaderFiles {

inline constexpr char PassVertex[] =
    "#version 330 core\n"
    "layout(location = 0) in vec3 corner;\n"
    "out vec2 UV;\n"
    "void main() { gl_Position = vec4(corner, 1); UV = (corner.xy + 1.0) / 2.0; }\n";

// Each channel becomes 255 minus itself.
inline constexpr char InvertFragment[] =
    "#version 330 core\n"
    "in vec2 UV;\n"
    "out vec4 color;\n"
    "uniform sampler2D screenTexture;\n"
    "void main() { color = vec4(1.0 - texture(screenTexture, UV).rgb, 1); }\n";

// Paints the values it is given: "red" a float, "greenBlue" a 2-vector, "alpha" an int
// (255 is opaque), "never" a 3-vector that keeps its default unless sent.
inline constexpr char ValuesFragment[] = "#version 330 core\n"
                                         "in vec2 UV;\n"
                                         "out vec4 color;\n"
                                         "uniform float red;\n"
                                         "uniform vec2 greenBlue;\n"
                                         "uniform int alpha;\n"
                                         "uniform vec3 never = vec3(1, 1, 1);\n"
                                         "void main() { color = vec4(red * never.x, greenBlue * never.yz, "
                                         "float(alpha) / 255.0); }\n";

inline constexpr char BrokenFragment[] = "#version 330 core\n"
                                         "out vec4 color;\n"
                                         "void main() { color = undefinedThing; }\n";

} // namespace ShaderFiles
