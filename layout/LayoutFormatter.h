// Formats an element tree into layout elements, step by step.
//
// One recursive routine with the element as receiver: it applies the
// element's style, decides by the element's type what the element becomes,
// formats the children by calling itself and closes what the element
// opened. A stack of LayoutStates (one per container being formatted)
// survives between steps, so that a step that ran out of its element budget
// or reached its stop element is continued by the next step exactly where
// it ended.
//
// This formatter covers the flow: blocks, inline containers, lines of words
// with wrapping, no-break runs, preformatted text, line breaks, lists with
// their markers, rules, images and their placeholders, embeds, form
// controls and floats with CLEAR; tables are laid out whole by TableLayout
// (LayoutTable.h).
#pragma once
#include <cstdint>
#include <memory>

#include "core/ListNode.h"
#include "layout/FloatLayout.h"
#include "layout/LayoutElement.h"
#include "layout/ReplacedElements.h"
#include "layout/SharedStyles.h"
#include "layout/StyleApplication.h"

class HtmlElement;
class PageProperties;
class PaintDevice;
class SavedControls;

// Results of a formatting call.
enum FormatResult : int {
    kResultDone = 0,
    kResultNoFit = 1,
    kResultNothing = 2,
    kResultLineFull = 3,
    kResultAwaitImage = 4,
    kResultLineEnded = 5,
    kResultStopped = 6,
    kResultBudgetOut = 7,
    kResultNoLine = 13,
    kResultBlockInEmptyBox = 14,
    kResultUnbreakable = 15,
    kResultClearUp = 17,
    kResultFirstLetterDone = 18,
};

// The page-level step starts every step with this budget of elements.
constexpr int kStepBudget = 200;

// One container being formatted: the element, where to resume, and the
// block and line that receive its content.
class LayoutState : public ListNode {
public:
    LayoutState() = default;
    // A marker still waiting for its line is the state's own: a layout
    // dropped before the line came (a page laid out again) lets it go here.
    ~LayoutState() override { delete pendingMarker; }
    LayoutState(const LayoutState&) = delete;
    LayoutState& operator=(const LayoutState&) = delete;
    HtmlElement* element = nullptr;
    HtmlElement* nextChild = nullptr;
    // The last child formatted: while the element is still open its next
    // child may not exist yet, and a later step resumes after this one.
    HtmlElement* lastDone = nullptr;
    LayoutState* blockState = nullptr;  // the state that owns block and line
    BlockBox* block = nullptr;
    LineBox* line = nullptr;
    int textPosition = 0;            // inside a text node
    HtmlElement* nobr = nullptr;     // the open NOBR or WBR context
    ListMarkerBox* pendingMarker = nullptr;
    int32_t listCounter = 0;
    int listMarkerStyle = 0;
    int32_t numberColumn = 0;
    int alignment = 4;
    bool preformatted = false;
    bool started = false;  // the element's own opening work is done
    TextStyleRecord text;
    FontSpec fontSpec;
    // The page root and every floated block start a context of floats of
    // their own; the states inside use the list of the nearest one.
    bool floatContext = false;
    std::unique_ptr<FloatList> floats;
    BlockBox* pendingFloat = nullptr;  // the float this element fills
    int32_t pendingIndent = 0;         // text-indent of the block's first line
    int pendingFloatSide = 0;          // kFloatLeft or kFloatRight
};

class LayoutFormatter {
public:
    // page: null for plain-text rendering (no page colours or fonts).
    LayoutFormatter(PaintDevice& device, const PageProperties* page);
    ~LayoutFormatter();
    LayoutFormatter(const LayoutFormatter&) = delete;
    LayoutFormatter& operator=(const LayoutFormatter&) = delete;

    // Formats the root's children into the root box, continuing where the
    // last step ended. Answers 0 when the page is complete, 7 when the
    // budget ran out, 6 at the stop element, 4 while an image is awaited.
    int FormatStep(HtmlElement* root, BlockBox* rootBox, int budget, HtmlElement* stop = nullptr);
    bool IsComplete() const { return complete_; }

    // The page's image table; without one every image without both sizes
    // shows its placeholder.
    void SetImageSource(LayoutImageSource* images) { images_ = images; }
    // The controls an earlier layout of the page kept: a control is taken
    // from there before the factory is asked for a new one.
    void SetSavedControls(SavedControls* saved) { savedControls_ = saved; }
    // Set when an image was placed before its size was known while it
    // still loads: the page is formatted again once the size arrives.
    bool ImageSizeAwaited() const { return imageAwaited_; }
    // Preferences: plug-ins shown (EMBED makes boxes, NOEMBED none), scripts
    // run (NOSCRIPT makes none) and a frame drawn around every image.
    void SetPluginsEnabled(bool on) { pluginsEnabled_ = on; }
    void SetScriptingEnabled(bool on) { scriptingEnabled_ = on; }
    void SetForceImageFrame(bool on) { forceImageFrame_ = on; }

private:
    friend class TableLayout;
    struct Call {
        bool firstElement;
        bool secondPass;
        bool preformatted;
        int alignment;
    };
    int Format(HtmlElement* e, LayoutState& outer, Call call);
    int FormatText(HtmlElement* e, LayoutState& state, Call call);
    int FormatInline(HtmlElement* e, LayoutState& outer, Call call);
    int FormatBlock(HtmlElement* e, LayoutState& outer, Call call, int floatSide);
    int FormatBreak(HtmlElement* e, LayoutState& outer, bool flowCleared);
    int FormatRule(HtmlElement* e, LayoutState& outer);
    int ChildrenLoop(HtmlElement* e, LayoutState& state, Call call, bool block);
    // The child is done: the loop goes on after it.
    void Advance(LayoutState& state, HtmlElement* child);
    // Whether the element may still get children (the page's open element
    // or one of its ancestors).
    bool IsOpen(const HtmlElement* e) const;
    LayoutState& NestedState(LayoutState& outer, HtmlElement* element);
    bool ResumesInline(LayoutState& state, HtmlElement* child);
    void DropStatesAfter(LayoutState& state);
    const BoxStyle* StyleFor(const TextStyleRecord& text);
    // Applies the element's attributes and computed style to the text style
    // and pushes its font to the device.
    void ApplyStyle(HtmlElement* e, TextStyleRecord& text, ElementStyleResult& style);

    // Lines.
    void StartLine(LayoutState& block);
    void CloseLine(LayoutState& block, int alignment);
    int PlaceTextRun(HtmlElement* text, LayoutState& state, Call call);
    int PlacePreformattedLine(HtmlElement* text, LayoutState& state);
    void MoveRunToNewLine(LayoutState& block, HtmlElement* context);
    int32_t LineRoom(LayoutState& block);
    int32_t LineHeight();
    // The width of a bullet, a third of the room its marker takes.
    int32_t MarkerUnit();
    // A list's column of numbers, as wide as its item count (at least 100)
    // in nines with ". ", and its items' marker style.
    int32_t NumberColumn(const HtmlElement* list);
    static int ListMarkerStyle(const HtmlElement* list);
    // Raises a list's left margin to the room its markers take.
    void MakeRoomForMarkers(const HtmlElement* e, StyledBlock& edges);
    // The style's background image becomes one of the page's images, its
    // number in the style; 0 without one (or without images).
    int32_t NumberBackgroundImage(StyledBlock& edges);
    // The same for a picture given otherwise (a cell's BACKGROUND).
    int32_t NumberBackgroundImage(const UrlHandle& url, BoxStyle& style);
    // The box shows that background image: it repaints as the image arrives.
    void RegisterBackgroundBox(int32_t number, LayoutElement* box);
    int NobrBreakCheck(LayoutState& state, bool secondPass);

    // Replaced elements.
    int FormatImage(HtmlElement* e, LayoutState& state, Call call, int floatSide);
    int FormatEmbed(HtmlElement* e, LayoutState& state, Call call);
    int FormatControl(HtmlElement* e, LayoutState& state, Call call);
    // The line or pending float that receives a box; fit-tests an inline
    // box of the given width (answers 0 to place it, else the result).
    int PlaceInline(LayoutState& state, Call call, bool fitTest, int32_t width, bool floated,
                    LayoutElement*& receiver);

    // Floats.
    FloatList* FloatsOf(LayoutState& state, bool make);
    void StartFloat(HtmlElement* e, LayoutState& state, int side, int32_t width, const BoxMetricsValues* edges,
                    int alignment);
    void EndFloat(LayoutState& outer, LayoutState& state);
    // Answers whether the flow was moved below the floats.
    bool ClearFloats(LayoutState& state, int side, int alignment);

    PaintDevice& device_;
    const PageProperties* page_;
    NodeList states_;
    int* budget_ = nullptr;
    HtmlElement* stop_ = nullptr;
    bool complete_ = false;
    // Inside table cells lines take the cell's width, not the view's.
    int cellDepth_ = 0;
    LayoutImageSource* images_ = nullptr;
    SavedControls* savedControls_ = nullptr;
    bool imageAwaited_ = false;
    bool pluginsEnabled_ = true;
    bool scriptingEnabled_ = true;
    bool forceImageFrame_ = false;
    SharedStyles styles_;
};

// Text of the layout tree, one line per box: kind, place, size and, for text,
// the characters. For golden dumps of formatted pages.
std::string DumpLayoutTree(const LayoutElement& root);
