// Program error codes of the network layer. Each is also the id of its text
// in the string table (resources/Net.rc), so a failure can be shown as is.
#pragma once
#include <cstdint>

enum NetError : int32_t {
    kErrIllegalAddress = 32832,       // "Illegal address"
    kErrClosedByRemote = 32864,       // "Connection closed by remote server"
    kErrNetworkProblem = 32865,       // "Network problem"
    kErrWinsockBlocking = 32866,      // "Winsock blocking"
    kErrWinsockResources = 32867,     // "Winsock resource problems. Try again"
    kErrInternal = 32868,             // "Internal communication error"
    kErrCouldNotConnect = 32869,      // "Could not connect to remote server"
    kErrWinsockVersion = 32870,       // "Incorrect Winsock version"
    kErrHostNotFound = 32871,         // "Could not locate remote server"
    kErrAddressNotAvailable = 32872,  // "The address is not available from this machine"
    kErrConnectionRefused = 32873,    // "Could not connect to remote server"
    kErrNetworkUnreachable = 32881,   // "Nettwork not available. ..."
    kErrWinsockLacks = 32882,         // "This winsock-implementation lacks important functionality"
    kErrWinsockProblems = 32883,      // "Winsock problems. Check the network program"
    kErrNoWinsock = 32886,            // "Could not locate winsock.dll. ..."
    kErrProxyConnect = 32897,         // "Could not connect to PROXY server"
    kErrProxyNotFound = 32898,        // "Could not find PROXY server"
    kErrProxyNotAvailable = 32899,    // "Could not access PROXY server. Not available"
    kErrProxyRefused = 32900,         // "Could not connect to PROXY server. Access denied"
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
