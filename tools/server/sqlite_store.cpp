// The board in an SQLite file: WAL, and every commit synced to the disk
// before the run is acknowledged, so that it survives a kill and a power cut.
#include <sqlite3.h>

#include <map>
#include <string_view>

#include "server/statements.h"
#include "server/store.h"

namespace dravik::server {

namespace {

std::string WithTypes(std::string text, const char* id, const char* blob)
{
    for (auto [mark, value] : {std::pair<std::string_view, const char*>{"{ID}", id}, {"{BLOB}", blob}}) {
        if (const std::size_t at = text.find(mark); at != std::string::npos) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

class SqliteStore final : public Store {
public:
    explicit SqliteStore(const std::string& path)
    {
        const int opened = sqlite3_open_v2(path.c_str(), &db_,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (opened != SQLITE_OK) {
            const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(opened);
            sqlite3_close(db_);
            throw StoreUnavailable("cannot open " + path + ": " + why);
        }
        sqlite3_busy_timeout(db_, 10000);
        try {
            Exec("PRAGMA journal_mode = WAL");
            Exec("PRAGMA synchronous = FULL");
            Exec("PRAGMA foreign_keys = ON");
            Exec("BEGIN IMMEDIATE");
            for (const char* statement : sql::kSchema) {
                Exec(WithTypes(statement, sql::kSqliteId, sql::kSqliteBlob));
            }
            Exec("COMMIT");
        } catch (...) {
            Close();
            throw;
        }
    }
    ~SqliteStore() override { Close(); }
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::optional<std::uint64_t> Add(const NewRun& run) override
    {
        Statement& s = Prepared(sql::kAdd);
        BindText(s, 1, run.name);
        BindNumber(s, 2, run.ticks);
        BindNumber(s, 3, run.deaths);
        BindText(s, 4, run.identity);
        Check(sqlite3_bind_blob64(s.get, 5, run.file.data(), run.file.size(), SQLITE_TRANSIENT));
        BindText(s, 6, run.build);
        BindText(s, 7, run.received);
        std::optional<std::uint64_t> id;
        if (Step(s)) {
            id = static_cast<std::uint64_t>(sqlite3_column_int64(s.get, 0));
            Step(s);
        }
        return id;
    }

    std::uint64_t CountBetter(std::uint64_t ticks, std::uint64_t deaths) override
    {
        Statement& s = Prepared(sql::kCountBetter);
        BindNumber(s, 1, ticks);
        BindNumber(s, 2, deaths);
        return Count(s);
    }

    std::uint64_t CountRuns() override { return Count(Prepared(sql::kCountRuns)); }

    std::optional<std::string> RunFile(std::uint64_t id) override
    {
        Statement& s = Prepared(sql::kRunFile);
        BindNumber(s, 1, id);
        if (!Step(s)) {
            return std::nullopt;
        }
        const auto* data = static_cast<const char*>(sqlite3_column_blob(s.get, 0));
        std::string file(data == nullptr ? ""
                                         : std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(s.get, 0))));
        Step(s);
        return file;
    }

    void CountRefused() override
    {
        Statement& s = Prepared(sql::kCountRefused);
        while (Step(s)) {
        }
    }

    std::uint64_t Refused() override
    {
        Statement& s = Prepared(sql::kRefused);
        return Count(s);
    }

protected:
    std::vector<Entry> Rows(std::uint64_t offset, std::uint64_t limit, std::optional<std::uint64_t>& total) override
    {
        Statement& s = Prepared(sql::kRows);
        BindNumber(s, 1, limit);
        BindNumber(s, 2, offset);
        std::vector<Entry> rows;
        while (Step(s)) {
            Entry entry;
            entry.id = static_cast<std::uint64_t>(sqlite3_column_int64(s.get, 0));
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(s.get, 1));
            entry.name.assign(name == nullptr ? "" : name, static_cast<std::size_t>(sqlite3_column_bytes(s.get, 1)));
            entry.ticks = static_cast<std::uint64_t>(sqlite3_column_int64(s.get, 2));
            entry.deaths = static_cast<std::uint64_t>(sqlite3_column_int64(s.get, 3));
            total = static_cast<std::uint64_t>(sqlite3_column_int64(s.get, 4));
            rows.push_back(std::move(entry));
        }
        return rows;
    }

private:
    struct Statement {
        sqlite3_stmt* get = nullptr;
    };

    void Close()
    {
        for (auto& [text, statement] : statements_) {
            sqlite3_finalize(statement.get);
        }
        statements_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
    }

    [[noreturn]] void Fail(int code)
    {
        throw StoreUnavailable(std::string("SQLite: ") + (db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code)));
    }

    void Check(int code)
    {
        if (code != SQLITE_OK) {
            Fail(code);
        }
    }

    void Exec(const std::string& text)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string why = message != nullptr ? message : "failed";
            sqlite3_free(message);
            throw StoreUnavailable("SQLite: " + why);
        }
    }

    // Each statement is prepared once per connection and reset for every use.
    Statement& Prepared(const char* text)
    {
        auto [it, fresh] = statements_.try_emplace(text);
        if (fresh) {
            const int code = sqlite3_prepare_v2(db_, text, -1, &it->second.get, nullptr);
            if (code != SQLITE_OK) {
                statements_.erase(it);
                Fail(code);
            }
        }
        sqlite3_reset(it->second.get);
        sqlite3_clear_bindings(it->second.get);
        return it->second;
    }

    void BindText(Statement& s, int index, const std::string& text)
    {
        Check(sqlite3_bind_text64(s.get, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    }

    void BindNumber(Statement& s, int index, std::uint64_t value)
    {
        Check(sqlite3_bind_int64(s.get, index, static_cast<sqlite3_int64>(value)));
    }

    // A row, or false at the end. A writer that holds the file past the busy
    // timeout makes the database unavailable for this request.
    bool Step(Statement& s)
    {
        const int code = sqlite3_step(s.get);
        if (code == SQLITE_ROW) {
            return true;
        }
        if (code == SQLITE_DONE) {
            return false;
        }
        sqlite3_reset(s.get);
        Fail(code);
    }

    std::uint64_t Count(Statement& s)
    {
        std::uint64_t count = 0;
        if (Step(s)) {
            count = static_cast<std::uint64_t>(sqlite3_column_int64(s.get, 0));
            Step(s);
        }
        return count;
    }

    sqlite3* db_ = nullptr;
    std::map<const char*, Statement> statements_;
};

}  // namespace

std::unique_ptr<Store> OpenSqlite(const std::string& path)
{
    return std::make_unique<SqliteStore>(path);
}

}  // namespace dravik::server
