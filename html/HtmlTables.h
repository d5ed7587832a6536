// Codes and vocabularies of HTML: tag and attribute codes, the keywords of
// enumerated attribute values, character entities and colours. Every name
// table is sorted by name length, so a look-up compares only the names of
// its own length, in place in the page buffer, without allocating.
#pragma once

#include <cstdint>

// clang-format off
enum HtmlTagCode : int {
    kTextNode = 128,
    kTagA = 256,
    kTagP = 257,
    kTagI = 258,
    kTagB = 259,
    kTagU = 260,
    kTagS = 261,
    kTagLi = 262,
    kTagUl = 263,
    kTagOl = 264,
    kTagDl = 265,
    kTagDt = 266,
    kTagDd = 267,
    kTagH1 = 268,
    kTagH2 = 269,
    kTagH3 = 270,
    kTagH4 = 271,
    kTagH5 = 272,
    kTagH6 = 273,
    kTagHr = 274,
    kTagBr = 275,
    kTagEm = 276,
    kTagTt = 277,
    kTagTh = 278,
    kTagTr = 279,
    kTagTd = 280,
    kTagBq = 281,
    kTagImg = 282,
    kTagPre = 283,
    kTagDir = 284,
    kTagDiv = 285,
    kTagKbd = 286,
    kTagVar = 287,
    kTagXmp = 288,
    kTagMap = 289,
    kTagWbr = 290,
    kTagBig = 291,
    kTagDfn = 292,
    kTagSub = 293,
    kTagSup = 294,
    kTagMenu = 295,
    kTagFont = 296,
    kTagArea = 297,
    kTagMeta = 298,
    kTagNobr = 299,
    kTagForm = 300,
    kTagHead = 301,
    kTagBody = 302,
    kTagBase = 303,
    kTagHtml = 304,
    kTagCite = 305,
    kTagCode = 306,
    kTagSamp = 307,
    kTagSpan = 308,
    kTagLink = 309,
    kTagTable = 310,
    kTagInput = 311,
    kTagTitle = 312,
    kTagFrame = 313,
    kTagSmall = 314,
    kTagStyle = 315,
    kTagImage = 316,
    kTagEmbed = 317,
    kTagParam = 318,
    kTagApplet = 319,
    kTagStrike = 320,
    kTagStrong = 321,
    kTagSelect = 322,
    kTagOption = 323,
    kTagCenter = 324,
    kTagScript = 325,
    kTagKeygen = 326,
    kTagCaption = 327,
    kTagAddress = 328,
    kTagIsindex = 329,
    kTagListing = 330,
    kTagBgsound = 331,
    kTagNoembed = 332,
    kTagMarquee = 333,
    kTagTextarea = 334,
    kTagBasefont = 335,
    kTagFrameset = 336,
    kTagNoframes = 337,
    kTagNoscript = 338,
    kTagPlaintext = 339,
    kTagBlockquote = 340,
    kUnknownTag = 341,
    kEndTagBit = 1024,
};

enum HtmlAttributeCode : int {
    kAttrEnd = 0,
    kAttrUnknown = 1,
    kAttrX = 10,
    kAttrY = 11,
    kAttrId = 12,
    kAttrDp = 13,
    kAttrSrc = 14,
    kAttrAlt = 15,
    kAttrMin = 16,
    kAttrMax = 17,
    kAttrRel = 18,
    kAttrRev = 19,
    kAttrHref = 20,
    kAttrName = 21,
    kAttrType = 22,
    kAttrSize = 23,
    kAttrRows = 24,
    kAttrCols = 25,
    kAttrText = 26,
    kAttrLink = 27,
    kAttrLoop = 28,
    kAttrFace = 29,
    kAttrCode = 30,
    kAttrAlign = 31,
    kAttrIsmap = 32,
    kAttrValue = 33,
    kAttrClear = 34,
    kAttrWidth = 35,
    kAttrClass = 36,
    kAttrShape = 37,
    kAttrUnits = 38,
    kAttrPlain = 39,
    kAttrVlink = 40,
    kAttrColor = 41,
    kAttrStart = 42,
    kAttrTitle = 43,
    kAttrStyle = 44,
    kAttrNoflow = 45,
    kAttrHeight = 46,
    kAttrNowrap = 47,
    kAttrAction = 48,
    kAttrMethod = 49,
    kAttrBorder = 50,
    kAttrValign = 51,
    kAttrVspace = 52,
    kAttrHspace = 53,
    kAttrCoords = 54,
    kAttrNohref = 55,
    kAttrDynsrc = 56,
    kAttrUsemap = 57,
    kAttrTarget = 58,
    kAttrPrompt = 59,
    kAttrButton = 60,
    kAttrOnload = 61,
    kAttrOnblur = 62,
    kAttrHidden = 63,
    kAttrAccept = 64,
    kAttrColspec = 65,
    kAttrColspan = 66,
    kAttrRowspan = 67,
    kAttrCompact = 68,
    kAttrChecked = 69,
    kAttrBgcolor = 70,
    kAttrNoshade = 71,
    kAttrEnctype = 72,
    kAttrContent = 73,
    kAttrIconsrc = 74,
    kAttrPreload = 75,
    kAttrOnclick = 76,
    kAttrOnabort = 77,
    kAttrOnerror = 78,
    kAttrOnfocus = 79,
    kAttrOnreset = 80,
    kAttrPalette = 81,
    kAttrMultiple = 82,
    kAttrSelected = 83,
    kAttrDisabled = 84,
    kAttrImagemap = 85,
    kAttrLanguage = 86,
    kAttrLauncher = 87,
    kAttrShortcut = 88,
    kAttrControls = 89,
    kAttrNoresize = 90,
    kAttrIcontext = 91,
    kAttrOnchange = 92,
    kAttrOnsubmit = 93,
    kAttrOnunload = 94,
    kAttrCodebase = 95,
    kAttrAbsmiddle = 96,
    kAttrMaxlength = 97,
    kAttrDirection = 98,
    kAttrTopmargin = 99,
    kAttrScrolling = 100,
    kAttrPossiokey = 101,
    kAttrChallenge = 102,
    kAttrBackground = 103,
    kAttrHttpEquiv = 104,
    kAttrLeftmargin = 105,
    kAttrIconborder = 106,
    kAttrOnmouseout = 107,
    kAttrCellspacing = 108,
    kAttrCellpadding = 109,
    kAttrMarginwidth = 110,
    kAttrFrameborder = 111,
    kAttrIconbgcolor = 112,
    kAttrScrolldelay = 113,
    kAttrOnmouseover = 114,
    kAttrPluginspace = 115,
    kAttrScrollamount = 116,
    kAttrBgproperties = 117,
    kAttrMarginheight = 118,
};
// clang-format on

constexpr int kTagCount = 85;
constexpr int kFirstTag = kTagA;
constexpr int kLastTag = kTagBlockquote;

// One parsed attribute. Value and name point into the page's bytes and are
// neither copied nor NUL-terminated. A list of slots ends with code 0.
struct AttributeSlot {
    int32_t code = 0;
    const char* value = nullptr;  // null when the attribute has no "="
    int32_t valueLength = 0;
    const char* name = nullptr;
    int32_t nameLength = 0;
};

// Keyword values of enumerated attributes (LookupKeyword).
enum HtmlKeyword : int {
    kKeyYes = 1,
    kKeyNo = 2,
    kKeyDisc = 3,
    kKeySquare = 4,
    kKeyPut = 5,
    kKeyPost = 6,
    kKeyGet = 7,
    kKeyMouseover = 8,
    kKeyFileopen = 9,
    kKeySilent = 10,
    kKeyInfinite = 11,
    kKeyFalse = 12,
    kKeyEn = 13,
    kKeyJustify = 14,
    kKeyRelative = 15,
    kKeyPixels = 16,
    kKeyAll = 17,
    kKeyAbsmiddle = 18,
    kKeyMiddle = 19,
    kKeyTop = 20,
    kKeyBottom = 21,
    kKeyBaseline = 22,
    kKeyText = 32,
    kKeyCheckbox = 33,
    kKeyRadio = 34,
    kKeySubmit = 35,
    kKeyReset = 36,
    kKeyHidden = 37,
    kKeyImage = 38,
    kKeyPassword = 39,
    kKeyButton = 40,
    kKeyPushbutton = 41,
    kKeyFile = 42,
    kKeyCircle = 67,
    kKeyCirc = 68,
    kKeyPoly = 69,
    kKeyPolygon = 70,
    kKeyDefault = 71,
    kKeyLeft = 128,
    kKeyRight = 129,
    kKeyCenter = 130,
};

// Tag name -> element code 256..340; unknown names and names longer than 10
// give 341. Case is ignored.
int LookupTagCode(const char* name, int length);
// The upper-case name of an element code 256..340, else null.
const char* TagName(int code);
// Attribute name -> code 10..118; 0 for an empty name; 1 for any other
// (names of 13 or more characters included). Case is ignored.
int LookupAttributeCode(const char* name, int length);
const char* AttributeName(int code);
// Keyword over exactly length characters (case ignored), 0 when none.
int LookupKeyword(const char* text, int length);
// Entity name over exactly length characters (case kept), or "#" and a
// decimal number; the character byte, 0 when nothing matches.
int LookupEntity(const char* text, int length);
// Replaces character entities of a NUL-terminated text in place.
void DecodeEntities(char* text);
// Colour name (case ignored) -> 0xRRGGBB, -1 when unknown.
int32_t LookupColourName(const char* text, int length);
// Value of count hexadecimal digits, -1 on any other character.
int32_t ParseHexDigits(const char* text, int count);
// A colour value ("#rrggbb", "rgb" without "#", or a name) -> a
// palette-relative colour reference 0x02bbggrr, -1 when not a colour.
int32_t ParseColour(const char* text, int length);

inline bool IsHtmlSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
inline bool IsAsciiLetter(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
inline bool IsAsciiDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
inline unsigned char AsciiUpper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}
// Case-blind comparison of n bytes.
bool EqualNoCase(const char* a, const char* b, int n);
