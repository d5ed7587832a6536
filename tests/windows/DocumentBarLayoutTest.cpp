// The arrangement of the document window bars for each bar mode and width:
// what is shown, in which order, without overlaps and inside the bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "resources/BrowsingIds.h"
#include "windows/DocumentBarLayout.h"

namespace {

BarMetrics Metrics(int width) {
    BarMetrics m;
    m.barWidth = width;
    m.buttonWidth = 24;
    m.buttonHeight = 22;
    m.controlHeight = 20;
    m.arrowWidth = 16;
    m.digits5 = 30;
    m.digits7 = 42;
    m.digits8 = 48;
    m.digits10 = 60;
    return m;
}

std::vector<int> ShownInOrder(const BarLayout& layout) {
    std::vector<const ControlPlace*> shown;
    for (const auto& c : layout.controls)
        if (c.shown) shown.push_back(&c);
    std::stable_sort(shown.begin(), shown.end(), [](const ControlPlace* a, const ControlPlace* b) {
        return a->y / 28 != b->y / 28 ? a->y < b->y : a->x < b->x;  // rows of 28
    });
    std::vector<int> ids;
    for (auto* c : shown) ids.push_back(c->id);
    return ids;
}

// The visible part of a control: a combo box's list hangs below its field.
int VisibleHeight(const ControlPlace& c, const BarMetrics& m) {
    return std::min(c.height, m.controlHeight + 2);
}

void ExpectNoOverlapInside(const BarLayout& layout, const BarMetrics& m, int right) {
    for (const auto& a : layout.controls) {
        if (!a.shown) continue;
        EXPECT_GE(a.x, 2) << a.id;
        EXPECT_LE(a.x + a.width, right) << a.id;
        EXPECT_GE(a.y, 0) << a.id;
        EXPECT_LE(a.y + VisibleHeight(a, m), layout.height) << a.id;
        for (const auto& b : layout.controls) {
            if (!b.shown || &a == &b) continue;
            bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + VisibleHeight(a, m) <= b.y ||
                         b.y + VisibleHeight(b, m) <= a.y;
            EXPECT_TRUE(apart) << a.id << " overlaps " << b.id;
        }
    }
}

TEST(DocumentBarLayout, TopBarShowsTheButtonsOfEachMode) {
    struct Case {
        int mode;
        std::vector<int> shown;
    } cases[] = {
        {1, {10608, 10610, IDC_NEWS_FILTER}},
        {2,
         {10511, 10512, 10515, 10516, 10518, 10519, 10520, 10521, 10606, 10609, 10625, 10610,
          IDC_NEWS_SORT}},
        {3, {10511, 10512, 10515, 10516, 10518, 10519, 10520, 10521, 10606, 10607}},
    };
    for (const auto& c : cases) {
        BarMetrics m = Metrics(800);
        BarLayout layout = LayoutTopWindowBar(c.mode, m);
        EXPECT_EQ(ShownInOrder(layout), c.shown) << "mode " << c.mode;
        // Every control of the bar is named, shown or hidden.
        std::set<int> named;
        for (const auto& p : layout.controls) named.insert(p.id);
        for (int id : kTopBarButtons) EXPECT_TRUE(named.count(id)) << id << " mode " << c.mode;
        EXPECT_TRUE(named.count(IDC_NEWS_SORT) && named.count(IDC_NEWS_FILTER));
        EXPECT_EQ(layout.height, 22 + 6) << "one row at this width, mode " << c.mode;
        ExpectNoOverlapInside(layout, m, 800 - 6);
    }
    EXPECT_TRUE(LayoutTopWindowBar(0, Metrics(800)).controls.empty());
    EXPECT_TRUE(LayoutTopWindowBar(4, Metrics(800)).controls.empty());
}

TEST(DocumentBarLayout, GapsSeparateTheButtonGroups) {
    BarLayout layout = LayoutTopWindowBar(2, Metrics(800));
    EXPECT_EQ(layout.Find(10511)->x, 2);
    EXPECT_EQ(layout.Find(10512)->x, 2 + 24);
    EXPECT_EQ(layout.Find(10515)->x, 2 + 2 * 24 + 4);
    EXPECT_EQ(layout.Find(10520)->x, 2 + 6 * 24 + 8);
    EXPECT_EQ(layout.Find(10511)->y, 3) << "buttons centred in a row of 28";
    const ControlPlace* sort = layout.Find(IDC_NEWS_SORT);
    EXPECT_EQ(sort->y, 2) << "one pixel above the buttons";
    EXPECT_EQ(sort->width, 60 + 6 + 1 + 16);
    EXPECT_EQ(sort->height, 20 + 300) << "the field and its list";
}

TEST(DocumentBarLayout, NarrowTopBarsWrapIntoMoreRows) {
    BarMetrics m = Metrics(150);
    BarLayout layout = LayoutTopWindowBar(2, m);
    EXPECT_GT(layout.height, 28 * 2);
    EXPECT_EQ(layout.height % 28, 0);
    ExpectNoOverlapInside(layout, m, 200);  // the usable width is at least 200
    // The order stays the reading order over the rows.
    EXPECT_EQ(ShownInOrder(layout).front(), 10511);
    EXPECT_EQ(ShownInOrder(layout).back(), IDC_NEWS_SORT);
}

TEST(DocumentBarLayout, BottomBarHasTheAddressRowAndTheProgressRow) {
    for (int width : {300, 640, 1200}) {
        BarMetrics m = Metrics(width);
        BarLayout layout = LayoutBottomWindowBar(m);
        EXPECT_EQ(layout.height, 2 * 28) << width;
        std::vector<int> expected = {IDC_BAR_SECURITY, IDC_BAR_IMAGES,      IDC_BAR_DOCUMENT_MODE,
                                     IDC_BAR_HISTORY,  IDC_BAR_ZOOM,        IDC_BAR_STOP,
                                     IDC_BAR_PERCENT,  IDC_BAR_FIGURES,     IDC_BAR_BYTES,
                                     IDC_BAR_CONNECTIONS, IDC_BAR_TIME,    IDC_BAR_IMAGE_MODE,
                                     IDC_BAR_PROGRESS_TEXT};
        EXPECT_EQ(ShownInOrder(layout), expected) << width;
        const ControlPlace* zoom = layout.Find(IDC_BAR_ZOOM);
        EXPECT_EQ(zoom->x + zoom->width, width - 6 - 2) << "the zoom field ends the row";
        EXPECT_EQ(zoom->height, 20 + 400);
        const ControlPlace* history = layout.Find(IDC_BAR_HISTORY);
        EXPECT_EQ(history->x, 2 + 3 * 24 + 2);
        EXPECT_LT(history->x + history->width, zoom->x);
        const ControlPlace* text = layout.Find(IDC_BAR_PROGRESS_TEXT);
        EXPECT_EQ(text->x + text->width, std::max(width - 2, text->x + 100)) << width;
        ExpectNoOverlapInside(layout, m, std::max(width - 2, text->x + text->width));
    }
}

TEST(DocumentBarLayout, LargeProgressIconsWidenTheirFields) {
    BarMetrics m = Metrics(800);
    int small = LayoutBottomWindowBar(m).Find(IDC_BAR_PERCENT)->width;
    m.progressStyle = 3;
    int large = LayoutBottomWindowBar(m).Find(IDC_BAR_PERCENT)->width;
    m.smallButtons = true;
    int smallAgain = LayoutBottomWindowBar(m).Find(IDC_BAR_PERCENT)->width;
    EXPECT_EQ(small, 16 + 10 + 20);
    EXPECT_EQ(large, 32 + 10 + 40);
    EXPECT_EQ(smallAgain, small);
}

}  // namespace
