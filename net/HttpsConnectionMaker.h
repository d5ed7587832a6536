// How URL loading gets the connection of an "https:" address. The security
// layer builds on the network layer's Connection, so the network layer names
// no part of it: the security layer installs its maker at start-up. Without
// a maker, https loads fail at their start instead of going out unprotected.
#pragma once
#include <cstdint>

class Connection;
class MessageHandler;

// Makes and starts an HTTPS connection that reports to the target like an
// HttpConnection; null when none can be made (then nothing is reported). The
// caller owns the connection.
using HttpsConnectionMaker = Connection* (*)(MessageHandler* target, int method, const char* host,
                                             uint16_t port, const char* requestTarget, bool viaProxy,
                                             bool noCache);

// Null uninstalls.
void SetHttpsConnectionMaker(HttpsConnectionMaker maker);
HttpsConnectionMaker GetHttpsConnectionMaker();
