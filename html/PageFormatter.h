// What the page content needs of the layout engine to format a page step by
// step. The layout engine implements it; the page content decides when a
// step may run and what it answers (DocumentContent::FormatStep).
#pragma once

#include <cstdint>

#include "net/UrlHandle.h"

class HtmlElement;
class PageProperties;

// Step states of a page's formatting.
enum FormatStepState : int {
    kFormatDone = 3,         // the whole page is laid out
    kFormatLayoutWait = 4,   // the layout engine's own states, passed on
    kFormatNothingToDo = 5,  // empty tree, or formatted up to the open element
    kFormatLayoutMore = 6,
    kFormatSheetsWait = 7,  // style sheets of the page are still loading
};

// Results of the layout engine that the step maps to its states.
enum FormatterResult : int { kLayoutNeedsImage = 4, kLayoutReachedStop = 6, kLayoutMore = 7 };

class PageFormatter {
public:
    virtual ~PageFormatter() = default;
    // First step: the page box (text colour, unset background), a block as
    // wide as the device less its margins, and a formatting item for root.
    virtual void BeginPage(const PageProperties& page, const HtmlElement* root) = 0;
    // Runs the layout from where it stopped up to stopElement (the element
    // still open in the tree, or null); answers its result.
    virtual int Format(const HtmlElement* stopElement) = 0;
    // The last element the layout formatted, or null.
    virtual const HtmlElement* LastFormatted() const = 0;
    // The page box's background: colour -1 means the display's default.
    virtual void SetPageBackground(int32_t colour, const UrlHandle& image) = 0;
    // Lays out elements after the page's own (the stopped-transmission notice).
    virtual void AppendElements(const HtmlElement* rule, const HtmlElement* block) = 0;
};

// What a page's formatting keeps between steps.
struct FormatState {
    int state = 0;
    bool begun = false;
    bool colourEnabled = true;  // "UI ENABLE COLOR"
    bool imagesWanted = true;
};
