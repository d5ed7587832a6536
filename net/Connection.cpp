#include "net/Connection.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "core/StringHelpers.h"
#include "net/NetErrors.h"
#include "net/NetSettings.h"
#include "net/SocketRegistry.h"
#include "net/Winsock.h"

// Keeps the connection counted as busy while one of its Winsock calls runs
// (a blocking call runs the message loop, which may try to delete it).
class WinsockCall {
public:
    explicit WinsockCall(Connection& c) : c_(c) { ++c_.winsockCalls_; }
    ~WinsockCall() { --c_.winsockCalls_; }
    WinsockCall(const WinsockCall&) = delete;
    WinsockCall& operator=(const WinsockCall&) = delete;

private:
    Connection& c_;
};

namespace {

constexpr size_t kHostEntrySize = 1024;
constexpr int32_t kMaxAttempts = 3;
// One socket read takes up to this much; a few reads per megabyte.
constexpr int32_t kReadAheadBytes = 256 * 1024;
constexpr long kConnectEvents = FD_CONNECT;
constexpr long kSessionEvents = FD_READ | FD_WRITE | FD_CLOSE;  // 35

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> items;
    std::string item;
    for (char c : list) {
        if (c == ';' || c == ',' || c == ' ' || c == '\t') {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else {
            item.push_back(c);
        }
    }
    if (!item.empty()) items.push_back(item);
    // An empty list still gives one pass: the name without that part.
    if (items.empty()) items.emplace_back();
    return items;
}

// 127.0.0.1 in network byte order, without calling into Winsock (which the
// program only reaches through the library it loads).
uint32_t LoopbackAddress() {
    const unsigned char bytes[4] = {127, 0, 0, 1};
    uint32_t address;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

MessageHandler* MainHandler() {
    return g_mainHandler;
}

HWND MainWindow() {
    return g_mainHandler ? g_mainHandler->Window() : nullptr;
}

uint32_t AddressOfHostEntry(const char* buffer) {
    const auto* entry = reinterpret_cast<const hostent*>(buffer);
    if (!entry || entry->h_length <= 0 || !entry->h_addr_list || !entry->h_addr_list[0]) return 0;
    uint32_t address;
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    return address;
}

}  // namespace

Connection::Connection(MessageHandler* target, const char* host, uint16_t port, bool reportConnect)
    : MessageSource(target),
      hostExpansion_(GetNetSettings().enableHostnameExpansion),
      host_(host ? host : ""),
      port_(port ? port : 80),
      reportConnect_(reportConnect) {}

Connection::~Connection() {
    Close();
}

void Connection::Report(uint32_t message, uint32_t p2) {
    if (target_) target_->Post(message, serial_, p2);
}

bool Connection::Blocking() {
    return IsSocketCallBlocking() != 0;
}

int Connection::Connect() {
    if (!IsWinsockLoaded() && !LoadWinsock()) return kErrNoWinsock;
    if (int32_t refused = CheckRequest()) return refused;
    if (g_socketRegistry) g_socketRegistry->DeleteIdleConnections();
    Close();
    ResetRequest();
    int32_t r = ResolveHost();
    if (r == 1 || r == 2 || r == kTakenOver) return 0;
    if (r != 0) return r;
    if (resolved_ == 0) return 0;  // an asynchronous look-up is under way
    r = OpenSocket();
    if (r == 1) return 0;
    if (r != 0) return r;
    return StartConnect();
}

void Connection::Close() {
    if (lookUp_ && IsWinsockLoaded()) {
        WinsockCall call(*this);
        g_winsock.WSACancelAsyncRequest(lookUp_);
    }
    lookUp_ = nullptr;
    CloseSocket();
}

void Connection::Detach() {
    if (g_socketRegistry) g_socketRegistry->DeleteWhenIdle(this);
    target_ = nullptr;
}

uint32_t Connection::GetPeerAddress() const {
    return address_ ? address_->sin_addr.s_addr : 0xFFFFFFFFu;
}

// ---- resolving -------------------------------------------------------------

bool Connection::NextCandidate() {
    if (plainPassPending_) {
        plainPassPending_ = false;
        candidate_.clear();
        return true;
    }
    if (prefixCursor_ >= prefixes_.size()) return false;
    const std::string& prefix = prefixes_[prefixCursor_];
    const std::string& postfix = postfixes_[postfixCursor_];
    candidate_ = prefix;
    if (!prefix.empty()) candidate_ += '.';
    candidate_ += host_;
    if (!postfix.empty()) candidate_ += '.' + postfix;
    if (++postfixCursor_ >= postfixes_.size()) {
        postfixCursor_ = 0;
        ++prefixCursor_;
    }
    return true;
}

// A candidate resolved: remember the expansion and take the new name.
// Answers true when the client took over.
bool Connection::EndExpansion() {
    if (!expanding_) return false;
    expanding_ = false;
    prefixes_.clear();
    postfixes_.clear();
    if (candidate_.empty()) return false;  // the plain name resolved
    if (g_socketRegistry) g_socketRegistry->AddHostAlias(host_.c_str(), candidate_.c_str());
    host_ = candidate_;
    candidate_.clear();
    return HostNameChanged();
}

int32_t Connection::ResolveHost() {
    if (int32_t failed = StartWinsock()) return failed;
    // Listening connections are not used by any client.
    if (host_.empty()) return kErrInternal;

    if (std::isdigit(static_cast<unsigned char>(host_[0]))) {
        WinsockCall call(*this);
        unsigned long a = g_winsock.inet_addr(host_.c_str());
        if (a != INADDR_NONE) {
            resolved_ = static_cast<uint32_t>(a);
            if (g_socketRegistry && !g_socketRegistry->FindHostAddress(host_.c_str()))
                g_socketRegistry->AddHostAddress(host_.c_str(), resolved_);
        }
    }

    candidate_.clear();
    bool localhost = EqualsNoCase(host_, "localhost");
    if (hostExpansion_ && !localhost && host_.find('.') == std::string::npos && resolved_ == 0) {
        if (!expanding_) {
            const char* alias = g_socketRegistry ? g_socketRegistry->FindHostAlias(host_.c_str()) : nullptr;
            if (alias) {
                host_ = alias;
                if (HostNameChanged()) return kTakenOver;
            } else {
                const NetSettings& s = GetNetSettings();
                expanding_ = true;
                prefixes_ = SplitList(s.hostnameExpansionPrefix);
                postfixes_ = SplitList(s.hostnameExpansionPostfix);
                prefixCursor_ = postfixCursor_ = 0;
                plainPassPending_ = s.checkLocalHostname;
            }
        }
        if (expanding_ && !NextCandidate()) {
            expanding_ = false;
            return kErrHostNotFound;
        }
    }

    if (localhost) {
        resolved_ = LoopbackAddress();
        // Cached so that the limits per server count it.
        if (g_socketRegistry && !g_socketRegistry->FindHostAddress(host_.c_str()))
            g_socketRegistry->AddHostAddress(host_.c_str(), resolved_);
    }
    const std::string& name = candidate_.empty() ? host_ : candidate_;
    if (g_socketRegistry) {
        if (resolved_) return 0;
        resolved_ = g_socketRegistry->FindHostAddress(name.c_str());
        if (resolved_ && EndExpansion()) return kTakenOver;
        if (resolved_) return 0;
    } else if (resolved_) {
        return 0;
    }

    if (!hostEntry_) hostEntry_.reset(new char[kHostEntrySize]);
    std::memset(hostEntry_.get(), 0, kHostEntrySize);

    if (GetNetSettings().synchronousDnsLookup) {
        if (Blocking()) {
            if (!g_socketRegistry) {
                // Nowhere to wait: the look-up cannot be made now.
                CloseSocket();
                return kErrInternal;
            }
            g_socketRegistry->Defer(this, 0, SocketRegistry::kConnect);
            return 1;
        }
        if (!target_ || !MainHandler()) return 0;
        MainHandler()->Register(this, kMsgSynchronousLookUp, serial_);
        MainHandler()->Post(kMsgSynchronousLookUp, serial_, 0);
        return 2;
    }

    HANDLE handle;
    {
        WinsockCall call(*this);
        handle = g_winsock.WSAAsyncGetHostByName(MainWindow(), kMsgLookUpReply, name.c_str(),
                                                 hostEntry_.get(), static_cast<int>(kHostEntrySize));
        if (!handle) {
            int error = g_winsock.WSAGetLastError();
            CloseSocket();
            return MapWinsockError(error);
        }
    }
    lookUp_ = handle;
    if (target_) {
        if (attempts_ == 0) Report(kMsgLookingUp, 0);
        if (MainHandler())
            MainHandler()->Register(this, kMsgLookUpReply,
                                    static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
    }
    return 0;
}

// ---- socket and connect ----------------------------------------------------

int32_t Connection::OpenSocket() {
    const NetSettings& s = GetNetSettings();
    if (g_socketRegistry) {
        // Asking the news manager to give up an idle news connection belongs
        // here once there is one.
        if (g_socketRegistry->CountServerConnections(resolved_) >= s.maxConnectionsServer ||
            OpenSocketCount >= s.maxConnectionsTotal) {
            g_socketRegistry->Defer(this, resolved_, SocketRegistry::kConnect);
            return 1;
        }
    }
    if (Blocking()) {
        if (g_socketRegistry) g_socketRegistry->Defer(this, 0, SocketRegistry::kConnect);
        return 1;
    }
    SOCKET s2;
    int error = 0;
    {
        WinsockCall call(*this);
        s2 = g_winsock.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s2 == INVALID_SOCKET) error = g_winsock.WSAGetLastError();
    }
    if (s2 != INVALID_SOCKET && !target_) {
        socket_ = s2;
        ++OpenSocketCount;
        if (g_socketRegistry) g_socketRegistry->AddServerConnection(resolved_);
        Close();
        return 1;
    }
    if (s2 == INVALID_SOCKET) {
        int32_t code = MapWinsockError(error);
        if (code == kErrWinsockResources && g_socketRegistry &&
            OpenSocketCount > g_socketRegistry->CountEntries(SocketRegistry::kConnect)) {
            g_socketRegistry->Defer(this, resolved_, SocketRegistry::kConnect);
            return 1;
        }
        DropRegistrations();
        return code;
    }
    socket_ = s2;
    ++OpenSocketCount;
    if (g_socketRegistry) g_socketRegistry->AddServerConnection(resolved_);

    WinsockCall call(*this);
    int rc;
    if (gracefulClose_) {
        BOOL dontLinger = TRUE;
        rc = g_winsock.setsockopt(socket_, SOL_SOCKET, SO_DONTLINGER,
                                  reinterpret_cast<const char*>(&dontLinger), sizeof dontLinger);
    } else {
        // Closing resets the connection at once instead of lingering.
        linger l{1, 0};
        rc =
            g_winsock.setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    }
    if (rc != 0) {
        int e = g_winsock.WSAGetLastError();
        if (e != kWsaEnoprotoopt) {
            CloseSocket();
            return MapWinsockError(e);
        }
    }
    return 0;
}

int32_t Connection::StartConnect() {
    if (host_.empty()) return 0;
    if (!address_) {
        if (resolved_ == INADDR_NONE) {
            CloseSocket();
            return kErrCouldNotConnect;
        }
        address_ = std::make_unique<sockaddr_in>();
        address_->sin_family = AF_INET;
        address_->sin_addr.s_addr = resolved_;
    }
    WinsockCall call(*this);
    address_->sin_port = g_winsock.htons(port_);
    if (target_) {
        if (MainHandler()) MainHandler()->Register(this, kMsgConnectResult, static_cast<uint32_t>(socket_));
        Report(kMsgConnecting, 0);
    }
    g_winsock.WSAAsyncSelect(socket_, MainWindow(), kMsgConnectResult, kConnectEvents);
    if (g_winsock.connect(socket_, reinterpret_cast<const sockaddr*>(address_.get()), sizeof *address_) ==
        0) {
        ++attempts_;
        return 0;
    }
    int e = g_winsock.WSAGetLastError();
    if (e == kWsaEwouldblock || e == kWsaEinprogress) {
        ++attempts_;
        return 0;
    }
    CloseSocket();
    return MapWinsockError(e);
}

void Connection::OpenAndConnect() {
    int32_t r = OpenSocket();
    if (r == 0) r = StartConnect();
    if (r != 0 && r != 1) {
        CloseSocket();
        ReportError(r);
    }
}

void Connection::ConnectResolved(uint32_t address) {
    resolved_ = address;
    if (address_) address_->sin_addr.s_addr = address;
    if (EndExpansion()) return;
    if (g_socketRegistry && !g_socketRegistry->FindHostAddress(host_.c_str()))
        g_socketRegistry->AddHostAddress(host_.c_str(), address);
    attempts_ = 0;
    OpenAndConnect();
}

// After ResolveHost ran again for another candidate or attempt: go on when
// the address became known, wait when a look-up is under way, else fail.
void Connection::ContinueAfterResolve(int32_t result, int32_t finalError) {
    if (result == kTakenOver) return;
    if (result == 0 && resolved_ != 0) {
        OpenAndConnect();
        return;
    }
    if (result == 0 || result == 1 || result == 2) return;
    CloseSocket();
    ReportError(finalError);
}

void Connection::RetryLookUp(int32_t finalError) {
    if (!expanding_ && ++attempts_ >= kMaxAttempts) {
        CloseSocket();
        ReportError(finalError);
        return;
    }
    ContinueAfterResolve(ResolveHost(), finalError);
}

// ---- exchange --------------------------------------------------------------

int32_t Connection::StartSession() {
    closed_ = false;
    readNotifications_ = 0;
    bodyBytes_ = 0;
    replyStarted_ = false;
    if (Blocking()) {
        if (g_socketRegistry) g_socketRegistry->Defer(this, 0, SocketRegistry::kStartSession);
        return kWaiting;
    }
    std::string request;
    if (int32_t refused = SendRequest(request)) {
        ReportError(refused);
        Close();
        return kSendFailed;
    }
    busy_ = true;  // held until the socket is set up
    QueueSend(std::move(request));
    {
        WinsockCall call(*this);
        if (g_winsock.WSAAsyncSelect(socket_, MainWindow(), kMsgSocketEvent, kSessionEvents) != 0) {
            int e = g_winsock.WSAGetLastError();
            ReportError(MapWinsockError(e));
            Close();
            return kSendFailed;
        }
    }
    if (target_) {
        Report(kMsgRequestSent, 0);
        uint32_t id = static_cast<uint32_t>(socket_);
        if (MainHandler() && !MainHandler()->IsRegistered(this, kMsgSocketEvent, id))
            MainHandler()->Register(this, kMsgSocketEvent, id);
    }
    int32_t r = SendPending();
    FinishSend(r);
    return r;
}

void Connection::FinishSend(int32_t result) {
    if (result != kWaiting) FreePending();
    if (result == kSendFailed) Close();
}

void Connection::QueueSend(std::string data) {
    if (PendingBytes() == 0) {
        pending_ = std::move(data);
        pendingCursor_ = 0;
    } else {
        pending_.append(data);  // nothing queued before is dropped
    }
    if (!busy_) FinishSend(SendPending());
}

void Connection::FreePending() {
    pending_.clear();
    pending_.shrink_to_fit();
    pendingCursor_ = 0;
}

int32_t Connection::SendPending() {
    busy_ = true;
    for (;;) {
        if (!MoreToSend()) {
            busy_ = false;
            return kAllSent;
        }
        if (PendingBytes() == 0) {
            busy_ = false;
            return kWaiting;
        }
        if (Blocking()) {
            if (g_socketRegistry) g_socketRegistry->Defer(this, 0, SocketRegistry::kSend);
            return kWaiting;
        }
        WinsockCall call(*this);
        int n = g_winsock.send(socket_, pending_.data() + pendingCursor_, PendingBytes(), 0);
        if (n != SOCKET_ERROR) {
            pendingCursor_ += static_cast<size_t>(n);
            if (PendingBytes() == 0) FreePending();
            continue;
        }
        int e = g_winsock.WSAGetLastError();
        if (e == kWsaEwouldblock) return kWaiting;
        DropRegistrations();
        if (target_) ReportError(MapWinsockError(e));
        return kSendFailed;
    }
}

int32_t Connection::Receive(char* buffer, int32_t size) {
    int32_t limit = GetNetSettings().NetworkBufferBytes();
    if (size > limit) size = limit;
    if (socket_ == INVALID_SOCKET || size <= 0) return 0;
    if (Blocking()) {
        if (g_socketRegistry) g_socketRegistry->Defer(this, 0, SocketRegistry::kDataArrived);
        return 0;
    }
    if (readAheadEnd_ > readAheadStart_) return TakeReadAhead(buffer, size);
    if (readAheadCapacity_ < std::max(limit, kReadAheadBytes)) {
        int32_t capacity = std::max(limit, kReadAheadBytes);
        readAhead_.reset(new (std::nothrow) char[static_cast<size_t>(capacity)]);
        readAheadCapacity_ = readAhead_ ? capacity : 0;
    }
    --readNotifications_;
    char* into = readAhead_ ? readAhead_.get() : buffer;
    int n, e = 0;
    {
        WinsockCall call(*this);
        n = g_winsock.recv(socket_, into, readAhead_ ? readAheadCapacity_ : size, 0);
        if (n == SOCKET_ERROR) e = g_winsock.WSAGetLastError();
    }
    if (n > 0) {
        replyStarted_ = true;
        if (!readAhead_) return n;
        readAheadStart_ = 0;
        readAheadEnd_ = n;
        return TakeReadAhead(buffer, size);
    }
    if (n == SOCKET_ERROR) {
        if (e == kWsaEwouldblock || e == kWsaEinprogress || !target_) return 0;
        if (e == kWsaEconnaborted || !ReportSocketErrors()) {
            closed_ = true;
            CloseSocket();
        } else {
            ReportError(MapWinsockError(e));
            CloseSocket();
        }
        return 0;
    }
    OnPeerClosedSocket();
    return 0;
}

// Hands out held bytes. While some remain, the reader hears of them as it
// would of bytes waiting in the socket: a read notification, one at a time.
int32_t Connection::TakeReadAhead(char* buffer, int32_t size) {
    int32_t n = std::min(size, readAheadEnd_ - readAheadStart_);
    std::memcpy(buffer, readAhead_.get() + readAheadStart_, static_cast<size_t>(n));
    readAheadStart_ += n;
    if (readAheadStart_ < readAheadEnd_) {
        if (!readAheadNotified_ && MainWindow() &&
            PostMessageA(MainWindow(), kMsgSocketEvent, static_cast<WPARAM>(socket_), WSAMAKESELECTREPLY(FD_READ, 0)))
            readAheadNotified_ = true;
    } else {
        readAheadStart_ = readAheadEnd_ = 0;
    }
    return n;
}

void Connection::DropReadAhead() {
    readAheadStart_ = readAheadEnd_ = 0;
    readAheadNotified_ = false;
}

// The peer ended the exchange and everything was read.
void Connection::OnPeerClosedSocket() {
    if (TakeOverPeerClose()) return;
    int32_t error = PeerCloseError();
    bool closeNow = CloseWhenPeerCloses();
    if (closeNow) {
        OnPeerClosed();
        Close();
    } else {
        closed_ = true;
        CloseSocket();
    }
    if (!target_) return;
    if (error)
        ReportError(error);
    else if (closeNow)
        Report(kMsgConnectionEnded, 0);
}

void Connection::CloseSocket() {
    // Bytes of a closed socket never reach a later exchange.
    DropReadAhead();
    if (socket_ != INVALID_SOCKET) {
        --OpenSocketCount;
        {
            WinsockCall call(*this);
            g_winsock.closesocket(socket_);
        }
        socket_ = INVALID_SOCKET;
        registeredEvents_ = false;
        if (g_socketRegistry) g_socketRegistry->ReleaseServerConnection(resolved_);
    }
    DropRegistrations();
    if (g_socketRegistry) g_socketRegistry->RemoveEntries(this);
}

void Connection::DropRegistrations() {
    if (!MainHandler()) return;
    MainHandler()->UnregisterAll(this);
    MainHandler()->CancelDelayed(kMsgConnectRetry, serial_, 0);
}

void Connection::RunQueued(uint8_t kind) {
    WinsockCall busy(*this);
    switch (kind) {
        case SocketRegistry::kConnect:
            if (int32_t failed = Connect()) ReportError(failed);
            break;
        case SocketRegistry::kSend:
            FinishSend(SendPending());
            break;
        case SocketRegistry::kStartSession:
            StartSession();
            break;
        case SocketRegistry::kDataArrived:
            OnDataArrived();
            break;
        default:
            break;
    }
}

// ---- the socket-event machine ----------------------------------------------

void Connection::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    // Not idle while handling its own message: closing the socket may make
    // the registry delete idle given-up connections, and this one is inside
    // its own method.
    WinsockCall busy(*this);
    if (!target_) {
        Close();
        return;
    }
    switch (message) {
        case kMsgLookUpReply:
            OnLookUpReply(p2);
            break;
        case kMsgSynchronousLookUp:
            OnSynchronousLookUp();
            break;
        case kMsgConnectResult:
            OnConnectResult(p2);
            break;
        case kMsgConnectRetry:
            OnRetry();
            break;
        case kMsgSocketEvent:
            OnSocketEvent(p2);
            break;
        default:
            break;
    }
}

void Connection::OnLookUpReply(uint32_t p2) {
    if (MainHandler())
        MainHandler()->Unregister(this, kMsgLookUpReply,
                                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lookUp_)));
    lookUp_ = nullptr;
    int error = WSAGETASYNCERROR(p2);
    if (error) {
        if (!expanding_) {
            ReportError(MapWinsockError(error));
            return;
        }
        ContinueAfterResolve(ResolveHost(), kErrHostNotFound);
        return;
    }
    uint32_t address = AddressOfHostEntry(hostEntry_.get());
    if (address) {
        ConnectResolved(address);
        return;
    }
    RetryLookUp(kErrHostNotFound);
}

void Connection::OnSynchronousLookUp() {
    if (!GetNetSettings().synchronousDnsLookup) return;
    if (MainHandler()) MainHandler()->Unregister(this, kMsgSynchronousLookUp, serial_);
    if (Blocking()) {
        if (g_socketRegistry) {
            g_socketRegistry->Defer(this, 0, SocketRegistry::kConnect);
        } else {
            Close();
            ReportError(kErrInternal);
        }
        return;
    }
    if (attempts_ == 0) Report(kMsgLookingUp, 0);
    const std::string name = candidate_.empty() ? host_ : candidate_;
    hostent* entry;
    int error = 0;
    {
        WinsockCall call(*this);
        entry = g_winsock.gethostbyname(name.c_str());
        if (!entry) error = g_winsock.WSAGetLastError();
        if (entry) {
            size_t n = sizeof(hostent);
            std::memset(hostEntry_.get(), 0, kHostEntrySize);
            // Only the first address is used: keep a copy of it.
            if (entry->h_length > 0 && entry->h_addr_list && entry->h_addr_list[0]) {
                auto* copy = reinterpret_cast<hostent*>(hostEntry_.get());
                char** list = reinterpret_cast<char**>(hostEntry_.get() + n);
                char* bytes = hostEntry_.get() + n + 2 * sizeof(char*);
                std::memcpy(bytes, entry->h_addr_list[0], sizeof(uint32_t));
                list[0] = bytes;
                list[1] = nullptr;
                copy->h_length = sizeof(uint32_t);
                copy->h_addrtype = AF_INET;
                copy->h_addr_list = list;
            }
        }
    }
    if (g_closePendingAfterBlockingCall) {
        g_closePendingAfterBlockingCall = false;
        PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
        return;
    }
    if (!entry) {
        CloseSocket();
        if (error == kWsaEintr) return;
        ReportError(MapWinsockError(error));
        if (g_socketRegistry) g_socketRegistry->RunDeferred();
        return;
    }
    uint32_t address = AddressOfHostEntry(hostEntry_.get());
    if (address)
        ConnectResolved(address);
    else
        RetryLookUp(kErrInternal);
    if (g_socketRegistry) g_socketRegistry->RunDeferred();
}

void Connection::OnConnectResult(uint32_t p2) {
    if (MainHandler()) MainHandler()->Unregister(this, kMsgConnectResult, static_cast<uint32_t>(socket_));
    int error = WSAGETSELECTERROR(p2);
    if (!error) {
        if (reportConnect_) Report(kMsgConnected, 0);
        if (OnConnected(kConnectEvents) == 2) {
            Close();
            return;
        }
        StartSession();
        return;
    }
    bool othersOpen = g_socketRegistry && g_socketRegistry->CountServerConnections(resolved_) > 1;
    int32_t attempt = attempts_++;
    if (!othersOpen && attempt < kMaxAttempts) {
        CloseSocket();
        ResetRequest();
        if (reportConnect_) {
            ReportError(MapWinsockError(error));
            return;
        }
        if (MainHandler()) {
            MainHandler()->Register(this, kMsgConnectRetry, serial_);
            MainHandler()->PostDelayed(kMsgConnectRetry, serial_, 0, GetNetSettings().connectRetryDelayMs);
        } else {
            ReportError(MapWinsockError(error));
        }
        return;
    }
    CloseSocket();
    if (!reportConnect_ && error == kWsaEconnrefused && attempt < kMaxAttempts && g_socketRegistry &&
        g_socketRegistry->CountServerConnections(resolved_) > 0) {
        g_socketRegistry->Defer(this, resolved_, SocketRegistry::kConnect);
        return;
    }
    ReportError(MapWinsockError(error));
}

void Connection::OnRetry() {
    if (MainHandler()) MainHandler()->Unregister(this, kMsgConnectRetry, serial_);
    OpenAndConnect();
}

void Connection::OnSocketEvent(uint32_t p2) {
    int error = WSAGETSELECTERROR(p2);
    switch (WSAGETSELECTEVENT(p2)) {
        case FD_READ:
            OnReadEvent(error);
            break;
        case FD_WRITE:
            OnWriteEvent(error);
            break;
        case FD_CLOSE:
            OnCloseEvent(error);
            break;
        default:
            break;
    }
}

void Connection::OnReadEvent(int error) {
    ++readNotifications_;
    readAheadNotified_ = false;
    if (!error) {
        OnDataArrived();
        return;
    }
    FreePending();
    Close();
    ReportError(MapWinsockError(error));
}

void Connection::OnWriteEvent(int error) {
    if (!error) {
        FinishSend(SendPending());
        return;
    }
    FreePending();
    CloseSocket();
    ReportError(MapWinsockError(error));
}

void Connection::OnCloseEvent(int error) {
    if (!error) {
        if (DrainOnPeerClose()) {
            closed_ = true;
            OnDataArrived();
            return;
        }
        OnPeerClosedSocket();
        return;
    }
    // A reset: start over on a new socket, but only while nothing of the
    // reply has arrived (the owner already has those bytes) and only when
    // the request may be sent twice.
    int32_t attempt = attempts_++;
    if (attempt < kMaxAttempts && !replyStarted_ && restartable_) {
        Close();
        ResetRequest();
        OpenAndConnect();
        return;
    }
    FreePending();
    Close();
    ReportError(MapWinsockError(error));
}
