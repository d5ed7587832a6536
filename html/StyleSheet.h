// Style sheets: rules of selectors (element types, ids, classes and
// pseudo-classes joined by descendant, child and adjacent combinators) with
// their declarations; matching a sheet against an element; and the weighted
// merge of declarations into the list that the layout applies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"
#include "html/CssDeclarations.h"
#include "html/CssTokenizer.h"
#include "html/HtmlTables.h"

class HtmlElement;
class PageProperties;

enum PseudoClass : int {
    kPseudoLink = 1,
    kPseudoVisited = 2,
    kPseudoActive = 3,
    kPseudoHover = 4,
    kPseudoFirstLine = 5,
    kPseudoFirstLetter = 6
};
int LookupPseudoClass(const char* name, int length);

constexpr int kAnyElement = 255;
constexpr int kPartPseudo = 58;

struct SelectorPart {
    int kind = 0;   // kCssHash (id), kCssClass or kPartPseudo
    int value = 0;  // the pseudo-class code
    std::string name;
};

struct CompoundSelector {
    int type = kAnyElement;
    int combinator = 0;  // to the compound on its right: 0 descendant, '>' child, '+' adjacent
    std::vector<SelectorPart> parts;
};

struct StyleRule {
    std::vector<CompoundSelector> compounds;  // the subject (rightmost) first
    std::shared_ptr<DeclarationList> declarations;
    uint16_t specificity = 0;
    bool fromUserSheet = false;
};

// A rule matched for an element, with its weight.
class MatchedRule : public ListNode {
public:
    MatchedRule(const StyleRule* rule, int weight) : rule(rule), weight(weight) {}
    const StyleRule* rule;
    int weight;
};

class MatchedRuleList : public NodeList {
public:
    ~MatchedRuleList() override { Clear(); }
    MatchedRule* First() const { return static_cast<MatchedRule*>(NodeList::First()); }
};

// The declarations that apply to an element: at most one per property and
// pseudo-class code, each with its weight. Does not own the declarations.
class WeightedDeclaration : public ListNode {
public:
    WeightedDeclaration(const StyleDeclaration* declaration, int weight)
        : declaration(declaration), weight(weight) {}
    const StyleDeclaration* declaration;
    int weight;
};

class StyleDeclarationList : public NodeList {
public:
    ~StyleDeclarationList() override { Clear(); }
    WeightedDeclaration* First() const { return static_cast<WeightedDeclaration*>(NodeList::First()); }
    static WeightedDeclaration* Next(const WeightedDeclaration* d) {
        return static_cast<WeightedDeclaration*>(d->Next());
    }
};

// The weight bit that lets the user's sheet override the page's.
constexpr int kOverrideWeight = 0x8000;

class StyleSheet {
public:
    // owner: the STYLE or LINK element (null for the user's own sheet).
    StyleSheet(HtmlElement* owner, const UrlHandle* base);
    ~StyleSheet();

    // Parses style sheet text into rules; position moves past what was read.
    // Answers the last token kind: kCssNeedMore at the end of the text,
    // kCssStop when the text could not be read on.
    int ParseRules(PageProperties* page, const char*& position, const char* end, bool more, bool isUserSheet);
    // Appends every rule that matches the element; 1 when one matched.
    int MatchRules(const HtmlElement* element, MatchedRuleList& matched) const;
    HtmlElement* Owner() const { return owner_; }
    // The owning element is going: the rules stay with the page, which
    // keeps them after the sheets whose elements remain.
    void ForgetOwner() { owner_ = nullptr; }
    int RuleCount() const;

private:
    void CloseCompound();
    void CloseRule(bool withSpecificity);
    void FinishBlock();
    void ParseCollected(bool important);
    void ApplyPseudoClasses(StyleRule& rule);

    HtmlElement* owner_;
    std::unique_ptr<UrlHandle> base_;
    std::vector<std::unique_ptr<StyleRule>> rules_[1 + kTagCount];  // any element, then each tag
    std::vector<std::unique_ptr<StyleRule>> waiting_;
    std::unique_ptr<StyleRule> rule_;
    std::unique_ptr<CompoundSelector> compound_;
    bool ruleDropped_ = false;
    std::shared_ptr<DeclarationList> block_;
    int previousKind_ = 0;
    bool inSelector_ = true;
    bool atStart_ = true;
    int importState_ = 0;
    bool afterColon_ = false;
    bool pseudoNext_ = false;
    bool userSheet_ = false;
    std::string property_;
    std::vector<CssValue> values_;
};

// Adds a declaration to the list by the weighted merge.
void AddWeightedDeclaration(StyleDeclarationList& list, const StyleDeclaration* declaration, int weight);
