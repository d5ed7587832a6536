// What the formatter needs of the parts that supply replaced elements: the
// page's image table (sizes of images as far as they are known) and the
// maker of form controls. Both live above the formatter and register
// themselves; without them images show their placeholders and form
// elements make no boxes.
#pragma once
#include <cstdint>

class FormControl;
class HtmlElement;
class LayoutElement;
class PaintDevice;
class UrlHandle;

// An image as the page's image table knows it.
struct ImageLookup {
    int32_t number = 0;  // the image's index in the table, kept in its box
    bool sizeKnown = false;
    int32_t width = 0, height = 0;
    bool loading = false;  // still loading: a later step may learn its size
};

class LayoutImageSource {
public:
    virtual ~LayoutImageSource() = default;
    // The image of the URL for the element: the one of the previous layout
    // when it is ready, else one whose load is started.
    virtual ImageLookup FindImage(HtmlElement* element, const UrlHandle& url) = 0;
    // The box (an image or its placeholder) shows the image: it is repainted
    // when data arrives. Null: the image got no box for want of a size.
    virtual void RegisterImageBox(int32_t number, LayoutElement* box) = 0;
};

class FormControlFactory {
public:
    virtual ~FormControlFactory() = default;
    // The control of an INPUT, SELECT, KEYGEN or TEXTAREA, with its size in
    // layout units; null when the element makes none. The caller owns it:
    // the box that shows it deletes it.
    virtual FormControl* MakeFormControl(HtmlElement* element, PaintDevice& device, int32_t& width,
                                         int32_t& height) = 0;
    // Takes back a control that was made but not placed.
    virtual void ReleaseFormControl(FormControl* control) = 0;
};

// The factory the forms code registers at start-up (null: none).
void RegisterFormControlFactory(FormControlFactory* factory);
FormControlFactory* RegisteredFormControlFactory();

// The placeholder text of an image: its ALT, else "IMAGE "; null when the
// ALT is empty or a single space (no placeholder).
const char* PlaceholderText(const HtmlElement* e);

// The size an image is shown at.
struct ImageSizeRequest {
    bool widthGiven = false, heightGiven = false;
    int32_t width = 0, height = 0;  // negative: percent of the view
    int32_t viewWidth = 0, viewHeight = 0;
    bool inCell = false;  // percent sizes inside table cells count as not given
    bool imageKnown = false;
    int32_t imageWidth = 0, imageHeight = 0;
};

// Resolves a request to a size of at least 1 in each dimension; false when
// neither the element nor the image tells it (the placeholder is shown).
// A missing dimension keeps the image's aspect; an image with a zero
// dimension has none, and then its own size fills in.
bool ResolveImageSize(const ImageSizeRequest& request, int32_t& width, int32_t& height);
