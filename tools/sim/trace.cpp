#include "sim/trace.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "game/decimal.h"

namespace dravik::sim {

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
    return WriteDecimal(value, DecimalForm::Shortest);
}

std::string StateLine(const Form& form, std::uint64_t tick, std::uint64_t wins)
{
    std::string out;
    out.reserve(4096);
    out += "{\"tick\": " + std::to_string(tick);
    out += ", \"square\": ";
    AppendPoint(out, form.Square);
    out += ", \"moves\": [" + std::to_string(form.MoveX) + ", " + std::to_string(form.MoveY) + "]";

    const std::array<std::int16_t, 17> velocities = {
        form.VelBallsY,  form.VelBalls1Y,  form.VelBalls2X,  form.VelBalls3X,  form.VelBalls4X,  form.VelBalls5X,
        form.VelBalls6X, form.VelBalls6Y,  form.VelBalls7X,  form.VelBalls7Y,  form.VelBalls8Y,  form.VelBalls9X,
        form.VelBalls9Y, form.VelBalls10X, form.VelBalls11X, form.VelBalls11Y, form.VelBalls12X,
    };
    out += ", \"velocities\": [";
    for (std::size_t i = 0; i < velocities.size(); ++i) {
        out += (i == 0 ? "" : ", ") + std::to_string(velocities[i]);
    }
    out += "]";

    const std::array<ControlName, 13> moving = {
        ControlName::Balls,   ControlName::Balls1,  ControlName::Balls2,  ControlName::Balls3, ControlName::Balls4,
        ControlName::Balls5,  ControlName::Balls6,  ControlName::Balls7,  ControlName::Balls8, ControlName::Balls9,
        ControlName::Balls10, ControlName::Balls11, ControlName::Balls12,
    };
    out += ", \"balls\": {";
    for (std::size_t g = 0; g < moving.size(); ++g) {
        out += g == 0 ? "\"" : ", \"";
        out += NameOf(moving[g]);
        out += "\": [";
        if (const ControlGroup* group = form.Group(moving[g])) {
            bool first = true;
            for (std::int16_t i = 0; i <= group->UBound(); ++i) {
                if (group->Has(i)) {
                    out += first ? "" : ", ";
                    AppendPoint(out, group->Item(i));
                    first = false;
                }
            }
        } else {
            AppendPoint(out, *form.Find(moving[g], kSingle));
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

}  // namespace dravik::sim
