#include "run/ghost.h"

#include <cstdio>
#include <cstdlib>

namespace dravik::run {

std::string GapText(std::int64_t ticks)
{
    // Hundredths of a second, rounded half away from zero: ticks * 100 / 64.
    const std::int64_t magnitude = std::llabs(ticks);
    const std::int64_t hundredths = (magnitude * 100 + 32) / 64;
    char text[32];
    std::snprintf(text, sizeof text, "%c%lld.%02lld s", ticks < 0 ? '-' : '+', static_cast<long long>(hundredths / 100),
                  static_cast<long long>(hundredths % 100));
    return text;
}

std::optional<Ghost> Ghost::Of(const Script& script, std::string& error)
{
    const std::optional<std::uint64_t> end = RunEnd(script, error);
    if (!end) {
        return std::nullopt;
    }
    // Once to find the first win and the stretch it ends.
    std::optional<Win> win;
    {
        Session session(Session::Log::None);
        session.Play(script.events);
        while (!win && session.Ticks() < *end) {
            if (session.Tick().won) {
                win = session.LastWin();
            }
        }
    }
    if (!win) {
        error = "no win to race: the run ends at tick " + std::to_string(*end) + " without entering the goal";
        return std::nullopt;
    }
    Ghost ghost;
    ghost.winTicks_ = win->stretch.ticks;
    const std::uint64_t from = win->tick - win->stretch.ticks;
    // Once more, to keep the game where the stretch begins, its events and
    // the ticks of its keys.
    Session session(Session::Log::None);
    session.Play(script.events);
    while (session.Ticks() < from) {
        session.Tick();
    }
    ghost.start_ = std::make_shared<const Form>(session.Game());
    for (const Event& event : script.events) {
        if (event.tick > from && event.tick <= win->tick) {
            ghost.events_.push_back({event.tick - from, event.kind, event.keyCode});
        }
    }
    Session stretch(*ghost.start_, Session::Log::None);
    stretch.Play(ghost.events_);
    int taken = 0;
    while (stretch.Ticks() < ghost.winTicks_) {
        const bool won = stretch.Tick().won;
        const int now = kKeyCount - stretch.KeysLeft();
        for (int n = taken + 1; n <= now && !won; ++n) {
            ghost.keyTicks_[static_cast<std::size_t>(n)] = stretch.Ticks();
        }
        taken = now;
    }
    ghost.Restart();
    return ghost;
}

void Ghost::Restart()
{
    session_ = std::make_unique<Session>(*start_, Session::Log::None);
    session_->Play(events_);
    ticks_ = 0;
}

std::vector<Gap> Ghost::Follow(const Session& live, const Played& played)
{
    const Stretch stretch = live.Current();
    const std::uint64_t start = live.Ticks() - stretch.ticks;
    if (start != liveStart_) {
        liveStart_ = start;
        Restart();
    }
    while (ticks_ < stretch.ticks && ticks_ < winTicks_) {
        session_->Tick();
        ++ticks_;
    }
    std::vector<Gap> gaps;
    for (const KeysTaken& taken : played.taken) {
        const int keys = kKeyCount - taken.keysLeft;
        if (taken.tick <= start || keys <= 0 || keys > kKeyCount) {
            continue;  // a stretch that has ended
        }
        if (const auto& ghostTick = keyTicks_[static_cast<std::size_t>(keys)]) {
            gaps.push_back(
                {keys, static_cast<std::int64_t>(taken.tick - start) - static_cast<std::int64_t>(*ghostTick)});
        }
    }
    return gaps;
}

float Ghost::Left() const
{
    return ticks_ == 0 ? kStartLeft : session_->Game().Square.Left;
}

float Ghost::Top() const
{
    return ticks_ == 0 ? kStartTop : session_->Game().Square.Top;
}

}  // namespace dravik::run
