// The multipart messages of forms sent as "multipart/form-data": the MIME
// encoder's side of layout/FormSubmission.h, installed at start-up.
#pragma once
#include <memory>

#include "layout/FormSubmission.h"
#include "mailnews/MimePart.h"
#include "net/UploadSource.h"

// A prepared part read out as a request body (or a mail body).
class MimeUploadSource : public UploadSource {
public:
    explicit MimeUploadSource(std::unique_ptr<MimePart> part) : part_(std::move(part)) {}
    // The bytes after the blank line that ends the request's headers: the
    // part's own header lines complete those, and a multipart's first
    // boundary line begins with the CR LF that ends them.
    int32_t EncodedLength() override {
        const uint32_t all = part_->EncodedSize(true);
        const uint32_t headers =
            static_cast<uint32_t>(part_->HeaderText().size()) + (part_->IsMultipart() ? 2 : 0);
        return static_cast<int32_t>(all > headers ? all - headers : 0);
    }
    uint16_t ProgressFirst() override { return static_cast<uint16_t>(part_->Body().FileCount()); }
    uint16_t ProgressSecond() override { return static_cast<uint16_t>(part_->Body().FilesStarted()); }
    void ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done) override {
        part_->ReadEncoded(buffer, count, capacity, done);
    }
    MimePart& Part() { return *part_; }

private:
    std::unique_ptr<MimePart> part_;
};

class MimeFormMultipartMaker : public FormMultipartMaker {
public:
    std::unique_ptr<FormMultipart> Make(const char* contentType, int encoding) override;
};

// Registers the maker with form submission (once, for the program's life).
void InstallMimeFormEncoder();
