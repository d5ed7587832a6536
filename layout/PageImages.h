// The images of one laid-out page: which layout elements show which images,
// which image URLs still have to be loaded, the decoded images the page uses
// (numbered from 1; image boxes store the number), the images of the
// previous layout that a new layout can reuse, and the page's background.
//
// While a window shows an image it is one of the image's viewers, which
// keeps the image out of the image cache's trimming. The window's side of
// that (viewer attach and detach, starting a URL load for it) comes through
// PageImageWindow, so that the table itself stays free of the system.
#pragma once
#include <cstdint>
#include <vector>

#include "layout/Image.h"
#include "layout/PaintTree.h"
#include "layout/ReplacedElements.h"
#include "net/UrlHandle.h"

class LayoutElement;
class MessageCallback;

// What the table asks of the window that shows the page.
class PageImageWindow {
public:
    virtual void AttachViewer(Image& image) = 0;
    virtual void DetachViewer(Image& image) = 0;
    // Registers callback for the URL's load reports (0x8181 with the URL's
    // id) and starts the load for the window; false when it did not start.
    virtual bool StartImageLoad(const UrlHandle& url, MessageCallback* callback,
                                const UrlHandle& referrer) = 0;
    // Marks an image as recently used in the image cache.
    virtual void TouchImage(Image& image) = 0;

protected:
    virtual ~PageImageWindow() = default;
};

class PageImages : public LayoutImageSource, public PaintImages {
public:
    enum LoadState : uint8_t { kNew = 0, kLoading = 1, kDone = 2 };

    struct ElementEntry {
        LayoutElement* element = nullptr;
        UrlHandle url;  // empty: nothing to load
        bool shown = false;
        void* paintState = nullptr;  // what image painting answered last
        int32_t x = 0;
        int32_t y = 0;
        LoadState state = kDone;
        // The image the window views for this entry while it is shown: the
        // window stops viewing that one, even when the layout (or the
        // numbered list) has changed since.
        ImageHandle viewed;
    };

    explicit PageImages(PageImageWindow* window = nullptr) : window_(window) {}
    PageImages(const PageImages&) = delete;
    PageImages& operator=(const PageImages&) = delete;
    ~PageImages() override;

    // --- what the formatter asks ---------------------------------------------
    // The image of the URL: the one already numbered on this page, the
    // previous layout's, or a new one to be loaded.
    ImageLookup FindImage(HtmlElement* element, const UrlHandle& url) override;
    // The box shows the image: an entry whose load starts with StartLoads
    // while the image is incomplete.
    void RegisterImageBox(int32_t number, LayoutElement* box) override;

    // --- what painting asks -----------------------------------------------------
    bool ImageSize(int32_t number, int32_t& width, int32_t& height) override;
    void DrawTiles(PaintDevice& device, int32_t number, const BackgroundTiles& tiles) override;
    // Shows the box's entry (the window views its image) and answers the
    // picture, taking the URL's decoded image first while the table holds
    // only a stand-in for it.
    Image* ShowImageBox(LayoutElement& box, int32_t x, int32_t y) override;
    // The same for a box's background picture.
    void ShowBoxBackground(LayoutElement& box, int32_t x, int32_t y) override;

    // --- data arriving ----------------------------------------------------------
    // The URL's decoded image, once it has one, replaces what every
    // numbered image of that URL holds (a stand-in made before the data
    // came, a picture dropped since); shown entries view the new one.
    void RefreshUrl(uint32_t urlId);
    // An entry of that URL was laid out with a placeholder for want of a
    // size, and the image knows its size now: the page must be laid out
    // again.
    bool AwaitsSize(uint32_t urlId) const;
    // After new data for a URL: the parts of its boxes that lie in the view
    // (page coordinates) are repainted through the device.
    void RedrawUrl(uint32_t urlId, PaintDevice& device, int32_t viewX, int32_t viewY, int32_t viewWidth,
                   int32_t viewHeight, bool updateNow);

    void SetWindow(PageImageWindow* window) { window_ = window; }
    // What makes the image of a URL (ImageHandle::MakeForUrl where the
    // decoders are linked); without one a plain image waits for its data.
    using ImageMaker = ImageHandle (*)(const UrlHandle& url);
    void SetImageMaker(ImageMaker maker) { maker_ = maker; }

    // --- element entries ------------------------------------------------------
    // Appended: to be loaded when load is set (and there is a URL), else done.
    void AddElement(LayoutElement* element, const UrlHandle& url, bool load);
    void AddPendingUrl(const UrlHandle& url);
    // The element's first entry, when not shown yet, is shown at (x, y): the
    // window views the image numbered by the element's image box.
    void ShowEntry(LayoutElement* element, int32_t x, int32_t y);
    // Entries whose element no longer meets the rectangle stop being shown.
    void DetachOutside(int32_t x, int32_t y, int32_t width, int32_t height);
    // A new generation: every entry and pending URL goes.
    void ClearEntries();
    // The window stops viewing every entry's image and the background.
    void DetachAll();
    void ShowBackground(bool on);
    // The page's background image is the image of url (numbered like the
    // others, so that it is loaded, refreshed and reused alike); an empty
    // url takes it away. The same URL again changes nothing.
    void SetBackgroundUrl(const UrlHandle& url);
    // Tiles the background image over area (view coordinates), the tiles
    // aligned to the page's origin, and the window views it from then on;
    // false when there is no picture to tile yet.
    bool DrawBackground(PaintDevice& device, const DeviceRect& area, int32_t viewX, int32_t viewY);
    // After painting the rectangle: the images of entries out of sight that
    // no window views are marked recently used, so that the image cache
    // trims them like any other unused image.
    void PaintVisible(int32_t x, int32_t y, int32_t width, int32_t height);

    // Starts the loads of the new entries; answers how many started, and
    // adds each entry's URL whose load started to started when given.
    int StartLoads(MessageCallback* callback, const UrlHandle& referrer, std::vector<UrlHandle>* started = nullptr);
    // The URL has arrived: its waiting entries are done and its pending
    // URLs go; answers how many entries and URLs changed.
    int MarkUrlLoaded(uint32_t urlId);
    // The next image box (after the one last answered at position) whose
    // image URL has that id, with its 1-based position; null and 0 at the end.
    LayoutElement* FindNextForUrl(uint32_t urlId, int& position);

    // --- numbered images ------------------------------------------------------
    // The number of the entry holding the image (never for the shared empty
    // image), or the number of a new entry.
    int AddImage(const ImageHandle& image);
    // Numbers outside the list change nothing.
    void ReplaceImage(int number, const ImageHandle& image, bool ready);
    // The number of the first image loaded from that URL, or 0.
    int IndexOfUrl(uint32_t urlId) const;
    bool IsImageReady(int number) const;
    // Adds every numbered image to the other table.
    void CopyImagesTo(PageImages& other) const;
    // Before a relayout: the numbered images are kept so that the new layout
    // finds them decoded; released once it is done.
    void KeepPreviousImages();
    void ReleasePreviousImages();
    void ClearImages();
    // The layout whose boxes the entries name goes (before its boxes do):
    // its numbered images are kept for the next layout, the entries dropped.
    void LayoutDropped();
    // The kept image of the previous layout loaded from url; the shared
    // empty image when there is none, or when the walk meets a kept entry
    // marked as stopping it (stopped then set) or an image still loading.
    ImageHandle FindPreviousImage(const UrlHandle& url, bool& stopped) const;
    // The n-th image (the shared empty image outside the list), the place of
    // its handle (null outside), and assigning it.
    ImageHandle ImageByNumber(int n) const;
    ImageHandle* ImageSlot(int n);
    void SetImage(int n, const ImageHandle& image);
    // The id of the image URL of an image box's element (its pending URL
    // while the image is awaited); -1 without an element.
    int64_t ImageUrlIdOf(const LayoutElement* box) const;

    ImageHandle& Background() { return background_; }
    uint16_t Generation() const { return generation_; }
    const std::vector<ElementEntry>& Entries() const { return entries_; }
    size_t ImageCount() const { return images_.size(); }
    size_t PendingUrlCount() const { return pendingUrls_.size(); }

private:
    struct NumberedImage {
        ImageHandle image;
        bool ready = true;
        bool stopsSearch = false;  // the entry's second word
        UrlHandle url;             // the URL it was looked up for, if any
    };
    // The URL a numbered image is for: the one it was looked up for, else
    // its own.
    UrlHandle UrlOfNumber(int number) const;
    bool NumberIsForUrl(const NumberedImage& entry, uint32_t urlId) const;
    void ReplaceViewed(const ImageHandle& old, const ImageHandle& fresh);
    // The background follows its numbered image when that was replaced.
    void FollowBackground();

    void Attach(const ImageHandle& image);
    void Detach(const ImageHandle& image);
    void DetachShown();
    void StopViewing(ElementEntry& entry);
    // The picture an entry's box shows: an image box's image, or another
    // box's background picture; null for none.
    Image* ImageOfElement(const LayoutElement* element) const;

    std::vector<ElementEntry> entries_;
    PageImageWindow* window_;
    ImageMaker maker_ = nullptr;
    int findCount_ = 0;  // the position FindNextForUrl answered last
    std::vector<NumberedImage> images_;
    std::vector<NumberedImage> previous_;
    ImageHandle background_;
    bool backgroundShown_ = false;
    UrlHandle backgroundUrl_;
    int backgroundNumber_ = 0;
    std::vector<UrlHandle> pendingUrls_;
    uint16_t generation_ = 0;
};
