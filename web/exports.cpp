// The functions the page calls: one run::Session and what it says. Every
// call runs between two ticks; a fatal error of the game ends the game, and
// its message is kept for the page.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "game/timers.h"
#include "level/fatal_error.h"
#include "level/layout.h"
#include "run/check.h"
#include "run/ghost.h"
#include "run/run_file.h"
#include "run/run_text.h"
#include "run/session.h"
#include "sys/plain_number.h"

namespace {

using dravik::run::Session;

std::unique_ptr<Session> session = std::make_unique<Session>();
std::string failure;  // the fatal error that ended the game, if any
std::string text;     // the last text handed to the page
std::vector<double> controls;
dravik::run::Played played;  // what the last advance or tick played
dravik::run::Win checked;    // the last win of the run last checked

// The run raced, if any: its ghost, the script it came from (to race it
// again in a new game) and the gaps of the last call that played.
std::optional<dravik::run::Ghost> ghost;
dravik::run::Script ghostScript;
std::vector<dravik::run::Gap> gaps;

// Runs one call of the page; false once the game has ended.
template <class Call>
bool Guarded(Call&& call)
{
    if (!failure.empty()) {
        return false;
    }
    try {
        call();
        return true;
    } catch (const dravik::FatalError& e) {
        failure = e.what();
        return false;
    }
}

const char* Hand(std::string value)
{
    text = std::move(value);
    return text.c_str();
}

// Brings the ghost to the live stretch after what `by` played.
void FollowGhost(const dravik::run::Played& by = {})
{
    gaps.clear();
    if (ghost) {
        gaps = ghost->Follow(*session, by);
    }
}

// Reads a run text; the reason ("line L: ...") in `error` when it cannot.
dravik::run::Script Parsed(const char* script, std::size_t size, std::string& error)
{
    std::istringstream in(std::string(script, size));
    dravik::run::Script parsed = dravik::run::ParseScript(in);
    if (parsed.error) {
        error = "line " + std::to_string(parsed.error->line) + ": " + parsed.error->message;
    }
    return parsed;
}

// What the last advance did, as the bits of its result: 1 a tick ran, 2 it
// won, 4 the watched run ended, 8 a death; -1 when the game has ended.
int Summary()
{
    return (played.ticks > 0 ? 1 : 0) | (played.win ? 2 : 0) | (played.replayEnded ? 4 : 0) |
           (played.deaths.empty() ? 0 : 8);
}

// Per control in the design order: kind, colour, left, top, width, height,
// visible, font points (0 for a shape, negative for a label with a box).
constexpr int kFields = 8;
constexpr double kLabelKind = 9;

}  // namespace

extern "C" {

// The game's facts the page draws and paces by.
EMSCRIPTEN_KEEPALIVE double dravik_tick_ms()
{
    return std::chrono::duration<double, std::milli>(dravik::kTickPeriod).count();
}
EMSCRIPTEN_KEEPALIVE int dravik_client_width()
{
    return dravik::kClientWidth;
}
EMSCRIPTEN_KEEPALIVE int dravik_client_height()
{
    return dravik::kClientHeight;
}
EMSCRIPTEN_KEEPALIVE int dravik_twips_per_pixel()
{
    return dravik::kTwipsPerPixel;
}
// 0x00BBGGRR: the background, the outline of every shape, a counter's box.
EMSCRIPTEN_KEEPALIVE int dravik_colour(int which)
{
    switch (which) {
        case 0: return static_cast<int>(dravik::kBackground);
        case 1: return static_cast<int>(dravik::kBlack);
        default: return static_cast<int>(dravik::kWhite);
    }
}
// The ghost's colour (0x00BBGGRR) and its fill's and edge's opacity out of 255.
EMSCRIPTEN_KEEPALIVE int dravik_ghost_colour()
{
    return static_cast<int>(dravik::run::kGhostColour);
}
EMSCRIPTEN_KEEPALIVE int dravik_ghost_alpha(int edge)
{
    return edge != 0 ? dravik::run::kGhostEdgeAlpha : dravik::run::kGhostFillAlpha;
}
EMSCRIPTEN_KEEPALIVE int dravik_circle_kind()
{
    return static_cast<int>(dravik::kCircle);
}
EMSCRIPTEN_KEEPALIVE int dravik_label_kind()
{
    return static_cast<int>(kLabelKind);
}
EMSCRIPTEN_KEEPALIVE int dravik_fields()
{
    return kFields;
}
// The arrows' key codes, Left, Up, Right, Down for 0 to 3: all a run's keys.
EMSCRIPTEN_KEEPALIVE int dravik_arrow(int which)
{
    return dravik::vbKeyLeft + std::clamp(which, 0, 3);
}
// The player's side in twips.
EMSCRIPTEN_KEEPALIVE double dravik_player_side()
{
    return session->Game().Square.Width;
}

// A speed of the page's links, read as dravik --speed reads one; -1 for a
// text that is no plain decimal number.
EMSCRIPTEN_KEEPALIVE double dravik_read_number(const char* value)
{
    const std::optional<double> number = dravik::sys::ReadFixed(value);
    return number ? *number : -1;
}

// The player's events; 0 when the call went through, 1 when the game has
// ended (see dravik_failure).
EMSCRIPTEN_KEEPALIVE int dravik_key(int down, int keyCode)
{
    const auto code = static_cast<std::int16_t>(keyCode);
    return Guarded([&] { down != 0 ? session->Press(code) : session->Release(code); }) ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE int dravik_let_go()
{
    return Guarded([] { session->LetGo(); }) ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE int dravik_reset()
{
    const bool going = Guarded([] { session->Reset(); });
    FollowGhost();
    return going ? 0 : 1;
}

// Plays what `ms` of real time has brought (see Summary).
EMSCRIPTEN_KEEPALIVE int dravik_advance(double ms)
{
    const auto elapsed = std::chrono::nanoseconds(std::llround(std::max(0.0, ms) * 1e6));
    if (!Guarded([&] { played = session->Advance(elapsed); })) {
        return -1;
    }
    FollowGhost(played);
    return Summary();
}

// One tick, whatever the time (the page's test hook); see Summary.
EMSCRIPTEN_KEEPALIVE int dravik_tick()
{
    if (!Guarded([] { played = session->Step(); })) {
        return -1;
    }
    FollowGhost(played);
    return Summary();
}

// The game holds (the win box, a pause): what is due waits for the next advance.
EMSCRIPTEN_KEEPALIVE void dravik_hold()
{
    session->Hold();
}

// The deaths of the last advance: how many, and where each player stood.
EMSCRIPTEN_KEEPALIVE int dravik_death_count()
{
    return static_cast<int>(played.deaths.size());
}
EMSCRIPTEN_KEEPALIVE double dravik_death_left(int i)
{
    return played.deaths.at(static_cast<std::size_t>(i)).left;
}
EMSCRIPTEN_KEEPALIVE double dravik_death_top(int i)
{
    return played.deaths.at(static_cast<std::size_t>(i)).top;
}

// The last win: its tick, and the stretch it ended (ticks, deaths).
EMSCRIPTEN_KEEPALIVE double dravik_win_tick()
{
    return session->LastWin() ? static_cast<double>(session->LastWin()->tick) : 0;
}
EMSCRIPTEN_KEEPALIVE double dravik_win_ticks()
{
    return session->LastWin() ? static_cast<double>(session->LastWin()->stretch.ticks) : 0;
}
EMSCRIPTEN_KEEPALIVE double dravik_win_deaths()
{
    return session->LastWin() ? static_cast<double>(session->LastWin()->stretch.deaths) : 0;
}

// The stretch under way: since the start, the last RESET or the last win.
EMSCRIPTEN_KEEPALIVE double dravik_stretch_ticks()
{
    return static_cast<double>(session->Current().ticks);
}
EMSCRIPTEN_KEEPALIVE double dravik_stretch_deaths()
{
    return static_cast<double>(session->Current().deaths);
}

EMSCRIPTEN_KEEPALIVE int dravik_keys_left()
{
    return session->KeysLeft();
}

EMSCRIPTEN_KEEPALIVE int dravik_watching()
{
    return session->Watching() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE double dravik_watch_end()
{
    return static_cast<double>(session->WatchEnd());
}

EMSCRIPTEN_KEEPALIVE double dravik_speed()
{
    return session->Speed();
}

EMSCRIPTEN_KEEPALIVE double dravik_ticks()
{
    return static_cast<double>(session->Ticks());
}

EMSCRIPTEN_KEEPALIVE double dravik_wins()
{
    return static_cast<double>(session->Wins());
}

EMSCRIPTEN_KEEPALIVE const char* dravik_failure()
{
    return failure.c_str();
}

// A new game from the start, leaving any ended one behind.
EMSCRIPTEN_KEEPALIVE void dravik_new_game()
{
    session = std::make_unique<Session>();
    played = {};
    failure.clear();
    if (ghost) {
        std::string error;
        ghost = dravik::run::Ghost::Of(ghostScript, error);  // from its start again
        FollowGhost();
    }
}

// Watches a run given as `size` bytes of script text (a NUL among them is
// the script's, to be refused as dravik --replay refuses it) from a new game,
// at `speed` times the game's pace. Gives "" when it plays, else the reason
// ("line L: ...") and the current game goes on as it was.
EMSCRIPTEN_KEEPALIVE const char* dravik_watch(const char* script, std::size_t size, double speed)
{
    std::string error;
    dravik::run::Script parsed = Parsed(script, size, error);
    if (!error.empty()) {
        return Hand(error);
    }
    const std::optional<std::uint64_t> end = dravik::run::RunEnd(parsed, error);
    if (!end) {
        return Hand(error);
    }
    dravik_new_game();
    session->Watch(std::move(parsed.events), *end, speed);
    return Hand("");
}

// Checks a recorded run of `size` bytes as dravik-sim --verify does, in a
// game of its own: "" when it reaches its final state and every hashed state
// on the way and has won (its last win is then dravik_checked_ticks and
// _deaths), else the reason. The game being played is left as it is.
EMSCRIPTEN_KEEPALIVE const char* dravik_check_run(const char* script, std::size_t size)
{
    checked = {};
    std::string error;
    const dravik::run::Script parsed = Parsed(script, size, error);
    if (!error.empty()) {
        return Hand(error);
    }
    try {
        const std::optional<dravik::run::Outcome> outcome = dravik::run::CheckRun(parsed, error);
        if (!outcome) {
            return Hand(error);
        }
        if (outcome->astray) {
            return Hand("the state differs at tick " + std::to_string(outcome->astray->tick));
        }
        if (!outcome->endMatches) {
            return Hand("the final state differs");
        }
        if (!outcome->lastWin) {
            return Hand("no win");
        }
        checked = *outcome->lastWin;
        return Hand("");
    } catch (const dravik::FatalError& e) {
        return Hand(std::string("a fatal error of the game: ") + e.what());
    }
}
EMSCRIPTEN_KEEPALIVE double dravik_checked_ticks()
{
    return static_cast<double>(checked.stretch.ticks);
}
EMSCRIPTEN_KEEPALIVE double dravik_checked_deaths()
{
    return static_cast<double>(checked.stretch.deaths);
}

// Races the run of `size` bytes of script text: its ghost follows the live
// stretch from now on (and a new game's). Gives "" when it races, else the
// reason, and any ghost raced before goes on.
EMSCRIPTEN_KEEPALIVE const char* dravik_race(const char* script, std::size_t size)
{
    std::string error;
    dravik::run::Script parsed = Parsed(script, size, error);
    if (!error.empty()) {
        return Hand(error);
    }
    try {
        std::optional<dravik::run::Ghost> raced = dravik::run::Ghost::Of(parsed, error);
        if (!raced) {
            return Hand(error);
        }
        ghost = std::move(raced);
    } catch (const dravik::FatalError& e) {
        return Hand(std::string("a fatal error of the game: ") + e.what());
    }
    ghostScript = std::move(parsed);
    FollowGhost();
    return Hand("");
}
EMSCRIPTEN_KEEPALIVE void dravik_race_end()
{
    ghost.reset();
    ghostScript = {};
    gaps.clear();
}
// Where the ghost's square stands in twips; shown 0 while it has won or
// there is none.
EMSCRIPTEN_KEEPALIVE int dravik_ghost_shown()
{
    return ghost && ghost->Shown() ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE double dravik_ghost_left()
{
    return ghost ? ghost->Left() : 0;
}
EMSCRIPTEN_KEEPALIVE double dravik_ghost_top()
{
    return ghost ? ghost->Top() : 0;
}
// The ghost's ticks to its win.
EMSCRIPTEN_KEEPALIVE double dravik_ghost_ticks()
{
    return ghost ? static_cast<double>(ghost->WinTicks()) : 0;
}
// The gaps of the last call that played: the keys taken and the gap as
// the strip shows it ("+0.42 s").
EMSCRIPTEN_KEEPALIVE int dravik_gap_count()
{
    return static_cast<int>(gaps.size());
}
EMSCRIPTEN_KEEPALIVE int dravik_gap_keys(int i)
{
    return gaps.at(static_cast<std::size_t>(i)).keys;
}
EMSCRIPTEN_KEEPALIVE const char* dravik_gap_text(int i)
{
    return Hand(dravik::run::GapText(gaps.at(static_cast<std::size_t>(i)).ticks));
}

EMSCRIPTEN_KEEPALIVE const char* dravik_version()
{
    return DRAVIK_VERSION;
}

EMSCRIPTEN_KEEPALIVE const char* dravik_state_line()
{
    return Hand(session->StateLine());
}

// The run so far as a run file, recorded at `recordedAt` (the page's clock).
EMSCRIPTEN_KEEPALIVE const char* dravik_run_text(const char* recordedAt)
{
    return Hand(session->RunText(dravik::run::RunHeader(DRAVIK_VERSION " in a web browser", recordedAt)));
}

EMSCRIPTEN_KEEPALIVE int dravik_control_count()
{
    return static_cast<int>(dravik::DesignOrder().size());
}

EMSCRIPTEN_KEEPALIVE const char* dravik_caption(int index)
{
    const dravik::ControlRef& ref = dravik::DesignOrder().at(static_cast<std::size_t>(index));
    const dravik::Label* label = session->Game().FindLabel(ref.name);
    return Hand(label != nullptr ? label->Caption : "");
}

// The controls as they stand, kFields numbers each, in the design order.
EMSCRIPTEN_KEEPALIVE const double* dravik_controls()
{
    const auto& order = dravik::DesignOrder();
    controls.assign(order.size() * kFields, 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        double* c = &controls[i * kFields];
        if (const dravik::Label* label = session->Game().FindLabel(order[i].name)) {
            const dravik::LabelRow& row = *label->layout;
            c[0] = kLabelKind;
            c[1] = row.opaque ? dravik::kWhite : dravik::kBackground;
            c[2] = row.left;
            c[3] = row.top;
            c[4] = row.width;
            c[5] = row.height;
            c[6] = 1;
            c[7] = row.opaque ? -row.fontPoints : row.fontPoints;
        } else if (const dravik::Shape* shape = session->Game().Find(order[i].name, order[i].index)) {
            c[0] = static_cast<double>(shape->Kind);
            c[1] = shape->FillColor;
            c[2] = shape->Left;
            c[3] = shape->Top;
            c[4] = shape->Width;
            c[5] = shape->Height;
            c[6] = shape->Visible ? 1 : 0;
        }
    }
    return controls.data();
}

}  // extern "C"
