#include "support/referee.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <utility>

#include "game/patrols.h"
#include "level/fatal_error.h"
#include "run/session.h"
#include "run/state_line.h"

namespace dravik::props {

namespace {

using C = ControlName;

bool IsMovingBall(C name)
{
    for (const Patrol& patrol : kPatrols) {
        if (patrol.group == name) {
            return true;
        }
    }
    return false;
}

bool Whole(float value)
{
    return std::isfinite(value) && std::trunc(value) == value;
}

// Whether the whole shape lies within the area, far edges included.
bool Inside(const Shape& s, const RECT& area)
{
    return s.Left >= static_cast<float>(area.left) && s.Top >= static_cast<float>(area.top) &&
           s.Left + s.Width <= static_cast<float>(area.right) && s.Top + s.Height <= static_cast<float>(area.bottom);
}

std::string Describe(const Shape& s)
{
    std::ostringstream out;
    out << "(" << s.Left << ", " << s.Top << ")";
    return out.str();
}

std::string Named(C name, std::int16_t index)
{
    std::string text(NameOf(name));
    if (index != kSingle) {
        text += "(" + std::to_string(index) + ")";
    }
    return text;
}

// Calls f(shape) for every ball of a group or for the single ball.
template <typename F>
void ForEachBall(const Form& form, C name, F&& f)
{
    if (const ControlGroup* group = form.Group(name)) {
        for (std::int16_t i = 0; i <= group->UBound(); ++i) {
            if (group->Has(i)) {
                f(group->Item(i), i);
            }
        }
    } else {
        f(*form.Find(name, kSingle), kSingle);
    }
}

}  // namespace

Referee::Referee(Form& form)
    : form_(form),
      tick_([](Form& f) { f.tmrBall_Timer(); }),
      deliver_([](Form& f, const run::Event& e) { run::Apply(f, e); })
{
    for (std::size_t g = 0; g < kPatrols.size(); ++g) {
        areas_[g].group = kPatrols[g].group;
        areas_[g].allowed = kPatrols[g].swept;
    }
    form_.SetMessageBox(this);
    WatchShapes();
    TakeBaseline();
}

Referee::~Referee()
{
    form_.SetMessageBox(nullptr);
}

void Referee::Fail(const std::string& what) const
{
    throw RuleBroken("after " + std::to_string(stats_.ticks) + " ticks: " + what);
}

double Referee::CounterValue(const Label& counter) const
{
    const std::string& text = counter.Caption;
    bool digits = !text.empty();
    for (char c : text) {
        digits = digits && c >= '0' && c <= '9';
    }
    double value = -1;
    if (digits) {
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    if (!digits || value < 0 || (text.size() > 1 && text[0] == '0')) {
        Fail("counter caption \"" + text + "\" is not a whole number in its shortest form");
    }
    return value;
}

void Referee::TakeBaseline()
{
    if (form_.Key.Count() != kKeyCount || form_.Key.UBound() != kKeyCount - 1) {
        Fail("the level has " + std::to_string(form_.Key.Count()) + " keys up to index " +
             std::to_string(form_.Key.UBound()) + ", not " + std::to_string(kKeyCount) + " up to " +
             std::to_string(kKeyCount - 1));
    }
    for (std::int16_t i = 0; i < kKeyCount; ++i) {
        keysVisible_[static_cast<std::size_t>(i)] = form_.Key.Item(i).Visible;
    }
    deaths_ = CounterValue(form_.Deaths);
    CounterValue(form_.Time);
    time_ = form_.Time.Caption;
}

void Referee::Rebase()
{
    form_.SetMessageBox(this);
    WatchShapes();
    TakeBaseline();
}

void Referee::Show(std::string_view prompt)
{
    if (!inTick_) {
        Fail("a message box opened outside the game tick");
    }
    if (prompt != kWinPrompt) {
        Fail("the win box says \"" + std::string(prompt) + "\"");
    }
    for (bool visible : keysVisible_) {
        if (visible) {
            Fail("a win with a key still visible before the tick");
        }
    }
    for (std::int16_t i = 0; i <= form_.Key.UBound(); ++i) {
        if (!form_.Key.Item(i).Visible) {
            Fail("the win box opened while Key(" + std::to_string(i) + ") was still hidden");
        }
    }
    if (form_.Square.Left != kStartLeft || form_.Square.Top != kStartTop) {
        Fail("the win box opened with the player at " + Describe(form_.Square) + ", not on the start point");
    }
    ++winsThisTick_;
}

void Referee::Deliver(const run::Event& event)
{
    Form expected = form_;
    try {
        deliver_(form_, event);
    } catch (const FatalError& e) {
        Fail(std::string("fatal error in an event handler: ") + e.what());
    }
    switch (event.kind) {
        case run::EventKind::KeyDown:
        case run::EventKind::KeyUp: {
            ++stats_.keyEvents;
            const auto code = static_cast<std::int16_t>(event.keyCode);
            const bool down = event.kind == run::EventKind::KeyDown;
            if (code == vbKeyLeft || code == vbKeyRight) {
                expected.MoveX =
                    static_cast<std::int16_t>(!down ? 0 : (code == vbKeyRight ? kPlayerStep : -kPlayerStep));
            }
            if (code == vbKeyUp || code == vbKeyDown) {
                expected.MoveY =
                    static_cast<std::int16_t>(!down ? 0 : (code == vbKeyDown ? kPlayerStep : -kPlayerStep));
            }
            break;
        }
        case run::EventKind::Clock: {
            ++stats_.clocks;
            if (CounterValue(form_.Time) != CounterValue(expected.Time) + 1) {
                Fail("the clock took TIME from " + expected.Time.Caption + " to " + form_.Time.Caption);
            }
            expected.Time.Caption = form_.Time.Caption;
            break;
        }
        case run::EventKind::Reset: {
            ++stats_.resets;
            expected.Square.Left = kStartLeft;
            expected.Square.Top = kStartTop;
            expected.Deaths.Caption = "0";
            expected.Time.Caption = "0";
            for (std::int16_t i = 0; i <= expected.Key.UBound(); ++i) {
                expected.Key.Item(i).Visible = true;
            }
            break;
        }
    }
    const std::string want = run::StateLine(expected, 0, 0);
    const std::string got = run::StateLine(form_, 0, 0);
    if (want != got) {
        Fail("an event left the wrong state:\n  expected " + want + "\n  got      " + got);
    }
    TakeBaseline();
}

void Referee::Tick()
{
    const double deathsBefore = deaths_;
    winsThisTick_ = 0;
    inTick_ = true;
    try {
        tick_(form_);
    } catch (const FatalError& e) {
        inTick_ = false;
        Fail(std::string("fatal error in the game tick: ") + e.what());
    }
    inTick_ = false;
    ++stats_.ticks;
    stats_.wins += winsThisTick_;

    for (const Patrol& patrol : kPatrols) {
        for (const PatrolAxis& axis : patrol.Axes()) {
            const std::int16_t v = form_.*axis.velocity;
            if (v != axis.speed && v != -axis.speed) {
                Fail(std::string(axis.name) + " is " + std::to_string(v) + ", not " + std::to_string(axis.speed) +
                     " or " + std::to_string(-axis.speed));
            }
        }
    }
    for (std::int16_t move : {form_.MoveX, form_.MoveY}) {
        if (move != -kPlayerStep && move != 0 && move != kPlayerStep) {
            Fail("a player step is " + std::to_string(move));
        }
    }
    CheckBalls();
    CheckLevel();

    const double deathsAfter = CounterValue(form_.Deaths);
    const bool died = deathsAfter != deathsBefore;
    const bool restarted = died || winsThisTick_ > 0;
    const auto stepLeft = static_cast<float>(form_.MoveX);
    const auto stepTop = static_cast<float>(form_.MoveY);
    if (restarted && (form_.Square.Left != kStartLeft + stepLeft || form_.Square.Top != kStartTop + stepTop)) {
        Fail("after a death or a win the player ended the tick at " + Describe(form_.Square) + " with its step (" +
             std::to_string(form_.MoveX) + ", " + std::to_string(form_.MoveY) + "), not one step from the start point");
    }
    CheckKeysAfterTick(stepLeft, stepTop, restarted);
    CheckCountersAfterTick(deathsBefore);
}

void Referee::CheckBalls()
{
    for (GroupArea& area : areas_) {
        ForEachBall(form_, area.group, [&](const Shape& ball, std::int16_t index) {
            if (!Whole(ball.Left) || !Whole(ball.Top)) {
                Fail(Named(area.group, index) + " stands at " + Describe(ball) + ", not on whole twips");
            }
            if (!Inside(ball, area.allowed)) {
                Fail(Named(area.group, index) + " at " + Describe(ball) + " left the area its group sweeps");
            }
            const RECT a = RectOf(ball);
            if (!area.anySeen) {
                area.seen = a;
                area.anySeen = true;
            }
            area.seen.left = std::min(area.seen.left, a.left);
            area.seen.top = std::min(area.seen.top, a.top);
            area.seen.right = std::max(area.seen.right, a.right);
            area.seen.bottom = std::max(area.seen.bottom, a.bottom);
        });
    }
    // The members of a row or column share their leader's moving coordinate.
    for (const Patrol& patrol : kPatrols) {
        const ControlGroup* group = form_.Group(patrol.group);
        if (group == nullptr) {
            continue;  // a single ball
        }
        const C name = patrol.group;
        const Axis axis = patrol.axes[0].axis;
        const ControlGroup& laidOut = *pristine_.Group(name);
        const Shape& leader = group->Item(0);
        for (std::int16_t i = 0; i <= group->UBound(); ++i) {
            const Shape& member = group->Item(i);
            const Shape& original = laidOut.Item(i);
            const bool moving = axis == Axis::Left ? member.Left == leader.Left : member.Top == leader.Top;
            const bool fixed = axis == Axis::Left ? member.Top == original.Top : member.Left == original.Left;
            if (!moving || !fixed) {
                Fail(Named(name, i) + " at " + Describe(member) + " is out of line with its leader at " +
                     Describe(leader));
            }
        }
    }
}

void Referee::WatchShapes()
{
    shapes_.clear();
    for (const ControlRef& ref : DesignOrder()) {
        if (IsLabel(ref.name)) {
            continue;
        }
        const Role role = ref.name == C::Square    ? Role::Player
                          : ref.name == C::Key     ? Role::Key
                          : IsMovingBall(ref.name) ? Role::MovingBall
                                                   : Role::Fixed;
        shapes_.push_back(
            {form_.Find(ref.name, ref.index), pristine_.Find(ref.name, ref.index), ref.name, ref.index, role});
    }
}

void Referee::CheckLevel()
{
    for (const Watched& w : shapes_) {
        const Shape& now = *w.now;
        const Shape& then = *w.laidOut;
        if (now.Width != then.Width || now.Height != then.Height || now.Kind != then.Kind ||
            now.FillColor != then.FillColor || now.FillStyle != then.FillStyle) {
            Fail(Named(w.name, w.index) + " changed its size, figure or colour");
        }
        if (w.role != Role::Key && !now.Visible) {
            Fail(Named(w.name, w.index) + " is hidden; only keys ever hide");
        }
        if (w.role == Role::Player) {
            if (!Whole(now.Left) || !Whole(now.Top)) {
                Fail("the player stands at " + Describe(now) + ", not on whole twips");
            }
            // The outer walls close the playing area; a step of 30 can reach
            // into a wall 30 thick but never through it.
            if (!Inside(now, kPlayingArea)) {
                Fail("the player at " + Describe(now) + " is outside the walled playing area");
            }
        } else if (w.role != Role::MovingBall && (now.Left != then.Left || now.Top != then.Top)) {
            Fail(Named(w.name, w.index) + " moved from " + Describe(then) + " to " + Describe(now));
        }
    }
}

void Referee::CheckKeysAfterTick(float stepLeft, float stepTop, bool restarted)
{
    // Where the key pickup saw the player: the player's step is the only move
    // after it.
    Shape seen = form_.Square;
    seen.Left -= stepLeft;
    seen.Top -= stepTop;
    const RECT player = RectOf(seen);
    RECT ignored;
    for (std::int16_t i = 0; i < kKeyCount; ++i) {
        const Shape& key = form_.Key.Item(i);
        const bool touched = IntersectRect(ignored, player, RectOf(key)) != 0;
        const bool before = keysVisible_[static_cast<std::size_t>(i)];
        auto name = [i] { return "Key(" + std::to_string(i) + ")"; };
        if (key.Visible && touched) {
            Fail(name() + " is still visible under the player at " + Describe(seen));
        }
        if (!key.Visible && (before || restarted) && !touched) {
            Fail(name() + " hid though the player at " + Describe(seen) + " does not touch it");
        }
        if (key.Visible && !before && !restarted) {
            Fail(name() + " showed again without a death, a win or RESET");
        }
        if (!key.Visible && (before || restarted)) {
            ++stats_.keysCollected;
        }
        keysVisible_[static_cast<std::size_t>(i)] = key.Visible;
    }
}

void Referee::CheckCountersAfterTick(double deathsBefore)
{
    const double deathsAfter = CounterValue(form_.Deaths);
    if (deathsAfter < deathsBefore) {
        Fail("DEATHS fell from " + std::to_string(deathsBefore) + " to " + form_.Deaths.Caption + " in a tick");
    }
    stats_.deaths += static_cast<std::uint64_t>(deathsAfter - deathsBefore);
    deaths_ = deathsAfter;
    if (form_.Time.Caption != time_) {
        Fail("TIME changed from " + time_ + " to " + form_.Time.Caption + " in a game tick");
    }
}

}  // namespace dravik::props
