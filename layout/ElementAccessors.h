// Type-checked readers of element records for the formatter: each checks
// the element's type and answers a fixed default for other types or a
// missing record, so callers never test types themselves. Sizes given as
// percentages are negative.
#pragma once
#include <cstdint>

class HtmlElement;
class LayoutElement;
class UrlHandle;
struct BoxMetricsValues;

// The element or its nearest A ancestor, else null.
HtmlElement* EnclosingAnchor(HtmlElement* element);
// The element or its nearest ancestor whose type lies in low..high.
HtmlElement* EnclosingOfTypes(HtmlElement* element, int low, int high);
// The element itself or the nearest ancestor whose parent holds lines.
LayoutElement* EnclosingLineContainer(LayoutElement* element);
// The length of the next line of a text: stops at CR or LF; the cursor
// moves past the break (CR LF counts as one); lineBreak tells whether one
// ended the line.
int NextTextLine(const char*& cursor, bool& lineBreak);

int32_t GetEmbedWidth(const HtmlElement* e);
int32_t GetEmbedHeight(const HtmlElement* e);
int32_t GetImageWidth(const HtmlElement* e);
int32_t GetImageHeight(const HtmlElement* e);
int GetImageSizeFlags(const HtmlElement* e);
// ALIGN of an IMG: 1 bottom, 2 middle, 3 top, 4 left, 5 right; 0 for others.
int GetImageAlign(const HtmlElement* e);
// The URL an IMG element names for its picture, or null.
const UrlHandle* GetImageSourceUrl(const HtmlElement* e);
int32_t GetTableWidth(const HtmlElement* e);
int GetTableAlign(const HtmlElement* e);
int GetTableHSpace(const HtmlElement* e);
int GetTableVSpace(const HtmlElement* e);
int32_t GetTableCellPadding(const HtmlElement* e);
int32_t GetTableCellSpacing(const HtmlElement* e);
int32_t GetTableHeight(const HtmlElement* e);
int32_t GetCellWidth(const HtmlElement* e);
int32_t GetCellHeight(const HtmlElement* e);
int GetColSpan(const HtmlElement* e);
int GetRowSpan(const HtmlElement* e);
int GetFontSize(const HtmlElement* e);
bool HasFontSize(const HtmlElement* e);
int32_t GetFontColor(const HtmlElement* e);
int16_t GetFontFaceId(const HtmlElement* e);
int32_t GetRuleSize(const HtmlElement* e);
int32_t GetRuleWidth(const HtmlElement* e);
int GetRuleWidthUnit(const HtmlElement* e);
int32_t GetRuleNoShade(const HtmlElement* e);

// Flag setters: set when on, cleared otherwise.
void SetAutoLeftMargin(uint8_t& edgeFlags, bool on);
void SetAutoRightMargin(uint8_t& edgeFlags, bool on);
void SetKeepsLines(LayoutElement& element, bool on);
void SetKeepFlag(LayoutElement& element, bool on);
void SetPendingImage(LayoutElement& element, bool on);
