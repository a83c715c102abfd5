#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace dravik::solve::testing {

// What a command printed and how it ended.
struct Finished {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// A fresh directory, removed with everything in it when the test is done.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "dravik-solve-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell command line, with standard output and standard error kept apart.
inline Finished RunCommand(const std::string& command)
{
    ScratchDir scratch;
    const std::filesystem::path err = scratch.path() / "stderr";
    Finished done;
    FILE* pipe = popen((command + " 2>'" + err.string() + "'").c_str(), "r");
    if (pipe == nullptr) {
        return done;
    }
    std::array<char, 65536> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        done.out.append(buffer.data(), n);
    }
    const int raw = pclose(pipe);
    done.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    done.err = ReadFile(err);
    return done;
}

inline std::string Quote(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

// The JSON lines of a dravik-sim trace.
inline std::vector<nlohmann::json> JsonLines(const std::string& text)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

// The ticks of the win lines of a trace.
inline std::vector<std::uint64_t> WinTicks(const std::vector<nlohmann::json>& lines)
{
    std::vector<std::uint64_t> ticks;
    for (const nlohmann::json& line : lines) {
        if (line.contains("event") && line["event"] == "win") {
            ticks.push_back(line["tick"].get<std::uint64_t>());
        }
    }
    return ticks;
}

}  // namespace dravik::solve::testing
