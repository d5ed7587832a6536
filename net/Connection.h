// The base of every protocol client: one TCP socket over Winsock 1.1, with
// the host-name look-up (asynchronous, or synchronous when the preferences
// ask for it, with optional host-name expansion), the connection limits of
// the socket registry, the connect with its retries, the send queue, and
// the socket-event machine that turns Winsock's notifications into reports
// to the owner's message handler (first parameter always the connection id):
//
//   0x8230 failed (second parameter: program error code), socket closed
//   0x8231 data can be read (posted by the clients)
//   0x8232 normal end: the peer closed and everything was read
//   0x8233 connected (only with the report-connect flag)
//   0x8234 looking up the host name (first attempt only)
//   0x8235 connecting
//   0x8236 the request is on its way
//
// Winsock's notifications reach the main MessageHandler, which delivers them
// here through the registrations the connection makes for itself.
//
// Ownership: the owner holds the connection; it deletes it only when
// IsIdle(), and otherwise calls Detach(), after which the socket registry
// deletes it once no Winsock call of it is under way.
//
// Clients derive from Connection virtually, so that a secure layer can sit
// beside them on the same connection.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include <winsock2.h>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/MessageSource.h"

class Connection : public MessageSource {
public:
    Connection(MessageHandler* target, const char* host, uint16_t port, bool reportConnect);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;

    // Starts (or starts over) the connection: 0 when under way or waiting
    // (the reports follow), else a program error code and nothing is
    // reported (the caller reports it).
    [[nodiscard]] int Connect() final;
    void Close() override;
    // Reads reply bytes for the owner; answers how many.
    int ReadData(char* buffer, int size) override = 0;
    bool IsIdle() final { return winsockCalls_ == 0; }
    void Detach() final;
    // Reads from the socket; answers the number of bytes, 0 when none. A
    // secure layer replaces both: the client's bytes then pass its records.
    virtual int32_t Receive(char* buffer, int32_t size);
    // Queues bytes to send; they go at once unless a send is under way.
    virtual void QueueSend(std::string data);
    void Send(std::string data) { QueueSend(std::move(data)); }
    // The IPv4 address connected to, or 0xFFFFFFFF before there is one.
    uint32_t GetPeerAddress() const;
    // Copies the rest of the reply body to a file; answers the bytes copied.
    virtual int32_t CopyBodyToFile(std::FILE* file) = 0;

    // Runs work that the socket registry queued (a SocketRegistry::Kind).
    void RunQueued(uint8_t kind);

    uint32_t Id() const { return serial_; }
    const std::string& Host() const { return host_; }
    uint16_t Port() const { return port_; }
    uint32_t ResolvedAddress() const { return resolved_; }
    bool HasSocket() const { return socket_ != INVALID_SOCKET; }
    SOCKET Socket() const { return socket_; }

protected:
    // Checked by Connect before anything happens: a request that cannot be
    // sent fails at once with its error code.
    virtual int32_t CheckRequest() { return 0; }
    // The first request of an exchange, or a program error code.
    virtual int32_t SendRequest(std::string& out) = 0;
    virtual void ResetRequest() = 0;
    virtual void OnDataArrived() = 0;
    virtual void OnPeerClosed() {}
    // A layer between the client and the socket (a secure connection in
    // its handshake) may handle the peer's close itself: true when it did,
    // and nothing more is done or reported here.
    virtual bool TakeOverPeerClose() { return false; }
    virtual bool MoreToSend() { return PendingBytes() > 0; }
    virtual bool DrainOnPeerClose() { return true; }
    virtual int32_t PeerCloseError() { return 0; }
    virtual bool CloseWhenPeerCloses() { return true; }
    virtual bool ReportSocketErrors() { return true; }
    virtual int32_t TranslateError(int32_t code) { return code; }
    // Called once connected; 2 closes the connection.
    virtual int OnConnected(uint32_t eventMask) { return 1; }
    // Host-name expansion found another name; true when the client took
    // over (nothing more is done for this connect).
    virtual bool HostNameChanged() { return false; }

    void Report(uint32_t message, uint32_t p2);
    void ReportError(int32_t code) {
        Report(kMsgConnectionFailed, static_cast<uint32_t>(TranslateError(code)));
    }
    int32_t PendingBytes() const { return static_cast<int32_t>(pending_.size() - pendingCursor_); }

    int32_t bodyBytes_ = 0;  // reply body bytes received in this exchange
    bool closed_ = false;    // the peer closed or reset the socket
    bool gracefulClose_ = false;
    bool hostExpansion_;
    // Whether a reset may start the exchange over; a client clears it for a
    // request that must not be sent twice.
    bool restartable_ = true;

private:
    enum SendResult { kAllSent = 9, kWaiting = 10, kSendFailed = 11 };
    // ResolveHost: the client took over after the host name changed.
    static constexpr int32_t kTakenOver = 4;

    int32_t ResolveHost();
    int32_t OpenSocket();
    int32_t StartConnect();
    int32_t StartSession();
    int32_t SendPending();
    void CloseSocket();
    void DropRegistrations();
    void FreePending();
    void FinishSend(int32_t result);
    bool NextCandidate();
    bool EndExpansion();
    bool Blocking();
    void ConnectResolved(uint32_t address);
    void ContinueAfterResolve(int32_t result, int32_t finalError);
    void OpenAndConnect();
    void RetryLookUp(int32_t finalError);

    void OnLookUpReply(uint32_t p2);
    void OnSynchronousLookUp();
    void OnConnectResult(uint32_t p2);
    void OnRetry();
    void OnSocketEvent(uint32_t p2);
    void OnReadEvent(int error);
    void OnWriteEvent(int error);
    void OnCloseEvent(int error);
    void OnPeerClosedSocket();

    int32_t attempts_ = 0;
    std::string host_;
    uint16_t port_;
    std::string candidate_;
    bool expanding_ = false;
    std::vector<std::string> prefixes_, postfixes_;
    size_t prefixCursor_ = 0, postfixCursor_ = 0;
    bool plainPassPending_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    std::unique_ptr<sockaddr_in> address_;
    uint32_t resolved_ = 0;
    std::unique_ptr<char[]> hostEntry_;
    HANDLE lookUp_ = nullptr;
    // Winsock calls of this connection under way (and its own message
    // handling); the connection is idle when it is 0.
    int32_t winsockCalls_ = 0;
    int32_t readNotifications_ = 0;
    // Bytes taken from the socket in one large read and handed out in
    // pieces of the network buffer size: each socket read costs far more
    // than its bytes under Wine. readAheadNotified_: a read notification
    // for the bytes still held is on its way.
    std::unique_ptr<char[]> readAhead_;
    int32_t readAheadCapacity_ = 0, readAheadStart_ = 0, readAheadEnd_ = 0;
    bool readAheadNotified_ = false;
    int32_t TakeReadAhead(char* buffer, int32_t size);
    void DropReadAhead();
    bool reportConnect_;
    std::string pending_;
    size_t pendingCursor_ = 0;
    bool busy_ = true;
    bool replyStarted_ = false;  // a reply byte arrived in this exchange
    bool registeredEvents_ = false;

    friend class WinsockCall;
};
