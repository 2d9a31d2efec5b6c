#include "server/service.h"

#include <asio/ip/v6_only.hpp>
#include <stdexcept>
#include <string>

Service::Service(asio::io_context& io_t, const ServerLimits& limits, Lobby::Log log_t,
                 GameStore* store)
    : io(io_t), acceptor(io), signals(io), ticker(io), hall(limits, log_t, store), log(log_t) {}

void Service::Listen(int port) {
    const auto on = [&](const asio::ip::tcp& family, const asio::ip::address& any) {
        asio::error_code e;
        acceptor.close(e);
        acceptor.open(family, e);
        if (e) return false;
        acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true), e);
        if (family == asio::ip::tcp::v6()) acceptor.set_option(asio::ip::v6_only(false), e);
        acceptor.bind({any, static_cast<unsigned short>(port)}, e);
        if (!e) acceptor.listen(asio::socket_base::max_listen_connections, e);
        return !e;
    };
    if (!on(asio::ip::tcp::v6(), asio::ip::address_v6::any()) &&
        !on(asio::ip::tcp::v4(), asio::ip::address_v4::any()))
        throw std::runtime_error("can't listen on port " + std::to_string(port));
}

void Service::Run(bool with_signals) {
    Accept();
    Tick();
    if (with_signals) {
        signals.add(SIGINT);
        signals.add(SIGTERM);
        signals.async_wait([this](const asio::error_code& e, int) {
            if (!e) Stop();
        });
    }
    io.run();
}

void Service::Accept() {
    acceptor.async_accept([this](const asio::error_code& e, asio::ip::tcp::socket s) {
        if (stopping) return;
        if (!e) {
            asio::error_code ignored;
            auto address = s.remote_endpoint(ignored).address();
            if (address.is_v6() && address.to_v6().is_v4_mapped())
                address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
            hall.Accept(std::move(s), address.to_string());
        }
        Accept();
    });
}

void Service::Tick() {
    ticker.expires_after(std::chrono::seconds(1));
    ticker.async_wait([this](const asio::error_code& e) {
        if (e || stopping) return;
        hall.Tick(Lobby::Clock::now());
        Tick();
    });
}

void Service::Stop() {
    if (stopping) return;
    stopping = true;
    log("event=stopping connections=" + std::to_string(hall.connections()) +
        " tables=" + std::to_string(hall.table_count()));
    asio::error_code ignored;
    acceptor.close(ignored);
    signals.cancel(ignored);
    ticker.cancel();
    hall.Stop();
    Drain(Lobby::Clock::now() + std::chrono::milliseconds(1500));
}

// The loop ends once every connection has closed, or at `deadline`.
void Service::Drain(Lobby::Clock::time_point deadline) {
    if (hall.connections() == 0 || Lobby::Clock::now() >= deadline) {
        io.stop();
        return;
    }
    ticker.expires_after(std::chrono::milliseconds(20));
    ticker.async_wait([this, deadline](const asio::error_code&) { Drain(deadline); });
}
