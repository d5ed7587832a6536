// The few socket calls the test servers need, the same in both builds.
#pragma once
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socket_t = SOCKET;
inline int CloseSocket(socket_t s) { return closesocket(s); }
inline void StartSockets() {
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using socket_t = int;
inline int CloseSocket(socket_t s) { return close(s); }
inline void StartSockets() {}
#endif
