#include "support/subprocess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace dravik::support {

namespace {

// The parent's environment with the command's changes made.
std::vector<std::string> EnvironmentOf(const Command& command)
{
    std::vector<std::string> out;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (command.environment.count(name) == 0) {
            out.push_back(text);
        }
    }
    for (const auto& [name, value] : command.environment) {
        if (value) {
            out.push_back(name + "=" + *value);
        }
    }
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (std::string& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

}  // namespace

Finished Run(const Command& command)
{
    Finished done;
    ScratchDir scratch;
    if (scratch.path().empty()) {
        done.err = "cannot make a scratch directory";
        return done;
    }
    const std::filesystem::path in = scratch.path() / "stdin";
    const std::filesystem::path out = scratch.path() / "stdout";
    const std::filesystem::path err = scratch.path() / "stderr";
    std::ofstream(in, std::ios::binary) << command.input;

    // The streams go through files, so no pipe can fill up and stall either side.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args = command.argv;
    std::vector<std::string> environment = EnvironmentOf(command);
    const std::vector<char*> argv = Pointers(args);
    const std::vector<char*> envp = Pointers(environment);
    pid_t pid = 0;
    const int failed = args.empty() ? EINVAL : posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        done.err = "cannot start " + (args.empty() ? std::string("nothing") : args[0]) + ": " + std::strerror(failed);
        return done;
    }
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0) {
        if (errno != EINTR) {
            done.err = std::string("cannot wait for ") + args[0] + ": " + std::strerror(errno);
            return done;
        }
    }
    done.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    done.out = ReadFile(out);
    done.err = ReadFile(err);
    return done;
}

Finished RunCommand(const std::string& line, const std::string& input)
{
    return Run({{"/bin/sh", "-c", line}, input, {}});
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "dravik-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

}  // namespace dravik::support
