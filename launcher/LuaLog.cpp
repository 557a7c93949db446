#include "LuaLog.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/FileWrites.h"
#include "world/ResourceManager.h"

namespace Orva::Launcher {

namespace {

struct LuaLogState
{
    std::string path;
    std::string buffer;
};

LuaLogState& logState()
{
    static LuaLogState state;
    return state;
}

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string clockText(const std::tm& time, char separator)
{
    return std::to_string(time.tm_hour) + separator + std::to_string(time.tm_min) + separator +
           std::to_string(time.tm_sec);
}

// "===================== Lua Logging <word> h:m:s ==========" and its line feed.
std::string bannerLine(const char* word, const std::tm& time)
{
    return std::string(21, '=') + " Lua Logging " + word + " " + clockText(time, ':') + " " +
           std::string(10, '=') + "\n";
}

// A batch that cannot be written is lost; the log is named on stderr when its writes begin to fail.
void appendToFile(const std::string& path, const std::string& text)
{
    appendFileContents(path, text, "launcher");
}

} // namespace

void openLuaLog()
{
    LuaLogState& log = logState();
    // However the process ends normally (exit, a script's os.exit, the end of main), the
    // log gets what waits and its end lines; closing twice writes nothing more. Registered
    // after the state exists, so the handler runs before the state's destructor.
    static const bool closedAtExit = std::atexit(&closeLuaLog) == 0;
    static_cast<void>(closedAtExit);
    log = LuaLogState();
    const std::optional<std::string> documents = Resources::ResourceManager::getDocumentsFolder();
    if (!documents) {
        return;
    }
    // An existing folder, or one that cannot be made, is no reason to stop: the file write
    // below is what decides whether anything gets written, and names the file when not.
    std::error_code ignored;
    std::string folder = *documents + "/Quorlin";
    std::filesystem::create_directory(folder, ignored);
    folder += "/Vaskerel";
    std::filesystem::create_directory(folder, ignored);

    const std::tm start = localNow();
    log.path = folder + "/" + luaLogFileName(start);
    replaceFileContents(log.path, luaLogBeginLine(start), "launcher");
}

void luaLogPrint(const std::string& line)
{
    LuaLogState& log = logState();
    if (log.path.empty()) {
        return;
    }
    log.buffer += line;
    log.buffer += '\n';
    if (log.buffer.size() > LuaLogBatchSize) {
        flushLuaLog();
    }
}

void flushLuaLog()
{
    LuaLogState& log = logState();
    if (!log.path.empty() && !log.buffer.empty()) {
        appendToFile(log.path, log.buffer);
    }
    log.buffer.clear();
}

void abandonLuaLog()
{
    flushLuaLog();
    logState() = LuaLogState();
}

void closeLuaLog()
{
    LuaLogState& log = logState();
    if (!log.path.empty()) {
        appendToFile(log.path, log.buffer + luaLogEndLines(localNow()));
    }
    log = LuaLogState();
}

const std::string& luaLogPath()
{
    return logState().path;
}

std::string luaLogFileName(const std::tm& time)
{
    return "lua-log_" + std::to_string(time.tm_year + 1900) + "-" + std::to_string(time.tm_mon + 1) + "-" +
           std::to_string(time.tm_mday) + "_" + clockText(time, '-') + ".txt";
}

std::string luaLogBeginLine(const std::tm& time)
{
    return bannerLine("Begin", time);
}

std::string luaLogEndLines(const std::tm& time)
{
    return bannerLine("End", time) + "Message from the developers:\n"
                                     "Thanks for playing our game! We really hope that you enjoyed it!\n";
}

} // namespace Orva::Launcher
