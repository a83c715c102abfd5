#include "ui/run_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "sim/script_text.h"
#include "sim/verify.h"

namespace dravik::ui {

namespace {

std::string Now()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

std::unique_ptr<RunRecorder> RunRecorder::Create(const std::string& path, std::string_view version, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno == EEXIST ? path + " exists already: a recording never overwrites a file"
                                : "cannot record to " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<RunRecorder> recorder(new RunRecorder(path, fd));
    recorder->Write("# dravik run 1\n# dravik " + std::string(version) + "\n# recorded " + Now() +
                    "\n# check it with: dravik-sim --verify FILE; watch it with: dravik --replay FILE\n");
    if (recorder->Failed()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        recorder->Discard();
        return nullptr;
    }
    return recorder;
}

RunRecorder::~RunRecorder()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void RunRecorder::Note(const sim::Event& event)
{
    if (events_ == sim::kMostEvents && fd_ >= 0) {
        End("the most events a script holds, " + std::to_string(events_));
    }
    if (fd_ >= 0) {
        ++events_;
        Write(sim::EventLine(event) + "\n");
    }
}

void RunRecorder::Ticked(std::string stateLine, std::uint64_t tick)
{
    lastState_ = std::move(stateLine);
    if (tick == sim::kLongestRun && fd_ >= 0) {
        End("the longest run, " + std::to_string(tick) + " ticks");
    }
}

void RunRecorder::End(const std::string& limit)
{
    Finish();
    if (report_ && !failed_) {
        report_("the recording " + path_ + " ends at " + limit);
    }
}

void RunRecorder::Finish()
{
    Write("# final " + lastState_ + "\n");
    if (fd_ >= 0) {
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0) {
            Fail(errno);
        }
    }
}

void RunRecorder::Discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    ::unlink(path_.c_str());
}

// One write call for the whole line, repeated for what a short write leaves.
void RunRecorder::Write(const std::string& text)
{
    std::size_t done = 0;
    while (fd_ >= 0 && done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            if (done == text.size()) {
                size_ += static_cast<off_t>(done);
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // The part of the line that got in goes again: the file stays a
            // whole script, which replays and shows where the recording stopped.
            const int reason = n < 0 ? errno : ENOSPC;
            [[maybe_unused]] const int cut = ::ftruncate(fd_, size_);
            ::close(fd_);
            fd_ = -1;
            Fail(reason);
        }
    }
}

void RunRecorder::Fail(int reason)
{
    failed_ = true;
    errno = reason;
    if (report_) {
        report_("cannot write " + path_ + ": " + std::strerror(reason));
    }
}

}  // namespace dravik::ui
