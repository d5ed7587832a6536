#include "layout/PageImages.h"

#include <algorithm>

#include "core/CoarseClock.h"
#include "layout/ElementAccessors.h"
#include "layout/LayoutElement.h"
#include "net/UrlRecord.h"

namespace {

bool Meets(const LayoutElement& e, int32_t x, int32_t y, int32_t width, int32_t height) {
    int64_t left = e.AbsoluteX();
    int64_t top = e.AbsoluteY();
    return left < int64_t{x} + width && left + e.Width() > x && top < int64_t{y} + height &&
           top + int64_t{e.Height()} > y;
}

uint32_t IdOf(const UrlHandle& url) {
    return url.IsEmpty() ? 0 : url->GetId();
}

}  // namespace

PageImages::~PageImages() {
    DetachAll();
}

ImageLookup PageImages::FindImage(HtmlElement*, const UrlHandle& url) {
    ImageLookup found;
    if (url.IsEmpty()) return found;
    int number = IndexOfUrl(url->GetId());
    if (number == 0) {
        bool stopped = false;
        ImageHandle image = FindPreviousImage(url, stopped);
        if (image.IsEmpty() && maker_) image = maker_(url);
        if (image.IsEmpty()) {
            image = ImageHandle(false);
            image->SetUrl(url);
        }
        number = AddImage(image);
        NumberedImage& entry = images_[static_cast<size_t>(number) - 1];
        if (entry.url.IsEmpty()) entry.url = url;
    }
    const Image& image = *ImageByNumber(number).Get();
    found.number = number;
    found.sizeKnown = image.Width() > 0 && image.Height() > 0;
    found.width = image.Width();
    found.height = image.Height();
    found.loading = !image.IsComplete();
    return found;
}

void PageImages::RegisterImageBox(int32_t number, LayoutElement* box) {
    ImageHandle image = ImageByNumber(number);
    AddElement(box, UrlOfNumber(number), !image.IsEmpty() && !image->IsComplete());
}

UrlHandle PageImages::UrlOfNumber(int number) const {
    if (number < 1 || static_cast<size_t>(number) > images_.size()) return UrlHandle();
    const NumberedImage& entry = images_[static_cast<size_t>(number) - 1];
    return entry.url.IsEmpty() ? entry.image->Url() : entry.url;
}

bool PageImages::NumberIsForUrl(const NumberedImage& entry, uint32_t urlId) const {
    if (urlId == 0) return false;
    if (!entry.url.IsEmpty() && entry.url->GetId() == urlId) return true;
    return !entry.image.IsEmpty() && entry.image->UrlId() == urlId;
}

bool PageImages::ImageSize(int32_t number, int32_t& width, int32_t& height) {
    ImageHandle image = ImageByNumber(number);
    if (image.IsEmpty()) return false;
    width = image->Width();
    height = image->Height();
    return true;
}

void PageImages::DrawTiles(PaintDevice& device, int32_t number, const BackgroundTiles& tiles) {
    ImageHandle image = ImageByNumber(number);
    if (image.IsEmpty()) return;
    device.DrawImage(tiles.originX, tiles.originY, tiles.area, tiles.tileWidth, tiles.tileHeight, *image.Get(),
                     tiles.tileWidth, tiles.tileHeight, true);
}

Image* PageImages::ShowImageBox(LayoutElement& box, int32_t x, int32_t y) {
    if (box.GetKind() != LayoutElement::kImageBox) return nullptr;
    const int number = static_cast<ImageBox&>(box).ImageNumber();
    UrlHandle url = UrlOfNumber(number);
    if (!url.IsEmpty()) RefreshUrl(url->GetId());
    ShowEntry(&box, x, y);
    Image* image = ImageOfElement(&box);
    return image == &SharedEmptyImage() || !image || image->FrameCount() == 0 ? nullptr : image;
}

void PageImages::ShowBoxBackground(LayoutElement& box, int32_t x, int32_t y) {
    const BoxStyle* style = box.Style();
    if (!style || style->backgroundImage <= 0) return;
    // A picture the image cache emptied while out of sight is decoded again
    // before the box is painted.
    UrlHandle url = UrlOfNumber(style->backgroundImage);
    if (!url.IsEmpty()) RefreshUrl(url->GetId());
    ShowEntry(&box, x, y);
}

void PageImages::RefreshUrl(uint32_t urlId) {
    if (!maker_) return;
    for (NumberedImage& entry : images_) {
        if (!NumberIsForUrl(entry, urlId) || entry.url.IsEmpty()) continue;
        // The URL's image takes the place of a stand-in made before the data
        // came, of one the image cache emptied (decoded again), and of the
        // previous part of a reply whose parts replace each other.
        ImageHandle fresh = maker_(entry.url);
        if (fresh.IsEmpty() || fresh.Get() == entry.image.Get()) continue;
        ImageHandle old = entry.image;
        entry.image = fresh;
        ReplaceViewed(old, fresh);
    }
    FollowBackground();
}

void PageImages::FollowBackground() {
    ImageHandle now = ImageByNumber(backgroundNumber_);
    if (backgroundNumber_ == 0 || now.Get() == background_.Get()) return;
    const bool shown = backgroundShown_;
    ShowBackground(false);
    background_ = now;
    ShowBackground(shown);
}

void PageImages::SetBackgroundUrl(const UrlHandle& url) {
    if (url.IsEmpty()) {
        ShowBackground(false);
        background_ = ImageHandle(true);
        backgroundUrl_ = UrlHandle();
        backgroundNumber_ = 0;
        return;
    }
    if (backgroundNumber_ > 0 && !backgroundUrl_.IsEmpty() && backgroundUrl_.Record() == url.Record()) return;
    const int number = FindImage(nullptr, url).number;
    ShowBackground(false);
    backgroundUrl_ = url;
    backgroundNumber_ = number;
    background_ = ImageByNumber(number);
}

bool PageImages::DrawBackground(PaintDevice& device, const DeviceRect& area, int32_t viewX, int32_t viewY) {
    FollowBackground();
    if (background_.IsEmpty() || background_->FrameCount() == 0) return false;
    if (background_->Width() <= 0 || background_->Height() <= 0) return false;
    BackgroundTiles tiles;
    tiles.tileWidth = background_->Width();
    tiles.tileHeight = background_->Height();
    // The first tile at the page's origin, wherever the view is scrolled.
    tiles.originX = -viewX;
    tiles.originY = -viewY;
    tiles.area = area;
    ShowBackground(true);
    DrawTiles(device, backgroundNumber_, tiles);
    return true;
}

void PageImages::ReplaceViewed(const ImageHandle& old, const ImageHandle& fresh) {
    for (ElementEntry& entry : entries_) {
        if (!entry.shown || entry.viewed.Get() != old.Get()) continue;
        Detach(entry.viewed);
        entry.viewed = fresh;
        Attach(entry.viewed);
    }
}

bool PageImages::AwaitsSize(uint32_t urlId) const {
    for (const ElementEntry& entry : entries_) {
        // A placeholder, or nothing at all for an image without a text.
        if (entry.element && entry.element->GetKind() != LayoutElement::kAltTextBox) continue;
        if (IdOf(entry.url) != urlId) continue;
        const int number = IndexOfUrl(urlId);
        ImageHandle image = ImageByNumber(number);
        if (!image.IsEmpty() && image->Width() > 0 && image->Height() > 0) return true;
    }
    return false;
}

void PageImages::RedrawUrl(uint32_t urlId, PaintDevice& device, int32_t viewX, int32_t viewY, int32_t viewWidth,
                           int32_t viewHeight, bool updateNow) {
    if (urlId != 0 && IdOf(backgroundUrl_) == urlId) {
        // The background lies under the whole view.
        FollowBackground();
        const ImageFrame* frame = background_.IsEmpty() ? nullptr : background_->CurrentFrame();
        if (frame && frame->rowsDecoded > 0 && viewWidth > 0 && viewHeight > 0) {
            device.InvalidateArea(0, 0, viewWidth, viewHeight, updateNow);
            return;
        }
    }
    for (const ElementEntry& entry : entries_) {
        const LayoutElement* e = entry.element;
        if (!e) continue;
        const bool matches = IdOf(entry.url) == urlId ||
                             (e->GetKind() == LayoutElement::kImageBox && ImageUrlIdOf(e) == int64_t{urlId});
        if (!matches || !Meets(*e, viewX, viewY, viewWidth, viewHeight)) continue;
        int32_t left = std::max(e->AbsoluteX(), viewX);
        int32_t top = std::max(e->AbsoluteY(), viewY);
        int32_t right = std::min(e->AbsoluteX() + e->Width(), viewX + viewWidth);
        int32_t bottom = std::min(static_cast<int32_t>(e->AbsoluteY() + e->Height()), viewY + viewHeight);
        if (right > left && bottom > top)
            device.InvalidateArea(left - viewX, top - viewY, right - left, bottom - top, updateNow);
    }
}

Image* PageImages::ImageOfElement(const LayoutElement* element) const {
    if (!element) return nullptr;
    int number = 0;
    if (element->GetKind() == LayoutElement::kImageBox) {
        number = static_cast<const ImageBox*>(element)->ImageNumber();
    } else if (const BoxStyle* style = element->Style()) {
        number = style->backgroundImage;
    }
    if (number < 1 || static_cast<size_t>(number) > images_.size()) return nullptr;
    return images_[static_cast<size_t>(number) - 1].image.Get();
}

void PageImages::Attach(const ImageHandle& image) {
    if (window_ && !image.IsEmpty()) window_->AttachViewer(*image.Get());
}

void PageImages::Detach(const ImageHandle& image) {
    if (window_ && !image.IsEmpty()) window_->DetachViewer(*image.Get());
}

void PageImages::AddElement(LayoutElement* element, const UrlHandle& url, bool load) {
    ElementEntry entry;
    entry.element = element;
    entry.url = url;
    entry.state = load ? kNew : kDone;
    entries_.push_back(entry);
}

void PageImages::AddPendingUrl(const UrlHandle& url) {
    pendingUrls_.push_back(url);
}

void PageImages::ShowEntry(LayoutElement* element, int32_t x, int32_t y) {
    for (ElementEntry& entry : entries_) {
        if (entry.element != element) continue;
        if (entry.shown) return;
        entry.shown = true;
        entry.x = x;
        entry.y = y;
        if (Image* image = ImageOfElement(element)) {
            entry.viewed = ImageHandle(image);
            Attach(entry.viewed);
        }
        return;
    }
}

void PageImages::DetachOutside(int32_t x, int32_t y, int32_t width, int32_t height) {
    for (ElementEntry& entry : entries_) {
        if (!entry.shown || !entry.element || Meets(*entry.element, x, y, width, height)) continue;
        StopViewing(entry);
    }
}

void PageImages::DetachShown() {
    // Only shown entries: the window views an image once per showing, and
    // detaching more often would take other windows' views with it.
    for (ElementEntry& entry : entries_) {
        if (entry.shown) StopViewing(entry);
    }
}

void PageImages::StopViewing(ElementEntry& entry) {
    entry.shown = false;
    Detach(entry.viewed);
    entry.viewed = ImageHandle(true);
}

void PageImages::ClearEntries() {
    ++generation_;
    DetachShown();
    entries_.clear();
    pendingUrls_.clear();
    findCount_ = 0;
}

void PageImages::DetachAll() {
    DetachShown();
    ShowBackground(false);
}

void PageImages::ShowBackground(bool on) {
    if (on && !backgroundShown_ && !background_.IsEmpty()) {
        Attach(background_);
        backgroundShown_ = true;
    } else if (!on && backgroundShown_) {
        Detach(background_);
        backgroundShown_ = false;
    }
}

void PageImages::PaintVisible(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!window_) return;
    for (const ElementEntry& entry : entries_) {
        Image* image = ImageOfElement(entry.element);
        if (entry.shown || !image || image == &SharedEmptyImage() || image->ViewerCount() != 0) continue;
        if (!Meets(*entry.element, x, y, width, height)) window_->TouchImage(*image);
    }
}

int PageImages::StartLoads(MessageCallback* callback, const UrlHandle& referrer, std::vector<UrlHandle>* started) {
    int count = 0;
    for (ElementEntry& entry : entries_) {
        if (entry.state != kNew) continue;
        if (entry.url.IsEmpty()) {
            entry.state = kDone;
        } else if (entry.url->GetLoadStatus() == kLoadLoaded) {
            entry.url->Touch(CoarseClockNow(), false);
            entry.state = kDone;
        } else if (window_ && window_->StartImageLoad(entry.url, callback, referrer)) {
            entry.state = kLoading;
            ++count;
            if (started) started->push_back(entry.url);
        }
    }
    return count;
}

int PageImages::MarkUrlLoaded(uint32_t urlId) {
    int changed = 0;
    for (ElementEntry& entry : entries_) {
        if (entry.state == kLoading && IdOf(entry.url) == urlId) {
            entry.state = kDone;
            ++changed;
        }
    }
    for (size_t i = 0; i < pendingUrls_.size();) {
        if (IdOf(pendingUrls_[i]) == urlId) {
            pendingUrls_.erase(pendingUrls_.begin() + static_cast<std::ptrdiff_t>(i));
            ++changed;
        } else {
            ++i;
        }
    }
    return changed;
}

LayoutElement* PageImages::FindNextForUrl(uint32_t urlId, int& position) {
    size_t from = position != 0 && position == findCount_ ? static_cast<size_t>(position) : 0;
    for (size_t i = from; i < entries_.size(); ++i) {
        const ElementEntry& entry = entries_[i];
        if (!entry.element || entry.element->GetKind() != LayoutElement::kImageBox) continue;
        if (ImageUrlIdOf(entry.element) != int64_t{urlId}) continue;
        position = findCount_ = static_cast<int>(i + 1);
        return entry.element;
    }
    position = findCount_ = 0;
    return nullptr;
}

int PageImages::AddImage(const ImageHandle& image) {
    if (!image.IsEmpty()) {
        for (size_t i = 0; i < images_.size(); ++i) {
            if (images_[i].image.Get() == image.Get()) return static_cast<int>(i + 1);
        }
    }
    images_.push_back(NumberedImage{image, true, false, UrlHandle()});
    return static_cast<int>(images_.size());
}

void PageImages::ReplaceImage(int number, const ImageHandle& image, bool ready) {
    ImageHandle* slot = ImageSlot(number);
    if (!slot) return;
    Detach(*slot);
    *slot = image;
    images_[static_cast<size_t>(number) - 1].ready = ready;
    Attach(image);
}

int PageImages::IndexOfUrl(uint32_t urlId) const {
    for (size_t i = 0; i < images_.size(); ++i) {
        if (NumberIsForUrl(images_[i], urlId)) return static_cast<int>(i + 1);
    }
    return 0;
}

bool PageImages::IsImageReady(int number) const {
    if (number < 1 || static_cast<size_t>(number) > images_.size()) return false;
    const NumberedImage& entry = images_[static_cast<size_t>(number) - 1];
    if (entry.ready) return true;
    const ImageFrame* frame = entry.image->CurrentFrame();
    return frame && frame->rowsDecoded > 0;
}

void PageImages::CopyImagesTo(PageImages& other) const {
    for (const NumberedImage& entry : images_) other.AddImage(entry.image);
}

void PageImages::KeepPreviousImages() {
    for (const NumberedImage& entry : images_) previous_.push_back(entry);
}

void PageImages::ReleasePreviousImages() {
    previous_.clear();
}

void PageImages::LayoutDropped() {
    ReleasePreviousImages();
    KeepPreviousImages();
    ClearEntries();
    ClearImages();
}

void PageImages::ClearImages() {
    images_.clear();
    // The window stops viewing it first: a view left counted would keep the
    // picture from the image cache's trimming for good.
    SetBackgroundUrl(UrlHandle());
}

ImageHandle PageImages::FindPreviousImage(const UrlHandle& url, bool& stopped) const {
    stopped = false;
    for (const NumberedImage& entry : previous_) {
        if (entry.stopsSearch) {
            stopped = true;
            break;
        }
        const UrlHandle& from = entry.image->Url();
        if (from.IsEmpty()) continue;
        if (from->GetLoadStatus() == kLoadLoading) break;
        if (!url.IsEmpty() && from.Record() == url.Record()) return entry.image;
    }
    return ImageHandle(true);
}

ImageHandle PageImages::ImageByNumber(int n) const {
    if (n < 1 || static_cast<size_t>(n) > images_.size()) return ImageHandle(true);
    return images_[static_cast<size_t>(n) - 1].image;
}

ImageHandle* PageImages::ImageSlot(int n) {
    if (n < 1 || static_cast<size_t>(n) > images_.size()) return nullptr;
    return &images_[static_cast<size_t>(n) - 1].image;
}

void PageImages::SetImage(int n, const ImageHandle& image) {
    if (ImageHandle* slot = ImageSlot(n)) *slot = image;
}

int64_t PageImages::ImageUrlIdOf(const LayoutElement* box) const {
    const HtmlElement* element = box ? box->Element() : nullptr;
    if (!element) return -1;
    const UrlHandle* url = GetImageSourceUrl(element);
    return url && !url->IsEmpty() ? int64_t{(*url)->GetId()} : 0;
}
