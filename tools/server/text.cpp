#include "server/text.h"

#include <cstdint>
#include <vector>

namespace dravik::server {

namespace {

// The code points of `text`, or nothing when it is not well-formed UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
std::optional<std::vector<char32_t>> CodePoints(std::string_view text)
{
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t point = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            point = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            point = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            point = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            point = lead & 0x07;
            least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + length > text.size()) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            point = (point << 6) | (next & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return std::nullopt;
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

bool Hidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F)             // control characters
           || (c >= 0x200B && c <= 0x200F)                  // zero-width, left-to-right and right-to-left marks
           || (c >= 0x2028 && c <= 0x202E)                  // line and paragraph separators, embeddings, overrides
           || (c >= 0x2060 && c <= 0x206F) || c == 0x061C   // word joiner, isolates, the Arabic letter mark
           || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);  // byte order mark, interlinear annotations
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<std::string> PercentDecoded(std::string_view text, bool plusIsSpace)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+' && plusIsSpace) {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> NameProblem(std::string_view name)
{
    if (name.empty()) {
        return "the name is empty";
    }
    const std::optional<std::vector<char32_t>> points = CodePoints(name);
    if (!points) {
        return "the name is not UTF-8 text";
    }
    if (points->size() > kLongestName) {
        return "the name is longer than " + std::to_string(kLongestName) + " characters";
    }
    for (const char32_t c : *points) {
        if (Hidden(c)) {
            return "the name holds a control or invisible character";
        }
    }
    if (points->front() == ' ' || points->back() == ' ') {
        return "the name starts or ends with a space";
    }
    return std::nullopt;
}

std::optional<std::string> QueryValue(std::string_view query, std::string_view key, std::string& error)
{
    std::optional<std::string> found;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::size_t equals = pair.find('=');
        const std::optional<std::string> name = PercentDecoded(pair.substr(0, equals), true);
        if (!name || *name != key) {
            continue;
        }
        if (found) {
            error = "'" + std::string(key) + "' is given twice";
            return std::nullopt;
        }
        found = PercentDecoded(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1), true);
        if (!found) {
            error = "'" + std::string(key) + "' has a malformed %-escape";
            return std::nullopt;
        }
    }
    return found;
}

}  // namespace dravik::server
