// The formatter on the device with fixed metrics: golden dumps of the box
// trees of small fixture pages, the same pages formatted in many small
// steps, budgets, no-break runs, small capitals and list markers.
// tools/update-layout-golden.sh rewrites the expected dumps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "html/DocumentContent.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutFormatter.h"
#include "tests/html/HtmlTestPages.h"
#include "tests/support/TestPaths.h"

namespace {

const char* const kPages[] = {"paragraphs", "lists", "pre", "nobr"};
constexpr int32_t kViewWidth = 400;

struct Formatted {
    DocumentContent content;
    FixedMetricsDevice device{kViewWidth, 300};
    std::unique_ptr<BlockBox> root;
    std::unique_ptr<LayoutFormatter> formatter;
    int steps = 0;
    int lastResult = 0;

    // budget 0: one step with an unlimited budget.
    Formatted(const std::string& page, int budget) {
        html_test::FeedWhole(content, page);
        device.SetFontHeight(10);  // 5 units a character, lines of 12
        LayoutRequest request;
        request.width = kViewWidth;
        root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        formatter = std::make_unique<LayoutFormatter>(device, content.GetPage());
        do {
            lastResult = formatter->FormatStep(content.Root(), root.get(), budget ? budget : 1000000);
            ++steps;
        } while (lastResult == kResultBudgetOut && steps < 10000);
    }
    std::string Dump() const { return DumpLayoutTree(*root); }
};

std::string PagePath(const std::string& name, const char* suffix) {
    return testing_support::SourcePath("tests/layout/golden/" + name + suffix);
}

TEST(LayoutGolden, PagesGiveTheirExpectedBoxTrees) {
    const bool update = std::getenv("ZINTU_UPDATE_GOLDEN") != nullptr;
    for (const char* name : kPages) {
        const std::string page = testing_support::ReadWholeFile(PagePath(name, ".html"));
        ASSERT_FALSE(page.empty()) << name;
        Formatted f(page, 0);
        EXPECT_EQ(f.lastResult, kResultDone) << name;
        if (update) {
            testing_support::WriteWholeFile(PagePath(name, ".expected"), f.Dump());
            continue;
        }
        EXPECT_EQ(f.Dump(), testing_support::ReadWholeFile(PagePath(name, ".expected"))) << name;
    }
}

TEST(LayoutGolden, SmallStepsGiveTheSameTree) {
    for (const char* name : kPages) {
        const std::string page = testing_support::ReadWholeFile(PagePath(name, ".html"));
        const std::string whole = Formatted(page, 0).Dump();
        for (int budget : {1, 2, 3, 7}) {
            Formatted stepped(page, budget);
            if (budget == 1) {
                EXPECT_GT(stepped.steps, 1) << name;
            }
            EXPECT_EQ(stepped.Dump(), whole) << name << " budget " << budget;
        }
    }
}

TEST(LayoutFormatter, TwoHundredFiftyParagraphsStopAtTheBudget) {
    std::string page;
    for (int i = 0; i < 250; ++i) page += "<p>Paragraph " + std::to_string(i) + "\n";
    Formatted whole(page, 0);
    DocumentContent content;
    html_test::FeedWhole(content, page);
    FixedMetricsDevice device(kViewWidth, 300);
    device.SetFontHeight(10);
    LayoutRequest request;
    request.width = kViewWidth;
    BlockBox root(nullptr, &request, nullptr, nullptr);
    LayoutFormatter formatter(device, content.GetPage());
    EXPECT_EQ(formatter.FormatStep(content.Root(), &root, kStepBudget), kResultBudgetOut);
    EXPECT_FALSE(formatter.IsComplete());
    int steps = 1;
    while (formatter.FormatStep(content.Root(), &root, kStepBudget) == kResultBudgetOut) ++steps;
    EXPECT_TRUE(formatter.IsComplete());
    EXPECT_GE(steps, 2);
    EXPECT_EQ(DumpLayoutTree(root), whole.Dump());
}

int CountTexts(const LayoutElement& e) {
    int n = e.GetKind() == LayoutElement::kTextFragment;
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) n += CountTexts(*c);
    return n;
}

const LayoutElement* FindText(const LayoutElement& e, const std::string& text) {
    if (e.GetKind() == LayoutElement::kTextFragment && std::string(e.TextPointer(), e.TextLength()) == text) return &e;
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) {
        if (const LayoutElement* found = FindText(*c, text)) return found;
    }
    return nullptr;
}

TEST(LayoutFormatter, SmallCapitalsCutRunsAtEveryChangeOfCase) {
    Formatted f("<p style=\"font-variant: small-caps\">AbC", 0);
    EXPECT_EQ(CountTexts(*f.root), 3);
    const LayoutElement* lower = FindText(*f.root, "b");
    ASSERT_NE(lower, nullptr);
    EXPECT_TRUE(lower->Has(LayoutElement::kSmallText));
    EXPECT_EQ(lower->Width(), 4) << "drawn at 0.8 of the height";
    EXPECT_FALSE(FindText(*f.root, "A")->Has(LayoutElement::kSmallText));
}

TEST(LayoutFormatter, AnUnbreakableRunMovesToTheNextLineWhole) {
    // 80 characters fit on a line of 400 units. The run's first part fits
    // after the w's; its second part does not, so the whole run, the part
    // already placed included, moves to the next line.
    const std::string first(10, 'a'), second(30, 'b'), third(20, 'c');
    Formatted f("<p>" + std::string(30, 'w') + " <nobr>" + first + " <i>" + second + " " + third + "</i></nobr> end",
                0);
    const LayoutElement* moved = FindText(*f.root, first + " ");
    ASSERT_NE(moved, nullptr) << f.Dump();
    EXPECT_EQ(moved->X(), 0) << f.Dump();
    const LayoutElement* line = moved->Parent();
    ASSERT_NE(line->PrevSibling(), nullptr);
    EXPECT_EQ(CountTexts(*line->PrevSibling()), 1) << "the w's stay alone";
    EXPECT_EQ(FindText(*f.root, second + " " + third)->Parent(), line) << f.Dump();

    Formatted alone("<p><nobr>" + std::string(50, 'n') + " " + std::string(50, 'm') + "</nobr>", 0);
    EXPECT_EQ(CountTexts(*alone.root), 1) << "a run alone on its line overflows it";
    EXPECT_EQ(alone.root->FirstChild()->FirstChild()->Width(), 505);
}

TEST(LayoutFormatter, StyleChangesStayWithTheirElement) {
    Formatted f("<p><b style=\"font-size: 20px\">big</b> small", 0);
    const LayoutElement* big = FindText(*f.root, "big");
    const LayoutElement* small = FindText(*f.root, " small");
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(big->Width(), 30);
    EXPECT_EQ(small->Width(), 30);
}

}  // namespace
