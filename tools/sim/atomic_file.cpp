#include "sim/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

namespace dravik::sim {

namespace {

// The temporary file to remove if a signal ends the program; one at a time.
char gPending[4096];

extern "C" void RemovePendingAndDie(int signal)
{
    if (gPending[0] != '\0') {
        ::unlink(gPending);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void Remember(const std::string& temporary)
{
    if (temporary.size() < sizeof gPending) {
        std::memcpy(gPending, temporary.c_str(), temporary.size() + 1);
        for (int s : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(s, RemovePendingAndDie);
        }
    }
}

void Forget()
{
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(s, SIG_DFL);
    }
    gPending[0] = '\0';
}

std::string Reason(int error)
{
    return std::strerror(error);
}

}  // namespace

AtomicFile::~AtomicFile()
{
    Discard();
}

bool AtomicFile::Open(const std::string& path, std::string& error)
{
    Discard();
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = Reason(EISDIR);
        return false;
    }
    std::vector<char> name(path.begin(), path.end());
    for (char c : std::string_view(".tmp-XXXXXX")) {
        name.push_back(c);
    }
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    // mkostemp makes the file private; the finished one gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    path_ = path;
    temporary_ = name.data();
    fd_ = fd;
    Remember(temporary_);
    return true;
}

bool AtomicFile::Commit(std::string_view bytes, std::string& error)
{
    if (fd_ < 0) {
        error = Reason(EBADF);
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = Reason(n < 0 ? errno : EIO);
            Discard();
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    int failure = ::fsync(fd_) == 0 ? 0 : errno;
    if (::close(fd_) != 0 && failure == 0) {
        failure = errno;
    }
    fd_ = -1;
    if (failure == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        error = Reason(failure);
        Discard();
        return false;
    }
    temporary_.clear();
    Forget();
    return true;
}

void AtomicFile::Discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        Forget();
    }
}

}  // namespace dravik::sim
