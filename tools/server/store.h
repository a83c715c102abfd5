#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dravik::server {

// A run as the board keeps it: stored whole, with its name, its result, the
// build that verified it and when it was received.
struct NewRun {
    std::string name;
    std::uint64_t ticks = 0;
    std::uint64_t deaths = 0;
    std::string identity;  // see Verdict::identity; unique on the board
    std::string file;
    std::string build;
    std::string received;  // UTC, "2026-12-08T23:44:23Z"
};

struct Entry {
    std::uint64_t rank = 0;
    std::uint64_t id = 0;
    std::string name;
    std::uint64_t ticks = 0;
    std::uint64_t deaths = 0;
};

struct Page {
    std::uint64_t total = 0;
    std::vector<Entry> entries;
};

// The database went away or refused: the request that met it gets 503.
class StoreUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One connection to the board's database, used by one thread at a time.
// SQLite and PostgreSQL hold the same tables (runs, tally) and answer the
// same statements; every value goes in as a bound parameter.
//
// The ranking: fewer ticks first, then fewer deaths; equal results share a
// rank (one more than the runs with a better result) and are listed in the
// order they were received.
class Store {
public:
    virtual ~Store() = default;

    // Adds a run in a transaction of its own, committed before it returns.
    // Its id, or nothing when a run with the same identity is on the board.
    virtual std::optional<std::uint64_t> Add(const NewRun& run) = 0;
    // The runs with a better result than ticks and deaths.
    virtual std::uint64_t CountBetter(std::uint64_t ticks, std::uint64_t deaths) = 0;
    virtual std::uint64_t CountRuns() = 0;
    // The entries at `offset`, at most `limit` of them, with their ranks.
    Page Leaderboard(std::uint64_t offset, std::uint64_t limit);
    // A run's file as it was sent.
    virtual std::optional<std::string> RunFile(std::uint64_t id) = 0;
    // Refused runs are counted, not kept.
    virtual void CountRefused() = 0;
    virtual std::uint64_t Refused() = 0;

protected:
    // The entries in board order, without their ranks, and the number of
    // runs on the board when there is a row to tell it.
    virtual std::vector<Entry> Rows(std::uint64_t offset, std::uint64_t limit, std::optional<std::uint64_t>& total) = 0;
};

// Opens a connection: "sqlite:PATH" or a PostgreSQL URI ("postgresql://" or
// "postgres://"). The first connection of a process makes the tables if they
// are not there yet. Throws StoreUnavailable with the reason.
std::unique_ptr<Store> OpenStore(const std::string& url);
std::unique_ptr<Store> OpenSqlite(const std::string& path);
std::unique_ptr<Store> OpenPostgres(const std::string& url);

}  // namespace dravik::server
