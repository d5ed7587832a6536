// A record's data: the memory block, cache files, saving and keeping, and the
// content-kind decisions. Delivery to the page and the notices to windows
// are in UrlDelivery.cpp.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include "net/ContentTypes.h"
#include "net/LzwDecoder.h"
#include "net/SniffContent.h"
#include "net/UrlErrors.h"
#include "net/UrlPageContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

std::string BaseName(const std::string& path) {
    size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

}  // namespace

char* UrlRecord::LockBuffer(int32_t wanted) {
    int32_t size = capacity_;
    if (!block_) {
        size = wanted > 0 ? wanted : 8192;
        kept_ = 0;
    } else if (wanted <= 0) {
        if (kept_ > capacity_ / 2) size = kept_ + capacity_;
    } else if (wanted > capacity_) {
        size = wanted;
    }
    if (size > kMaxBlock) size = kMaxBlock;
    if (!block_ || size != capacity_) {
        std::unique_ptr<char[]> grown(new (std::nothrow) char[static_cast<size_t>(size) + 1]);
        if (!grown) return nullptr;
        if (block_) {
            int32_t keep = capacity_ < size ? capacity_ : size;
            std::memcpy(grown.get(), block_.get(), static_cast<size_t>(keep));
        }
        block_ = std::move(grown);
        capacity_ = size;
    }
    ++lockCount_;
    return block_.get();
}

void UrlRecord::UnlockBuffer() {
    if (lockCount_ > 0) --lockCount_;
}

void UrlRecord::FreeBuffer() {
    block_.reset();
    capacity_ = 0;
    lockCount_ = 0;
    transfer_.reset();
    transferCapacity_ = 0;
}

std::string UrlRecord::CacheFileExtension() const {
    std::string ext;
    const char* type = nullptr;
    if (HttpPart* http = GetHttpPart(); http && !http->contentType.empty()) type = http->contentType.c_str();
    std::string fromName = ExtensionOfName(GetName());
    if (type) {
        // The name's own extension, else the one known for the type; up to
        // 10 characters, ending at the first character that is no letter or
        // digit.
        if (fromName.empty()) {
            if (const KnownContentType* t = FindContentTypeByType(type)) {
                fromName = t->extensions;
                fromName = fromName.substr(0, fromName.find(' '));
            }
        }
        for (char c : fromName) {
            if (!std::isalnum(static_cast<unsigned char>(c)) || ext.size() == 10) break;
            ext.push_back(c);
        }
    } else {
        for (char c : fromName) {
            if (!std::isalnum(static_cast<unsigned char>(c)) || ext.size() == 3) break;
            ext.push_back(c);
        }
        if (ext.size() == 3 && std::tolower(static_cast<unsigned char>(ext[0])) == 'j' &&
            std::tolower(static_cast<unsigned char>(ext[1])) == 'p' &&
            std::tolower(static_cast<unsigned char>(ext[2])) == 'e')
            ext = "jpg";
    }
    return ext;
}

bool UrlRecord::MakeCacheFileName() {
    if (!fileName_.empty()) return true;
    UrlRegistry* registry = UrlRegistry::Instance();
    if (!registry) return false;
    std::string path = registry->NewCacheFileName(CacheFileExtension().c_str());
    if (path.empty()) return false;
    if (scheme_ == kSchemeFile) {
        // A file: record's names are full paths of the user's files; a
        // cache file made for it (a generated listing) is ours to delete.
        fileName_ = path;
        SetTempFileCopy(true);
    } else {
        fileName_ = BaseName(path);
    }
    return true;
}

std::FILE* UrlRecord::OpenLocalFile(const char* mode) const {
    std::string path = GetLocalFilePath();
    return path.empty() ? nullptr : std::fopen(path.c_str(), mode);
}

void UrlRecord::CloseOpenFile() {
    if (openFile_) std::fclose(openFile_);
    openFile_ = nullptr;
}

bool UrlRecord::AppendToFile(const char* bytes, int32_t count) {
    if (count <= 0) return true;
    if (!openFile_) {
        openFile_ = OpenLocalFile("r+b");
        if (!openFile_) openFile_ = OpenLocalFile("wb");
        if (openFile_ && std::fseek(openFile_, 0, SEEK_END) != 0) CloseOpenFile();
    }
    if (!openFile_) return false;
    return std::fwrite(bytes, 1, static_cast<size_t>(count), openFile_) == static_cast<size_t>(count);
}

bool UrlRecord::AppendRaw(const char* bytes, int32_t length) {
    if (length <= 0) return true;
    if (GetStorage() == kStoredNowhere) SetStorage(kStoredInMemory);
    if (GetStorage() == kStoredInMemory) {
        int64_t need = static_cast<int64_t>(bytesLoaded_) + length;
        if (need < kMaxBlock + 1) {
            int32_t size = block_ ? capacity_ : 0;
            if (need > size) size = static_cast<int32_t>((need / 1024 + 1) * 1024);
            if (size > kMaxBlock) size = kMaxBlock;
            char* p = LockBuffer(size);
            UnlockBuffer();
            if (p && capacity_ >= need) {
                std::memcpy(p + bytesLoaded_, bytes, static_cast<size_t>(length));
                bytesLoaded_ += length;
                return true;
            }
            storeError_ = kErrNotEnoughMemory;
            return false;
        }
        // Too large for the block: everything moves to a cache file.
        storeError_ = kErrCannotWriteCache;
        if (!MakeCacheFileName()) return false;
        SetStorage(kStoredInFile);
        bool ok = AppendToFile(block_.get(), block_ ? bytesLoaded_ : 0);
        FreeBuffer();
        kept_ = newBytes_ = 0;
        if (!ok) return false;
    }
    storeError_ = kErrCannotWriteCache;
    if (!AppendToFile(bytes, length)) return false;
    bytesLoaded_ += length;
    return true;
}

void UrlRecord::ReleaseLocalFile() {
    CloseOpenFile();
    if (flags_ & kFlagKeepFile) {
        fileName_.clear();
    } else {
        DeleteCacheFile();
    }
}

void UrlRecord::Reset() {
    if (GetLoadStatusHere() == kLoadLoading) return;
    if (HttpPart* http = GetHttpPart()) http->upload.reset();
    ReleaseLocalFile();
    FreeBuffer();
    // The table bits stay: the registry moves records between its tables.
    storage_ &= 0xF0;
    status_ = static_cast<uint8_t>((status_ & 0x78) | kLoadEmpty);
    contentLength_ = bytesLoaded_ = 0;
    previousFileName_.clear();
    loadTime_ = 0;
    kind_ = static_cast<uint8_t>((kind_ & ~(kKindInlineLoad | kKindAnnounced)) | kKindNotDelivering);
    kept_ = newBytes_ = 0;
}

int UrlRecord::GetStatusCheckingFile(bool chain) {
    UrlRecord* r = chain ? ChainEnd() : this;
    if (r->GetLoadStatusHere() == kLoadLoaded && r->GetStorage() == kStoredInFile &&
        !FileExists(r->GetLocalFilePath()))
        r->Reset();
    return r->GetLoadStatusHere();
}

bool UrlRecord::StoreInCacheFile() {
    UrlRecord* r = ChainEnd();
    if (r->GetLoadStatusHere() == kLoadLoading) return false;
    if (!r->fileName_.empty()) return true;
    if (r->GetStorage() != kStoredInMemory || !r->block_) return false;
    if (!r->MakeCacheFileName()) return false;
    std::FILE* f = r->OpenLocalFile("wb");
    bool ok = f && std::fwrite(r->block_.get(), 1, static_cast<size_t>(r->bytesLoaded_), f) ==
                       static_cast<size_t>(r->bytesLoaded_);
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) {
        r->DeleteCacheFile();
        return false;
    }
    r->FreeBuffer();
    r->SetStorage(kStoredInFile);
    if (UrlRegistry* registry = UrlRegistry::Instance()) {
        switch (r->GetCacheRelation()) {
            case kListCache:
                registry->AddCacheBytes(r->bytesLoaded_);
                break;
            case kListTemporary:
                registry->AddTemporaryBytes(r->bytesLoaded_);
                break;
            case kListNever:
                break;
            default:
                registry->MoveToCacheList(UrlHandle(r, nullptr));
                break;
        }
    }
    return true;
}

void UrlRecord::ReleaseUnusedData() {
    int status = GetLoadStatusHere();
    if (status == kLoadLoading || status == kLoadDelivering || inUse_ != 0) return;
    bool news = scheme_ == kSchemeNews || scheme_ == kSchemeSnews;
    if (news && GetContentKind() == kKindNewsServers) return;
    if (GetStorage() == kStoredInMemory) {
        if (GetCacheRelation() != kListCache && !news) {
            Reset();
        } else if (!StoreInCacheFile()) {
            Reset();
        }
    }
    if (kind_ & kKindNotDelivering) ReleaseContent();
}

bool CopyFileData(const char* from, const char* to) {
    // A file copied onto itself is there already; opening it to be written
    // would empty it.
    std::error_code same;
    if (std::filesystem::equivalent(from, to, same)) return true;
    std::FILE* in = std::fopen(from, "rb");
    if (!in) return false;
    std::FILE* out = std::fopen(to, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    std::vector<char> block(1000);
    bool ok = true;
    size_t n;
    while (ok && (n = std::fread(block.data(), 1, block.size(), in)) > 0)
        ok = std::fwrite(block.data(), 1, n, out) == n;
    ok = ok && !std::ferror(in);
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    return ok;
}

bool UrlRecord::SaveToFile(const char* path) {
    UrlRecord* r = ChainEnd();
    if (path == nullptr || r->GetLoadStatusHere() == kLoadLoading) return false;
    if (r->scheme_ == kSchemeNews || r->scheme_ == kSchemeSnews) {
        int kind = r->GetContentKind();
        if (kind == kKindNewsServers || kind == kKindNewsGroup) return false;
    }
    if (r->GetStorage() == kStoredInMemory && !r->StoreInCacheFile()) return false;
    r->CloseOpenFile();
    std::string local = r->GetLocalFilePath();
    return !local.empty() && CopyFileData(local.c_str(), path);
}

bool UrlRecord::KeepAsFile(const char* path) {
    if (path == nullptr) return false;
    if (GetStorage() == kStoredInMemory && !StoreInCacheFile()) return false;
    std::string old = GetLocalFilePath();
    CloseOpenFile();
    if (!old.empty()) {
        // The old file goes only once its copy is safely in place.
        if (!CopyFileData(old.c_str(), path)) return false;
        if (!(flags_ & kFlagKeepFile) && (scheme_ != kSchemeFile || (flags_ & kFlagTempCopy)))
            std::remove(old.c_str());
    }
    if (UrlRegistry* registry = UrlRegistry::Instance())
        (void)registry->RemoveFromCacheLists(UrlHandle(this, nullptr), true);
    SetCacheRelation(kListNever);
    flags_ |= kFlagKeepFile;
    fileName_ = path;
    if (GetLoadStatusHere() != kLoadLoading) Reset();
    return true;
}

bool UrlRecord::DecodeCompressedFile() {
    CloseOpenFile();
    UrlRegistry* registry = UrlRegistry::Instance();
    if (registry == nullptr) return false;
    std::FILE* in = OpenLocalFile("rb");
    if (in == nullptr) return false;
    std::string path = registry->NewCacheFileName(CacheFileExtension().c_str());
    std::FILE* out = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    bool ok = false;
    if (out != nullptr) {
        LzwDecoder decoder;
        ok = decoder.Decode(in, out);
        if (std::fclose(out) != 0) ok = false;
    }
    std::fclose(in);
    if (!ok) {
        if (!path.empty()) std::remove(path.c_str());
        return false;
    }
    DeleteCacheFile();
    fileName_ = BaseName(path);
    SetEncoding(0);
    struct stat st;
    if (stat(path.c_str(), &st) == 0) bytesLoaded_ = contentLength_ = static_cast<int32_t>(st.st_size);
    return true;
}

int32_t UrlRecord::ReadLocalData(int32_t offset, int32_t length, char* out) {
    if (offset < 0 || length <= 0) return 0;
    if (GetStorage() == kStoredInMemory) {
        if (!block_ || offset >= bytesLoaded_) return 0;
        int32_t n = bytesLoaded_ - offset < length ? bytesLoaded_ - offset : length;
        std::memcpy(out, block_.get() + offset, static_cast<size_t>(n));
        return n;
    }
    if (GetStorage() != kStoredInFile) return 0;
    int32_t inFile = bytesLoaded_ - kept_;
    int32_t done = 0;
    if (offset < inFile) {
        if (openFile_) std::fflush(openFile_);
        std::FILE* f = OpenLocalFile("rb");
        if (f) {
            int32_t want = inFile - offset < length ? inFile - offset : length;
            if (std::fseek(f, offset, SEEK_SET) == 0)
                done = static_cast<int32_t>(std::fread(out, 1, static_cast<size_t>(want), f));
            std::fclose(f);
        }
        if (done < inFile - offset && done < length) return done;
    }
    int32_t fromKept = offset + done - inFile;
    if (block_ && fromKept >= 0 && fromKept < kept_) {
        int32_t n = kept_ - fromKept < length - done ? kept_ - fromKept : length - done;
        std::memcpy(out + done, block_.get() + fromKept, static_cast<size_t>(n));
        done += n;
    }
    return done;
}

int UrlRecord::KindFromContentType(const char* type, const char* name, const char* extension) {
    std::string ext = extension ? std::string(extension) : ExtensionOfName(name);
    std::string t = type ? type : "";
    bool trust = GetUrlSettings().trustServerTypes;
    bool weak = t.empty() || (!trust && (t == "text/plain" || t == "application/octet-stream"));
    if (weak) {
        const KnownContentType* byExt = FindContentTypeByExtension(ext);
        if (!byExt) {
            // A type given by a trusted server stands; otherwise the data decides.
            if (t.empty() || !trust) return kKindNotYetKnown;
        } else {
            t = byExt->type;
        }
    }
    if (const KnownContentType* byType = FindContentTypeByType(t.c_str())) return byType->kind;
    return t == "*/*" ? kKindNotYetKnown : kKindUnknownType;
}

void UrlRecord::SetContentType(const char* type) {
    UrlRecord* r = ChainEnd();
    contentType_ = type ? type : "";
    r->SetContentKindHere(type ? r->KindFromContentType(type, r->GetName(), nullptr) : kKindNotYetKnown);
}

void UrlRecord::GuessKindFromExtension() {
    UrlRecord* r = ChainEnd();
    const char* source = r->fileName_.empty() ? r->GetName() : r->fileName_.c_str();
    std::string ext = ExtensionOfName(source);
    r->SetContentKindHere(ext.empty() ? kKindNotYetKnown
                                      : r->KindFromContentType(nullptr, nullptr, ext.c_str()));
}
