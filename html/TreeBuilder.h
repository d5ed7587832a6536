// Turns the token stream of a page into its element tree while the bytes
// arrive. One activation per open element reads tokens, appends children and
// recurses into each new element; it returns when its element ends, when a
// token must be placed by an outer level, when the data runs out or when the
// nesting gets too deep. The next pass starts again at the root and descends
// along the last children to the innermost element that was open.
#pragma once

#include "html/HtmlTokenizer.h"

class HtmlElement;
class ScriptRecord;
class PageProperties;

// Results of an activation.
enum BuildResult : int { kBuildEnded = 0, kBuildClose = 1, kBuildSuspended = 2, kBuildTooDeep = 3 };

// Nesting limits: deeper content stays with the shallower parent.
constexpr int kMaxTableDepth = 8;
constexpr int kMaxNestingLevel = 30;
constexpr int kMaxTitleText = 120;
constexpr int kMaxSelectionText = 4086;

class TreeBuilder {
public:
    TreeBuilder() = default;
    // Inserts the elements of the bytes from position to end under root;
    // position moves past what was consumed. Answers 0 when the page ended
    // (no more data and nothing pending) or 2 when it waits for more.
    // tokenizerMore may be false while more is true to make the tokenizer
    // give up waiting on a cut construct (the caller has no room for more).
    int Build(HtmlElement* root, PageProperties* page, const char*& position, const char* end, bool more,
              bool tokenizerMore);
    HtmlTokenizer& Tokenizer() { return tokenizer_; }

private:
    int Activate(HtmlElement* parent, int tableDepth, int level, bool pre, HtmlElement* resume);
    int ReadToken(HtmlElement* parent);
    int ReadScript(HtmlElement* script);
    int ReadStyle(HtmlElement* style);
    // Reads a SCRIPT's SRC file when it is there; false while the page waits.
    bool ReadScriptSource(ScriptRecord& record);
    int ReadTextArea(HtmlElement* textarea);
    int ScanRaw(int wanted, int& length);
    // Appends a new element (or text node) and descends into it.
    int AddAndDescend(HtmlElement* parent, int code, bool implied, int tableDepth, int level, bool pre,
                      bool& consumedNothing);
    int AfterChild(HtmlElement* parent, HtmlElement* child, int result);
    void Register(HtmlElement* element);
    void AddText(HtmlElement* parent, bool pre);
    void PutHiddenInput(HtmlElement* row);
    void RemoveEmptyCell(HtmlElement* cell);
    void SelectDefaultSelection(HtmlElement* select);

    HtmlTokenizer tokenizer_;
    AttributeSlot slots_[kAttributeSlots + 1];
    PageProperties* page_ = nullptr;
    const char** position_ = nullptr;
    const char* end_ = nullptr;
    bool more_ = false;
    bool tokenizerMore_ = false;
    const char* tokenStart_ = nullptr;
    int tokenLength_ = 0;
};

// Appends a FORM without attributes to parent.
HtmlElement* MakeImpliedForm(HtmlElement* parent, PageProperties* page);
// The form of an ISINDEX page: a rule, the prompt, a break, a text field and
// another rule.
void MakeIsIndexForm(HtmlElement* parent, PageProperties* page, const char* prompt);
