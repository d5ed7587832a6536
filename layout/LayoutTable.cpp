#include "layout/LayoutTable.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "html/CssTokenizer.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"
#include "layout/ElementAccessors.h"
#include "layout/FloatLayout.h"
#include "layout/PaintDevice.h"

namespace {

// Bounds of the spacing, padding and border of a table: far beyond any
// page's need, and small enough that no sum of them overflows.
constexpr int32_t kMaxTableSpacing = 1000;

// At most this many columns: one row of the largest grid.
constexpr int kMaxTableColumns = static_cast<int>(kMaxTableGridBytes / static_cast<int64_t>(sizeof(TableColumn)));

int32_t Bounded(int32_t v) { return v < 0 ? 0 : (v > kMaxTableSpacing ? kMaxTableSpacing : v); }

bool IsCell(const HtmlElement* e) { return e->Type() == kTagTd || e->Type() == kTagTh; }

bool IsPreformattedType(int type) {
    return type == kTagPre || type == kTagListing || type == kTagPlaintext || type == kTagXmp;
}

// Types whose content takes no room in a cell.
bool MeasuresNothing(int type) {
    switch (type) {
        case kTagHead: case kTagBody: case kTagBase: case kTagTitle: case kTagStyle: case kTagParam:
        case kTagApplet: case kTagScript: case kTagMeta: case kTagLink: case kTagMap: case kTagArea:
        case kTagOption: case kTagKeygen: case kTagInput: case kTagSelect: case kTagTextarea: case kTagEmbed:
            return true;
        default:
            return false;
    }
}

// Walks the cells of a table's rows column by column, skipping the columns
// that a cell of a row above still covers.
class CellWalker {
public:
    explicit CellWalker(int limit) : limit_(limit) {}

    void StartRow() {
        column_ = 0;
        for (size_t c = 0; c < covered_.size(); ++c) coveredNow_[c] = covered_[c] > 0;
    }
    // The first column of the next cell; -1 when the row has no room left.
    int Next() {
        while (column_ < static_cast<int>(covered_.size()) && coveredNow_[column_]) ++column_;
        return column_ < limit_ ? column_ : -1;
    }
    // Takes the columns of the cell at Next(); answers its column span, cut
    // at the limit.
    int Take(int colSpan, int rowSpan) {
        const int span = std::max(1, std::min(colSpan, limit_ - column_));
        if (static_cast<int>(covered_.size()) < column_ + span) {
            covered_.resize(column_ + span, 0);
            coveredNow_.resize(column_ + span, false);
        }
        for (int c = column_; c < column_ + span; ++c) {
            // A cell that reaches into a covered column keeps it covered at
            // least as long as itself.
            covered_[c] = coveredNow_[c] ? std::max(covered_[c], rowSpan) : rowSpan - 1;
        }
        column_ += span;
        used_ = std::max(used_, column_);
        return span;
    }
    // Whether a column is covered from above in this row.
    bool Covered(int column) const {
        return column < static_cast<int>(coveredNow_.size()) && coveredNow_[column];
    }
    int Position() const { return column_; }
    void EndRow() {
        for (size_t c = 0; c < covered_.size(); ++c) {
            if (coveredNow_[c] && covered_[c] > 0) --covered_[c];
        }
    }
    int Used() const { return used_; }

private:
    int limit_;
    int column_ = 0;
    int used_ = 0;
    std::vector<int> covered_;  // further rows each column is covered
    std::vector<bool> coveredNow_;
};

int CountRows(const HtmlElement* table) {
    int rows = 0;
    for (const HtmlElement* c = table->FirstChild(); c; c = c->NextSibling()) rows += c->Type() == kTagTr;
    return rows;
}

int CellRowSpan(const HtmlElement* cell, int rowsLeft) {
    return std::max(1, std::min(GetRowSpan(cell), rowsLeft));
}

// Moves the content of a cell box down by the free height: all of it for
// VALIGN=BOTTOM, half of it for the default middle.
void VerticalAlignCell(LayoutElement& cell, int32_t free) {
    if (free <= 0 || !cell.Element() || !IsCell(cell.Element())) return;
    const int valign = cell.Element()->GetVerticalAlign();
    const int32_t shift = valign == 1 ? free : (valign == 2 ? free / 2 : 0);
    if (shift == 0) return;
    for (LayoutElement* c = cell.FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() != LayoutElement::kReferenceBox) c->SetY(c->Y() + shift);
    }
}

// Restores the device's font, word spacing and text colour on leaving.
class DeviceStyleSaver {
public:
    explicit DeviceStyleSaver(PaintDevice& device)
        : device_(device), spacing_(device.WordSpacing()), color_(device.GetTextColor()) {
        device_.GetLogFont(font_);
    }
    ~DeviceStyleSaver() {
        device_.SetLogFont(font_);
        device_.SetWordSpacing(spacing_);
        device_.SetTextColor(color_);
    }
    DeviceStyleSaver(const DeviceStyleSaver&) = delete;
    DeviceStyleSaver& operator=(const DeviceStyleSaver&) = delete;

private:
    PaintDevice& device_;
    LogFont font_;
    float spacing_;
    DeviceColor color_;
};

// A cell box whose height is known once its rows are.
struct RowCell {
    BlockBox* box;
    int lastRow;
    int32_t top;     // the y of its first row
    int32_t height;  // of its content, padding and frame
};

// The height a laid-out cell needs: its own box with padding and frame, and
// the bottom of every box inside it taken out of the flow (a float), also
// where a reference stands for one.
int32_t CellHeight(const BlockBox& box) {
    int64_t height = std::max<int64_t>(box.Height(), box.TopEdge() + box.BottomEdge());
    for (const LayoutElement* c = box.FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kReferenceBox) {
            const LayoutElement* referred = static_cast<const ReferenceBox*>(c)->Referred();
            height = std::max<int64_t>(height, static_cast<int64_t>(referred->AbsoluteY()) - box.AbsoluteY() +
                                                   referred->Height());
        } else if (c->Has(LayoutElement::kOutOfFlow)) {
            height = std::max<int64_t>(height, static_cast<int64_t>(c->Y()) + c->Height());
        }
    }
    return static_cast<int32_t>(std::min<int64_t>(height, 0x7FFFFFFF));
}

void StretchCell(BlockBox& box, int32_t contentHeight, int32_t height) {
    box.SetHeight(height);
    VerticalAlignCell(box, height - contentHeight);
}

}  // namespace

// --- measuring -------------------------------------------------------------------

TableSpacing TableSpacingOf(const HtmlElement* table) {
    TableSpacing s;
    s.border = Bounded(table->GetBorder());
    s.borderFlag = table->HasBorder() ? 1 : 0;
    s.cellSpacing = Bounded(GetTableCellSpacing(table));
    s.cellPadding = Bounded(GetTableCellPadding(table));
    return s;
}

void CountTableGrid(const HtmlElement* table, int& columns, int& rows) {
    rows = CountRows(table);
    CellWalker walker(kMaxTableColumns);
    int r = 0;
    for (const HtmlElement* row = table->FirstChild(); row; row = row->NextSibling()) {
        if (row->Type() != kTagTr) continue;
        walker.StartRow();
        for (const HtmlElement* cell = row->FirstChild(); cell; cell = cell->NextSibling()) {
            if (!IsCell(cell)) continue;
            if (walker.Next() < 0) break;
            walker.Take(GetColSpan(cell), CellRowSpan(cell, rows - r));
        }
        walker.EndRow();
        ++r;
    }
    columns = walker.Used();
}

// A line being measured: the widest line and the widest piece that may not
// be broken.
struct TableLayout::Measure {
    int32_t narrowest = 0;
    int32_t widest = 0;
    int32_t line = 0;  // the current line so far
    int32_t run = 0;   // the current unbreakable run so far
    bool nobr = false;
    bool preformatted = false;

    // A piece placed on the line; breakable: a break may come before it,
    // which then takes the width without its leading space.
    void Piece(int32_t width, int32_t alone, bool breakable) {
        if (breakable && !nobr) {
            run = alone;
        } else {
            run += line == 0 ? alone : width;
        }
        line += line == 0 ? alone : width;
        narrowest = std::max(narrowest, run);
    }
    void EndLine() {
        widest = std::max(widest, line);
        line = 0;
        run = 0;
    }
    // Something that stands on lines of its own.
    void Block(int32_t narrow, int32_t wide) {
        EndLine();
        narrowest = std::max(narrowest, narrow);
        widest = std::max(widest, wide);
    }
};

void TableLayout::MeasureText(HtmlElement* e, const TextStyleRecord& text, Measure& m) {
    PaintDevice& device = f_.device_;
    const char* chars = e->GetText();
    if (!chars) return;
    if (m.preformatted) {
        const char* cursor = chars;
        while (*cursor) {
            const char* start = cursor;
            bool lineBreak = false;
            const int length = NextTextLine(cursor, lineBreak);
            const int32_t w = device.GetTextExtent(start, length);
            m.Piece(w, w, false);
            if (lineBreak) m.EndLine();
        }
        return;
    }
    // The pieces the line builder places: a word with the space before it;
    // the one space that ends a node's text belongs to no piece.
    int usable = static_cast<int>(std::strlen(chars));
    if (usable > 0 && chars[usable - 1] == ' ') --usable;
    int pos = 0;
    std::string shown;
    while (pos < usable) {
        int end = pos;
        if (chars[end] == ' ') ++end;
        const int word = end;
        while (end < usable && chars[end] != ' ') ++end;
        shown.assign(chars + pos, end - pos);
        if (text.transform == 2) {
            for (char& c : shown) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        }
        const int32_t width = device.GetTextExtentNbsp(shown.c_str(), static_cast<int>(shown.size()));
        const int32_t alone = word == pos ? width
                                          : device.GetTextExtentNbsp(shown.c_str() + (word - pos),
                                                                     static_cast<int>(shown.size()) - (word - pos));
        m.Piece(width, alone, word != pos || pos == 0);
        pos = end;
    }
}

int32_t TableLayout::HorizontalEdges(HtmlElement* e) {
    StyleDeclarationList declarations;
    if (f_.page_ && f_.page_->cssMode) f_.page_->ComputeElementStyle(e, declarations);
    StyledBlock edges;
    MakeStyledBlock(f_.device_, e, &declarations, 0, e->Parent() && e->Parent()->IsInList(), edges);
    f_.MakeRoomForMarkers(e, edges);
    const BoxMetricsValues& m = edges.metrics;
    const int32_t sum = m.margin[BoxMetricsValues::kLeft] + m.margin[BoxMetricsValues::kRight] +
                        m.padding[BoxMetricsValues::kLeft] + m.padding[BoxMetricsValues::kRight] +
                        edges.style.borders.Width(BoxBorders::kLeft) + edges.style.borders.Width(BoxBorders::kRight);
    return std::max<int32_t>(sum, 0);
}

void TableLayout::MeasureElement(HtmlElement* e, const TextStyleRecord& outer, Measure& m) {
    const int type = e->Type();
    if (type == kTextNode) {
        MeasureText(e, outer, m);
        return;
    }
    if (MeasuresNothing(type)) return;
    DeviceStyleSaver saver(f_.device_);
    TextStyleRecord text = outer;
    ElementStyleResult style;
    f_.ApplyStyle(e, text, style);
    if (style.display == 1) return;
    switch (type) {
        case kTagBr:
            m.EndLine();
            return;
        case kTagHr: {
            const int32_t w = GetRuleWidth(e) > 0 ? GetRuleWidth(e) : 0;
            m.Block(w, w);
            return;
        }
        case kTagImg: {
            const int32_t w = GetImageWidth(e) > 0 ? GetImageWidth(e) : 0;
            m.Piece(w, w, true);
            return;
        }
        case kTagTable: {
            TableMeasure nested;
            MeasureTable(e, nested);
            // A bordered table's cells take one frame unit more per column
            // than its totals.
            const int32_t frames = nested.spacing.borderFlag * nested.columns;
            int32_t narrow = nested.totalNarrowest, wide = nested.totalWidest;
            const int32_t width = GetTableWidth(e);
            if (width > narrow) narrow = width;
            if (width > wide) wide = width;
            const int align = GetTableAlign(e);
            const int32_t sides = align == 4 || align == 5 ? 2 * GetTableHSpace(e) : 0;
            m.Block(narrow + frames + sides, wide + frames + sides);
            return;
        }
        default:
            break;
    }
    const bool block = !e->IsInline();
    if (block) m.EndLine();
    if (const int32_t edges = block ? HorizontalEdges(e) : 0) {
        // A block with margins, padding or borders of its own: its content
        // is measured alone and the edges added.
        Measure inner;
        inner.preformatted = m.preformatted || IsPreformattedType(type);
        for (HtmlElement* c = e->FirstChild(); c; c = c->NextSibling()) MeasureElement(c, text, inner);
        inner.EndLine();
        m.Block(inner.narrowest + edges, inner.widest + edges);
        return;
    }
    const bool nobr = m.nobr, preformatted = m.preformatted;
    if (type == kTagNobr) m.nobr = true;
    if (type == kTagWbr) m.run = 0;
    if (IsPreformattedType(type)) m.preformatted = true;
    for (HtmlElement* c = e->FirstChild(); c; c = c->NextSibling()) MeasureElement(c, text, m);
    m.nobr = nobr;
    m.preformatted = preformatted;
    if (block) m.EndLine();
}

void TableLayout::MeasureBlockContent(HtmlElement* element, int32_t& narrowest, int32_t& widest) {
    Measure m;
    DeviceStyleSaver saver(f_.device_);
    TextStyleRecord text;
    ElementStyleResult style;
    f_.ApplyStyle(element, text, style);
    for (HtmlElement* c = element->FirstChild(); c; c = c->NextSibling()) MeasureElement(c, text, m);
    m.EndLine();
    narrowest = m.narrowest;
    widest = m.widest;
}

void TableLayout::MeasureTable(HtmlElement* table, TableMeasure& out) {
    out.spacing = TableSpacingOf(table);
    int columns = 0, rows = 0;
    CountTableGrid(table, columns, rows);
    TableGrid grid(rows, columns);
    out.rows = grid.Rows();
    out.columns = grid.Columns();
    CellWalker walker(out.columns);
    int r = 0;
    for (HtmlElement* row = table->FirstChild(); row && r < out.rows; row = row->NextSibling()) {
        if (row->Type() != kTagTr) continue;
        const bool nowrap = table->GetNoWrap() || row->GetNoWrap();
        walker.StartRow();
        for (HtmlElement* cell = row->FirstChild(); cell; cell = cell->NextSibling()) {
            if (!IsCell(cell)) continue;
            const int column = walker.Next();
            if (column < 0) break;
            const int rowSpan = CellRowSpan(cell, out.rows - r);
            TableColumn& record = *grid.At(r, column);
            record.colSpan = walker.Take(GetColSpan(cell), rowSpan);
            record.rowSpanLeft = rowSpan;
            const int32_t width = GetCellWidth(cell);
            if (width < 0) record.percent = -width;
            MeasureBlockContent(cell, record.narrowest, record.widest);
            if ((cell->GetNoWrap() || nowrap) && width <= 0) record.narrowest = record.widest;
            if (width > 0) {
                if (width >= record.narrowest) {
                    record.narrowest = record.widest = width;
                } else {
                    record.widest = record.narrowest;
                }
            }
            record.widest = std::max(record.widest, record.narrowest);
        }
        walker.EndRow();
        ++r;
    }
    out.column = MergeTableColumns(grid);
    out.totalNarrowest = TableTotalNarrowest(out.column, out.spacing);
    out.totalWidest = TableTotalWidest(out.column, out.spacing);
}

// --- laying out --------------------------------------------------------------------

void TableLayout::SetTableFrame(int width, LayoutElement& box, bool outer, int32_t background,
                                const BoxStyle* image) {
    PaintDevice& device = f_.device_;
    const bool withImage = image && image->backgroundImage > 0;
    // Cells without a colour or picture of their own share one style.
    const bool shared = !outer && background == -1 && !withImage && !box.Style();
    if (shared && cellFrame_) {
        box.SetStyle(cellFrame_);
        return;
    }
    BoxStyle style;
    if (const BoxStyle* current = box.Style()) style = *current;
    if (width > 0) {
        const DeviceColor light = device.LightShade(), dark = device.DarkShade();
        // The table stands out of the page; its cells are sunk into it.
        const DeviceColor topLeft = outer ? light : dark, bottomRight = outer ? dark : light;
        for (int side = 0; side < 4; ++side) {
            style.borders.Set(side, kBorderSolid, width);
            style.borders.color[side] =
                side == BoxBorders::kLeft || side == BoxBorders::kTop ? topLeft : bottomRight;
        }
    }
    if (background != -1) style.backgroundColor = static_cast<DeviceColor>(background) & 0x00FFFFFF;
    if (withImage) {
        style.backgroundImage = image->backgroundImage;
        style.backgroundRepeat = image->backgroundRepeat;
        style.backgroundX = image->backgroundX;
        style.backgroundY = image->backgroundY;
    }
    box.SetStyle(f_.styles_.Style(style));
    if (shared) cellFrame_ = box.Style();
}

BlockBox* TableLayout::LayoutCaption(HtmlElement* caption, LayoutState& state, LayoutElement* parent,
                                     int32_t width) {
    DeviceStyleSaver saver(f_.device_);
    LayoutState& cs = f_.NestedState(state, caption);
    ElementStyleResult style;
    f_.ApplyStyle(caption, cs.text, style);
    if (style.display == 1) return nullptr;
    LayoutRequest request;
    request.width = width;
    auto* box = new BlockBox(parent, &request, nullptr, caption);
    DeviceTextMetrics metrics;
    f_.device_.GetTextMetrics(metrics);
    box->SetLineMetrics(Clamp16(metrics.ascent), Clamp16(metrics.descent));
    cs.block = box;
    cs.blockState = &cs;
    cs.line = nullptr;
    cs.started = true;
    cs.floatContext = true;
    cs.alignment = cs.text.textAlign == kCssLeft ? 4 : cs.text.textAlign == kCssRight ? 5 : 6;
    LayoutFormatter::Call call{true, false, false, cs.alignment};
    int r = f_.ChildrenLoop(caption, cs, call, true);
    if (r == kResultNoFit) {
        call.secondPass = true;
        r = f_.ChildrenLoop(caption, cs, call, true);
    }
    f_.ClearFloats(cs, kClearAll, cs.alignment);
    f_.CloseLine(cs, cs.alignment);
    box->Finish();
    f_.DropStatesAfter(state);
    return box;
}

BlockBox* TableLayout::LayoutCell(HtmlElement* cell, LayoutState& state, LayoutElement* row, int32_t x,
                                  int32_t width, const TableSpacing& spacing) {
    DeviceStyleSaver saver(f_.device_);
    BoxMetricsValues edges;
    for (int side = 0; side < 4; ++side) edges.padding[side] = static_cast<int16_t>(spacing.cellPadding);
    LayoutRequest request;
    request.width = width;
    request.widthGiven = true;
    auto* box = new BlockBox(row, &request, &edges, cell);
    box->SetX(x);
    box->SetY(0);
    // A cell's style, or else its BACKGROUND, may give it a picture tiled
    // under it.
    StyledBlock cellStyle;
    if (cell && f_.page_ && f_.page_->cssMode) {
        StyleDeclarationList declarations;
        f_.page_->ComputeElementStyle(cell, declarations);
        MakeStyledBlock(f_.device_, cell, &declarations, width, false, cellStyle);
    }
    int32_t backgroundImage = f_.NumberBackgroundImage(cellStyle);
    if (!backgroundImage && cell) {
        backgroundImage = f_.NumberBackgroundImage(cell->GetCellBackgroundUrl(), cellStyle.style);
    }
    SetTableFrame(spacing.borderFlag, *box, false, cell ? cell->GetCellBackground() : -1, &cellStyle.style);
    f_.RegisterBackgroundBox(backgroundImage, box);
    if (!cell) return box;

    LayoutState& cs = f_.NestedState(state, cell);
    ElementStyleResult style;
    f_.ApplyStyle(cell, cs.text, style);
    DeviceTextMetrics metrics;
    f_.device_.GetTextMetrics(metrics);
    box->SetLineMetrics(Clamp16(metrics.ascent), Clamp16(metrics.descent));
    if (style.display != 1) {
        cs.block = box;
        cs.blockState = &cs;
        cs.line = nullptr;
        cs.started = true;
        // Floats stay inside their cell, which grows to hold them.
        cs.floatContext = true;
        int align = cell->GetAlignment(true);
        if (cs.text.textAlign == kCssLeft) align = 4;
        else if (cs.text.textAlign == kCssRight) align = 5;
        else if (cs.text.textAlign == kCssCenter) align = 6;
        else if (cs.text.textAlign == kCssJustify) align = 7;
        cs.alignment = align >= 4 && align <= 7 ? align : 4;
        // The cell's content is laid out whole, whatever the step's budget.
        ++f_.cellDepth_;
        int* budget = f_.budget_;
        f_.budget_ = nullptr;
        const LayoutFormatter::Call call{true, false, false, cs.alignment};
        f_.ChildrenLoop(cell, cs, call, true);
        f_.budget_ = budget;
        --f_.cellDepth_;
        f_.ClearFloats(cs, kClearAll, cs.alignment);
        f_.CloseLine(cs, cs.alignment);
    }
    box->Finish();
    f_.DropStatesAfter(state);
    return box;
}

int32_t TableLayout::LayoutRows(HtmlElement* table, LayoutState& state, BlockBox* tableBox, const TableMeasure& m,
                                int32_t top) {
    const TableSpacing& s = m.spacing;
    const int32_t frame = 2 * (s.borderFlag + s.cellPadding);
    // The x of every column's cell inside its row, and one past the last.
    std::vector<int32_t> columnX(m.columns + 1);
    int32_t x = s.cellSpacing;
    for (int c = 0; c < m.columns; ++c) {
        columnX[c] = x;
        x += m.column[c].width + frame + s.cellSpacing;
    }
    columnX[m.columns] = x;
    const int32_t rowWidth = x;

    std::vector<RowCell> spanning;
    std::vector<RowCell> cells;
    CellWalker walker(m.columns);
    int32_t y = top + s.cellSpacing;
    int r = 0;
    for (HtmlElement* row = table->FirstChild(); row && r < m.rows; row = row->NextSibling()) {
        if (row->Type() != kTagTr) continue;
        LayoutRequest request;
        request.width = rowWidth;
        request.widthGiven = true;
        request.heightGiven = true;
        auto* rowBox = new BlockBox(tableBox, &request, nullptr, row, false);
        rowBox->SetX(s.border);
        rowBox->SetY(y);
        cells.clear();
        walker.StartRow();
        auto place = [&](HtmlElement* cell, int column, int span, int rowSpan) {
            const int32_t width = columnX[column + span] - columnX[column] - s.cellSpacing;
            BlockBox* box = LayoutCell(cell, state, rowBox, columnX[column], width, s);
            const int32_t given = cell ? GetCellHeight(cell) : 0;
            RowCell placed{box, r + rowSpan - 1, y, std::max(CellHeight(*box), given)};
            (rowSpan > 1 ? spanning : cells).push_back(placed);
        };
        for (HtmlElement* cell = row->FirstChild(); cell; cell = cell->NextSibling()) {
            if (!IsCell(cell)) continue;
            const int column = walker.Next();
            if (column < 0) break;
            const int rowSpan = CellRowSpan(cell, m.rows - r);
            place(cell, column, walker.Take(GetColSpan(cell), rowSpan), rowSpan);
        }
        // Columns left over get empty cells, framed like the others.
        for (int c = walker.Position(); c < m.columns; ++c) {
            if (!walker.Covered(c)) place(nullptr, c, 1, 1);
        }
        walker.EndRow();

        int32_t height = 0;
        for (const RowCell& c : cells) height = std::max(height, c.height);
        // A cell spanning rows that ends here and is taller than its rows
        // makes this row taller.
        for (const RowCell& c : spanning) {
            if (c.lastRow == r) height = std::max(height, c.height - (y - c.top));
        }
        for (const RowCell& c : cells) StretchCell(*c.box, c.height, height);
        for (auto it = spanning.begin(); it != spanning.end();) {
            if (it->lastRow != r) {
                ++it;
                continue;
            }
            StretchCell(*it->box, it->height, y + height - it->top);
            it = spanning.erase(it);
        }
        rowBox->SetHeight(height);
        rowBox->Finish();
        y += height + s.cellSpacing;
        ++r;
    }
    return y;
}

int TableLayout::Format(HtmlElement* table, LayoutState& state, LayoutFormatter::Call call) {
    // A table is laid out once all of it is there, and once something
    // follows it: an empty paragraph at its end looks at what comes next.
    if (f_.stop_ && (table->Contains(f_.stop_) || !table->NextInOrder(true))) return kResultStopped;
    f_.DropStatesAfter(state);
    LayoutState& bs = *state.blockState;
    f_.CloseLine(bs, call.alignment == 7 ? 4 : call.alignment);
    if (!bs.block) return kResultNothing;

    TableMeasure m;
    MeasureTable(table, m);

    // The available width: the enclosing block's, within the view outside
    // of cells.
    int32_t available = bs.block->Width() - bs.block->HorizontalExtra();
    if (f_.cellDepth_ == 0) {
        const int32_t view = f_.device_.GetViewWidth() - bs.block->AbsoluteX();
        if (available > view) available = std::max<int32_t>(view, 0);
    }
    // Floats beside the place of the table narrow its room.
    int32_t offset = 0;
    FloatList* floats = f_.FloatsOf(state, false);
    if (floats && !floats->IsEmpty()) {
        const LayoutElement* last = bs.block->LastChild();
        while (last && (last->GetKind() == LayoutElement::kReferenceBox || last->Has(LayoutElement::kOutOfFlow))) {
            last = last->PrevSibling();
        }
        const int32_t y = bs.block->AbsoluteY() +
                          (last ? last->Y() + static_cast<int32_t>(last->Height()) : bs.block->TopEdge());
        const int32_t contentX = bs.block->AbsoluteX() + bs.block->LeftEdge();
        int32_t left = -1, right = -1;
        FloatMarginsAt(*floats, y, left, right);
        if (right >= 0) available = std::min(available, right - contentX);
        if (left > contentX) {
            offset = left - contentX;
            available -= offset;
        }
    }
    available = std::max<int32_t>(available, 0);
    DistributeTableColumns(m.column, m.spacing, available, GetTableWidth(table));

    // Captions count against the step's budget; rows and cells do not.
    int* stepBudget = f_.budget_;
    int captionBudget = INT_MAX / 2;
    f_.budget_ = &captionBudget;

    const TableSpacing& s = m.spacing;
    int32_t width = 2 * s.border + s.cellSpacing;
    for (const TableColumn& c : m.column) width += c.width + 2 * (s.borderFlag + s.cellPadding) + s.cellSpacing;

    HtmlElement* caption = nullptr;
    for (HtmlElement* c = table->FirstChild(); c && !caption; c = c->NextSibling()) {
        if (c->Type() == kTagCaption) caption = c;
    }
    const bool captionBelow = caption && caption->GetCaptionAlign() == 1;
    BlockBox* captionBox = caption && !captionBelow ? LayoutCaption(caption, state, bs.block, width) : nullptr;

    LayoutRequest request;
    request.width = width;
    request.widthGiven = true;
    request.heightGiven = true;
    // A table aligned left or right by its own ALIGN floats there.
    const int ownAlign = GetTableAlign(table);
    const bool floated = ownAlign == 4 || ownAlign == 5;
    auto* box = new BlockBox(bs.block, &request, nullptr, table);
    if (floated) box->SetFlags(LayoutElement::kOutOfFlow, true);
    SetTableFrame(s.border, *box, true, table->GetBackgroundColor());
    int32_t height = LayoutRows(table, state, box, m, s.border) + s.border;
    int32_t given = GetTableHeight(table);
    if (given < 0) given = f_.cellDepth_ ? 0 : static_cast<int32_t>(-static_cast<int64_t>(given) *
                                                                     f_.device_.GetViewHeight() / 100);
    box->SetHeight(std::max(height, given));
    box->Finish();
    if (captionBelow) captionBox = LayoutCaption(caption, state, bs.block, width);

    // Placement: the table's own alignment, else the one it inherits.
    const int align = ownAlign >= 4 && ownAlign <= 7 ? ownAlign : call.alignment;
    int32_t shift = offset;
    if (align == 5) shift += std::max<int32_t>(available - width, 0);
    if (align == 6) shift += std::max<int32_t>((available - width) / 2, 0);
    if (shift > 0) {
        box->SetX(box->X() + shift);
        if (captionBox) captionBox->SetX(captionBox->X() + shift);
    }
    if (floated) {
        if (FloatList* list = f_.FloatsOf(state, true)) list->Add(box, ownAlign == 4);
    }

    const int used = INT_MAX / 2 - captionBudget;
    f_.budget_ = stepBudget;
    if (stepBudget) *stepBudget = std::max(0, *stepBudget - used);
    return kResultDone;
}
