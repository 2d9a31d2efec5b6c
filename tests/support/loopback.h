// Plain sockets on 127.0.0.1 for the tests that need a port or play a peer by hand.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline sockaddr_in loopback_address(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A port nobody listens on now, from the system, so that parallel runs do not collide.
inline int free_port() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback_address(0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

// A stream connected to port, or -1.
inline int connect_to_loopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback_address(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    close(fd);
    return -1;
}
