#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "server/api.h"
#include "server/site.h"

namespace dravik::server {

// What one client may cost the server, however it behaves.
struct Limits {
    std::size_t connections = 512;                    // open at once, in all
    std::size_t perAddress = 128;                     // open at once, from one address
    std::size_t headerBytes = std::size_t{16} << 10;  // request line and header fields
    std::size_t bodyBudget = std::size_t{64} << 20;   // bodies being read at once, in all
    int headerSeconds = 10;                           // to send the header, idle time included
    int requestSeconds = 20;                          // to send the whole request, header and body
    int writeSeconds = 30;                            // to take the answer
};

// HTTP/1.1 on one address and port, on a few threads that only read and
// write sockets: /api/ goes to the Api, anything else to the Site.
class HttpServer {
public:
    HttpServer(Api& api, const Site& site, const Limits& limits = Limits());
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds the address ("127.0.0.1", "::1", "0.0.0.0") and port (0: any
    // free one). False, with the reason in `error`, when it cannot.
    bool Listen(const std::string& address, std::uint16_t port, std::string& error);
    std::uint16_t Port() const;

    // Serves on `threads` threads until SIGINT or SIGTERM.
    void Run(std::size_t threads);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace dravik::server
