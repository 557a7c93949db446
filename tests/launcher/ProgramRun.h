#pragma once

// Runs a program without arguments as its own process and waits for it, at most `limit`:
// the working directory, environment changes over the test's own environment, and its
// stderr captured (stdout is dropped). `inChild`, when given, runs in the new process just
// before the program replaces it: limits and signal settings made there are the program's.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "WaitLimit.h"

extern char** environ;

struct ProgramResult
{
    // The exit status, or -1 when the program did not exit normally.
    int exitStatus = -1;
    // The signal that ended it, 0 when none did.
    int signal = 0;
    // It ran past the time limit and was killed.
    bool timedOut = false;
    std::string errors;
};

// Each entry sets a variable, or removes it when it holds no value.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// `meanwhile`, when given, runs once the program has started (given its id); the limit counts from its end.
inline ProgramResult runProgram(const std::filesystem::path& program,
                                const std::filesystem::path& workingDirectory,
                                const EnvironmentChanges& changes, std::chrono::seconds limit = WaitLimit,
                                const std::function<void(pid_t)>& meanwhile = {}, void (*inChild)() = nullptr)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable(*entry);
        if (!changes.contains(variable.substr(0, variable.find('=')))) {
            environment.push_back(variable);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            environment.push_back(name + "=" + *value);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    std::string programPath = program.string();
    char* argv[] = {programPath.data(), nullptr};

    // Through a pipe: a limit on the size of the files the program writes must not silence it.
    int errors[2];
    ProgramResult result;
    if (pipe2(errors, O_CLOEXEC) != 0) {
        result.errors = "cannot make a pipe for stderr";
        return result;
    }
    // Only calls that are safe between fork and exec happen in the child.
    const pid_t child = fork();
    if (child == 0) {
        const int nothing = open("/dev/null", O_WRONLY);
        if (chdir(workingDirectory.c_str()) != 0 || nothing < 0 || dup2(nothing, STDOUT_FILENO) < 0 ||
            dup2(errors[1], STDERR_FILENO) < 0) {
            _exit(127);
        }
        if (inChild) {
            inChild();
        }
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    const int spawned = child > 0 ? 0 : errno;
    close(errors[1]);
    std::thread reader([&result, from = errors[0]] {
        char buffer[4096];
        for (ssize_t got; (got = read(from, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR);) {
            result.errors.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        }
    });
    if (spawned == 0) {
        if (meanwhile) {
            meanwhile(child);
        }
        int status = 0;
        if (!waitUntil([&] { return waitpid(child, &status, WNOHANG) != 0; }, limit)) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.timedOut = true;
        }
        if (WIFEXITED(status)) {
            result.exitStatus = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.signal = WTERMSIG(status);
        }
    }
    reader.join();
    close(errors[0]);
    if (spawned != 0) {
        result.errors = std::string("cannot start the program: ") + std::strerror(spawned);
    }
    return result;
}
