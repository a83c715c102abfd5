#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dravik::server {

// A player's name on the board: 1 to 32 characters of UTF-8, with no
// control character, no invisible character that turns or hides text (the
// bidirectional controls, the zero-width ones, the byte order mark) and no
// space at either end. Markup such as "<b>" is a name like any other: it is
// stored as the text it is and every answer carries it as a JSON string.
inline constexpr std::size_t kLongestName = 32;

// Why `name` is refused, or nothing when it is a good name.
std::optional<std::string> NameProblem(std::string_view name);

// Text with %XX escapes decoded; nothing when an escape is malformed.
std::optional<std::string> PercentDecoded(std::string_view text, bool plusIsSpace);

// One parameter of a query string ("a=1&name=x%20y"), percent-decoded ('+'
// is a space). Nothing when it is absent; `error` says why when the query
// names it twice or its escapes are malformed.
std::optional<std::string> QueryValue(std::string_view query, std::string_view key, std::string& error);

}  // namespace dravik::server
