// A Unix server started around the test by tools/with-server.sh answers on
// the port it hands over.
#include <gtest/gtest.h>

#include "tests/support/LocalServer.h"
#include "tests/support/Sockets.h"

using namespace testing_support;

TEST(ServerWrapper, NginxServesTheDataFolder) {
    uint16_t port = ServerPortFromEnv("NGINX");
    ASSERT_NE(port, 0);
    StartSockets();
    socket_t s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    std::string req = "GET /hello.txt HTTP/1.0\r\n\r\n";
    send(s, req.data(), static_cast<int>(req.size()), 0);
    std::string reply;
    char buf[512];
    int n;
    while ((n = recv(s, buf, sizeof buf, 0)) > 0) reply.append(buf, static_cast<size_t>(n));
    CloseSocket(s);
    EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK", 0), 0u) << reply;
    EXPECT_NE(reply.find("\r\n\r\nserved by nginx\n"), std::string::npos);
}
