#pragma once

// The harness every fuzz target runs in, in the fuzzers and in the replay suite alike.
//
// - start() brings the engine up once per process, headless, as the script and stage tests
//   start it: a scratch game folder (working directory <root>/work, resources in
//   <root>/resources), the engine's managers, a 640x480 window that is never opened with a
//   renderer that cannot start on it (so the managers the renderer makes exist), the script
//   interface registered directly, a stand-in for OpenGL under the texture manager and pads
//   that are never connected.
// - The loader thread is left idle: nobody listens to "LoadResource", so requests are dropped
//   and a target hands each loader the reply it would have had.
// - runInput seeds the engine generator, runs the body, then clears what it made: objects,
//   sets, states, textures, fonts, collision groups, script paths, the replay, queued events
//   and the files the body wrote. An input therefore behaves the same whatever ran before it.
// - The engine runs in the game's working directory, which the process enters for start,
//   stop and each input only: between inputs it is back where it started.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace Fuzz {

struct Target;

void start();
// Takes the engine down and removes the scratch folder; start may run again afterwards.
void stop();
// Removes the scratch folder only, for the process's exit: by then statics the engine's
// shut-down uses may be gone, so the engine stays up.
void removeScratchFolder();

void runInput(const Target& target, std::string_view input);

// Writes a file under the resource folder or the working directory; runInput removes it.
void writeResource(const std::string& relativePath, std::string_view contents);
void writeWorkFile(const std::string& relativePath, std::string_view contents);

std::filesystem::path resourceFolder();

// What the last input left behind after its clearing, one item per line; empty when nothing.
std::string leftovers();

// A 4x4 RGBA PNG: the image every texture reply of the targets carries.
const std::string& smallImage();

} // namespace Fuzz
