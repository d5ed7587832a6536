#include "html/TreeDump.h"

#include <cstdio>

#include "html/CssTokenizer.h"
#include "html/FontFaces.h"
#include "html/HtmlElement.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"

namespace {

std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p && *p; ++p) {
        if (*p == '"' || *p == '\\') {
            out += '\\';
            out += static_cast<char>(*p);
        } else if (*p == '\n') {
            out += "\\n";
        } else if (*p == '\r') {
            out += "\\r";
        } else if (*p < 0x20 || *p >= 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", *p);
            out += buffer;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out + "\"";
}

std::string NodeName(const HtmlElement* e) {
    if (!e) return "-";
    if (e->Type() == kRootElement) return "#root";
    if (e->Type() == kTextNode) return "#text";
    const char* name = TagName(e->Type());
    return name ? name : "#" + std::to_string(e->Type());
}

std::string Depth(const HtmlElement* e, const HtmlElement* root) {
    std::string indent;
    for (const HtmlElement* p = e; p != root && p; p = p->Parent()) indent += "  ";
    return indent;
}

const char* UnitName(int unit) {
    static const char* const kNames[] = {"",   "%",  "s",  "em", "ex",  "px",  "cm",  "mm",   "in",
                                         "pt", "pc", "ms", "hz", "deg", "rad", "khz", "grad", "?"};
    return unit >= 0 && unit <= kUnitOther ? kNames[unit] : "?";
}

std::string Number(float value, int unit) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g%s", value, UnitName(unit));
    return buffer;
}

}  // namespace

std::string DumpElementTree(const HtmlElement* root) {
    std::string out;
    for (const HtmlElement* e = root; e && (e == root || root->Contains(e)); e = e->NextInOrder()) {
        out += Depth(e, root) + NodeName(e);
        if (e->Type() == kTextNode) {
            out += " " + Quoted(e->GetText());
        } else if (e->Record()) {
            std::string fields;
            e->Record()->Dump(fields);
            out += fields;
        }
        if (e->Type() == kTagCaption) out += " align=" + std::to_string(e->GetCaptionAlign());
        out += "\n";
    }
    return out;
}

std::string DumpPageProperties(const PageProperties& page) {
    std::string out;
    auto url = [](const UrlHandle* u) { return u ? "<" + PageUrls::FullName(*u) + ">" : std::string("-"); };
    out += "base " + url(page.GetBaseUrl()) + "\n";
    if (!page.GetTargetName().empty()) out += "target " + Quoted(page.GetTargetName().c_str()) + "\n";
    if (page.GetRefreshDelay() >= 0)
        out += "refresh " + std::to_string(page.GetRefreshDelay()) + " " + url(page.GetRefreshUrl()) + "\n";
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "colours %d %d %d %d\n", page.GetBackgroundColour(),
                  page.GetTextColour(), page.GetLinkColour(), page.GetVisitedLinkColour());
    out += buffer;
    out += "basefont " + std::to_string(page.baseFontSize) + " forms " + std::to_string(page.formCounter) +
           " embeds " + std::to_string(page.embedCounter) + (page.searchable ? " searchable" : "") + "\n";
    for (int id = 140; id <= 144; ++id) {
        if (const char* text = page.GetEventHandlerText(id))
            out += "handler " + std::to_string(id) + " " + Quoted(text) + "\n";
    }
    for (const ReferencedUrl* e = page.GetReferencedUrls().First(); e; e = ReferencedUrlList::Next(e))
        out += "url " + std::to_string(e->flag) + " " + NodeName(e->element) + " " + url(&e->url) + "\n";
    out += "sheets " + std::to_string(page.StyleSheets().size()) + " loading " +
           std::to_string(page.sheetsLoading) + "\n";
    return out;
}

std::string DescribeDeclaration(const StyleDeclaration& d) {
    const char* name = PropertyName(d.PropertyId());
    std::string out = name ? name : "?";
    if (d.PseudoCode()) out += ":" + std::to_string(d.PseudoCode());
    out += "=";
    char buffer[32];
    switch (d.Kind()) {
        case kDeclKeyword:
            std::snprintf(buffer, sizeof buffer, "k%#x", d.GetKeyword());
            out += buffer;
            break;
        case kDeclInteger:
            std::snprintf(buffer, sizeof buffer, "rgb(%d,%d,%d)", d.GetValue() & 0xFF,
                          (d.GetValue() >> 8) & 0xFF, (d.GetValue() >> 16) & 0xFF);
            out += buffer;
            break;
        case kDeclString:
            out += Quoted(d.GetString());
            break;
        case kDeclNumber:
            out += Number(d.GetNumber(), d.GetUnit());
            break;
        case kDeclPair:
            out += Number(d.GetNumber(), d.GetUnit()) + " " + Number(d.GetSecondNumber(), d.GetSecondUnit());
            break;
        case kDeclList:
            // Faces by name: ids depend on the order in which names were met.
            for (int i = 0; i < d.GetListCount(); ++i) {
                const char* face = FaceNameForId(d.GetList()[i]);
                out += (i ? "," : "") + (face ? std::string(face) : std::to_string(d.GetList()[i]));
            }
            break;
        default:
            out += "?";
    }
    if (d.IsImportant()) out += " !important";
    if (d.IsFromUserSheet()) out += " user";
    return out;
}

std::string DumpComputedStyles(const PageProperties& page, const HtmlElement* root) {
    std::string out;
    for (const HtmlElement* e = root; e && (e == root || root->Contains(e)); e = e->NextInOrder()) {
        if (e->Type() == kTextNode || e->Type() == kRootElement) continue;
        StyleDeclarationList list;
        page.ComputeElementStyle(e, list);
        if (!list.First()) continue;
        out += Depth(e, root) + NodeName(e);
        for (const WeightedDeclaration* w = list.First(); w; w = StyleDeclarationList::Next(w))
            out += " " + DescribeDeclaration(*w->declaration) + "@" + std::to_string(w->weight);
        out += "\n";
    }
    return out;
}
