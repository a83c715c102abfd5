#include "sys/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "sys/write_all.h"

namespace dravik::sys {

namespace {

// The temporary file to remove if a signal ends the program; one at a time.
char gPending[4096];

// The signals whose default ends the program, and what each did before.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE, SIGALRM,   SIGTERM,
                                  SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
struct sigaction gPrevious[std::size(kEndingSignals)];

extern "C" void RemovePendingAndDie(int signal)
{
    if (gPending[0] != '\0') {
        ::unlink(gPending);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// A signal the program was started to ignore (nohup's hangup, a background
// job's Ctrl+C) stays ignored.
void Remember(const std::string& temporary)
{
    if (temporary.size() < sizeof gPending) {
        std::memcpy(gPending, temporary.c_str(), temporary.size() + 1);
        struct sigaction action {};
        action.sa_handler = RemovePendingAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], nullptr, &gPrevious[i]);
            if (gPrevious[i].sa_handler != SIG_IGN) {
                ::sigaction(kEndingSignals[i], &action, nullptr);
            }
        }
    }
}

void Forget()
{
    if (gPending[0] != '\0') {
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &gPrevious[i], nullptr);
        }
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
    inPlace_ = false;
    std::string target = path;
    mode_t mode = 0;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = Reason(EISDIR);
            return false;
        }
        if (!S_ISREG(info.st_mode)) {
            // A device or a pipe (/dev/null, /dev/stdout) holds no old
            // contents to keep and must not be replaced: it is written in place.
            if (::access(path.c_str(), W_OK) != 0) {
                error = Reason(errno);
                return false;
            }
            path_ = path;
            inPlace_ = true;
            return true;
        }
        // Through a symbolic link, the file it names is replaced, not the
        // link; the new file keeps the old one's permissions.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::vector<char> name(target.begin(), target.end());
    for (char c : std::string_view(".tmp-XXXXXX")) {
        name.push_back(c);
    }
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    ::fchmod(fd, mode);  // mkostemp makes the file private
    path_ = target;
    temporary_ = name.data();
    fd_ = fd;
    Remember(temporary_);
    return true;
}

bool AtomicFile::Commit(std::string_view bytes, std::string& error)
{
    if (inPlace_) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    }
    if (fd_ < 0) {
        error = Reason(inPlace_ ? errno : EBADF);
        return false;
    }
    int failure = WriteAll(fd_, bytes);
    if (failure == 0 && !inPlace_ && ::fsync(fd_) != 0) {
        failure = errno;
    }
    if (::close(fd_) != 0 && failure == 0) {
        failure = errno;
    }
    fd_ = -1;
    if (failure == 0 && !inPlace_ && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
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

}  // namespace dravik::sys
