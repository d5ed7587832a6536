// The news client over a secure connection: a news server marked secure is
// spoken to in TLS (or SSL 3.0) from the first byte. Both bases share the
// one Connection, as for HTTPS.
#pragma once
#include "net/NntpConnection.h"
#include "security/SslConnection.h"

class SecureNewsConnection : public SslConnection, public NntpConnection {
public:
    // Port 0 means 563, the secure news port.
    SecureNewsConnection(MessageHandler* target, const char* host, uint16_t port, bool keepOpen);

    int32_t Receive(char* buffer, int32_t size) override { return SslConnection::Receive(buffer, size); }
    void QueueSend(std::string data) override { SslConnection::QueueSend(std::move(data)); }
    void Close() override { SslConnection::Close(); }

protected:
    void OnDataArrived() override { OnSocketData(); }
    void NotifyClientData() override { NntpConnection::OnDataArrived(); }
    int OnConnected(uint32_t eventMask) override { return SslConnection::OnConnected(eventMask); }
};

// Makes a secure news connection; the caller starts its requests. Null when
// secure connections are not available.
NntpConnection* CreateSecureNewsConnection(MessageHandler* target, const char* host, uint16_t port,
                                           bool keepOpen);
