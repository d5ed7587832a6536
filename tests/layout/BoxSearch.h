// Finding boxes in a formatted tree, for the layout tests.
#pragma once
#include <string>

#include "layout/LayoutElement.h"

namespace layout_test {

// The first text fragment (in document order) whose characters are the text.
inline const LayoutElement* FindText(const LayoutElement& e, const std::string& text) {
    if (e.GetKind() == LayoutElement::kTextFragment && std::string(e.TextPointer(), e.TextLength()) == text) return &e;
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) {
        if (const LayoutElement* found = FindText(*c, text)) return found;
    }
    return nullptr;
}

}  // namespace layout_test
