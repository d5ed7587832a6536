// Where the controls of a document window's two bars go: the news bar at the
// top ("TOPTOOLBAR4"), whose buttons follow the window's bar mode, and the
// address and progress bar at the bottom ("BOTTOMTOOLBARFULL"). Pure
// arithmetic on measured sizes, so that it is tested without windows; the
// bars apply the result to their controls.
#pragma once
#include <vector>

// Bar modes of a document window: 0 no bar; 1 a group list, 2 an article
// list, 3 an article; 4 no news bar.
constexpr int kBarModeCount = 5;

struct BarMetrics {
    int barWidth = 0;  // the bar's client width
    int buttonWidth = 0;
    int buttonHeight = 0;
    int controlHeight = 0;  // the tallest edit or combo box field
    int arrowWidth = 0;     // a scroll-bar arrow, the drop-down button
    // Widths of rows of digits in the user-interface font: "22222",
    // "2222222", "22222222" and "2222222222".
    int digits5 = 0, digits7 = 0, digits8 = 0, digits10 = 0;
    int progressStyle = 0;      // the progress display style byte
    bool smallButtons = false;  // the small-buttons preference of the bar
};

struct ControlPlace {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;  // a combo box's height holds its list
    bool shown = false;
};

struct BarLayout {
    std::vector<ControlPlace> controls;
    int height = 0;  // the height the bar needs
    // The place of a control, or null when the layout does not name it.
    const ControlPlace* Find(int id) const;
};

// Ids of the top bar's controls, in the template's order.
extern const int kTopBarButtons[14];
constexpr int kTopBarSortCombo = 10522;
constexpr int kTopBarFilterEdit = 10568;

// Empty (height 0) for bar modes 0 and 4, where the bar has nothing to show.
BarLayout LayoutTopWindowBar(int barMode, const BarMetrics& metrics);
BarLayout LayoutBottomWindowBar(const BarMetrics& metrics);
