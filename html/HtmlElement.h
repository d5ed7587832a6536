// A node of a page's element tree: its type code (128 text, 256-340 a tag,
// 0 the page root) and, for most tags, its element record. The tree owns its
// nodes (TreeNode); a node owns its record or its text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/TreeNode.h"
#include "html/ElementRecords.h"

class PageProperties;

constexpr int kRootElement = 0;

class HtmlElement : public TreeNode {
public:
    // Makes the node and its record from the slots (null: no attributes).
    // META is acted on at once and keeps nothing.
    HtmlElement(PageProperties* page, int type, const AttributeSlot* slots, bool implied);
    ~HtmlElement() override;

    // A text node: preformatted text keeps its white space (tabs expanded to
    // columns of 8, counted from the enclosing PRE's last line), normal text
    // has every run of white space as one space and one space added at the
    // end; entities are decoded unless plain.
    static HtmlElement* MakeText(const char* text, int length, bool preformatted, bool plain,
                                 const HtmlElement* enclosing);
    // Appends the text to the parent as text nodes of at most kMaxTextRun
    // characters each: layout addresses a node's text by 16-bit offsets.
    // Cuts fall after a line break or a space where one is near.
    static constexpr int kMaxTextRun = 32 * 1024 - 1;
    static void AppendTextRuns(HtmlElement& parent, const char* text, int length, bool preformatted, bool plain);
    // A deep copy of the node (with a copy of its record) and its subtree.
    HtmlElement* Copy() const;

    int Type() const { return type_; }
    void SetType(int type) { type_ = type; }
    ElementRecord* Record() const { return record_.get(); }
    void SetRecord(std::unique_ptr<ElementRecord> record) { record_ = std::move(record); }
    template <typename T>
    T* RecordAs() const {
        return dynamic_cast<T*>(record_.get());
    }

    HtmlElement* Parent() const { return static_cast<HtmlElement*>(TreeNode::Parent()); }
    HtmlElement* FirstChild() const { return static_cast<HtmlElement*>(TreeNode::FirstChild()); }
    HtmlElement* LastChild() const { return static_cast<HtmlElement*>(TreeNode::LastChild()); }
    HtmlElement* NextSibling() const { return static_cast<HtmlElement*>(TreeNode::NextSibling()); }
    HtmlElement* PrevSibling() const { return static_cast<HtmlElement*>(TreeNode::PrevSibling()); }
    HtmlElement* NextInOrder(bool skipChildren = false) const {
        return static_cast<HtmlElement*>(TreeNode::NextInOrder(skipChildren));
    }

    // Typed accessors: 0, -1 or an empty URL for other types.
    const char* GetText() const { return type_ == kTextNode ? text_.get() : nullptr; }
    bool HasAncestorOfType(int type) const;
    bool IsInList() const;
    bool IsInDefinitionList() const;
    int GetListMarkerStyle() const;
    UrlHandle GetImageUrl() const;
    int GetAlignment(bool withDefault) const;
    int GetClear() const;
    // An A element whose HREF names a URL visited within the link expiry
    // (the clock's now): such links take the visited colour.
    bool IsVisitedLink(uint32_t now) const;
    int GetBorder() const;
    bool HasBorder() const;
    int GetNoWrap() const;
    int GetVerticalAlign() const;
    int32_t GetCellBackground() const;
    // The BACKGROUND picture of TH/TD, else of its row; empty when none.
    UrlHandle GetCellBackgroundUrl() const;
    int32_t GetBackgroundColor() const;
    FormFieldRecord* GetFormField() const;
    int GetFormFieldType() const;
    int GetLinkIndex() const;
    int GetImageHSpace() const;
    int GetImageVSpace() const;
    const char* GetId() const { return record_ ? record_->GetId() : nullptr; }
    const char* GetClass() const { return record_ ? record_->GetClass() : nullptr; }
    const DeclarationList* GetInlineStyle() const { return record_ ? record_->GetInlineStyle() : nullptr; }
    const char* GetAnchorName() const;
    bool GetFrameSetRows(int index, int& size, int& unit) const;
    bool GetFrameSetColumns(int index, int& size, int& unit) const;
    int GetCaptionAlign() const { return captionAlign_; }
    // A property of the element for scripts: text and number start empty and
    // 0; 1 when the text was set or the number is not 0.
    int GetScriptProperty(int propertyId, std::string& text, long& number) const;
    bool IsImplied() const { return implied_; }
    // Set once the tree builder gave the element its first token, so that a
    // later pass does not test the nesting limits again.
    bool HasSeenToken() const { return tokenSeen_; }
    void SetSeenToken() { tokenSeen_ = true; }

    HtmlElement* FindByPosition(int n);
    HtmlElement* FindByName(const char* name);
    HtmlElement* FindFirstOfType(int type);
    HtmlElement* FindTitle() { return FindFirstOfType(kTagTitle); }
    int CountTo(const HtmlElement* element, bool& found) const;
    HtmlElement* NextControlOfForm(int formNumber, bool withOptions) const;
    bool ContainsContent() const;
    bool IsEmptyElement() const { return IsEmptyType(type_); }
    static bool IsEmptyType(int type);
    // An element that flows within a line (text and the inline tags).
    bool IsInline() const;
    int GetColumnAfterText() const;

    // An APPLET closed by its end tag or by content that it may not hold
    // becomes EMBED and takes its PARAM children's pairs.
    void CloseApplet();

private:
    HtmlElement() = default;
    void ProcessMeta(PageProperties* page, const AttributeSlot* slots);

    int type_ = kRootElement;
    std::unique_ptr<ElementRecord> record_;
    std::unique_ptr<char[]> text_;
    uint8_t captionAlign_ = 3;
    bool implied_ = false;
    bool tokenSeen_ = false;
};

// Whether an element of childType may be a direct child of parentType (0
// for the page root).
bool ContentModel(int parentType, int childType);
