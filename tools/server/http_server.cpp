#include "server/http_server.h"

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "server/judge.h"

namespace dravik::server {

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using error_code = boost::system::error_code;

// The connections open now, in all and by address, and the bytes of the
// bodies being read.
class Gate {
public:
    explicit Gate(const Limits& limits) : limits_(limits) {}

    bool Enter(const std::string& address)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::size_t& mine = byAddress_[address];
        if (open_ >= limits_.connections || mine >= limits_.perAddress) {
            if (mine == 0) {
                byAddress_.erase(address);
            }
            return false;
        }
        ++open_;
        ++mine;
        return true;
    }

    void Leave(const std::string& address)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        --open_;
        if (--byAddress_[address] == 0) {
            byAddress_.erase(address);
        }
    }

    bool Reserve(std::size_t bytes)
    {
        std::size_t held = reserved_.load();
        do {
            if (held + bytes > limits_.bodyBudget) {
                return false;
            }
        } while (!reserved_.compare_exchange_weak(held, held + bytes));
        return true;
    }

    void Release(std::size_t bytes) { reserved_ -= bytes; }

private:
    const Limits& limits_;
    std::mutex mutex_;
    std::size_t open_ = 0;
    std::map<std::string, std::size_t> byAddress_;
    std::atomic<std::size_t> reserved_{0};
};

http::response<http::string_body> ResponseOf(Reply reply, unsigned version, bool keepAlive)
{
    http::response<http::string_body> response{static_cast<http::status>(reply.status), version};
    response.set(http::field::server, "dravik-server");
    response.set(http::field::content_type, reply.type);
    response.set("X-Content-Type-Options", "nosniff");
    if (reply.type == "application/json") {
        response.set(http::field::cache_control, "no-store");
    }
    for (auto& [field, value] : reply.headers) {
        response.set(field, value);
    }
    const std::size_t length = reply.body.size();
    if (!reply.headOnly) {
        response.body() = std::move(reply.body);
    }
    response.content_length(length);
    response.keep_alive(keepAlive && !reply.close);
    return response;
}

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, std::string address, Api& api, const Site& site, const Limits& limits, Gate& gate)
        : stream_(std::move(socket)), address_(std::move(address)), api_(api), site_(site), limits_(limits), gate_(gate)
    {
    }
    ~Connection()
    {
        gate_.Release(reserved_);
        gate_.Leave(address_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Start()
    {
        net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->ReadHeader(); });
    }

private:
    void ReadHeader()
    {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits_.headerBytes));
        parser_->body_limit(kMostBytes);
        started_ = std::chrono::steady_clock::now();
        stream_.expires_after(std::chrono::seconds(std::min(limits_.headerSeconds, limits_.requestSeconds)));
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = shared_from_this()](error_code e, std::size_t) { self->OnHeader(e); });
    }

    // A client that went away or let its time run out hears nothing more; a
    // malformed or oversized request hears why, and the connection ends.
    bool Failed(const error_code& e)
    {
        if (!e) {
            return false;
        }
        if (e == http::error::end_of_stream || e == beast::error::timeout || e == net::error::eof ||
            e == net::error::connection_reset || e == net::error::operation_aborted ||
            e == http::error::partial_message) {
            Close();
        } else if (e == http::error::body_limit) {
            api_.Refuse(413, "too long: the file is over 1 MB", Later(true));
        } else if (e == http::error::header_limit) {
            Answer(
                ErrorReply(431, "the request's header is over " + std::to_string(limits_.headerBytes / 1024) + " KB"),
                true);
        } else {
            Answer(ErrorReply(400, "malformed request: " + e.message()), true);
        }
        return true;
    }

    void OnHeader(const error_code& e)
    {
        if (Failed(e)) {
            return;
        }
        const auto& header = parser_->get();
        std::size_t bytes = 0;
        if (parser_->content_length()) {
            bytes = static_cast<std::size_t>(*parser_->content_length());
        } else if (parser_->chunked()) {
            bytes = kMostBytes;
        }
        if (bytes > 0 && !gate_.Reserve(bytes)) {
            Reply reply = ErrorReply(503, "busy: too many requests are being sent at once; try again in a moment");
            reply.headers.emplace_back("Retry-After", "1");
            Answer(std::move(reply), true);
            return;
        }
        reserved_ = bytes;
        stream_.expires_at(started_ + std::chrono::seconds(limits_.requestSeconds));
        if (beast::iequals(header[http::field::expect], "100-continue") && !parser_->is_done()) {
            auto go = std::make_shared<http::response<http::empty_body>>(http::status::continue_, header.version());
            http::async_write(stream_, *go, [self = shared_from_this(), go](error_code written, std::size_t) {
                if (!self->Failed(written)) {
                    self->ReadBody();
                }
            });
            return;
        }
        ReadBody();
    }

    void ReadBody()
    {
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](error_code e, std::size_t) { self->OnRequest(e); });
    }

    void OnRequest(const error_code& e)
    {
        if (Failed(e)) {
            return;
        }
        stream_.expires_never();
        http::request<http::string_body> request = parser_->release();
        version_ = request.version();
        keepAlive_ = request.keep_alive();
        const std::string method(request.method_string());
        const std::string target(request.target());
        if (target.rfind("/api/", 0) == 0) {
            api_.Handle(method, target, std::move(request.body()), address_, Later(false));
            return;
        }
        Answer(site_.Serve(method, target), false);
    }

    // An answer that comes from another thread, written on this connection's.
    std::function<void(Reply)> Later(bool close)
    {
        return [self = shared_from_this(), close](Reply reply) {
            net::post(self->stream_.get_executor(),
                      [self, close, reply = std::move(reply)]() mutable { self->Answer(std::move(reply), close); });
        };
    }

    void Answer(Reply reply, bool close)
    {
        gate_.Release(reserved_);
        reserved_ = 0;
        auto response = std::make_shared<http::response<http::string_body>>(
            ResponseOf(std::move(reply), version_, keepAlive_ && !close));
        stream_.expires_after(std::chrono::seconds(limits_.writeSeconds));
        http::async_write(stream_, *response, [self = shared_from_this(), response](error_code e, std::size_t) {
            if (e || !response->keep_alive()) {
                self->Close();
                return;
            }
            self->ReadHeader();
        });
    }

    void Close()
    {
        error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_{std::size_t{256} << 10};  // a header and what follows it in one read
    std::optional<http::request_parser<http::string_body>> parser_;
    std::string address_;
    Api& api_;
    const Site& site_;
    const Limits& limits_;
    Gate& gate_;
    std::size_t reserved_ = 0;
    std::chrono::steady_clock::time_point started_;
    unsigned version_ = 11;
    bool keepAlive_ = true;
};

}  // namespace

struct HttpServer::State {
    State(Api& a, const Site& s, const Limits& l) : api(a), site(s), limits(l), gate(limits), acceptor(context) {}

    void Accept()
    {
        acceptor.async_accept(net::make_strand(context), [this](error_code e, tcp::socket socket) {
            if (e == net::error::operation_aborted) {
                return;
            }
            if (!e) {
                Welcome(std::move(socket));
            }
            Accept();
        });
    }

    // Past the limits a client hears 503 at once and is let go.
    void Welcome(tcp::socket socket)
    {
        error_code e;
        const tcp::endpoint peer = socket.remote_endpoint(e);
        if (e) {
            return;
        }
        std::string address = peer.address().to_string();
        if (!gate.Enter(address)) {
            static constexpr std::string_view kFull =
                "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nContent-Type: application/json\r\n"
                "Content-Length: 58\r\nConnection: close\r\n\r\n"
                "{\"error\":\"busy: too many connections; try again later\"}\n";
            socket.non_blocking(true, e);
            socket.write_some(net::buffer(kFull.data(), kFull.size()), e);
            socket.shutdown(tcp::socket::shutdown_both, e);
            return;
        }
        std::make_shared<Connection>(std::move(socket), std::move(address), api, site, limits, gate)->Start();
    }

    Api& api;
    const Site& site;
    Limits limits;
    Gate gate;
    net::io_context context;
    tcp::acceptor acceptor;
};

HttpServer::HttpServer(Api& api, const Site& site, const Limits& limits)
    : state_(std::make_unique<State>(api, site, limits))
{
}

HttpServer::~HttpServer() = default;

bool HttpServer::Listen(const std::string& address, std::uint16_t port, std::string& error)
{
    error_code e;
    const net::ip::address ip = net::ip::make_address(address, e);
    if (e) {
        error = "'" + address + "' is not an IP address";
        return false;
    }
    const tcp::endpoint endpoint(ip, port);
    tcp::acceptor& acceptor = state_->acceptor;
    acceptor.open(endpoint.protocol(), e);
    if (!e) {
        acceptor.set_option(net::socket_base::reuse_address(true), e);
    }
    if (!e) {
        acceptor.bind(endpoint, e);
    }
    if (!e) {
        acceptor.listen(net::socket_base::max_listen_connections, e);
    }
    if (e) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + e.message();
        return false;
    }
    return true;
}

std::uint16_t HttpServer::Port() const
{
    error_code e;
    return state_->acceptor.local_endpoint(e).port();
}

void HttpServer::Run(std::size_t threads)
{
    net::signal_set signals(state_->context, SIGINT, SIGTERM);
    signals.async_wait([this](error_code, int) {
        error_code ignored;
        state_->acceptor.close(ignored);
        state_->context.stop();
    });
    state_->Accept();
    std::vector<std::thread> others;
    for (std::size_t i = 1; i < threads; ++i) {
        others.emplace_back([this] { state_->context.run(); });
    }
    state_->context.run();
    for (std::thread& thread : others) {
        thread.join();
    }
}

}  // namespace dravik::server
