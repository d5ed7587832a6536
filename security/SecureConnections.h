// What the rest of the program uses of the secure-connections library.
// Without the security library started, loads of "https:" addresses fail at
// their start instead of going out unprotected.
#pragma once
#include <cstdint>

class Connection;
class MessageHandler;

// Hands CreateHttpsConnection to URL loading (start-up calls it once).
void InstallSecureConnections();

// Makes an HTTPS connection reporting to the target like an HttpConnection;
// the caller starts it with Connect. Null while secure connections are not
// available (nothing was made, nothing is reported).
Connection* CreateHttpsConnection(MessageHandler* target, int method, const char* host, uint16_t port,
                                  const char* requestTarget, bool viaProxy, bool noCache);

// Whether CreateHttpsConnection can make connections.
bool SecureConnectionsAvailable();

// The certificate store's and the session cache's stop calls, made at exit
// (the security library's own is in security/SecurityLibrary.h). Each
// answers whether there was anything to stop.
bool StopCertificateStore();
bool StopSecureSessions();
