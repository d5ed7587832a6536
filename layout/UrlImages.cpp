#include "layout/UrlImages.h"

#include <memory>
#include <new>

#include "net/SniffContent.h"
#include "net/UrlImageContent.h"
#include "net/UrlRecord.h"

namespace {

// How far a picture has come: what a window showing it could see change.
struct Progress {
    int width = 0, height = 0;
    unsigned frames = 0;
    int rows = 0;
    bool complete = false;
    bool operator!=(const Progress& o) const {
        return width != o.width || height != o.height || frames != o.frames || rows != o.rows ||
               complete != o.complete;
    }
};

Progress ProgressOf(const Image& image) {
    Progress p;
    p.width = image.Width();
    p.height = image.Height();
    p.frames = image.FrameCount();
    const ImageFrame* last = image.FrameByNumber(static_cast<int>(p.frames));
    p.rows = last ? last->rowsDecoded : 0;
    p.complete = image.IsComplete();
    return p;
}

class RecordImage : public UrlImageContent {
public:
    explicit RecordImage(const ImageHandle& image) : image_(image) {}

    long FeedImageData(const char* bytes, long length, bool moreToCome, bool& changed) override {
        const Progress before = ProgressOf(*image_.Get());
        // The last call may carry no bytes: it only tells the decoder that
        // the data ended, and what came is then all there is.
        static const uint8_t kNone[1] = {0};
        const auto* data = length > 0 ? reinterpret_cast<const uint8_t*>(bytes) : kNone;
        const uint32_t left = image_->Decode(data, length > 0 ? static_cast<uint32_t>(length) : 0, moreToCome);
        if (image_->IsComplete()) completed_ = true;
        changed = ProgressOf(*image_.Get()) != before;
        return static_cast<long>(left);
    }
    bool IsComplete() const override { return image_->IsComplete(); }
    bool IsDropped() const override { return completed_ && !image_->IsComplete(); }
    const ImageHandle& Handle() const { return image_; }

private:
    ImageHandle image_;
    bool completed_ = false;
};

std::unique_ptr<UrlImageContent> MakeRecordImage(UrlRecord& record) {
    const int kind = record.GetContentKind();
    if (kind < kKindGif || kind > kKindBmp) return nullptr;
    // The image knows its URL by id only: a handle would keep the record,
    // which holds the image, alive for ever.
    ImageHandle image = ImageHandle::MakeForKind(kind, record.GetId());
    if (image.IsEmpty()) return nullptr;
    return std::unique_ptr<UrlImageContent>(new (std::nothrow) RecordImage(image));
}

}  // namespace

void InstallUrlImages() {
    SetImageContentFactory(&MakeRecordImage);
}

void RemoveUrlImages() {
    SetImageContentFactory(nullptr);
}

ImageHandle ImageOfUrl(const UrlHandle& url) {
    if (url.IsEmpty()) return ImageHandle(true);
    auto* content = dynamic_cast<RecordImage*>(url->GetImageContent());
    return content ? content->Handle() : ImageHandle(true);
}
