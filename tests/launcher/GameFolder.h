#pragma once

// A game laid out in a fresh temporary folder, and a home whose Documents folder the engine
// finds whichever way it looks:
//
//     <root>/home/Documents/                  the Lua log lands in Quorlin/Vaskerel below it
//     <root>/home/.config/user-dirs.dirs      names $HOME/Documents
//     <root>/work/                            the working directory ("bin"): config.ini, ...
//     <root>/resources/                       the stages and scripts, stored scrambled
//
// The test process itself runs with HOME and XDG_CONFIG_HOME pointing there, without
// XDG_DOCUMENTS_DIR and inside the working directory; everything is put back afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/RC4Cipher.h"
#include "world/ScratchDirectory.h"

class GameFolderTest : public ScratchDirectoryTest
{
protected:
    void SetUp() override
    {
        ScratchDirectoryTest::SetUp();
        std::filesystem::create_directories(documents());
        std::filesystem::create_directories(home() / ".config");
        writeFile(home() / ".config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
        std::filesystem::create_directories(resources() / "scripts");

        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "DEMO_EXIT_AFTER"}) {
            const char* value = std::getenv(name);
            savedEnvironment_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        setenv("HOME", home().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home() / ".config").c_str(), 1);
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("DEMO_EXIT_AFTER");
    }

    void TearDown() override
    {
        for (const auto& [name, value] : savedEnvironment_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        ScratchDirectoryTest::TearDown();
    }

    std::filesystem::path home() const { return root() / "home"; }
    std::filesystem::path documents() const { return home() / "Documents"; }
    std::filesystem::path logFolder() const { return documents() / "Quorlin" / "Vaskerel"; }
    std::filesystem::path bin() const { return root() / "work"; }
    std::filesystem::path resources() const { return root() / "resources"; }

    static std::vector<std::string> linesOf(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    void writeConfig(const std::string& projectChildren) const
    {
        writeFile(bin() / "config.ini", "<project>\n" + projectChildren + "</project>\n");
    }

    // A file under resources/, stored scrambled as the engine reads stages and scripts.
    void writeScrambled(const std::string& relativePath, const std::string& text) const
    {
        const std::filesystem::path path = resources() / relativePath;
        std::filesystem::create_directories(path.parent_path());
        writeFile(path, Orva::Crypto::RC4Cipher::encrypt(text));
    }

    // The stage "Main" with one object carrying a transform and each listed script class.
    void writeStage(const std::vector<std::string>& scriptClasses) const
    {
        std::string scripts;
        for (const std::string& name : scriptClasses) {
            scripts +=
                "<comp type=\"2\"><source path=\"scripts/" + name + ".lua\"/><active value=\"true\"/></comp>";
        }
        writeScrambled("main.stg", "<stage><info><name text=\"Main\"/></info><objects><obj name=\"Thing\">"
                                   "<comp type=\"0\"><scale x=\"1\" y=\"1\" z=\"1\"/></comp>" +
                                       scripts + "</obj></objects></stage>");
    }

    // Every Lua log of the log folder, which games also keep their own files in; a
    // well-formed name has no leading zeros.
    std::vector<std::filesystem::path> logFiles() const
    {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(logFolder(), error)) {
            if (entry.path().filename().string().rfind("lua-log", 0) == 0) {
                files.push_back(entry.path());
            }
        }
        return files;
    }

    // lua-log_Y-M-D_h-m-s.txt, every number without leading zeros.
    static bool isLogFileName(const std::string& name)
    {
        const std::string prefix = "lua-log_";
        const std::string suffix = ".txt";
        if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            return false;
        }
        const std::vector<std::string> dateAndTime =
            split(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()), '_');
        return dateAndTime.size() == 2 && areNumbers(split(dateAndTime[0], '-'), 3) &&
               split(dateAndTime[0], '-')[0].size() == 4 && areNumbers(split(dateAndTime[1], '-'), 3);
    }

    // "===================== Lua Logging <word> h:m:s ==========", numbers without leading zeros.
    static bool isBannerLine(const std::string& line, const std::string& word)
    {
        const std::string prefix = std::string(21, '=') + " Lua Logging " + word + " ";
        const std::string suffix = " " + std::string(10, '=');
        if (line.size() <= prefix.size() + suffix.size() || line.rfind(prefix, 0) != 0 ||
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0) {
            return false;
        }
        return areNumbers(split(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()), ':'),
                          3);
    }

    // The lines of the one log this run wrote; fails the test when there is not exactly one.
    std::vector<std::string> onlyLogLines() const
    {
        const std::vector<std::filesystem::path> files = logFiles();
        if (files.size() != 1) {
            ADD_FAILURE() << "expected one log file, found " << files.size();
            return {};
        }
        EXPECT_TRUE(isLogFileName(files[0].filename().string())) << files[0];
        const std::string text = readFile(files[0]);
        EXPECT_TRUE(text.empty() || text.back() == '\n') << "every line ends with a line feed";
        return linesOf(text);
    }

    // Checks the begin line, the given lines, then the end line and the developers' message.
    void expectLog(const std::vector<std::string>& scriptLines) const
    {
        const std::vector<std::string> lines = onlyLogLines();
        ASSERT_EQ(lines.size(), scriptLines.size() + 4) << readFile(logFiles().at(0));
        EXPECT_TRUE(isBannerLine(lines.front(), "Begin")) << lines.front();
        for (std::size_t i = 0; i < scriptLines.size(); ++i) {
            EXPECT_EQ(lines[i + 1], scriptLines[i]);
        }
        EXPECT_TRUE(isBannerLine(lines[scriptLines.size() + 1], "End")) << lines[scriptLines.size() + 1];
        EXPECT_EQ(lines[scriptLines.size() + 2], "Message from the developers:");
        EXPECT_EQ(lines[scriptLines.size() + 3],
                  "Thanks for playing our game! We really hope that you enjoyed it!");
    }

private:
    static std::vector<std::string> split(const std::string& text, char separator)
    {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1) {
            parts.push_back(text.substr(start, end - start));
        }
        parts.push_back(text.substr(start));
        return parts;
    }

    // `count` decimal numbers, none with a leading zero.
    static bool areNumbers(const std::vector<std::string>& parts, std::size_t count)
    {
        return parts.size() == count && std::all_of(parts.begin(), parts.end(), [](const std::string& part) {
                   return !part.empty() && part.size() <= 4 && (part.size() == 1 || part.front() != '0') &&
                          std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
               });
    }

    std::map<std::string, std::optional<std::string>> savedEnvironment_;
};
