#include "net/UrlRegistry.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

#include "core/RecordFile.h"
#include "core/StringHelpers.h"
#include "net/SniffContent.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

UrlRegistry* g_registry = nullptr;
int g_liveRegistries = 0;

// Longest string an index entry may hold; longer ones mark a damaged or
// hostile index and the entry is refused.
constexpr size_t kIndexStringBuffer = 32767;
// Longest URL read back from the visited links.
constexpr size_t kVisitedUrlBuffer = 2048;
// Attempts at a new cache file name before giving up: a folder that refuses
// every write must not keep us looping.
constexpr int kMaxCacheNameAttempts = 512;

bool IsBase36Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

int CreateExclusive(const char* path) {
#ifdef _WIN32
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return open(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
#endif
}

void CloseFd(int fd) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
}

std::string WithSeparator(std::string path) {
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path.push_back(kPathSeparator);
    return path;
}

bool ReadIndexString(FILE* file, std::vector<char>& buffer, std::string& out, bool& refused) {
    int n = ReadRecordString(buffer.data(), buffer.size(), file);
    if (n == kRecordStringTooLong) {
        refused = true;
        out.clear();
        return true;
    }
    out.assign(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
    return n >= 0;
}

}  // namespace

// ---------------------------------------------------------------- UrlTable

UrlRecord* UrlTable::FindRecord(const char* name) const {
    return static_cast<UrlRecord*>(Find(name));
}

UrlRecord* UrlTable::FindOrCreate(const char* name, bool create) {
    UrlRecord* r = FindRecord(name);
    if (r || !create) return r;
    r = new UrlRecord(name, true);
    if (r->Key() == nullptr) {  // a name that does not resolve cannot be filed
        delete r;
        return nullptr;
    }
    Add(r);
    return r;
}

std::vector<UrlRecord*> UrlTable::Records() {
    std::vector<UrlRecord*> out;
    for (ListNode* n = IterFirst(); n; n = IterNext()) out.push_back(static_cast<UrlRecord*>(n));
    return out;
}

// ------------------------------------------------------------- UrlRegistry

void (*UrlRegistry::cardTeardown_)(UrlRegistry&) = nullptr;

UrlRegistry* UrlRegistry::Instance() {
    return g_registry;
}

UrlRegistry::UrlRegistry(const UrlSettings& settings) {
    if (++g_liveRegistries > 1) std::exit(-1);  // one owner of all records
    general_ = std::make_unique<UrlTable>(4096);
    cache_ = std::make_unique<UrlTable>(1024);
    temporary_ = std::make_unique<UrlTable>(64);
    cacheDocs_ = settings.cacheDocs;
    cacheFigs_ = settings.cacheFigs;
    cacheOther_ = settings.cacheOther;
    if (settings.cacheDirectory.empty() ||
        SetCacheDirectory(settings.cacheDirectory.c_str(), true) == kCacheDirFailed) {
        std::error_code ec;
        fs::path tmp = fs::temp_directory_path(ec);
        if (!ec) cacheDirectory_ = WithSeparator(tmp.string());
    }
    SetUrlCacheDirectory(cacheDirectory_.c_str());
    uint32_t kb = settings.diskCacheSizeKb > 999999 ? 999999 : settings.diskCacheSizeKb;
    cacheLimit_ = static_cast<int32_t>(kb * 1024);
    g_registry = this;
    cookies_ = std::make_unique<CookieStore>(settings.profileDirectory);
    SetCookieStore(cookies_.get());
    ReadCacheIndex();
    EnforceCacheLimit();
    ReadVisitedLinks();
    if (settings.lastRunUnclean) DeleteStrayCacheFiles();
}

UrlRegistry::~UrlRegistry() {
    bool preserved = WriteCacheIndexAndLinks();
    (void)cookies_->Save();
    SetCookieStore(nullptr);
    // Redirect targets are dropped first so that records pointing at each
    // other do not keep each other alive.
    for (UrlTable* t : {general_.get(), cache_.get(), temporary_.get()}) {
        for (UrlRecord* r : t->Records()) r->ReleaseRedirectAndContent();
    }
    for (UrlTable* t : {general_.get(), cache_.get(), temporary_.get()}) {
        for (UrlRecord* r : t->Records()) {
            t->Remove(r);
            ReleaseRecord(r);
        }
    }
    if (!preserved) DeleteStrayCacheFiles();
    decryptContexts_.Clear();
    if (cardTeardown_) cardTeardown_(*this);
    g_registry = nullptr;
    --g_liveRegistries;
}

void UrlRegistry::ReleaseRecord(UrlRecord* record) {
    if (record->ReleaseRef() < 1) delete record;
}

UrlHandle UrlRegistry::Find(const UrlHandle* base, const char* name, const char* fragment, bool isPrivate) {
    if (name == nullptr) return UrlHandle();
    char resolved[kUrlScratchSize];
    int scheme = kSchemeUnknown;
    UrlBase b;
    const UrlBase* bp = nullptr;
    if (base && !base->IsEmpty() && base->GetName()) {
        b = UrlBase{base->GetName(), base->Record()->GetScheme()};
        bp = &b;
    }
    ResolveOptions options;
    options.absoluteFtpPath = GetUrlSettings().absoluteFtpPath;
    if (!ResolveUrlInto(bp, name, options, resolved, sizeof resolved, scheme) || resolved[0] == 0)
        return UrlHandle();
    UrlRecord* r = nullptr;
    if (!isPrivate) {
        r = cache_->FindRecord(resolved);
        if (!r) r = general_->FindRecord(resolved);
        if (!r) r = temporary_->FindRecord(resolved);
    }
    if (!r) {
        r = new UrlRecord(resolved, true);
        if (r->Key() == nullptr) {
            delete r;
            return UrlHandle();
        }
        if (isPrivate) r->SetPrivate(true);
        general_->Add(r);
    }
    return UrlHandle(r, fragment);
}

UrlHandle UrlRegistry::FindWithFragment(const char* name) {
    if (name == nullptr) return UrlHandle();
    const char* hash = std::strchr(name, '#');
    if (hash && static_cast<size_t>(hash - name) < kUrlScratchSize) {
        std::string before(name, hash);
        return Find(nullptr, before.c_str(), hash + 1, false);
    }
    return Find(nullptr, name, nullptr, false);
}

UrlHandle UrlRegistry::NewInternalUrl() {
    char name[32];
    std::snprintf(name, sizeof name, "zintu:%lu", static_cast<unsigned long>(internalCounter_++));
    return FindWithFragment(name);
}

UrlTable* UrlRegistry::TableOf(int relation) {
    switch (relation) {
        case kListGeneral:
            return general_.get();
        case kListCache:
            return cache_.get();
        case kListTemporary:
            return temporary_.get();
        default:
            return nullptr;
    }
}

void UrlRegistry::AddToCacheList(UrlRecord* record) {
    cache_->Add(record);
    record->SetCacheRelation(kListCache);
}

void UrlRegistry::AddToTemporaryList(UrlRecord* record) {
    temporary_->Add(record);
    record->SetCacheRelation(kListTemporary);
}

void UrlRegistry::MoveToCacheList(const UrlHandle& handle) {
    if (handle.IsEmpty()) return;
    UrlRecord* r = handle.Record();
    int relation = r->GetCacheRelation();
    if (relation == kListNever) return;
    if (relation == kListCache) {
        r->SetCacheRelation(kListCache);
        return;
    }
    TableOf(relation)->Remove(r);
    AddToCacheList(r);
}

void UrlRegistry::MoveToTemporaryList(const UrlHandle& handle) {
    if (handle.IsEmpty()) return;
    UrlRecord* r = handle.Record();
    int relation = r->GetCacheRelation();
    if (relation == kListNever) return;
    if (relation == kListTemporary) {
        r->SetCacheRelation(kListTemporary);
        return;
    }
    TableOf(relation)->Remove(r);
    AddToTemporaryList(r);
}

bool UrlRegistry::RemoveFromCacheLists(const UrlHandle& handle, bool toGeneral) {
    if (handle.IsEmpty()) return false;
    UrlRecord* r = handle.Record();
    int relation = r->GetCacheRelation();
    if (relation == kListNever) return false;
    r->SetCacheRelation(kListGeneral);
    if (relation != kListCache && relation != kListTemporary) return false;
    TableOf(relation)->Remove(r);
    if (toGeneral) general_->Add(r);
    return true;
}

void UrlRegistry::ReleaseUnusedData() {
    for (UrlTable* t : {general_.get(), cache_.get(), temporary_.get()}) {
        for (UrlRecord* r : t->Records()) r->ReleaseUnusedData();
    }
}

const char* UrlRegistry::CacheFilePath(const char* name) {
    pathBuffer_ = cacheDirectory_;
    if (name) pathBuffer_ += name;
    return pathBuffer_.c_str();
}

void UrlRegistry::IncrementBase36Name(char* counter) {
    for (int i = 4; i >= 0; --i) {
        char& c = counter[i];
        if (c == '9') {
            c = 'A';
            return;
        }
        if (c != 'Z') {
            ++c;
            return;
        }
        c = '0';  // carry into the character to the left
    }
}

bool UrlRegistry::IsCacheFileName(const char* name) {
    if (name == nullptr || std::strncmp(name, "znt", 3) != 0) return false;
    for (int i = 3; i < 8; ++i) {
        if (!IsBase36Char(name[i])) return false;
    }
    if (name[8] != '.') return false;
    size_t n = 0;
    for (const char* p = name + 9; *p; ++p, ++n) {
        if (!std::isalnum(static_cast<unsigned char>(*p))) return false;
    }
    return n >= 1 && n <= 10;
}

std::string UrlRegistry::NewCacheFileName(const char* extension) {
    // Only letters and digits reach the file name: an extension taken from a
    // URL must not add a path or a device name.
    std::string ext = "tmp";
    if (extension && *extension) {
        ext.clear();
        for (const char* p = extension; *p && ext.size() < 10; ++p) {
            if (std::isalnum(static_cast<unsigned char>(*p))) ext.push_back(*p);
        }
        if (ext.empty()) ext = "tmp";
    }
    for (int attempt = 0; attempt < kMaxCacheNameAttempts; ++attempt) {
        std::string name(nextName_, 8);
        IncrementBase36Name(nextName_ + 3);
        std::string path = cacheDirectory_ + name + "." + ext;
        int fd = CreateExclusive(path.c_str());
        if (fd >= 0) {
            CloseFd(fd);
            return path;
        }
        if (errno != EEXIST && errno != EACCES) break;
    }
    return std::string();
}

void UrlRegistry::AddCacheBytes(int32_t n) {
    if (kCacheTotalMax - cacheTotal_ > n) cacheTotal_ += n;
    EnforceCacheLimit();
}

void UrlRegistry::AddTemporaryBytes(int32_t n) {
    if (kCacheTotalMax - temporaryTotal_ > n) temporaryTotal_ += n;
    SweepTemporaryList();
}

void UrlRegistry::SetCacheSizeLimit(int32_t bytes) {
    cacheLimit_ = bytes;
    EnforceCacheLimit();
}

bool UrlRegistry::IsKindCached(int kind) const {
    if (kind == kKindHtml || kind == kKindNewsGroup || kind == kKindNewsArticle) return cacheDocs_;
    if (kind >= kKindGif && kind <= kKindCpr) return cacheFigs_;
    return cacheOther_;
}

void UrlRegistry::DropToGeneral(UrlRecord* r, bool deleteFile) {
    if (deleteFile && r->GetStorage() == kStoredInFile) r->DeleteCacheFile();
    int relation = r->GetCacheRelation();
    if (UrlTable* t = TableOf(relation); t && relation != kListGeneral) t->Remove(r);
    if (relation != kListGeneral) general_->Add(r);
    r->SetCacheRelation(kListGeneral);
}

void UrlRegistry::SweepTemporaryList() {
    temporaryTotal_ = 0;
    for (UrlRecord* r : temporary_->Records()) {
        bool loading = r->GetLoadStatusHere() == kLoadLoading;
        if (loading) continue;
        if (r->GetInUse() != 0) {
            if (kCacheTotalMax - temporaryTotal_ > r->GetLoadedBytes())
                temporaryTotal_ += r->GetLoadedBytes();
        } else {
            if (r->GetFileName(false)) r->DeleteCacheFile();
            DropToGeneral(r, false);
        }
    }
}

void UrlRegistry::EnforceCacheLimit() {
    SweepTemporaryList();
    while (cacheTotal_ > cacheLimit_) {
        UrlRecord* candidate = nullptr;
        for (UrlRecord* r : cache_->Records()) {
            if (r->GetInUse() != 0 || r->GetLoadStatusHere() == kLoadLoading) continue;
            if (candidate && r->GetLastUse() >= candidate->GetLastUse()) continue;
            if (!IsKindCached(r->GetContentKind())) {
                int32_t bytes = r->GetLoadedBytes();
                DropToGeneral(r, true);
                cacheTotal_ = cacheTotal_ > bytes ? cacheTotal_ - bytes : 0;
                if (cacheTotal_ <= cacheLimit_) return;
                continue;
            }
            if (r->GetStorage() == kStoredInFile) candidate = r;
        }
        if (!candidate) return;
        int32_t bytes = candidate->GetLoadedBytes();
        cacheTotal_ = cacheTotal_ > bytes ? cacheTotal_ - bytes : 0;
        candidate->Reset();
        DropToGeneral(candidate, false);
    }
}

void UrlRegistry::RecountCache(bool reclassify) {
    cacheTotal_ = 0;
    for (UrlRecord* r : cache_->Records()) {
        bool loading = r->GetLoadStatusHere() == kLoadLoading;
        if (!reclassify && r->GetInUse() == 0 && !loading) {
            DropToGeneral(r, true);
            continue;
        }
        if (reclassify && !IsKindCached(r->GetContentKind())) {
            cache_->Remove(r);
            AddToTemporaryList(r);
            continue;
        }
        if (!loading && kCacheTotalMax - cacheTotal_ > r->GetLoadedBytes())
            cacheTotal_ += r->GetLoadedBytes();
    }
    SweepTemporaryList();
}

int UrlRegistry::SetCacheDirectory(const char* path, bool force) {
    if (path == nullptr || *path == 0 || std::strlen(path) + 5 > 4096) return kCacheDirFailed;
    std::string dir = WithSeparator(path);
    if (!cacheDirectory_.empty() && EqualsNoCase(cacheDirectory_, dir)) return kCacheDirSet;
    std::string bare = dir.substr(0, dir.size() - 1);
    std::error_code ec;
    int result = kCacheDirSet;
    if (!fs::is_directory(bare, ec)) {
        // Make the missing folders; on failure remove what was made, from
        // the highest folder that did not exist.
        fs::path highestMissing;
        for (fs::path p(bare); !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
            highestMissing = p;
            if (p == p.parent_path()) break;
        }
        fs::create_directories(bare, ec);
        if (!fs::is_directory(bare, ec)) {
            if (!highestMissing.empty()) fs::remove_all(highestMissing, ec);
            return kCacheDirFailed;
        }
        result = kCacheDirCreated;
    } else if (!force && !fs::is_empty(bare, ec)) {
        return kCacheDirNotEmpty;
    }
    cacheDirectory_ = dir;
    SetUrlCacheDirectory(cacheDirectory_.c_str());
    return result;
}

void UrlRegistry::DeleteStrayCacheFiles() {
    if (cacheDirectory_.empty()) return;
    std::error_code ec;
    std::vector<std::string> named;
    for (UrlRecord* r : cache_->Records()) {
        if (const char* f = r->GetFileName(false)) named.emplace_back(f);
    }
    for (fs::directory_iterator it(cacheDirectory_, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.compare(0, 3, "znt") != 0 || name.find('.') == std::string::npos) continue;
        if (!it->is_regular_file(ec)) continue;
        bool keep = false;
        for (const std::string& n : named) keep = keep || EqualsNoCase(n, name);
        if (!keep) fs::remove(it->path(), ec);
    }
}

// ------------------------------------------------------------ index files

void UrlRegistry::ReadCacheIndex() {
    if (cacheDirectory_.empty() || cacheDirectory_.size() + 10 >= 4097) return;
    std::string path = cacheDirectory_ + "dcache.url";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    uint16_t version = ReadRecordU16(f);
    if (version < kOldestCacheIndexVersion || version > kCacheIndexVersion) {
        std::fclose(f);
        DeleteStrayCacheFiles();
        return;
    }
    std::vector<char> buffer(kIndexStringBuffer);
    std::vector<char> bodyBuffer(kIndexStringBuffer);
    bool sound = false;
    while (!std::feof(f) && !std::ferror(f)) {
        CacheIndexEntry e;
        bool refused = false;
        if (!ReadIndexString(f, buffer, e.name, refused)) break;
        if (e.name.empty() && !refused) {
            // End of entries: the name counter, then a closing zero.
            std::string counter;
            bool bad = false;
            if (ReadIndexString(f, buffer, counter, bad) && !bad && counter.size() == 5) {
                bool ok = true;
                for (char c : counter) ok = ok && IsBase36Char(c);
                if (ok) {
                    std::memcpy(nextName_ + 3, counter.data(), 5);
                    IncrementBase36Name(nextName_ + 3);
                    // Nothing may follow the counter.
                    sound = std::fgetc(f) == EOF && std::feof(f) && !std::ferror(f);
                }
            }
            break;
        }
        ReadIndexString(f, buffer, e.location, refused);
        ReadIndexString(f, buffer, e.fileName, refused);
        ReadIndexString(f, buffer, e.date, refused);
        ReadIndexString(f, buffer, e.contentType, refused);
        ReadIndexString(f, buffer, e.refreshUrl, refused);
        e.refreshDelay = ReadRecordU16(f);
        e.loadTime = ReadRecordU32(f);
        e.lastUse = ReadRecordU32(f);
        e.expires = ReadRecordU32(f);
        e.useCount = ReadRecordU16(f);
        e.contentLength = ReadRecordU32(f);
        e.bytesLoaded = ReadRecordU32(f);
        e.loadStatus = ReadRecordByte(f);
        e.contentKind = ReadRecordByte(f);
        bool bodyRefused = false;
        ReadIndexString(f, bodyBuffer, e.postBody, bodyRefused);
        if (std::feof(f)) break;  // a truncated entry is not taken
        if (version == kOldestCacheIndexVersion) {
            size_t slash = e.fileName.find_last_of("\\/");
            if (slash != std::string::npos) e.fileName.erase(0, slash + 1);
        }
        if (refused || e.name.empty()) continue;
        if (!e.fileName.empty() && !IsCacheFileName(e.fileName.c_str())) continue;
        if (e.contentKind > 31 || (int32_t)e.bytesLoaded < 0 || (int32_t)e.contentLength < 0) continue;
        auto* r = new UrlRecord(e);
        if (r->Key() == nullptr || cache_->FindRecord(r->Key())) {
            r->SetKeepFile(true);  // a duplicate's file belongs to the first entry
            delete r;
            continue;
        }
        if (!e.postBody.empty() && !bodyRefused) {
            if (HttpPart* http = r->MakeHttpPart()) {
                http->method = kMethodPost;
                http->body = e.postBody;
            }
        }
        AddToCacheList(r);
        if (kCacheTotalMax - cacheTotal_ > r->GetLoadedBytes()) cacheTotal_ += r->GetLoadedBytes();
        EnforceCacheLimit();
    }
    std::fclose(f);
    if (!sound) {
        DeleteStrayCacheFiles();
        RecountCache(false);
    }
}

std::vector<UrlRecord*> UrlRegistry::CollectForIndex() {
    std::vector<UrlRecord*> picked;
    int64_t taken = 0;
    std::vector<UrlRecord*> pool;
    for (UrlRecord* r : cache_->Records()) {
        if (r->GetScheme() == kSchemeHttp && IsKindCached(r->GetContentKind())) pool.push_back(r);
    }
    while (!pool.empty() && taken < cacheLimit_) {
        size_t best = 0;
        for (size_t i = 1; i < pool.size(); ++i) {
            if (pool[i]->GetLastUse() < pool[best]->GetLastUse()) best = i;
        }
        taken += pool[best]->GetLoadedBytes();
        picked.push_back(pool[best]);
        pool.erase(pool.begin() + static_cast<long>(best));
    }
    return picked;
}

namespace {

std::string RedirectLocation(UrlRecord* r) {
    HttpPart* http = r->GetHttpPart();
    if (!http) return std::string();
    if (!http->location.empty()) return http->location;
    if (http->redirectTarget && !http->redirectTarget->IsEmpty() && http->redirectTarget->GetName())
        return http->redirectTarget->GetName();
    return std::string();
}

// Strings that do not fit the reader's buffers are written empty.
const char* Fit(const std::string& s) {
    return s.size() < kIndexStringBuffer ? s.c_str() : "";
}

void WriteEntry(FILE* f, UrlRecord* r, const std::string& location) {
    HttpPart* http = r->GetHttpPart();
    bool ok = WriteRecordString(Fit(r->GetName()), f);
    ok &= WriteRecordString(Fit(location), f);
    ok &= WriteRecordString(r->GetFileName(false) ? r->GetFileName(false) : "", f);
    ok &= WriteRecordString(Fit(http->date), f);
    ok &= WriteRecordString(
        Fit(http->contentType.empty() && r->GetContentType() ? std::string(r->GetContentType())
                                                             : http->contentType),
        f);
    ok &= WriteRecordString(Fit(http->refreshUrl), f);
    WriteRecordU16(http->refreshDelay, f);
    WriteRecordU32(r->GetLoadTime(), f);
    WriteRecordU32(r->GetLastUse(), f);
    WriteRecordU32(http->expires, f);
    WriteRecordU16(static_cast<uint16_t>(r->GetUseCount() > 0xFFFF ? 0xFFFF : r->GetUseCount()), f);
    WriteRecordU32(static_cast<uint32_t>(r->GetContentLength()), f);
    WriteRecordU32(static_cast<uint32_t>(r->GetLoadedBytes()), f);
    WriteRecordByte(static_cast<uint8_t>(r->GetLoadStatusHere()), f);
    WriteRecordByte(static_cast<uint8_t>(r->GetContentKind()), f);
    const char* body = r->GetPostBody();
    ok &= WriteRecordString(body && std::strlen(body) <= 32766 ? body : "", f);
    (void)ok;
}

}  // namespace

bool UrlRegistry::WriteCacheIndexAndLinks() {
    const UrlSettings& s = GetUrlSettings();
    bool preserve = !s.emptyOnExit && s.diskCacheSizeKb != 0 && (cacheDocs_ || cacheFigs_ || cacheOther_);
    FILE* f = nullptr;
    if (!cacheDirectory_.empty() && cacheDirectory_.size() + 10 < 4096) {
        f = std::fopen((cacheDirectory_ + "dcache.url").c_str(), "wb");
    }
    if (!f) preserve = false;
    if (f) WriteRecordU16(kCacheIndexVersion, f);
    std::vector<UrlRecord*> list;
    if (preserve) {
        EnforceCacheLimit();
        list = CollectForIndex();
    }
    // Nothing may be evicted while the index is written.
    cacheLimit_ = kCacheTotalMax;
    for (UrlRecord* r : list) {
        std::string location = RedirectLocation(r);
        bool write = r->GetScheme() == kSchemeHttp && r->GetHttpPart() && !r->IsCardEncrypted() &&
                     r->GetName() && (r->GetLoadedBytes() > 0 || !location.empty()) &&
                     r->GetCacheRelation() == kListCache;
        if (write) {
            r->StoreInCacheFile();
            write = r->GetFileName(false) || !location.empty();
        }
        if (write) {
            r->SetKeepFile(true);  // its file outlives the record
            WriteEntry(f, r, location);
        } else {
            DropToGeneral(r, false);
        }
    }
    WriteVisitedLinks();
    if (f) {
        WriteRecordU16(0, f);
        (void)WriteRecordString(std::string(nextName_ + 3, 5).c_str(), f);
        std::fclose(f);
    }
    return preserve;
}

void UrlRegistry::WriteVisitedLinks() {
    const UrlSettings& s = GetUrlSettings();
    if (s.profileDirectory.empty()) return;
    std::string path = WithSeparator(s.profileDirectory) + "vlink.dat";
    if (path.size() >= 4096) return;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    WriteRecordU16(kVisitedLinksVersion, f);
    uint32_t now = UrlClockNow();
    for (UrlTable* t : {cache_.get(), general_.get(), temporary_.get()}) {
        for (UrlRecord* r : t->Records()) {
            if (r->IsVisited(now, s.linkExpirySeconds) && !r->IsPrivate() && r->GetName() &&
                std::strlen(r->GetName()) < kVisitedUrlBuffer) {
                (void)WriteRecordString(r->GetName(), f);
                WriteRecordU32(r->GetLastUse(), f);
            }
        }
    }
    std::fclose(f);
}

void UrlRegistry::ReadVisitedLinks() {
    const UrlSettings& s = GetUrlSettings();
    if (s.profileDirectory.empty()) return;
    FILE* f = std::fopen((WithSeparator(s.profileDirectory) + "vlink.dat").c_str(), "rb");
    if (!f) return;
    if (ReadRecordU16(f) != kVisitedLinksVersion) {
        std::fclose(f);
        return;
    }
    std::vector<char> buffer(kVisitedUrlBuffer);
    while (!std::feof(f) && !std::ferror(f)) {
        int n = ReadRecordString(buffer.data(), buffer.size(), f);
        uint32_t lastUse = ReadRecordU32(f);
        if (n <= 0 || std::feof(f)) continue;
        UrlRecord* r = general_->FindRecord(buffer.data());
        if (!r) r = cache_->FindRecord(buffer.data());
        if (!r) r = general_->FindOrCreate(buffer.data(), true);
        if (!r) continue;
        r->SetLastUse(lastUse);
        r->SetVisited(true);
    }
    std::fclose(f);
}
