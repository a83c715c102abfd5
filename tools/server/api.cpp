#include "server/api.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "server/judge.h"
#include "server/store.h"
#include "server/text.h"
#include "sys/plain_number.h"
#include "sys/utc_now.h"

namespace dravik::server {

namespace {

using nlohmann::json;

constexpr std::uint64_t kDefaultLimit = 10;
constexpr std::uint64_t kMostLimit = 100;
constexpr std::uint64_t kMostOffset = 1'000'000'000'000;
constexpr const char* kRetryBusy = "1";
constexpr const char* kRetryDown = "5";

Reply JsonReply(unsigned status, const json& value)
{
    Reply reply;
    reply.status = status;
    reply.body = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return reply;
}

Reply Busy()
{
    Reply reply = ErrorReply(503, "busy: too many runs are waiting to be checked; try again in a moment");
    reply.headers.emplace_back("Retry-After", kRetryBusy);
    return reply;
}

json EntryJson(const Entry& entry)
{
    return {
        {"rank", entry.rank}, {"name", entry.name}, {"ticks", entry.ticks}, {"deaths", entry.deaths}, {"id", entry.id}};
}

// Runs `work` on a pool thread's connection, opened on first use and
// dropped after a failure, so that the next request opens it again.
template <typename Work>
Reply WithStore(const std::string& url, std::unique_ptr<Store>& store, Work&& work)
{
    try {
        if (!store) {
            store = OpenStore(url);
        }
        return work(*store);
    } catch (const StoreUnavailable& e) {
        store.reset();
        std::cerr << "dravik-server: " << e.what() << "\n";
        Reply reply = ErrorReply(503, "the database is unavailable; try again later");
        reply.headers.emplace_back("Retry-After", kRetryDown);
        return reply;
    }
}

// A whole number of the query, `fallback` when absent; nothing, with the
// reason, when it is not a plain number from `least` to `most`.
std::optional<std::uint64_t> Number(const std::string& query, const char* key, std::uint64_t fallback,
                                    std::uint64_t least, std::uint64_t most, std::string& error)
{
    const std::optional<std::string> text = QueryValue(query, key, error);
    if (!error.empty()) {
        return std::nullopt;
    }
    if (!text) {
        return fallback;
    }
    const std::optional<std::uint64_t> value = sys::ReadWhole(*text);
    if (!value || *value < least || *value > most) {
        error = std::string("'") + key + "' is a whole number from " + std::to_string(least) + " to " +
                std::to_string(most);
        return std::nullopt;
    }
    return value;
}

Reply MethodNotAllowed(const char* allow)
{
    Reply reply = ErrorReply(405, std::string("this address answers ") + allow + " only");
    reply.headers.emplace_back("Allow", allow);
    return reply;
}

}  // namespace

Reply ErrorReply(unsigned status, const std::string& why)
{
    return JsonReply(status, json{{"error", why}});
}

Api::Api(ApiOptions options)
    : options_(std::move(options)),
      limit_(options_.submissionsPerMinute),
      verify_(options_.verifiers, options_.queue),
      read_(options_.readers, options_.queue * 4),
      verifyStores_(verify_.Size()),
      readStores_(read_.Size())
{
}

Api::~Api()
{
    Stop();
}

void Api::Stop()
{
    verify_.Stop();
    read_.Stop();
}

void Api::Handle(const std::string& method, const std::string& target, std::string body, const std::string& address,
                 std::function<void(Reply)> done)
{
    const std::size_t question = target.find('?');
    const std::string path = target.substr(0, question);
    const std::string query = question == std::string::npos ? "" : target.substr(question + 1);
    const bool get = method == "GET" || method == "HEAD";
    // The reply to HEAD is GET's without its body.
    done = [head = method == "HEAD", inner = std::move(done)](Reply reply) {
        reply.headOnly = head;
        inner(std::move(reply));
    };
    auto& finish = done;
    if (path == "/api/runs") {
        if (method != "POST") {
            finish(MethodNotAllowed("POST"));
            return;
        }
        Submit(query, std::move(body), address, done);
        return;
    }
    const bool known = path == "/api/leaderboard" || path == "/api/stats" || path.rfind("/api/runs/", 0) == 0;
    if (!known) {
        finish(ErrorReply(404, "no such address: " + path));
        return;
    }
    if (!get) {
        finish(MethodNotAllowed("GET, HEAD"));
        return;
    }
    std::function<void(Reply)>& reply = done;
    if (path == "/api/leaderboard") {
        std::string error;
        const auto offset = Number(query, "offset", 0, 0, kMostOffset, error);
        const auto limit = error.empty() ? Number(query, "limit", kDefaultLimit, 1, kMostLimit, error) : std::nullopt;
        if (!offset || !limit) {
            finish(ErrorReply(400, error));
            return;
        }
        Read(
            [offset = *offset, limit = *limit](Store& store) {
                const Page page = store.Leaderboard(offset, limit);
                json entries = json::array();
                for (const Entry& entry : page.entries) {
                    entries.push_back(EntryJson(entry));
                }
                return JsonReply(200, json{{"total", page.total}, {"entries", entries}});
            },
            reply);
    } else if (path == "/api/stats") {
        Read(
            [bound = options_.bound](Store& store) {
                const Page top = store.Leaderboard(0, 1);
                const json best = top.entries.empty() ? json(nullptr) : EntryJson(top.entries.front());
                return JsonReply(
                    200, json{{"runs", top.total}, {"rejected", store.Refused()}, {"bound", bound}, {"best", best}});
            },
            reply);
    } else {
        const std::string number = path.substr(std::string("/api/runs/").size());
        const std::optional<std::uint64_t> id = sys::ReadWhole(number);
        if (!id || *id > static_cast<std::uint64_t>(INT64_MAX)) {
            finish(ErrorReply(404, "no run '" + number + "': a run's id is a whole number"));
            return;
        }
        Read(
            [id = *id](Store& store) {
                std::optional<std::string> file = store.RunFile(id);
                if (!file) {
                    return ErrorReply(404, "no run " + std::to_string(id));
                }
                Reply r;
                r.body = std::move(*file);
                r.type = "text/plain; charset=utf-8";
                // A run on the board never changes.
                r.headers.emplace_back("Cache-Control", "public, max-age=31536000, immutable");
                return r;
            },
            reply);
    }
}

// Counted off the socket's thread (the database may be slow), and answered
// once counted.
void Api::Refuse(unsigned status, const std::string& why, const std::function<void(Reply)>& done)
{
    auto job = [this, status, why, done](std::size_t thread) {
        done(WithStore(options_.database, readStores_[thread], [&](Store& store) {
            store.CountRefused();
            return ErrorReply(status, why);
        }));
    };
    if (!read_.TryPost(job)) {
        done(ErrorReply(status, why));
    }
}

void Api::Read(std::function<Reply(Store&)> work, std::function<void(Reply)>& done)
{
    auto job = [this, work = std::move(work), done](std::size_t thread) {
        done(WithStore(options_.database, readStores_[thread], work));
    };
    if (!read_.TryPost(job)) {
        done(Busy());
    }
}

void Api::Submit(const std::string& query, std::string body, const std::string& address,
                 std::function<void(Reply)>& done)
{
    if (const std::uint64_t wait = limit_.Take(address); wait > 0) {
        Reply reply =
            ErrorReply(429, "too many runs from this address: " + std::to_string(options_.submissionsPerMinute) +
                                " a minute at most");
        reply.headers.emplace_back("Retry-After", std::to_string(wait));
        done(std::move(reply));
        return;
    }
    std::string error;
    std::optional<std::string> name = QueryValue(query, "name", error);
    if (error.empty() && !name) {
        error = "the run needs a name: POST /api/runs?name=NAME";
    }
    if (error.empty()) {
        if (const std::optional<std::string> problem = NameProblem(*name)) {
            error = *problem;
        }
    }
    if (!error.empty()) {
        Refuse(400, error, done);
        return;
    }
    auto job = [this, name = std::move(*name), body = std::move(body), done](std::size_t thread) {
        const std::string& build = options_.build;
        done(WithStore(options_.database, verifyStores_[thread], [&](Store& store) {
            const Verdict verdict = Judge(body);
            if (!verdict.accepted) {
                store.CountRefused();
                const bool big = body.size() > kMostBytes;
                return ErrorReply(big ? 413 : 422, verdict.reason);
            }
            const std::optional<std::uint64_t> id =
                store.Add(NewRun{name, verdict.ticks, verdict.deaths, verdict.identity, body, build, sys::UtcNow()});
            if (!id) {
                store.CountRefused();
                return ErrorReply(409, "a duplicate: the same run is on the board already");
            }
            const std::uint64_t rank = 1 + store.CountBetter(verdict.ticks, verdict.deaths);
            Reply reply =
                JsonReply(201, json{{"id", *id}, {"rank", rank}, {"ticks", verdict.ticks}, {"deaths", verdict.deaths}});
            reply.headers.emplace_back("Location", "/api/runs/" + std::to_string(*id));
            return reply;
        }));
    };
    if (!verify_.TryPost(std::move(job))) {
        done(Busy());
    }
}

}  // namespace dravik::server
