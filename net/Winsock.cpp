#include "net/Winsock.h"

#include <cstring>

#include "net/NetErrors.h"
#include "net/SocketRegistry.h"

WinsockEntryPoints g_winsock;
int32_t OpenSocketCount = 0;
bool g_closePendingAfterBlockingCall = false;

namespace {

HMODULE library = nullptr;
bool started = false;
int32_t startError = 0;  // a wrong version stays an error for the whole run
char localHostName[128];
bool localHostNameAsked = false;

// A syntactically valid name that no real host has.
constexpr const char* kPlaceholderHostName = "unknown-host.invalid";

template <typename T>
bool Fetch(T& slot, const char* name) {
    slot = reinterpret_cast<T>(GetProcAddress(library, name));
    return slot != nullptr;
}

bool FetchAll() {
    WinsockEntryPoints& w = g_winsock;
    return Fetch(w.accept, "accept") && Fetch(w.listen, "listen") && Fetch(w.socket, "socket") &&
           Fetch(w.connect, "connect") && Fetch(w.send, "send") && Fetch(w.recv, "recv") &&
           Fetch(w.closesocket, "closesocket") && Fetch(w.setsockopt, "setsockopt") &&
           Fetch(w.htons, "htons") && Fetch(w.inet_addr, "inet_addr") &&
           Fetch(w.gethostbyname, "gethostbyname") && Fetch(w.gethostname, "gethostname") &&
           Fetch(w.WSAStartup, "WSAStartup") && Fetch(w.WSACleanup, "WSACleanup") &&
           Fetch(w.WSAAsyncSelect, "WSAAsyncSelect") &&
           Fetch(w.WSAAsyncGetHostByName, "WSAAsyncGetHostByName") &&
           Fetch(w.WSACancelAsyncRequest, "WSACancelAsyncRequest") &&
           Fetch(w.WSACancelBlockingCall, "WSACancelBlockingCall") &&
           Fetch(w.WSAIsBlocking, "WSAIsBlocking") && Fetch(w.WSAGetLastError, "WSAGetLastError");
}

}  // namespace

bool IsWinsockLoaded() {
    return library != nullptr;
}

int LoadWinsock() {
    if (library) return 1;
    library = LoadLibraryA("WSOCK32.DLL");
    if (!library) return 0;
    if (!FetchAll()) {
        FreeLibrary(library);
        library = nullptr;
        g_winsock = WinsockEntryPoints{};
        return 0;
    }
    return 1;
}

int UnloadWinsock() {
    if (!library) return 1;
    if (g_winsock.WSAIsBlocking()) {
        g_winsock.WSACancelBlockingCall();
        return 0;
    }
    int ok = 1;
    if (started) ok = g_winsock.WSACleanup() == 0;
    started = false;
    startError = 0;
    FreeLibrary(library);
    library = nullptr;
    g_winsock = WinsockEntryPoints{};
    return ok;
}

int32_t StartWinsock() {
    if (started) return startError;
    if (!library) return kErrNoWinsock;
    WSADATA data{};
    int rc = g_winsock.WSAStartup(MAKEWORD(1, 1), &data);
    if (rc != 0) return MapStartupError(rc);
    started = true;
    startError = LOBYTE(data.wVersion) == 1 && HIBYTE(data.wVersion) == 1 ? 0 : kErrWinsockVersion;
    return startError;
}

int IsSocketCallBlocking() {
    return library ? (g_winsock.WSAIsBlocking() ? 1 : 0) : 0;
}

void CancelBlockingSocketCall() {
    if (library && g_winsock.WSAIsBlocking()) g_winsock.WSACancelBlockingCall();
}

bool CancelBlockingCallForClose() {
    if (!IsSocketCallBlocking()) return false;
    g_closePendingAfterBlockingCall = true;
    CancelBlockingSocketCall();
    return true;
}

const char* GetLocalHostName() {
    if (!localHostNameAsked) {
        localHostNameAsked = true;
        localHostName[0] = '\0';
        if (LoadWinsock() && StartWinsock() == 0 &&
            g_winsock.gethostname(localHostName, sizeof localHostName) != 0)
            localHostName[0] = '\0';
        localHostName[sizeof localHostName - 1] = '\0';
    }
    return localHostName[0] ? localHostName : kPlaceholderHostName;
}

uint32_t LookUpCachedHostAddress(const char* name) {
    return g_socketRegistry ? g_socketRegistry->FindHostAddress(name) : 0;
}
