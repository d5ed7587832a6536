// Without a loadable WSOCK32.DLL (the test runs with it disabled) every
// network load fails with its own error, each attempt tries to load it
// again, and nothing else of the program is affected.
#include <gtest/gtest.h>

#include "net/HttpConnection.h"
#include "net/NetErrors.h"
#include "net/Winsock.h"
#include "tests/net/NetFixture.h"
#include "tests/support/WindowTools.h"

using namespace net_test;

namespace {

class NoWinsockTest : public NetTest {};

TEST_F(NoWinsockTest, EveryLoadFailsAndTheProgramGoesOn) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        HttpConnection c(view_.get(), 0, "127.0.0.1", 80, "/", false, false);
        Owner owner(*view_, c);
        EXPECT_EQ(c.Connect(), kErrNoWinsock);
        EXPECT_FALSE(IsWinsockLoaded());
        EXPECT_FALSE(c.HasSocket());
    }
    EXPECT_EQ(IsSocketCallBlocking(), 0);
    CancelBlockingSocketCall();
    EXPECT_EQ(UnloadWinsock(), 1);
    EXPECT_STREQ(GetLocalHostName(), "unknown-host.invalid");
    // Internal messages still flow.
    int seen = 0;
    struct Probe : MessageCallback {
        int* seen;
        void OnMessage(uint32_t, uint32_t, uint32_t) override { ++*seen; }
    } probe;
    probe.seen = &seen;
    view_->Register(&probe, 0x8400, 0);
    view_->Post(0x8400, 1, 2);
    EXPECT_TRUE(testing_support::PumpUntil([&] { return seen == 1; }));
    view_->UnregisterAll(&probe);
}

}  // namespace
