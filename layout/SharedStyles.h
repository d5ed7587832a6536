// The styles and fonts that a formatted page's boxes link to, each kept
// once. A long page has tens of thousands of runs of text but only a few
// distinct styles among them, so a box links to a shared record instead of
// owning a copy.
//
// Records never change and never move once made; they live as long as the
// table, which its owner (the formatter) keeps as long as the layout.
#pragma once
#include <cstddef>
#include <deque>
#include <unordered_set>

#include "layout/LayoutElement.h"
#include "layout/LogFont.h"

class SharedStyles {
public:
    SharedStyles() = default;
    SharedStyles(const SharedStyles&) = delete;
    SharedStyles& operator=(const SharedStyles&) = delete;

    // The kept record equal to the given one, made on first use.
    const BoxStyle* Style(const BoxStyle& style);
    const LogFont* Font(const LogFont& font);

    size_t StyleCount() const { return styles_.size(); }
    size_t FontCount() const { return fonts_.size(); }

private:
    struct StyleHash {
        size_t operator()(const BoxStyle* s) const;
    };
    struct StyleEqual {
        bool operator()(const BoxStyle* a, const BoxStyle* b) const;
    };
    struct FontHash {
        size_t operator()(const LogFont* f) const;
    };
    struct FontEqual {
        bool operator()(const LogFont* a, const LogFont* b) const;
    };

    std::deque<BoxStyle> styles_;
    std::deque<LogFont> fonts_;
    std::unordered_set<const BoxStyle*, StyleHash, StyleEqual> styleIndex_;
    std::unordered_set<const LogFont*, FontHash, FontEqual> fontIndex_;
};
