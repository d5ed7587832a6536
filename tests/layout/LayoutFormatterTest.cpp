// The formatter on the device with fixed metrics: golden dumps of the box
// trees of small fixture pages, the same pages formatted in many small
// steps, budgets, no-break runs, small capitals, list markers, tables,
// images and their sizes, embeds, form-control boxes and floats.
// tools/update-layout-golden.sh rewrites the expected dumps.
#include <cfloat>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/FloatLayout.h"
#include "layout/FormControl.h"
#include "layout/FormControl.h"
#include "layout/LayoutFormatter.h"
#include "layout/LayoutTable.h"
#include "layout/PageImages.h"
#include "layout/XbmImage.h"
#include "net/UrlRecord.h"
#include "tests/html/HtmlTestPages.h"
#include "tests/layout/BoxSearch.h"
#include "tests/support/TestPaths.h"

namespace {

const char* const kPages[] = {"paragraphs", "lists", "pre", "nobr", "table-simple", "table-spans", "table-caption", "table-nested",
                              "floats", "images", "clear", "table-floats", "backgrounds"};
// Pages whose boxes number their pictures in an image table.
bool WithImages(const std::string& name) {
    return name == "backgrounds";
}
constexpr int32_t kViewWidth = 400;

struct Formatted {
    DocumentContent content;
    FixedMetricsDevice device;
    std::unique_ptr<BlockBox> root;
    std::unique_ptr<LayoutFormatter> formatter;
    int steps = 0;
    int lastResult = 0;

    // budget 0: one step with an unlimited budget; negative: no step yet.
    Formatted(const std::string& page, int budget, int32_t width = kViewWidth,
              LayoutImageSource* images = nullptr, bool plugins = true)
        : device(width, 300) {
        html_test::FeedWhole(content, page);
        device.SetFontHeight(10);  // 5 units a character, lines of 12
        LayoutRequest request;
        request.width = width;
        root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        formatter = std::make_unique<LayoutFormatter>(device, content.GetPage());
        formatter->SetImageSource(images);
        formatter->SetPluginsEnabled(plugins);
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
        PageImages table;
        Formatted f(page, 0, kViewWidth, WithImages(name) ? &table : nullptr);
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
        // Each page's URLs are its own: a table for each.
        PageImages table;
        const std::string whole = Formatted(page, 0, kViewWidth, WithImages(name) ? &table : nullptr).Dump();
        for (int budget : {1, 2, 3, 7}) {
            PageImages steppedTable;
            Formatted stepped(page, budget, kViewWidth, WithImages(name) ? &steppedTable : nullptr);
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

using layout_test::FindText;

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
    Formatted f(
        "<p>" + std::string(30, 'w') + " <nobr>" + first + " <i>" + second + " " + third + "</i></nobr> end",
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
    const std::string page = "<table border=1><tr><td>aaaaaaaaa bbbbbbbbbb<td>aaaaaaaaa bbbbbbbbbb</table>";
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
    for (const LayoutElement* c = wideRows[1]->FirstChild(); c; c = c->NextSibling())
        leftOver += !c->Element();
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
    EXPECT_EQ(waiting.formatter->FormatStep(waiting.content.Root(), waiting.root.get(), kStepBudget),
              kResultDone);
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
        {"<div style=\"padding: 0 7px; border: 3px solid; margin: 0 11px\">framed words</div>", 1},
        {"<ul><li>listed words<li>more listed words</ul>", 2},
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

TEST(LayoutFormatter, JustifiedLinesFillTheirWidthButTheLastLineDoesNot) {
    // Two lines of 400 units: the first is stretched to the limit, its
    // trailing space not counted; the last keeps its natural width.
    Formatted f("<p style=\"text-align: justify\">" + std::string(30, 'a') + " " + std::string(30, 'b') +
                    " " + std::string(30, 'c') + "\n",
                0);
    const LayoutElement* block = f.root->FirstChild();
    ASSERT_NE(block, nullptr);
    const LayoutElement* first = block->FirstChild();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->NextSibling(), nullptr) << f.Dump();
    EXPECT_EQ(first->Width(), 400) << f.Dump();
    EXPECT_LT(first->NextSibling()->Width(), 400) << f.Dump();

    Formatted br("<p style=\"text-align: justify\">one two<br>three four " + std::string(80, 'x') + "\n", 0);
    EXPECT_EQ(br.root->FirstChild()->FirstChild()->Width(), 35) << "a line a BR ends is not stretched";
}

// The styles of the text fragments, in document order.
void CollectTextStyles(const LayoutElement& e, std::vector<const BoxStyle*>& out) {
    if (e.GetKind() == LayoutElement::kTextFragment) out.push_back(e.Style());
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) CollectTextStyles(*c, out);
}

TEST(LayoutFormatter, RunsOfOneStyleShareOneRecordAndJustifiedRunsTakeTheirOwn) {
    std::string page;
    for (int i = 0; i < 40; ++i) page += "<p>plain words <span style=\"font-size: 20px\">big words</span> plain again";
    page += "<p style=\"text-align: justify\">" + std::string(30, 'a') + " " + std::string(30, 'b') + " " +
            std::string(30, 'c') + "<p>plain at the end";
    Formatted f(page, 0);
    std::vector<const BoxStyle*> styles;
    CollectTextStyles(*f.root, styles);
    ASSERT_GT(styles.size(), 120u);
    const BoxStyle* plain = layout_test::FindText(*f.root, "plain words ")->Style();
    const BoxStyle* big = layout_test::FindText(*f.root, "big words")->Style();
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(big, nullptr);
    EXPECT_NE(plain, big) << "a larger run differs in its font";
    EXPECT_NE(plain->font->height, big->font->height);
    int shared = 0;
    for (const BoxStyle* s : styles) shared += s == plain || s == big;
    EXPECT_EQ(shared, static_cast<int>(styles.size()) - 1) << "every run but the stretched one links to one of the two";
    // The stretched line's runs have word spacing of their own; the shared
    // record the runs after them link to has none.
    const LayoutElement* stretched = layout_test::FindText(*f.root, std::string(30, 'a') + " " + std::string(30, 'b'));
    ASSERT_NE(stretched, nullptr) << f.Dump();
    EXPECT_NE(stretched->Style()->wordSpacing, FLT_MAX);
    EXPECT_EQ(layout_test::FindText(*f.root, "plain at the end")->Style(), plain);
    EXPECT_EQ(plain->wordSpacing, FLT_MAX);
}

TEST(LayoutFormatter, TextIndentMovesOnlyTheFirstLine) {
    Formatted f("<p style=\"text-indent: 30px\">" + std::string(70, 'a') + " " + std::string(70, 'b') + "\n",
                0);
    const LayoutElement* first = f.root->FirstChild()->FirstChild();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->NextSibling(), nullptr) << f.Dump();
    EXPECT_EQ(first->X(), 30) << f.Dump();
    EXPECT_EQ(first->NextSibling()->X(), 0);

    Formatted wide("<p style=\"text-indent: 600px\">word\n", 0);
    EXPECT_EQ(wide.root->FirstChild()->FirstChild()->X(), 200) << "wider than the line: half the line";
}

TEST(LayoutFormatter, EmptyParagraphsAndAlternativeContent) {
    Formatted f("<div>a</div><p></p><div>b</div>", 0);
    const LayoutElement* empty = f.root->FirstChild()->NextSibling();
    ASSERT_NE(empty, nullptr) << f.Dump();
    EXPECT_EQ(empty->GetKind(), LayoutElement::kLineBox) << f.Dump();
    EXPECT_EQ(empty->Height(), 12u);
    EXPECT_EQ(empty->Width(), 0);

    const std::string page = "<p>x<noembed>shown without plug-ins</noembed>";
    EXPECT_EQ(FindText(*Formatted(page, 0).root, "shown without plug-ins"), nullptr);
    EXPECT_NE(FindText(*Formatted(page, 0, kViewWidth, nullptr, false).root, "shown without plug-ins"),
              nullptr);
}

// --- replaced elements ----------------------------------------------------------

const LayoutElement* FindKind(const LayoutElement& e, int kind, int skip = 0) {
    std::vector<const LayoutElement*> found;
    std::vector<const LayoutElement*> stack{&e};
    while (!stack.empty()) {
        const LayoutElement* at = stack.back();
        stack.pop_back();
        if (at->GetKind() == kind) found.push_back(at);
        std::vector<const LayoutElement*> children;
        for (const LayoutElement* c = at->FirstChild(); c; c = c->NextSibling()) children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    return skip < static_cast<int>(found.size()) ? found[skip] : nullptr;
}

TEST(ImageSize, GivenSizesPercentsAndTheImageAspect) {
    struct Case {
        const char* what;
        bool widthGiven, heightGiven;
        int32_t width, height;
        bool inCell, known;
        int32_t imageWidth, imageHeight;
        bool sized;
        int32_t wantWidth, wantHeight;
    };
    const Case cases[] = {
        {"both given", true, true, 40, 30, false, false, 0, 0, true, 40, 30},
        {"50% of a 600 view", true, true, -50, 10, false, false, 0, 0, true, 300, 10},
        {"0% is at least 1", true, true, 0, -0, false, false, 0, 0, true, 1, 1},
        {"only the height keeps the aspect", false, true, 0, 50, false, true, 100, 200, true, 25, 50},
        {"only the width keeps the aspect", true, false, 50, 0, false, true, 100, 200, true, 50, 100},
        {"nothing given: the image's size", false, false, 0, 0, false, true, 7, 9, true, 7, 9},
        {"unknown image, one size: placeholder", true, false, 50, 0, false, false, 0, 0, false, 0, 0},
        {"a percent in a cell counts as not given", true, true, -50, 10, true, true, 20, 40, true, 5, 10},
        {"an image 0 wide has no aspect", true, false, 50, 0, false, true, 0, 30, true, 50, 30},
        {"an image 0 high has no aspect", false, true, 0, 40, false, true, 30, 0, true, 30, 40},
        {"a 0 by 0 image is 1 by 1", false, false, 0, 0, false, true, 0, 0, true, 1, 1},
        {"huge sizes stay 16-bit", true, false, 30000, 0, false, true, 1, 60000, true, 30000, 32767},
    };
    for (const Case& c : cases) {
        ImageSizeRequest r;
        r.widthGiven = c.widthGiven;
        r.heightGiven = c.heightGiven;
        r.width = c.width;
        r.height = c.height;
        r.viewWidth = 600;
        r.viewHeight = 400;
        r.inCell = c.inCell;
        r.imageKnown = c.known;
        r.imageWidth = c.imageWidth;
        r.imageHeight = c.imageHeight;
        int32_t w = 0, h = 0;
        ASSERT_EQ(ResolveImageSize(r, w, h), c.sized) << c.what;
        if (!c.sized) continue;
        EXPECT_EQ(w, c.wantWidth) << c.what;
        EXPECT_EQ(h, c.wantHeight) << c.what;
    }
}

// The page's image table as far as the formatter sees it: sizes by the
// file name, and the boxes registered for each image.
class ImageTable : public LayoutImageSource {
public:
    std::map<std::string, ImageLookup> images;
    std::vector<std::pair<int32_t, const LayoutElement*>> registered;
    ImageLookup FindImage(HtmlElement*, const UrlHandle& url) override {
        const std::string name = url.GetName();
        for (const auto& [file, image] : images) {
            if (name.size() >= file.size() &&
                name.compare(name.size() - file.size(), file.size(), file) == 0) {
                return image;
            }
        }
        return ImageLookup();
    }
    void RegisterImageBox(int32_t number, LayoutElement* box) override {
        registered.emplace_back(number, box);
    }
};

TEST(LayoutImages, SizesComeFromTheImageTableWithTheirAspect) {
    ImageTable table;
    table.images["tall.gif"] = ImageLookup{7, true, 100, 200, false};
    table.images["broken.gif"] = ImageLookup{8, true, 0, 0, false};
    table.images["slow.gif"] = ImageLookup{9, false, 0, 0, true};
    Formatted f("<p><img src=tall.gif height=50><img src=broken.gif width=20><img src=slow.gif alt=wait>", 0,
                kViewWidth, &table);
    const LayoutElement* tall = FindKind(*f.root, LayoutElement::kImageBox);
    ASSERT_NE(tall, nullptr) << f.Dump();
    EXPECT_EQ(tall->Width(), 25);
    EXPECT_EQ(tall->Height(), 50u);
    EXPECT_EQ(static_cast<const ImageBox*>(tall)->ImageNumber(), 7);
    const LayoutElement* broken = FindKind(*f.root, LayoutElement::kImageBox, 1);
    ASSERT_NE(broken, nullptr) << f.Dump();
    EXPECT_EQ(broken->Width(), 20);
    EXPECT_EQ(broken->Height(), 1u) << "no aspect: the image's own height, at least 1";
    const LayoutElement* slow = FindKind(*f.root, LayoutElement::kAltTextBox);
    ASSERT_NE(slow, nullptr) << f.Dump();
    EXPECT_EQ(std::string(slow->TextPointer(), slow->TextLength()), "wait ") << "ALT texts end with a space";
    EXPECT_TRUE(f.formatter->ImageSizeAwaited());
    ASSERT_EQ(table.registered.size(), 3u);
    EXPECT_EQ(table.registered[2].first, 9);
    EXPECT_EQ(table.registered[2].second, slow);

    Formatted known("<p><img src=tall.gif>", 0, kViewWidth, &table);
    EXPECT_FALSE(known.formatter->ImageSizeAwaited());
}

TEST(LayoutImages, TheNextLayoutSizesImagesThatHaveArrived) {
    // First layout: the image is unknown, a placeholder stands in and the
    // page's table holds an image to load for it.
    PageImages table;
    Formatted page("<p><img src=http://h/tall.xbm height=50 alt=wait>", 0, kViewWidth, &table);
    EXPECT_TRUE(page.formatter->ImageSizeAwaited());
    ASSERT_EQ(table.ImageCount(), 1u);
    ASSERT_EQ(table.Entries().size(), 1u);
    EXPECT_EQ(table.Entries()[0].state, PageImages::kNew);

    // The data arrives: once its kind is known the image is made anew and
    // decoded (a 100 x 200 picture).
    UrlHandle url = table.Entries()[0].url;
    url->SetContentKind(4);
    ImageHandle decoded(new XbmImage);
    decoded->SetUrl(url);
    table.ReplaceImage(1, decoded, false);
    const std::string xbm = "#define tall_width 100\n#define tall_height 200\n";
    table.ImageByNumber(1)->Decode(reinterpret_cast<const uint8_t*>(xbm.data()),
                                   static_cast<uint32_t>(xbm.size()), false);

    // The page is formatted again and finds it decoded: HEIGHT=50 keeps
    // its aspect.
    table.KeepPreviousImages();
    table.ClearImages();
    table.ClearEntries();
    LayoutRequest request;
    request.width = kViewWidth;
    BlockBox root(nullptr, &request, nullptr, nullptr);
    LayoutFormatter again(page.device, page.content.GetPage());
    again.SetImageSource(&table);
    EXPECT_EQ(again.FormatStep(page.content.Root(), &root, 1000000), kResultDone);
    const LayoutElement* image = FindKind(root, LayoutElement::kImageBox);
    ASSERT_NE(image, nullptr) << DumpLayoutTree(root);
    EXPECT_EQ(image->Width(), 25);
    EXPECT_EQ(image->Height(), 50u);
    EXPECT_FALSE(again.ImageSizeAwaited());
    ASSERT_EQ(table.Entries().size(), 1u);
    EXPECT_EQ(table.Entries()[0].state, PageImages::kDone) << "nothing left to load";
    table.ReleasePreviousImages();
    table.ClearEntries();
}

TEST(LayoutImages, StyleBackgroundImagesAreThePagesImagesInTheirBoxesStyles) {
    // A block and a table cell with a background image, one with another,
    // and a cell with its own BACKGROUND:
    // each box's style numbers the image (one URL, one number), repeats it
    // as asked, and the boxes are entries of the page's table, to be
    // repainted when the image arrives.
    PageImages table;
    Formatted f("<div style=\"background-image: url(http://h/t.gif)\">a</div>"
                "<div style=\"background-image: url(http://h/t.gif); background-repeat: repeat-x\">b</div>"
                "<table><tr><td style=\"background: url(http://h/u.gif)\">c<td>d</table>"
                "<div style=\"background-image: none\">e</div>"
                "<table><tr><td background=http://h/v.gif>f<td>g</table>",
                0, kViewWidth, &table);
    std::vector<const LayoutElement*> tiled;
    std::function<void(const LayoutElement&)> walk = [&](const LayoutElement& e) {
        if (e.Style() && e.Style()->backgroundImage > 0) tiled.push_back(&e);
        for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) walk(*c);
    };
    walk(*f.root);
    ASSERT_EQ(tiled.size(), 4u) << f.Dump();
    EXPECT_EQ(tiled[0]->Style()->backgroundImage, tiled[1]->Style()->backgroundImage);
    EXPECT_NE(tiled[0]->Style()->backgroundImage, tiled[2]->Style()->backgroundImage);
    EXPECT_EQ(tiled[0]->Style()->backgroundRepeat & kRepeatMask, kRepeatBoth);
    EXPECT_EQ(tiled[1]->Style()->backgroundRepeat & kRepeatMask, kRepeatHorizontal);
    EXPECT_EQ(tiled[2]->Style()->backgroundRepeat & kRepeatMask, kRepeatBoth);
    EXPECT_EQ(tiled[3]->Style()->backgroundRepeat & kRepeatMask, kRepeatBoth);
    EXPECT_EQ(table.ImageCount(), 3u);
    ASSERT_EQ(table.Entries().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(table.Entries()[i].element, tiled[i]);
        EXPECT_EQ(table.Entries()[i].state, PageImages::kNew) << "to be loaded";
    }
    EXPECT_EQ(std::string(table.Entries()[2].url.GetName()), "http://h/u.gif");
    EXPECT_EQ(std::string(table.Entries()[3].url.GetName()), "http://h/v.gif");
    table.ClearEntries();
}

TEST(LayoutImages, AnImageTooWideForTheRestOfTheLineStartsTheNext) {
    // Placed on the next line outside PRE, overflowing the line inside it.
    Formatted f("<p>" + std::string(40, 'w') + " <img width=300 height=10 src=a.gif>", 0);
    const LayoutElement* image = FindKind(*f.root, LayoutElement::kImageBox);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->X(), 0);
    const LayoutElement* words = FindText(*f.root, std::string(40, 'w') + " ");
    ASSERT_NE(words, nullptr) << f.Dump();
    EXPECT_NE(image->Parent(), words->Parent());

    Formatted pre("<pre>" + std::string(40, 'w') + " <img width=300 height=10 src=a.gif></pre>", 0);
    image = FindKind(*pre.root, LayoutElement::kImageBox);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->X(), 205);

    // A NOBR may break before its start, not inside: there the image
    // overflows the line.
    Formatted nobr("<p>" + std::string(40, 'w') + " <nobr><img width=300 height=10 src=a.gif></nobr>", 0);
    image = FindKind(*nobr.root, LayoutElement::kImageBox);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->X(), 0) << nobr.Dump();
    Formatted inside("<p>" + std::string(40, 'w') + " <nobr>run <img width=300 height=10 src=a.gif></nobr>",
                     0);
    image = FindKind(*inside.root, LayoutElement::kImageBox);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->X(), 225) << inside.Dump();
}

TEST(LayoutEmbeds, SizesInPercentAndThePluginsPreference) {
    Formatted f(
        "<p><embed src=a.mid width=\"50%\" height=\"10%\"> <embed src=b.mid width=30 height=20 hidden=true>",
        0);
    const LayoutElement* embed = FindKind(*f.root, LayoutElement::kEmbedBox);
    ASSERT_NE(embed, nullptr) << f.Dump();
    EXPECT_EQ(embed->Width(), 200);
    EXPECT_EQ(embed->Height(), 30u);
    EXPECT_EQ(FindKind(*f.root, LayoutElement::kEmbedBox, 1), nullptr) << "a hidden embed shows nothing";

    Formatted off("<p><embed src=a.mid width=30 height=20>", 0, kViewWidth, nullptr, false);
    EXPECT_EQ(FindKind(*off.root, LayoutElement::kEmbedBox), nullptr);
}

// The forms code's factory: controls of a fixed size per field type.
class Controls : public FormControlFactory {
public:
    int made = 0, released = 0;
    FormControl* MakeFormControl(HtmlElement* e, PaintDevice& device, int32_t& width, int32_t& height) override {
        ++made;
        const bool check = e->Type() == kTagInput && e->GetFormFieldType() == kFieldCheckbox;
        width = check ? 13 : 150;
        height = check ? 13 : 20;
        return new FormControl(device, check ? kControlCheckbox : kControlText);
    }
    void ReleaseFormControl(FormControl* control) override {
        ++released;
        delete control;
    }
};

TEST(LayoutFormControls, BoxesOfTheRegisteredFactory) {
    Formatted none("<form><input name=a></form>", 0);
    EXPECT_EQ(FindKind(*none.root, LayoutElement::kFormControlBox), nullptr) << "no factory, no box";

    Controls controls;
    RegisterFormControlFactory(&controls);
    Formatted f("<form>" + std::string(60, 'w') +
                    " <input name=a><input type=checkbox name=b><input type=hidden name=c>"
                    "<select name=d><option>one</select></form>",
                0);
    RegisterFormControlFactory(nullptr);
    const LayoutElement* text = FindKind(*f.root, LayoutElement::kFormControlBox);
    ASSERT_NE(text, nullptr) << f.Dump();
    EXPECT_EQ(text->Width(), 150);
    EXPECT_EQ(text->Height(), 22u) << "2 units taller than the control";
    EXPECT_TRUE(text->Has(0x1000));
    EXPECT_EQ(text->X(), 0) << "it did not fit after the w's";
    const LayoutElement* check = FindKind(*f.root, LayoutElement::kFormControlBox, 1);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->Height(), 13u);
    EXPECT_FALSE(check->Has(0x1000));
    const LayoutElement* select = FindKind(*f.root, LayoutElement::kFormControlBox, 2);
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->Element()->Type(), kTagSelect);
    EXPECT_EQ(FindKind(*f.root, LayoutElement::kFormControlBox, 3), nullptr) << "a hidden field makes no box";
    EXPECT_EQ(controls.made - controls.released, 3) << "every control made is placed or given back";
}

// --- floats ----------------------------------------------------------------------

struct FloatFixture {
    std::unique_ptr<BlockBox> root;
    FloatFixture() {
        LayoutRequest request;
        request.width = 400;
        root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
    }
    BlockBox* Float(int32_t x, int32_t w, int32_t h) {
        LayoutRequest request;
        request.width = w;
        request.height = h;
        auto* box = new BlockBox(root.get(), &request, nullptr, nullptr);
        box->SetFlags(LayoutElement::kOutOfFlow, true);
        box->SetX(x);
        return box;
    }
};

TEST(FloatList, EdgesComeFromTheMostRecentFloatsThatLast) {
    FloatFixture f;
    FloatList list;
    list.Add(f.Float(0, 50, 100), true);
    list.Add(f.Float(50, 30, 20), true);
    list.Add(f.Float(350, 50, 40), false);
    int32_t left, right;
    FloatMarginsAt(list, 10, left, right);
    EXPECT_EQ(left, 80);
    EXPECT_EQ(right, 350);
    FloatMarginsAt(list, 20, left, right);
    EXPECT_EQ(left, 50) << "the narrow float ended";
    FloatMarginsAt(list, 60, left, right);
    EXPECT_EQ(right, -1);
    EXPECT_EQ(list.Count(), 1u) << "ended floats leave the list";
    int32_t lowest = 0;
    EXPECT_TRUE(TakeOutFloats(list, kClearLeft, lowest));
    EXPECT_EQ(lowest, 100);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(FloatList, ACentredBoxWiderThanTheRoomPushesTheRightFloats) {
    FloatFixture f;
    FloatList list;
    list.Add(f.Float(0, 100, 50), true);
    BlockBox* right = f.Float(300, 100, 50);
    list.Add(right, false);
    LayoutRequest request;
    request.width = 250;
    auto* box = new BlockBox(f.root.get(), &request, nullptr, nullptr);
    AlignBoxBetweenFloats(list, 6, *box);
    EXPECT_EQ(box->X(), 100) << "at the left limit";
    EXPECT_EQ(right->X(), 350) << "moved right by the overlap";

    auto* narrow = new BlockBox(f.root.get(), &request, nullptr, nullptr);
    narrow->SetWidth(100);
    AlignBoxBetweenFloats(list, 6, *narrow);
    EXPECT_EQ(narrow->X(), 175) << "centred between 100 and 350";
    AlignBoxBetweenFloats(list, 5, *narrow);
    EXPECT_EQ(narrow->X(), 250);
}

TEST(LayoutFloats, ClearOfOneSideKeepsTheOtherFloat) {
    Formatted f(
        "<p><img align=left width=40 height=60 src=a.gif><img align=right width=40 height=90 src=b.gif>"
        "Beside.<br clear=left>Below the left float.\n",
        0);
    const LayoutElement* below = FindText(*f.root, "Below the left float. ");
    ASSERT_NE(below, nullptr) << f.Dump();
    EXPECT_EQ(below->Parent()->AbsoluteY(), 66) << f.Dump();
    EXPECT_EQ(below->Parent()->AbsoluteX(), 0);
    EXPECT_LE(below->Parent()->AbsoluteX() + below->Parent()->Width(), 354) << "still beside the right float";
}

TEST(LayoutFloats, FloatsStayInsideTheirCellAndThePage) {
    Formatted f("<table><tr><td><img align=left width=40 height=60 src=a.gif>x</td></tr></table><p>after", 0);
    ASSERT_EQ(Boxes(f, kTagTd).size(), 1u) << f.Dump();
    EXPECT_GE(Boxes(f, kTagTd)[0]->Height(), 66u) << "the cell grows to hold its float\n" << f.Dump();
    const LayoutElement* after = FindText(*f.root, "after");
    ASSERT_NE(after, nullptr) << f.Dump();
    EXPECT_EQ(after->Parent()->AbsoluteX(), 0) << "the cell's float does not reach the page";

    Formatted end("<p><img align=left width=40 height=60 src=a.gif>x", 0);
    EXPECT_GE(end.root->Height(), 66u) << "the page ends below its last float\n" << end.Dump();
}

TEST(LayoutFloats, BlocksClearFloatsByStyleAndAttribute) {
    // The float is 66 high with its spacing; a cleared block starts below
    // it, an uncleared one beside it.
    for (const char* clear : {"<div style=\"clear: left\">", "<div style=\"clear: both\">", "<p clear=all>"}) {
        Formatted f(std::string("<p><img align=left width=40 height=60 src=a.gif>short\n") + clear + "below\n", 0);
        const LayoutElement* below = FindText(*f.root, "below ");
        ASSERT_NE(below, nullptr) << clear << "\n" << f.Dump();
        EXPECT_GE(below->Parent()->AbsoluteY(), 66) << clear << "\n" << f.Dump();
        EXPECT_EQ(below->Parent()->AbsoluteX(), 0) << clear;
    }
    Formatted beside("<p><img align=left width=40 height=60 src=a.gif>short\n<div style=\"clear: right\">beside\n",
                     0);
    const LayoutElement* text = FindText(*beside.root, "beside ");
    ASSERT_NE(text, nullptr) << beside.Dump();
    EXPECT_LT(text->Parent()->AbsoluteY(), 66) << beside.Dump();
    EXPECT_EQ(text->Parent()->AbsoluteX(), 46) << beside.Dump();
}

}  // namespace

namespace {
const LayoutElement* FirstBlockInside(const LayoutElement& e) {
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kBlockBox) return c;
    }
    return nullptr;
}

TEST(LayoutFormatter, PaddingKeepsTheFirstLineOfANestedBlockBelowIt) {
    // The line of the innermost block collapses its way up to the first
    // box with padding, and stops below that padding.
    Formatted f("<div style=\"padding: 4px\"><div style=\"padding: 6px\">x</div></div>", 0);
    const LayoutElement* outer = FirstBlockInside(*f.root);
    ASSERT_NE(outer, nullptr);
    const LayoutElement* inner = FirstBlockInside(*outer);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Y(), 4);
    EXPECT_EQ(inner->FirstChild()->Y(), 6);
    EXPECT_EQ(outer->Height(), 4u + 6 + 12 + 6 + 4);
}
}  // namespace
