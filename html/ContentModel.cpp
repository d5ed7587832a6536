// Which element types may be direct children of which: the tree builder
// closes elements and makes implied ones by this table.
#include <bitset>
#include <cstring>
#include <sstream>
#include <string>

#include "html/HtmlElement.h"

namespace {

constexpr int kSlots = 1 + kTagCount;  // text, then the 85 tags
using TypeSet = std::bitset<kSlots>;

int SlotOf(int type) {
    if (type == kTextNode) return 0;
    if (type >= kFirstTag && type <= kLastTag) return 1 + type - kFirstTag;
    return -1;
}

TypeSet Set(const char* names) {
    TypeSet set;
    std::istringstream words(names);
    std::string word;
    while (words >> word) {
        if (word == "text") {
            set.set(0);
        } else {
            set.set(SlotOf(LookupTagCode(word.c_str(), static_cast<int>(word.size()))));
        }
    }
    return set;
}

struct Model {
    TypeSet root;
    TypeSet byParent[kSlots];  // slot 0 unused: text holds nothing

    Model() {
        const TypeSet inlineSet = Set(
            "text A I B U S BR EM TT IMG KBD VAR MAP WBR BIG DFN SUB SUP FONT NOBR BASE CITE CODE SAMP SPAN "
            "SMALL "
            "IMAGE EMBED PARAM APPLET STRIKE STRONG SCRIPT KEYGEN BGSOUND NOEMBED MARQUEE BASEFONT NOSCRIPT");
        const TypeSet flow = Set(
            "text A P I B U S UL OL DL H1 H2 H3 H4 H5 H6 HR BR EM TT BQ IMG PRE DIR DIV KBD VAR XMP MAP WBR "
            "BIG DFN "
            "SUB SUP MENU FONT NOBR FORM BASE CITE CODE SAMP SPAN TABLE INPUT SMALL IMAGE EMBED PARAM APPLET "
            "STRIKE "
            "STRONG SELECT SCRIPT KEYGEN ISINDEX LISTING BGSOUND NOEMBED MARQUEE TEXTAREA BASEFONT NOSCRIPT "
            "BLOCKQUOTE");
        root = flow | Set("META HEAD BODY LINK TITLE STYLE CENTER ADDRESS PLAINTEXT");
        auto give = [this](const char* parents, const TypeSet& children) {
            TypeSet list = Set(parents);
            for (int i = 1; i < kSlots; ++i) {
                if (list.test(i)) byParent[i] = children;
            }
        };
        give("NOFRAMES", root);
        give(
            "A APPLET I B U S H1 H2 H3 H4 H5 H6 EM TT KBD VAR BIG DFN SUB SUP NOBR CITE CODE SAMP SPAN SMALL "
            "STYLE "
            "STRIKE STRONG NOEMBED MARQUEE",
            inlineSet);
        give("P", inlineSet | Set("INPUT SELECT TEXTAREA"));
        give("CAPTION", inlineSet | Set("H1 H2 H3 H4 H5 H6"));
        give("ADDRESS", inlineSet | Set("P"));
        give("LI DT DD", flow);
        give("UL OL", flow | Set("LI"));
        give("DIR MENU", Set("LI"));
        give("DL", Set("P DT DD"));
        give("DIV FORM BLOCKQUOTE", flow | Set("CENTER ADDRESS"));
        give("CENTER", flow | Set("ADDRESS"));
        give("TH TD FONT", flow | Set("META HEAD BODY LINK TITLE STYLE CENTER ADDRESS"));
        give("SCRIPT", flow | Set("META LINK TITLE STYLE CENTER ADDRESS"));
        give("NOSCRIPT", flow | Set("TR CENTER ADDRESS"));
        give("TR", Set("TH TD MAP"));
        give("TABLE", Set("TR MAP CAPTION NOSCRIPT"));
        give("PRE LISTING", Set("text A P I B U S HR BR EM TT IMG KBD VAR BIG DFN SUB SUP FONT CITE CODE "
                                "SAMP SPAN INPUT SMALL IMAGE "
                                "EMBED PARAM APPLET STRIKE STRONG SELECT NOEMBED TEXTAREA BASEFONT"));
        give("XMP TITLE TEXTAREA PLAINTEXT", Set("text"));
        give("MAP", Set("AREA"));
        give("HEAD", Set("META BASE LINK TITLE STYLE SCRIPT ISINDEX"));
        give("SELECT", Set("OPTION"));
        give("OPTION", Set("text I B U S TT BIG SUB SUP FONT SMALL STRIKE"));
        give("FRAMESET", Set("FRAME FRAMESET NOFRAMES"));
        inlineTypes = inlineSet;
    }
    TypeSet inlineTypes;
};

const Model& TheModel() {
    static const Model model;
    return model;
}

}  // namespace

bool ContentModel(int parentType, int childType) {
    int child = SlotOf(childType);
    if (child < 0) return false;
    const Model& model = TheModel();
    if (parentType == kRootElement) return model.root.test(child);
    int parent = SlotOf(parentType);
    if (parent <= 0) return false;
    return model.byParent[parent].test(child);
}

bool HtmlElement::IsInline() const {
    int slot = SlotOf(type_);
    return slot >= 0 && TheModel().inlineTypes.test(slot);
}
