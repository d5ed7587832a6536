// The places in a page's source that name the pictures it shows: SRC of IMG
// and of image buttons, BACKGROUND of BODY and of table cells and rows, and
// url(...) in STYLE attributes and STYLE elements. Saving a page with its
// images rewrites exactly these places.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ImageReference {
    size_t offset = 0;  // of the address as written, quotes excluded
    size_t length = 0;
    bool inAttribute = false;  // read as an attribute value: entities count
    // The address as the page reads it: trimmed, entities decoded in
    // attributes, ready to be resolved against the page's base.
    std::string text;
};

// In source order; a place with an empty address is not listed.
std::vector<ImageReference> FindImageReferences(const char* source, size_t size);

// The source with each reference's place holding its replacement (one per
// reference, in source order; an empty one keeps what is written there).
// A replacement is written so that it stays
// one address where it goes: the characters that would end the place
// (quotes, blanks, angle brackets, parentheses) %-escaped, and "&" as an
// entity in attributes.
std::string ReplaceImageReferences(const char* source, size_t size, const std::vector<ImageReference>& refs,
                                   const std::vector<std::string>& replacements);
