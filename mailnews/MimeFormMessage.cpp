#include "mailnews/MimeFormMessage.h"

#include <string>
#include <vector>

#include "net/UrlErrors.h"

namespace {
// A file chosen for upload that cannot be read stops the submission: the
// form is not sent without it.
constexpr int kErrorCannotReadFile = kErrCannotOpenFile;

class MimeFormMultipart : public FormMultipart {
public:
    MimeFormMultipart(const char* contentType, int encoding) : encoding_(encoding) {
        top_ = std::make_unique<MimePart>();
        top_->SetContentType(contentType);
    }

    void AddField(const std::string& name, const std::string& value) override {
        auto part = std::make_unique<MimePart>();
        part->SetNames("form-data", name.c_str());
        part->SetData(value);
        top_->AddChild(std::move(part));
    }

    void AddFiles(const std::string& name, const std::vector<std::string>& paths) override {
        auto part = std::make_unique<MimePart>();
        part->SetNames("form-data", name.c_str());
        if (paths.size() == 1) {
            part->SetSource(paths.front().c_str());
        } else {
            part->SetContentType("multipart/mixed");
            for (const std::string& path : paths) {
                auto file = std::make_unique<MimePart>();
                file->SetNames("attachment", nullptr);
                file->SetSource(path.c_str());
                part->AddChild(std::move(file));
            }
        }
        top_->AddChild(std::move(part));
    }

    std::unique_ptr<UploadSource> Finish(int& error) override {
        top_->SetEncoding(encoding_);
        if (top_->ChooseEncoding(nullptr, nullptr) != kChooseReady) {
            error = kErrorCannotReadFile;
            return nullptr;
        }
        error = 0;
        return std::make_unique<MimeUploadSource>(std::move(top_));
    }

private:
    int encoding_;
    std::unique_ptr<MimePart> top_;
};
}  // namespace

std::unique_ptr<FormMultipart> MimeFormMultipartMaker::Make(const char* contentType, int encoding) {
    return std::make_unique<MimeFormMultipart>(contentType, encoding);
}

void InstallMimeFormEncoder() {
    static MimeFormMultipartMaker maker;
    RegisterFormMultipartMaker(&maker);
}
