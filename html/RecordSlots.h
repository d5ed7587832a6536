// Reading attribute slots into record fields: the small rules that every
// record family shares (numbers, keywords, lengths, texts taken once, URL
// attributes resolved against the page). For the record files only.
#pragma once

#include <memory>
#include <string>

#include "html/ElementRecords.h"

namespace record_slots {

// URL attribute values are cut to this many bytes.
constexpr int kMaxUrlText = 4096;

bool NonEmpty(const AttributeSlot& s);
bool HasPercent(const AttributeSlot& s);
int Keyword(const AttributeSlot& s);
int Number(const AttributeSlot& s);
int Clamp(int v, int lo, int hi);
// Left, right, center and justify keywords to alignment codes; 0 otherwise.
int AlignFromKeyword(int keyword);
int ClearFromKeyword(int keyword);
// Takes a text attribute once: the first occurrence that gives a text.
void TakeText(OwnedText& field, const AttributeSlot& s, bool decode = true);
// A length: the number, negated when the value holds "%".
int LengthValue(const AttributeSlot& s);
std::unique_ptr<UrlHandle> NewUrl(const UrlHandle& url);
// The value copied, cut to kMaxUrlText bytes, trimmed and terminated.
std::string TrimmedUrlText(const AttributeSlot& s);
// The value cut, trimmed and entity-decoded.
std::string DecodedUrlText(const AttributeSlot& s);
// ALT of IMG and AREA: white space collapsed, one space added, decoded.
OwnedText AltText(const AttributeSlot& s);
// ACTION of FORM and ISINDEX: made absolute against the base when there is one.
OwnedText AbsoluteAction(const AttributeSlot& s, PageProperties* page);
// The common reading of URL attributes (A, AREA, LINK, FRAME, SCRIPT, EMBED,
// BGSOUND and form fields): decoded, split at "#", resolved against the base.
std::unique_ptr<UrlHandle> ParseUrlAttribute(const AttributeSlot& s, PageProperties* page,
                                             OwnedText* fragmentOut);
// IMG SRC and BODY BACKGROUND: no "#" split and no javascript: exception.
std::unique_ptr<UrlHandle> ParseImageUrl(const AttributeSlot& s, PageProperties* page, bool icons);

}  // namespace record_slots
