#pragma once

// The board's tables and every statement on them, the same text for SQLite
// and PostgreSQL ($1, $2 ... are bound parameters in both). Only the id
// column is written in each one's own words.
namespace dravik::server::sql {

// {ID} stands for the id column's type.
inline constexpr const char* kSchema[] = {
    "CREATE TABLE IF NOT EXISTS runs ("
    " id {ID},"
    " name TEXT NOT NULL,"
    " ticks BIGINT NOT NULL,"
    " deaths BIGINT NOT NULL,"
    " identity TEXT NOT NULL UNIQUE,"  // the events up to the win, hashed
    " file {BLOB} NOT NULL,"           // the run file as it was sent
    " build TEXT NOT NULL,"            // the build that verified it
    " received TEXT NOT NULL)",        // UTC
    "CREATE INDEX IF NOT EXISTS runs_by_result ON runs (ticks, deaths, id)",
    "CREATE TABLE IF NOT EXISTS tally (what TEXT PRIMARY KEY, count BIGINT NOT NULL)",
};
inline constexpr const char* kSqliteId = "INTEGER PRIMARY KEY AUTOINCREMENT";
inline constexpr const char* kSqliteBlob = "BLOB";
inline constexpr const char* kPostgresId = "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY";
inline constexpr const char* kPostgresBlob = "BYTEA";

inline constexpr const char* kAdd =
    "INSERT INTO runs (name, ticks, deaths, identity, file, build, received)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7) ON CONFLICT (identity) DO NOTHING RETURNING id";
inline constexpr const char* kCountBetter =
    "SELECT COUNT(*) FROM runs WHERE ticks < $1 OR (ticks = $1 AND deaths < $2)";
inline constexpr const char* kCountRuns = "SELECT COUNT(*) FROM runs";
// The page's rows, each with the board's size: one statement, not two.
inline constexpr const char* kRows =
    "SELECT id, name, ticks, deaths, (SELECT COUNT(*) FROM runs) FROM runs"
    " ORDER BY ticks, deaths, id LIMIT $1 OFFSET $2";
inline constexpr const char* kRunFile = "SELECT file FROM runs WHERE id = $1";
inline constexpr const char* kCountRefused =
    "INSERT INTO tally (what, count) VALUES ('refused', 1)"
    " ON CONFLICT (what) DO UPDATE SET count = tally.count + 1";
inline constexpr const char* kRefused = "SELECT count FROM tally WHERE what = 'refused'";

}  // namespace dravik::server::sql
