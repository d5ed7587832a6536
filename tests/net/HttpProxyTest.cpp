// The HTTP client through a real forward and CONNECT proxy (tinyproxy) to a
// real server (nginx), both on 127.0.0.1.
#include <cstdlib>
#include <gtest/gtest.h>

#include "net/HttpConnection.h"
#include "net/NetErrors.h"
#include "tests/net/NetFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace net_test;
using testing_support::ScriptedServer;
using testing_support::ScriptStep;

namespace {

uint16_t Nginx() {
    return testing_support::ServerPortFromEnv("NGINX");
}
uint16_t Proxy() {
    return testing_support::ServerPortFromEnv("TINYPROXY");
}

// What tinyproxy logged in its scratch folder (the request lines it got).
std::string ProxyLog() {
    return testing_support::ServerFileFromEnv("TINYPROXY", "tinyproxy.log");
}

// What a secure layer does with the tunnel, without the security: ask for
// it, then send the request through it.
class TunnelledHttp : public HttpConnection {
public:
    TunnelledHttp(MessageHandler* target, const char* proxyHost, uint16_t proxyPort, const char* url)
        : Connection(target, proxyHost, proxyPort, false),
          HttpConnection(target, 0, proxyHost, proxyPort, url, true, false) {
        SetTunnelNeeded(true);
    }
    using HttpConnection::TunnelEstablished;
};

class HttpProxyTest : public NetTest {};

TEST_F(HttpProxyTest, ForwardProxyFetchesTheAbsoluteUrl) {
    std::string url = Loopback(Nginx(), "/a");
    HttpConnection c(view_.get(), 0, "127.0.0.1", Proxy(), url.c_str(), true, true);
    c.SetProxyCredentials("dXNlcjpwdw==");
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(owner.FailCount(), 0);
    EXPECT_EQ(owner.EndCount(), 1);
    EXPECT_EQ(c.ReplyHeaders().statusCode, 200);
    EXPECT_EQ(owner.Body(), "served by nginx for /a\n");
    EXPECT_EQ(c.RequestHost(), "127.0.0.1");
    EXPECT_EQ(c.RequestPort(), Nginx());
    // The proxy's own log shows the request line it got.
    std::string log = ProxyLog();
    EXPECT_NE(log.find("GET " + url + " HTTP/1.0"), std::string::npos) << log;
}

TEST_F(HttpProxyTest, RequestToAProxyCarriesTheAbsoluteUrlAndItsLines) {
    // A server of our own in the proxy's place shows the bytes a proxy gets.
    ScriptedServer proxy({{ScriptStep::Expect, "\r\n\r\n"},
                          {ScriptStep::Send, "HTTP/1.0 200 OK\r\n\r\nvia proxy"},
                          {ScriptStep::Close}});
    HttpConnection c(view_.get(), 0, "127.0.0.1", proxy.Port(), "http://origin.test:8080/p?q", true, true);
    c.SetProxyCredentials("dXNlcjpwdw==");
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(proxy.Received(),
              "GET http://origin.test:8080/p?q HTTP/1.0\r\n"
              "User-Agent: " +
                  UserAgent() +
                  "\r\n"
                  "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
                  "Proxy-Authorization: Basic dXNlcjpwdw==\r\n"
                  "Pragma: no-cache\r\n"
                  "Host: origin.test:8080\r\n"
                  "\r\n");
    EXPECT_EQ(owner.Body(), "via proxy");
}

TEST_F(HttpProxyTest, ClosedProxyPortIsReportedAsTheProxys) {
    uint16_t closed = testing_support::FreePort();
    std::string url = Loopback(Nginx(), "/a");
    HttpConnection c(view_.get(), 0, "127.0.0.1", closed, url.c_str(), true, false);
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(owner.FailCount(), 1);
    // A refused connect maps to "Could not connect to remote server" (32873),
    // told for a proxy as "Could not connect to PROXY server. Access denied".
    EXPECT_EQ(owner.Error(), kErrProxyRefused);
}

TEST_F(HttpProxyTest, OneWordProxyNameIsNeverExpanded) {
    // With expansion on, a one-word origin name would become a made-up
    // redirect to "www.<name>.com"; a proxy's name is used as it is.
    HttpConnection c(view_.get(), 0, "localhost", Proxy(), Loopback(Nginx(), "/a").c_str(), true, false);
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(c.ReplyHeaders().statusCode, 200);
    EXPECT_EQ(c.Host(), "localhost");
    EXPECT_EQ(owner.Body(), "served by nginx for /a\n");
}

TEST_F(HttpProxyTest, ConnectTunnelCarriesTheRequestAfterTheProxysYes) {
    std::string url = Loopback(Nginx(), "/a");
    TunnelledHttp c(view_.get(), "127.0.0.1", Proxy(), url.c_str());
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(owner.FailCount(), 0);
    EXPECT_EQ(owner.EndCount(), 1);
    // One header report: the proxy's 200 opened the tunnel and was not
    // taken for the reply.
    EXPECT_EQ(owner.HeaderReports(), 1);
    EXPECT_EQ(c.ReplyHeaders().statusCode, 200);
    EXPECT_EQ(owner.Body(), "served by nginx for /a\n");
    std::string log = ProxyLog();
    EXPECT_NE(log.find("CONNECT 127.0.0.1:" + std::to_string(Nginx()) + " HTTP/1.0"), std::string::npos)
        << log;
}

TEST_F(HttpProxyTest, TunnelRequestsByteForByte) {
    ScriptedServer proxy({{ScriptStep::Expect, "\r\n\r\n"},
                          {ScriptStep::Send, "HTTP/1.0 200 Connection established\r\n\r\n"},
                          {ScriptStep::Expect, "GET"},
                          {ScriptStep::Expect, "\r\n\r\n"},
                          {ScriptStep::Send, "HTTP/1.0 200 OK\r\n\r\ninside"},
                          {ScriptStep::Close}});
    TunnelledHttp c(view_.get(), "127.0.0.1", proxy.Port(), "https://secure.test/x");
    c.SetProxyCredentials("cDpx");
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(proxy.Received(),
              "CONNECT secure.test:443 HTTP/1.0\r\n"
              "User-Agent: " +
                  UserAgent() +
                  "\r\n"
                  "Proxy-Authorization: Basic cDpx\r\n"
                  "\r\n"
                  "GET /x HTTP/1.0\r\n"
                  "User-Agent: " +
                  UserAgent() +
                  "\r\n"
                  "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
                  "Host: secure.test\r\n"
                  "\r\n");
    EXPECT_EQ(owner.Body(), "inside");
}

TEST_F(HttpProxyTest, RefusedTunnelIsTheReply) {
    ScriptedServer proxy({{ScriptStep::Expect, "\r\n\r\n"},
                          {ScriptStep::Send,
                           "HTTP/1.0 407 Proxy Authentication Required\r\n"
                           "Proxy-Authenticate: Basic realm=\"gate\"\r\n\r\nno"},
                          {ScriptStep::Close}});
    TunnelledHttp c(view_.get(), "127.0.0.1", proxy.Port(), "https://secure.test/x");
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_FALSE(c.TunnelEstablished());
    EXPECT_EQ(c.ReplyHeaders().statusCode, 407);
    EXPECT_EQ(c.ChallengeKind(), 12);
    EXPECT_EQ(c.Realm(), "gate");
}

}  // namespace
