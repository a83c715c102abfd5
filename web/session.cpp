#include "web/session.h"

#include "sim/runner.h"
#include "sim/script_text.h"
#include "sim/trace.h"

namespace dravik::web {

namespace {

bool IsArrow(std::int16_t keyCode)
{
    return keyCode >= vbKeyLeft && keyCode <= vbKeyDown;
}

}  // namespace

Session::Session()
{
    form_.SetMessageBox(this);
}

void Session::Show(std::string_view)
{
    ++wins_;
    won_ = true;
}

void Session::Note(sim::EventKind kind, std::int16_t keyCode)
{
    recorded_.push_back({ticks_ + 1, kind, static_cast<std::uint16_t>(keyCode)});
}

void Session::Deliver(const sim::Event& event)
{
    sim::Deliver(form_, event);
    recorded_.push_back({ticks_ + 1, event.kind, event.keyCode});
}

void Session::Key(bool down, std::int16_t keyCode)
{
    if (watching_) {
        return;
    }
    Deliver({ticks_ + 1, down ? sim::EventKind::KeyDown : sim::EventKind::KeyUp, static_cast<std::uint16_t>(keyCode)});
}

void Session::Reset()
{
    if (!watching_) {
        Deliver({ticks_ + 1, sim::EventKind::Reset});
    }
}

void Session::Clock()
{
    if (!watching_) {
        Deliver({ticks_ + 1, sim::EventKind::Clock});
    }
}

void Session::Watch(std::vector<sim::Event> events, std::uint64_t endTick)
{
    script_ = std::move(events);
    scriptNext_ = 0;
    scriptEnd_ = endTick;
    watching_ = scriptEnd_ > ticks_;
}

bool Session::Tick()
{
    if (watching_) {
        while (scriptNext_ < script_.size() && script_[scriptNext_].tick <= ticks_ + 1) {
            const sim::Event& event = script_[scriptNext_++];
            const auto code = static_cast<std::int16_t>(event.keyCode);
            if (IsArrow(code) && event.kind == sim::EventKind::KeyDown) {
                std::erase(scriptHeld_, code);
                scriptHeld_.push_back(code);
            } else if (IsArrow(code) && event.kind == sim::EventKind::KeyUp) {
                std::erase(scriptHeld_, code);
            }
            Deliver(event);
        }
    }
    won_ = false;
    form_.tmrBall_Timer();
    ++ticks_;
    if (watching_ && ticks_ >= scriptEnd_) {
        // Live play from here: nothing walks on with no key down.
        watching_ = false;
        for (std::int16_t code : scriptHeld_) {
            Deliver({ticks_ + 1, sim::EventKind::KeyUp, static_cast<std::uint16_t>(code)});
        }
        scriptHeld_.clear();
    }
    return won_;
}

std::string Session::StateLine() const
{
    return sim::StateLine(form_, ticks_, wins_);
}

std::string Session::RunText(const std::string& header) const
{
    std::string text = header;
    for (const sim::Event& event : recorded_) {
        text += sim::EventLine(event) + "\n";
    }
    return text + "# final " + StateLine() + "\n";
}

}  // namespace dravik::web
