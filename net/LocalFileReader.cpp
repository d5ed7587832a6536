#include "net/LocalFileReader.h"

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "net/UrlErrors.h"

LocalFileReader::LocalFileReader(MessageHandler* target, const char* path)
    : MessageSource(target), path_(path ? path : "") {}

LocalFileReader::~LocalFileReader() {
    Close();
}

int LocalFileReader::Connect() {
    Close();
    endReported_ = false;
    file_ = std::fopen(path_.c_str(), "rb");
    if (!file_) return kErrCannotOpenFile;
    if (target_) target_->Post(kMsgDataReady, serial_, 0);
    return 0;
}

void LocalFileReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

int LocalFileReader::ReadData(char* buffer, int size) {
    if (!file_ || size <= 0) return 0;
    size_t n = std::fread(buffer, 1, static_cast<size_t>(size), file_);
    if (n > 0) return static_cast<int>(n);
    bool failed = std::ferror(file_) != 0;
    Close();
    if (!endReported_ && target_) {
        endReported_ = true;
        if (failed) {
            target_->Post(kMsgConnectionFailed, serial_, kErrCannotOpenFile);
        } else {
            target_->Post(kMsgConnectionEnded, serial_, 0);
        }
    }
    return 0;
}
