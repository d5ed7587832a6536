// The formatter on the device with fixed metrics: golden dumps of the box
// trees of small fixture pages, the same pages formatted in many small
// steps, budgets, no-break runs, small capitals, list markers and tables.
// tools/update-layout-golden.sh rewrites the expected dumps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutFormatter.h"
#include "layout/LayoutTable.h"
#include "tests/html/HtmlTestPages.h"
#include "tests/support/TestPaths.h"

namespace {

const char* const kPages[] = {"paragraphs", "lists", "pre", "nobr", "table-simple", "table-spans", "table-caption", "table-nested"};
constexpr int32_t kViewWidth = 400;

struct Formatted {
    DocumentContent content;
    FixedMetricsDevice device;
    std::unique_ptr<BlockBox> root;
    std::unique_ptr<LayoutFormatter> formatter;
    int steps = 0;
    int lastResult = 0;

    // budget 0: one step with an unlimited budget; negative: no step yet.
    Formatted(const std::string& page, int budget, int32_t width = kViewWidth) : device(width, 300) {
        html_test::FeedWhole(content, page);
        device.SetFontHeight(10);  // 5 units a character, lines of 12
        LayoutRequest request;
        request.width = width;
        root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        formatter = std::make_unique<LayoutFormatter>(device, content.GetPage());
        if (budget < 0) return;
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

// --- tables ----------------------------------------------------------------------

// The boxes made for elements of a type, in document order.
void CollectBoxes(const LayoutElement& e, int type, std::vector<const LayoutElement*>& out) {
    if (e.Element() && e.Element()->Type() == type) out.push_back(&e);
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) CollectBoxes(*c, type, out);
}
std::vector<const LayoutElement*> Boxes(const Formatted& f, int type) {
    std::vector<const LayoutElement*> out;
    CollectBoxes(*f.root, type, out);
    return out;
}

TEST(LayoutTable, TheExampleTableMeasuresAndFitsWideAndNarrowContexts) {
    // Each cell: narrowest 50 (the longer word), widest 100 (both words).
    const std::string page =
        "<table border=1><tr><td>aaaaaaaaa bbbbbbbbbb<td>aaaaaaaaa bbbbbbbbbb</table>";
    Formatted f(page, 0, 600);
    TableMeasure measure;
    TableLayout(*f.formatter).MeasureTable(f.content.Root()->FindFirstOfType(kTagTable), measure);
    EXPECT_EQ(measure.columns, 2);
    EXPECT_EQ(measure.totalNarrowest, 115);
    EXPECT_EQ(measure.totalWidest, 215);

    // A cell box is its column plus padding (2) and frame (1) on each side.
    const struct {
        int32_t view, column, table;
    } cases[] = {
        {600, 100, 217},  // the widest total, and a frame unit per column
        {150, 67, 151},   // 50 + 17 each: a total of 149, one unit short
    };
    for (const auto& c : cases) {
        Formatted laid(page, 0, c.view);
        const auto cells = Boxes(laid, kTagTd);
        ASSERT_EQ(cells.size(), 2u) << c.view;
        for (const LayoutElement* cell : cells) EXPECT_EQ(cell->Width(), c.column + 6) << c.view;
        EXPECT_EQ(Boxes(laid, kTagTable)[0]->Width(), c.table) << c.view;
        EXPECT_EQ(cells[1]->X(), 1 + c.column + 6 + 1) << "after the spacing";
    }
}

TEST(LayoutTable, CellsAsWideAsTheyCanBeNarrowLayOut) {
    const struct {
        const char* page;
        int32_t view, cell, table;
    } cases[] = {
        // Fixed at 101: every column gets 10 + (101 - 70) / 3.
        {"<table width=101><tr><td width=10>a<td width=10>b<td width=10>c</table>", 400, 28 + 4, 100},
        // Wider than the view: every column keeps its 500.
        {"<table><tr><td width=500>a<td width=500>b<td width=500>c</table>", 600, 500 + 4, 1516},
    };
    for (const auto& c : cases) {
        Formatted f(c.page, 0, c.view);
        EXPECT_EQ(f.lastResult, kResultDone) << c.page;
        const auto cells = Boxes(f, kTagTd);
        ASSERT_EQ(cells.size(), 3u) << c.page;
        for (const LayoutElement* cell : cells) EXPECT_EQ(cell->Width(), c.cell) << c.page;
        EXPECT_EQ(Boxes(f, kTagTable)[0]->Width(), c.table) << c.page;
    }
}

TEST(LayoutTable, SpansAndTheGridAreBounded) {
    // A span beyond 255 columns or the remaining rows is cut.
    Formatted wide("<table><tr><td colspan=100000>wide<tr><td>a</table>", 0);
    const auto wideRows = Boxes(wide, kTagTr);
    ASSERT_EQ(wideRows.size(), 2u);
    int leftOver = 0;
    for (const LayoutElement* c = wideRows[1]->FirstChild(); c; c = c->NextSibling()) leftOver += !c->Element();
    EXPECT_EQ(leftOver, 254) << "the second row's cell and the empty rest of 255 columns";

    Formatted tall("<table><tr><td rowspan=100000>tall<td>1<tr><td>2</table>", 0);
    const auto rows = Boxes(tall, kTagTr);
    ASSERT_EQ(rows.size(), 2u);
    const auto cells = Boxes(tall, kTagTd);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(static_cast<int64_t>(cells[0]->Height()), rows[1]->Y() + rows[1]->Height() - rows[0]->Y())
        << "the span ends at the table's end";
    EXPECT_EQ(cells[2]->X(), cells[1]->X()) << "the second row starts after the covered column";

    // Rows x columns x 28 bytes beyond the grid's bound: the columns past
    // it are not laid out, and the page still completes.
    std::string hostile = "<table>";
    for (int r = 0; r < 5; ++r) {
        hostile += "<tr>";
        for (int c = 0; c < 300; ++c) hostile += "<td colspan=255>x";
    }
    hostile += "</table><p>after";
    Formatted f(hostile, 0);
    EXPECT_EQ(f.lastResult, kResultDone);
    const int64_t columnsKept = kMaxTableGridBytes / (5 * static_cast<int64_t>(sizeof(TableColumn)));
    EXPECT_EQ(static_cast<int64_t>(Boxes(f, kTagTd).size()), 5 * ((columnsKept + 254) / 255));
    EXPECT_NE(FindText(*f.root, "after"), nullptr);
}

TEST(LayoutTable, ATableIsLaidOutWholeInOneStep) {
    std::string page = "<p>before<table>";
    for (int i = 0; i < 300; ++i) page += "<tr><td>row " + std::to_string(i);
    page += "</table><p>after";
    const Formatted whole(page, 0);

    // Its 300 rows do not use up the step's budget of 200.
    const Formatted stepped(page, kStepBudget);
    EXPECT_EQ(stepped.steps, 1);
    EXPECT_EQ(stepped.lastResult, kResultDone);
    EXPECT_EQ(stepped.Dump(), whole.Dump());

    // A stop element inside the table: the step stops before the table, the
    // next lays it out whole.
    Formatted waiting(page, -1);
    HtmlElement* cell = waiting.content.Root()->FindFirstOfType(kTagTd);
    EXPECT_EQ(waiting.formatter->FormatStep(waiting.content.Root(), waiting.root.get(), kStepBudget, cell),
              kResultStopped);
    EXPECT_TRUE(Boxes(waiting, kTagTable).empty()) << "nothing of the table before it is all there";
    EXPECT_NE(FindText(*waiting.root, "before"), nullptr);
    EXPECT_EQ(waiting.formatter->FormatStep(waiting.content.Root(), waiting.root.get(), kStepBudget), kResultDone);
    EXPECT_EQ(waiting.Dump(), whole.Dump());
}

// The lines of a box, however deep they lie.
void CollectLines(const LayoutElement& e, std::vector<const LayoutElement*>& out) {
    if (e.GetKind() == LayoutElement::kLineBox) out.push_back(&e);
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) CollectLines(*c, out);
}

TEST(LayoutTable, CellsHoldWhatTheirMeasuresSay) {
    const struct {
        const char* content;
        size_t lines;  // at the widest
    } cases[] = {
        {"plain words in a row", 1},
        {"<b>bold words</b> and <i>italic</i> ones", 1},
        {"<font size=7>Big</font> and small", 1},
        {"glued<b>to</b>gether and apart", 1},
        {"<nobr>no break in here</nobr> but here", 1},
        {"with a <br>break and a longer second line", 2},
        {"<pre>pre line one\npre line two is longer</pre>", 2},
        {"<p>a paragraph</p><p>and another one</p>", 2},
    };
    for (const auto& c : cases) {
        const std::string cell = std::string("<td>") + c.content;
        // Room enough: the lines as measured widest.
        Formatted wide("<table><tr>" + cell + "</table>", 0, 2000);
        const LayoutElement* box = Boxes(wide, kTagTd)[0];
        std::vector<const LayoutElement*> lines;
        CollectLines(*box, lines);
        EXPECT_EQ(lines.size(), c.lines) << c.content << "\n" << wide.Dump();
        // No room: the narrowest; no line reaches into the right padding.
        Formatted narrow("<table><tr>" + cell + "<td>" + std::string(300, 'x') + "</table>", 0, 60);
        box = Boxes(narrow, kTagTd)[0];
        lines.clear();
        CollectLines(*box, lines);
        for (const LayoutElement* line : lines) {
            EXPECT_LE(line->X() + line->Width(), box->Width() - 2) << c.content << "\n" << narrow.Dump();
        }
    }
}

TEST(LayoutFormatter, ContentStartsInsideItsBoxsBorderAndPadding) {
    Formatted f("<div style=\"padding: 10px; border: 1px solid black\"><p>x</div>", 0);
    const LayoutElement* p = Boxes(f, kTagP)[0];
    EXPECT_EQ(p->X(), 11);
    EXPECT_EQ(p->Y(), 11);
    EXPECT_EQ(p->Parent()->Height(), 34u) << f.Dump();
}

}  // namespace
