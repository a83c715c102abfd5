#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace dravik::server {

// So many submissions a minute from one client address: a bucket of that
// many tokens, refilled evenly over the minute. The table of addresses is
// bounded: full buckets are forgotten, and past kMostAddresses the addresses
// not yet known share one bucket.
class RateLimit {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMostAddresses = 100'000;

    explicit RateLimit(std::uint64_t perMinute) : perMinute_(perMinute) {}

    // Takes a token for `address`: 0 when it had one, else the whole seconds
    // until it will (the Retry-After). Always 0 when the limit is off.
    std::uint64_t Take(const std::string& address, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens;
        Clock::time_point at;
    };
    void Refill(Bucket& bucket, Clock::time_point now) const;
    void Forget(Clock::time_point now);

    std::uint64_t perMinute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
    Bucket shared_{0, {}};
    bool sharedStarted_ = false;
};

}  // namespace dravik::server
