#include "sim/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace dravik::sim {

void TakeClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            // The lowest free number, which is `fd`: the ones below are open.
            const int taken = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (taken >= 0 && taken != fd) {
                ::close(taken);
            }
        }
    }
}

}  // namespace dravik::sim
