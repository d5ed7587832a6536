// A stand-in for WSOCK32.DLL that the program under test loads by name in
// its place (a native DLL beside the test, chosen with a DLL override). It
// passes the socket calls to the system's Winsock, and adds what Wine's
// Winsock 1.1 never does: a host look-up that blocks while running the
// message loop, as Winsock 1.1 does on Windows, so that the program's
// deferral and cancel paths can run. Names resolve only from a table the
// test fills (to 127.0.0.1): no look-up ever leaves the machine.
#include <cstring>
#include <set>
#include <string>
#include <winsock2.h>

namespace {

std::set<std::string> knownNames;
bool holdLookUps = false;
bool failHostName = false;
bool blocking = false;
bool released = false;
bool cancelled = false;
std::string callLog;
int nextHandle = 1;

// A host entry with one address, 127.0.0.1, laid out in the buffer given.
int FillHostEntry(const char* name, char* buffer, int size) {
    struct Layout {
        hostent entry;
        char* addresses[2];
        char* aliases[1];
        unsigned long address;
        char name[64];
    };
    if (size < static_cast<int>(sizeof(Layout))) return 0;
    auto* l = reinterpret_cast<Layout*>(buffer);
    std::memset(l, 0, sizeof *l);
    l->address = htonl(INADDR_LOOPBACK);
    l->addresses[0] = reinterpret_cast<char*>(&l->address);
    std::strncpy(l->name, name, sizeof l->name - 1);
    l->entry.h_name = l->name;
    l->entry.h_aliases = l->aliases;
    l->entry.h_addrtype = AF_INET;
    l->entry.h_length = 4;
    l->entry.h_addr_list = l->addresses;
    return sizeof(Layout);
}

uint16_t PeerPort(SOCKET s, const sockaddr* a) {
    sockaddr_in peer{};
    if (a) return ntohs(reinterpret_cast<const sockaddr_in*>(a)->sin_port);
    int len = sizeof peer;
    if (getpeername(s, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return 0;
    return ntohs(peer.sin_port);
}

void Log(const std::string& entry) {
    callLog += entry + "\n";
}

}  // namespace

extern "C" {

// ---- control, for the tests ----

__declspec(dllexport) void DoubleAddName(const char* name) {
    knownNames.insert(name);
}
__declspec(dllexport) void DoubleHoldLookUps(int hold) {
    holdLookUps = hold != 0;
}
__declspec(dllexport) void DoubleReleaseLookUp() {
    released = true;
}
__declspec(dllexport) const char* DoubleCallLog() {
    return callLog.c_str();
}
__declspec(dllexport) void DoubleClearLog() {
    callLog.clear();
}
__declspec(dllexport) void DoubleFailHostName(int fail) {
    failHostName = fail != 0;
}

// ---- the twenty entry points ----

SOCKET WSAAPI Double_accept(SOCKET s, sockaddr* a, int* n) {
    return accept(s, a, n);
}
int WSAAPI Double_listen(SOCKET s, int n) {
    return listen(s, n);
}
SOCKET WSAAPI Double_socket(int af, int type, int protocol) {
    return socket(af, type, protocol);
}

int WSAAPI Double_connect(SOCKET s, const sockaddr* a, int n) {
    Log("connect " + std::to_string(PeerPort(s, a)));
    return connect(s, a, n);
}

int WSAAPI Double_send(SOCKET s, const char* b, int n, int f) {
    Log("send " + std::to_string(PeerPort(s, nullptr)));
    return send(s, b, n, f);
}

int WSAAPI Double_recv(SOCKET s, char* b, int n, int f) {
    return recv(s, b, n, f);
}
int WSAAPI Double_closesocket(SOCKET s) {
    return closesocket(s);
}
int WSAAPI Double_setsockopt(SOCKET s, int l, int o, const char* v, int n) {
    return setsockopt(s, l, o, v, n);
}
u_short WSAAPI Double_htons(u_short v) {
    return htons(v);
}
unsigned long WSAAPI Double_inet_addr(const char* t) {
    return inet_addr(t);
}

hostent* WSAAPI Double_gethostbyname(const char* name) {
    static char entry[512];
    Log(std::string("gethostbyname ") + name);
    if (holdLookUps) {
        // Blocks as Winsock 1.1 does: the message loop runs inside the call.
        blocking = true;
        released = cancelled = false;
        MSG m;
        while (!released && !cancelled && GetMessageA(&m, nullptr, 0, 0) > 0) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        blocking = false;
        Log("gethostbyname returns");
        if (cancelled) {
            WSASetLastError(WSAEINTR);
            return nullptr;
        }
    }
    if (!knownNames.count(name)) {
        WSASetLastError(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    FillHostEntry(name, entry, sizeof entry);
    return reinterpret_cast<hostent*>(entry);
}

int WSAAPI Double_gethostname(char* b, int n) {
    Log("gethostname");
    if (failHostName) {
        WSASetLastError(WSAENETDOWN);
        return SOCKET_ERROR;
    }
    return gethostname(b, n);
}
int WSAAPI Double_WSAStartup(WORD v, WSADATA* d) {
    return WSAStartup(v, d);
}
int WSAAPI Double_WSACleanup() {
    return WSACleanup();
}
int WSAAPI Double_WSAAsyncSelect(SOCKET s, HWND w, u_int m, long e) {
    return WSAAsyncSelect(s, w, m, e);
}

HANDLE WSAAPI Double_WSAAsyncGetHostByName(HWND w, u_int message, const char* name, char* buffer, int size) {
    Log(std::string("WSAAsyncGetHostByName ") + name);
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(nextHandle++));
    int length = knownNames.count(name) ? FillHostEntry(name, buffer, size) : 0;
    int error = knownNames.count(name) ? (length ? 0 : WSAENOBUFS) : WSAHOST_NOT_FOUND;
    PostMessageA(w, message, reinterpret_cast<WPARAM>(handle), WSAMAKEASYNCREPLY(length, error));
    return handle;
}

int WSAAPI Double_WSACancelAsyncRequest(HANDLE) {
    return 0;
}

int WSAAPI Double_WSACancelBlockingCall() {
    if (!blocking) {
        WSASetLastError(WSAEINVAL);
        return SOCKET_ERROR;
    }
    Log("WSACancelBlockingCall");
    cancelled = true;
    return 0;
}

BOOL WSAAPI Double_WSAIsBlocking() {
    return blocking;
}
int WSAAPI Double_WSAGetLastError() {
    return WSAGetLastError();
}

}  // extern "C"
