// Table column arithmetic: totals, the distribution of the available width,
// spanning cells, and the list marker texts.
#include <gtest/gtest.h>

#include <vector>

#include "layout/ListMarkers.h"
#include "layout/TableColumns.h"

namespace {

std::vector<TableColumn> Columns(std::initializer_list<std::pair<int, int>> sizes) {
    std::vector<TableColumn> columns;
    for (auto [narrowest, widest] : sizes) {
        TableColumn c;
        c.narrowest = narrowest;
        c.widest = widest;
        columns.push_back(c);
    }
    return columns;
}

TEST(TableColumns, TheExampleTableInWideAndNarrowContexts) {
    TableSpacing bordered;
    bordered.border = 1;
    bordered.borderFlag = 1;
    auto columns = Columns({{50, 100}, {50, 100}});
    EXPECT_EQ(TableTotalNarrowest(columns, bordered), 115);
    EXPECT_EQ(TableTotalWidest(columns, bordered), 215);

    EXPECT_EQ(DistributeTableColumns(columns, bordered, 600, 0), 215);
    EXPECT_EQ(columns[0].width, 100);
    EXPECT_EQ(columns[1].width, 100);

    EXPECT_EQ(DistributeTableColumns(columns, bordered, 150, 0), 150);
    EXPECT_EQ(columns[0].width, 67);
    EXPECT_EQ(columns[1].width, 67);
    EXPECT_EQ(TableTotalWidth(columns, bordered), 149) << "one unit short, as the growth steps truncate";
}

TEST(TableColumns, CellsAsWideAsTheyCanBeNarrowDivideByNothing) {
    const TableSpacing plain;
    // WIDTH=101 with three cells of WIDTH=10: fixed width, the extra shared.
    auto narrow = Columns({{10, 10}, {10, 10}, {10, 10}});
    EXPECT_EQ(DistributeTableColumns(narrow, plain, 600, 101), 101);
    for (const TableColumn& c : narrow) EXPECT_EQ(c.width, 28);
    EXPECT_EQ(TableTotalWidth(narrow, plain), 100);
    // Three cells of WIDTH=500 in a 600 view: wider than the view, kept at
    // their narrowest.
    auto wide = Columns({{500, 500}, {500, 500}, {500, 500}});
    EXPECT_EQ(DistributeTableColumns(wide, plain, 600, 0), 1516);
    for (const TableColumn& c : wide) EXPECT_EQ(c.width, 500);
}

TEST(TableColumns, WidthsInPercent) {
    const TableSpacing plain;
    auto fits = Columns({{20, 100}, {20, 100}});
    EXPECT_EQ(DistributeTableColumns(fits, plain, 600, -50), 300) << "50% of 600";
    auto tooWide = Columns({{200, 300}, {200, 300}});
    EXPECT_EQ(DistributeTableColumns(tooWide, plain, 600, -50), TableTotalNarrowest(tooWide, plain));
    auto percents = Columns({{10, 50}, {10, 50}});
    percents[0].percent = 100;
    percents[1].percent = 50;
    DistributeTableColumns(percents, plain, 400, 0);
    EXPECT_EQ(percents[0].percent + percents[1].percent, 99) << "scaled to 100 in total, truncated";
}

TEST(TableColumns, AnOverfullTableShrinksTowardsItsNarrowest) {
    const TableSpacing plain;
    auto columns = Columns({{100, 400}, {100, 200}});
    DistributeTableColumns(columns, plain, 300, 0);
    EXPECT_GE(columns[0].width, 100);
    EXPECT_GE(columns[1].width, 100);
    EXPECT_LE(TableTotalWidth(columns, plain), 300);
}

TEST(TableColumns, SpanningCellsWidenTheirColumns) {
    TableGrid grid(2, 2);
    *grid.At(0, 0) = TableColumn{0, 0, 40, 60, 1, 1, 0};
    *grid.At(0, 1) = TableColumn{0, 0, 20, 40, 1, 1, 0};
    TableColumn spanning{0, 0, 150, 300, 1, 2, 0};
    *grid.At(1, 0) = spanning;
    const std::vector<TableColumn> columns = MergeTableColumns(grid);
    ASSERT_EQ(columns.size(), 2u);
    // Widest 100 grows to 300 in proportion; narrowest 60 grows by 90, by
    // the columns' slack (20 and 20 of 40) first.
    EXPECT_EQ(columns[0].widest, 180);
    EXPECT_EQ(columns[1].widest, 120);
    EXPECT_EQ(columns[0].narrowest + columns[1].narrowest, 150);
    EXPECT_GE(columns[0].widest, columns[0].narrowest);
}

TEST(TableColumns, TheGridIsBounded) {
    TableGrid huge(100000, 100000);
    EXPECT_LE(static_cast<int64_t>(huge.Rows()) * huge.Columns() * static_cast<int64_t>(sizeof(TableColumn)),
              kMaxTableGridBytes);
    EXPECT_GT(huge.Columns(), 0);
    EXPECT_EQ(huge.At(huge.Rows(), 0), nullptr);
    TableGrid small(3, 4);
    EXPECT_EQ(small.Columns(), 4);
    EXPECT_NE(small.At(2, 3), nullptr);
}

TEST(ListMarkers, NumbersInEveryStyle) {
    const struct {
        int32_t number;
        int type;
        const char* text;
    } cases[] = {
        {28, 102, "ab."},   {1, 102, "a."},         {26, 103, "Z."},      {27, 103, "AA."},
        {0, 102, "a."},     {4000, 101, "...."},    {3999, 101, "MMMCMXCIX."},
        {14, 100, "xiv."},  {0, 100, ""},           {7, 99, "7."},        {-3, 101, "-3."},
        {-3, 102, "-3."},   {5, 96, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ListMarkerText(c.number, c.type), c.text) << c.number << " " << c.type;
}

}  // namespace
