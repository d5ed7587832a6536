// The zoom field of a document window's bottom bar: its list of scales and
// the reading of what the user typed or chose there.
#pragma once
#include <string>

// The 21 entries of the drop-down list, "20%" to "1000%".
extern const char* const kZoomListEntries[21];

constexpr int kSmallestScale = 20;
constexpr int kLargestScale = 1000;

// The field's text for a scale: "%d%%".
std::string ZoomFieldText(int scale);

// A typed scale: its leading number, bounded to 20..1000 and rounded to the
// nearest multiple of 10 ("105" gives 110, "15" gives 20). -1 when the text
// does not begin with a digit: the scale stays as it was.
int ScaleFromTypedZoom(const std::string& text);

// The scale of a list entry: its leading number; -1 for none.
int ScaleFromZoomEntry(const std::string& entry);
