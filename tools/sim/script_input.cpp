#include "sim/script_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>

#include "sim/fd_buffer.h"

namespace dravik::sim {

std::optional<Script> ReadScriptInput(const std::string& input, std::string& error)
{
    const bool standardInput = input == "-";
    const std::string name = standardInput ? "the script from standard input" : input;
    const int fd = standardInput ? STDIN_FILENO : ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    Script script;
    int failure = 0;
    {
        FdBuffer buffer(fd);
        std::istream in(&buffer);
        script = ParseScript(in);
        failure = buffer.Error();
    }
    if (!standardInput) {
        ::close(fd);
    }
    if (failure != 0) {
        error = "cannot read " + name + ": " + std::strerror(failure);
        return std::nullopt;
    }
    if (script.error) {
        error = "line " + std::to_string(script.error->line) + ": " + script.error->message;
        return std::nullopt;
    }
    return script;
}

}  // namespace dravik::sim
