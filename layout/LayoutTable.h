// Table layout: measures a TABLE's columns, fixes their widths within the
// available width and lays out its caption, rows and cells, each cell's
// content through the formatter. A table is laid out whole within one
// formatting step: its rows and cells never end a step, and only its
// captions count against the step's element budget.
//
// Geometry of a table box (relative to the box): the table's border B on
// every side, then the cell spacing before, between and after the rows and
// cells. A cell box is its column width plus its padding on both sides and,
// when the table has a border, a frame of one unit on every side; a cell
// spanning columns also takes the spacing, frames and padding between them.
#pragma once
#include <cstdint>
#include <vector>

#include "layout/LayoutFormatter.h"
#include "layout/TableColumns.h"

class HtmlElement;

// What measuring a table gives.
struct TableMeasure {
    int rows = 0;
    int columns = 0;
    int32_t totalNarrowest = 0;
    int32_t totalWidest = 0;
    TableSpacing spacing;
    std::vector<TableColumn> column;
};

// The spacing, border and padding of a table element, bounded so that the
// arithmetic of a hostile page stays within range.
TableSpacing TableSpacingOf(const HtmlElement* table);

// Counts a table's rows (its TR children) and the columns of its widest
// row, honouring COLSPAN and the columns that cells of rows above still
// cover.
void CountTableGrid(const HtmlElement* table, int& columns, int& rows);

class TableLayout {
public:
    explicit TableLayout(LayoutFormatter& formatter) : f_(formatter) {}

    // Lays the table out in the block of state's enclosing block state.
    // Answers 0, or 6 when the stop element lies inside the table (the
    // table is then laid out by a later step).
    int Format(HtmlElement* table, LayoutState& state, LayoutFormatter::Call call);

    // The narrowest and widest widths of the table's columns and totals.
    void MeasureTable(HtmlElement* table, TableMeasure& out);

    // The narrowest width (the widest unbreakable piece) and the widest
    // width (everything on one line) of an element's content.
    void MeasureBlockContent(HtmlElement* element, int32_t& narrowest, int32_t& widest);

private:
    struct Measure;
    struct Placed;
    void MeasureElement(HtmlElement* e, const TextStyleRecord& text, Measure& m);
    void MeasureText(HtmlElement* e, const TextStyleRecord& text, Measure& m);
    // The left and right margins, padding and borders of a block.
    int32_t HorizontalEdges(HtmlElement* e);
    BlockBox* LayoutCaption(HtmlElement* caption, LayoutState& state, LayoutElement* parent, int32_t width);
    int32_t LayoutRows(HtmlElement* table, LayoutState& state, BlockBox* tableBox, const TableMeasure& m,
                       int32_t top);
    BlockBox* LayoutCell(HtmlElement* cell, LayoutState& state, LayoutElement* row, int32_t x, int32_t width,
                         const TableSpacing& spacing);
    // image: a style whose background image (number, repeat and position)
    // the box takes, or null.
    void SetTableFrame(int width, LayoutElement& box, bool outer, int32_t background,
                       const BoxStyle* image = nullptr);

    LayoutFormatter& f_;
    const BoxStyle* cellFrame_ = nullptr;
};
