#include "layout/FontTable.h"

#include <cstring>
#include <strings.h>

#include "layout/PaintDevice.h"

FontTable* g_fontTable = nullptr;

void SetLogFontFace(LogFont& font, const char* name) {
    std::memset(font.faceName, 0, sizeof font.faceName);
    if (name) std::strncpy(font.faceName, name, sizeof font.faceName - 1);
}

// ---------------------------------------------------------------------------

FontStyle::FontStyle(const FontSpec& numbers, int32_t italic, int32_t bold, const LogFont* font, int32_t color,
                     int32_t seventh, int32_t underline, int32_t strikeOut)
    : numbers_(numbers),
      italic_(italic),
      bold_(bold),
      font_(font ? new LogFont(*font) : nullptr),
      color_(color),
      seventh_(seventh),
      underline_(underline),
      strikeOut_(strikeOut) {}

void FontStyle::Assign(const FontStyle& other) {
    if (this == &other) return;
    numbers_ = other.numbers_;
    italic_ = other.italic_;
    bold_ = other.bold_;
    if (!other.font_) {
        font_.reset();
    } else if (font_) {
        *font_ = *other.font_;
    } else {
        font_.reset(new LogFont(*other.font_));
    }
    color_ = other.color_;
    seventh_ = other.seventh_;
    underline_ = other.underline_;
    strikeOut_ = other.strikeOut_;
}

// ---------------------------------------------------------------------------

namespace {
const char* const kGenericNames[FontTable::kGenericCount] = {"serif", "sans-serif", "cursive", "fantasy",
                                                              "monospace"};

// Compares like the system's case-insensitive comparison of face names.
bool SameName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }
}  // namespace

FontTable::FontTable(FontSystem* system, const char* const genericFaces[kGenericCount]) : system_(system) {
    for (const char* name : kGenericNames) AddFace(name, static_cast<int>(std::strlen(name)), 0);
    if (system_) {
        system_->ListFamilies([this](const char* name) {
            if (name && *name && !FindFace(name)) AddFace(name, static_cast<int>(std::strlen(name)), kFaceInstalled);
        });
    }
    for (int i = 0; genericFaces && i < kGenericCount; ++i) {
        if (genericFaces[i] && *genericFaces[i]) BindGenericFace(kGenericNames[i], genericFaces[i]);
    }
    RegisterFontFaceDirectory(this);
}

FontTable::~FontTable() {
    RegisterFontFaceDirectory(nullptr);
    faces_.Clear();
}

const FontStyle& FontTable::DefaultStyle() {
    static const FontStyle style;
    return style;
}

const FontStyle& FontTable::ForElement(int code) const {
    if (code < 0 || code >= kElementSlots || !elements_[code]) return DefaultStyle();
    return *elements_[code];
}

void FontTable::SetForElement(int code, std::unique_ptr<FontStyle> style) {
    if (code >= 0 && code < kElementSlots) elements_[code] = std::move(style);
}

const FontStyle& FontTable::ForSpecial(int index) const {
    if (index < 0 || index >= kSpecialSlots || !specials_[index]) return DefaultStyle();
    return *specials_[index];
}

void FontTable::SetSpecial(int index, std::unique_ptr<FontStyle> style) {
    if (index >= 0 && index < kSpecialSlots) specials_[index] = std::move(style);
}

FontFace* FontTable::FindFace(const char* name) const {
    for (ListNode* n = faces_.First(); n; n = n->Next()) {
        FontFace* face = static_cast<FontFace*>(n);
        if (SameName(face->name, name)) return face;
    }
    return nullptr;
}

FontFace* FontTable::AddFace(const char* name, int length, uint16_t flags) {
    // The ids are 16-bit and 0xFFFF means unknown; names that pages make up
    // are kept for the table's life, so the list has a bound.
    if (static_cast<int>(faces_.Count()) >= kFaceListLimit || nextId_ == kUnknownFace) return nullptr;
    FontFace* face = new FontFace;
    face->id = nextId_++;
    face->flags = flags;
    int n = length < kFaceNameSize - 1 ? length : kFaceNameSize - 1;
    std::memcpy(face->name, name, n);
    face->name[n] = '\0';
    face->AppendTo(faces_);
    return face;
}

uint16_t FontTable::FindFaceId(const char* name) const {
    const FontFace* face = name ? FindFace(name) : nullptr;
    return face ? face->id : kUnknownFace;
}

uint16_t FontTable::GetOrAddFace(const char* name, int length) {
    if (!name || length <= 0) return kUnknownFace;
    // Looked up by the name as the field keeps it: a longer name is cut to
    // the field, so that it finds its face again.
    char key[kFaceNameSize];
    int n = length < kFaceNameSize - 1 ? length : kFaceNameSize - 1;
    std::memcpy(key, name, n);
    key[n] = '\0';
    if (std::strlen(key) == 0) return kUnknownFace;
    if (const FontFace* face = FindFace(key)) return face->id;
    const FontFace* face = AddFace(key, static_cast<int>(std::strlen(key)), 0);
    return face ? face->id : kUnknownFace;
}

const FontFace* FontTable::FindFaceById(uint16_t id) const {
    // A generic family bound to a real face carries that face's id; the face
    // itself answers for the id.
    for (ListNode* n = faces_.First(); n; n = n->Next()) {
        const FontFace* face = static_cast<const FontFace*>(n);
        if (face->id == id && face->flags != kFaceBoundGeneric) return face;
    }
    return nullptr;
}

const char* FontTable::FaceName(uint16_t id) const {
    const FontFace* face = FindFaceById(id);
    return face ? face->name : nullptr;
}

void FontTable::BindGenericFace(const char* genericName, const char* faceName) {
    FontFace* generic = genericName ? FindFace(genericName) : nullptr;
    uint16_t id = FindFaceId(faceName);
    // Ids start at 0, so only 0xFFFF means that the face is unknown.
    if (!generic || id == kUnknownFace) return;
    generic->id = id;
    generic->flags = kFaceBoundGeneric;
}

void FontTable::MeasureWeights(FontFace& face) {
    face.weightState = 1;
    if (!system_) return;
    int previous = system_->RealizedWeight(face.name, 100);
    for (int w = 2; w <= 9; ++w) {
        int realized = system_->RealizedWeight(face.name, w * 100);
        face.heavierAt[w - 2] = realized > previous;
        if (face.heavierAt[w - 2]) face.weightState = 2;
        previous = realized;
    }
}

int FontTable::NextWeight(uint16_t faceId, int weight, bool heavier) {
    FontFace* face = const_cast<FontFace*>(FindFaceById(faceId));
    if (face && face->weightState == 0) MeasureWeights(*face);
    if (heavier) {
        if (weight >= 9) return weight < 1 ? 1 : weight;
        if (weight < 1) weight = 1;
        if (face && face->weightState == 2) {
            // heavierAt[i] is weight i + 2 against i + 1.
            for (int w = weight + 1; w <= 9; ++w) {
                if (face->heavierAt[w - 2]) return w;
            }
        }
        return weight + 1;
    }
    if (weight <= 1) return weight > 9 ? 9 : (weight < 1 ? 1 : weight);
    if (weight > 9) weight = 9;
    if (face && face->weightState == 2) {
        for (int w = weight; w >= 2; --w) {
            if (face->heavierAt[w - 2]) return w - 1;
        }
    }
    return weight - 1;
}

// ---------------------------------------------------------------------------

uint16_t FindFontFaceId(const char* name) { return g_fontTable ? g_fontTable->FindFaceId(name) : kUnknownFace; }

uint16_t GetOrAddFontFace(const char* name, int length) {
    return g_fontTable ? g_fontTable->GetOrAddFace(name, length) : kUnknownFace;
}

const char* FontFaceName(uint16_t id) { return g_fontTable ? g_fontTable->FaceName(id) : nullptr; }

int FontFaceFlags(uint16_t id) {
    const FontFace* face = FindFontFaceById(id);
    return face ? face->flags & 0x0F : 0;
}

const FontFace* FindFontFaceById(uint16_t id) { return g_fontTable ? g_fontTable->FindFaceById(id) : nullptr; }

void BindGenericFace(const char* genericName, const char* faceName) {
    if (g_fontTable) g_fontTable->BindGenericFace(genericName, faceName);
}

int NextFontWeight(uint16_t faceId, int weight, bool heavier) {
    if (g_fontTable) return g_fontTable->NextWeight(faceId, weight, heavier);
    if (heavier) return weight >= 1 && weight < 9 ? weight + 1 : weight;
    return weight > 1 && weight <= 9 ? weight - 1 : weight;
}

int FontSizeForStep(const LogFont* font, int step) {
    if (!font) return -1;
    int size = font->height < 0 ? -font->height : font->height;
    int factor = 100 + (g_fontTable ? g_fontTable->SizeStepPercent() : 20);
    if (step < 1) step = 1;
    if (step > 7) step = 7;
    for (int i = step; i < 3; ++i) size = size * 100 / factor;
    for (int i = 3; i < step; ++i) size = size * factor / 100;
    return size < 6 ? 6 : size;
}

int FontSizeForStep(const FontStyle& style, int step) { return FontSizeForStep(style.Font(), step); }

int FontHeightOf(const FontStyle& style) {
    const LogFont* font = style.Font();
    if (!font) return 16;
    return font->height < 0 ? -font->height : font->height;
}

void SelectDefaultFont(PaintDevice& device) {
    const LogFont* normal = g_fontTable ? g_fontTable->ForElement(0).Font() : nullptr;
    if (normal) {
        device.SetLogFont(*normal);
        device.SetFaceById(FindFontFaceId(normal->faceName));
    } else if (device.GetFontHeight() <= 1) {
        // A device nobody chose a font for still holds its initial height
        // of 1: text would be measured and drawn a pixel high.
        device.SetFontHeight(FontHeightOf(FontTable::DefaultStyle()));
    }
}
