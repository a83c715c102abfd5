#include "server/store.h"

namespace dravik::server {

Page Store::Leaderboard(std::uint64_t offset, std::uint64_t limit)
{
    Page page;
    std::optional<std::uint64_t> total;
    page.entries = Rows(offset, limit, total);
    page.total = total ? *total : CountRuns();
    // The rows come in board order: a row shares the rank of the one before
    // when their results are equal, and otherwise its rank is its place.
    for (std::size_t i = 0; i < page.entries.size(); ++i) {
        Entry& entry = page.entries[i];
        if (i == 0) {
            entry.rank = 1 + CountBetter(entry.ticks, entry.deaths);
        } else {
            const Entry& before = page.entries[i - 1];
            const bool same = before.ticks == entry.ticks && before.deaths == entry.deaths;
            entry.rank = same ? before.rank : offset + i + 1;
        }
    }
    return page;
}

std::unique_ptr<Store> OpenStore(const std::string& url)
{
    if (url.rfind("sqlite:", 0) == 0) {
        return OpenSqlite(url.substr(7));
    }
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0) {
        return OpenPostgres(url);
    }
    throw StoreUnavailable("the database is 'sqlite:PATH' or 'postgresql://...', not '" + url + "'");
}

}  // namespace dravik::server
