#include "LuaLog.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "core/FileWrites.h"
#include "world/ResourceManager.h"

namespace Orva::Launcher {

namespace {

using namespace std::chrono_literals;

// Lines wait at most this long, so a process killed outright loses no more than its last
// second of output, whatever the scripts do meanwhile (a step that never returns included).
constexpr auto LongestWait = 1s;

// Below the Documents folder.
constexpr const char* LogFolder = "Quorlin/Vaskerel";

struct LuaLogState
{
    std::mutex lock;
    std::string path;
    // Where the path was checked to lead, below the Documents folder; written only there.
    std::optional<PathBelow> file;
    std::string buffer;
    // When the first line of the buffer came.
    std::chrono::steady_clock::time_point firstWaiting;
    // Writes the buffer once its first line has waited LongestWait, while the log is open.
    std::jthread writer;
    std::condition_variable_any writerWake;
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

// A batch that cannot be written is lost; the log is named on stderr when its writes begin
// to fail. Called with the lock held.
void writeWaitingLines(LuaLogState& log, const std::string& tail = {})
{
    if (log.file && !(log.buffer.empty() && tail.empty())) {
        appendFileBelow(*log.file, log.buffer + tail, "launcher");
    }
    log.buffer.clear();
}

void writeLinesThatWaitedLongest(std::stop_token stop)
{
    LuaLogState& log = logState();
    std::unique_lock guard(log.lock);
    while (!stop.stop_requested()) {
        if (log.buffer.empty()) {
            log.writerWake.wait(guard, stop, [&log] { return !log.buffer.empty(); });
        } else if (const auto due = log.firstWaiting + LongestWait; std::chrono::steady_clock::now() < due) {
            // A batch may go out meanwhile and a later line start the next wait.
            log.writerWake.wait_until(guard, stop, due, [] { return false; });
        } else {
            writeWaitingLines(log);
        }
    }
}

// The writer goes before the state changes, since it reads the state.
void stopWriter(LuaLogState& log)
{
    log.writer.request_stop();
    if (log.writer.joinable()) {
        log.writer.join();
    }
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
    stopWriter(log);
    log.path.clear();
    log.file.reset();
    log.buffer.clear();
    const std::optional<std::string> documents = Resources::ResourceManager::getDocumentsFolder();
    if (!documents) {
        return;
    }
    // Every game shares the folder and the name is known to the second beforehand: the log goes
    // only down a path that stays in the Documents folder, and never through a link at its name.
    // An existing folder, or one that cannot be made, is no reason to stop: the file write
    // below is what decides whether anything gets written, and names the file when not.
    for (const char* folder : {"Quorlin", LogFolder}) {
        if (const std::optional<PathBelow> made = pathBelow(*documents, {}, folder, folder)) {
            makeDirectoryBelow(*made);
        }
    }
    const std::tm start = localNow();
    const std::string name = std::string(LogFolder) + "/" + luaLogFileName(start);
    log.path = *documents + "/" + name;
    log.file = pathBelow(*documents, {}, name, log.path, LastName::NotFollowed);
    if (!log.file) {
        std::fprintf(stderr, "launcher: could not write \"%s\": it leads outside the Documents folder\n",
                     log.path.c_str());
    } else {
        replaceFileBelow(*log.file, luaLogBeginLine(start), "launcher");
    }
    log.writer = std::jthread(&writeLinesThatWaitedLongest);
}

void luaLogPrint(const std::string& line)
{
    LuaLogState& log = logState();
    const std::lock_guard guard(log.lock);
    if (log.path.empty()) {
        return;
    }
    if (log.buffer.empty()) {
        log.firstWaiting = std::chrono::steady_clock::now();
        log.writerWake.notify_one();
    }
    log.buffer += line;
    log.buffer += '\n';
    if (log.buffer.size() > LuaLogBatchSize) {
        writeWaitingLines(log);
    }
}

void flushLuaLog()
{
    LuaLogState& log = logState();
    const std::lock_guard guard(log.lock);
    writeWaitingLines(log);
}

void abandonLuaLog()
{
    LuaLogState& log = logState();
    stopWriter(log);
    writeWaitingLines(log);
    log.path.clear();
    log.file.reset();
}

void closeLuaLog()
{
    LuaLogState& log = logState();
    stopWriter(log);
    if (!log.path.empty()) {
        writeWaitingLines(log, luaLogEndLines(localNow()));
    }
    log.path.clear();
    log.file.reset();
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
