// Finding games on the local network. A host waiting for players answers search datagrams on UDP
// port 1234; a joining player sends them to every broadcast address and lists the games that
// answer. Both are text of our own format: a search carries a random token that its answer
// echoes, and is padded so that no answer is ever larger than the search it answers (a host is
// useless as an amplifier). Anything else that arrives is dropped without a word.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The UDP port searches go to, the game's own number.
constexpr int kSearchPort = 1234;
// A search's size: more than the largest answer.
constexpr std::size_t kSearchSize = 160;

// A game as its host's answer tells it.
struct GameOffer {
    std::string name;  // the host's name: printable Latin-1 in UTF-8, at most 16 characters
    int port = 0;      // the game's TCP port
    int joined = 0;    // players in, of
    int seats = 0;
};

std::string SearchDatagram(std::uint64_t token);
// The token of a well-formed search, or none.
std::optional<std::uint64_t> ReadSearch(const std::string& datagram);
std::string AnswerDatagram(std::uint64_t token, const GameOffer& offer);
// The game a well-formed answer to the search with `token` offers, or none.
std::optional<GameOffer> ReadAnswer(const std::string& datagram, std::uint64_t token);

// A UDP socket served by a thread of its own until its owner goes; the owner declares it last,
// so that the thread has ended before anything it uses goes.
class UdpThread {
  public:
    UdpThread() = default;
    ~UdpThread();
    UdpThread(const UdpThread&) = delete;
    UdpThread& operator=(const UdpThread&) = delete;
    // Opens the socket on `port` (0: the system's choice) and runs `serve` on the thread; false,
    // with nothing started, when the socket cannot be opened.
    bool Start(int port, bool broadcast, std::function<void()> serve);
    // Waits up to `ms` (at most a second) for a datagram; false once the owner is going.
    bool Wait(int ms, bool& readable) const;
    // Whether the owner is going, without waiting.
    bool Stopping() const;
    int fd = -1;

  private:
    int stop[2] = {-1, -1};
    std::thread thread;
};

// Answers searches for one hosted game while it lives, from a thread of its own, at most a few a
// second. Several hosts on one machine each answer: the port is shared.
class GameBeacon {
  public:
    GameBeacon(const GameOffer& offer, int search_port = kSearchPort);
    GameBeacon(const GameBeacon&) = delete;
    GameBeacon& operator=(const GameBeacon&) = delete;
    ~GameBeacon() = default;
    void SetJoined(int joined) { offer_joined = joined; }
    // Whether it answers: false where the port could not be opened.
    bool answering() const { return socket.fd >= 0; }

    // The most answers a host gives in a second, in all and to one address: a few forged
    // searches from one address cannot use up every answer.
    static constexpr std::size_t kAnswersPerSecond = 20;
    static constexpr std::size_t kAnswersPerAddress = 2;

  private:
    void Run();
    bool Admit(std::uint32_t address);

    GameOffer offer;
    std::atomic<int> offer_joined;
    // The last second's answers: when, and to which address.
    std::deque<std::pair<Uint32, std::uint32_t>> answered;
    UdpThread socket;
};

// Searches for games while it lives: a search at once and then every kEveryMs, to the broadcast
// address of every interface that is up and has one, and to 127.255.255.255 for the games of this
// machine.
class GameSearch {
  public:
    static constexpr Uint32 kEveryMs = 2000;
    static constexpr Uint32 kSilentMs = 6000;
    // The most games listed: one a host address and port.
    static constexpr std::size_t kMostGames = 64;

    struct Found {
        GameOffer offer;
        std::string address;  // the host's IPv4 address, dotted
        Uint32 heard = 0;     // SDL_GetTicks() of its last answer
    };

    // `heard` is called, from the search's thread, after an answer, unless its last call is not
    // yet followed by a look at Games(): however fast answers come, one notice at a time waits.
    // It returns whether the notice went out; one that did not is tried again at the next answer.
    explicit GameSearch(int search_port = kSearchPort, std::function<bool()> heard_t = nullptr);
    GameSearch(const GameSearch&) = delete;
    GameSearch& operator=(const GameSearch&) = delete;
    // The games heard within kSilentMs of `now`, by address and port.
    std::vector<Found> Games(Uint32 now) const;
    // When the list next changes by itself: the first game to fall silent, in ms; ~0 for never.
    Uint32 NextDropMs(Uint32 now) const;

  private:
    void Run();
    void Send();
    void Receive();

    // Keeps `game`, by its address and port, if there is room.
    void Keep(const Found& game);
    void Tell();

    int port;
    std::function<bool()> heard;
    mutable std::atomic<bool> told{false};
    std::uint64_t token = 0;
    mutable std::mutex lock;
    std::vector<Found> found;
    UdpThread socket;
};
