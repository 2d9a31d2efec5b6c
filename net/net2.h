// The network layer: SDL_net's sockets run by a background thread that reports accepted
// connections, received data and closes as SDL user events (see event_codes.h). Socket handles
// are indices into the layer's table; -1 means none. Every call returns at once, except for the
// SDL_net connect it makes on the caller's thread; nothing ever waits on a peer.
#pragma once

#include <SDL.h>
#include <SDL_net.h>

#include "net/event_codes.h"

// After SDL, SDL_net and FE_Init. 0 on success or when already running, -1 on failure.
int NET2_Init();
void NET2_Quit();
const char* NET2_GetError();

int NET2_ResolveHost(IPaddress* ip, const char* name, int port);
// Whether a connection may be opened to `ip`: not 0.0.0.0 or 255.255.255.255, which SDL_net takes
// as an order to listen on every interface instead.
bool NET2_IsHostAddress(const IPaddress& ip);

int NET2_TCPAcceptOn(int port);
int NET2_TCPAcceptOnIP(IPaddress* ip);
int NET2_TCPConnectTo(const char* host, int port);
int NET2_TCPConnectToIP(IPaddress* ip);
// Runs a connection opened elsewhere (see async_connect.h); -1, the connection closed, on failure.
int NET2_TCPAdopt(TCPsocket s);
// len, or 0 when len < 1, or -1 (the stream is then dying and a close event follows). What the
// system does not take at once waits in the stream's queue; a peer that lets it pass 256 KiB, or
// takes nothing of it for 10 seconds, has its stream closed as a drop.
int NET2_TCPSend(int socket, const char* buf, int len);
// Bytes copied into buf, 0 when none. After a receive event, read until this returns 0.
int NET2_TCPRead(int socket, char* buf, int len);
void NET2_TCPClose(int socket);
IPaddress* NET2_TCPGetPeerAddress(int socket);

int NET2_UDPAcceptOn(int port, int size);
int NET2_UDPSend(IPaddress* ip, char* buf, int len);
// The oldest datagram received, now the caller's (free it with NET2_UDPFreePacket), or null.
UDPpacket* NET2_UDPRead(int socket);
void NET2_UDPClose(int socket);
void NET2_UDPFreePacket(UDPpacket* p);

int NET2_GetEventType(SDL_Event* e);
int NET2_GetSocket(SDL_Event* e);
int NET2_GetEventData(SDL_Event* e);
const char* NET2_GetEventError(SDL_Event* e);
