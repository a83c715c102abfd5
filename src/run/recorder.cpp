#include "run/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "run/run_text.h"
#include "sys/write_all.h"

namespace dravik::run {

std::unique_ptr<Recorder> Recorder::Create(const std::string& path, std::string_view header, std::string& error)
{
    const bool standardOutput = path == "-";
    const int fd = standardOutput ? STDOUT_FILENO : ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno == EEXIST ? path + " exists already: a recording never overwrites a file"
                                : "cannot record to " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<Recorder> recorder(new Recorder(standardOutput ? "standard output" : path, fd));
    recorder->Write(std::string(header));
    if (recorder->Failed()) {
        error = "cannot write " + recorder->path_ + ": " + std::strerror(errno);
        recorder->Discard();
        return nullptr;
    }
    return recorder;
}

Recorder::~Recorder()
{
    Close();
}

void Recorder::Logged(const Event& event)
{
    Write(EventLine(event) + "\n");
}

void Recorder::Hashed(std::uint64_t tick, std::uint64_t hash)
{
    Write(HashLine(tick, hash) + "\n");
}

void Recorder::Ended(const std::string& finalState, const std::string& why)
{
    const bool open = fd_ >= 0;
    Write(FinalLineText(finalState) + "\n");
    Close();
    if (open && !failed_ && report_) {
        report_("the recording " + path_ + " ends at " + why);
    }
}

void Recorder::Finish(const Session& session)
{
    if (fd_ >= 0) {
        Write(FinalLineText(session.FinalState()) + "\n");
        Close();
    }
}

void Recorder::Discard()
{
    const bool file = fd_ != STDOUT_FILENO;
    Close();
    if (file) {
        ::unlink(path_.c_str());
    }
}

void Recorder::Close()
{
    if (fd_ >= 0) {
        const int closed = fd_ == STDOUT_FILENO ? 0 : ::close(fd_);
        fd_ = -1;
        if (closed != 0 && !failed_) {
            Fail(errno);
        }
    }
}

// One write for the whole line, repeated for what a short write leaves. A
// line that does not get in whole is taken out again: the file stays a whole
// script, which replays and shows where the recording stopped.
void Recorder::Write(const std::string& line)
{
    if (fd_ < 0) {
        return;
    }
    if (const int failure = sys::WriteAll(fd_, line); failure != 0) {
        [[maybe_unused]] const int cut = ::ftruncate(fd_, size_);
        Close();
        Fail(failure);
        return;
    }
    size_ += static_cast<off_t>(line.size());
}

void Recorder::Fail(int reason)
{
    failed_ = true;
    errno = reason;
    if (report_) {
        report_("cannot write " + path_ + ": " + std::strerror(reason));
    }
}

}  // namespace dravik::run
