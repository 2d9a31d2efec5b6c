// Every SDL user event the program pushes has the type SDL_USEREVENT; its code tells it apart.
// This is the one table of those codes.
#pragma once

#include <SDL.h>

#include <cstdint>

// The network layer's events.
constexpr int NET2_ERROREVENT = 0;
constexpr int NET2_TCPACCEPTEVENT = 1;
constexpr int NET2_TCPRECEIVEEVENT = 2;
constexpr int NET2_TCPCLOSEEVENT = 3;
constexpr int NET2_UDPRECEIVEEVENT = 4;

// The program's own events.
constexpr int EXCH_PLAYER_MESSAGE = static_cast<int>(0xFFFF0000u);
constexpr int EXCH_QUIT = static_cast<int>(0xFFFF8071u);
constexpr int EXCH_REDRAW = static_cast<int>(0xFFFF8072u);
constexpr int EXCH_SET_SCREEN = static_cast<int>(0xFFFF8073u);
constexpr int EXCH_TURN = static_cast<int>(0xFFFF8074u);
constexpr int EXCH_WINNER = static_cast<int>(0xFFFF8077u);
// The rules page opens over whatever screen is showing.
constexpr int EXCH_RULES = static_cast<int>(0xFFFF8076u);
// A connection attempt ended (async_connect.h); data1 is the attempt's number.
constexpr int EXCH_CONNECTED = static_cast<int>(0xFFFF8075u);

// A number carried in an event's data pointer, and back.
inline void* EventData(int number) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(number));
}
inline int EventNumber(const void* data) {
    return static_cast<int>(reinterpret_cast<intptr_t>(data));
}

// Frees what an event that nobody will take carries: the text of a player message, which the
// pusher allocated with new[].
inline void FreeEventData(SDL_Event& e) {
    if (e.type != SDL_USEREVENT || e.user.code != EXCH_PLAYER_MESSAGE) return;
    delete[] static_cast<char*>(e.user.data2);
    e.user.data2 = nullptr;
}
