#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "run/session.h"

namespace dravik::run {

// Writes a session's recording to a file while it is played: the header,
// then every line the moment the session logs it, and at the end the
// "# final" line. Each line reaches the file whole as soon as it is made, so
// a crash or a kill loses at most the line being written. After the first
// failed write it records nothing more.
class Recorder : public LogSink {
public:
    // Creates `path`, which must not exist yet (a recording never overwrites
    // a file), or takes standard output for "-", and writes `header`.
    // Returns nullptr and the reason in `error` when it cannot.
    static std::unique_ptr<Recorder> Create(const std::string& path, std::string_view header, std::string& error);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Called once with what happened: a write failed ("cannot write ...") or
    // the recording reached a limit ("the recording ... ends at ..."). Play
    // goes on unrecorded either way.
    void OnStop(std::function<void(const std::string&)> report) { report_ = std::move(report); }

    void Logged(const Event& event) override;
    void Hashed(std::uint64_t tick, std::uint64_t hash) override;
    void Ended(const std::string& finalState, const std::string& why) override;

    // Ends the recording with the session's final state.
    void Finish(const Session& session);

    // Removes the file: the game never started.
    void Discard();

    // A write has failed: the file holds only the lines before it.
    bool Failed() const { return failed_; }
    const std::string& Path() const { return path_; }

private:
    Recorder(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    void Write(const std::string& line);
    void Close();
    void Fail(int reason);

    std::string path_;
    int fd_;          // -1 once closed
    off_t size_ = 0;  // the whole lines written so far
    bool failed_ = false;
    std::function<void(const std::string&)> report_;
};

}  // namespace dravik::run
