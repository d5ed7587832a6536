// Element records: the parsed attributes of one element, one record kind per
// tag group. A record is made from the tag's attribute slots when its element
// is made (HtmlElement), read through the element's typed accessors, copied
// with its element, and owns everything it holds.
//
// Common rules: slots are walked in order and the first occurrence that sets
// a field wins, except where a field says "last wins". Strings are copied and
// entity-decoded; event handler texts are kept as written; URL attributes are
// resolved against the page's base URL.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "html/CssDeclarations.h"
#include "html/HtmlTables.h"
#include "html/RecordTables.h"
#include "net/UrlHandle.h"

class HtmlElement;
class PageProperties;
class StyleSheet;

// A URL held by a record: absent (null) or a handle of its own; copied with
// its record.
class UrlField {
public:
    UrlField() = default;
    UrlField(std::unique_ptr<UrlHandle> url) : url_(std::move(url)) {}
    UrlField(const UrlField& other) : url_(other.url_ ? std::make_unique<UrlHandle>(*other.url_) : nullptr) {}
    UrlField& operator=(const UrlField& other) {
        if (this != &other) url_ = other.url_ ? std::make_unique<UrlHandle>(*other.url_) : nullptr;
        return *this;
    }
    UrlField(UrlField&&) = default;
    UrlField& operator=(UrlField&&) = default;
    UrlField& operator=(std::unique_ptr<UrlHandle> url) {
        url_ = std::move(url);
        return *this;
    }
    UrlHandle* get() const { return url_.get(); }
    UrlHandle* operator->() const { return url_.get(); }
    UrlHandle& operator*() const { return *url_; }
    explicit operator bool() const { return url_ != nullptr; }

private:
    std::unique_ptr<UrlHandle> url_;
};

// A NUL-terminated text owned by a record; null when absent.
class OwnedText {
public:
    OwnedText() = default;
    OwnedText(const char* text, int length);
    explicit OwnedText(const char* text)
        : OwnedText(text, text ? static_cast<int>(std::char_traits<char>::length(text)) : 0) {}
    OwnedText(const OwnedText& other) { *this = other; }
    OwnedText& operator=(const OwnedText& other);
    OwnedText(OwnedText&&) = default;
    OwnedText& operator=(OwnedText&&) = default;

    const char* Get() const { return text_.get(); }
    char* Data() { return text_.get(); }
    bool IsSet() const { return text_ != nullptr; }
    // A copy of the slot's value with its entities decoded.
    static OwnedText Decoded(const char* text, int length);

private:
    std::unique_ptr<char[]> text_;
};

// Alignment codes shared by records, formatter and painting.
enum AlignCode : int { kAlignLeft = 4, kAlignRight = 5, kAlignCenter = 6, kAlignJustify = 7 };
enum ClearCode : int { kClearLeft = 1, kClearRight = 2, kClearAll = 3 };
constexpr int kSpaceUnset = 255;
constexpr int kSpaceDefault = 254;

// An object of the script engine (a script, handler, context or host
// object) as the host holds it: pointer-sized, 0 for none.
using ScriptObject = intptr_t;

// Handler ids of the script engine for each event source.
enum EventId : int {
    kEventClick = 61,
    kEventChange = 62,
    kEventBlur = 64,
    kEventFocus = 66,
    kEventSubmit = 87,
    kEventReset = 88,
    kEventLoad = 143,
    kEventUnload = 144,
    kEventLinkClick = 169,
    kEventMouseOut = 170,
    kEventMouseOver = 171,
    kEventAbort = 209,
    kEventError = 210,
    kEventImageLoad = 211,
};

// What a record constructor needs besides its slots.
struct RecordContext {
    PageProperties* page = nullptr;  // null for records made outside a page
    HtmlElement* element = nullptr;
    bool implied = false;  // an implied cell, or an IMG made by a script
};

class ElementRecord {
public:
    virtual ~ElementRecord() = default;
    virtual std::unique_ptr<ElementRecord> Clone() const = 0;
    // Appends the fields as the record holds them, for tree dumps.
    virtual void Dump(std::string& out) const = 0;
    // The handler text of an event of this record, or null.
    virtual const char* GetEventHandlerText(int eventId) const { return nullptr; }
    // The image, sound or source URL of the record (IMG SRC, BODY
    // BACKGROUND, INPUT SRC, BGSOUND SRC, SCRIPT SRC ...), or null.
    virtual const UrlHandle* GetSourceUrl() const { return nullptr; }

    // ID, CLASS and STYLE, kept by most kinds.
    const char* GetId() const { return id_.Get(); }
    const char* GetClass() const { return class_.Get(); }
    const DeclarationList* GetInlineStyle() const { return style_.Get(); }
    // Compiled event handlers by event id (script engine objects); a copy of
    // the record starts without them.
    ScriptObject CompiledHandler(int eventId) const;
    void SetCompiledHandler(int eventId, ScriptObject handler);
    // The element's own script object (link, image, form, form field),
    // borrowed from the page's objects; a copy starts without it.
    ScriptObject GetScriptObject() const { return scriptObject_; }
    void SetScriptObject(ScriptObject object) { scriptObject_ = object; }
    // The engine that made the record's objects went: they are forgotten.
    virtual void ForgetScriptObjects() {
        compiled_.clear();
        scriptObject_ = 0;
    }

protected:
    ElementRecord() = default;
    ElementRecord(const ElementRecord& other) : id_(other.id_), class_(other.class_), style_(other.style_) {}
    // Takes ID, CLASS or STYLE from the slot; true when the slot was one.
    bool TakeCommon(const AttributeSlot& slot, const RecordContext& context);
    void DumpCommon(std::string& out) const;

    OwnedText id_;
    OwnedText class_;
    InlineStyle style_;

private:
    std::vector<std::pair<int, ScriptObject>> compiled_;
    ScriptObject scriptObject_ = 0;
};

// A record kind whose copy, dump and event handler texts come from its
// table, R::Table(), defined beside the record's constructor.
template <typename R>
class TabledRecord : public ElementRecord {
public:
    std::unique_ptr<ElementRecord> Clone() const override { return std::make_unique<R>(Self()); }
    void Dump(std::string& out) const override;
    const char* GetEventHandlerText(int eventId) const override;

protected:
    TabledRecord() = default;
    TabledRecord(const TabledRecord& other) = default;

private:
    const R& Self() const { return static_cast<const R&>(*this); }
};

template <typename R>
void TabledRecord<R>::Dump(std::string& out) const {
    using Entry = DumpEntry<R>;
    const R& r = Self();
    for (const Entry& e : R::Table().dump) {
        long value = 0;
        if (auto* p = std::get_if<int32_t R::*>(&e.field)) value = r.*(*p);
        if (auto* p = std::get_if<int16_t R::*>(&e.field)) value = r.*(*p);
        if (auto* p = std::get_if<uint8_t R::*>(&e.field)) value = r.*(*p);
        switch (e.kind) {
            case Entry::kInt:
                AppendInt(out, e.name, value);
                break;
            case Entry::kUnless:
                if (value != e.omit) AppendInt(out, e.name, value);
                break;
            case Entry::kFlag:
                if (value) AppendInt(out, e.name, 1);
                break;
            case Entry::kHex:
                AppendHex(out, e.name, static_cast<int32_t>(value));
                break;
            case Entry::kChar:
                if (value != e.omit) AppendField(out, e.name, std::string(1, static_cast<char>(value)));
                break;
            case Entry::kText:
                AppendText(out, e.name, r.*std::get<OwnedText R::*>(e.field));
                break;
            case Entry::kUrl:
                AppendUrl(out, e.name, r.*std::get<UrlField R::*>(e.field));
                break;
            case Entry::kCustom:
                std::get<void (*)(const R&, std::string&)>(e.field)(r, out);
                break;
            case Entry::kCommon:
                DumpCommon(out);
                break;
        }
    }
}

template <typename R>
const char* TabledRecord<R>::GetEventHandlerText(int eventId) const {
    for (const RecordHandler<R>& h : R::Table().handlers) {
        if (h.eventId == eventId) return (Self().*h.text).Get();
    }
    return nullptr;
}

class AnchorRecord : public TabledRecord<AnchorRecord> {
public:
    static const RecordTable<AnchorRecord>& Table();
    AnchorRecord(const AttributeSlot* slots, const RecordContext& context);

    UrlField href;
    OwnedText fragment, name, target, title;
    uint8_t extraByte = 0;
    char shortcut[4] = {};
    int32_t linkIndex = 0;
    int32_t anchorIndex = 0;
    OwnedText onClick, onMouseOver, onMouseOut;
};

class BlockRecord : public TabledRecord<BlockRecord> {
public:
    static const RecordTable<BlockRecord>& Table();
    BlockRecord(const AttributeSlot* slots, const RecordContext& context);
    int32_t align = kAlignLeft;
    int32_t clear = 0;
};

// List marker codes.
enum ListMarker : int {
    kMarkerUnset = 1,
    kMarkerDisc = 96,
    kMarkerCircle = 97,
    kMarkerSquare = 98,
    kMarkerDecimal = 99,
    kMarkerLowerRoman = 100,
    kMarkerUpperRoman = 101,
    kMarkerLowerAlpha = 102,
    kMarkerUpperAlpha = 103,
};

class ListRecord : public TabledRecord<ListRecord> {
public:
    static const RecordTable<ListRecord>& Table();
    ListRecord(const AttributeSlot* slots, const RecordContext& context);
    int32_t type = kMarkerUnset;
    int32_t value = 0;
    int32_t clear = 0;
};

class ClearRecord : public TabledRecord<ClearRecord> {
public:
    static const RecordTable<ClearRecord>& Table();
    ClearRecord(const AttributeSlot* slots, const RecordContext& context);
    int32_t clear = 0;
};

class RuleRecord : public TabledRecord<RuleRecord> {
public:
    static const RecordTable<RuleRecord>& Table();
    RuleRecord(const AttributeSlot* slots, const RecordContext& context);
    int32_t align = 0;
    int32_t noShade = 0;
    int32_t size = 1;
    int32_t width = -1;
    uint8_t widthUnit = 0;  // 0 not given, 2 percent, 3 pixels
};

class CellRecord : public TabledRecord<CellRecord> {
public:
    static const RecordTable<CellRecord>& Table();
    CellRecord(const AttributeSlot* slots, const RecordContext& context);
    int32_t border = 0;
    int32_t noWrap = 0;
    uint8_t dp = '.';
    uint8_t align = 0;
    uint8_t valign = 0;
    int32_t colSpan = 1;
    int32_t rowSpan = 1;
    int32_t extraWord = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bgColor = -1;
    int32_t implied = 0;
    UrlField background;  // BACKGROUND: a picture tiled under the cell
};

class TableRecord : public TabledRecord<TableRecord> {
public:
    static const RecordTable<TableRecord>& Table();
    TableRecord(const AttributeSlot* slots, const RecordContext& context);
    int32_t border = 0;
    int32_t noWrap = 0;
    int32_t noFlow = 0;
    uint8_t dp = '.';
    int32_t extraWord = 0;
    int32_t clear = 0;
    OwnedText colSpec;
    int32_t width = 0;
    int32_t height = 0;
    int32_t cellPadding = 2;
    int32_t cellSpacing = 1;
    int32_t bgColor = -1;
    uint8_t align = 0;
    uint8_t hspace = kSpaceUnset;
    uint8_t vspace = kSpaceUnset;
    uint8_t given = 0;
};

class ImageRecord : public TabledRecord<ImageRecord> {
public:
    static const RecordTable<ImageRecord>& Table();
    ImageRecord(const AttributeSlot* slots, const RecordContext& context);
    ImageRecord(const ImageRecord& other);
    const UrlHandle* GetSourceUrl() const override { return src.get(); }
    // 255 gives 0, the default marker 254 gives 3.
    int GetHSpace() const;
    int GetVSpace() const;

    UrlField src, dynSrc, iconSrc, useMap;
    int32_t controls = 0;
    int32_t preload = 0;
    int32_t iconBgColor = -1;
    int32_t iconBorder = 0;
    OwnedText iconText;
    uint8_t loop = 1;
    uint8_t start = 0;
    uint8_t hspace = kSpaceUnset;
    uint8_t vspace = kSpaceUnset;
    OwnedText alt;
    int32_t isMap = 0;
    int32_t align = 1;
    int32_t width = 0;
    int32_t height = 0;
    int32_t borderGiven = 0;
    int32_t border = 0;
    uint8_t given = 0;
    OwnedText name;
    int32_t imageIndex = 0;
    OwnedText onAbort, onError, onLoad;
};

constexpr uint8_t kFontSizeUnset = 255;

class FontRecord : public TabledRecord<FontRecord> {
public:
    static const RecordTable<FontRecord>& Table();
    FontRecord(const AttributeSlot* slots, const RecordContext& context);
    uint8_t size = kFontSizeUnset;
    OwnedText face;
    int16_t faceId = -1;
    int32_t color = -1;
};

constexpr int kMaxCoords = 1024;

class AreaRecord : public TabledRecord<AreaRecord> {
public:
    static const RecordTable<AreaRecord>& Table();
    AreaRecord(const AttributeSlot* slots, const RecordContext& context);
    // 1 when the point lies in the area; url is then the HREF, or empty for
    // NOHREF or no HREF.
    int HitTest(int x, int y, UrlHandle& url) const;
    // The HREF when the coordinates suit the shape, else the empty URL.
    UrlHandle GetHref() const;

    UrlField href;
    OwnedText alt, target;
    int32_t noHref = 0;
    int32_t shape = 1;  // 0 default, 1 rectangle, 2 circle, 3 polygon
    std::vector<int32_t> coords;
    int32_t linkIndex = 0;
    OwnedText onClick, onMouseOver, onMouseOut;
};

class MapRecord : public TabledRecord<MapRecord> {
public:
    static const RecordTable<MapRecord>& Table();
    MapRecord(const AttributeSlot* slots, const RecordContext& context);
    OwnedText name;
};

// Field types of form fields.
enum FieldType : int {
    kFieldText = 1,
    kFieldCheckbox = 2,
    kFieldRadio = 3,
    kFieldSubmit = 4,
    kFieldReset = 5,
    kFieldHidden = 6,
    kFieldImage = 7,
    kFieldPassword = 8,
    kFieldButton = 10,
    kFieldFile = 11,
};

class FormFieldRecord : public TabledRecord<FormFieldRecord> {
public:
    static const RecordTable<FormFieldRecord>& Table();
    FormFieldRecord(int type, const AttributeSlot* slots, const RecordContext& context);
    FormFieldRecord(const FormFieldRecord& other);
    const UrlHandle* GetSourceUrl() const override { return src.get(); }
    uint32_t GetControlKey() const {
        return (static_cast<uint32_t>(formNumber & 0xFFFF) << 16) | (controlNumber & 0xFFFF);
    }
    void SetCurrentValue(const char* text) { currentValue = text ? text : ""; }
    void SetValue(const char* text) {
        if (text) value = OwnedText(text);
    }

    int32_t fieldType = kFieldText;
    int32_t maxLength = 32767;
    int32_t size = 0;
    int32_t rows = 0;
    int32_t cols = 0;
    OwnedText value, name, action, encType, target;
    int16_t method = 0;
    int32_t selected = 0;
    int32_t multiple = 0;
    int32_t alignGiven = 0;
    int32_t checked = 0;
    UrlField src;
    int32_t controlNumber = 0;
    int32_t formNumber = 0;
    std::string currentValue;
    OwnedText onClick, onBlur, onChange, onFocus, onSubmit, onReset;
};

class BodyRecord : public TabledRecord<BodyRecord> {
public:
    static const RecordTable<BodyRecord>& Table();
    BodyRecord(const AttributeSlot* slots, const RecordContext& context);
    const UrlHandle* GetSourceUrl() const override { return background.get(); }
    UrlField background;
    OwnedText bgColor, text, link, vlink;
};

class StyleTextCollector;

class LinkRecord : public TabledRecord<LinkRecord> {
public:
    static const RecordTable<LinkRecord>& Table();
    LinkRecord(const AttributeSlot* slots, const RecordContext& context);
    LinkRecord(const LinkRecord& other);
    ~LinkRecord() override;
    OwnedText type, rel, rev;
    UrlField href;
    int32_t extraWord = 1;  // 1 while the linked sheet waits to be loaded
    std::unique_ptr<StyleTextCollector> collector;
};

class FrameRecord : public TabledRecord<FrameRecord> {
public:
    static const RecordTable<FrameRecord>& Table();
    FrameRecord(const AttributeSlot* slots, const RecordContext& context);
    UrlField src;
    OwnedText name;
    int32_t marginWidth = 5, marginHeight = 5, scrolling = 2, noResize = 0;
    OwnedText onLoad, onUnload;
};

class FramesetRecord : public TabledRecord<FramesetRecord> {
public:
    static const RecordTable<FramesetRecord>& Table();
    FramesetRecord(const AttributeSlot* slots, const RecordContext& context);
    // The index-th entry of a ROWS or COLS list: size and unit (0 relative,
    // 1 percent, 2 pixels); false when there is none.
    static bool GetEntry(const char* list, int index, int& size, int& unit);
    int32_t rowCount = 0, colCount = 0;
    OwnedText rows, cols;
    int32_t border = 2;
    int32_t rowsFirst = 0;
    OwnedText onLoad, onUnload;
};

class EmbedRecord : public TabledRecord<EmbedRecord> {
public:
    static const RecordTable<EmbedRecord>& Table();
    EmbedRecord(const AttributeSlot* slots, const RecordContext& context, bool applet);
    const UrlHandle* GetSourceUrl() const override { return src.get(); }
    // Replaces the parameter pairs (APPLET PARAM children are added so).
    void SetParams(std::vector<OwnedText> names, std::vector<OwnedText> values);

    UrlField src;
    int32_t width = 0, height = 0;
    OwnedText type;
    int32_t units = 3;
    OwnedText pluginSpace;
    int32_t hidden = 0;
    int32_t embedNumber = 0;
    std::vector<OwnedText> paramNames, paramValues;
    OwnedText name;
};

class ParamRecord : public TabledRecord<ParamRecord> {
public:
    static const RecordTable<ParamRecord>& Table();
    ParamRecord(const AttributeSlot* slots, const RecordContext& context);
    OwnedText name, value;
};

// The script engine as a SCRIPT record needs it to load collected text.
// LoadScript answers 1111 parsed, 2000 syntax error, 700 when only the
// beginning was consumed (cursor tells how far), 1000 to stop feeding.
class ScriptLoader {
public:
    virtual ~ScriptLoader() = default;
    virtual int LoadScript(const char*& cursor, const char* end, bool moreText) = 0;
    // The script that the calls since the last take or drop loaded: taken
    // by the record once it parsed whole, dropped when it did not. A loader
    // that keeps no script objects answers 1.
    virtual ScriptObject TakeLoadedScript() { return 1; }
    virtual void DropLoadedScript() {}
};

// Collected text of SCRIPT and STYLE, in pieces.
class TextPieces {
public:
    void Append(const char* text, int length);
    const std::vector<std::string>& Pieces() const { return pieces_; }
    size_t TotalLength() const;
    // Feeds the pieces to a consumer through one buffer of kFeedBuffer bytes:
    // a single piece directly, several appended in order; the consumer is
    // called when the buffer is full or the last piece is in. It answers
    // keepCode when it consumed only the beginning (the rest moves to the
    // buffer's start) and stopCode to stop. Answers the last answer, or
    // nothingCode when nothing was fed.
    template <typename Consumer>
    int Feed(Consumer consume, int keepCode, int stopCode, int nothingCode, int stuckCode) const;

private:
    std::vector<std::string> pieces_;
};

constexpr int kFeedBuffer = 32767;
constexpr int kScriptDone = 1111;
constexpr int kScriptSyntaxError = 2000;
constexpr int kScriptPartial = 700;
constexpr int kScriptStop = 1000;

class ScriptRecord : public TabledRecord<ScriptRecord> {
public:
    static const RecordTable<ScriptRecord>& Table();
    ScriptRecord(const AttributeSlot* slots, const RecordContext& context);
    const UrlHandle* GetSourceUrl() const override { return src.get(); }
    // Loads the collected text into the engine; answers the last answer.
    int Compile(ScriptLoader& loader);
    void ForgetScriptObjects() override {
        ElementRecord::ForgetScriptObjects();
        if (compiled) ran = true;
        compiled = 0;
    }

    TextPieces text;
    ScriptObject compiled = 0;  // the engine's script once it parsed whole
    OwnedText language;
    UrlField src;
    int32_t loadNotStarted = 1;
    bool sourceRead = false;  // the SRC file's text is in (or will never come)
    bool ran = false;         // evaluated once: never run again
};

class IsIndexRecord : public TabledRecord<IsIndexRecord> {
public:
    static const RecordTable<IsIndexRecord>& Table();
    IsIndexRecord(const AttributeSlot* slots, const RecordContext& context);
    OwnedText action, prompt;
};

class SoundRecord : public TabledRecord<SoundRecord> {
public:
    static const RecordTable<SoundRecord>& Table();
    SoundRecord(const AttributeSlot* slots, const RecordContext& context);
    const UrlHandle* GetSourceUrl() const override { return src.get(); }
    UrlField src;
    int32_t loop = 1;
};

class PlainRecord : public TabledRecord<PlainRecord> {
public:
    static const RecordTable<PlainRecord>& Table();
    PlainRecord(const AttributeSlot* slots, const RecordContext& context);
};

// The text of a STYLE element or of a linked sheet, parsed once complete.
class StyleTextCollector : public TabledRecord<StyleTextCollector> {
public:
    static const RecordTable<StyleTextCollector>& Table();
    StyleTextCollector(const AttributeSlot* slots, HtmlElement* owner);
    StyleTextCollector(const StyleTextCollector& other);
    ~StyleTextCollector() override;
    void Append(const char* text, int length) { text_.Append(text, length); }
    // Parses the collected text into a sheet for the page (base: the page's
    // base URL, or for a LINK its own URL) and hands it to the page.
    void Parse(PageProperties* page, const UrlHandle* base, bool userSheet);
    // The sheet of the collected text, kept by the caller (the user's own).
    std::unique_ptr<StyleSheet> ParseToSheet(PageProperties* page, const UrlHandle* base, bool userSheet);
    bool IsParsed() const { return parsed_; }

    OwnedText type;

private:
    TextPieces text_;
    HtmlElement* owner_;
    bool parsed_ = false;
};

// Loop count of LOOP attributes: "infinite", no value or a number outside
// 0..255 give 255.
int ParseLoop(const char* value, int length);
// Copies source with every run of white space as one space, then one more
// space when there is room, and a NUL; writes nothing when it does not fit.
void CollapseWhiteSpace(const char* source, int length, char* destination, int capacity);
// Standard decimal conversion of a value that is not terminated; saturates.
int32_t SlotNumber(const char* value, int length);

// The record for an element type made from slots, or null when that type
// keeps none (or there are no attributes and the type needs none).
std::unique_ptr<ElementRecord> MakeElementRecord(int type, const AttributeSlot* slots,
                                                 const RecordContext& context);
