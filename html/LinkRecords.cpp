// Records of links: anchors, and the areas and maps of client-side image
// maps.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"
#include "net/UrlRecord.h"

using namespace record_slots;

AnchorRecord::AnchorRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrHref:
                if (!href && s->value) href = ParseUrlAttribute(*s, context.page, &fragment);
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrTarget:
                TakeText(target, *s);
                break;
            case kAttrTitle:
                if (!title.IsSet() && s->value) {
                    OwnedText decoded = OwnedText::Decoded(s->value, s->valueLength);
                    int length = static_cast<int>(std::strlen(decoded.Get()));
                    const char* trimmed = TrimAttributeValue(decoded.Data(), length);
                    title = OwnedText(trimmed, length);
                }
                break;
            case kAttrShortcut:
                if (s->value) {
                    int n = s->valueLength < 3 ? s->valueLength : 3;
                    std::memset(shortcut, 0, sizeof shortcut);
                    std::memcpy(shortcut, s->value, n);
                }
                break;
            case kAttrOnclick:
                TakeText(onClick, *s, false);
                break;
            case kAttrOnmouseover:
                TakeText(onMouseOver, *s, false);
                break;
            case kAttrOnmouseout:
                TakeText(onMouseOut, *s, false);
                break;
        }
    }
    // A mail link carries its TITLE in place of a fragment.
    if (href && title.IsSet() && !href->IsEmpty() && (*href)->GetScheme() == kSchemeMailto)
        href = NewUrl(UrlHandle(href->Record(), title.Get()));
}

AreaRecord::AreaRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool shapeGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrShape:
                if (!shapeGiven && NonEmpty(*s)) {
                    switch (Keyword(*s)) {
                        case kKeyCircle:
                        case kKeyCirc:
                            shape = 2;
                            break;
                        case kKeyPoly:
                        case kKeyPolygon:
                            shape = 3;
                            break;
                        case kKeyDefault:
                            shape = 0;
                            break;
                        default:
                            shape = 1;
                    }
                    shapeGiven = true;
                }
                break;
            case kAttrCoords:
                if (coords.empty() && s->value) {
                    const char* p = s->value;
                    const char* end = p + s->valueLength;
                    while (p < end && static_cast<int>(coords.size()) < kMaxCoords) {
                        while (p < end && !IsAsciiDigit(static_cast<unsigned char>(*p)) && *p != '+' &&
                               *p != '-')
                            ++p;
                        if (p == end) break;
                        const char* numberStart = p;
                        while (p < end &&
                               (IsAsciiDigit(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-'))
                            ++p;
                        // Saturating: a long digit run must not overflow.
                        int32_t n = SlotNumber(numberStart, static_cast<int>(p - numberStart));
                        coords.push_back(n < 0 ? 0 : n);
                    }
                }
                break;
            case kAttrHref:
                if (!href && s->value) href = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrNohref:
                noHref = 1;
                break;
            case kAttrAlt:
                if (!alt.IsSet() && s->value) alt = AltText(*s);
                break;
            case kAttrTarget:
                TakeText(target, *s);
                break;
            case kAttrOnclick:
                TakeText(onClick, *s, false);
                break;
            case kAttrOnmouseover:
                TakeText(onMouseOver, *s, false);
                break;
            case kAttrOnmouseout:
                TakeText(onMouseOut, *s, false);
                break;
        }
    }
}

namespace {
int MinimumCoords(int shape) {
    return shape == 1 ? 4 : (shape == 2 ? 3 : (shape == 3 ? 2 : 0));
}

bool InPolygon(const std::vector<int32_t>& c, int x, int y) {
    // Even-odd rule over count / 2 vertices.
    int n = static_cast<int>(c.size()) / 2;
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        long long xi = c[2 * i], yi = c[2 * i + 1], xj = c[2 * j], yj = c[2 * j + 1];
        if ((yi > y) != (yj > y)) {
            long long lhs = (x - xi) * (yj - yi);
            long long rhs = (xj - xi) * (y - yi);
            if ((yj - yi) > 0 ? lhs < rhs : lhs > rhs) inside = !inside;
        }
    }
    return inside;
}
}  // namespace

int AreaRecord::HitTest(int x, int y, UrlHandle& url) const {
    int count = static_cast<int>(coords.size());
    if (shape == 0 || count < MinimumCoords(shape)) return 0;
    bool hit = false;
    if (shape == 1) {
        hit = x >= coords[0] && x < coords[2] && y >= coords[1] && y < coords[3];
    } else if (shape == 2) {
        long long dx = x - coords[0], dy = y - coords[1], r = coords[2];
        hit = dx * dx + dy * dy < r * r;
    } else {
        hit = InPolygon(coords, x, y);
    }
    if (!hit) return 0;
    url = (noHref || !href) ? UrlHandle() : *href;
    return 1;
}

UrlHandle AreaRecord::GetHref() const {
    if (!href || static_cast<int>(coords.size()) < MinimumCoords(shape)) return UrlHandle();
    return *href;
}

MapRecord::MapRecord(const AttributeSlot* slots, const RecordContext&) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrName && s->value) name = OwnedText::Decoded(s->value, s->valueLength);
    }
}

const RecordTable<AnchorRecord>& AnchorRecord::Table() {
    using E = DumpEntry<AnchorRecord>;
    static const RecordTable<AnchorRecord> kTable = {
        {
            {"href", E::kUrl, &AnchorRecord::href},
            {"fragment", E::kText, &AnchorRecord::fragment},
            {"name", E::kText, &AnchorRecord::name},
            {"target", E::kText, &AnchorRecord::target},
            {"title", E::kText, &AnchorRecord::title},
            {"shortcut", E::kCustom,
             +[](const AnchorRecord& r, std::string& out) {
                 if (r.shortcut[0]) AppendField(out, "shortcut", r.shortcut);
             }},
            {"onclick", E::kText, &AnchorRecord::onClick},
            {"onmouseover", E::kText, &AnchorRecord::onMouseOver},
            {"onmouseout", E::kText, &AnchorRecord::onMouseOut},
            {nullptr, E::kCommon},
        },
        {
            {kEventLinkClick, &AnchorRecord::onClick},
            {kEventMouseOut, &AnchorRecord::onMouseOut},
            {kEventMouseOver, &AnchorRecord::onMouseOver},
        },
    };
    return kTable;
}

const RecordTable<AreaRecord>& AreaRecord::Table() {
    using E = DumpEntry<AreaRecord>;
    static const RecordTable<AreaRecord> kTable = {
        {
            {"shape", E::kInt, &AreaRecord::shape},
            {"coords", E::kCustom,
             +[](const AreaRecord& r, std::string& out) {
                 std::string list;
                 for (size_t i = 0; i < r.coords.size(); ++i)
                     list += (i ? "," : "") + std::to_string(r.coords[i]);
                 if (!r.coords.empty()) AppendField(out, "coords", list);
             }},
            {"href", E::kUrl, &AreaRecord::href},
            {"nohref", E::kFlag, &AreaRecord::noHref},
            {"alt", E::kText, &AreaRecord::alt},
            {"target", E::kText, &AreaRecord::target},
            {nullptr, E::kCommon},
        },
        {
            {kEventLinkClick, &AreaRecord::onClick},
            {kEventMouseOut, &AreaRecord::onMouseOut},
            {kEventMouseOver, &AreaRecord::onMouseOver},
        },
    };
    return kTable;
}

const RecordTable<MapRecord>& MapRecord::Table() {
    using E = DumpEntry<MapRecord>;
    static const RecordTable<MapRecord> kTable = {
        {
            {"name", E::kText, &MapRecord::name},
        },
        {},
    };
    return kTable;
}
