#include "windows/DocumentBarLayout.h"

#include <algorithm>

#include "resources/BrowsingIds.h"

const int kTopBarButtons[14] = {10511, 10512, 10515, 10516, 10518, 10519, 10520,
                                10521, 10606, 10607, 10608, 10609, 10610, 10625};

const ControlPlace* BarLayout::Find(int id) const {
    for (const auto& c : controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

namespace {

constexpr int kRowStart = 2;
constexpr int kDropDownList = 300;
constexpr int kZoomList = 400;

// Places controls left to right in rows of one height; a control that would
// pass the right edge starts a new row (unless it is the first of its row).
class RowPlacer {
public:
    RowPlacer(int right, int rowHeight) : right_(right), rowHeight_(rowHeight) {}

    // A control centred vertically in the row.
    void Place(int id, int width, int height, bool wrap = true) {
        if (wrap && x_ > kRowStart && x_ + width > right_) NewRow();
        Put(id, x_, rowTop_ + (rowHeight_ - height) / 2, width, height);
        x_ += width;
    }
    // A drop-down: its edit part at the given offset from the row's top;
    // its window is as tall as the edit part and the list.
    void PlaceDropDown(int id, int x, int top, int width, int editHeight, int list) {
        Put(id, x, rowTop_ + top, width, editHeight + list);
    }
    void Hide(int id) { layout_.controls.push_back(ControlPlace{id, 0, 0, 0, 0, false}); }
    // No gap at the start of a row.
    void Gap(int width) {
        if (x_ > kRowStart) x_ += width;
    }
    void NewRow() {
        rowTop_ += rowHeight_;
        x_ = kRowStart;
    }
    bool Fits(int width) const { return x_ == kRowStart || x_ + width <= right_; }
    int X() const { return x_; }
    void SetX(int x) { x_ = x; }
    int RowHeight() const { return rowHeight_; }
    ControlPlace& Last() { return layout_.controls.back(); }

    BarLayout Finish() {
        layout_.height = rowTop_ + rowHeight_;
        return std::move(layout_);
    }

private:
    void Put(int id, int x, int y, int width, int height) {
        layout_.controls.push_back(ControlPlace{id, x, y, width, height, true});
    }

    BarLayout layout_;
    int right_;
    int rowHeight_;
    int x_ = kRowStart;
    int rowTop_ = 0;
};

int RowHeight(const BarMetrics& m) {
    return std::max(m.buttonHeight, m.controlHeight) + 6;
}

void PlaceButtons(RowPlacer& row, const BarMetrics& m, std::initializer_list<int> ids) {
    for (int id : ids) row.Place(id, m.buttonWidth, m.buttonHeight);
}

void ShowIf(RowPlacer& row, const BarMetrics& m, bool show, int id) {
    if (show) {
        row.Place(id, m.buttonWidth, m.buttonHeight);
    } else {
        row.Hide(id);
    }
}

// A field of the control height one pixel above the button row, on a new
// row when it does not fit.
void PlaceRowField(RowPlacer& row, const BarMetrics& m, int id, int width, int list) {
    if (!row.Fits(width)) row.NewRow();
    int buttonTop = (row.RowHeight() - m.buttonHeight) / 2;
    row.PlaceDropDown(id, row.X(), std::max(0, buttonTop - 1), width, m.controlHeight, list);
    row.SetX(row.X() + width);
}

}  // namespace

BarLayout LayoutTopWindowBar(int mode, const BarMetrics& m) {
    if (mode <= 0 || mode >= 4) return BarLayout{};
    RowPlacer row(std::max(m.barWidth - 6, 200), RowHeight(m));
    if (mode == 1) {
        for (int id : {10511, 10512, 10515, 10516, 10518, 10519, 10520, 10521, 10606, 10607}) row.Hide(id);
        PlaceButtons(row, m, {10608});
        row.Gap(4);
    } else {
        PlaceButtons(row, m, {10511, 10512});
        row.Gap(4);
        PlaceButtons(row, m, {10515, 10516, 10518, 10519});
        row.Gap(4);
        PlaceButtons(row, m, {10520, 10521});
        row.Gap(4);
        PlaceButtons(row, m, {10606});
        ShowIf(row, m, mode == 3, 10607);
        row.Hide(10608);
    }
    if (mode == 2) {
        PlaceButtons(row, m, {10609});
        row.Gap(4);
        PlaceButtons(row, m, {10625});
        row.Gap(4);
    } else {
        row.Hide(10609);
        row.Hide(10625);
    }
    if (mode == 1 || mode == 2) {
        row.Place(10610, m.buttonWidth, m.buttonHeight, false);
        row.Gap(4);
    } else {
        row.Hide(10610);
    }
    if (mode == 2) {
        PlaceRowField(row, m, kTopBarSortCombo, m.digits10 + 6 + 1 + m.arrowWidth, kDropDownList);
    } else {
        row.Hide(kTopBarSortCombo);
    }
    if (mode == 1) {
        PlaceRowField(row, m, kTopBarFilterEdit, m.digits8 + 6, 0);
    } else {
        row.Hide(kTopBarFilterEdit);
    }
    return row.Finish();
}

BarLayout LayoutBottomWindowBar(const BarMetrics& m) {
    const int width = std::max(m.barWidth - 6, 100);
    RowPlacer row(width, RowHeight(m));
    bool large = (m.progressStyle < 0 || m.progressStyle > 2) && !m.smallButtons;
    const int icon = large ? 32 : 16;
    const int slack = large ? 40 : 20;
    const int zoomText = m.digits7;

    PlaceButtons(row, m, {IDC_BAR_SECURITY, IDC_BAR_IMAGES, IDC_BAR_DOCUMENT_MODE});
    row.Gap(2);
    // The address field takes what the zoom field leaves of the row.
    const int fieldTop = (row.RowHeight() - m.controlHeight) / 2;
    const int zoomX = width - zoomText - m.arrowWidth - 6;
    const int historyWidth = std::max(zoomX - 2 - row.X(), 40);
    row.PlaceDropDown(IDC_BAR_HISTORY, row.X(), fieldTop, historyWidth, m.controlHeight, kDropDownList);
    row.PlaceDropDown(IDC_BAR_ZOOM, std::max(zoomX, row.X() + historyWidth + 2), fieldTop,
                      zoomText + 4 + m.arrowWidth, m.controlHeight, kZoomList);

    // The progress row: the stop button, then the fields side by side.
    row.NewRow();
    PlaceButtons(row, m, {IDC_BAR_STOP});
    row.Gap(2);
    const struct {
        int id, width;
    } fields[] = {
        {IDC_BAR_PERCENT, icon + 10 + slack}, {IDC_BAR_FIGURES, m.digits5 + 4 + slack},
        {IDC_BAR_BYTES, m.digits7 + 6},       {IDC_BAR_CONNECTIONS, icon + 10},
        {IDC_BAR_TIME, m.digits5 + 4},        {IDC_BAR_IMAGE_MODE, m.digits7 + 6},
        {IDC_BAR_PROGRESS_TEXT, m.digits7 + 6},
    };
    for (const auto& f : fields) row.Place(f.id, f.width, m.controlHeight, false);
    // The text field runs to the right edge.
    ControlPlace& text = row.Last();
    text.width = std::max(m.barWidth - 2 - text.x, 100);
    return row.Finish();
}
