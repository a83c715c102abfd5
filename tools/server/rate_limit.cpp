#include "server/rate_limit.h"

#include <algorithm>
#include <cmath>

namespace dravik::server {

void RateLimit::Refill(Bucket& bucket, Clock::time_point now) const
{
    const double seconds = std::chrono::duration<double>(now - bucket.at).count();
    const auto most = static_cast<double>(perMinute_);
    bucket.tokens = std::min(most, bucket.tokens + seconds * most / 60.0);
    bucket.at = now;
}

void RateLimit::Forget(Clock::time_point now)
{
    for (auto it = buckets_.begin(); it != buckets_.end();) {
        Refill(it->second, now);
        it = it->second.tokens >= static_cast<double>(perMinute_) ? buckets_.erase(it) : std::next(it);
    }
}

std::uint64_t RateLimit::Take(const std::string& address, Clock::time_point now)
{
    if (perMinute_ == 0) {
        return 0;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = buckets_.find(address);
    if (it == buckets_.end() && buckets_.size() >= kMostAddresses) {
        Forget(now);
    }
    Bucket* bucket = nullptr;
    if (it != buckets_.end()) {
        bucket = &it->second;
    } else if (buckets_.size() < kMostAddresses) {
        bucket = &buckets_.emplace(address, Bucket{static_cast<double>(perMinute_), now}).first->second;
    } else {
        if (!sharedStarted_) {
            shared_ = Bucket{static_cast<double>(perMinute_), now};
            sharedStarted_ = true;
        }
        bucket = &shared_;
    }
    Refill(*bucket, now);
    if (bucket->tokens >= 1.0) {
        bucket->tokens -= 1.0;
        return 0;
    }
    const double wait = (1.0 - bucket->tokens) * 60.0 / static_cast<double>(perMinute_);
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::ceil(wait)));
}

}  // namespace dravik::server
