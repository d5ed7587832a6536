// Program error codes of the network layer. Each is also the id of its text
// in the string table: resources/Net.rc takes the ids from the names below,
// so the table and the codes cannot disagree, and a failure can be shown as
// is.
#pragma once

// The ids, for the resource compiler as well as for the code.
#define IDS_NET_ILLEGAL_ADDRESS 32832
#define IDS_NET_NETWORK_PROBLEM 32865
#define IDS_NET_WINSOCK_BLOCKING 32866
#define IDS_NET_WINSOCK_RESOURCES 32867
#define IDS_NET_INTERNAL 32868
#define IDS_NET_COULD_NOT_CONNECT 32869
#define IDS_NET_WINSOCK_VERSION 32870
#define IDS_NET_HOST_NOT_FOUND 32871
#define IDS_NET_ADDRESS_NOT_AVAILABLE 32872
#define IDS_NET_CONNECTION_REFUSED 32873
#define IDS_NET_NETWORK_UNREACHABLE 32881
#define IDS_NET_WINSOCK_LACKS 32882
#define IDS_NET_WINSOCK_PROBLEMS 32883
#define IDS_NET_NO_WINSOCK 32886
#define IDS_NET_PROXY_CONNECT 32897
#define IDS_NET_PROXY_NOT_FOUND 32898
#define IDS_NET_PROXY_NOT_AVAILABLE 32899
#define IDS_NET_PROXY_REFUSED 32900

#ifndef RC_INVOKED
#include <cstdint>

#include "resources/CoreStringIds.h"  // IDS_CONNECTION_CLOSED

enum NetError : int32_t {
    kErrIllegalAddress = IDS_NET_ILLEGAL_ADDRESS,      // "Illegal address"
    kErrClosedByRemote = IDS_CONNECTION_CLOSED,        // "Connection closed by remote server"
    kErrNetworkProblem = IDS_NET_NETWORK_PROBLEM,      // "Network problem"
    kErrWinsockBlocking = IDS_NET_WINSOCK_BLOCKING,    // "Winsock blocking"
    kErrWinsockResources = IDS_NET_WINSOCK_RESOURCES,  // "Winsock resource problems. Try again"
    kErrInternal = IDS_NET_INTERNAL,                   // "Internal communication error"
    kErrCouldNotConnect = IDS_NET_COULD_NOT_CONNECT,   // "Could not connect to remote server"
    kErrWinsockVersion = IDS_NET_WINSOCK_VERSION,      // "Incorrect Winsock version"
    kErrHostNotFound = IDS_NET_HOST_NOT_FOUND,         // "Could not locate remote server"
    kErrAddressNotAvailable =
        IDS_NET_ADDRESS_NOT_AVAILABLE,                     // "The address is not available from this machine"
    kErrConnectionRefused = IDS_NET_CONNECTION_REFUSED,    // "Could not connect to remote server"
    kErrNetworkUnreachable = IDS_NET_NETWORK_UNREACHABLE,  // "Nettwork not available. ..."
    kErrWinsockLacks = IDS_NET_WINSOCK_LACKS,  // "This winsock-implementation lacks important functionality"
    kErrWinsockProblems = IDS_NET_WINSOCK_PROBLEMS,       // "Winsock problems. Check the network program"
    kErrNoWinsock = IDS_NET_NO_WINSOCK,                   // "Could not locate winsock.dll. ..."
    kErrProxyConnect = IDS_NET_PROXY_CONNECT,             // "Could not connect to PROXY server"
    kErrProxyNotFound = IDS_NET_PROXY_NOT_FOUND,          // "Could not find PROXY server"
    kErrProxyNotAvailable = IDS_NET_PROXY_NOT_AVAILABLE,  // "Could not access PROXY server. Not available"
    kErrProxyRefused = IDS_NET_PROXY_REFUSED,  // "Could not connect to PROXY server. Access denied"
};

// Winsock error numbers the network layer looks at by value.
enum WinsockErrorNumber : int32_t {
    kWsaEintr = 10004,
    kWsaEwouldblock = 10035,
    kWsaEinprogress = 10036,
    kWsaEnoprotoopt = 10042,
    kWsaEconnaborted = 10053,
    kWsaEconnrefused = 10061,
    kWsaSysnotready = 10091,
};

// The program error code for a Winsock error number.
[[nodiscard]] int32_t MapWinsockError(int32_t winsockError);

// The program error code for a failed WSAStartup.
[[nodiscard]] int32_t MapStartupError(int32_t winsockError);

#endif  // RC_INVOKED
