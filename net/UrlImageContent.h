// The decoded image of an image URL. The record feeds its data in as it
// arrives; the decoders live above the network layer, which installs a
// factory at start-up (as it does for page content).
#pragma once

#include <memory>

class UrlRecord;

class UrlImageContent {
public:
    virtual ~UrlImageContent() = default;
    // Decodes what it can of length bytes; answers how many at the end it
    // could not use yet (they are offered again in front of the next
    // ones). changed: the picture grew (size, rows or frames) or ended.
    virtual long FeedImageData(const char* bytes, long length, bool moreToCome, bool& changed) = 0;
    // Decoding has ended, with the whole picture or with what bad data left.
    virtual bool IsComplete() const = 0;
    // Something that decoded the picture once has dropped it since (the
    // image cache trims unviewed pictures): it must be fed again.
    virtual bool IsDropped() const = 0;
};

// Makes the image of a record by its content kind, or null for a kind that
// no decoder reads.
using ImageContentFactory = std::unique_ptr<UrlImageContent> (*)(UrlRecord& record);

// Installed by the layout side; without one, image data is only stored.
void SetImageContentFactory(ImageContentFactory factory);
ImageContentFactory GetImageContentFactory();
