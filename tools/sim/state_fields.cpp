#include "sim/state_fields.h"

#include <nlohmann/json.hpp>

namespace dravik::tools {

namespace {

using json = nlohmann::ordered_json;

std::string Shown(const json* value)
{
    return value == nullptr ? "nothing" : value->dump();
}

// The path of a member: "name" at the top, "path.name" below it.
std::string Field(const std::string& path, const std::string& name)
{
    return path.empty() ? name : path + "." + name;
}

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

}  // namespace

std::vector<Difference> StateDifferences(const std::string& expected, const std::string& found)
{
    std::vector<Difference> out;
    const json want = json::parse(expected, nullptr, false);
    const json got = json::parse(found, nullptr, false);
    if (want.is_discarded() || !want.is_object()) {
        out.push_back({"the final line", expected.substr(0, 80), found.substr(0, 80)});
        return out;
    }
    Compare("", want, got, out);
    return out;
}

}  // namespace dravik::tools
