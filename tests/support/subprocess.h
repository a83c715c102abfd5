#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dravik::support {

// What a program printed and how it ended.
struct Finished {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// A program to start: its arguments (the first one names it, found on PATH
// when it has no slash), the whole of its standard input, and the changes to
// the environment it inherits (a variable mapped to nullopt is removed).
struct Command {
    std::vector<std::string> argv;
    std::string input;
    std::map<std::string, std::optional<std::string>> environment;
};

// Starts the program, waits for its end and returns what it printed, standard
// output and standard error kept apart. The one way the tests start a program.
Finished Run(const Command& command);

// A shell command line, run by /bin/sh with the given standard input.
Finished RunCommand(const std::string& line, const std::string& input = {});

// A fresh directory, removed with everything in it when the test is done.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);

// A path quoted for the shell.
std::string Quote(const std::filesystem::path& path);

}  // namespace dravik::support
