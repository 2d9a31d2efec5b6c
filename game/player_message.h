// The kinds of player message, its first token, as the carrier of the lines tells them to the
// referee and to a client.
#pragma once

// A connection took the seat.
constexpr int kJoined = 0;
// A line that came over the network, then one that came within the program.
constexpr int kNetworkLine = 1;
constexpr int kLocalLine = 2;
// The seat's connection ended.
constexpr int kGone = 3;
