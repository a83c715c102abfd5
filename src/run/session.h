#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/form.h"
#include "run/event.h"
#include "run/limits.h"
#include "run/pace.h"

namespace dravik::run {

// A stretch of play: from the start, the last RESET or the last win.
struct Stretch {
    std::uint64_t ticks = 0;
    std::uint64_t deaths = 0;
};

// A win: its tick and the stretch it ended, which is the run's result.
struct Win {
    std::uint64_t tick = 0;
    Stretch stretch;
};

// A death: its tick and where the player stood when the tick began.
struct Death {
    std::uint64_t tick = 0;
    float left = 0, top = 0;
};

// What one tick did.
struct TickReport {
    std::uint32_t deaths = 0;  // deaths counted in it
    bool won = false;          // the goal declared a win (see Session::LastWin)
    bool replayEnded = false;  // the watched run's last tick: play is live from now
};

// A tick in which the player took keys, and the keys left after it.
struct KeysTaken {
    std::uint64_t tick = 0;
    int keysLeft = 0;
};

// What one Advance played.
struct Played {
    std::uint32_t ticks = 0;
    std::uint32_t clocks = 0;
    std::vector<Death> deaths;
    std::vector<KeysTaken> taken;
    std::optional<Win> win;  // the last tick played declared it: the beats stop there
    bool replayEnded = false;
};

// Hears of the recording as it grows, one line at a time: the recorder
// writes each to its file at once.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void Logged(const Event& event) = 0;
    virtual void Hashed(std::uint64_t tick, std::uint64_t hash) = 0;
    // The recording has reached a limit (`why`) and ends with `finalState`;
    // play goes on unrecorded.
    virtual void Ended(const std::string& finalState, const std::string& why) = 0;
};

// Where a session's recording ends by itself.
struct Limits {
    std::size_t events = kMostEvents;
    std::uint64_t ticks = kLongestRun;
};

// One game being played: the form, its ticks and wins, the pace of its two
// timers and the log of every event it applied, which is the run's
// recording. Every front end (the window, the page, dravik-sim, the server)
// drives one: it feeds the player's events in between ticks, lets the
// session tick (or advance by the time that passed), and paints or prints
// what the session says happened.
//
// A session can watch a run: it then plays the run's events at their ticks
// and turns the player's away, until the run's last tick has run; at that
// moment it lets go of every arrow the run still holds (Left, Up, Right,
// Down, in that order), as key-ups before the next tick, and play is live.
//
// A run holds only what can change the game: arrows down and up, RESET and
// the clock's seconds. Other keys are not applied and never recorded.
class Session : private MessageBox {
public:
    enum class Log { Kept, None };  // None: nothing recorded (verifying, tracing)

    explicit Session(Log log = Log::Kept, Limits limits = Limits());
    // A session whose game starts in the state of `start` (a test's, a search's).
    Session(Form start, Log log, Limits limits = Limits());
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The player's events. Each gives whether the game took it: not while a
    // run is watched, and not for a key other than an arrow.
    bool Press(std::int16_t keyCode);
    bool Release(std::int16_t keyCode);
    bool Reset();
    bool Clock();
    // Lets go of every arrow the player holds (the keyboard went elsewhere),
    // in the order Left, Up, Right, Down.
    void LetGo();

    // One tick, after the watched run's events due before it.
    TickReport Tick();

    // Plays the beats that the time since the last call has brought: ticks
    // and the clock's seconds in the order they fell due (the clock is the
    // watched run's own while one is watched), stopping after a win.
    Played Advance(std::chrono::nanoseconds elapsed);
    // One tick whatever the time, told as Advance tells its ticks (the
    // page's test hook steps the game with it).
    Played Step();
    // The game holds (the win box, a pause): the beats not yet played wait.
    void Hold() { pace_.Hold(); }
    // Real time until the next beat falls due.
    std::chrono::nanoseconds UntilNextBeat() const { return pace_.UntilNext(); }

    // Watches a run's events until `endTick` has run (see RunEnd), ticking
    // `speed` times the game's pace. A session watches from its start.
    void Watch(std::vector<Event> events, std::uint64_t endTick, double speed = 1);
    // Plays a script's events at their ticks for as long as it is ticked,
    // with no end of watching: how the tools trace and check a run.
    void Play(std::vector<Event> events);
    bool Watching() const { return watching_; }
    std::uint64_t WatchEnd() const { return watchEnd_; }
    double Speed() const { return speed_; }

    const Form& Game() const { return form_; }
    // The game itself, for the tests and tools that set a state up by hand.
    // A front end changes the game only through the events above.
    Form& Arrange() { return form_; }
    std::uint64_t Ticks() const { return ticks_; }
    std::uint64_t Wins() const { return wins_; }
    const std::optional<Win>& LastWin() const { return lastWin_; }
    // The stretch under way: ticks and deaths since the start, the last
    // RESET or the last win.
    Stretch Current() const { return {ticks_ - stretchStart_, stretchDeaths_}; }
    int KeysLeft() const;
    bool Held(std::int16_t keyCode) const;

    // The state after the last tick, as dravik-sim prints it.
    std::string StateLine() const;
    std::uint64_t StateHash() const;

    // The recording: every event applied, and the state's hash after every
    // kHashEvery-th tick. It ends by itself at the longest run or before an
    // event beyond the most a run holds (see Limits); play goes on unrecorded.
    const std::vector<Event>& Logged() const { return log_; }
    bool LogEnded() const { return logEnded_; }
    void SetSink(LogSink* sink) { sink_ = sink; }
    // The state the recording ends with: after its last tick, before any
    // event that came after it.
    std::string FinalState() const;
    // The recording as a run file: `header`, the events with the hashes in
    // their places, and the "# final" line.
    std::string RunText(std::string_view header) const;

private:
    void Show(std::string_view prompt) override;
    // One tick, added to what `played` tells; true when it won.
    bool TickInto(Played& played);
    bool Take(const Event& event);
    void Deliver(const Event& event);
    void EndLog(const std::string& why);
    void EndReplay();

    Form form_;
    Pace pace_;
    bool keepLog_;
    Limits limits_;
    std::uint64_t ticks_ = 0;
    std::uint64_t wins_ = 0;
    bool won_ = false;
    std::optional<Win> lastWin_;
    std::uint64_t stretchStart_ = 0;
    std::uint64_t stretchDeaths_ = 0;
    std::array<bool, 4> held_{};  // Left, Up, Right, Down

    std::vector<Event> script_;
    std::size_t scriptNext_ = 0;
    std::uint64_t watchEnd_ = 0;
    bool watching_ = false;
    bool endless_ = false;  // Play: the script has no end of watching
    double speed_ = 1;

    std::vector<Event> log_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> hashes_;  // tick, hash
    bool logEnded_ = false;
    std::string endState_;    // the final state, once the log has ended
    bool sinceTick_ = false;  // an event was logged since the last tick
    std::string tickState_;   // the state after the last tick, kept then
    LogSink* sink_ = nullptr;
};

}  // namespace dravik::run
