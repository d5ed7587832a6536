// Message boxes as the user sees them: real boxes under the test display,
// read and closed by the dialog presser. Also the User-Agent text, which
// comes from the same string table.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "core/MessageBoxes.h"
#include "core/UserAgent.h"
#include "core/Win32Utilities.h"
#include "resources/CoreStringIds.h"
#include "tests/support/WindowTools.h"

using testing_support::DialogPresser;

namespace {

constexpr UINT kMissingId = 64999;

class MessageBoxesTest : public ::testing::Test {
protected:
    MessageBoxes boxes_;
};

TEST_F(MessageBoxesTest, TheStringTableIsThere) {
    EXPECT_TRUE(boxes_.HasLanguage());
}

TEST_F(MessageBoxesTest, LongCaptionIsCutToFiftyAndDots) {
    const std::string caption60(60, 'c');
    const std::string shown = std::string(50, 'c') + "...";
    DialogPresser presser(shown, IDOK);
    boxes_.ShowError(nullptr, IDS_CONNECTION_CLOSED, caption60.c_str(), nullptr);
    EXPECT_EQ(presser.Presses(), 1) << "a box titled with 50 characters and \"...\"";
    EXPECT_NE(presser.SeenText().find("Connection closed by remote server"), std::string::npos)
        << presser.SeenText();

    const std::string caption53(53, 'd');
    char composed[60];
    ComposeCaption(caption53.c_str(), composed, sizeof composed);
    EXPECT_EQ(composed, caption53) << "53 characters are shown whole";
    ComposeCaption((caption53 + "d").c_str(), composed, sizeof composed);
    EXPECT_EQ(composed, std::string(50, 'd') + "...");
}

TEST_F(MessageBoxesTest, ComposedTexts) {
    struct Case {
        const char* name;
        UINT id;
        const char* prefix;
        bool withId;
        std::string expected;
    };
    const std::string url = "http://www.example.com/a/very/long/path/that/goes/on/and/on.html";
    const Case cases[] = {
        {"message", IDS_CONNECTION_CLOSED, nullptr, false, "Connection closed by remote server"},
        {"long prefix", IDS_CONNECTION_CLOSED, url.c_str(), false,
         url.substr(0, 50) + "...\r\n\r\nConnection closed by remote server"},
        {"short prefix", IDS_CONNECTION_CLOSED, "file.txt", false,
         "file.txt\r\n\r\nConnection closed by remote server"},
        {"missing id", kMissingId, "x", true,
         "x\r\n\r\nInternal program error. Please note situation and contact support - 64999"},
        {"missing id, alone", kMissingId, nullptr, false,
         "Internal program error. Please note situation and contact support"},
    };
    for (const Case& c : cases) {
        char text[300];
        boxes_.ComposeText(c.id, c.prefix, c.withId, text, sizeof text);
        EXPECT_EQ(text, c.expected) << c.name;
    }
    char caption[60];
    ComposeCaption("", caption, sizeof caption);
    EXPECT_STREQ(caption, "Zintu");
}

TEST_F(MessageBoxesTest, MissingIdShowsTheInternalErrorAndTheId) {
    DialogPresser presser("Zintu", IDOK);
    boxes_.ShowError(nullptr, kMissingId, nullptr, nullptr);
    ASSERT_EQ(presser.Presses(), 1);
    EXPECT_NE(presser.SeenText().find("contact support - 64999"), std::string::npos) << presser.SeenText();
    EXPECT_EQ(presser.SeenText().find("64999d"), std::string::npos);
}

TEST_F(MessageBoxesTest, QuestionsAnswerTheButtonPressed) {
    {
        DialogPresser presser("Question", IDCANCEL);
        EXPECT_EQ(boxes_.AskYesNo(nullptr, IDS_CONNECTION_CLOSED, "Question", nullptr, true), IDCANCEL);
    }
    {
        DialogPresser presser("Question", IDOK);
        EXPECT_EQ(boxes_.AskOkCancel(nullptr, IDS_CONNECTION_CLOSED, "Question"), IDOK);
    }
    {
        DialogPresser presser("Zintu", IDOK);
        EXPECT_EQ(boxes_.ShowStringTableBox(nullptr, kMissingId, kMissingId, MB_OK), IDOK);
        EXPECT_NE(presser.SeenText().find("Warning"), std::string::npos) << presser.SeenText();
    }
}

TEST_F(MessageBoxesTest, TimedBoxCanBeInstalled) {
    static std::string seenText, seenCaption;
    static UINT seenStyle;
    SetTimedMessageBox([](HWND, const char* text, const char* caption, UINT style) {
        seenText = text;
        seenCaption = caption;
        seenStyle = style;
        return IDOK;
    });
    boxes_.ShowInfo(nullptr, IDS_NO_NEWS_SERVER, nullptr);
    SetTimedMessageBox(nullptr);
    EXPECT_EQ(seenCaption, "Zintu");
    EXPECT_EQ(seenText, "No news server specified. Please specify a news server in preferences");
    EXPECT_EQ(seenStyle, 0x2040u);
}

TEST(StringTable, LoadsThroughTheProgram) {
    char text[100];
    EXPECT_GT(LoadStringResource(IDS_INTERNAL_ERROR, text, sizeof text), 0);
    EXPECT_EQ(LoadStringChecked(kMissingId, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(SetStatusText("loading"), 0) << "no status window is registered";
}

TEST(UserAgent, FilledWithTheWindowsVersion) {
    char system[64];
    GetWindowsVersionText(system);
    const std::string expected = std::string("Mozilla/3.0 (compatible; Zintu/3.0; ") + system + ") 3.50b7";
    char agent[200];
    ASSERT_EQ(BuildUserAgent(agent, sizeof agent), expected.size());
    EXPECT_EQ(agent, expected);
    // The pattern's length (with its "%s") and the name's must be below the size.
    size_t needed =
        std::string("Mozilla/3.0 (compatible; Zintu/3.0; %s) 3.50b7").size() + std::string(system).size();
    char small[200] = "untouched";
    EXPECT_EQ(BuildUserAgent(small, needed), 0u);
    EXPECT_STREQ(small, "untouched");
    EXPECT_EQ(BuildUserAgent(small, needed + 1), expected.size());
}

}  // namespace
