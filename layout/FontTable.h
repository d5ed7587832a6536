// The default text styles of the element types and the font face list.
//
// One FontTable is made at start-up (g_fontTable) and destroyed at exit. It
// owns one FontStyle per element type code that has its own (text 128, tags
// 256-340) and seven special styles; an empty entry answers the one shared
// default style, which is never deleted. It also owns the face list: the
// five generic CSS families first, then every family installed on the
// system, then the faces that pages name. Documents and styles refer to a
// face by its 16-bit id; the ids never change while the table lives.
//
// The table registers itself with the CSS layer below it (html/FontFaces.h),
// which turns font-family names into face ids through it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "core/ListNode.h"
#include "html/FontFaces.h"
#include "layout/LogFont.h"

// Six values of a text style; their meaning depends on the record that holds
// them (see FontStyle and the style application).
struct FontSpec {
    int32_t values[6] = {};

    void Clear() {
        for (int32_t& v : values) v = 0;
    }
    void Set(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f) {
        values[0] = a, values[1] = b, values[2] = c, values[3] = d, values[4] = e, values[5] = f;
    }
    void Assign(const FontSpec& other) { *this = other; }
};

// Seven values of a style's colours; the fifth is the colour (-1 unset).
struct StyleColors {
    int32_t values[7] = {};
    void Reset() {
        for (int32_t& v : values) v = 0;
        values[4] = -1;
    }
};

// One default text style: six spacing numbers (left indent, right indent,
// two more, space above, space below), italic and bold flags, an owned copy
// of a font (or none), the colour (-1 unchanged), a seventh number and the
// underline and strike-out flags.
class FontStyle {
public:
    FontStyle() = default;
    FontStyle(const FontSpec& numbers, int32_t italic, int32_t bold, const LogFont* font, int32_t color,
              int32_t seventh, int32_t underline, int32_t strikeOut);
    FontStyle(const FontStyle& other) { Assign(other); }
    FontStyle& operator=(const FontStyle& other) {
        Assign(other);
        return *this;
    }
    void Assign(const FontStyle& other);

    const FontSpec& Numbers() const { return numbers_; }
    int32_t Italic() const { return italic_; }
    int32_t Bold() const { return bold_; }
    const LogFont* Font() const { return font_.get(); }
    int32_t Color() const { return color_; }
    int32_t Seventh() const { return seventh_; }
    int32_t Underline() const { return underline_; }
    int32_t StrikeOut() const { return strikeOut_; }

private:
    FontSpec numbers_;
    int32_t italic_ = 0;
    int32_t bold_ = 0;
    std::unique_ptr<LogFont> font_;
    int32_t color_ = -1;
    int32_t seventh_ = 0;
    int32_t underline_ = 0;
    int32_t strikeOut_ = 0;
};

// What the table asks of the system's fonts (the GDI side answers on the
// display; tests answer with fixed values).
class FontSystem {
public:
    virtual ~FontSystem() = default;
    // Calls back once per installed font family.
    virtual void ListFamilies(const std::function<void(const char* name)>& add) = 0;
    // The weight that the system really gives the face when asked for the
    // weight (100-900) at height -18.
    virtual int RealizedWeight(const char* face, int weight) = 0;
};

constexpr uint16_t kUnknownFace = 0xFFFF;
constexpr uint16_t kFaceInstalled = 15;
constexpr uint16_t kFaceBoundGeneric = 255;
// Pages may name faces that are not installed; each becomes a face for the
// table's life, so their number is bounded.
constexpr int kFaceListLimit = 2048;
constexpr int kFaceNameSize = 32;

class FontFace : public ListNode {
public:
    uint16_t id = 0;
    uint16_t flags = 0;
    char name[kFaceNameSize] = {};
    uint8_t weightState = 0;  // 0 not measured, 1 measured, 2 with heavier steps
    bool heavierAt[8] = {};   // weights 200-900: heavier than the weight below
};

class FontTable : public FontFaceDirectory {
public:
    static constexpr int kElementSlots = 345;
    static constexpr int kSpecialSlots = 7;
    static constexpr int kGenericCount = 5;

    // genericFaces: the faces named in the settings for serif, sans-serif,
    // cursive, fantasy and monospace (null or empty: none). The system is
    // borrowed for the table's life; null lists no installed faces.
    FontTable(FontSystem* system, const char* const genericFaces[kGenericCount]);
    ~FontTable() override;
    FontTable(const FontTable&) = delete;
    FontTable& operator=(const FontTable&) = delete;

    const FontStyle& ForElement(int code) const;
    void SetForElement(int code, std::unique_ptr<FontStyle> style);
    const FontStyle& ForSpecial(int index) const;
    void SetSpecial(int index, std::unique_ptr<FontStyle> style);
    static const FontStyle& DefaultStyle();

    uint16_t FindFaceId(const char* name) const;
    uint16_t GetOrAddFace(const char* name, int length);
    const char* FaceName(uint16_t id) const;
    const FontFace* FindFaceById(uint16_t id) const;
    void BindGenericFace(const char* genericName, const char* faceName);
    int NextWeight(uint16_t faceId, int weight, bool heavier);

    // The font size step setting in percent (preferences).
    void SetSizeStepPercent(int percent) { sizeStepPercent_ = percent; }
    int SizeStepPercent() const { return sizeStepPercent_; }

    // FontFaceDirectory, for the CSS layer.
    uint16_t GetOrAddFaceId(const char* name, int length) override { return GetOrAddFace(name, length); }
    const char* NameOfFace(uint16_t id) const override { return FaceName(id); }

private:
    FontFace* FindFace(const char* name) const;
    FontFace* AddFace(const char* name, int length, uint16_t flags);
    void MeasureWeights(FontFace& face);

    FontSystem* system_;
    std::unique_ptr<FontStyle> elements_[kElementSlots];
    std::unique_ptr<FontStyle> specials_[kSpecialSlots];
    NodeList faces_;
    uint16_t nextId_ = 0;
    int sizeStepPercent_ = 20;
};

// The program's font table; null while there is none.
extern FontTable* g_fontTable;

// The face list of g_fontTable; the answers for "no face list" without one.
uint16_t FindFontFaceId(const char* name);
uint16_t GetOrAddFontFace(const char* name, int length);
const char* FontFaceName(uint16_t id);
int FontFaceFlags(uint16_t id);
const FontFace* FindFontFaceById(uint16_t id);
void BindGenericFace(const char* genericName, const char* faceName);
int NextFontWeight(uint16_t faceId, int weight, bool heavier);

// Pixel size of font size step 1-7 from the font's height, by the table's
// step setting (20 % without a table); at least 6; -1 without a font.
int FontSizeForStep(const LogFont* font, int step);
int FontSizeForStep(const FontStyle& style, int step);
// |height| of the style's font, 16 without one.
int FontHeightOf(const FontStyle& style);

// Puts the default font (that of element type 0) on the device, from which
// every element's font of a page is made. Without one in the table the
// device keeps its font, unless it has none yet.
class PaintDevice;
void SelectDefaultFont(PaintDevice& device);
