#include "net/game_search.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "base/utf8.h"

namespace {

const std::string kSearchHead = "VELMORA SEARCH 2 ";
const std::string kAnswerHead = "VELMORA GAME 2 ";
// Longer datagrams are nobody's search; an answer is far shorter.
constexpr std::size_t kLargest = 512;
constexpr std::size_t kNameChars = 16;
// The most datagrams read in one go: then the thread looks at its stop pipe again.
constexpr int kReadsAtOnce = 64;
// Every wait is bounded: the threads look at their stop pipe at least this often.
constexpr int kWaitMs = 1000;

// Reads a decimal number of 1 to `digits` digits at `at`, moving past it.
std::optional<std::uint64_t> number(const std::string& s, std::size_t& at, std::size_t digits) {
    std::uint64_t value = 0;
    const std::size_t start = at;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9' && at - start < digits)
        value = value * 10 + static_cast<std::uint64_t>(s[at++] - '0');
    if (at == start || (at < s.size() && s[at] >= '0' && s[at] <= '9')) return std::nullopt;
    return value;
}

bool blank_at(const std::string& s, std::size_t& at) {
    if (at >= s.size() || s[at] != ' ') return false;
    ++at;
    return true;
}

int udp_socket(int port, bool broadcast) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (broadcast) setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string SearchDatagram(std::uint64_t token) {
    std::string out = kSearchHead + std::to_string(token);
    out.resize(kSearchSize, ' ');
    return out;
}

std::optional<std::uint64_t> ReadSearch(const std::string& datagram) {
    if (datagram.size() < kSearchSize || datagram.size() > kLargest ||
        datagram.compare(0, kSearchHead.size(), kSearchHead) != 0)
        return std::nullopt;
    std::size_t at = kSearchHead.size();
    const auto token = number(datagram, at, 19);
    if (!token || datagram.find_first_not_of(' ', at) != std::string::npos) return std::nullopt;
    return token;
}

std::string AnswerDatagram(std::uint64_t token, const GameOffer& offer) {
    std::string name;
    const std::vector<unsigned> codes = CodePoints(offer.name);
    for (std::size_t i = 0; i < codes.size() && i < kNameChars; ++i) AppendUtf8(name, codes[i]);
    return kAnswerHead + std::to_string(token) + ' ' + std::to_string(offer.port) + ' ' +
           std::to_string(offer.joined) + ' ' + std::to_string(offer.seats) + ' ' + name;
}

std::optional<GameOffer> ReadAnswer(const std::string& datagram, std::uint64_t token) {
    if (datagram.size() > kLargest || datagram.compare(0, kAnswerHead.size(), kAnswerHead) != 0)
        return std::nullopt;
    std::size_t at = kAnswerHead.size();
    const auto echoed = number(datagram, at, 19);
    if (!echoed || *echoed != token || !blank_at(datagram, at)) return std::nullopt;
    const auto port = number(datagram, at, 5);
    if (!port || !blank_at(datagram, at)) return std::nullopt;
    const auto joined = number(datagram, at, 1);
    if (!joined || !blank_at(datagram, at)) return std::nullopt;
    const auto seats = number(datagram, at, 1);
    if (!seats || !blank_at(datagram, at)) return std::nullopt;
    const std::string name = datagram.substr(at);
    const std::vector<unsigned> codes = CodePoints(name);
    const bool printable = std::all_of(codes.begin(), codes.end(), IsPrintableLatin1);
    if (*port < 1 || *port > 65535 || *seats < 2 || *seats > 5 || *joined > *seats ||
        codes.size() > kNameChars || !printable)
        return std::nullopt;
    return GameOffer{name, static_cast<int>(*port), static_cast<int>(*joined),
                     static_cast<int>(*seats)};
}

UdpThread::~UdpThread() {
    if (thread.joinable()) {
        close(stop[1]);
        stop[1] = -1;
        thread.join();
    }
    for (int* f : {&fd, &stop[0], &stop[1]})
        if (*f >= 0) close(*f);
}

bool UdpThread::Start(int port, bool broadcast, std::function<void()> serve) {
    fd = udp_socket(port, broadcast);
    if (fd >= 0 && pipe2(stop, O_CLOEXEC) == 0) {
        thread = std::thread(std::move(serve));
        return true;
    }
    if (fd >= 0) close(fd);
    fd = -1;
    return false;
}

bool UdpThread::Stopping() const {
    pollfd watched{stop[0], POLLIN, 0};
    return poll(&watched, 1, 0) != 0;
}

bool UdpThread::Wait(int ms, bool& readable) const {
    pollfd watched[2] = {{fd, POLLIN, 0}, {stop[0], POLLIN, 0}};
    poll(watched, 2, std::min(ms, kWaitMs));
    readable = watched[0].revents & POLLIN;
    return !(watched[1].revents & (POLLIN | POLLHUP));
}

GameBeacon::GameBeacon(const GameOffer& offer_t, int search_port)
    : offer(offer_t), offer_joined(offer_t.joined) {
    if (!socket.Start(search_port, false, [this] { Run(); }))
        std::fprintf(stderr,
                     "velmora: the game cannot be found on the local network (UDP port %d)\n",
                     search_port);
}

bool GameBeacon::Admit(std::uint32_t address) {
    const Uint32 now = SDL_GetTicks();
    while (!answered.empty() && now - answered.front().first >= 1000) answered.pop_front();
    const auto to_address = std::count_if(answered.begin(), answered.end(),
                                          [&](const auto& a) { return a.second == address; });
    if (answered.size() >= kAnswersPerSecond ||
        static_cast<std::size_t>(to_address) >= kAnswersPerAddress)
        return false;
    answered.emplace_back(now, address);
    return true;
}

void GameBeacon::Run() {
    bool readable = false;
    while (socket.Wait(kWaitMs, readable)) {
        if (!readable) continue;
        char buffer[kLargest + 1];
        sockaddr_in from{};
        socklen_t from_size = sizeof from;
        const ssize_t n = recvfrom(socket.fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &from_size);
        if (n <= 0) continue;
        const auto token = ReadSearch(std::string(buffer, static_cast<std::size_t>(n)));
        if (!token || !Admit(from.sin_addr.s_addr)) continue;
        GameOffer now = offer;
        now.joined = offer_joined;
        const std::string answer = AnswerDatagram(*token, now);
        if (answer.size() > static_cast<std::size_t>(n)) continue;
        sendto(socket.fd, answer.data(), answer.size(), MSG_DONTWAIT,
               reinterpret_cast<sockaddr*>(&from), from_size);
    }
}

GameSearch::GameSearch(int search_port, std::function<bool()> heard_t)
    : port(search_port), heard(std::move(heard_t)) {
    std::random_device random;
    token = (static_cast<std::uint64_t>(random()) << 32 | random()) % 1000000000000000000ULL + 1;
    socket.Start(0, true, [this] { Run(); });
}

void GameSearch::Run() {
    Uint32 sent = SDL_GetTicks();
    Send();
    bool readable = false;
    for (;;) {
        const Uint32 since = SDL_GetTicks() - sent;
        const int left = since >= kEveryMs ? 0 : static_cast<int>(kEveryMs - since);
        if (!socket.Wait(left, readable)) return;
        if (readable) Receive();
        if (SDL_GetTicks() - sent >= kEveryMs) {
            sent = SDL_GetTicks();
            Send();
        }
    }
}

void GameSearch::Send() {
    std::vector<in_addr_t> targets{htonl(0x7FFFFFFF)};
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) == 0) {
        for (const ifaddrs* i = interfaces; i; i = i->ifa_next)
            if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_UP) &&
                (i->ifa_flags & IFF_BROADCAST) && i->ifa_broadaddr)
                targets.push_back(
                    reinterpret_cast<const sockaddr_in*>(i->ifa_broadaddr)->sin_addr.s_addr);
        freeifaddrs(interfaces);
    }
    const std::string search = SearchDatagram(token);
    for (in_addr_t target : targets) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = target;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        sendto(socket.fd, search.data(), search.size(), MSG_DONTWAIT,
               reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
}

void GameSearch::Receive() {
    char buffer[kLargest + 1];
    sockaddr_in from{};
    socklen_t from_size = sizeof from;
    ssize_t n;
    for (int reads = 0; reads < kReadsAtOnce && !socket.Stopping() &&
                        (n = recvfrom(socket.fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&from), &from_size)) > 0;
         ++reads, from_size = sizeof from) {
        const auto offer = ReadAnswer(std::string(buffer, static_cast<std::size_t>(n)), token);
        if (!offer) continue;
        char address[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
        Keep({*offer, address, SDL_GetTicks()});
        Tell();
    }
}

// A game heard again replaces its entry; a new one takes the place of a silent one when the list
// is full, or is not listed.
void GameSearch::Keep(const Found& game) {
    std::lock_guard<std::mutex> hold(lock);
    auto place = std::find_if(found.begin(), found.end(), [&](const Found& f) {
        return f.address == game.address && f.offer.port == game.offer.port;
    });
    if (place == found.end())
        place = std::find_if(found.begin(), found.end(),
                             [&](const Found& f) { return game.heard - f.heard >= kSilentMs; });
    if (place != found.end())
        *place = game;
    else if (found.size() < kMostGames)
        found.push_back(game);
}

void GameSearch::Tell() {
    if (heard && !told.exchange(true) && !heard()) told = false;
}

std::vector<GameSearch::Found> GameSearch::Games(Uint32 now) const {
    told = false;
    std::lock_guard<std::mutex> hold(lock);
    std::vector<Found> out;
    for (const Found& f : found)
        if (now - f.heard < kSilentMs) out.push_back(f);
    return out;
}

Uint32 GameSearch::NextDropMs(Uint32 now) const {
    std::lock_guard<std::mutex> hold(lock);
    Uint32 next = ~Uint32{0};
    for (const Found& f : found)
        if (now - f.heard < kSilentMs) next = std::min(next, kSilentMs - (now - f.heard));
    return next;
}
