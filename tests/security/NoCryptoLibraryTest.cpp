// Without ZNCRY32.DLL: the user is warned once, security stays off, and
// nothing else fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/MessageBoxes.h"
#include "security/CryptoLibrary.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "tests/support/TestPaths.h"

namespace {

int g_boxes = 0;
std::string g_text;

int Capture(HWND, const char* text, const char*, UINT) {
    ++g_boxes;
    g_text = text;
    return IDOK;
}

TEST(NoCryptoLibrary, WarnsAndLeavesSecurityOff) {
    ASSERT_TRUE(CreateMessageBoxes());
    SetTimedMessageBox(Capture);
    testing_support::ScratchDir dir;
    SetSecurityProfileDirectory(dir.Path());

    EXPECT_EQ(LoadCryptoLibrary(), 0);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_text, "ZNCRY32.DLL\r\n\r\nWithout this security DLL, Zintu's security features may not be used");

    EXPECT_EQ(StartSecurityLibrary(), 0);
    EXPECT_EQ(GetCipherSuite(0), nullptr);
    SecurityManager manager(true);
    EXPECT_EQ(manager.unavailable, 1u);
    EXPECT_EQ(manager.securityEnabled, 0u);
    manager.Save();
    // Nothing written over the profile while security is off.
    EXPECT_TRUE(testing_support::ReadWholeFile(dir.File("znssl.dat")).empty());

    // The forwarders answer failure without a library.
    EXPECT_EQ(crypto::Call<int>(kSlotRandomBytes, static_cast<uint8_t*>(nullptr), 0), 0);
    uint8_t random[32] = {1};
    MakeClientRandom(random);
    SetTimedMessageBox(nullptr);
    DestroyMessageBoxes();
}

}  // namespace
