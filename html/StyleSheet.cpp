#include "html/StyleSheet.h"

#include <cstring>

#include "html/HtmlElement.h"
#include "html/PageProperties.h"

namespace {

int RuleListOf(int type) {
    return type >= kFirstTag && type <= kLastTag ? 1 + type - kFirstTag : 0;
}

// Properties that first-line and first-letter rules may set.
bool AllowedForPseudo(int pseudo, int property) {
    static const int kLine[] = {kPropClear,
                                kPropColor,
                                kPropFontSize,
                                kPropFontStyle,
                                kPropLineHeight,
                                kPropFontFamily,
                                kPropFontWeight,
                                kPropFontVariant,
                                kPropWordSpacing,
                                kPropLetterSpacing,
                                kPropTextTransform,
                                kPropVerticalAlign,
                                kPropTextDecoration,
                                kPropBackgroundColor,
                                kPropBackgroundImage,
                                kPropBackgroundRepeat,
                                kPropBackgroundPosition};
    static const int kLetter[] = {kPropFloat,
                                  kPropMarginTop,
                                  kPropMarginRight,
                                  kPropMarginBottom,
                                  kPropMarginLeft,
                                  kPropPaddingTop,
                                  kPropPaddingRight,
                                  kPropPaddingBottom,
                                  kPropPaddingLeft,
                                  kPropBorderTopColor,
                                  kPropBorderTopStyle,
                                  kPropBorderTopWidth,
                                  kPropBorderRightColor,
                                  kPropBorderRightStyle,
                                  kPropBorderRightWidth,
                                  kPropBorderBottomColor,
                                  kPropBorderBottomStyle,
                                  kPropBorderBottomWidth,
                                  kPropBorderLeftColor,
                                  kPropBorderLeftStyle,
                                  kPropBorderLeftWidth};
    switch (pseudo) {
        case kPseudoLink:
        case kPseudoVisited:
            return true;
        case kPseudoFirstLine:
        case kPseudoFirstLetter:
            for (int p : kLine) {
                if (p == property) return true;
            }
            if (pseudo == kPseudoFirstLetter) {
                for (int p : kLetter) {
                    if (p == property) return true;
                }
            }
            return false;
        default:
            return false;
    }
}

bool WordInList(const char* list, const std::string& word) {
    const char* p = list;
    while (*p) {
        while (*p && IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        while (*p && !IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        if (static_cast<size_t>(p - start) == word.size() &&
            std::memcmp(start, word.data(), word.size()) == 0)
            return true;
    }
    return false;
}

bool PartsMatch(const CompoundSelector& compound, const HtmlElement* element) {
    for (const SelectorPart& part : compound.parts) {
        if (part.kind == kCssHash) {
            const char* id = element->GetId();
            if (!id || !*id || IsAsciiDigit(static_cast<unsigned char>(*id)) || part.name != id) return false;
        } else if (part.kind == kCssClass) {
            const char* cls = element->GetClass();
            if (!cls || !*cls || IsAsciiDigit(static_cast<unsigned char>(*cls)) ||
                !WordInList(cls, part.name))
                return false;
        }
    }
    return true;
}

bool TypeMatches(const CompoundSelector& compound, const HtmlElement* element) {
    return compound.type == kAnyElement || compound.type == element->Type();
}

bool RuleMatches(const StyleRule& rule, const HtmlElement* element) {
    const std::vector<CompoundSelector>& c = rule.compounds;
    if (c.empty() || !PartsMatch(c[0], element)) return false;
    const HtmlElement* current = element;
    for (size_t i = 1; i < c.size(); ++i) {
        const CompoundSelector& compound = c[i];
        if (compound.type == kTagHtml || compound.type == kTagBody) {
            // The page root stands for HTML and BODY.
            const HtmlElement* root = current;
            while (root->Parent()) root = root->Parent();
            if (root == current || !PartsMatch(compound, root)) return false;
            current = root;
            continue;
        }
        const HtmlElement* found = nullptr;
        if (compound.combinator == '+') {
            const HtmlElement* sibling = current->PrevSibling();
            if (sibling && TypeMatches(compound, sibling) && PartsMatch(compound, sibling)) found = sibling;
        } else if (compound.combinator == '>') {
            const HtmlElement* parent = current->Parent();
            if (parent && TypeMatches(compound, parent) && PartsMatch(compound, parent)) found = parent;
        } else {
            for (const HtmlElement* e = current->Parent(); e && !found; e = e->Parent()) {
                if (TypeMatches(compound, e) && PartsMatch(compound, e)) found = e;
            }
        }
        if (!found) return false;
        current = found;
    }
    return true;
}

}  // namespace

int LookupPseudoClass(const char* name, int length) {
    static const struct {
        const char* name;
        int code;
    } kPseudo[] = {{"link", 1},    {"hover", 4},      {"active", 3},
                   {"visited", 2}, {"first-line", 5}, {"first-letter", 6}};
    if (length > 12) return kCssUnknownKeyword;
    for (const auto& p : kPseudo) {
        if (static_cast<int>(std::strlen(p.name)) == length && std::memcmp(p.name, name, length) == 0)
            return p.code;
    }
    return kCssUnknownKeyword;
}

StyleSheet::StyleSheet(HtmlElement* owner, const UrlHandle* base) : owner_(owner) {
    if (base) base_ = std::make_unique<UrlHandle>(*base);
}

StyleSheet::~StyleSheet() = default;

int StyleSheet::RuleCount() const {
    int n = 0;
    for (const auto& list : rules_) n += static_cast<int>(list.size());
    return n;
}

void StyleSheet::CloseCompound() {
    if (!compound_) return;
    if (!rule_) {
        rule_ = std::make_unique<StyleRule>();
        rule_->fromUserSheet = userSheet_;
    }
    rule_->compounds.insert(rule_->compounds.begin(), std::move(*compound_));
    compound_.reset();
}

void StyleSheet::CloseRule(bool withSpecificity) {
    CloseCompound();
    if (rule_ && !ruleDropped_ && !rule_->compounds.empty()) {
        if (withSpecificity) {
            int ids = 0, classes = 0;
            for (const CompoundSelector& c : rule_->compounds) {
                for (const SelectorPart& p : c.parts) {
                    if (p.kind == kCssHash)
                        ++ids;
                    else
                        ++classes;
                }
            }
            rule_->specificity = static_cast<uint16_t>(100 * ids + 10 * classes + rule_->compounds.size());
        }
        waiting_.push_back(std::move(rule_));
    }
    rule_.reset();
    ruleDropped_ = false;
}

void StyleSheet::ApplyPseudoClasses(StyleRule& rule) {
    for (const CompoundSelector& c : rule.compounds) {
        for (const SelectorPart& part : c.parts) {
            if (part.kind != kPartPseudo) continue;
            for (StyleDeclaration* d = block_->First(); d;) {
                StyleDeclaration* next = DeclarationList::Next(d);
                d->SetPropertyWord(static_cast<uint16_t>((d->PropertyWord() & ~kPseudoMask) |
                                                         ((part.value << kPseudoShift) & kPseudoMask)));
                if (!AllowedForPseudo(part.value, d->PropertyId())) {
                    d->Remove();
                    delete d;
                }
                d = next;
            }
        }
    }
}

void StyleSheet::ParseCollected(bool important) {
    if (!property_.empty() && !values_.empty() && block_) {
        ParseDeclaration(*block_, base_.get(), property_.data(), static_cast<int>(property_.size()),
                         values_.data(), static_cast<int>(values_.size()), important);
    }
    property_.clear();
    values_.clear();
    afterColon_ = false;
}

void StyleSheet::FinishBlock() {
    ParseCollected(previousKind_ == kCssImportant);
    for (auto& rule : waiting_) {
        rule->declarations = block_;
        ApplyPseudoClasses(*rule);
        if (rule->fromUserSheet) {
            for (StyleDeclaration* d = block_->First(); d; d = DeclarationList::Next(d))
                d->SetPropertyWord(static_cast<uint16_t>(d->PropertyWord() | kFromUserSheet));
        }
        int list = RuleListOf(rule->compounds[0].type);
        rules_[list].push_back(std::move(rule));
    }
    waiting_.clear();
    block_.reset();
    inSelector_ = true;
}

int StyleSheet::ParseRules(PageProperties* page, const char*& position, const char* end, bool more,
                           bool isUserSheet) {
    userSheet_ = isUserSheet;
    CssTokenizer tokenizer;
    for (;;) {
        const char* start;
        int length;
        int kind = tokenizer.NextToken(position, start, length, end, more, afterColon_ || !inSelector_);
        if (kind == kCssComment) continue;
        if (kind == kCssNeedMore || kind == kCssStop) {
            if (kind == kCssNeedMore && !values_.empty()) {
                // Read the values again with the rest of the text.
                position = values_[0].start;
                values_.clear();
            }
            return kind;
        }
        if (importState_) {
            if (kind == ';') {
                importState_ = 0;
            } else if ((kind == kCssString || kind == kCssUrl) && page && owner_ && owner_->Parent()) {
                std::string href(start, length);
                if (kind == kCssUrl) {
                    size_t a = href.find_first_not_of(" \t\"'"), b = href.find_last_not_of(" \t\"'");
                    href = a == std::string::npos ? "" : href.substr(a, b - a + 1);
                }
                AttributeSlot slots[2];
                slots[0].code = kAttrHref;
                slots[0].value = href.c_str();
                slots[0].valueLength = static_cast<int32_t>(href.size());
                auto* link = new HtmlElement(page, kTagLink, slots, false);
                link->InsertBeforeSibling(*owner_);
                auto* record = link->RecordAs<LinkRecord>();
                if (record && record->href && !record->href->IsEmpty()) {
                    record->collector = std::make_unique<StyleTextCollector>(nullptr, link);
                    page->AddStyleSheetLink(link);
                }
            }
            previousKind_ = kind;
            continue;
        }
        if (inSelector_) {
            bool pseudo = pseudoNext_;
            pseudoNext_ = false;
            switch (kind) {
                case kCssIdent:
                    if (pseudo) {
                        int code = LookupPseudoClass(start, length);
                        if (code == kPseudoActive || code == kPseudoHover) {
                            // A rule for a state we never show matches nothing:
                            // the whole selector goes, not just this compound.
                            ruleDropped_ = true;
                        } else if (code != kCssUnknownKeyword) {
                            if (!compound_) compound_ = std::make_unique<CompoundSelector>();
                            compound_->parts.push_back(SelectorPart{kPartPseudo, code, std::string()});
                        }
                    } else {
                        int combinator = compound_ ? compound_->combinator : 0;
                        CloseCompound();
                        int type = LookupTagCode(start, length);
                        if (type == kUnknownTag) {
                            // An unknown element matches nothing: drop the selector
                            // rather than let its other parts match everything.
                            ruleDropped_ = true;
                        } else {
                            compound_ = std::make_unique<CompoundSelector>();
                            compound_->type = type;
                        }
                        (void)combinator;
                    }
                    break;
                case '*':
                    if (!compound_) compound_ = std::make_unique<CompoundSelector>();
                    break;
                case kCssHash:
                case kCssClass:
                    if (!compound_) compound_ = std::make_unique<CompoundSelector>();
                    compound_->parts.push_back(SelectorPart{kind, 0, std::string(start, length)});
                    break;
                case ':':
                    pseudoNext_ = true;
                    break;
                case '>':
                case '+':
                    if (compound_)
                        compound_->combinator = kind;
                    else if (rule_ && !rule_->compounds.empty())
                        rule_->compounds.front().combinator = kind;
                    break;
                case ',':
                    CloseRule(false);
                    break;
                case '{':
                    CloseRule(true);
                    atStart_ = false;
                    block_ = std::make_shared<DeclarationList>();
                    inSelector_ = false;
                    break;
                case kCssAtKeyword:
                    if (atStart_ && length == 6 && std::memcmp(start, "import", 6) == 0) importState_ = 1;
                    break;
                default:
                    break;
            }
            previousKind_ = kind;
            continue;
        }
        // In a declaration block.
        if (!afterColon_) {
            if (kind == kCssIdent) {
                property_.assign(start, length);
            } else if (kind == ':') {
                afterColon_ = true;
            } else if (kind == ';') {
                property_.clear();
            } else if (kind == '}') {
                FinishBlock();
            }
        } else if (kind == ';') {
            ParseCollected(previousKind_ == kCssImportant);
        } else if (kind == '}') {
            FinishBlock();
        } else if (kind == kCssIdent || kind == kCssString || kind == kCssEscapedString || kind == kCssHash ||
                   IsCssNumber(kind) || kind == kCssFunction || kind == kCssUrl || kind == kCssRgb ||
                   kind == ',' || kind == '/') {
            if (IsCssNumber(kind) && previousKind_ == '-' && start[-1] == '-') {
                --start;
                ++length;
            }
            if (values_.size() < kMaxValueTokens) values_.push_back(CssValue{start, length, kind});
        }
        previousKind_ = kind;
    }
}

int StyleSheet::MatchRules(const HtmlElement* element, MatchedRuleList& matched) const {
    if (!element || element->Type() == kTextNode) return 0;
    int any = 0;
    auto tryList = [&](const std::vector<std::unique_ptr<StyleRule>>& list) {
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            if (RuleMatches(**it, element)) {
                (new MatchedRule(it->get(), 0))->AppendTo(matched);
                any = 1;
            }
        }
    };
    int list = RuleListOf(element->Type());
    if (list) tryList(rules_[list]);
    tryList(rules_[0]);
    return any;
}

void AddWeightedDeclaration(StyleDeclarationList& list, const StyleDeclaration* declaration, int weight) {
    int effective = weight & 0x7FFF;
    if (declaration->IsImportant()) effective += declaration->IsFromUserSheet() ? 12000 : 10000;
    const int property = declaration->PropertyId();
    const int pseudo = declaration->PseudoCode();
    WeightedDeclaration* competitor = nullptr;
    WeightedDeclaration* insertAt = nullptr;
    for (WeightedDeclaration* node = list.First(); node; node = StyleDeclarationList::Next(node)) {
        const StyleDeclaration* d = node->declaration;
        if (d->PropertyId() != property) continue;
        if (d->PseudoCode() == pseudo) {
            competitor = node;
            break;
        }
        bool considered = !(pseudo && d->PseudoCode()) && (pseudo == 0 || pseudo == 1 || pseudo == 2);
        if (considered && node->weight < effective) insertAt = node;
    }
    if (!competitor) {
        auto* node = new WeightedDeclaration(declaration, effective);
        if (insertAt)
            node->InsertBefore(*insertAt);
        else
            node->AppendTo(list);
        return;
    }
    bool newIsUser = declaration->IsFromUserSheet();
    bool oldIsUser = competitor->declaration->IsFromUserSheet();
    bool replace;
    if (newIsUser != oldIsUser) {
        replace = newIsUser && ((weight & kOverrideWeight) || declaration->IsImportant());
    } else {
        replace = effective > competitor->weight;
    }
    if (replace) {
        competitor->declaration = declaration;
        competitor->weight = effective;
    }
    if (insertAt) {
        competitor->Remove();
        competitor->InsertBefore(*insertAt);
    }
}
