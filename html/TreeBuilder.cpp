#include "html/TreeBuilder.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "html/HtmlElement.h"
#include "html/PageProperties.h"
#include "html/PageScriptHost.h"
#include "net/UrlRecord.h"

namespace {

bool IsEndTag(int code) {
    return code >= kEndTagBit;
}

bool IsPreformattedParent(int type) {
    return type == kTagPre || type == kTagListing || type == kTagPlaintext || type == kTagXmp;
}

bool AllWhite(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!(c <= ' ' || c == 0x7F || c == 0x80 || c == 0x81 || (c >= 0x8D && c <= 0x90))) return false;
    }
    return true;
}

HtmlElement* OpenAbove(HtmlElement* parent, int type) {
    for (HtmlElement* e = parent; e; e = e->Parent()) {
        if (e->Type() == type) return e;
    }
    return nullptr;
}

bool ListOpenAbove(HtmlElement* parent) {
    for (HtmlElement* e = parent; e; e = e->Parent()) {
        int t = e->Type();
        if (t == kTagUl || t == kTagOl || t == kTagMenu || t == kTagDir) return true;
    }
    return false;
}

bool HasLink(HtmlElement* anchor) {
    auto* record = anchor->RecordAs<AnchorRecord>();
    return record && record->href;
}

const AttributeSlot* FindSlot(const AttributeSlot* slots, int code) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == code) return s;
    }
    return nullptr;
}

bool IsCell(int type) {
    return type == kTagTd || type == kTagTh;
}

}  // namespace

int TreeBuilder::Build(HtmlElement* root, PageProperties* page, const char*& position, const char* end,
                       bool more, bool tokenizerMore) {
    page_ = page;
    position_ = &position;
    end_ = end;
    more_ = more;
    tokenizerMore_ = more && tokenizerMore;
    HtmlElement* resume = page->resumeElement;
    page->resumeElement = nullptr;
    int result = Activate(root, 0, 0, false, resume);
    return result == kBuildSuspended ? kBuildSuspended : kBuildEnded;
}

int TreeBuilder::ScanRaw(int wanted, int& length) {
    const char* before = *position_;
    bool commentBefore = tokenizer_.InComment();
    int code = tokenizer_.ScanRawContent(wanted, *position_, tokenStart_, length, end_, tokenizerMore_);
    if (code == wanted) return code;
    if (length <= kRawRescanLimit && tokenizerMore_) {
        // Rescanned from the start next time.
        *position_ = before;
        tokenizer_.SetInComment(commentBefore);
        length = 0;
    }
    return kTokenNeedMore;
}

int TreeBuilder::ReadScript(HtmlElement* script) {
    if (!script->Record())
        script->SetRecord(std::make_unique<ScriptRecord>(nullptr, RecordContext{page_, script}));
    auto* record = script->RecordAs<ScriptRecord>();
    if (!record) return kTagScript + kEndTagBit;
    if (record->compiled) return kTagScript + kEndTagBit;
    const char* language = record->language.Get();
    bool runnable = !language ||
                    EqualNoCase(language, "javascript", std::min<int>(10, std::strlen(language))) ||
                    EqualNoCase(language, "livescript", std::min<int>(10, std::strlen(language)));
    if (runnable && page_->scriptingOn && page_->scriptHost && !record->sourceRead && record->src &&
        !record->src->IsEmpty() && !ReadScriptSource(*record))
        return kTokenNeedMore;
    int length = 0;
    int code = ScanRaw(kTagScript + kEndTagBit, length);
    record->text.Append(tokenStart_, length);
    if (code != kTokenNeedMore) {
        // Scripts run one at a time in document order: one written by a
        // running script waits for that script to end (RunPendingScripts).
        if (runnable && page_->scriptingOn && page_->scriptHost &&
            record->Compile(*page_->scriptHost) == kScriptDone && page_->scriptingFlag) {
            if (!page_->pendingScript)
                page_->pendingScript = script;
            else
                ++page_->writtenScriptsWaiting;
        }
    }
    return code;
}

bool TreeBuilder::ReadScriptSource(ScriptRecord& record) {
    UrlRecord& source = *record.src->Record();
    int status = source.GetLoadStatus(true);
    if (status == kLoadLoaded) {
        // Scripts run in document order: the parse waited for this file.
        std::string path = source.GetLocalFilePath(true);
        if (std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb")) {
            std::unique_ptr<char[]> piece(new char[kFeedBuffer]);
            size_t got;
            while ((got = std::fread(piece.get(), 1, kFeedBuffer, file)) > 0)
                record.text.Append(piece.get(), static_cast<int>(got));
            std::fclose(file);
        }
        record.sourceRead = true;
        page_->pendingScriptUrl.reset();
        return true;
    }
    bool started = !record.loadNotStarted;
    if (!page_->loadRequest || status == kLoadFailed ||
        (started && status != kLoadLoading && status != kLoadNever)) {
        // A file that cannot come does not hold the page up.
        record.sourceRead = true;
        page_->pendingScriptUrl.reset();
        return true;
    }
    if (!started) {
        record.loadNotStarted = 0;
        page_->pendingScriptUrl = std::make_unique<UrlHandle>(*record.src);
        page_->loadRequest(*record.src);
        return ReadScriptSource(record);  // a cached file may be there at once
    }
    return false;
}

int TreeBuilder::ReadStyle(HtmlElement* style) {
    if (!style->Record()) style->SetRecord(std::make_unique<StyleTextCollector>(nullptr, style));
    auto* collector = style->RecordAs<StyleTextCollector>();
    if (!collector || collector->IsParsed()) return kTagStyle + kEndTagBit;
    int length = 0;
    int code = ScanRaw(kTagStyle + kEndTagBit, length);
    collector->Append(tokenStart_, length);
    if (code != kTokenNeedMore && page_->cssMode) collector->Parse(page_, page_->GetBaseUrl(), false);
    return code;
}

int TreeBuilder::ReadTextArea(HtmlElement* textarea) {
    int length = 0;
    int code = ScanRaw(kTagTextarea + kEndTagBit, length);
    if (length > 0) {
        HtmlElement::MakeText(tokenStart_, length, true, false, textarea)->AppendToParent(*textarea);
    }
    return code;
}

int TreeBuilder::ReadToken(HtmlElement* parent) {
    switch (parent->Type()) {
        case kTagPlaintext:
            return tokenizer_.NextPlainText(*position_, tokenStart_, tokenLength_, end_, tokenizerMore_);
        case kTagScript:
            return ReadScript(parent);
        case kTagStyle:
            return ReadStyle(parent);
        case kTagTextarea:
            return ReadTextArea(parent);
        case kTagNoscript:
            if (page_->scriptingOn) {
                int length;
                return ScanRaw(kTagNoscript + kEndTagBit, length);
            }
            break;
        default:
            break;
    }
    return tokenizer_.NextToken(*position_, tokenStart_, tokenLength_, slots_, kAttributeSlots, end_,
                                tokenizerMore_);
}

int TreeBuilder::Activate(HtmlElement* parent, int tableDepth, int level, bool pre, HtmlElement* resume) {
    if (parent->Type() == kTagTable) ++tableDepth;
    const bool childPre = pre || IsPreformattedParent(parent->Type());
    if (resume && resume != parent) {
        HtmlElement* last = parent->LastChild();
        if (last && last->Contains(resume)) {
            int result = Activate(last, tableDepth, level + 1, childPre, resume);
            if (result == kBuildSuspended) return result;
            result = AfterChild(parent, last, result);
            if (result >= 0) return result;
        }
    }

    bool first = !parent->HasSeenToken();
    bool noImplied = false;
    for (;;) {
        int code = ReadToken(parent);
        if (first && code != kTokenNeedMore) {
            first = false;
            parent->SetSeenToken();
            bool tooDeep = tableDepth >= kMaxTableDepth || level > kMaxNestingLevel ||
                           (level == kMaxNestingLevel && !(parent->Type() == kTagA && code != kTagA));
            if (tooDeep) {
                tokenizer_.PushBack(code, tokenStart_, tokenLength_);
                return kBuildTooDeep;
            }
        }
        bool retry = noImplied;
        noImplied = false;

        if (code == kTokenNeedMore) {
            bool waiting = page_->pendingScript || page_->pendingScriptUrl;
            if (!more_ && !waiting) return kBuildEnded;
            if (parent->IsEmptyElement()) return kBuildEnded;
            page_->resumeElement = parent;
            return kBuildSuspended;
        }
        if (code == kTagNoscript && !page_->scriptingOn) continue;

        if (IsEndTag(code)) {
            int type = code - kEndTagBit;
            HtmlElement* owner = nullptr;
            for (HtmlElement* e = parent; e; e = e->Parent()) {
                if (e->Type() == type) {
                    owner = e;
                    break;
                }
                if (e->Type() == kTagTable) break;
            }
            if (!owner) continue;  // a stray end tag
            parent->CloseApplet();
            if (owner == parent) {
                if (type == kTagForm) page_->formClosed = true;
                return kBuildEnded;
            }
            tokenizer_.PushBack(code, tokenStart_, tokenLength_);
            return kBuildEnded;
        }

        if (code == kTagBody) {
            auto* body = new HtmlElement(page_, kTagBody, slots_, false);
            body->AppendToParent(*parent);
            page_->SetBody(body);
            continue;
        }
        if (code == kTagBasefont) {
            if (const AttributeSlot* size = FindSlot(slots_, kAttrSize)) {
                if (size->value) {
                    int n = SlotNumber(size->value, size->valueLength);
                    page_->baseFontSize = n < 1 ? 1 : (n > 7 ? 7 : n);
                }
            }
            continue;
        }
        if (code == kUnknownTag || code == kTagHtml) continue;

        const int parentType = parent->Type();
        const bool isText = code == kTokenText;
        bool consumedNothing = false;
        int result = -1;

        if (ContentModel(parentType, code)) {
            if ((code == kTagB || code == kTagI) && OpenAbove(parent, code)) continue;
            if (code == kTagA) {
                HtmlElement* open = OpenAbove(parent, kTagA);
                if (open && HasLink(open)) {
                    tokenizer_.PushBack(code, tokenStart_, tokenLength_);
                    return kBuildEnded;
                }
            }
            if (isText) {
                AddText(parent, pre);
                continue;
            }
            result = AddAndDescend(parent, code, false, tableDepth, level, childPre, consumedNothing);
            if (result >= 0) return result;
            continue;
        }

        // Not allowed in the parent.
        parent->CloseApplet();
        if ((code == kTagA || code == kTagTable) && OpenAbove(parent, kTagA)) {
            tokenizer_.PushBack(code, tokenStart_, tokenLength_);
            return kBuildEnded;
        }
        if (isText && AllWhite(tokenStart_, tokenLength_)) {
            if (parent->IsEmptyElement()) {
                tokenizer_.PushBack(code, tokenStart_, tokenLength_);
                return kBuildClose;
            }
            continue;
        }
        if (code == kTagInput && parentType == kTagTr) {
            const AttributeSlot* type = FindSlot(slots_, kAttrType);
            if (type && type->value && LookupKeyword(type->value, type->valueLength) == kKeyHidden) {
                PutHiddenInput(parent);
                continue;
            }
        }
        if ((code == kTagB || code == kTagI || code == kTagStrong || code == kTagEm) &&
            parentType == kTagOption)
            continue;
        if (code == kTagFont && parentType == kTagSelect) continue;

        int implied = 0;
        if (code == kTagLi && !ListOpenAbove(parent) && ContentModel(parentType, kTagUl)) {
            implied = kTagUl;
        } else if ((code == kTagDt || code == kTagDd) && !OpenAbove(parent, kTagDl) &&
                   ContentModel(parentType, kTagDl)) {
            implied = kTagDl;
        } else if (parentType == kTagTable) {
            implied = kTagTr;
        } else if (parentType == kTagTr) {
            if (code == kTagCaption || code == kTagTr) {
                tokenizer_.PushBack(code, tokenStart_, tokenLength_);
                return kBuildClose;
            }
            implied = kTagTd;
        } else if (isText && parentType == kTagSelect) {
            implied = kTagOption;
        } else if (parentType == kTagFrameset) {
            implied = kTagNoframes;
        } else if (parentType == kRootElement) {
            if (code == kTagTr || code == kTagTd || code == kTagTh) continue;
            if (isText) {
                AddText(parent, pre);
                continue;
            }
            result = AddAndDescend(parent, code, false, tableDepth, level, childPre, consumedNothing);
            if (result >= 0) return result;
            continue;
        }
        if (!implied || retry) {
            // A token that an implied element just gave back is not given a
            // second implied element: that would repeat for ever.
            tokenizer_.PushBack(code, tokenStart_, tokenLength_);
            return kBuildClose;
        }
        tokenizer_.PushBack(code, tokenStart_, tokenLength_);
        result = AddAndDescend(parent, implied, true, tableDepth, level, childPre, consumedNothing);
        if (result >= 0) return result;
        noImplied = consumedNothing;
    }
}

int TreeBuilder::AddAndDescend(HtmlElement* parent, int code, bool implied, int tableDepth, int level,
                               bool pre, bool& consumedNothing) {
    if (page_->formClosed &&
        (code == kTagInput || code == kTagSelect || code == kTagTextarea || code == kTagOption))
        MakeImpliedForm(parent, page_);
    auto* element = new HtmlElement(page_, code, implied ? nullptr : slots_, implied);
    element->AppendToParent(*parent);
    Register(element);
    if (parent->Type() == kTagPlaintext || element->IsEmptyElement() || element->Type() == kTagMeta)
        return -1;
    int result = Activate(element, tableDepth, level + 1, pre, nullptr);
    if (result == kBuildSuspended) return result;
    consumedNothing = element->FirstChild() == nullptr;
    return AfterChild(parent, element, result);
}

// What the parent does after a child's activation returned: -1 to go on
// reading, otherwise its own result.
int TreeBuilder::AfterChild(HtmlElement* parent, HtmlElement* child, int result) {
    bool implied = child->IsImplied();
    int type = child->Type();
    if (implied && (IsCell(type) || type == kTagTr) && !child->ContainsContent()) RemoveEmptyCell(child);
    if (type == kTagSelect) SelectDefaultSelection(child);
    if (child == page_->pendingScript) {
        // The parse stops after a SCRIPT whose script must run first; it goes
        // on in the SCRIPT's parent.
        page_->resumeElement = parent;
        return kBuildSuspended;
    }
    if (result == kBuildTooDeep && implied) return kBuildTooDeep;
    if (page_->stopFlag) return kBuildSuspended;
    return -1;
}

void TreeBuilder::AddText(HtmlElement* parent, bool pre) {
    const int type = parent->Type();
    const char* text = tokenStart_;
    int length = tokenLength_;
    HtmlElement* last = parent->LastChild();
    const bool preFlagOrBlock = pre || type == kTagPre || type == kTagListing;
    if (AllWhite(text, length)) {
        bool keep;
        if (last && !last->IsInline() && !preFlagOrBlock) {
            keep = false;
        } else {
            keep =
                parent->IsInline() || (last && last->IsInline()) || preFlagOrBlock || type == kTagPlaintext;
        }
        if (!keep) return;
    }
    if (preFlagOrBlock && (!last || !last->IsInline())) {
        if (length > 0 && text[0] == '\r') {
            ++text;
            --length;
            if (length > 0 && text[0] == '\n') {
                ++text;
                --length;
            }
        } else if (length > 0 && text[0] == '\n') {
            ++text;
            --length;
        }
        if (length == 0) return;
    }
    if (type == kTagTitle && length > kMaxTitleText) length = kMaxTitleText;
    bool preformatted = type != kTagOption && (pre || type == kTagPre || type == kTagTextarea ||
                                               type == kTagListing || type == kTagXmp);
    HtmlElement::AppendTextRuns(*parent, text, length, preformatted, type == kTagPlaintext);
}

void TreeBuilder::PutHiddenInput(HtmlElement* row) {
    // The last cell below the nearest ancestor that has one, looking no
    // further than the row's own table: a cell of another table is no place
    // for this row's input.
    HtmlElement* cell = nullptr;
    for (HtmlElement* ancestor = row; ancestor && !cell; ancestor = ancestor->Parent()) {
        // Backwards from the end: the first cell met is the last one.
        for (TreeNode* e = ancestor->LastDescendant(); e && e != ancestor; e = e->PrevInOrder(true)) {
            if (IsCell(static_cast<HtmlElement*>(e)->Type())) {
                cell = static_cast<HtmlElement*>(e);
                break;
            }
        }
        if (ancestor->Type() == kTagTable) break;
    }
    if (!cell) {
        // No cell to hold it yet: the input gets a cell of its own rather
        // than going nowhere.
        cell = new HtmlElement(page_, kTagTd, nullptr, true);
        cell->AppendToParent(*row);
    }
    if (page_->formClosed) MakeImpliedForm(cell, page_);
    auto* input = new HtmlElement(page_, kTagInput, slots_, false);
    input->AppendToParent(*cell);
    Register(input);
}

void TreeBuilder::RemoveEmptyCell(HtmlElement* cell) {
    bool moves = false;
    for (HtmlElement* e = cell->FirstChild(); e && cell->Contains(e) && !moves; e = e->NextInOrder())
        moves = e->Type() == kTagMap || e->Type() == kTagForm;
    if (!moves) {
        // Nothing to keep: the tables around need not be searched (which
        // would cost a walk of each table for every empty cell).
        cell->Detach();
        page_->ForgetElementsIn(cell);
        delete cell;
        return;
    }
    HtmlElement* nearestTable = nullptr;
    HtmlElement* tableWithContent = nullptr;
    HtmlElement* outermostTable = nullptr;
    for (HtmlElement* e = cell->Parent(); e; e = e->Parent()) {
        if (e->Type() != kTagTable) continue;
        if (!nearestTable) nearestTable = e;
        if (!tableWithContent && e->ContainsContent()) tableWithContent = e;
        outermostTable = e;
    }
    HtmlElement* mapTarget = tableWithContent ? tableWithContent : nearestTable;
    for (HtmlElement* e = cell->FirstChild(); e && cell->Contains(e);) {
        HtmlElement* next = e->NextInOrder(true);
        HtmlElement* target =
            e->Type() == kTagMap ? mapTarget : (e->Type() == kTagForm ? outermostTable : nullptr);
        if (target) {
            // Placed before the target's child that holds the cell: that child
            // is still open, and the open elements must stay the last children
            // along their path for a later pass to find them.
            HtmlElement* openChild = cell;
            while (openChild->Parent() != target) openChild = openChild->Parent();
            e->Detach();
            e->InsertBeforeSibling(*openChild);
            e = next;
        } else {
            e = e->NextInOrder();
        }
    }
    cell->Detach();
    page_->ForgetElementsIn(cell);
    delete cell;
}

void TreeBuilder::SelectDefaultSelection(HtmlElement* select) {
    FormFieldRecord* record = select->GetFormField();
    if (!record) return;
    bool multiple = record->multiple || record->size >= 2;
    std::string text;
    int number = 0;
    bool any = false;
    for (HtmlElement* child = select->FirstChild(); child && text.size() <= kMaxSelectionText;
         child = child->NextSibling()) {
        ++number;
        FormFieldRecord* option = child->GetFormField();
        if (!option || !option->selected) continue;
        text += std::to_string(number) + ",";
        any = true;
        if (!multiple) break;
    }
    if (!text.empty()) text.pop_back();
    if (!multiple && !any && number > 0) text = "1";
    record->SetValue(text.c_str());
}

void TreeBuilder::Register(HtmlElement* element) {
    if (page_->scriptHost && page_->HasDocumentScriptObject()) page_->scriptHost->RegisterElement(*element, *page_);
    switch (element->Type()) {
        case kTagImg:
        case kTagEmbed:
        case kTagApplet:
            page_->RegisterElementUrls(element);
            break;
        case kTagInput:
            if (element->GetFormField() && element->GetFormField()->src) page_->RegisterElementUrls(element);
            break;
        case kTagScript: {
            auto* script = element->RecordAs<ScriptRecord>();
            if (script && script->src && !script->src->IsEmpty()) page_->RegisterElementUrls(element);
            break;
        }
        case kTagBgsound:
            page_->SetBackgroundSound(element);
            break;
        case kTagIsindex:
            page_->searchable = true;
            break;
        case kTagBase:
            if (auto* anchor = element->RecordAs<AnchorRecord>()) {
                if (anchor->href && !anchor->href->IsEmpty())
                    page_->SetBaseUrl(UrlHandle(anchor->href->Record(), nullptr));
                page_->SetTargetName(anchor->target.Get());
            }
            break;
        case kTagLink:
            if (auto* link = element->RecordAs<LinkRecord>()) {
                if (link->rel.Get() && EqualNoCase(link->rel.Get(), "stylesheet", 11) && link->href) {
                    link->collector = std::make_unique<StyleTextCollector>(nullptr, element);
                    page_->AddStyleSheetLink(element);
                }
            }
            break;
        default:
            break;
    }
}

HtmlElement* MakeImpliedForm(HtmlElement* parent, PageProperties* page) {
    auto* form = new HtmlElement(page, kTagForm, nullptr, true);
    form->AppendToParent(*parent);
    return form;
}

void MakeIsIndexForm(HtmlElement* parent, PageProperties* page, const char* prompt) {
    const char* text = prompt ? prompt : "This is a searchable index";
    (new HtmlElement(page, kTagHr, nullptr, false))->AppendToParent(*parent);
    HtmlElement::MakeText(text, static_cast<int>(std::strlen(text)), false, false, parent)
        ->AppendToParent(*parent);
    (new HtmlElement(page, kTagBr, nullptr, false))->AppendToParent(*parent);
    static const char kType[] = "text";
    static const char kSize[] = "20";
    AttributeSlot slots[3];
    slots[0].code = kAttrType;
    slots[0].value = kType;
    slots[0].valueLength = 4;
    slots[1].code = kAttrSize;
    slots[1].value = kSize;
    slots[1].valueLength = 2;
    (new HtmlElement(page, kTagInput, slots, false))->AppendToParent(*parent);
    (new HtmlElement(page, kTagHr, nullptr, false))->AppendToParent(*parent);
}
