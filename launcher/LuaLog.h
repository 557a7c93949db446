#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace Orva::Launcher {

// The per-run log of everything scripts print through the engine (Lua's own print is not
// part of it): <Documents>/Quorlin/Vaskerel/lua-log_<Y-M-D>_<h-m-s>.txt, named after the
// local time at start, numbers without leading zeros. Lines wait in a buffer and are
// appended once more than LuaLogBatchSize characters are waiting or, by a thread of the log's
// own, once the first of them has waited a second, however long a script runs. Called from
// the main thread only.

inline constexpr std::size_t LuaLogBatchSize = 200;

// Makes the Documents folder and the two below it when missing, then creates or truncates
// this run's file with the begin line. Only where no Documents folder can be named is there no
// log this run, every line dropped; one that cannot be made names itself and the reason on
// stderr, and the log file its failed writes. From the first call on, the process's normal
// end closes the log.
void openLuaLog();
// The print function handed to the script manager: buffers the line and its line feed.
void luaLogPrint(const std::string& line);
// Appends whatever waits.
void flushLuaLog();
// Appends whatever waits, without end lines, then keeps no log until opened again: a run
// that fails to start ends its log so.
void abandonLuaLog();
// Appends whatever waits and the end lines, then keeps no log until opened again.
void closeLuaLog();
// This run's log file; empty when there is none.
const std::string& luaLogPath();

// The formats, for a given local time.
std::string luaLogFileName(const std::tm& time);
std::string luaLogBeginLine(const std::tm& time);
// The end line and the two lines of the developers' message.
std::string luaLogEndLines(const std::tm& time);

} // namespace Orva::Launcher
