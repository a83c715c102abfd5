#pragma once

#include <string>
#include <utility>
#include <vector>

namespace dravik::server {

// An answer to one request, before it is written.
struct Reply {
    unsigned status = 200;
    std::string body;
    std::string type = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;  // Location, Allow, Retry-After ...
    bool close = false;                                        // the connection ends after it
    // HEAD: the length of the body GET would have sent, which is not sent.
    bool headOnly = false;
};

// {"error": "<why>"} with the status.
Reply ErrorReply(unsigned status, const std::string& why);

}  // namespace dravik::server
