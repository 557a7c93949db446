#pragma once

// Runs a program without arguments as its own process and waits for it, at most `limit`:
// the working directory, environment changes over the test's own environment, and its
// stderr captured (stdout is dropped).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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

// `meanwhile`, when given, runs once the program has started; the limit counts from its end.
inline ProgramResult runProgram(const std::filesystem::path& program,
                                const std::filesystem::path& workingDirectory,
                                const EnvironmentChanges& changes,
                                std::chrono::seconds limit = std::chrono::seconds(120),
                                const std::function<void()>& meanwhile = {})
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

    char errorsPath[] = "/tmp/orva-stderr-XXXXXX";
    const int errorsFile = mkstemp(errorsPath);
    ProgramResult result;
    if (errorsFile < 0) {
        result.errors = "cannot make a file for stderr";
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errorsFile, STDERR_FILENO);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(errorsFile);
    if (spawned == 0) {
        if (meanwhile) {
            meanwhile();
        }
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        pid_t waited = 0;
        while ((waited = waitpid(child, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (waited == 0) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.timedOut = true;
        }
        if (WIFEXITED(status)) {
            result.exitStatus = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.signal = WTERMSIG(status);
        }
        std::ifstream in(errorsPath, std::ios::binary);
        result.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        result.errors = std::string("cannot start the program: ") + std::strerror(spawned);
    }
    std::filesystem::remove(errorsPath);
    return result;
}
