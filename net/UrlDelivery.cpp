// Data arriving for a record: stored in the memory block while the page is
// small, in a cache file otherwise, and fed to the page content.
#include <cstring>
#include <sys/stat.h>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/MessageSource.h"
#include "net/NetSettings.h"
#include "net/SniffContent.h"
#include "net/UrlErrors.h"
#include "net/UrlImageContent.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

constexpr uint32_t kShownNotQuiet = MessageTargetList::kOnlyNotInline | MessageTargetList::kSkipQuiet;
constexpr uint32_t kNotQuiet = MessageTargetList::kSkipQuiet;
constexpr uint32_t kInlineNotQuiet = MessageTargetList::kOnlyInline | MessageTargetList::kSkipQuiet;
// Bytes handed to the page per message when it is filled from a cache file.
constexpr int32_t kDeliveryChunk = 32768;
constexpr uint32_t kAll = 0;

bool IsPageKind(int kind) {
    return kind == kKindHtml || kind == kKindText;
}

// The kinds a decoder reads.
bool IsImageKind(int kind) {
    return kind >= kKindGif && kind <= kKindBmp;
}

}  // namespace

int32_t UrlRecord::ReceiveData() {
    MessageSource* producer = GetConnection();
    if (producer == nullptr) return 0;
    bool ownFile = scheme_ == kSchemeFile;  // a local file is its own store
    const FtpPart* ftp = GetFtpPart();
    bool rawListing = ftp && ftp->listing;
    if (GetStorage() == kStoredNowhere) {
        int kind = GetContentKind();
        bool small = contentLength_ > 0 && contentLength_ + 10 < kMaxBlock + 1;
        // Compressed data is expanded from a file once it is all there.
        bool keepInMemory =
            small && !rawListing && GetEncoding() != kEncodingCompressed && (kind == kKindHtml ||
                      (IsInlineLoad() && (kind == kKindGif || kind == kKindJpeg || kind == kKindCpr)));
        if (keepInMemory) {
            SetStorage(kStoredInMemory);
            if (!LockBuffer(contentLength_ + 10)) {
                FailLoad(kErrNotEnoughMemory, kShownNotQuiet);
                return -1;
            }
            UnlockBuffer();
        } else {
            if (!MakeCacheFileName()) {
                FailLoad(kErrCannotWriteCache, kShownNotQuiet);
                return -1;
            }
            SetStorage(kStoredInFile);
            if (UrlRegistry* registry = UrlRegistry::Instance();
                registry && GetCacheRelation() == kListGeneral)
                registry->MoveToTemporaryList(UrlHandle(this, nullptr));
        }
        kept_ = newBytes_ = 0;
    }
    if (GetStorage() == kStoredInFile && ownFile) {
        // The file: URL's data is already on disk.
    }
    int32_t total = 0;
    while (total < kMaxReadPerReport) {
        int32_t n = 0;
        if (GetStorage() == kStoredInMemory) {
            if (bytesLoaded_ >= capacity_) {
                // More than the server announced: everything moves to a file.
                if (!MakeCacheFileName()) {
                    FailLoad(kErrCannotWriteCache, kShownNotQuiet);
                    return -1;
                }
                SetStorage(kStoredInFile);
                if (!AppendToFile(block_.get(), bytesLoaded_)) {
                    FailLoad(kErrCannotWriteCache, kShownNotQuiet);
                    return -1;
                }
                continue;
            }
            n = ReadFromProducer(producer, block_.get() + bytesLoaded_, capacity_ - bytesLoaded_);
            if (n <= 0) break;
            bytesLoaded_ += n;
        } else {
            // Bytes gather in the transfer buffer and go to the file when it
            // is full: few large reads and writes, whatever the block's size.
            int32_t size = GetNetSettings().NetworkBufferBytes();
            if (size < kMaxBlock) size = kMaxBlock;
            if (size > kMaxTransfer) size = kMaxTransfer;
            if (!transfer_ || transferCapacity_ != size) {
                if (!FlushNewBytes(ownFile)) return -1;
                transfer_.reset(new (std::nothrow) char[static_cast<size_t>(size)]);
                transferCapacity_ = transfer_ ? size : 0;
                if (!transfer_) {
                    FailLoad(kErrNotEnoughMemory, kShownNotQuiet);
                    return -1;
                }
            }
            if (ownFile || newBytes_ >= transferCapacity_) {
                if (!FlushNewBytes(ownFile)) return -1;
            }
            n = ReadFromProducer(producer, transfer_.get() + newBytes_, transferCapacity_ - newBytes_);
            if (n <= 0) break;
            bytesLoaded_ += n;
            newBytes_ += n;
        }
        total += n;
        // The raw reply of an FTP listing becomes a page only at its end.
        if (rawListing) continue;
        // Compressed bytes mean nothing to the sniffer or the page until
        // they are expanded at the end.
        if (GetEncoding() == kEncodingCompressed) continue;
        if (GetContentKind() == kKindNotYetKnown && !IsKindAnnounced()) SniffAndAnnounce(false);
        if (IsPageKind(GetContentKind()) && !IsInlineLoad()) DeliverData(false);
    }
    // Images decode as their bytes come, once a read is done: the windows
    // that show one hear when it grew.
    if (total > 0 && IsImageKind(GetContentKind()) && GetEncoding() != kEncodingCompressed && DeliverImageData(false))
        targets_.Broadcast(kMsgLoadStatus, id_, GetLoadStatusHere() << 8 | 1, kNotQuiet, 0);
    // The file always holds everything that arrived once a report is done.
    if (GetStorage() == kStoredInFile && !FlushNewBytes(ownFile)) return -1;
    return total;
}

bool UrlRecord::FlushNewBytes(bool ownFile) {
    if (!ownFile && newBytes_ > 0 && transfer_) {
        // A failed write fails the load: a partial file is never shown as complete.
        if (!AppendToFile(transfer_.get(), newBytes_)) {
            FailLoad(kErrCannotWriteCache, kShownNotQuiet);
            return false;
        }
    }
    newBytes_ = 0;
    return true;
}

bool UrlRecord::AppendData(const char* bytes, int32_t length) {
    if (GetStorage() == kStoredNowhere) SetStorage(kStoredInMemory);
    if (AppendRaw(bytes, length)) return true;
    // Generated content that cannot be stored must not end up shown as
    // complete: the load fails with the reason.
    FailLoad(storeError_, kShownNotQuiet);
    return false;
}

void UrlRecord::FlushData(bool finished) {
    if (GetContentKind() != kKindUnknownType && !(kind_ & (kKindInlineLoad | kKindAnnounced))) {
        SetKindAnnounced(true);
        targets_.Broadcast(kMsgContentKnown, id_, 0, MessageTargetList::kOnlyNotInline, 0);
    }
    if (finished) SetLoadStatus(kLoadLoaded);
    targets_.Broadcast(kMsgLoadStatus, id_, GetLoadStatusHere() << 8, kNotQuiet, 0);
    targets_.Broadcast(kMsgMoreData, id_, GetLoadStatusHere() << 8, kShownNotQuiet, 0);
    if (GetContentKind() < kKindUnknownType) {
        AddUser();
        DeliverData(finished);
        RemoveUser();
    }
    CloseOpenFile();
    newBytes_ = 0;
    if (!finished) return;
    if (pageContent_ && pageContent_->HasPendingWork()) {
        AddUser();
        finishing_ = true;
        if (MessageHandler* first = registeredWith_ ? registeredWith_ : FirstTarget())
            RegisterFor(first, kMsgScriptsPending, id_);
        targets_.Broadcast(kMsgScriptsPending, id_, 0, MessageTargetList::kOnlyNotInline, 0);
        return;
    }
    Unregister();
    targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kAll, 0);
    targets_.Clear();
}

void UrlRecord::DeliverData(bool final, int32_t limit) {
    if (GetRedirectRecord() || !IsPageKind(GetContentKind())) return;
    if (!pageContent_) {
        PageContentFactory factory = GetPageContentFactory();
        if (factory == nullptr) return;
        pageContent_ = factory(*this);
        if (!pageContent_) return;
    }
    SetDelivered(false);
    char chunk[8192];
    int32_t start = delivered_;
    for (int round = 0; round < 1 << 16; ++round) {
        if (delivered_ - start >= limit) break;
        const char* bytes = nullptr;
        int32_t length = 0;
        if (!StoredBytesAt(delivered_, chunk, sizeof chunk, bytes, length)) break;
        bool last = final && delivered_ + length >= bytesLoaded_;
        if (length == 0 && !last) break;
        long taken = pageContent_->FeedData(bytes, length, last);
        if (taken < 0) taken = 0;
        if (taken > length) taken = length;
        delivered_ += static_cast<int32_t>(taken);
        // The end is signalled once, with the last bytes the content takes.
        if (last && taken == length) break;
        if (taken == 0 && !last) break;
    }
    SetDelivered(true);
}

bool UrlRecord::StoredBytesAt(int32_t offset, char* chunk, int32_t chunkSize, const char*& bytes,
                              int32_t& length) {
    bytes = nullptr;
    length = 0;
    int32_t available = bytesLoaded_ - offset;
    if (available <= 0) return true;
    if (GetStorage() == kStoredInMemory && block_) {
        bytes = block_.get() + offset;
        length = available;
    } else if (GetStorage() == kStoredInFile && transfer_ && newBytes_ > 0 && offset >= bytesLoaded_ - newBytes_) {
        // Straight from the block that just arrived.
        bytes = transfer_.get() + (offset - (bytesLoaded_ - newBytes_));
        length = available;
    } else {
        if (openFile_) std::fflush(openFile_);
        length = ReadLocalDataFromFile(offset, available < chunkSize ? available : chunkSize, chunk);
        bytes = chunk;
        if (length <= 0) return false;
    }
    return true;
}

bool UrlRecord::DeliverImageData(bool final) {
    if (GetRedirectRecord() || !IsImageKind(GetContentKind())) return false;
    if (flags_ & kFlagStaleImage) {
        flags_ &= static_cast<uint8_t>(~kFlagStaleImage);
        imageContent_.reset();
        imageFed_ = 0;
    }
    if (!imageContent_) {
        ImageContentFactory factory = GetImageContentFactory();
        if (factory == nullptr) return false;
        // A GIF that does not begin like one is taken for a JPEG.
        if (GetContentKind() == kKindGif && bytesLoaded_ >= 3) {
            char head[3];
            const char* bytes = nullptr;
            int32_t length = 0;
            if (StoredBytesAt(0, head, sizeof head, bytes, length) && length >= 3 &&
                std::memcmp(bytes, "GIF", 3) != 0)
                SetContentKindHere(kKindJpeg);
        }
        imageContent_ = factory(*this);
        imageFed_ = 0;
        if (!imageContent_) return false;
    }
    bool changed = false;
    char chunk[8192];
    for (int round = 0; round < 1 << 20 && !imageContent_->IsComplete(); ++round) {
        const char* bytes = nullptr;
        int32_t length = 0;
        if (!StoredBytesAt(imageFed_, chunk, sizeof chunk, bytes, length)) break;
        const bool last = final && imageFed_ + length >= bytesLoaded_;
        if (length == 0 && !last) break;
        bool grew = false;
        long left = imageContent_->FeedImageData(bytes, length, !last, grew);
        if (left < 0) left = 0;
        if (left > length) left = length;
        changed = changed || grew;
        imageFed_ += length - static_cast<int32_t>(left);
        // Bytes the decoder keeps waiting for more come back with the next
        // data; without new data there is nothing more to do now.
        if (last || left == length) break;
    }
    return changed;
}

UrlImageContent* UrlRecord::GetImageContent() {
    UrlRecord* r = ChainEnd();
    if (r != this) return r->GetImageContent();
    int status = GetLoadStatusHere();
    if (status == kLoadLoading) return imageContent_.get();
    if (status != kLoadLoaded || !IsImageKind(GetContentKind())) return imageContent_.get();
    if (imageContent_ && !imageContent_->IsDropped() && !(flags_ & kFlagStaleImage)) return imageContent_.get();
    // Decoded again from what is stored: the memory block or the file.
    imageContent_.reset();
    imageFed_ = 0;
    if (GetStorage() == kStoredInFile) {
        struct stat st;
        if (stat(GetLocalFilePath().c_str(), &st) != 0) return nullptr;
        bytesLoaded_ = static_cast<int32_t>(st.st_size);
    } else if (GetStorage() != kStoredInMemory || !block_) {
        return nullptr;
    }
    DeliverImageData(true);
    return imageContent_.get();
}

UrlPageContent* UrlRecord::GetDocumentContent(MessageHandler* handler) {
    UrlRecord* r = ChainEnd();
    if (r != this) return r->GetDocumentContent(handler);
    int status = GetLoadStatusHere();
    if (status == kLoadLoading || status == kLoadDelivering) {
        // The data is on its way: the window hears when there is more.
        if (handler && !targets_.Contains(handler))
            targets_.Add(handler, MessageTargetList::kNewEntry | MessageTargetList::kAppend);
        return pageContent_.get();
    }
    if (pageContent_ && (pageContent_->IsComplete() || status != kLoadLoaded)) return pageContent_.get();
    if (!IsPageKind(GetContentKind()) || status != kLoadLoaded) return pageContent_.get();
    if (GetStorage() == kStoredInFile && GetStatusCheckingFile() != kLoadLoaded) return nullptr;
    ReleaseContent();
    delivered_ = 0;
    if (GetStorage() != kStoredInFile || handler == nullptr) {
        DeliverData(true);
        return pageContent_.get();
    }
    // From the cache file, a chunk per message, so that windows stay alive
    // while a large page is read.
    struct stat st;
    if (stat(GetLocalFilePath().c_str(), &st) == 0)
        bytesLoaded_ = contentLength_ = static_cast<int32_t>(st.st_size);
    AttachLoadMachine();
    DeliverData(false, kDeliveryChunk);
    if (!pageContent_) return nullptr;
    SetLoadStatus(kLoadDelivering);
    targets_.Add(handler, MessageTargetList::kNewEntry | MessageTargetList::kAppend);
    RegisterFor(handler, kMsgContinueDelivery, id_);
    handler->Post(kMsgContinueDelivery, id_, 0);
    return pageContent_.get();
}

void UrlRecord::ContinueDelivery() {
    if (GetLoadStatusHere() != kLoadDelivering) return;
    int32_t before = delivered_;
    DeliverData(false, kDeliveryChunk);
    int32_t step = delivered_ - before;
    if (step > 0) {
        targets_.Broadcast(kMsgInlineProgressKnown, id_, static_cast<uint32_t>(step), kInlineNotQuiet, 0);
        targets_.Broadcast(kMsgProgressKnown, id_, static_cast<uint32_t>(step), kShownNotQuiet, 0);
        targets_.Broadcast(kMsgMoreData, id_, kLoadDelivering << 8, kShownNotQuiet, 0);
    }
    if (delivered_ < bytesLoaded_ && step > 0) {
        if (registeredWith_) registeredWith_->Post(kMsgContinueDelivery, id_, 0);
        return;
    }
    DeliverData(true);
    SetLoadStatus(kLoadLoaded);
    if (GetStorage() == kStoredInFile) FreeBuffer();
    targets_.Broadcast(kMsgMoreData, id_, kLoadLoaded << 8, kShownNotQuiet, 0);
    targets_.Broadcast(kMsgLoadNotice, kNoticeLoaded, id_, kShownNotQuiet, 0);
    Unregister();
    targets_.Clear();
}

void UrlRecord::SniffAndAnnounce(bool finished) {
    if (GetContentKind() != kKindNotYetKnown) return;
    if (bytesLoaded_ < 256 && !finished) return;
    char head[4096];
    int32_t n = 0;
    if (GetStorage() == kStoredInMemory && block_) {
        n = bytesLoaded_ < (int32_t)sizeof head ? bytesLoaded_ : (int32_t)sizeof head;
        std::memcpy(head, block_.get(), static_cast<size_t>(n));
    } else if (GetStorage() == kStoredInFile) {
        if (openFile_) std::fflush(openFile_);
        n = ReadLocalDataFromFile(0, sizeof head, head);
    }
    SetContentKindHere(SniffContent(head, n));
    targets_.Broadcast(kMsgLoadStatus, id_, GetLoadStatusHere() << 8, kNotQuiet, 0);
    HttpPart* http = GetHttpPart();
    if (IsInlineLoad() || IsImage() || IsKindAnnounced()) return;
    int status = http ? http->status : 200;
    bool ok = status == 200 || status == 301 || status == 302;
    if (GetUrlSettings().httpErrorStrategy == 2 && !ok) return;
    if (http && (http->auth == kAuthAsked || http->proxyAuth == kAuthAsked)) return;
    if (http && (status == 301 || status == 302) && !http->location.empty()) return;
    AnnounceContent(kShownNotQuiet);
}

int32_t UrlRecord::ReadLocalDataFromFile(int32_t offset, int32_t length, char* out) const {
    std::FILE* f = OpenLocalFile("rb");
    if (!f) return 0;
    int32_t n = 0;
    if (std::fseek(f, offset, SEEK_SET) == 0)
        n = static_cast<int32_t>(std::fread(out, 1, static_cast<size_t>(length), f));
    std::fclose(f);
    return n;
}
