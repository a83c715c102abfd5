#include "sim/verify.h"

#include <nlohmann/json.hpp>
#include <ostream>
#include <streambuf>

#include "sim/runner.h"
#include "sim/trace.h"

namespace dravik::sim {

namespace {

using json = nlohmann::ordered_json;

// Swallows the trace of a run whose only interest is its end.
class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string Shown(const json* value)
{
    return value == nullptr ? "nothing" : value->dump();
}

// The path of a member: "name" at the top, "path.name" below it.
std::string Field(const std::string& path, const std::string& name)
{
    if (path.empty()) {
        return name;
    }
    std::string field = path;
    field += '.';
    field += name;
    return field;
}

// Adds every field in which the two states differ, naming a member of an
// object (the ball groups) by its path.
void Compare(const std::string& path, const json& expected, const json& found, std::vector<Difference>& out)
{
    if (expected.is_object() && found.is_object()) {
        for (const auto& [name, value] : found.items()) {
            const std::string field = Field(path, name);
            if (const auto it = expected.find(name); it != expected.end()) {
                Compare(field, *it, value, out);
            } else {
                out.push_back({field, Shown(nullptr), Shown(&value)});
            }
        }
        for (const auto& [name, value] : expected.items()) {
            if (!found.contains(name)) {
                out.push_back({Field(path, name), Shown(&value), Shown(nullptr)});
            }
        }
    } else if (expected != found) {
        out.push_back({path, Shown(&expected), Shown(&found)});
    }
}

// The state of a "# final" line, or nothing after saying why in `error`.
std::optional<json> FinalState(const FinalLine& final, std::string& error)
{
    const std::string where = "line " + std::to_string(final.line) + ": ";
    json state;
    try {
        state = json::parse(final.state);
    } catch (const json::exception&) {
        error = where + "the final state is not a state line";
        return std::nullopt;
    }
    if (!state.is_object() || !state.contains("tick") || !state["tick"].is_number_unsigned()) {
        error = where + "the final state has no tick";
        return std::nullopt;
    }
    if (const auto tick = state["tick"].get<std::uint64_t>(); tick > kLongestRun) {
        error = where + "the final tick " + std::to_string(tick) + " lies beyond the longest run, " +
                std::to_string(kLongestRun) + " ticks";
        return std::nullopt;
    }
    return state;
}

}  // namespace

std::optional<std::uint64_t> FinalTick(const FinalLine& final, std::string& error)
{
    const std::optional<json> state = FinalState(final, error);
    return state ? std::optional((*state)["tick"].get<std::uint64_t>()) : std::nullopt;
}

std::optional<std::uint64_t> RunEnd(const Script& script, std::string& error)
{
    if (script.final) {
        return FinalTick(*script.final, error);
    }
    const std::uint64_t last = script.events.empty() ? 0 : script.events.back().tick;
    if (last > kLongestRun) {
        error = "an event at tick " + std::to_string(last) + " lies beyond the longest run, " +
                std::to_string(kLongestRun) + " ticks";
        return std::nullopt;
    }
    return last;
}

std::optional<Verdict> Verify(const Script& script, std::string& error)
{
    if (!script.final) {
        error = "no \"# final\" line: not a recorded run";
        return std::nullopt;
    }
    const std::optional<json> expected = FinalState(*script.final, error);
    if (!expected) {
        return std::nullopt;
    }

    Verdict verdict;
    verdict.ticks = (*expected)["tick"].get<std::uint64_t>();
    Form form;
    NullBuffer nothing;
    std::ostream trace(&nothing);
    verdict.wins = Run(form, script.events, RunOptions{verdict.ticks, 0}, trace).size();
    verdict.deaths = form.Deaths.Caption;
    verdict.time = form.Time.Caption;
    Compare("", *expected, json::parse(StateLine(form, verdict.ticks, verdict.wins)), verdict.differences);
    return verdict;
}

}  // namespace dravik::sim
