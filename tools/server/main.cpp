// dravik-server: the leaderboard of re-played runs, and the page, on one port.
//
// Exit status: 0 stopped by SIGINT or SIGTERM; 1 the address or the database
// could not be had; 2 a bad option.
#include <arpa/inet.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "common/command_line.h"
#include "server/api.h"
#include "server/http_server.h"
#include "server/site.h"
#include "server/store.h"
#include "solve/bound.h"
#include "sys/plain_number.h"
#include "sys/standard_streams.h"

namespace {

using namespace dravik;

// The board's file where the XDG base directories put an application's data.
std::string DefaultDatabase()
{
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        data = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        data = std::filesystem::path(home) / ".local" / "share";
    } else {
        data = ".";
    }
    return "sqlite:" + (data / "dravik" / "leaderboard.sqlite").string();
}

// "ADDRESS:PORT", the address in brackets for IPv6 ("[::1]:8064").
bool ReadListen(const std::string& text, std::string& address, std::uint16_t& port)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        return false;
    }
    address = text.substr(0, colon);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
    }
    const std::string number = text.substr(colon + 1);
    const std::optional<std::uint64_t> value = number == "0" ? std::optional<std::uint64_t>(0) : sys::ReadWhole(number);
    std::array<unsigned char, 16> ip{};
    const bool numeric =
        inet_pton(AF_INET, address.c_str(), ip.data()) == 1 || inet_pton(AF_INET6, address.c_str(), ip.data()) == 1;
    if (!numeric || !value || *value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(*value);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    sys::TakeClosedStandardStreams();
    CLI::App app{
        "Serves the Dravik leaderboard and the page on one port. Every run sent to it is re-played with the "
        "game before it is ranked."};
    app.name("dravik-server");
    std::string listen = "127.0.0.1:8064";
    std::string database = DefaultDatabase();
    std::string site = DRAVIK_BUILT_SITE;
    std::uint64_t perMinute = 6;
    std::uint64_t verifiers = std::max(1U, std::thread::hardware_concurrency());
    std::uint64_t queue = 64;
    app.add_option("--listen", listen, "ADDRESS:PORT to serve on (port 0: any free one)")
        ->default_val(listen)
        ->option_text("ADDR:PORT");
    app.add_option("--db", database,
                   "The board's database: sqlite:PATH (default in the XDG data folder) or a PostgreSQL URI, "
                   "postgresql://USER@HOST/DATABASE")
        ->default_str(database)
        ->option_text("URL");
    app.add_option("--site", site, "The built page to serve beside the API")->default_str(site)->option_text("DIR");
    app.add_option("--submissions-per-minute", perMinute, "Runs one client address may send a minute (0: no limit)")
        ->default_val(perMinute)
        ->check(tools::WholeNumber(0, 1'000'000));
    app.add_option("--workers", verifiers, "Threads that re-play runs")
        ->default_val(verifiers)
        ->check(tools::WholeNumber(1, 256));
    app.add_option("--queue", queue, "Runs that may wait for a worker; more are answered 503")
        ->default_val(queue)
        ->check(tools::WholeNumber(1, 100'000));
    std::uint64_t timeout = 20;
    app.add_option("--request-timeout", timeout,
                   "Seconds a client has to send a whole request (its header: at most 10 of them)")
        ->default_val(timeout)
        ->check(tools::WholeNumber(1, 3600));
    if (const std::optional<int> status = tools::ParseCommandLine(app, argc, argv)) {
        return *status;
    }
    std::string address;
    std::uint16_t port = 0;
    if (!ReadListen(listen, address, port)) {
        std::cerr << "dravik-server: --listen takes an IP address and a port, such as 127.0.0.1:8064 or [::1]:8064, "
                     "not '"
                  << listen << "'\n";
        return 2;
    }
    const bool sqlite = database.rfind("sqlite:", 0) == 0 && database.size() > 7;
    if (!sqlite && database.rfind("postgresql://", 0) != 0 && database.rfind("postgres://", 0) != 0) {
        std::cerr << "dravik-server: --db takes sqlite:PATH or postgresql://..., not '" << database << "'\n";
        return 2;
    }
    const bool siteGiven = app.count("--site") > 0;
    if (!std::filesystem::is_directory(site)) {
        if (siteGiven) {
            std::cerr << "dravik-server: --site " << site << " is not a folder (make web builds build-web/site)\n";
            return 2;
        }
        std::cerr << "dravik-server: no page at " << site << ": serving the API alone\n";
        site.clear();
    }
    if (database.rfind("sqlite:", 0) == 0 && app.count("--db") == 0) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(database.substr(7)).parent_path(), ignored);
    }
    try {
        server::OpenStore(database);  // the tables, and a database that cannot be had, before any client
    } catch (const server::StoreUnavailable& e) {
        std::cerr << "dravik-server: " << e.what() << "\n";
        return 1;
    }

    server::ApiOptions options;
    options.database = database;
    options.submissionsPerMinute = perMinute;
    options.verifiers = verifiers;
    options.queue = queue;
    options.bound = solve::WinTickLowerBound();
    options.build = std::string("dravik-server ") + DRAVIK_VERSION;
    server::Api api(options);
    const server::Site pages(site);
    server::Limits limits;
    limits.requestSeconds = static_cast<int>(timeout);
    server::HttpServer http(api, pages, limits);
    std::string error;
    if (!http.Listen(address, port, error)) {
        std::cerr << "dravik-server: " << error << "\n";
        return 1;
    }
    const std::string shown = address.find(':') != std::string::npos ? "[" + address + "]" : address;
    std::cout << "dravik-server: http://" << shown << ":" << http.Port() << "/ ("
              << database.substr(0, database.find(':')) << (site.empty() ? ", no page" : ", the page from " + site)
              << ")" << std::endl;
    http.Run(2);
    api.Stop();
    return 0;
}
