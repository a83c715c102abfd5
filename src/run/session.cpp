#include "run/session.h"

#include <cmath>
#include <utility>

#include "run/limits.h"
#include "run/run_text.h"
#include "run/state_line.h"
#include "sys/decimal.h"

namespace dravik::run {

namespace {

int Slot(std::int16_t keyCode)
{
    return keyCode >= vbKeyLeft && keyCode <= vbKeyDown ? keyCode - vbKeyLeft : -1;
}

// The deaths between two captions of DEATHS; one when they cannot be told
// apart as numbers (a caption the counter no longer writes exactly).
std::uint32_t DeathsBetween(const std::string& before, const std::string& after)
{
    const std::optional<double> a = sys::ReadDecimal(before);
    const std::optional<double> b = sys::ReadDecimal(after);
    if (!a || !b || !(*b > *a) || *b - *a > 1e6) {
        return 1;
    }
    return static_cast<std::uint32_t>(std::llround(*b - *a));
}

}  // namespace

Session::Session(Log log, Limits limits) : keepLog_(log == Log::Kept), limits_(limits)
{
    form_.SetMessageBox(this);
}

Session::Session(Form start, Log log, Limits limits)
    : form_(std::move(start)), keepLog_(log == Log::Kept), limits_(limits)
{
    form_.SetMessageBox(this);
}

Session::~Session()
{
    form_.SetMessageBox(nullptr);
}

void Session::Show(std::string_view)
{
    won_ = true;
}

// An event of the player's: turned away while a run is watched, and for any
// key but an arrow.
bool Session::Take(const Event& event)
{
    const bool key = event.kind == EventKind::KeyDown || event.kind == EventKind::KeyUp;
    if (watching_ || (key && !IsArrow(event.keyCode))) {
        return false;
    }
    Deliver(event);
    return true;
}

bool Session::Press(std::int16_t keyCode)
{
    return Take({ticks_ + 1, EventKind::KeyDown, static_cast<std::uint16_t>(keyCode)});
}

bool Session::Release(std::int16_t keyCode)
{
    return Take({ticks_ + 1, EventKind::KeyUp, static_cast<std::uint16_t>(keyCode)});
}

bool Session::Reset()
{
    return Take({ticks_ + 1, EventKind::Reset});
}

bool Session::Clock()
{
    return Take({ticks_ + 1, EventKind::Clock});
}

void Session::LetGo()
{
    if (watching_) {
        return;  // the watched run holds its own arrows
    }
    for (std::size_t slot = 0; slot < held_.size(); ++slot) {
        if (held_[slot]) {
            Deliver({ticks_ + 1, EventKind::KeyUp, static_cast<std::uint16_t>(vbKeyLeft + static_cast<int>(slot))});
        }
    }
}

bool Session::Held(std::int16_t keyCode) const
{
    const int slot = Slot(keyCode);
    return slot >= 0 && held_[static_cast<std::size_t>(slot)];
}

// Applies an event to the game and logs it. The state after the last tick
// is kept first: the recording ends with it, whatever came since.
void Session::Deliver(const Event& event)
{
    const bool key = event.kind == EventKind::KeyDown || event.kind == EventKind::KeyUp;
    if (key && !IsArrow(event.keyCode)) {
        return;
    }
    const bool logging = keepLog_ && !logEnded_;
    if (logging && log_.size() == limits_.events) {
        EndLog("the most events a run holds, " + std::to_string(limits_.events));
    }
    if (logging && !logEnded_ && !sinceTick_) {
        tickState_ = StateLine();
        sinceTick_ = true;
    }
    Apply(form_, event);
    if (key) {
        held_[static_cast<std::size_t>(Slot(static_cast<std::int16_t>(event.keyCode)))] =
            event.kind == EventKind::KeyDown;
    } else if (event.kind == EventKind::Reset) {
        stretchStart_ = ticks_;
        stretchDeaths_ = 0;
    }
    if (keepLog_ && !logEnded_) {
        log_.push_back({ticks_ + 1, event.kind, event.keyCode});
        if (sink_ != nullptr) {
            sink_->Logged(log_.back());
        }
    }
}

TickReport Session::Tick()
{
    if (watching_ || endless_) {
        while (scriptNext_ < script_.size() && script_[scriptNext_].tick <= ticks_ + 1) {
            Deliver(script_[scriptNext_++]);
        }
    }
    const std::string deathsBefore = form_.Deaths.Caption;
    won_ = false;
    form_.tmrBall_Timer();
    ++ticks_;
    sinceTick_ = false;

    TickReport report;
    report.won = won_;
    if (form_.Deaths.Caption != deathsBefore) {
        report.deaths = DeathsBetween(deathsBefore, form_.Deaths.Caption);
    }
    if (won_) {
        ++wins_;
        lastWin_ = Win{ticks_, Current()};
        stretchStart_ = ticks_;
        stretchDeaths_ = 0;  // the deaths of the winning tick come after the win
    }
    stretchDeaths_ += report.deaths;
    if (keepLog_ && !logEnded_) {
        if (ticks_ % kHashEvery == 0) {
            hashes_.emplace_back(ticks_, StateHash());
            if (sink_ != nullptr) {
                sink_->Hashed(ticks_, hashes_.back().second);
            }
        }
        if (ticks_ == limits_.ticks) {
            EndLog("the longest run, " + std::to_string(limits_.ticks) + " ticks");
        }
    }
    if (watching_ && ticks_ >= watchEnd_) {
        EndReplay();
        report.replayEnded = true;
    }
    return report;
}

// Live play from where the watched run stands: nothing walks on with no key
// down, the tick goes back to the game's pace and the clock counts again.
void Session::EndReplay()
{
    watching_ = false;
    LetGo();
    speed_ = 1;
    pace_.SetRate(1, true);
}

Played Session::Advance(std::chrono::nanoseconds elapsed)
{
    Played played;
    pace_.Advance(elapsed);
    for (Pace::Beat beat; (beat = pace_.Next()) != Pace::Beat::None;) {
        if (beat == Pace::Beat::Clock) {
            Clock();
            ++played.clocks;
        } else if (TickInto(played)) {
            pace_.Hold();
            break;
        }
    }
    return played;
}

Played Session::Step()
{
    Played played;
    TickInto(played);
    return played;
}

bool Session::TickInto(Played& played)
{
    const float left = form_.Square.Left;
    const float top = form_.Square.Top;
    const int keysBefore = KeysLeft();
    const TickReport report = Tick();
    ++played.ticks;
    if (report.deaths > 0) {
        played.deaths.push_back({ticks_, left, top});
    }
    if (const int keysAfter = KeysLeft(); keysAfter < keysBefore && !report.won) {
        played.taken.push_back({ticks_, keysAfter});
    }
    played.replayEnded = played.replayEnded || report.replayEnded;
    if (report.won) {
        played.win = lastWin_;
    }
    return report.won;
}

void Session::Watch(std::vector<Event> events, std::uint64_t endTick, double speed)
{
    script_ = std::move(events);
    scriptNext_ = 0;
    endless_ = false;
    watchEnd_ = endTick;
    watching_ = endTick > ticks_;
    speed_ = watching_ ? speed : 1;
    pace_.SetRate(speed_, !watching_);
}

void Session::Play(std::vector<Event> events)
{
    script_ = std::move(events);
    scriptNext_ = 0;
    endless_ = true;
    watching_ = false;
}

int Session::KeysLeft() const
{
    int left = 0;
    const ControlGroup& keys = form_.Key;
    for (std::int16_t i = 0; i <= keys.UBound(); ++i) {
        left += keys.Has(i) && keys.Item(i).Visible ? 1 : 0;
    }
    return left;
}

std::string Session::StateLine() const
{
    return run::StateLine(form_, ticks_, wins_);
}

std::uint64_t Session::StateHash() const
{
    return run::StateHash(form_, ticks_, wins_);
}

void Session::EndLog(const std::string& why)
{
    endState_ = FinalState();
    logEnded_ = true;
    if (sink_ != nullptr) {
        sink_->Ended(endState_, why);
    }
}

std::string Session::FinalState() const
{
    if (logEnded_) {
        return endState_;
    }
    return sinceTick_ ? tickState_ : StateLine();
}

std::string Session::RunText(std::string_view header) const
{
    std::string text(header);
    auto hash = hashes_.begin();
    for (const Event& event : log_) {
        for (; hash != hashes_.end() && hash->first < event.tick; ++hash) {
            text += HashLine(hash->first, hash->second) + "\n";
        }
        text += EventLine(event) + "\n";
    }
    for (; hash != hashes_.end(); ++hash) {
        text += HashLine(hash->first, hash->second) + "\n";
    }
    return text + FinalLineText(FinalState()) + "\n";
}

}  // namespace dravik::run
