#include "html/HtmlTables.h"

#include <cstring>

#include "core/StringHelpers.h"

namespace {

struct NamedByte {
    const char* name;
    int value;
};
struct NamedColour {
    const char* name;
    int32_t value;
};

// Name tables, each sorted by name length; a code is derived from a position.
// clang-format off
const char* const kTagNames[] = {
    "A", "P", "I", "B", "U", "S", "LI", "UL",
    "OL", "DL", "DT", "DD", "H1", "H2", "H3", "H4",
    "H5", "H6", "HR", "BR", "EM", "TT", "TH", "TR",
    "TD", "BQ", "IMG", "PRE", "DIR", "DIV", "KBD", "VAR",
    "XMP", "MAP", "WBR", "BIG", "DFN", "SUB", "SUP", "MENU",
    "FONT", "AREA", "META", "NOBR", "FORM", "HEAD", "BODY", "BASE",
    "HTML", "CITE", "CODE", "SAMP", "SPAN", "LINK", "TABLE", "INPUT",
    "TITLE", "FRAME", "SMALL", "STYLE", "IMAGE", "EMBED", "PARAM", "APPLET",
    "STRIKE", "STRONG", "SELECT", "OPTION", "CENTER", "SCRIPT", "KEYGEN", "CAPTION",
    "ADDRESS", "ISINDEX", "LISTING", "BGSOUND", "NOEMBED", "MARQUEE", "TEXTAREA", "BASEFONT",
    "FRAMESET", "NOFRAMES", "NOSCRIPT", "PLAINTEXT", "BLOCKQUOTE",
};

const char* const kAttributeNames[] = {
    "X", "Y", "ID", "DP", "SRC", "ALT", "MIN", "MAX",
    "REL", "REV", "HREF", "NAME", "TYPE", "SIZE", "ROWS", "COLS",
    "TEXT", "LINK", "LOOP", "FACE", "CODE", "ALIGN", "ISMAP", "VALUE",
    "CLEAR", "WIDTH", "CLASS", "SHAPE", "UNITS", "PLAIN", "VLINK", "COLOR",
    "START", "TITLE", "STYLE", "NOFLOW", "HEIGHT", "NOWRAP", "ACTION", "METHOD",
    "BORDER", "VALIGN", "VSPACE", "HSPACE", "COORDS", "NOHREF", "DYNSRC", "USEMAP",
    "TARGET", "PROMPT", "BUTTON", "ONLOAD", "ONBLUR", "HIDDEN", "ACCEPT", "COLSPEC",
    "COLSPAN", "ROWSPAN", "COMPACT", "CHECKED", "BGCOLOR", "NOSHADE", "ENCTYPE", "CONTENT",
    "ICONSRC", "PRELOAD", "ONCLICK", "ONABORT", "ONERROR", "ONFOCUS", "ONRESET", "PALETTE",
    "MULTIPLE", "SELECTED", "DISABLED", "IMAGEMAP", "LANGUAGE", "LAUNCHER", "SHORTCUT", "CONTROLS",
    "NORESIZE", "ICONTEXT", "ONCHANGE", "ONSUBMIT", "ONUNLOAD", "CODEBASE", "ABSMIDDLE", "MAXLENGTH",
    "DIRECTION", "TOPMARGIN", "SCROLLING", "POSSIOKEY", "CHALLENGE", "BACKGROUND", "HTTP-EQUIV", "LEFTMARGIN",
    "ICONBORDER", "ONMOUSEOUT", "CELLSPACING", "CELLPADDING", "MARGINWIDTH", "FRAMEBORDER", "ICONBGCOLOR", "SCROLLDELAY",
    "ONMOUSEOVER", "PLUGINSPACE", "SCROLLAMOUNT", "BGPROPERTIES", "MARGINHEIGHT",
};

// Keywords, sorted by length (the order within one length does not matter here).
const NamedByte kKeywords[] = {
    {"no", 2},
    {"en", 13},
    {"yes", 1},
    {"put", 5},
    {"get", 7},
    {"all", 17},
    {"top", 20},
    {"disc", 3},
    {"post", 6},
    {"text", 32},
    {"file", 42},
    {"circ", 68},
    {"poly", 69},
    {"left", 128},
    {"false", 12},
    {"radio", 34},
    {"reset", 36},
    {"image", 38},
    {"right", 129},
    {"square", 4},
    {"silent", 10},
    {"pixels", 16},
    {"middle", 19},
    {"bottom", 21},
    {"submit", 35},
    {"hidden", 37},
    {"button", 40},
    {"circle", 67},
    {"center", 130},
    {"justify", 14},
    {"polygon", 70},
    {"default", 71},
    {"fileopen", 9},
    {"infinite", 11},
    {"relative", 15},
    {"baseline", 22},
    {"checkbox", 33},
    {"password", 39},
    {"mouseover", 8},
    {"absmiddle", 18},
    {"pushbutton", 41},
};

const NamedColour kColourNames[] = {
    {"Tan", 0xD8AF79}, {"Red", 0xFF0000}, {"Cyan", 0x00FFFF}, {"tan1", 0xFA9B3C},
    {"red2", 0xE41B17}, {"snow", 0xFFF9FA}, {"Gold", 0xD4A017}, {"peru", 0xC57726},
    {"Blue", 0x0000FF}, {"Plum", 0xB93B8F}, {"aqua", 0x00FFFF}, {"red1", 0xF62217},
    {"tan2", 0xE78E35}, {"lime", 0x00FF00}, {"teal", 0x008080}, {"Pink", 0xFAAFBE},
    {"Navy", 0x000080}, {"Gray", 0x808080}, {"snow2", 0xECE7E6}, {"Coral", 0xF76541},
    {"plum4", 0x7E587E}, {"pink2", 0xE7A1B0}, {"white", 0xFFFFFF}, {"snow3", 0xC8C4C2},
    {"gold1", 0xFDD017}, {"cyan2", 0x50EBEC}, {"cyan1", 0x57FEFF}, {"plum3", 0xC38EC7},
    {"Wheat", 0xF3DAA9}, {"pink3", 0xC48793}, {"Brown", 0x980517}, {"ivory", 0xFFFFEE},
    {"blue2", 0x1531EC}, {"linen", 0xF9EEE2}, {"blue3", 0x1528C7}, {"Gray0", 0x150517},
    {"Black", 0x000000}, {"blue1", 0x1535FF}, {"beige", 0xF5F3D7}, {"cyan3", 0x46C7C7},
    {"gold2", 0xEAC117}, {"gold4", 0x806517}, {"azure", 0xEFFFFF}, {"snow4", 0x817C7B},
    {"Khaki", 0xADA96E}, {"plum2", 0xE6A9EC}, {"gold3", 0xC7A317}, {"blue4", 0x151B7E},
    {"plum1", 0xF9B7FF}, {"pink4", 0x7F525D}, {"olive", 0x808000}, {"cyan4", 0x307D7E},
    {"Green", 0x008000}, {"Gray26", 0x34282C}, {"Gray37", 0x504A4B}, {"Gray43", 0x625D5D},
    {"Gray48", 0x6E6A6B}, {"Gray54", 0x807D7C}, {"Gray65", 0x9E9C9B}, {"Gray71", 0xAEADAC},
    {"Gray32", 0x463E3F}, {"Gray76", 0xBCBBBA}, {"Gray21", 0x2B1B17}, {"Gray93", 0xEBEBEA},
    {"green2", 0x59E817}, {"Gray87", 0xDBDBD9}, {"Yellow", 0xFFFF00}, {"Gray98", 0xF9F9FA},
    {"Gray60", 0x8F8E8D}, {"purple", 0x800080}, {"Gray59", 0x8D8B89}, {"Gray82", 0xCCCCCB},
    {"Gray80", 0xC7C7C5}, {"Gray74", 0xB7B6B4}, {"Gray85", 0xD5D5D4}, {"Gray28", 0x3B3131},
    {"Gray50", 0x747170}, {"green3", 0x4CC417}, {"green4", 0x347C17}, {"Gray88", 0xDDDDDC},
    {"brown3", 0xC22217}, {"wheat2", 0xEBD3A3}, {"khaki2", 0xEDE275}, {"Gray77", 0xBEBEBC},
    {"Gray70", 0xACABA9}, {"Gray44", 0x646060}, {"Orange", 0xF87A17}, {"Gray66", 0xA09F9D},
    {"Gray42", 0x5F5A59}, {"Gray55", 0x82807E}, {"Gray99", 0xFBFBFB}, {"Gray41", 0x5C5858},
    {"coral3", 0xC34A2C}, {"azure3", 0xBCC7C7}, {"brown1", 0xF63526}, {"khaki4", 0x827839},
    {"bisque", 0xFDE0BC}, {"Gray90", 0xE2E3E1}, {"silver", 0xC0C0C0}, {"Gray91", 0xE5E6E4},
    {"Gray49", 0x726E6D}, {"wheat4", 0x816F54}, {"Gray53", 0x7C7979}, {"Gray51", 0x787473},
    {"Gray38", 0x544E4F}, {"Gray64", 0x9A9998}, {"Gray27", 0x382D2C}, {"Gray40", 0x595454},
    {"Maroon", 0x800000}, {"Gray86", 0xD7D7D7}, {"Gray18", 0x250517}, {"Gray29", 0x3E3535},
    {"Gray79", 0xC3C4C2}, {"Gray68", 0xA5A4A3}, {"Gray36", 0x4E4848}, {"green1", 0x5FFB17},
    {"Gray57", 0x878583}, {"Gray62", 0x959492}, {"Gray24", 0x302226}, {"Gray35", 0x4C4646},
    {"wheat1", 0xFEE4B1}, {"Gray46", 0x696565}, {"coral2", 0xE55B3C}, {"Gray73", 0xB3B3B1},
    {"khaki1", 0xFFF380}, {"Gray52", 0x7A7777}, {"Gray63", 0x999795}, {"Gray96", 0xF4F4F3},
    {"ivory3", 0xC9C7B9}, {"Gray84", 0xD2D2D1}, {"Gray92", 0xE8E9E8}, {"Gray69", 0xA9A8A6},
    {"Gray81", 0xCACAC9}, {"Gray30", 0x413839}, {"Gray34", 0x4A4344}, {"Gray31", 0x41383C},
    {"Orchid", 0xE57DED}, {"brown2", 0xE42D17}, {"azure4", 0x7A7D7D}, {"ivory4", 0x817D74},
    {"Gray95", 0xF0F1F0}, {"Gray97", 0xF6F6F5}, {"coral4", 0x7E2817}, {"tomato", 0xF75431},
    {"Gray75", 0xB9B8B6}, {"Gray23", 0x302217}, {"Gray47", 0x6D6968}, {"khaki3", 0xC9BE62},
    {"Gray25", 0x342826}, {"Violet", 0x8D38C9}, {"Sienna", 0x8A4117}, {"azure2", 0xDEECEC},
    {"Gray58", 0x8B8987}, {"Gray39", 0x565051}, {"ivory2", 0xECECDC}, {"Gray83", 0xD0CFCF},
    {"Gray45", 0x666362}, {"Gray56", 0x858381}, {"Gray94", 0xEEEEEE}, {"Gray61", 0x939190},
    {"wheat3", 0xC8B189}, {"Gray89", 0xE0E0E0}, {"Gray72", 0xB1B1AF}, {"Gray78", 0xC1C1BF},
    {"Gray67", 0xA3A2A0}, {"Thistle", 0xD2B9D3}, {"sienna2", 0xE66C2C}, {"tomato3", 0xC23E17},
    {"orange3", 0xC57717}, {"salmon2", 0xE67451}, {"sienna4", 0x7E3517}, {"maroon4", 0x7D0552},
    {"orange2", 0xE78E17}, {"sienna3", 0xC35817}, {"orchid4", 0x7D387C}, {"purple2", 0x7F38EC},
    {"orchid1", 0xF67DFA}, {"salmon4", 0x7E3817}, {"yellow1", 0xFFFC17}, {"bisque4", 0x816E59},
    {"fuchsia", 0xFF00FF}, {"maroon2", 0xE3319D}, {"DimGray", 0x463E41}, {"bisque2", 0xEAD0AE},
    {"HotPink", 0xF660AB}, {"SkyBlue", 0x6698FF}, {"Gray100", 0xFFFFFF}, {"maroon1", 0xF535AA},
    {"orange4", 0x7F4817}, {"purple3", 0x6C2DC7}, {"orange1", 0xFA9B17}, {"salmon1", 0xF88158},
    {"salmon3", 0xC36241}, {"purple4", 0x461B7E}, {"orchid3", 0xC160C3}, {"Magenta", 0xFF00FF},
    {"OldLace", 0xFCF3E2}, {"maroon3", 0xC12283}, {"purple1", 0x893BFF}, {"orchid2", 0xE473E7},
    {"sienna1", 0xF87431}, {"bisque3", 0xC7AF92}, {"tomato2", 0xE54C2C}, {"thistle4", 0x806D7E},
    {"liceBlue", 0xEFF7FF}, {"HotPink2", 0xE45E9D}, {"HotPink4", 0x7D2252}, {"DeepPink", 0xF52887},
    {"lavender", 0xE3E4FA}, {"SkyBlue4", 0x41627E}, {"SkyBlue2", 0x79BAEC}, {"moccasin", 0xFDE0AC},
    {"SkyBlue1", 0x82CAFF}, {"magenta2", 0xE238EC}, {"seashell", 0xFEF3EB}, {"thistle3", 0xC6AEC7},
    {"HotPink1", 0xF665AB}, {"magenta3", 0xC031C7}, {"SeaGreen", 0x4E8975}, {"magenta1", 0xF43EFF},
    {"honeydew", 0xF0FEEE}, {"thistle2", 0xE9CFEC}, {"thistle1", 0xFCDFFF}, {"SkyBlue3", 0x659EC7},
    {"cornsilk", 0xFFF7D7}, {"HotPink3", 0xC25283}, {"LawnGreen", 0x87F717}, {"RoyalBlue", 0x2B60DE},
    {"cornsilk4", 0x817A68}, {"honeydew4", 0x7A7D74}, {"OrangeRed", 0xF63817}, {"LightPink", 0xFAAFBA},
    {"seashell4", 0x817873}, {"RosyBrown", 0xB38481}, {"MistyRose", 0xFDE1DD}, {"DarkGreen", 0x254117},
    {"MintCream", 0xF5FFF9}, {"VioletRed", 0xE9358A}, {"seashell3", 0xC8BFB6}, {"chocolate", 0xC85A17},
    {"OliveDrab", 0x658017}, {"DeepPink2", 0xE4287C}, {"honeydew3", 0xBCC7B9}, {"honeydew2", 0xDEEBDC},
    {"Firebrick", 0x800517}, {"SlateGray", 0x657383}, {"cornsilk3", 0xC8C2A7}, {"PaleGreen", 0x79D867},
    {"SlateBlue", 0x737CA1}, {"cornsilk2", 0xECE5C6}, {"SeaGreen2", 0x64E986}, {"DeepPink4", 0x7D053F},
    {"LightCyan", 0xE0FFFF}, {"gainsboro", 0xD8D9D7}, {"CadetBlue", 0x578693}, {"LightBlue", 0xADDFFF},
    {"Turquoise", 0x43C6DB}, {"SteelBlue", 0x4863A0}, {"SeaGreen3", 0x54C571}, {"DeepPink3", 0xC12267},
    {"SeaGreen4", 0x387C44}, {"SeaGreen1", 0x6AFB92}, {"seashell2", 0xEBE2D9}, {"DarkKhaki", 0xB7AD59},
    {"LimeGreen", 0x41A317}, {"PeachPuff", 0xFCD5B0}, {"Goldenrod", 0xEDDA74}, {"IndianRed", 0x5E2217},
    {"turquoise3", 0x43BFC7}, {"SlateBlue4", 0x342D7E}, {"VioletRed1", 0xF6358A}, {"firebrick2", 0xE42217},
    {"SteelBlue3", 0x488AC7}, {"LightCyan3", 0xAFC7C7}, {"PeachPuff4", 0x806752}, {"DodgerBlue", 0x1589FF},
    {"DarkOrange", 0xF88017}, {"OliveDrab4", 0x617C17}, {"burlywood4", 0x806341}, {"LightPink1", 0xF9A7B0},
    {"LightBlue2", 0xAFDCEC}, {"LightBlue3", 0x95B9C7}, {"RoyalBlue1", 0x306EFF}, {"MistyRose4", 0x806F6C},
    {"PowderBlue", 0xADDCE3}, {"CadetBlue1", 0x99F3FF}, {"RoyalBlue3", 0x2554C7}, {"PaleGreen3", 0x7DC56C},
    {"SandyBrown", 0xEE9A4D}, {"IndianRed2", 0xE55451}, {"VioletRed4", 0x7D0541}, {"LightCoral", 0xE77471},
    {"LightPink4", 0x7F4E52}, {"goldenrod3", 0xC68E17}, {"DarkSalmon", 0xE18B6B}, {"PapayaWhip", 0xFEECCF},
    {"PaleGreen4", 0x4E7C41}, {"PaleGreen2", 0x94E981}, {"RoyalBlue4", 0x15317E}, {"MistyRose3", 0xC6AFAC},
    {"VioletRed2", 0xE4317F}, {"BlueViolet", 0x7931DF}, {"DarkOrchid", 0x7D1B7E}, {"turquoise4", 0x30787E},
    {"LightCyan4", 0x717D7D}, {"OliveDrab2", 0xB5E917}, {"RosyBrown4", 0x7F5A58}, {"CadetBlue3", 0x77BFC7},
    {"SlateBlue2", 0x6960EC}, {"burlywood2", 0xEABE83}, {"turquoise1", 0x52F3FF}, {"LightPink2", 0xE799A3},
    {"firebrick3", 0xC11B17}, {"SlateGray3", 0x98AFC7}, {"IndianRed4", 0x7E2217}, {"RosyBrown3", 0xC5908E},
    {"IndianRed3", 0xC24641}, {"SteelBlue1", 0x5CB3FF}, {"RosyBrown2", 0xE8ADAA}, {"chartreuse", 0x8AFB17},
    {"PeachPuff2", 0xEAC5A3}, {"CadetBlue4", 0x4C787E}, {"OliveDrab3", 0x99C517}, {"DarkViolet", 0x842DCE},
    {"SlateGray2", 0xB4CFEC}, {"PaleGreen1", 0xA0FC8D}, {"OrangeRed3", 0xC22817}, {"LightBlue4", 0x5E767E},
    {"goldenrod2", 0xE9AB17}, {"SlateGray1", 0xC2DFFF}, {"SlateBlue1", 0x7369FF}, {"GhostWhite", 0xF7F7FF},
    {"SlateGray4", 0x616D7E}, {"Aquamarine", 0x43B7BA}, {"OrangeRed2", 0xE43117}, {"goldenrod1", 0xFBB917},
    {"burlywood3", 0xC6A06D}, {"LightCyan2", 0xCFECEC}, {"LightBlue1", 0xBDEDFF}, {"SlateBlue3", 0x574EC7},
    {"turquoise2", 0x4EE2EC}, {"burlywood1", 0xFCCE8E}, {"PeachPuff3", 0xC6A688}, {"RoyalBlue2", 0x2B65EC},
    {"MistyRose2", 0xEAD0CC}, {"SteelBlue2", 0x56A5EC}, {"LightPink3", 0xC48189}, {"VioletRed3", 0xC12869},
    {"MediumBlue", 0x152DC6}, {"firebrick1", 0xF62817}, {"goldenrod4", 0x805817}, {"OliveDrab1", 0xC3FB17},
    {"SteelBlue4", 0x2B547E}, {"IndianRed1", 0xF75D59}, {"OrangeRed4", 0x7E0517}, {"CadetBlue2", 0x8EE2EC},
    {"RosyBrown1", 0xFBBBB9}, {"DarkOrchid3", 0x8B31C7}, {"FloralWhite", 0xFFF9EE}, {"DeepSkyBlue", 0x3BB9FF},
    {"SpringGreen", 0x4AA02C}, {"aquamarine1", 0x87FDCE}, {"GreenYellow", 0xB1FB17}, {"DodgerBlue4", 0x153E7E},
    {"aquamarine4", 0x417C64}, {"DarkOrange4", 0x7E3117}, {"chartreuse4", 0x437C17}, {"DarkOrange1", 0xF87217},
    {"chartreuse2", 0x7FE817}, {"aquamarine3", 0x69C69F}, {"DarkOrange3", 0xC35617}, {"NavajoWhite", 0xFDDAA3},
    {"ForestGreen", 0x4E9258}, {"LightSalmon", 0xF9966B}, {"DarkOrange2", 0xE56717}, {"aquamarine2", 0x7DEABE},
    {"LightYellow", 0xFFFEDC}, {"YellowGreen", 0x52D017}, {"DarkOrchid1", 0xB041FF}, {"DarkOrchid4", 0x571B7E},
    {"chartreuse3", 0x6CC417}, {"DarkOrchid2", 0xA23BEC}, {"DodgerBlue2", 0x157DEC}, {"DodgerBlue3", 0x1569C7},
    {"SpringGreen1", 0x5EFB6E}, {"LightSalmon2", 0xE78A61}, {"DeepSkyBlue4", 0x25587E}, {"AntiqueWhite", 0xF9E8D2},
    {"LightYellow2", 0xEDEBCB}, {"SpringGreen2", 0x57E964}, {"LemonChiffon", 0xFFF8C6}, {"DeepSkyBlue2", 0x38ACEC},
    {"LightSkyBlue", 0x82CAFA}, {"SpringGreen3", 0x4CC552}, {"NavajoWhite3", 0xC7AA7D}, {"DarkSeaGreen", 0x8BB381},
    {"MediumPurple", 0x8467D7}, {"LightSalmon3", 0xC47451}, {"MediumOrchid", 0xB048B5}, {"NavajoWhite4", 0x806A4B},
    {"NavajoWhite2", 0xEAC995}, {"SpringGreen4", 0x347C2C}, {"MidnightBlue", 0x151B54}, {"LightYellow3", 0xC9C7AA},
    {"LightSalmon4", 0x7F462C}, {"LightYellow4", 0x827D6B}, {"DeepSkyBlue3", 0x3090C7}, {"PaleVioletRed", 0xD16587},
    {"MediumOrchid4", 0x6A287E}, {"MediumOrchid1", 0xD462FF}, {"LavenderBlush", 0xFDEEF4}, {"LemonChiffon4", 0x827B60},
    {"DarkSeaGreen4", 0x617C58}, {"MediumPurple3", 0x7A5DC7}, {"PaleGoldenrod", 0xEDE49E}, {"AntiqueWhite1", 0xFEEDD6},
    {"MediumPurple4", 0x4E387E}, {"AntiqueWhite3", 0xC8B9A6}, {"MediumPurple2", 0x9172EC}, {"DarkSeaGreen1", 0xC3FDB8},
    {"LightSeaGreen", 0x3EA99F}, {"LightSkyBlue4", 0x566D7E}, {"DarkSlateBlue", 0x2B3856}, {"MediumOrchid3", 0xA74AC7},
    {"AntiqueWhite4", 0x817468}, {"DarkSeaGreen3", 0x99C68E}, {"AntiqueWhite2", 0xEBDBC5}, {"DarkGoldenrod", 0xAF7817},
    {"PaleTurquoise", 0xAEEBEC}, {"DarkSlateGray", 0x25383C}, {"LemonChiffon2", 0xECE5B6}, {"LemonChiffon3", 0xC9C299},
    {"LightSkyBlue3", 0x87AFC7}, {"MediumOrchid2", 0xC45AEC}, {"LightSkyBlue2", 0xA0CFEC}, {"MediumPurple1", 0x9E7BFF},
    {"DarkSeaGreen2", 0xB5EAAA}, {"DarkTurquoise", 0x3B9C9C}, {"DarkGoldenrod3", 0xC58917}, {"PaleTurquoise4", 0x5E7D7E},
    {"CornflowerBlue", 0x151B8D}, {"MediumSeaGreen", 0x306754}, {"DarkSlateGray4", 0x4C7D7E}, {"PaleVioletRed1", 0xF778A1},
    {"PaleTurquoise3", 0x92C7C7}, {"DarkGoldenrod4", 0x7F5217}, {"LightSlateGray", 0x6D7B8D}, {"DarkGoldenrod2", 0xE8A317},
    {"DarkGoldenrod1", 0xFBB117}, {"DarkSlateGray3", 0x78C7C7}, {"LightSlateBlue", 0x736AFF}, {"LightGoldenrod", 0xECD872},
    {"PaleVioletRed2", 0xE56E94}, {"LightSteelBlue", 0x728FCE}, {"LavenderBlush2", 0xEBDDE2}, {"DarkSlateGray2", 0x8EEBEC},
    {"LavenderBlush4", 0x817679}, {"PaleTurquoise2", 0xADEBEC}, {"DarkOliveGreen", 0x4A4117}, {"DarkSlateGray1", 0x9AFEFF},
    {"PaleVioletRed4", 0x7E354D}, {"BlanchedAlmond", 0xFEE8C6}, {"LavenderBlush3", 0xC8BBBE}, {"PaleVioletRed3", 0xC25A7C},
    {"PaleTurquoise1", 0xBCFEFF}, {"LightGoldenrod3", 0xC8B560}, {"LightSteelBlue4", 0x646D7E}, {"LightSteelBlue3", 0x9AADC7},
    {"LightSteelBlue2", 0xB7CEEC}, {"LightSteelBlue1", 0xC6DEFF}, {"LightGoldenrod2", 0xECD672}, {"DarkOliveGreen4", 0x667C26},
    {"DarkOliveGreen3", 0xA0C544}, {"LightGoldenrod4", 0x817339}, {"MediumVioletRed", 0xCA226B}, {"LightGoldenrod1", 0xFFE87C},
    {"MediumTurquoise", 0x48CCCD}, {"DarkOliveGreen1", 0xCCFB5D}, {"MediumGoldenrod", 0xCCB954}, {"DarkOliveGreen2", 0xBCE954},
    {"MediumSlateBlue", 0x5E5A80}, {"MediumAquamarine", 0x348781}, {"MediumSpringGreen", 0x348017}, {"MediumForestGreen", 0x347235},
    {"LightGoldenrodYellow", 0xFAF8CC},
};
// clang-format on

// clang-format off
const NamedByte kEntities[] = {
    {"lt", 0x3C}, {"gt", 0x3E}, {"LT", 0x3C}, {"GT", 0x3E}, {"amp", 0x26}, {"yen", 0xA5},
    {"uml", 0xA8}, {"not", 0xAC}, {"shy", 0xAD}, {"reg", 0xAE}, {"deg", 0xB0}, {"ETH", 0xD0},
    {"eth", 0xF0}, {"AMP", 0x26}, {"quot", 0x22}, {"nbsp", 0xA0}, {"cent", 0xA2}, {"sect", 0xA7},
    {"copy", 0xA9}, {"ordf", 0xAA}, {"macr", 0xAF}, {"sup2", 0xB2}, {"sup3", 0xB3}, {"para", 0xB6},
    {"sup1", 0xB9}, {"ordm", 0xBA}, {"Auml", 0xC4}, {"Euml", 0xCB}, {"Iuml", 0xCF}, {"Ouml", 0xD6},
    {"Uuml", 0xDC}, {"auml", 0xE4}, {"euml", 0xEB}, {"iuml", 0xEF}, {"ouml", 0xF6}, {"uuml", 0xFC},
    {"yuml", 0xFF}, {"QUOT", 0x22}, {"COPY", 0xA9}, {"iexcl", 0xA1}, {"pound", 0xA3}, {"laquo", 0xAB},
    {"acute", 0xB4}, {"micro", 0xB5}, {"cedil", 0xB8}, {"raquo", 0xBB}, {"Acirc", 0xC2}, {"Aring", 0xC5},
    {"AElig", 0xC6}, {"Ecirc", 0xCA}, {"Icirc", 0xCE}, {"Ocirc", 0xD4}, {"times", 0xD7}, {"Ucirc", 0xDB},
    {"THORN", 0xDE}, {"szlig", 0xDF}, {"acirc", 0xE2}, {"aring", 0xE5}, {"aelig", 0xE6}, {"ecirc", 0xEA},
    {"icirc", 0xEE}, {"ocirc", 0xF4}, {"ucirc", 0xFB}, {"thorn", 0xFE}, {"curren", 0xA4}, {"brvbar", 0xA6},
    {"plusmn", 0xB1}, {"middot", 0xB7}, {"frac14", 0xBC}, {"frac12", 0xBD}, {"frac34", 0xBE}, {"iquest", 0xBF},
    {"Agrave", 0xC0}, {"Aacute", 0xC1}, {"Atilde", 0xC3}, {"Ccedil", 0xC7}, {"Egrave", 0xC8}, {"Eacute", 0xC9},
    {"Igrave", 0xCC}, {"Iacute", 0xCD}, {"Ntilde", 0xD1}, {"Ograve", 0xD2}, {"Oacute", 0xD3}, {"Otilde", 0xD5},
    {"Oslash", 0xD8}, {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"Yacute", 0xDD}, {"agrave", 0xE0}, {"aacute", 0xE1},
    {"atilde", 0xE3}, {"ccedil", 0xE7}, {"egrave", 0xE8}, {"eacute", 0xE9}, {"igrave", 0xEC}, {"iacute", 0xED},
    {"ntilde", 0xF1}, {"ograve", 0xF2}, {"oacute", 0xF3}, {"otilde", 0xF5}, {"divide", 0xF7}, {"oslash", 0xF8},
    {"ugrave", 0xF9}, {"uacute", 0xFA}, {"yacute", 0xFD},
};
// clang-format on

constexpr int kMaxIndexedLength = 21;

// Start of each length's bucket: the names of length n run from start[n] to
// start[n + 1] - 1.
struct LengthIndex {
    int start[kMaxIndexedLength + 2] = {};
    int maxLength = 0;

    template <typename NameOf>
    LengthIndex(int count, NameOf nameOf) {
        for (int i = 0; i < count; ++i) {
            int length = static_cast<int>(std::strlen(nameOf(i)));
            if (length > maxLength) maxLength = length;
        }
        int position = 0;
        for (int length = 0; length <= kMaxIndexedLength + 1; ++length) {
            while (position < count && static_cast<int>(std::strlen(nameOf(position))) < length) ++position;
            start[length] = position;
        }
    }
    int First(int length) const { return start[length]; }
    int End(int length) const { return start[length + 1]; }
};

template <typename T, int N>
constexpr int CountOf(const T (&)[N]) {
    return N;
}

const LengthIndex& TagIndex() {
    static const LengthIndex index(CountOf(kTagNames), [](int i) { return kTagNames[i]; });
    return index;
}
const LengthIndex& AttributeIndex() {
    static const LengthIndex index(CountOf(kAttributeNames), [](int i) { return kAttributeNames[i]; });
    return index;
}
const LengthIndex& KeywordIndex() {
    static const LengthIndex index(CountOf(kKeywords), [](int i) { return kKeywords[i].name; });
    return index;
}
const LengthIndex& EntityIndex() {
    static const LengthIndex index(CountOf(kEntities), [](int i) { return kEntities[i].name; });
    return index;
}
const LengthIndex& ColourIndex() {
    static const LengthIndex index(CountOf(kColourNames), [](int i) { return kColourNames[i].name; });
    return index;
}

// Position of the name in its length bucket, -1 when absent.
template <typename NameOf>
int FindInBucket(const LengthIndex& index, const char* text, int length, bool ignoreCase, NameOf nameOf) {
    if (length <= 0 || length > index.maxLength) return -1;
    for (int i = index.First(length); i < index.End(length); ++i) {
        const char* name = nameOf(i);
        if (ignoreCase ? EqualNoCase(name, text, length) : std::memcmp(name, text, length) == 0) return i;
    }
    return -1;
}

bool IsEntityRunChar(unsigned char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '#';
}

}  // namespace

bool EqualNoCase(const char* a, const char* b, int n) {
    for (int i = 0; i < n; ++i) {
        if (AsciiUpper(static_cast<unsigned char>(a[i])) != AsciiUpper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

int LookupTagCode(const char* name, int length) {
    int i = FindInBucket(TagIndex(), name, length, true, [](int k) { return kTagNames[k]; });
    return i < 0 ? kUnknownTag : kFirstTag + i;
}

const char* TagName(int code) {
    if (code < kFirstTag || code > kLastTag) return nullptr;
    return kTagNames[code - kFirstTag];
}

int LookupAttributeCode(const char* name, int length) {
    if (length <= 0) return kAttrEnd;
    int i = FindInBucket(AttributeIndex(), name, length, true, [](int k) { return kAttributeNames[k]; });
    return i < 0 ? kAttrUnknown : 10 + i;
}

const char* AttributeName(int code) {
    if (code < 10 || code >= 10 + CountOf(kAttributeNames)) return nullptr;
    return kAttributeNames[code - 10];
}

int LookupKeyword(const char* text, int length) {
    int i = FindInBucket(KeywordIndex(), text, length, true, [](int k) { return kKeywords[k].name; });
    return i < 0 ? 0 : kKeywords[i].value;
}

int LookupEntity(const char* text, int length) {
    if (length > 0 && text[0] == '#') {
        // Numeric form: the digits that follow, whatever the length. Values
        // above one byte cannot be shown in the page's 8-bit character set;
        // they become '?' rather than a control character made of their low
        // byte. The value saturates so that a long digit run cannot overflow.
        long value = 0;
        for (const char* p = text + 1; IsAsciiDigit(static_cast<unsigned char>(*p)); ++p) {
            value = value * 10 + (*p - '0');
            if (value > 0xFFFF) value = 0xFFFF;
        }
        if (value <= 0) return 0;
        return value > 255 ? '?' : static_cast<int>(value);
    }
    if (length > 6) return 0;
    int i = FindInBucket(EntityIndex(), text, length, false, [](int k) { return kEntities[k].name; });
    return i < 0 ? 0 : kEntities[i].value;
}

void DecodeEntities(char* text) {
    if (!text) return;
    char* out = text;
    const char* in = text;
    while (*in) {
        if (*in != '&' || !(IsAsciiLetter(static_cast<unsigned char>(in[1])) || in[1] == '#')) {
            *out++ = *in++;
            continue;
        }
        const char* run = in + 1;
        int runLength = 0;
        while (IsEntityRunChar(static_cast<unsigned char>(run[runLength]))) ++runLength;
        int byte = 0;
        int matched = 0;
        if (run[runLength] != '\0') {
            // Nothing after the run means the name may still be growing (a
            // value such as AT&T), so only a followed run is decoded.
            for (int length = runLength < 6 ? runLength : 6; length >= 2 && !byte; --length) {
                byte = LookupEntity(run, length);
                if (byte) matched = length;
            }
        }
        if (!byte) {
            *out++ = *in++;
            continue;
        }
        *out++ = static_cast<char>(byte);
        in = run + matched;
        if (*in == ';') ++in;
    }
    *out = '\0';
}

int32_t LookupColourName(const char* text, int length) {
    if (length > 20) return -1;
    int i = FindInBucket(ColourIndex(), text, length, true, [](int k) { return kColourNames[k].name; });
    return i < 0 ? -1 : kColourNames[i].value;
}

int32_t ParseHexDigits(const char* text, int count) {
    if (count < 1) return -1;
    int32_t value = 0;
    for (int i = 0; i < count; ++i) {
        int digit = HexValue(text[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

namespace {
int32_t ColourReference(int32_t red, int32_t green, int32_t blue) {
    return 0x02000000 | (blue << 16) | (green << 8) | red;
}
}  // namespace

int32_t ParseColour(const char* text, int length) {
    if (!text || length <= 0) return -1;
    const char* p = text;
    const char* end = text + length;
    bool hash = false;
    if (*p == '#') {
        hash = true;
        ++p;
    }
    while (p < end && IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    if (p == end) return -1;
    if (!hash && IsAsciiLetter(static_cast<unsigned char>(*p))) {
        int32_t rgb = LookupColourName(p, static_cast<int>(end - p));
        if (rgb >= 0) return ColourReference((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    char digits[6];
    int count = 0;
    for (; p < end && count < 6; ++p) {
        if (!IsHtmlSpace(static_cast<unsigned char>(*p))) digits[count++] = *p;
    }
    if (count < 3) return -1;
    int32_t pairs[3];
    for (int i = 0; i < 3; ++i) {
        char pair[2];
        if (count < 6) {
            pair[0] = pair[1] = digits[i];
        } else {
            pair[0] = digits[2 * i];
            pair[1] = digits[2 * i + 1];
        }
        pairs[i] = ParseHexDigits(pair, 2);
        if (pairs[i] < 0) return -1;
    }
    return ColourReference(pairs[0], pairs[1], pairs[2]);
}
