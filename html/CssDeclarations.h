// Typed CSS declarations: one property with its value, as the declaration
// parser makes them from a style sheet rule or a STYLE attribute. A
// declaration list owns its declarations.
#pragma once

#include <cstdint>
#include <memory>

#include "core/ListNode.h"
#include "net/UrlHandle.h"

// Bits of a declaration's property word.
constexpr uint16_t kPropertyIdMask = 0x00FF;
constexpr uint16_t kPseudoShift = 8;
constexpr uint16_t kPseudoMask = 0x3F00;
constexpr uint16_t kFromUserSheet = 0x4000;
constexpr uint16_t kImportant = 0x8000;

enum DeclarationKind : int {
    kDeclKeyword = 1,
    kDeclList = 2,
    kDeclInteger = 3,
    kDeclString = 4,
    kDeclNumber = 5,
    kDeclPair = 6,
};

class StyleDeclaration : public ListNode {
public:
    explicit StyleDeclaration(uint16_t propertyWord) : propertyWord_(propertyWord) {}
    ~StyleDeclaration() override = default;

    uint16_t PropertyWord() const { return propertyWord_; }
    void SetPropertyWord(uint16_t word) { propertyWord_ = word; }
    int PropertyId() const { return propertyWord_ & kPropertyIdMask; }
    int PseudoCode() const { return (propertyWord_ & kPseudoMask) >> kPseudoShift; }
    bool IsImportant() const { return (propertyWord_ & kImportant) != 0; }
    bool IsFromUserSheet() const { return (propertyWord_ & kFromUserSheet) != 0; }

    virtual int Kind() const = 0;
    virtual const char* GetString() const { return nullptr; }
    virtual float GetNumber() const { return 0.0f; }
    virtual float GetSecondNumber() const { return 0.0f; }
    virtual int GetKeyword() const { return 0; }
    virtual int32_t GetValue() const { return 0; }
    virtual const int16_t* GetList() const { return nullptr; }
    virtual int GetListCount() const { return 0; }
    virtual int GetUnit() const { return 0; }
    virtual int GetSecondUnit() const { return 0; }
    // A copy that owns everything it refers to, or null when nothing is to
    // be copied.
    virtual StyleDeclaration* Clone() const = 0;

private:
    uint16_t propertyWord_;
};

class KeywordDeclaration : public StyleDeclaration {
public:
    KeywordDeclaration(uint16_t word, int keyword) : StyleDeclaration(word), keyword_(keyword) {}
    int Kind() const override { return kDeclKeyword; }
    int GetKeyword() const override { return keyword_; }
    StyleDeclaration* Clone() const override { return new KeywordDeclaration(*this); }

private:
    KeywordDeclaration(const KeywordDeclaration& o)
        : StyleDeclaration(o.PropertyWord()), keyword_(o.keyword_) {}
    int keyword_;
};

constexpr int kMaxFontFaces = 30;

class ListDeclaration : public StyleDeclaration {
public:
    ListDeclaration(uint16_t word, const int16_t* ids, int count);
    int Kind() const override { return kDeclList; }
    const int16_t* GetList() const override { return ids_; }
    int GetListCount() const override { return count_; }
    StyleDeclaration* Clone() const override { return new ListDeclaration(PropertyWord(), ids_, count_); }

private:
    int16_t ids_[kMaxFontFaces];
    int count_;
};

class IntegerDeclaration : public StyleDeclaration {
public:
    IntegerDeclaration(uint16_t word, int32_t value) : StyleDeclaration(word), value_(value) {}
    int Kind() const override { return kDeclInteger; }
    int32_t GetValue() const override { return value_; }
    StyleDeclaration* Clone() const override { return new IntegerDeclaration(PropertyWord(), value_); }

private:
    int32_t value_;
};

class StringDeclaration : public StyleDeclaration {
public:
    StringDeclaration(uint16_t word, const char* text);
    int Kind() const override { return kDeclString; }
    const char* GetString() const override { return text_.get(); }
    StyleDeclaration* Clone() const override;

private:
    std::unique_ptr<char[]> text_;
};

class NumberDeclaration : public StyleDeclaration {
public:
    NumberDeclaration(uint16_t word, float number, int unit)
        : StyleDeclaration(word), number_(number), unit_(unit) {}
    int Kind() const override { return kDeclNumber; }
    float GetNumber() const override { return number_; }
    int GetUnit() const override { return unit_; }
    StyleDeclaration* Clone() const override { return new NumberDeclaration(PropertyWord(), number_, unit_); }

private:
    float number_;
    int unit_;
};

class PairDeclaration : public StyleDeclaration {
public:
    PairDeclaration(uint16_t word, float first, int firstUnit, float second, int secondUnit)
        : StyleDeclaration(word),
          first_(first),
          second_(second),
          firstUnit_(firstUnit),
          secondUnit_(secondUnit) {}
    int Kind() const override { return kDeclPair; }
    float GetNumber() const override { return first_; }
    float GetSecondNumber() const override { return second_; }
    int GetUnit() const override { return firstUnit_; }
    int GetSecondUnit() const override { return secondUnit_; }
    StyleDeclaration* Clone() const override {
        return new PairDeclaration(PropertyWord(), first_, firstUnit_, second_, secondUnit_);
    }

private:
    float first_, second_;
    int firstUnit_, secondUnit_;
};

// Owns its declarations.
class DeclarationList : public NodeList {
public:
    DeclarationList() = default;
    ~DeclarationList() override { Clear(); }
    StyleDeclaration* First() const { return static_cast<StyleDeclaration*>(NodeList::First()); }
    StyleDeclaration* Last() const { return static_cast<StyleDeclaration*>(NodeList::Last()); }
    static StyleDeclaration* Next(const StyleDeclaration* d) {
        return static_cast<StyleDeclaration*>(d->Next());
    }
    static StyleDeclaration* Prev(const StyleDeclaration* d) {
        return static_cast<StyleDeclaration*>(d->Prev());
    }
};

// A copy of every declaration of the list (a string value without text is
// left out).
std::unique_ptr<DeclarationList> CopyDeclarationList(const DeclarationList& list);

// The declarations of a STYLE attribute; an empty list when nothing parses.
std::unique_ptr<DeclarationList> ParseStyleAttribute(const char* text, const char* end,
                                                     const UrlHandle* base);

// A record's STYLE attribute: owned, and copied whole with its record.
class InlineStyle {
public:
    InlineStyle() = default;
    InlineStyle(const InlineStyle& other) { *this = other; }
    InlineStyle& operator=(const InlineStyle& other) {
        if (this != &other) list_ = other.list_ ? CopyDeclarationList(*other.list_) : nullptr;
        return *this;
    }
    const DeclarationList* Get() const { return list_.get(); }
    void Set(std::unique_ptr<DeclarationList> list) { list_ = std::move(list); }
    bool IsSet() const { return list_ != nullptr; }

private:
    std::unique_ptr<DeclarationList> list_;
};

// One collected value token of a declaration.
struct CssValue {
    const char* start = nullptr;
    int length = 0;
    int kind = 0;
};
constexpr int kMaxValueTokens = 50;

// Parses one declaration into 0 to 4 declarations appended to list; 1 when
// it was taken or ignored, 0 when it is invalid.
int ParseDeclaration(DeclarationList& list, const UrlHandle* base, const char* name, int nameLength,
                     const CssValue* values, int count, bool important);
// "rgb(...)" text -> red | green << 8 | blue << 16, or -1.
int32_t ParseRgb(const char* text, int length);
