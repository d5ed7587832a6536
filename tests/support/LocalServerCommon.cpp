#include <cstdlib>
#include <cstring>
#include <mutex>

#include "tests/support/LocalServer.h"
#include "tests/support/Sockets.h"
#include "tests/support/TestPaths.h"

namespace testing_support {

namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

struct SpinLock {
    explicit SpinLock(std::atomic_flag& f) : flag(f) {
        while (flag.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    ~SpinLock() { flag.clear(std::memory_order_release); }
    std::atomic_flag& flag;
};

}  // namespace

std::string HttpGet(uint16_t port, const std::string& path) {
    StartSockets();
    socket_t s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        CloseSocket(s);
        return "";
    }
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string reply;
    char buffer[4096];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, static_cast<size_t>(n));
    CloseSocket(s);
    return reply;
}

bool WaitForPort(uint16_t port, std::chrono::milliseconds timeout) {
    StartSockets();
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        socket_t s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(port);
        bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        CloseSocket(s);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

uint16_t FreePort() {
    StartSockets();
    socket_t s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    CloseSocket(s);
    return ntohs(a.sin_port);
}

uint16_t ServerPortFromEnv(const char* name) {
    std::string var = std::string("ZINTU_") + name + "_PORT";
    const char* v = std::getenv(var.c_str());
    return v ? static_cast<uint16_t>(std::atoi(v)) : 0;
}

std::string ServerFileFromEnv(const char* name, const char* file) {
    std::string var = std::string("ZINTU_") + name + "_DIR";
    const char* dir = std::getenv(var.c_str());
    if (!dir) return std::string();
#ifdef _WIN32
    // The folder is the Unix side's; Wine shows the Unix root as drive Z.
    return ReadWholeFile(std::string("Z:") + dir + "/" + file);
#else
    return ReadWholeFile(std::string(dir) + "/" + file);
#endif
}

ScriptedServer::ScriptedServer(std::vector<ScriptStep> script) : script_(std::move(script)) {
    StartSockets();
    socket_t s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 8);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listener_ = static_cast<intptr_t>(s);
    thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
    stopping_ = true;
    // Wake the accept with a connection of our own, then close.
    socket_t s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(port_);
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    CloseSocket(s);
    thread_.join();
    CloseSocket(static_cast<socket_t>(listener_));
}

void ScriptedServer::SetScript(std::vector<ScriptStep> script) {
    SpinLock guard(lock_);
    script_ = std::move(script);
}

std::string ScriptedServer::Received() const {
    SpinLock guard(lock_);
    return received_;
}

void ScriptedServer::Run() {
    while (!stopping_) {
        socket_t c = accept(static_cast<socket_t>(listener_), nullptr, nullptr);
        if (stopping_) {
            CloseSocket(c);
            break;
        }
        ++connections_;
        Play(static_cast<intptr_t>(c));
    }
}

void ScriptedServer::Play(intptr_t conn) {
    socket_t c = static_cast<socket_t>(conn);
    std::string seen;  // what this connection has received
    bool open = true;
    std::vector<ScriptStep> script;
    {
        SpinLock guard(lock_);
        script = script_;
    }
    for (const ScriptStep& step : script) {
        if (!open) break;
        switch (step.kind) {
        case ScriptStep::Expect:
            while (seen.find(step.text) == std::string::npos) {
                char buf[4096];
                int n = recv(c, buf, sizeof buf, 0);
                if (n <= 0) {
                    open = false;
                    break;
                }
                seen.append(buf, static_cast<size_t>(n));
                SpinLock guard(lock_);
                received_.append(buf, static_cast<size_t>(n));
            }
            break;
        case ScriptStep::Send: {
            size_t off = 0;
            while (off < step.text.size()) {
                int n = send(c, step.text.data() + off, static_cast<int>(step.text.size() - off), 0);
                if (n <= 0) {
                    open = false;
                    break;
                }
                off += static_cast<size_t>(n);
            }
            break;
        }
        case ScriptStep::Pause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.millis));
            break;
        case ScriptStep::Reset: {
            linger l{1, 0};
            setsockopt(c, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
            CloseSocket(c);
            return;
        }
        case ScriptStep::Close:
            CloseSocket(c);
            return;
        }
    }
    CloseSocket(c);
}

}  // namespace testing_support
