#include "server/site.h"

#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "server/text.h"

namespace dravik::server {

namespace {

namespace fs = std::filesystem;

// The largest file the page has is its module, a few hundred KB.
constexpr std::uintmax_t kMostFile = 64ULL << 20;

const std::map<std::string, std::string> kTypes = {
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".mjs", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".wasm", "application/wasm"},
    {".png", "image/png"},
    {".svg", "image/svg+xml"},
    {".txt", "text/plain; charset=utf-8"},
    {".json", "application/json"},
    {".webmanifest", "application/manifest+json"},
    {".ico", "image/x-icon"},
};

Reply NotFound()
{
    Reply reply;
    reply.status = 404;
    reply.type = "text/plain; charset=utf-8";
    reply.body = "not found\n";
    return reply;
}

}  // namespace

Site::Site(const fs::path& root)
{
    std::error_code error;
    if (!root.empty()) {
        root_ = fs::canonical(root, error);
    }
}

Reply Site::Serve(const std::string& method, const std::string& target) const
{
    if (method != "GET" && method != "HEAD") {
        Reply reply = ErrorReply(405, "the site answers GET and HEAD only");
        reply.headers.emplace_back("Allow", "GET, HEAD");
        return reply;
    }
    const std::string raw = target.substr(0, target.find('?'));
    const std::optional<std::string> decoded = PercentDecoded(raw, false);
    if (!decoded) {
        return NotFound();
    }
    const std::string& path = *decoded;
    if (root_.empty() || path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) {
        return NotFound();
    }
    std::error_code failure;
    fs::path file = fs::weakly_canonical(root_ / path.substr(1), failure);
    const std::string inside = root_.string() + "/";
    if (failure || (file != root_ && file.string().rfind(inside, 0) != 0)) {
        return NotFound();
    }
    if (fs::is_directory(file, failure)) {
        if (path.back() != '/') {
            Reply reply;
            reply.status = 301;
            reply.type = "text/plain; charset=utf-8";
            reply.headers.emplace_back("Location", raw + "/");
            return reply;
        }
        file /= "index.html";
    }
    const std::uintmax_t size = fs::file_size(file, failure);
    if (failure || !fs::is_regular_file(file) || size > kMostFile) {
        return NotFound();
    }
    std::ifstream in(file, std::ios::binary);
    Reply reply;
    reply.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        return NotFound();
    }
    const auto type = kTypes.find(file.extension().string());
    reply.type = type == kTypes.end() ? "application/octet-stream" : type->second;
    reply.headers.emplace_back("Cache-Control", "no-cache");
    reply.headOnly = method == "HEAD";
    return reply;
}

}  // namespace dravik::server
