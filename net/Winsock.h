// The program's binding to Winsock 1.1. "WSOCK32.DLL" is not linked: it is
// loaded by name on first need and called through the pointers below, so a
// machine without a working Winsock still runs the program (network loads
// then fail with kErrNoWinsock).
#pragma once
#include <cstdint>
#include <winsock2.h>

// Entry points, fetched by name. `accept` is fetched but not called.
struct WinsockEntryPoints {
    SOCKET(WSAAPI* accept)(SOCKET, sockaddr*, int*);
    int(WSAAPI* listen)(SOCKET, int);
    SOCKET(WSAAPI* socket)(int, int, int);
    int(WSAAPI* connect)(SOCKET, const sockaddr*, int);
    int(WSAAPI* send)(SOCKET, const char*, int, int);
    int(WSAAPI* recv)(SOCKET, char*, int, int);
    int(WSAAPI* closesocket)(SOCKET);
    int(WSAAPI* setsockopt)(SOCKET, int, int, const char*, int);
    u_short(WSAAPI* htons)(u_short);
    unsigned long(WSAAPI* inet_addr)(const char*);
    hostent*(WSAAPI* gethostbyname)(const char*);
    int(WSAAPI* gethostname)(char*, int);
    int(WSAAPI* WSAStartup)(WORD, WSADATA*);
    int(WSAAPI* WSACleanup)();
    int(WSAAPI* WSAAsyncSelect)(SOCKET, HWND, u_int, long);
    HANDLE(WSAAPI* WSAAsyncGetHostByName)(HWND, u_int, const char*, char*, int);
    int(WSAAPI* WSACancelAsyncRequest)(HANDLE);
    int(WSAAPI* WSACancelBlockingCall)();
    BOOL(WSAAPI* WSAIsBlocking)();
    int(WSAAPI* WSAGetLastError)();
};

// Valid while IsWinsockLoaded().
extern WinsockEntryPoints g_winsock;

// Sockets that connections hold open, for the total limit.
extern int32_t OpenSocketCount;

// Set by the frame window when it was asked to close while a blocking call
// ran; the look-up that returns from that call then posts WM_CLOSE again.
extern bool g_closePendingAfterBlockingCall;

bool IsWinsockLoaded();
// Loads the library and fetches all twenty names; 1, or 0 when the library
// is missing or lacks a name (it is then unloaded; a later call tries again).
[[nodiscard]] int LoadWinsock();
// At shut-down: 1 when unloaded (or never loaded); 0 when a blocking call
// is in progress (it is cancelled instead, and the caller tries again).
[[nodiscard]] int UnloadWinsock();
// WSAStartup for version 1.1, once per run; 0 or a program error code.
[[nodiscard]] int32_t StartWinsock();
int IsSocketCallBlocking();
void CancelBlockingSocketCall();
// The frame window is asked to close: while a blocking call runs, the call
// is cancelled and the answer is true (the close is refused now; the
// look-up that returns from the call asks for the close again).
bool CancelBlockingCallForClose();
// The local host name, asked once per run; a placeholder when unknown.
const char* GetLocalHostName();
// The registry's cached address for a host name, 0 when none.
uint32_t LookUpCachedHostAddress(const char* name);
