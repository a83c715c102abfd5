#pragma once

#include <filesystem>
#include <string>

#include "server/reply.h"

namespace dravik::server {

// The built page, served from its folder as it is: GET and HEAD, a folder's
// index.html, and nothing that lies outside the folder once links are
// followed.
class Site {
public:
    // An empty root serves nothing (404 for every file).
    explicit Site(const std::filesystem::path& root);
    Reply Serve(const std::string& method, const std::string& target) const;

private:
    std::filesystem::path root_;
};

}  // namespace dravik::server
