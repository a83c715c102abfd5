#include "sys/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace dravik::sys {

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

int FlushStandardOutput()
{
    errno = 0;
    std::cout.flush();
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && std::cout) {
        return 0;
    }
    return errno != 0 ? errno : EIO;
}

}  // namespace dravik::sys
