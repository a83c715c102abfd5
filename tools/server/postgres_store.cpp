// The board in PostgreSQL, for several servers over one database: the same
// tables and statements as in SQLite, each statement prepared once on the
// connection and every value bound. Each statement is a transaction of its
// own (no BEGIN and COMMIT around it: one round trip), committed, and with
// PostgreSQL's synchronous_commit on its default flushed to the disk, before
// it returns.
#include <pqxx/pqxx>
#include <string_view>

#include "server/statements.h"
#include "server/store.h"

namespace dravik::server {

namespace {

std::string WithTypes(std::string text)
{
    for (auto [mark, value] :
         {std::pair<std::string_view, const char*>{"{ID}", sql::kPostgresId}, {"{BLOB}", sql::kPostgresBlob}}) {
        if (const std::size_t at = text.find(mark); at != std::string::npos) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

// Any key: the servers that start together make the tables one at a time.
constexpr long long kSchemaLock = 0x647261766b;

class PostgresStore final : public Store {
public:
    explicit PostgresStore(const std::string& url) : connection_(Connect(url))
    {
        Guarded([&] {
            pqxx::work work(*connection_);
            work.exec("SELECT pg_advisory_xact_lock(" + std::to_string(kSchemaLock) + ")");
            for (const char* statement : sql::kSchema) {
                work.exec(WithTypes(statement));
            }
            work.commit();
        });
        connection_->prepare("add", sql::kAdd);
        connection_->prepare("better", sql::kCountBetter);
        connection_->prepare("runs", sql::kCountRuns);
        connection_->prepare("rows", sql::kRows);
        connection_->prepare("file", sql::kRunFile);
        connection_->prepare("refuse", sql::kCountRefused);
        connection_->prepare("refused", sql::kRefused);
    }

    std::optional<std::uint64_t> Add(const NewRun& run) override
    {
        return Guarded([&]() -> std::optional<std::uint64_t> {
            pqxx::nontransaction work(*connection_);
            const pqxx::result rows =
                work.exec_prepared("add", run.name, Signed(run.ticks), Signed(run.deaths), run.identity,
                                   pqxx::binarystring(run.file.data(), run.file.size()), run.build, run.received);
            work.commit();
            if (rows.empty()) {
                return std::nullopt;
            }
            return rows[0][0].as<std::uint64_t>();
        });
    }

    std::uint64_t CountBetter(std::uint64_t ticks, std::uint64_t deaths) override
    {
        return Count("better", Signed(ticks), Signed(deaths));
    }

    std::uint64_t CountRuns() override { return Count("runs"); }

    std::optional<std::string> RunFile(std::uint64_t id) override
    {
        return Guarded([&]() -> std::optional<std::string> {
            pqxx::nontransaction work(*connection_);
            const pqxx::result rows = work.exec_prepared("file", Signed(id));
            if (rows.empty()) {
                return std::nullopt;
            }
            return pqxx::binarystring(rows[0][0]).str();
        });
    }

    void CountRefused() override
    {
        Guarded([&] {
            pqxx::nontransaction work(*connection_);
            work.exec_prepared("refuse");
            work.commit();
        });
    }

    std::uint64_t Refused() override { return Count("refused"); }

protected:
    std::vector<Entry> Rows(std::uint64_t offset, std::uint64_t limit, std::optional<std::uint64_t>& total) override
    {
        return Guarded([&] {
            pqxx::nontransaction work(*connection_);
            std::vector<Entry> rows;
            for (const pqxx::row& row : work.exec_prepared("rows", Signed(limit), Signed(offset))) {
                rows.push_back(Entry{0, row[0].as<std::uint64_t>(), row[1].as<std::string>(),
                                     row[2].as<std::uint64_t>(), row[3].as<std::uint64_t>()});
                total = row[4].as<std::uint64_t>();
            }
            return rows;
        });
    }

private:
    static std::unique_ptr<pqxx::connection> Connect(const std::string& url)
    {
        try {
            return std::make_unique<pqxx::connection>(url);
        } catch (const std::exception& e) {
            throw StoreUnavailable(std::string("PostgreSQL: ") + e.what());
        }
    }

    // BIGINT is signed; every number here is far below its limit.
    static long long Signed(std::uint64_t value) { return static_cast<long long>(value); }

    template <typename... Values>
    std::uint64_t Count(const char* statement, const Values&... values)
    {
        return Guarded([&]() -> std::uint64_t {
            pqxx::nontransaction work(*connection_);
            const pqxx::result rows = work.exec_prepared(statement, values...);
            return rows.empty() || rows[0][0].is_null() ? 0 : rows[0][0].as<std::uint64_t>();
        });
    }

    // A lost connection or a refusal of the database's is the request's
    // 503; the connection is opened again for the next one.
    template <typename Work>
    auto Guarded(Work&& work) -> decltype(work())
    {
        try {
            return work();
        } catch (const pqxx::broken_connection& e) {
            throw StoreUnavailable(std::string("PostgreSQL: the connection is lost: ") + e.what());
        } catch (const pqxx::sql_error& e) {
            throw StoreUnavailable(std::string("PostgreSQL: ") + e.what());
        }
    }

    std::unique_ptr<pqxx::connection> connection_;
};

}  // namespace

std::unique_ptr<Store> OpenPostgres(const std::string& url)
{
    return std::make_unique<PostgresStore>(url);
}

}  // namespace dravik::server
