#include "layout/SharedStyles.h"

#include <cstdint>
#include <cstring>

namespace {

// FNV-1a over the values, one at a time: the records have padding, whose
// bytes are not part of the value.
struct Hasher {
    uint64_t h = 14695981039346656037ull;
    template <class T>
    Hasher& Add(const T& v) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &v, sizeof(T));
        for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
        return *this;
    }
    size_t Value() const { return static_cast<size_t>(h ^ (h >> 32)); }
};

bool SameFont(const LogFont& a, const LogFont& b) {
    return a.height == b.height && a.width == b.width && a.escapement == b.escapement &&
           a.orientation == b.orientation && a.weight == b.weight && a.italic == b.italic &&
           a.underline == b.underline && a.strikeOut == b.strikeOut && a.charSet == b.charSet &&
           a.outPrecision == b.outPrecision && a.clipPrecision == b.clipPrecision && a.quality == b.quality &&
           a.pitchAndFamily == b.pitchAndFamily && std::strncmp(a.faceName, b.faceName, sizeof a.faceName) == 0;
}

bool SameBorders(const BoxBorders& a, const BoxBorders& b) {
    for (int s = 0; s < 4; ++s) {
        if (a.side[s] != b.side[s] || a.color[s] != b.color[s]) return false;
    }
    return true;
}

}  // namespace

size_t SharedStyles::FontHash::operator()(const LogFont* f) const {
    Hasher h;
    h.Add(f->height).Add(f->width).Add(f->weight).Add(f->italic).Add(f->underline).Add(f->strikeOut);
    for (size_t i = 0; i < sizeof f->faceName && f->faceName[i]; ++i) h.Add(f->faceName[i]);
    return h.Value();
}

bool SharedStyles::FontEqual::operator()(const LogFont* a, const LogFont* b) const {
    return SameFont(*a, *b);
}

size_t SharedStyles::StyleHash::operator()(const BoxStyle* s) const {
    Hasher h;
    h.Add(s->parent).Add(s->font).Add(s->faceId).Add(s->fontHeight).Add(s->italic).Add(s->weight);
    h.Add(s->decorations).Add(s->letterSpacing).Add(s->backgroundImage).Add(s->backgroundColor);
    h.Add(s->textColor).Add(s->borders.side).Add(s->borders.color);
    return h.Value();
}

bool SharedStyles::StyleEqual::operator()(const BoxStyle* a, const BoxStyle* b) const {
    // Word spacing is compared by its bits: the unset value is FLT_MAX, and
    // a NaN must still equal itself for the record to be found again.
    return a->parent == b->parent && a->font == b->font && a->faceId == b->faceId &&
           a->fontHeight == b->fontHeight && a->italic == b->italic && a->weight == b->weight &&
           a->decorations == b->decorations && a->letterSpacing == b->letterSpacing &&
           std::memcmp(&a->wordSpacing, &b->wordSpacing, sizeof a->wordSpacing) == 0 &&
           a->backgroundImage == b->backgroundImage && a->backgroundColor == b->backgroundColor &&
           a->backgroundY == b->backgroundY && a->backgroundX == b->backgroundX &&
           a->backgroundRepeat == b->backgroundRepeat && a->textColor == b->textColor &&
           SameBorders(a->borders, b->borders);
}

namespace {
template <class Record, class Index>
const Record* Keep(std::deque<Record>& records, Index& index, const Record& record) {
    auto found = index.find(&record);
    if (found != index.end()) return *found;
    records.push_back(record);
    const Record* kept = &records.back();
    index.insert(kept);
    return kept;
}
}  // namespace

const BoxStyle* SharedStyles::Style(const BoxStyle& style) { return Keep(styles_, styleIndex_, style); }

const LogFont* SharedStyles::Font(const LogFont& font) { return Keep(fonts_, fontIndex_, font); }
