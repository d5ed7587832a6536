// The helpers every other test leans on: a scripted server must play its
// script exactly, and scratch folders must come and go.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/LocalServer.h"
#include "tests/support/Sockets.h"
#include "tests/support/TestPaths.h"

using namespace testing_support;

namespace {

std::string Exchange(uint16_t port, const std::string& request) {
    socket_t s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string reply;
    char buf[512];
    int n;
    while ((n = recv(s, buf, sizeof buf, 0)) > 0) reply.append(buf, static_cast<size_t>(n));
    CloseSocket(s);
    return reply;
}

}  // namespace

TEST(ScriptedServer, PlaysItsScriptOnEachConnection) {
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                           {ScriptStep::Send, "HTTP/1.0 200 OK\r\n"},
                           {ScriptStep::Pause, "", 20},
                           {ScriptStep::Send, "\r\nbody"},
                           {ScriptStep::Close}});
    ASSERT_NE(server.Port(), 0);
    EXPECT_EQ(Exchange(server.Port(), "GET / HTTP/1.0\r\n\r\n"), "HTTP/1.0 200 OK\r\n\r\nbody");
    EXPECT_EQ(Exchange(server.Port(), "GET /2 HTTP/1.0\r\n\r\n"), "HTTP/1.0 200 OK\r\n\r\nbody");
    EXPECT_EQ(server.Connections(), 2);
    EXPECT_EQ(server.Received(), "GET / HTTP/1.0\r\n\r\nGET /2 HTTP/1.0\r\n\r\n");
}

TEST(ScriptedServer, ResetEndsTheConnectionAbruptly) {
    ScriptedServer server({{ScriptStep::Send, "partial"}, {ScriptStep::Reset}});
    std::string got = Exchange(server.Port(), "");
    // A reset may discard bytes still in flight, never invent any.
    EXPECT_EQ(got, std::string("partial").substr(0, got.size()));
}

TEST(WaitForPort, AnswersFalseWhenNothingListens) {
    EXPECT_FALSE(WaitForPort(FreePort(), std::chrono::milliseconds(100)));
}

TEST(ScratchDir, IsEmptyAndRemovedAfterwards) {
    std::string path;
    {
        ScratchDir dir;
        path = dir.Path();
        EXPECT_TRUE(std::filesystem::is_empty(path));
        WriteWholeFile(dir.File("a.txt"), "x\ny");
        EXPECT_EQ(ReadWholeFile(dir.File("a.txt")), "x\ny");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}
