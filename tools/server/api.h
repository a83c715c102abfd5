#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/pool.h"
#include "server/rate_limit.h"
#include "server/reply.h"

namespace dravik::server {

class Store;

struct ApiOptions {
    std::string database;  // "sqlite:PATH" or a PostgreSQL URI
    std::uint64_t submissionsPerMinute = 0;
    std::size_t verifiers = 2;  // threads that re-play runs
    std::size_t queue = 64;     // runs waiting for them, at most
    std::size_t readers = 4;    // threads that read the board (the database may be a round trip away)
    std::uint64_t bound = 0;    // no win comes before this tick
    std::string build;          // the build that verifies, as stored with each run
};

// The JSON API under /api/. Requests that touch the database run on two
// bounded pools, off the threads that read sockets: one re-plays and stores
// submitted runs, one reads the board. Each thread keeps its own connection.
class Api {
public:
    explicit Api(ApiOptions options);
    ~Api();
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;

    // Answers a request whose path starts with /api/: `done` is called once,
    // on a pool's thread or before Handle returns.
    void Handle(const std::string& method, const std::string& target, std::string body, const std::string& address,
                std::function<void(Reply)> done);

    // Counts a refused run, then answers `done` with the reason: also for a
    // run refused before it reached Handle (too big to read).
    void Refuse(unsigned status, const std::string& why, const std::function<void(Reply)>& done);

    // Ends the pools; a job under way finishes first.
    void Stop();

private:
    void Submit(const std::string& query, std::string body, const std::string& address,
                std::function<void(Reply)>& done);
    void Read(std::function<Reply(Store&)> work, std::function<void(Reply)>& done);

    ApiOptions options_;
    RateLimit limit_;
    Pool verify_;
    Pool read_;
    // Each pool thread's connection to the database, by its index.
    std::vector<std::unique_ptr<Store>> verifyStores_;
    std::vector<std::unique_ptr<Store>> readStores_;
};

}  // namespace dravik::server
