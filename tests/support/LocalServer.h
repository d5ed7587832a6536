// Local servers for tests. Every server listens on 127.0.0.1 only.
//
// - LocalServer: another program started as a direct child of the test, and
//   killed and waited for when the object goes (so none lingers).
// - ScriptedServer: a server inside the test process that plays a script of
//   steps on each connection, for what real servers will not do (a reply
//   without a status line, a reset half way, a split header end).
// - Servers of the Unix side (nginx, tinyproxy) cannot be children of a
//   program under Wine; tools/with-server.sh starts them around the test and
//   passes the port in ZINTU_<NAME>_PORT, which ServerPortFromEnv reads.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Waits until something accepts connections on 127.0.0.1:port.
bool WaitForPort(uint16_t port, std::chrono::milliseconds timeout);

// A port that nothing listens on at the moment.
uint16_t FreePort();

// The port of a server that tools/with-server.sh started, or 0.
uint16_t ServerPortFromEnv(const char* name);
// A file such a server writes in its folder (ZINTU_<NAME>_DIR), a log say,
// read whole; empty when there is none.
std::string ServerFileFromEnv(const char* name, const char* file);

// The whole reply (status line, headers and body) to an HTTP/1.0 GET of the
// path from 127.0.0.1:port; empty when nothing answers.
std::string HttpGet(uint16_t port, const std::string& path);

class LocalServer {
public:
    // Starts the program with its arguments and waits up to the timeout for
    // its port. Started() tells whether both happened.
    LocalServer(const std::vector<std::string>& argv, uint16_t port,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    bool Started() const { return started_; }
    uint16_t Port() const { return port_; }
    void Stop();

private:
    uint16_t port_;
    bool started_ = false;
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
};

struct ScriptStep {
    enum Kind {
        Expect,   // read until the text has been received (or the peer closes)
        Send,     // write the text
        Pause,    // wait for `millis`
        Close,    // close the connection normally
        Reset,    // close with a reset (linger 0)
    };
    Kind kind;
    std::string text;
    int millis = 0;
};

class ScriptedServer {
public:
    // Listens on a free port of 127.0.0.1 and plays the script on each
    // connection, one connection at a time, until destroyed.
    explicit ScriptedServer(std::vector<ScriptStep> script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return port_; }
    // The script of the connections that come after this call.
    void SetScript(std::vector<ScriptStep> script);
    // Everything received on the connections so far, in order.
    std::string Received() const;
    int Connections() const { return connections_.load(); }

private:
    void Run();
    void Play(intptr_t conn);

    std::vector<ScriptStep> script_;
    intptr_t listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::atomic_flag lock_ = ATOMIC_FLAG_INIT;
    std::string received_;
    std::thread thread_;
};

}  // namespace testing_support
