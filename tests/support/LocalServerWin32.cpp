#include <windows.h>

#include "tests/support/LocalServer.h"

namespace testing_support {

// Windows programs only: Wine starts Unix programs without a process handle
// to wait on, so those come from tools/with-server.sh instead.
LocalServer::LocalServer(const std::vector<std::string>& argv, uint16_t port,
                         std::chrono::milliseconds timeout)
    : port_(port) {
    std::string cmd;
    for (const std::string& a : argv) {
        if (!cmd.empty()) cmd += ' ';
        cmd += '"' + a + '"';
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    started_ = WaitForPort(port, timeout);
}

LocalServer::~LocalServer() { Stop(); }

void LocalServer::Stop() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    process_ = nullptr;
}

}  // namespace testing_support
