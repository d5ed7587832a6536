// A page's layout on one device: the layout formatter behind the step
// interface that the page content drives (DocumentContent::FormatStep),
// the root box it fills, and painting of what has been laid out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "html/PageFormatter.h"
#include "layout/LayoutElement.h"
#include "layout/LayoutFormatter.h"

class PaintDevice;
class PageImages;
class SavedControls;

class PageLayout : public PageFormatter {
public:
    // width: the width of the page's area in layout units.
    PageLayout(PaintDevice& device, int32_t width);
    ~PageLayout() override;

    void BeginPage(const PageProperties& page, const HtmlElement* root) override;
    int Format(const HtmlElement* stopElement) override;
    const HtmlElement* LastFormatted() const override { return nullptr; }
    void SetPageBackground(int32_t colour, const UrlHandle& image) override;
    void AppendElements(const HtmlElement* rule, const HtmlElement* block) override {}

    // The page's image table: the formatter sizes images through it and
    // painting draws them from it. Without one images show placeholders.
    void SetImages(PageImages* images) { images_ = images; }
    // Where the page's controls go when this layout is dropped or started
    // again, and where a new layout takes them back from.
    void SetSavedControls(SavedControls* saved) {
        saved_ = saved;
        if (formatter_) formatter_->SetSavedControls(saved);
    }

    // The root box, null before the first step. A style sheet (or a page
    // colour the layout uses) that comes after part of the page was laid
    // out applies to that part as well: the layout then starts again from
    // the page's start with a new root, and the generation counts up, so
    // that holders of boxes of the old layout let go of them.
    BlockBox* Root() const { return root_.get(); }
    int Generation() const { return generation_; }
    int32_t ContentWidth() const;
    // While the page still arrives, as far down as its layout reaches so far.
    int32_t ContentHeight() const;
    // -1 for the display's default.
    int32_t Background() const { return background_; }
    std::string Dump() const { return root_ ? DumpLayoutTree(*root_) : std::string(); }
    // Paints the part of the layout inside the rectangle (document
    // coordinates) with the scroll offset taken off.
    void Paint(PaintDevice& device, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t scrollX,
               int32_t scrollY) const;

private:
    // What of the page the layout reads besides its elements.
    struct PageStyle {
        size_t sheets = 0;
        int cssMode = 0;
        int32_t linkColour = -1;
        bool operator==(const PageStyle& o) const {
            return sheets == o.sheets && cssMode == o.cssMode && linkColour == o.linkColour;
        }
    };
    static PageStyle StyleOf(const PageProperties& page);
    // A new root and formatter for the page from its first element.
    void StartLayout();
    // The top of what the last step left unfinished (the open lines), in
    // page coordinates: the next step may change anything from there down.
    int32_t OpenAreaTop() const;

    PaintDevice& device_;
    int32_t width_;
    int32_t openTop_ = 0;
    const PageProperties* page_ = nullptr;
    PageStyle style_;
    int generation_ = 0;
    int32_t background_ = -1;
    PageImages* images_ = nullptr;
    SavedControls* saved_ = nullptr;
    HtmlElement* root_element_ = nullptr;
    std::unique_ptr<BlockBox> root_;
    std::unique_ptr<LayoutFormatter> formatter_;
};

// One formatting step of a content on a layout: the content's own step
// with the layout as its formatter. Answers the step state (3 to 7).
class DocumentContent;
int FormatContentStep(DocumentContent& content, PageLayout& layout, FormatState& state);
