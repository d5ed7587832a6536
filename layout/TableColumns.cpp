#include "layout/TableColumns.h"

#include <algorithm>

TableGrid::TableGrid(int rows, int columns) : rows_(rows < 0 ? 0 : rows), columns_(columns < 0 ? 0 : columns) {
    const int64_t perRow = static_cast<int64_t>(sizeof(TableColumn)) * (columns_ ? columns_ : 1);
    if (rows_ > 0 && perRow * rows_ > kMaxTableGridBytes) {
        columns_ = static_cast<int>(kMaxTableGridBytes / (static_cast<int64_t>(sizeof(TableColumn)) * rows_));
        if (columns_ == 0) rows_ = static_cast<int>(kMaxTableGridBytes / static_cast<int64_t>(sizeof(TableColumn)));
    }
    cells_.resize(static_cast<size_t>(rows_) * static_cast<size_t>(columns_));
}

TableColumn* TableGrid::At(int row, int column) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return nullptr;
    return &cells_[static_cast<size_t>(row) * columns_ + column];
}

namespace {
int32_t NonZero(int32_t v) { return v == 0 ? 1 : v; }

void MergeSpanningCell(std::vector<TableColumn>& columns, int first, const TableColumn& cell) {
    const int last = std::min<int>(first + cell.colSpan, static_cast<int>(columns.size()));
    int32_t sumP = 0, sumN = 0, sumW = 0, withoutPercent = 0;
    for (int c = first; c < last; ++c) {
        sumP += columns[c].percent;
        sumN += columns[c].narrowest;
        sumW += columns[c].widest;
        withoutPercent += columns[c].percent == 0;
    }
    if (cell.percent > sumP) {
        for (int c = first; c < last; ++c) {
            int32_t& p = columns[c].percent;
            if (withoutPercent == 0) {
                p = static_cast<int32_t>(static_cast<int64_t>(p + 1) * (cell.percent - sumP) / NonZero(sumP) + 1 + p);
            } else if (p == 0) {
                p = (cell.percent - sumP) / withoutPercent;
            }
        }
    }
    if (cell.widest > sumW) {
        for (int c = first; c < last; ++c) {
            columns[c].widest +=
                static_cast<int32_t>(static_cast<int64_t>(columns[c].widest) * (cell.widest - sumW) / NonZero(sumW));
        }
    }
    if (cell.narrowest > sumN) {
        const int32_t difference = cell.narrowest - sumN;
        int32_t slack = 0;
        for (int c = first; c < last; ++c) slack += columns[c].widest - columns[c].narrowest;
        int32_t given = 0;
        if (slack > 0) {
            for (int c = first; c < last; ++c) {
                const int32_t share = static_cast<int32_t>(
                    static_cast<int64_t>(difference) * (columns[c].widest - columns[c].narrowest) / slack);
                columns[c].narrowest += share;
                given += share;
            }
        }
        const int32_t left = difference - given;
        const int count = last - first;
        for (int c = first; c < last && count > 0; ++c) {
            columns[c].narrowest += c == last - 1 ? left - (left / count) * (count - 1) : left / count;
        }
        for (int c = first; c < last; ++c) columns[c].widest = std::max(columns[c].widest, columns[c].narrowest);
    }
}
}  // namespace

std::vector<TableColumn> MergeTableColumns(TableGrid& grid) {
    std::vector<TableColumn> columns(grid.Columns());
    int widestSpan = 1;
    for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < grid.Columns(); ++c) widestSpan = std::max(widestSpan, grid.At(r, c)->colSpan);
    }
    widestSpan = std::min(widestSpan, kMaxTableSpan);
    for (int span = 1; span <= widestSpan; ++span) {
        for (int r = 0; r < grid.Rows(); ++r) {
            for (int c = 0; c < grid.Columns(); ++c) {
                const TableColumn& cell = *grid.At(r, c);
                if (std::max(cell.colSpan, 1) != span) continue;
                if (span == 1) {
                    columns[c].percent = std::max(columns[c].percent, cell.percent);
                    columns[c].narrowest = std::max(columns[c].narrowest, cell.narrowest);
                    columns[c].widest = std::max(columns[c].widest, cell.widest);
                } else {
                    MergeSpanningCell(columns, c, cell);
                }
            }
        }
    }
    return columns;
}

namespace {
template <typename Width>
int32_t Total(const std::vector<TableColumn>& columns, const TableSpacing& s, Width width) {
    int64_t total = s.cellSpacing + 2 * s.border;
    for (const TableColumn& c : columns) total += width(c) + s.borderFlag + s.cellSpacing + 2 * s.cellPadding;
    return static_cast<int32_t>(std::min<int64_t>(total, 0x7FFFFFFF));
}
}  // namespace

int32_t TableTotalNarrowest(const std::vector<TableColumn>& columns, const TableSpacing& spacing) {
    return Total(columns, spacing, [](const TableColumn& c) { return c.narrowest; });
}
int32_t TableTotalWidest(const std::vector<TableColumn>& columns, const TableSpacing& spacing) {
    return Total(columns, spacing, [](const TableColumn& c) { return c.widest; });
}
int32_t TableTotalWidth(const std::vector<TableColumn>& columns, const TableSpacing& spacing) {
    return Total(columns, spacing, [](const TableColumn& c) { return c.width; });
}

int32_t DistributeTableColumns(std::vector<TableColumn>& columns, const TableSpacing& spacing, int32_t available,
                               int32_t tableWidth) {
    if (columns.empty()) return TableTotalWidth(columns, spacing);
    const int32_t totalN = TableTotalNarrowest(columns, spacing);
    const int32_t totalW = TableTotalWidest(columns, spacing);
    const int32_t count = static_cast<int32_t>(columns.size());
    int32_t a = available;
    bool fixed = false;
    if (tableWidth != 0) {
        const int32_t w = tableWidth < 0 ? static_cast<int32_t>(-static_cast<int64_t>(tableWidth) * a / 100) : tableWidth;
        if (w > totalN) {
            fixed = true;
            a = w;
        } else if (totalN < a) {
            a = totalN;
        }
    }
    int32_t target, extra = 0;
    if (totalN >= a) {
        target = totalN;
    } else if (totalW > a) {
        target = a;
    } else if (fixed) {
        target = a;
        extra = (a - totalW) / count;
    } else {
        target = totalW;
    }

    int64_t percentSum = 0;
    for (const TableColumn& c : columns) percentSum += c.percent;
    for (TableColumn& c : columns) {
        if (percentSum > 100) c.percent = static_cast<int32_t>(c.percent * 100 / percentSum);
        c.width = 0;
        if (c.percent > 0) c.width = std::max<int32_t>(static_cast<int32_t>(static_cast<int64_t>(target) * c.percent / 100), c.narrowest);
        if (totalW > a) {
            c.width = std::max(c.width, c.narrowest);
        } else if (c.percent == 0) {
            c.width = std::max(c.width, c.widest + extra);
        }
    }

    // A step whose denominator is 0 (every cell as wide as it can be narrow)
    // is skipped.
    const int64_t slack = static_cast<int64_t>(totalW) - totalN;
    int32_t total = TableTotalWidth(columns, spacing);
    if (total < target) {
        for (int pass = 0; pass < 2 && total < target && slack != 0; ++pass) {
            const int64_t shortfall = target - total;
            for (TableColumn& c : columns) {
                if (pass == 0 && c.percent > 0) continue;
                c.width += static_cast<int32_t>((c.widest - c.narrowest) * shortfall / slack);
            }
            total = TableTotalWidth(columns, spacing);
        }
        if (total < target && total != 0) {
            const int64_t shortfall = target - total;
            for (TableColumn& c : columns) c.width += static_cast<int32_t>(shortfall * c.width / total);
            total = TableTotalWidth(columns, spacing);
        }
    } else if (total > a) {
        int64_t excess = total - a;
        const int64_t start = excess;
        for (TableColumn& c : columns) {
            int64_t cut = 0;
            if (c.percent > 0) {
                cut = start * c.percent / 100;
            } else if (slack != 0) {
                cut = (c.widest - c.narrowest) * start / slack;
            }
            const int64_t room = c.width - c.narrowest;
            if (cut > room) cut = room < 0 ? 0 : room;
            c.width -= static_cast<int32_t>(cut);
            excess -= cut;
        }
        total = TableTotalWidth(columns, spacing);
        for (TableColumn& c : columns) {
            if (total <= a) break;
            const int32_t room = c.width - c.narrowest;
            const int32_t cut = std::min<int64_t>(room, total - a);
            if (cut > 0) {
                c.width -= cut;
                total -= cut;
            }
        }
    }
    return target;
}
