// The mail client against a real mail sink on 127.0.0.1 (aiosmtpd, which
// keeps every message it accepts), and the body's dot-stuffing however the
// body is cut into blocks.
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "net/NetErrors.h"
#include "net/SmtpConnection.h"
#include "tests/net/NetFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace net_test;

namespace {

std::string MailFile(int n, const char* extension) {
    const char* dir = std::getenv("ZINTU_SMTP_DIR");
    return std::string("Z:") + (dir ? dir : "/nonexistent") + "/mail/" + std::to_string(n) + extension;
}

// The body after the message's header block.
std::string BodyOf(const std::string& message) {
    size_t end = message.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : message.substr(end + 4);
}

// A body stream that hands out its text in pieces of the given sizes.
class CutStream : public UploadSource {
public:
    CutStream(std::string text, std::vector<size_t> cuts) : text_(std::move(text)), cuts_(std::move(cuts)) {}
    int32_t EncodedLength() override { return static_cast<int32_t>(text_.size()); }
    uint16_t ProgressFirst() override { return 0; }
    uint16_t ProgressSecond() override { return 0; }
    void ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done) override {
        size_t n = next_ < cuts_.size() ? cuts_[next_++] : text_.size() - at_;
        n = std::min({n, text_.size() - at_, static_cast<size_t>(capacity)});
        text_.copy(buffer, n, at_);
        at_ += n;
        count = static_cast<int32_t>(n);
        done = at_ >= text_.size();
    }

private:
    std::string text_;
    std::vector<size_t> cuts_;
    size_t next_ = 0, at_ = 0;
};

class SmtpConnectionTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        port_ = testing_support::ServerPortFromEnv("SMTP");
        GetNetSettings().mailAddress = "me@zintu.test";
        GetNetSettings().mailName = "Zintu Tester";
    }
    // Sends one message and runs until the end; answers the number the sink
    // gave it (0 when no new message arrived).
    int Send(SmtpConnection& c, Owner& owner) {
        int before = Messages();
        EXPECT_EQ(c.Connect(), 0);
        EXPECT_TRUE(RunUntilEnded(owner));
        int after = Messages();
        return after > before ? after : 0;
    }
    int Messages() {
        int n = 0;
        while (!testing_support::ReadWholeFile(MailFile(n + 1, ".env")).empty()) ++n;
        return n;
    }
    uint16_t port_ = 0;
};

TEST_F(SmtpConnectionTest, RecipientsInOrderARefusedOneIsReportedTheOthersGetTheMail) {
    SmtpConnection c(view_.get(), "127.0.0.1", port_, "to1@zintu.test,, refused-a@zintu.test",
                     "cc1@zintu.test", "bcc1@zintu.test", "me@zintu.test", "Hello", "text/plain",
                     "One line.\r\n", nullptr);
    Owner owner(*view_, c);
    int n = Send(c, owner);
    ASSERT_GT(n, 0);
    EXPECT_EQ(owner.FailCount(), 1);
    EXPECT_EQ(owner.Error(), kErrMailSomeRefused);
    std::vector<uint32_t> refused;
    for (const Report& r : g_reportLog) {
        if (r.message == kMsgRecipientRefusedReport && r.id == c.Id()) refused.push_back(r.p2);
    }
    EXPECT_EQ(refused, (std::vector<uint32_t>{static_cast<uint32_t>(kErrMailboxUnavailable) << 16 | 2}));
    char name[64];
    ASSERT_TRUE(c.GetRecipient(3, name, sizeof name));
    EXPECT_STREQ(name, "cc1@zintu.test");
    EXPECT_FALSE(c.GetRecipient(5, name, sizeof name));
    EXPECT_EQ(testing_support::ReadWholeFile(MailFile(n, ".env")),
              "from me@zintu.test\nto to1@zintu.test\nto cc1@zintu.test\nto bcc1@zintu.test\n");
    std::string message = testing_support::ReadWholeFile(MailFile(n, ".eml"));
    EXPECT_NE(message.find("To: to1@zintu.test,, refused-a@zintu.test\r\nCC: cc1@zintu.test\r\n"
                           "From: me@zintu.test (Zintu Tester)\r\nSubject: Hello\r\nX-Mailer: "),
              std::string::npos)
        << message;
    EXPECT_EQ(message.find("bcc1"), std::string::npos);
    EXPECT_NE(message.find("Mime-Version: 1.0\r\nContent-Type: text/plain\r\n\r\nOne line.\r\n"), std::string::npos);
}

TEST_F(SmtpConnectionTest, AllRecipientsRefusedSendsNoMessage) {
    SmtpConnection c(view_.get(), "127.0.0.1", port_, "refused-b@zintu.test", "refused-c@zintu.test", nullptr,
                     nullptr, "x", nullptr, "x\r\n", nullptr);
    Owner owner(*view_, c);
    EXPECT_EQ(Send(c, owner), 0);
    EXPECT_EQ(owner.Error(), kErrMailSomeRefused);
    int refused = 0;
    for (const Report& r : g_reportLog) refused += r.message == kMsgRecipientRefusedReport;
    EXPECT_EQ(refused, 2);
}

TEST_F(SmtpConnectionTest, LineEndsInFieldsAreRefusedBeforeAnythingIsSent) {
    const char* to[] = {"a@zintu.test\r\nRCPT TO:<evil@zintu.test>", "a@zintu.test", "a@zintu.test"};
    const char* subject[] = {"s", "s\r\nBcc: evil@zintu.test", "s"};
    const char* from[] = {nullptr, nullptr, "me@zintu.test\nX: y"};
    for (int i = 0; i < 3; ++i) {
        SmtpConnection c(view_.get(), "127.0.0.1", port_, to[i], nullptr, nullptr, from[i], subject[i], nullptr,
                         "x", nullptr);
        EXPECT_EQ(c.Connect(), kErrIllegalAddress) << i;
    }
}

TEST_F(SmtpConnectionTest, DotsAtLineStartsArriveUnchangedHoweverTheBodyIsCut) {
    const std::string body =
        ".\r\n"
        "..two\r\n"
        "a line\r\n"
        ".after a cut\r\n"
        "x.y\r\n"
        ".\r\n"
        "last\r\n";
    const std::string headers = "Content-Type: text/plain\r\n\r\n";
    const std::string text = headers + body;
    // Cuts right before every dot that begins a line, then random ones.
    std::vector<std::vector<size_t>> patterns;
    std::vector<size_t> atDots;
    size_t last = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' && (i == 0 || text[i - 1] == '\n')) {
            atDots.push_back(i - last);
            last = i;
        }
    }
    patterns.push_back(atDots);
    patterns.push_back(std::vector<size_t>(text.size(), 1));
    std::mt19937 random(4711);
    std::printf("seed 4711\n");
    for (int round = 0; round < 3; ++round) {
        std::vector<size_t> cuts;
        for (size_t left = text.size(); left > 0;) {
            size_t n = std::min<size_t>(std::uniform_int_distribution<size_t>(1, 7)(random), left);
            cuts.push_back(n);
            left -= n;
        }
        patterns.push_back(cuts);
    }
    for (size_t p = 0; p < patterns.size(); ++p) {
        CutStream stream(text, patterns[p]);
        SmtpConnection c(view_.get(), "127.0.0.1", port_, "dots@zintu.test", nullptr, nullptr, nullptr, "dots",
                         nullptr, nullptr, &stream);
        Owner owner(*view_, c);
        int n = Send(c, owner);
        ASSERT_GT(n, 0) << "pattern " << p << " error " << owner.Error();
        EXPECT_EQ(owner.EndCount(), 1) << "pattern " << p;
        EXPECT_EQ(BodyOf(testing_support::ReadWholeFile(MailFile(n, ".eml"))), body) << "pattern " << p;
    }
    // A body text sent in blocks of the network buffer, with a dot at the
    // start of the second block.
    GetNetSettings().networkBufferSize = 1;
    std::string big;
    for (int i = 0; i < 10; ++i) big += std::string(98, 'a') + "\r\n";
    big += std::string(22, 'b') + "\r\n";
    ASSERT_EQ(big.size(), 1024u);
    big += ".dot at 1024\r\nend";
    SmtpConnection c(view_.get(), "127.0.0.1", port_, "dots@zintu.test", nullptr, nullptr, nullptr, "dots", nullptr,
                     big.c_str(), nullptr);
    Owner owner(*view_, c);
    int n = Send(c, owner);
    ASSERT_GT(n, 0) << "error " << owner.Error();
    // The sender's last line had no line end: the data's end adds one.
    EXPECT_EQ(BodyOf(testing_support::ReadWholeFile(MailFile(n, ".eml"))), big + "\r\n");
}

}  // namespace
