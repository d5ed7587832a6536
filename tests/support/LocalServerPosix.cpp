#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/LocalServer.h"

namespace testing_support {

LocalServer::LocalServer(const std::vector<std::string>& argv, uint16_t port,
                         std::chrono::milliseconds timeout)
    : port_(port) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        execvp(args[0], args.data());
        _exit(127);
    }
    started_ = pid_ > 0 && WaitForPort(port, timeout);
}

LocalServer::~LocalServer() { Stop(); }

void LocalServer::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

}  // namespace testing_support
