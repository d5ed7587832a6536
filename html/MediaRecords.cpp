// Records of what a page embeds: images, background sounds, plug-in and
// applet objects and their parameters.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"

using namespace record_slots;

namespace {
// START of IMG: a list of FILEOPEN and MOUSEOVER; FILEOPEN alone 0,
// MOUSEOVER alone 1, both 2.
int ParseImageStart(const char* value, int length) {
    bool fileOpen = false, mouseOver = false;
    const char* p = value;
    const char* end = value + length;
    while (p < end) {
        if (end - p >= 8 && EqualNoCase(p, "FILEOPEN", 8)) {
            fileOpen = true;
            p += 8;
        } else if (end - p >= 9 && EqualNoCase(p, "MOUSEOVER", 9)) {
            mouseOver = true;
            p += 9;
        } else {
            break;
        }
        if (p < end && *p == ',') ++p;
    }
    if (fileOpen && mouseOver) return 2;
    return mouseOver ? 1 : 0;
}
}  // namespace

ImageRecord::ImageRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool alignGiven = false, borderTaken = false, loopSet = false;
    bool hspaceGiven = false, vspaceGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrSrc:
                if (!src && NonEmpty(*s)) src = ParseImageUrl(*s, context.page, true);
                break;
            case kAttrAlt:
                if (!alt.IsSet() && s->value) alt = AltText(*s);
                break;
            case kAttrAlign:
                if (!alignGiven && NonEmpty(*s)) {
                    switch (Keyword(*s)) {
                        case kKeyTop:
                            align = 3;
                            break;
                        case kKeyLeft:
                            align = 4;
                            break;
                        case kKeyRight:
                            align = 5;
                            break;
                        case kKeyMiddle:
                        case kKeyAbsmiddle:
                        case kKeyCenter:
                            align = 2;
                            break;
                        default:
                            align = 1;
                    }
                    given |= 1;
                    alignGiven = true;
                }
                break;
            case kAttrBorder:
                if (!borderTaken) {
                    border = s->value ? Clamp(Number(*s), 0, 255) : 1;
                    borderGiven = 1;
                    borderTaken = true;
                }
                break;
            case kAttrHspace:
                if (!hspaceGiven) {
                    hspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                    given |= 32;
                    hspaceGiven = true;
                }
                break;
            case kAttrVspace:
                if (!vspaceGiven) {
                    vspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                    given |= 16;
                    vspaceGiven = true;
                }
                break;
            case kAttrWidth:
                if (!(given & 4) && NonEmpty(*s)) {
                    int n = Number(*s) < 0 ? 0 : Number(*s);
                    width = HasPercent(*s) ? -n : n;
                    given |= 4;
                }
                break;
            case kAttrHeight:
                if (!(given & 8) && NonEmpty(*s)) {
                    int n = Number(*s) < 0 ? 0 : Number(*s);
                    height = HasPercent(*s) ? -n : n;
                    given |= 8;
                }
                break;
            case kAttrUsemap:
                if (!useMap && s->value && context.page) {
                    // Resolved against the page's own address, not BASE.
                    std::string text = DecodedUrlText(*s);
                    std::string fragment;
                    size_t hash = text.find('#');
                    if (hash != std::string::npos) {
                        fragment = text.substr(hash + 1);
                        text.resize(hash);
                    }
                    const UrlHandle* own = context.page->GetDocumentUrl();
                    if (text.empty() && own)
                        useMap =
                            NewUrl(UrlHandle(own->Record(), fragment.empty() ? nullptr : fragment.c_str()));
                    else
                        useMap = NewUrl(context.page->FindUrl(own, text.c_str(), fragment.c_str()));
                }
                break;
            case kAttrIsmap:
                isMap = 1;
                break;
            case kAttrDynsrc:
                if (!dynSrc && NonEmpty(*s)) dynSrc = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrControls:
                controls = 1;
                break;
            case kAttrLoop:
                loop = static_cast<uint8_t>(ParseLoop(s->value, s->valueLength));
                loopSet = true;
                break;
            case kAttrStart:
                if (!(given & 2) && s->value) {
                    start = static_cast<uint8_t>(ParseImageStart(s->value, s->valueLength));
                    given |= 2;
                }
                break;
            case kAttrIconsrc:
                if (!iconSrc && NonEmpty(*s)) iconSrc = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrIcontext:
                TakeText(iconText, *s);
                break;
            case kAttrIconborder:
                if (!iconBorder) iconBorder = s->value ? Clamp(Number(*s), 0, 255) : 1;
                break;
            case kAttrIconbgcolor:
                if (iconBgColor == -1 && s->value) iconBgColor = ParseColour(s->value, s->valueLength);
                break;
            case kAttrPreload:
                if (!s->value) {
                    preload = 1;
                } else {
                    int k = Keyword(*s);
                    preload = k == kKeySilent ? 2 : (k == kKeyNo ? 0 : 1);
                }
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrOnload:
                TakeText(onLoad, *s, false);
                break;
            case kAttrOnabort:
                TakeText(onAbort, *s, false);
                break;
            case kAttrOnerror:
                TakeText(onError, *s, false);
                break;
        }
    }
    (void)loopSet;
    // Images floated to a side get the default spacing unless given.
    if (align == 4 || align == 5) {
        if (hspace == kSpaceUnset) hspace = kSpaceDefault;
        if (vspace == kSpaceUnset) vspace = kSpaceDefault;
    }
}

ImageRecord::ImageRecord(const ImageRecord& o)
    : TabledRecord(o),
      controls(o.controls),
      preload(o.preload),
      iconBgColor(o.iconBgColor),
      iconBorder(o.iconBorder),
      iconText(o.iconText),
      loop(o.loop),
      start(o.start),
      alt(o.alt),
      isMap(o.isMap),
      align(o.align),
      width(o.width),
      height(o.height),
      borderGiven(o.borderGiven),
      border(o.border),
      given(o.given),
      name(o.name),
      imageIndex(o.imageIndex),
      onAbort(o.onAbort),
      onError(o.onError),
      onLoad(o.onLoad) {
    if (o.src) src = NewUrl(*o.src);
    if (o.dynSrc) dynSrc = NewUrl(*o.dynSrc);
    if (o.iconSrc) iconSrc = NewUrl(*o.iconSrc);
    if (o.useMap) useMap = NewUrl(*o.useMap);
    // The copy keeps the resolved spacing.
    hspace = static_cast<uint8_t>(o.GetHSpace());
    vspace = static_cast<uint8_t>(o.GetVSpace());
}

namespace {
int ResolvedSpace(uint8_t value) {
    return value == kSpaceUnset ? 0 : (value == kSpaceDefault ? 3 : value);
}
}  // namespace

int ImageRecord::GetHSpace() const {
    return ResolvedSpace(hspace);
}
int ImageRecord::GetVSpace() const {
    return ResolvedSpace(vspace);
}

SoundRecord::SoundRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool loopGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrSrc && !src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
        if (s->code == kAttrLoop && !loopGiven) {
            loop = ParseLoop(s->value, s->valueLength);
            loopGiven = true;
        }
    }
}

EmbedRecord::EmbedRecord(const AttributeSlot* slots, const RecordContext& context, bool applet) {
    if (context.page) embedNumber = ++context.page->embedCounter;
    if (applet) type = OwnedText("application/x-java-applet");
    bool typeGiven = false, unitsGiven = false;
    int pairs = applet ? 1 : 0;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->nameLength > 0) ++pairs;
        switch (s->code) {
            case kAttrSrc:
                if (!src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrWidth:
            case kAttrHeight:
                if (NonEmpty(*s)) {
                    int n = Number(*s) < 0 ? 0 : Number(*s);
                    (s->code == kAttrWidth ? width : height) = HasPercent(*s) ? -n : n;
                }
                break;
            case kAttrType:
                if (!typeGiven && s->value) {
                    typeGiven = true;
                    std::unique_ptr<char[]> buffer(new char[s->valueLength + 1]);
                    buffer[0] = '\0';
                    CollapseWhiteSpace(s->value, s->valueLength, buffer.get(), s->valueLength);
                    type = s->valueLength > 0 ? OwnedText(buffer.get()) : OwnedText("");
                }
                break;
            case kAttrUnits:
                if (!unitsGiven && NonEmpty(*s)) {
                    unitsGiven = true;
                    if (s->valueLength == 2 && Keyword(*s) == kKeyEn) units = 1;
                }
                break;
            case kAttrPluginspace:
                if (!pluginSpace.IsSet() && s->value) {
                    std::unique_ptr<char[]> buffer(new char[s->valueLength + 1]);
                    buffer[0] = '\0';
                    CollapseWhiteSpace(s->value, s->valueLength, buffer.get(), s->valueLength);
                    DecodeEntities(buffer.get());
                    pluginSpace = OwnedText(buffer.get());
                }
                break;
            case kAttrHidden:
                if (NonEmpty(*s)) hidden = Keyword(*s) == kKeyFalse ? 0 : 1;
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
        }
    }
    paramNames.reserve(pairs);
    paramValues.reserve(pairs);
    if (applet) {
        paramNames.emplace_back("type");
        paramValues.push_back(type);
    }
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->nameLength <= 0) continue;
        std::string pairName(s->name, s->nameLength);
        OwnedText value = s->value ? OwnedText(s->value, s->valueLength) : OwnedText();
        if (applet && s->code == kAttrCode) {
            pairName = "java_CODE";
            if (s->value && !(s->valueLength > 5 && EqualNoCase(s->value + s->valueLength - 6, ".class", 6)))
                value = OwnedText((std::string(s->value, s->valueLength) + ".class").c_str());
        } else if (applet && s->code == kAttrCodebase) {
            pairName = "java_CODEBASE";
        }
        paramNames.emplace_back(pairName.c_str());
        paramValues.push_back(std::move(value));
    }
}

void EmbedRecord::SetParams(std::vector<OwnedText> names, std::vector<OwnedText> values) {
    paramNames = std::move(names);
    paramValues = std::move(values);
}

ParamRecord::ParamRecord(const AttributeSlot* slots, const RecordContext&) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrName) TakeText(name, *s);
        if (s->code == kAttrValue) TakeText(value, *s);
    }
}

const RecordTable<ImageRecord>& ImageRecord::Table() {
    using E = DumpEntry<ImageRecord>;
    static const RecordTable<ImageRecord> kTable = {
        {
            {"src", E::kUrl, &ImageRecord::src},
            {"alt", E::kText, &ImageRecord::alt},
            {"align", E::kInt, &ImageRecord::align},
            {"width", E::kInt, &ImageRecord::width},
            {"height", E::kInt, &ImageRecord::height},
            {"border", E::kInt, &ImageRecord::border},
            {"bordergiven", E::kFlag, &ImageRecord::borderGiven},
            {"hspace", E::kInt, &ImageRecord::hspace},
            {"vspace", E::kInt, &ImageRecord::vspace},
            {"usemap", E::kUrl, &ImageRecord::useMap},
            {"ismap", E::kFlag, &ImageRecord::isMap},
            {"dynsrc", E::kUrl, &ImageRecord::dynSrc},
            {"loop", E::kUnless, &ImageRecord::loop, 1},
            {"start", E::kUnless, &ImageRecord::start, 0},
            {"iconsrc", E::kUrl, &ImageRecord::iconSrc},
            {"name", E::kText, &ImageRecord::name},
            {nullptr, E::kCommon},
        },
        {
            {kEventAbort, &ImageRecord::onAbort},
            {kEventError, &ImageRecord::onError},
            {kEventImageLoad, &ImageRecord::onLoad},
        },
    };
    return kTable;
}

const RecordTable<SoundRecord>& SoundRecord::Table() {
    using E = DumpEntry<SoundRecord>;
    static const RecordTable<SoundRecord> kTable = {
        {
            {"src", E::kUrl, &SoundRecord::src},
            {"loop", E::kInt, &SoundRecord::loop},
        },
        {},
    };
    return kTable;
}

const RecordTable<EmbedRecord>& EmbedRecord::Table() {
    using E = DumpEntry<EmbedRecord>;
    static const RecordTable<EmbedRecord> kTable = {
        {
            {"src", E::kUrl, &EmbedRecord::src},
            {"width", E::kInt, &EmbedRecord::width},
            {"height", E::kInt, &EmbedRecord::height},
            {"type", E::kText, &EmbedRecord::type},
            {"units", E::kInt, &EmbedRecord::units},
            {"pluginspace", E::kText, &EmbedRecord::pluginSpace},
            {"hidden", E::kFlag, &EmbedRecord::hidden},
            {"embed", E::kInt, &EmbedRecord::embedNumber},
            {"name", E::kText, &EmbedRecord::name},
            {"param", E::kCustom,
             +[](const EmbedRecord& r, std::string& out) {
                 for (size_t i = 0; i < r.paramNames.size(); ++i) {
                     const OwnedText& name = r.paramNames[i];
                     const OwnedText& value = r.paramValues[i];
                     AppendField(out, "param",
                                 std::string(name.IsSet() ? name.Get() : "-") + ":" +
                                     (value.IsSet() ? "\"" + std::string(value.Get()) + "\"" : "-"));
                 }
             }},
        },
        {},
    };
    return kTable;
}

const RecordTable<ParamRecord>& ParamRecord::Table() {
    using E = DumpEntry<ParamRecord>;
    static const RecordTable<ParamRecord> kTable = {
        {
            {"name", E::kText, &ParamRecord::name},
            {"value", E::kText, &ParamRecord::value},
        },
        {},
    };
    return kTable;
}
