#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

// A directory of the test's own under the system's temporary one, removed with everything in
// it. Test cases run as parallel processes, so the process id makes the name unique.
class ScratchDirectory
{
public:
    explicit ScratchDirectory(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
    }

    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};
