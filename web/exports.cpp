// The functions the page calls. Every call runs between two ticks; a fatal
// error of the game ends the game, and its message is kept for the page.
#include <emscripten/emscripten.h>

#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "game/fatal_error.h"
#include "level/layout.h"
#include "sim/verify.h"
#include "web/session.h"

namespace {

std::unique_ptr<dravik::web::Session> session = std::make_unique<dravik::web::Session>();
std::string failure;  // the fatal error that ended the game, if any
std::string text;     // the last text handed to the page
std::vector<double> controls;

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

// Per control in the design order: kind, colour, left, top, width, height,
// visible, font points (0 for a shape, negative for a label with a box).
constexpr int kFields = 8;
constexpr double kLabelKind = 9;

}  // namespace

extern "C" {

// 0 when the call went through, 1 when the game has ended (see dravik_failure).
EMSCRIPTEN_KEEPALIVE int dravik_key(int down, int keyCode)
{
    return Guarded([&] { session->Key(down != 0, static_cast<std::int16_t>(keyCode)); }) ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE int dravik_reset()
{
    return Guarded([] { session->Reset(); }) ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE int dravik_clock()
{
    return Guarded([] { session->Clock(); }) ? 0 : 1;
}

// 0 for a tick, 2 for a tick that declared a win, 1 when the game has ended.
EMSCRIPTEN_KEEPALIVE int dravik_tick()
{
    bool won = false;
    return Guarded([&] { won = session->Tick(); }) ? (won ? 2 : 0) : 1;
}

EMSCRIPTEN_KEEPALIVE int dravik_watching()
{
    return session->Watching() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE double dravik_ticks()
{
    return static_cast<double>(session->Ticks());
}

EMSCRIPTEN_KEEPALIVE const char* dravik_failure()
{
    return failure.c_str();
}

// A new game from the start, leaving any ended one behind.
EMSCRIPTEN_KEEPALIVE void dravik_new_game()
{
    session = std::make_unique<dravik::web::Session>();
    failure.clear();
}

// Watches a run given as `size` bytes of script text (a NUL among them is
// the script's, to be refused as dravik --replay refuses it) from a new game.
// Gives "" when it plays, else the reason ("line L: ...") and the current
// game goes on as it was.
EMSCRIPTEN_KEEPALIVE const char* dravik_watch(const char* script, std::size_t size)
{
    std::istringstream in(std::string(script, size));
    dravik::sim::Script parsed = dravik::sim::ParseScript(in);
    if (parsed.error) {
        return Hand("line " + std::to_string(parsed.error->line) + ": " + parsed.error->message);
    }
    std::string error;
    const std::optional<std::uint64_t> end = dravik::sim::RunEnd(parsed, error);
    if (!end) {
        return Hand(error);
    }
    dravik_new_game();
    session->Watch(std::move(parsed.events), *end);
    return Hand("");
}

EMSCRIPTEN_KEEPALIVE const char* dravik_version()
{
    return DRAVIK_VERSION;
}

EMSCRIPTEN_KEEPALIVE const char* dravik_state_line()
{
    return Hand(session->StateLine());
}

EMSCRIPTEN_KEEPALIVE const char* dravik_run_text(const char* header)
{
    return Hand(session->RunText(header));
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
