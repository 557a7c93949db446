#pragma once

namespace Orva::Launcher {

// The game program. Its entry point is no more than
//
//     if (startUp(argc, argv) != 0) return -1;
//     Engine::getInstance().run(runFrame);
//     return shutDown();
//
// and tests drive the same three steps in one process, one game at a time.

// Brings the engine up for the game in the working directory: reads "config.ini", opens the
// window, makes the renderer, preloads textures, opens the Lua log, lists the stages and
// loads the sets and scripts. Any argument after the program name switches every kind of
// play-data tracking on. Returns 0 when the game is ready to run; -1 when it is not, with
// the reason on stderr and the engine already shut down.
int startUp(int argc, char* argv[]);

// One frame before the engine step: window messages, entering the start stage once every
// stage has loaded, the F12 (full screen) and F11 (play-data report) keys, the stage update
// and the drawing. False once the window has been closed.
bool runFrame();

// Closes the window, shuts the engine down and ends the Lua log; returns the exit code, 0.
int shutDown();

} // namespace Orva::Launcher
