#include "sim/runner.h"

#include "sim/trace.h"

namespace dravik::sim {

namespace {

// The "YOU WIN" box of a headless run: it prints the win line at once.
class TraceBox : public MessageBox {
public:
    explicit TraceBox(std::ostream& out) : out_(out) {}
    void Show(std::string_view) override
    {
        wins.push_back(tick);
        out_ << WinLine(tick) << '\n';
    }
    std::uint64_t tick = 0;
    std::vector<std::uint64_t> wins;

private:
    std::ostream& out_;
};

}  // namespace

void Deliver(Form& form, const Event& event)
{
    const auto code = static_cast<std::int16_t>(event.keyCode);  // 16-bit, as the window passes it
    switch (event.kind) {
        case EventKind::KeyDown: form.Form_KeyDown(code, 0); break;
        case EventKind::KeyUp: form.Form_KeyUp(code, 0); break;
        case EventKind::Reset: form.mnuReset_Click(); break;
        case EventKind::Clock: form.tmrTime_Timer(); break;
    }
}

std::vector<std::uint64_t> Run(Form& form, const std::vector<Event>& events, const RunOptions& options,
                               std::ostream& out)
{
    TraceBox box(out);
    form.SetMessageBox(&box);
    // The box lives only for this run: take it back from the form however
    // the run ends, a fatal error included.
    struct BoxReturn {
        Form& form;
        ~BoxReturn() { form.SetMessageBox(nullptr); }
    } boxReturn{form};
    std::size_t next = 0;
    for (std::uint64_t t = 1; t <= options.ticks; ++t) {
        while (next < events.size() && events[next].tick == t) {
            Deliver(form, events[next++]);
        }
        box.tick = t;
        form.tmrBall_Timer();
        if ((options.every > 0 && t % options.every == 0) || t == options.ticks) {
            out << StateLine(form, t, box.wins.size()) << '\n';
        }
        if (!out) {
            break;  // nothing more can be written: the rest would be lost
        }
    }
    if (options.ticks == 0) {
        out << StateLine(form, 0, 0) << '\n';
    }
    return box.wins;
}

}  // namespace dravik::sim
