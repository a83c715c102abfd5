#include "run/state_line.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "game/form.h"
#include "game/patrols.h"
#include "sys/decimal.h"

namespace dravik::run {

namespace {

void AppendPoint(std::string& out, const Shape& s)
{
    out += '[';
    out += Coordinate(s.Left);
    out += ", ";
    out += Coordinate(s.Top);
    out += ']';
}

void AppendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char* const kHex = "0123456789abcdef";
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

}  // namespace

std::string Coordinate(float value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15F) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
        return std::string(buffer, result.ptr);
    }
    return sys::WriteDecimal(value, sys::DecimalForm::Shortest);
}

std::string StateLine(const Form& form, std::uint64_t tick, std::uint64_t wins)
{
    std::string out;
    out.reserve(4096);
    out += "{\"tick\": " + std::to_string(tick);
    out += ", \"square\": ";
    AppendPoint(out, form.Square);
    out += ", \"moves\": [" + std::to_string(form.MoveX) + ", " + std::to_string(form.MoveY) + "]";

    out += ", \"velocities\": [";
    const char* separator = "";
    for (const Patrol& patrol : kPatrols) {
        for (const PatrolAxis& axis : patrol.Axes()) {
            out += separator + std::to_string(form.*axis.velocity);
            separator = ", ";
        }
    }
    out += "]";

    out += ", \"balls\": {";
    separator = "\"";
    for (const Patrol& patrol : kPatrols) {
        out += separator;
        separator = ", \"";
        out += NameOf(patrol.group);
        out += "\": [";
        if (const ControlGroup* group = form.Group(patrol.group)) {
            bool first = true;
            for (std::int16_t i = 0; i <= group->UBound(); ++i) {
                if (group->Has(i)) {
                    out += first ? "" : ", ";
                    AppendPoint(out, group->Item(i));
                    first = false;
                }
            }
        } else {
            AppendPoint(out, *form.Find(patrol.group, kSingle));
        }
        out += "]";
    }
    out += "}";

    out += ", \"keys\": \"";
    for (std::int16_t i = 0; i <= form.Key.UBound(); ++i) {
        out += form.Key.Item(i).Visible ? '1' : '0';
    }
    out += "\", \"deaths\": ";
    AppendJsonString(out, form.Deaths.Caption);
    out += ", \"time\": ";
    AppendJsonString(out, form.Time.Caption);
    out += ", \"wins\": " + std::to_string(wins) + "}";
    return out;
}

std::string WinLine(std::uint64_t tick)
{
    return "{\"tick\": " + std::to_string(tick) + ", \"event\": \"win\"}";
}

std::uint64_t StateHash(const Form& form, std::uint64_t tick, std::uint64_t wins)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : StateLine(form, tick, wins)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return hash;
}

}  // namespace dravik::run
