// dravik-server as its clients meet it: a real process on a free port of
// 127.0.0.1 over a fresh board, SQLite by default, PostgreSQL when
// DRAVIK_TEST_POSTGRES is set (with_postgres.sh gives a throwaway cluster).
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "solve/bound.h"
#include "support/subprocess.h"

namespace {

namespace solve = dravik::solve;
using nlohmann::json;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::string WinningRun()
{
    return dravik::support::ReadFile(DRAVIK_TEST_DATA "/winning-run.txt");
}

// The stored winning run's events alone, with a clock second added at
// `tick` (none at 0): other events, the same result. (A clock changes TIME,
// so the run's proof lines would no longer hold.)
std::string WithClockAt(std::uint64_t tick)
{
    std::istringstream in(WinningRun());
    std::string out;
    bool added = tick == 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("# final", 0) == 0 || line.rfind("# hash", 0) == 0) {
            continue;
        }
        if (!added && !line.empty() && line[0] != '#' && std::stoull(line) > tick) {
            out += std::to_string(tick) + " clock\n";
            added = true;
        }
        out += line + "\n";
    }
    return out;
}

// One connection that sends `request` and reads the answer to its end.
struct Answer {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    json Json() const { return json::parse(body, nullptr, false); }
};

int Connect(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

// Everything the server sends until it closes, or `seconds` pass.
std::string ReadToEnd(int fd, double seconds = 30)
{
    std::string got;
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    for (char buffer[65536]; Clock::now() < until;) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

Answer Parse(const std::string& raw)
{
    Answer answer;
    const std::size_t end = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) {
        return answer;
    }
    answer.status = std::stoi(raw.substr(9, 3));
    std::istringstream lines(raw.substr(0, end));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        answer.headers[name] = line.substr(colon + 2, line.size() - colon - 3);
    }
    answer.body = raw.substr(end + 4);
    return answer;
}

Answer Exchange(int port, const std::string& request)
{
    const int fd = Connect(port);
    if (fd < 0) {
        return {};
    }
    SendAll(fd, request);
    Answer answer = Parse(ReadToEnd(fd));
    close(fd);
    return answer;
}

Answer Get(int port, const std::string& target)
{
    return Exchange(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

Answer Post(int port, const std::string& target, const std::string& body)
{
    return Exchange(port, "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body);
}

// A fresh board: an SQLite file in the scratch folder, or a database of its
// own in the PostgreSQL cluster the environment names.
std::string FreshBoard(const fs::path& scratch)
{
    if (std::getenv("DRAVIK_TEST_POSTGRES") == nullptr) {
        return "sqlite:" + (scratch / "board.sqlite").string();
    }
    static std::atomic<int> count{0};
    const std::string name = "board_" + std::to_string(getpid()) + "_" + std::to_string(count++);
    const auto made = dravik::support::Run({{"createdb", name}, "", {}});
    EXPECT_EQ(made.status, 0) << made.err;
    return "postgresql:///" + name;
}

// dravik-server on a free port, stopped with the test.
class Server {
public:
    Server(const std::string& board, std::vector<std::string> options = {})
        : board_(board), options_(std::move(options))
    {
        Start();
    }
    ~Server() { Stop(SIGTERM); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    void Start()
    {
        const fs::path out = scratch_.path() / ("stdout" + std::to_string(starts_++));
        std::vector<std::string> args = {DRAVIK_SERVER_PATH, "--listen",      "127.0.0.1:0", "--db", board_,
                                         "--site",           DRAVIK_TEST_SITE};
        args.insert(args.end(), options_.begin(), options_.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // It says its address once it listens.
        const auto until = Clock::now() + std::chrono::seconds(30);
        for (std::string line; Clock::now() < until; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            line = dravik::support::ReadFile(out);
            if (const std::size_t at = line.find("http://127.0.0.1:");
                at != std::string::npos && line.find('\n') != std::string::npos) {
                port_ = std::stoi(line.substr(at + 17));
                return;
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid_, &status, WNOHANG), 0) << "dravik-server ended at its start";
        }
        FAIL() << "dravik-server did not start listening";
    }

    // Ends it with `signal` and waits: SIGKILL is a crash.
    int Stop(int signal)
    {
        if (pid_ <= 0) {
            return -1;
        }
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
        return status;
    }

    int Port() const { return port_; }
    // The most memory it has held, in kB.
    long PeakKilobytes() const
    {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0) {
                return std::stol(line.substr(6));
            }
        }
        return -1;
    }

private:
    dravik::support::ScratchDir scratch_;
    std::string board_;
    std::vector<std::string> options_;
    pid_t pid_ = 0;
    int port_ = 0;
    int starts_ = 0;
};

class ServerTest : public ::testing::Test {
protected:
    dravik::support::ScratchDir scratch_;
    std::string board_ = FreshBoard(scratch_.path());
};

// The whole path of a run: accepted once and ranked by what the game itself
// replays; every way of being refused says why; names are kept as the text
// they are.
TEST_F(ServerTest, RanksOnlyTheRunsItReplaysItself)
{
    Server server(board_, {"--submissions-per-minute", "0"});
    const int port = server.Port();
    const std::string run = WinningRun();

    const Answer first = Post(port, "/api/runs?name=alice", run);
    ASSERT_EQ(first.status, 201) << first.body;
    const json accepted = first.Json();
    EXPECT_EQ(accepted["rank"], 1);
    EXPECT_EQ(accepted["ticks"], 2492);
    EXPECT_EQ(accepted["deaths"], 0);
    const std::string id = std::to_string(accepted["id"].get<std::uint64_t>());
    EXPECT_EQ(first.headers.at("location"), "/api/runs/" + id);
    EXPECT_EQ(Get(port, "/api/runs/" + id).body, run);

    // The run as dravik-sim records it: hashes, a final line and the arrows
    // let go after the win. The same events up to the win: a duplicate.
    const fs::path recorded = scratch_.path() / "recorded.txt";
    const auto made = dravik::support::Run(
        {{DRAVIK_SIM_PATH, "--input", DRAVIK_TEST_DATA "/winning-run.txt", "--record", recorded.string()}, "", {}});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string recording = dravik::support::ReadFile(recorded);
    ASSERT_NE(recording.find("\n# final {"), std::string::npos);
    const Answer again = Post(port, "/api/runs?name=mallory", "# sent again\n" + recording);
    EXPECT_EQ(again.status, 409);
    EXPECT_EQ(again.Json()["error"], "a duplicate: the same run is on the board already");

    // Refused, each with its reason.
    std::string forged = recording;
    const std::size_t deaths = forged.find("\"deaths\":", forged.find("# final"));
    ASSERT_NE(deaths, std::string::npos);
    forged.insert(deaths + 9, "1");
    std::string changed = WithClockAt(0);
    const std::size_t second = changed.find("1 down 38\n");
    ASSERT_NE(second, std::string::npos);
    changed.replace(second, 9, "1 down 37");
    const std::map<std::string, std::pair<int, std::string>> refusals = {
        {forged, {422, "the final state differs at tick"}},
        {changed, {422, "no win: the run ends at tick 2492"}},
        {std::string(2 << 20, '#'), {413, "too long: the file is over 1 MB"}},
        {"1 down 38\n230401 up 38\n", {422, "too long: the run lasts 230401 ticks"}},
        {"1 down 38\n5 jump\n", {422, "line 2: "}},
        {"", {422, "no win"}},
    };
    for (const auto& [file, expected] : refusals) {
        const Answer refused = Post(port, "/api/runs?name=trudy", file);
        EXPECT_EQ(refused.status, expected.first) << refused.body;
        EXPECT_EQ(refused.Json()["error"].get<std::string>().rfind(expected.second, 0), 0U) << refused.body;
    }
    const std::vector<std::string> badNames = {
        "", "n%FFn", "tab%09", "%E2%80%AEevil", "%20padded", std::string(33, 'x'), "a&name=b"};
    for (const std::string& name : badNames) {
        const Answer refused = Post(port, "/api/runs?name=" + name, WithClockAt(7));
        EXPECT_EQ(refused.status, 400) << name << ": " << refused.body;
        EXPECT_TRUE(refused.Json()["error"].is_string()) << name;
    }
    EXPECT_EQ(Post(port, "/api/runs", run).status, 400);

    // Markup and SQL are names like any other; an equal result shares the
    // rank and is listed after the earlier one.
    const std::string markup = "<script>alert(1)</script>";
    const std::string sql = "'); DROP TABLE runs; --";
    const Answer tie = Post(port, "/api/runs?name=%3Cscript%3Ealert(1)%3C%2Fscript%3E", WithClockAt(100));
    ASSERT_EQ(tie.status, 201) << tie.body;
    EXPECT_EQ(tie.Json()["rank"], 1);
    const Answer slower = Post(port, "/api/runs?name=%27%29%3B+DROP+TABLE+runs%3B+--",
                               dravik::support::ReadFile(DRAVIK_TEST_DATA "/slower-run.txt"));
    ASSERT_EQ(slower.status, 201) << slower.body;
    EXPECT_EQ(slower.Json()["rank"], 3);
    EXPECT_EQ(slower.Json()["ticks"], 2505);

    const json board = Get(port, "/api/leaderboard").Json();
    EXPECT_EQ(board["total"], 3);
    ASSERT_EQ(board["entries"].size(), 3U);
    const std::vector<std::pair<std::string, int>> expected = {{"alice", 1}, {markup, 1}, {sql, 3}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(board["entries"][i]["name"], expected[i].first);
        EXPECT_EQ(board["entries"][i]["rank"], expected[i].second);
    }
    const json page = Get(port, "/api/leaderboard?offset=1&limit=1").Json();
    ASSERT_EQ(page["entries"].size(), 1U);
    EXPECT_EQ(page["entries"][0]["name"], markup);
    EXPECT_EQ(page["entries"][0]["rank"], 1);
    EXPECT_EQ(Get(port, "/api/leaderboard?offset=2").Json()["entries"][0]["rank"], 3);

    const json stats = Get(port, "/api/stats").Json();
    EXPECT_EQ(stats["runs"], 3);
    EXPECT_EQ(stats["rejected"], 1 + refusals.size() + badNames.size() + 1);
    EXPECT_EQ(stats["bound"], solve::WinTickLowerBound());
    EXPECT_EQ(stats["best"]["name"], "alice");
    EXPECT_EQ(stats["best"]["ticks"], 2492);

    for (const char* target : {"/api/leaderboard?limit=0", "/api/leaderboard?limit=101", "/api/leaderboard?offset=-1",
                               "/api/leaderboard?offset=01"}) {
        EXPECT_EQ(Get(port, target).status, 400) << target;
    }
    EXPECT_EQ(Get(port, "/api/runs/99").status, 404);
    EXPECT_EQ(Get(port, "/api/runs/abc").status, 404);
    const Answer wrong = Get(port, "/api/runs");
    EXPECT_EQ(wrong.status, 405);
    EXPECT_EQ(wrong.headers.at("allow"), "POST");
    // The page on the same port.
    const Answer page0 = Get(port, "/");
    EXPECT_EQ(page0.status, 200);
    EXPECT_EQ(page0.headers.at("content-type"), "text/html; charset=utf-8");
    EXPECT_EQ(Get(port, "/../../../etc/passwd").status, 404);
}

// A stream of runs, the server killed in the middle of it: every run it
// acknowledged is on the board once it is back, and only once.
TEST_F(ServerTest, AcknowledgedRunsSurviveKill)
{
    auto server = std::make_unique<Server>(board_, std::vector<std::string>{"--submissions-per-minute", "0"});
    const int port = server->Port();
    std::mutex mutex;
    std::map<std::uint64_t, std::uint64_t> acknowledged;  // id -> the clock's tick of its run
    std::atomic<std::uint64_t> next{1};
    std::atomic<bool> stop{false};
    std::vector<std::thread> senders;
    for (int s = 0; s < 3; ++s) {
        senders.emplace_back([&] {
            while (!stop) {
                const std::uint64_t tick = next++;
                const Answer answer = Post(port, "/api/runs?name=stream", WithClockAt(tick));
                if (answer.status == 201) {
                    const std::lock_guard<std::mutex> lock(mutex);
                    acknowledged[answer.Json()["id"].get<std::uint64_t>()] = tick;
                }
            }
        });
    }
    const auto until = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::lock_guard<std::mutex> lock(mutex);
        if (acknowledged.size() >= 40) {
            break;
        }
    }
    const int status = server->Stop(SIGKILL);
    stop = true;
    for (std::thread& sender : senders) {
        sender.join();
    }
    EXPECT_TRUE(WIFSIGNALED(status));
    ASSERT_GE(acknowledged.size(), 40U);

    if (board_.rfind("sqlite:", 0) == 0) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(board_.substr(7).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        std::string verdict;
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* out, int, char** values, char**) {
                *static_cast<std::string*>(out) += values[0];
                return 0;
            },
            &verdict, nullptr);
        sqlite3_close(db);
        EXPECT_EQ(verdict, "ok");
    }
    server = std::make_unique<Server>(board_, std::vector<std::string>{"--submissions-per-minute", "0"});
    std::multiset<std::uint64_t> ids;
    const json first = Get(server->Port(), "/api/leaderboard?limit=100").Json();
    const std::uint64_t total = first["total"];
    EXPECT_LE(total, next.load());
    for (std::uint64_t offset = 0; offset < total; offset += 100) {
        const json page = Get(server->Port(), "/api/leaderboard?limit=100&offset=" + std::to_string(offset)).Json();
        for (const json& entry : page["entries"]) {
            ids.insert(entry["id"].get<std::uint64_t>());
        }
    }
    EXPECT_EQ(ids.size(), total);
    for (const auto& [id, tick] : acknowledged) {
        EXPECT_EQ(ids.count(id), 1U) << "run " << id << " (clock at tick " << tick << ")";
    }
    // Each run is there once: sent again, it is a duplicate.
    EXPECT_EQ(Post(server->Port(), "/api/runs?name=again", WithClockAt(acknowledged.begin()->second)).status, 409);
}

// Slow, endless, malformed and greedy clients each get their answer, and
// the others are answered meanwhile, with the server's memory bounded.
TEST_F(ServerTest, HostileClientsDoNotHurtOthers)
{
    Server server(board_,
                  {"--submissions-per-minute", "3", "--workers", "1", "--queue", "1", "--request-timeout", "4"});
    const int port = server.Port();
    const auto started = Clock::now();

    // Endless bodies and never-ending headers hold connections open.
    std::vector<int> slow;
    for (int i = 0; i < 90; ++i) {
        const int fd = Connect(port);
        ASSERT_GE(fd, 0);
        SendAll(fd, i % 5 == 0 ? "GET / HTTP/1.1\r\nX-Slow: "
                               : "POST /api/runs?name=slow HTTP/1.1\r\nContent-Length: 1000000\r\n\r\n1 down 38\n");
        slow.push_back(fd);
    }
    // The bodies are read within a budget: past it, 503 at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int busy = 0;
    for (int fd : slow) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 0) > 0) {
            const Answer answer = Parse(ReadToEnd(fd, 1));
            busy += answer.status == 503 && answer.headers.count("retry-after") == 1 ? 1 : 0;
        }
    }
    EXPECT_GT(busy, 0);
    const auto asked = Clock::now();
    const Answer stats = Get(port, "/api/stats");
    EXPECT_EQ(stats.status, 200);
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(1));

    const std::map<std::string, int> malformed = {
        {"NOT HTTP AT ALL\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nContent-Length: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n", 431},
        {"POST /api/runs?name=big HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n100000\r\n" +
             std::string(0x100000, '#') + "\r\n10\r\n################\r\n0\r\n\r\n",
         413},
        {"DELETE /api/stats HTTP/1.1\r\n\r\n", 405},
    };
    for (const auto& [request, status] : malformed) {
        EXPECT_EQ(Exchange(port, request).status, status) << request.substr(0, 40);
    }

    // A full queue: 503 with Retry-After, never a growing backlog. Three
    // runs pass the limit of the address: one is checked, one waits, one
    // finds the queue full; the others are over the limit.
    const std::string longRun = "1 down 38\n230400 up 38\n";
    std::vector<std::thread> many;
    std::atomic<int> full{0}, judged{0};
    for (int i = 0; i < 8; ++i) {
        many.emplace_back([&, i] {
            const Answer answer = Exchange(port, "POST /api/runs?name=q" + std::to_string(i) +
                                                     " HTTP/1.1\r\nConnection: close\r\nContent-Length: " +
                                                     std::to_string(longRun.size()) + "\r\n\r\n" + longRun);
            full += answer.status == 503 && answer.headers.count("retry-after") == 1 ? 1 : 0;
            judged += answer.status == 422 || answer.status == 429 ? 1 : 0;
        });
    }
    for (std::thread& thread : many) {
        thread.join();
    }
    EXPECT_GT(full.load(), 0);
    EXPECT_EQ(full + judged, 8);

    // One address, more runs than its limit: 429 with the seconds to wait.
    Answer limited;
    for (int i = 0; i < 8 && limited.status != 429; ++i) {
        limited = Post(port, "/api/runs?name=many", "1 down 38\n");
    }
    EXPECT_EQ(limited.status, 429);
    EXPECT_GE(std::stoi(limited.headers["retry-after"]), 1);

    // The slow clients are let go once their time is up, and nothing grew.
    int cut = 0;
    for (int fd : slow) {
        ReadToEnd(fd, std::max(0.0, 8.0 - std::chrono::duration<double>(Clock::now() - started).count()));
        pollfd ready{fd, POLLIN, 0};
        char byte = 0;
        cut += poll(&ready, 1, 0) > 0 && recv(fd, &byte, 1, MSG_DONTWAIT) == 0 ? 1 : 0;
        close(fd);
    }
    EXPECT_EQ(cut, static_cast<int>(slow.size()));
    EXPECT_EQ(Get(port, "/api/stats").status, 200);
    EXPECT_LT(server.PeakKilobytes(), 200 * 1024);
}

}  // namespace
