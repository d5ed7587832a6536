// The bytes of requests, the target rules and the proxy error texts.
#include <gtest/gtest.h>

#include "net/HttpRequest.h"
#include "net/NetErrors.h"

namespace {

HttpRequestParts Get(std::string target) {
    HttpRequestParts p;
    p.target = std::move(target);
    p.userAgent = "Agent/1.0";
    p.host = "example.test";
    return p;
}

std::string Build(const HttpRequestParts& p) {
    std::string out;
    EXPECT_EQ(BuildHttpRequest(p, out), 0);
    return out;
}

TEST(HttpRequest, PlainGetByteForByte) {
    EXPECT_EQ(Build(Get("/a")),
              "GET /a HTTP/1.0\r\n"
              "User-Agent: Agent/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
              "Host: example.test\r\n"
              "\r\n");
}

TEST(HttpRequest, EveryOptionalLineInItsPlace) {
    HttpRequestParts p = Get("http://example.test:8080/x?y");
    p.credentials = "dTpw";
    p.proxyCredentials = "cHg6cHc=";
    p.referrer = "http://ref.test/";
    p.ifModifiedSince = "Mon, 01 Jan 2001 00:00:00 GMT";
    p.cookie = "a=1; b=2";
    p.noCache = true;
    p.port = 8080;
    p.post = true;
    p.body = "q=1&r=2";
    p.contentType = "application/x-www-form-urlencoded";
    EXPECT_EQ(Build(p),
              "POST http://example.test:8080/x?y HTTP/1.0\r\n"
              "User-Agent: Agent/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
              "Authorization: Basic dTpw\r\n"
              "Proxy-Authorization: Basic cHg6cHc=\r\n"
              "Referer: http://ref.test/\r\n"
              "If-modified-since: Mon, 01 Jan 2001 00:00:00 GMT\r\n"
              "Cookie: a=1; b=2\r\n"
              "Pragma: no-cache\r\n"
              "Host: example.test:8080\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "Content-length: 7\r\n"
              "\r\n"
              "q=1&r=2\r\n");

    // Inside a tunnel the proxy's lines stay out and the target loses its
    // scheme and host; the referrer follows its preference.
    p.tunnelled = true;
    p.enableReferrer = false;
    p.post = false;
    EXPECT_EQ(Build(p),
              "GET /x?y HTTP/1.0\r\n"
              "User-Agent: Agent/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
              "Authorization: Basic dTpw\r\n"
              "If-modified-since: Mon, 01 Jan 2001 00:00:00 GMT\r\n"
              "Cookie: a=1; b=2\r\n"
              "Host: example.test:8080\r\n"
              "\r\n");
}

TEST(HttpRequest, UploadHeadEndsWithItsLengthAndNoEmptyLine) {
    // The upload's own MIME headers and empty line follow directly.
    HttpRequestParts p = Get("/upload");
    p.post = true;
    p.uploadLength = 1234;
    EXPECT_EQ(Build(p),
              "POST /upload HTTP/1.0\r\n"
              "User-Agent: Agent/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
              "Host: example.test\r\n"
              "Content-length: 1234\r\n");
}

TEST(HttpRequest, UserAgentIsCutOrReplaced) {
    HttpRequestParts p = Get("/");
    p.userAgent = std::string(80, 'u');
    EXPECT_NE(Build(p).find("User-Agent: " + std::string(63, 'u') + "\r\n"), std::string::npos);
    p.userAgent.clear();
    EXPECT_NE(Build(p).find("User-Agent: Zintu/3.0\r\n"), std::string::npos);
}

TEST(HttpRequest, LineBreaksOrNulFromAnAddressNeverReachTheWire) {
    const std::string bad[] = {"/a\r\nX: y", "/a\nb", std::string("/a\0b", 4), "/a\r"};
    for (const std::string& text : bad) {
        std::string out = "stale";
        EXPECT_EQ(BuildHttpRequest(Get(text), out), kErrIllegalAddress);
        EXPECT_TRUE(out.empty());
        HttpRequestParts p = Get("/ok");
        p.referrer = text;
        EXPECT_EQ(BuildHttpRequest(p, out), kErrIllegalAddress);
        p = Get("/ok");
        p.host = text;
        EXPECT_EQ(BuildHttpRequest(p, out), kErrIllegalAddress);
        p = Get("/ok");
        p.cookie = text;
        EXPECT_EQ(BuildHttpRequest(p, out), kErrIllegalAddress);
        EXPECT_EQ(BuildConnectRequest(text, 443, "A", std::nullopt, out), kErrIllegalAddress);
    }
    // The body of a POST may hold anything.
    HttpRequestParts p = Get("/ok");
    p.post = true;
    p.body = std::string("a\r\n\0b", 5);
    std::string out;
    EXPECT_EQ(BuildHttpRequest(p, out), 0);
}

TEST(HttpRequest, ConnectRequestByteForByte) {
    std::string out;
    ASSERT_EQ(BuildConnectRequest("secure.test", 443, "Agent/1.0", std::nullopt, out), 0);
    EXPECT_EQ(out, "CONNECT secure.test:443 HTTP/1.0\r\nUser-Agent: Agent/1.0\r\n\r\n");
    ASSERT_EQ(BuildConnectRequest("secure.test", 8443, "Agent/1.0", std::string("cDpx"), out), 0);
    EXPECT_EQ(out,
              "CONNECT secure.test:8443 HTTP/1.0\r\nUser-Agent: Agent/1.0\r\n"
              "Proxy-Authorization: Basic cDpx\r\n\r\n");
}

TEST(HttpRequest, TargetServerAndPath) {
    struct Case {
        const char* target;
        bool absolute;
        const char* host;
        uint16_t port, defaultPort;
        const char* path;
    } cases[] = {
        {"http://a.test/x/y", true, "a.test", 80, 80, "/x/y"},
        {"http://a.test:8080", true, "a.test", 8080, 80, "/"},
        {"https://b.test/", true, "b.test", 443, 443, "/"},
        {"https://b.test:444/p", true, "b.test", 444, 443, "/p"},
        {"http://user:pw@c.test:81/q", true, "c.test", 81, 80, "/q"},
        {"/plain/path", false, "", 0, 0, "/plain/path"},
        {"ftp://f.test/", false, "", 0, 0, "ftp://f.test/"},
    };
    for (const Case& c : cases) {
        std::optional<TargetServer> s = ParseTargetServer(c.target);
        ASSERT_EQ(s.has_value(), c.absolute) << c.target;
        if (s) {
            EXPECT_EQ(s->host, c.host) << c.target;
            EXPECT_EQ(s->port, c.port) << c.target;
            EXPECT_EQ(s->defaultPort, c.defaultPort) << c.target;
        }
        EXPECT_EQ(TargetPath(c.target), c.path) << c.target;
    }
}

TEST(HttpRequest, InternalRedirectSchemeFollowsTheNewName) {
    struct Case {
        const char* host;
        uint16_t port;
        const char* location;
    } cases[] = {
        {"www.foo.com", 80, "http://www.foo.com/p"},
        {"ftp.foo.com", 80, "ftp://ftp.foo.com/p"},
        {"news.foo.com", 80, "news://news.foo.com/p"},
        {"nntp.foo.com", 80, "news://nntp.foo.com/p"},
        {"snews.foo.com", 80, "snews://snews.foo.com/p"},
        {"secnews.x", 80, "snews://secnews.x/p"},
        {"nntps.x", 80, "snews://nntps.x/p"},
        {"gopher.x", 80, "gopher://gopher.x/p"},
        {"wais.x", 80, "wais://wais.x/p"},
        {"www.foo.com", 8080, "http://www.foo.com:8080/p"},
    };
    for (const Case& c : cases) EXPECT_EQ(InternalRedirectLocation(c.host, c.port, 80, "/p"), c.location);
}

TEST(HttpRequest, ProxyErrorsAndWinsockErrors) {
    struct Case {
        int32_t winsock, mapped, viaProxy;
    } cases[] = {
        {10061, 32873, 32900}, {10060, 32869, 32897}, {11001, 32871, 32898}, {10049, 32872, 32899},
        {10054, 32864, 32864}, {10035, 32866, 32866}, {10055, 32867, 32867}, {10050, 32865, 32865},
        {10051, 32881, 32881}, {10047, 32882, 32882}, {11003, 32883, 32883}, {12345, 32868, 32868},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapWinsockError(c.winsock), c.mapped) << c.winsock;
        EXPECT_EQ(TranslateProxyError(MapWinsockError(c.winsock)), c.viaProxy) << c.winsock;
    }
    EXPECT_EQ(MapStartupError(10091), 32865);
    EXPECT_EQ(MapStartupError(10092), 32870);
}

}  // namespace
