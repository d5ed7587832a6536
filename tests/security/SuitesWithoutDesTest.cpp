// The suites offered by a crypto library with and without DES: exactly the
// rows whose objects exist, in table order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "security/SecurityLibrary.h"

namespace {

std::vector<std::string> OfferedSuites() {
    std::vector<std::string> offered;
    for (int n = 0;; ++n) {
        auto suite = GetCipherSuite(n);
        if (!suite) break;
        const uint8_t* id = suite->Row().id;
        char text[16];
        std::snprintf(text, sizeof text, "%02X%02X%02X", id[0], id[1], id[2]);
        offered.push_back(text);
    }
    return offered;
}

TEST(CipherSuites, OfferedRowsFollowTheLibrary) {
    ASSERT_EQ(StartSecurityLibrary(), 1);
#ifdef ZINTU_TEST_WITHOUT_DES
    EXPECT_EQ(SecurityCipher(3), nullptr);
    EXPECT_EQ(OfferedSuites(), (std::vector<std::string>{"000001", "000002", "000006", "000003", "00000A", "000004",
                                                         "000005", "040080", "020080", "030080", "0700C0",
                                                         "010080"}));
#else
    EXPECT_EQ(OfferedSuites(),
              (std::vector<std::string>{"000001", "000002", "000006", "000003", "000008", "000009", "00000A",
                                        "000004", "000005", "040080", "020080", "060040", "030080", "0700C0",
                                        "010080"}));
#endif
    EXPECT_EQ(GetCipherSuite(15), nullptr);
    EXPECT_EQ(GetCipherSuite(-1), nullptr);
}

}  // namespace
