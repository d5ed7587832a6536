// The column arithmetic of table layout: merging the measured cells of a
// table's grid into its columns, the table's total widths, and the
// distribution of the available width over the columns. All integer
// arithmetic; quotients truncate.
#pragma once
#include <cstdint>
#include <vector>

// One column, or one cell of the measuring grid.
struct TableColumn {
    int32_t percent = 0;  // 0: none
    int32_t width = 0;    // assigned
    int32_t narrowest = 0;
    int32_t widest = 0;
    int32_t rowSpanLeft = 1;  // rows still covered from above; 1 free
    int32_t colSpan = 1;
    int32_t height = 0;
};

// Spans are bounded, and so is the measuring grid: rows x columns cell
// records of 28 bytes.
constexpr int kMaxTableSpan = 255;
constexpr int64_t kMaxTableGridBytes = 8 * 1024 * 1024;

// The measuring grid: rows x columns cells, all zero. Columns past what the
// bound allows are not kept (their cells are not measured).
class TableGrid {
public:
    TableGrid(int rows, int columns);
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    // Null outside the grid.
    TableColumn* At(int row, int column);

private:
    int rows_;
    int columns_;
    std::vector<TableColumn> cells_;
};

struct TableSpacing {
    int32_t border = 0;       // BORDER
    int32_t borderFlag = 0;   // 1 when BORDER is above 0
    int32_t cellSpacing = 1;  // CELLSPACING
    int32_t cellPadding = 2;  // CELLPADDING
};

// The columns of the grid: cells spanning s columns merge in passes s = 1,
// 2, ...; each cell's record lies at its first column and carries its span.
std::vector<TableColumn> MergeTableColumns(TableGrid& grid);

// cellspacing + 2 x border + the sum per column of the width (narrowest or
// widest) and its spacing, border flag and padding.
int32_t TableTotalNarrowest(const std::vector<TableColumn>& columns, const TableSpacing& spacing);
int32_t TableTotalWidest(const std::vector<TableColumn>& columns, const TableSpacing& spacing);
// The same sum over the assigned widths.
int32_t TableTotalWidth(const std::vector<TableColumn>& columns, const TableSpacing& spacing);

// Assigns the column widths within the available width; tableWidth is the
// WIDTH attribute (0 none, negative percent of the available width).
// Answers the target width of the table.
int32_t DistributeTableColumns(std::vector<TableColumn>& columns, const TableSpacing& spacing, int32_t available,
                               int32_t tableWidth);
