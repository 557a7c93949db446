# Third-party libraries, all from Debian packages (tools/install-deps.sh installs them).
find_package(PkgConfig REQUIRED)

# The C++ build of Lua: a Lua error is a C++ throw, so it unwinds the binding frames it crosses.
pkg_check_modules(LUA REQUIRED IMPORTED_TARGET lua5.3-c++)
pkg_check_modules(TINYXML2 REQUIRED IMPORTED_TARGET tinyxml2)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(GLEW REQUIRED IMPORTED_TARGET glew)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
find_package(OpenGL REQUIRED)
find_package(Threads REQUIRED)
find_path(SOIL_INCLUDE_DIR SOIL/SOIL.h REQUIRED)
find_library(SOIL_LIBRARY SOIL REQUIRED)
find_path(STB_INCLUDE_DIR stb/stb_image.h REQUIRED)
# The font of the sample game and the font tests (fonts-dejavu-core); no font is kept in git.
find_file(ORVA_DEJAVU_SANS DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH REQUIRED)
