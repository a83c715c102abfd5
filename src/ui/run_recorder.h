#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sim/script.h"

namespace dravik::ui {

// Writes a run while it is played, in dravik-sim's script format: a header of
// comments, then every event the game's handlers get, one line each at the
// tick before which it came, and at a clean end "# final <state line>". Each
// line reaches the file as soon as it is written, so a crash or a kill loses
// at most the line being written. After the first failed write it records
// nothing more.
class RunRecorder {
public:
    // Creates `path`, which must not exist yet (a recording never overwrites
    // a file), and writes the header. Returns nullptr and the reason in
    // `error` when it cannot.
    static std::unique_ptr<RunRecorder> Create(const std::string& path, std::string_view version, std::string& error);
    ~RunRecorder();
    RunRecorder(const RunRecorder&) = delete;
    RunRecorder& operator=(const RunRecorder&) = delete;

    // Called once, with the reason, when a write first fails.
    void OnFailure(std::function<void(const std::string&)> report) { report_ = std::move(report); }

    void Note(const sim::Event& event);

    // The state after the tick that has just run (after no tick at first),
    // kept for the end. The recording ends by itself after the longest run
    // that can be checked and replayed (sim::kLongestRun), or before an
    // event beyond the most a script holds (sim::kMostEvents), and says so
    // once through OnFailure's report; that is no failure.
    void Ticked(std::string stateLine, std::uint64_t tick);

    // Ends the recording with the state after its last tick.
    void Finish();

    // Removes the file: the game never started.
    void Discard();

    // A write has failed: the file holds only the lines before it.
    bool Failed() const { return failed_; }
    const std::string& Path() const { return path_; }

private:
    RunRecorder(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    void Write(const std::string& text);
    void End(const std::string& limit);
    void Fail(int reason);

    std::string path_;
    int fd_;          // -1 once closed
    off_t size_ = 0;  // the whole lines written so far
    std::size_t events_ = 0;
    bool failed_ = false;
    std::string lastState_;
    std::function<void(const std::string&)> report_;
};

}  // namespace dravik::ui
