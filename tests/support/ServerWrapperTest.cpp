// A Unix server started around the test by tools/with-server.sh answers on
// the port it hands over.
#include <gtest/gtest.h>

#include "tests/support/LocalServer.h"

using namespace testing_support;

TEST(ServerWrapper, NginxServesTheDataFolder) {
    uint16_t port = ServerPortFromEnv("NGINX");
    ASSERT_NE(port, 0);
    const std::string reply = HttpGet(port, "/hello.txt");
    EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK", 0), 0u) << reply;
    EXPECT_NE(reply.find("\r\n\r\nserved by nginx\n"), std::string::npos);
}
