#include <gtest/gtest.h>

#include "net/Base64.h"

namespace {

TEST(Base64Encode, EncodesWithPadding) {
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"u", "dQ=="},
        {"us", "dXM="},
        {"use", "dXNl"},
        {"user:pw", "dXNlcjpwdw=="},
        {std::string("\xff\x00\x80", 3), "/wCA"},
    };
    for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.in), c.out);
}

}  // namespace
