// UrlRegistry: the one global owner of every UrlRecord. Turns names into
// handles (finding or making the record), keeps each record in one of three
// hashed tables, and runs the disk cache on top of them: the cache folder,
// the names of cache files, the byte budget with least-recently-used
// eviction, and the index "dcache.url" that carries the cache from one run to
// the next. It also keeps the visited links ("vlink.dat"), the cookie store
// ("cookies.dat"), the credentials cache and the tree of authentication
// hints.
//
// Created once the settings are known; its destruction writes the index,
// the visited links and the cookies. Every record in a table holds one count of the registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/HashedListTable.h"
#include "core/ListNode.h"
#include "core/MemoryClients.h"
#include "net/CookieStore.h"
#include "net/CredentialsCache.h"
#include "net/UrlHandle.h"

class DecryptContext;
class MessageHandler;
class UrlRecord;
struct UrlSettings;

class UrlTable : public HashedListTable {
public:
    explicit UrlTable(uint32_t buckets) : HashedListTable(buckets) {}
    UrlRecord* FindRecord(const char* name) const;
    // The record of this name, or with create a new one appended.
    UrlRecord* FindOrCreate(const char* name, bool create);
    // Every record, in table order (a snapshot: the walk may change the table).
    std::vector<UrlRecord*> Records();
};

constexpr uint16_t kCacheIndexVersion = 1013;
constexpr uint16_t kOldestCacheIndexVersion = 1012;
constexpr uint16_t kVisitedLinksVersion = 1013;
constexpr int32_t kCacheTotalMax = 2147483647;

// SetCacheDirectory results.
enum CacheDirectoryResult : int {
    kCacheDirSet = 0,
    kCacheDirCreated = 1,
    kCacheDirFailed = 2,
    kCacheDirNotEmpty = 3
};

// The memory manager asks it to release unused data when memory is short.
class UrlRegistry : public UnusedUrlReleaser {
public:
    // Reads the index and the visited links of the folders in settings.
    explicit UrlRegistry(const UrlSettings& settings);
    // Writes the index and the visited links, then releases every record.
    ~UrlRegistry() override;
    UrlRegistry(const UrlRegistry&) = delete;
    UrlRegistry& operator=(const UrlRegistry&) = delete;

    // The live registry, or null.
    static UrlRegistry* Instance();

    // Resolves name against base (null: absolute); finds the record in the
    // cache, general and temporary tables, or makes one in the general table.
    // With isPrivate a new private record is always made.
    UrlHandle Find(const UrlHandle* base, const char* name, const char* fragment, bool isPrivate);
    // Splits at the first '#' into name and fragment, then Find.
    UrlHandle FindWithFragment(const char* name);
    // "zintu:N" with the next internal number.
    UrlHandle NewInternalUrl();

    // The generated pages (the Windows program): each writes its page into
    // the record and finishes the load.
    void MakeCachePage(const UrlHandle& handle);
    void MakeDrivesPage(const UrlHandle& handle);
    void MakePluginsPage(const UrlHandle& handle);
    void MakeAboutPage(const UrlHandle& handle);
    void MakeHistoryPage(const UrlHandle& handle);

    // The card reader (the Windows program, net/CardReader.cpp). Each
    // failure leaves its message id in LastCardError.
    [[nodiscard]] bool LoadCardLibrary();
    [[nodiscard]] bool EnsureCard(uint32_t& card);
    void CloseCard();
    DecryptContext* FindDecryptContext(uint32_t recordId, bool create);
    void CloseDecryptContext(DecryptContext*& context);
    int32_t LastCardError() const { return lastCardError_; }
    void SetLastCardError(int32_t error) { lastCardError_ = error; }
    uint32_t CardHandle() const { return cardHandle_; }

    void AddToCacheList(UrlRecord* record);
    void AddToTemporaryList(UrlRecord* record);
    void MoveToCacheList(const UrlHandle& handle);
    void MoveToTemporaryList(const UrlHandle& handle);
    // Back to list 0; with toGeneral also into the general table. True when
    // the record was in the cache or temporary table.
    bool RemoveFromCacheLists(const UrlHandle& handle, bool toGeneral);
    // A window goes away: it stops waiting for every record (loads go on).
    void ForgetWindow(MessageHandler* window);
    // Memory is short: idle records give up what they can rebuild.
    void ReleaseUnusedData() override;

    // The cache folder followed by name (valid until the next call).
    const char* CacheFilePath(const char* name);
    // Creates a new empty cache file and answers its full path, or an empty
    // string when none could be created (the caller reports it).
    std::string NewCacheFileName(const char* extension);
    void AddCacheBytes(int32_t n);
    void AddTemporaryBytes(int32_t n);
    void SetCacheSizeLimit(int32_t bytes);
    void RecountCache(bool reclassify);
    [[nodiscard]] int SetCacheDirectory(const char* path, bool force);
    void EnforceCacheLimit();
    void SweepTemporaryList();
    void DeleteStrayCacheFiles();
    bool IsKindCached(int kind) const;

    CookieStore& Cookies() { return *cookies_; }
    CredentialsCache& Credentials() { return credentials_; }
    // Which realm answered for a host and path (Authorization.h).
    CookieDomainNode& AuthHints() { return authHints_; }

    const std::string& CacheDirectory() const { return cacheDirectory_; }
    int32_t CacheTotal() const { return cacheTotal_; }
    int32_t TemporaryTotal() const { return temporaryTotal_; }
    int32_t CacheLimit() const { return cacheLimit_; }
    const char* NextFileName() const { return nextName_; }
    UrlTable& GeneralTable() { return *general_; }
    UrlTable& CacheTable() { return *cache_; }
    UrlTable& TemporaryTable() { return *temporary_; }

    // Advances a five-character base-36 counter ("0"-"9", "A"-"Z") by one;
    // a carry out of the first character is dropped.
    static void IncrementBase36Name(char* counter);
    // A cache file name as we make them: "znt", five base-36 characters, '.',
    // and 1 to 10 letters or digits. Anything else (a path, "..") is refused.
    static bool IsCacheFileName(const char* name);

private:
    std::unique_ptr<UrlTable> general_;
    std::unique_ptr<UrlTable> cache_;
    std::unique_ptr<UrlTable> temporary_;
    int32_t cacheLimit_ = 0;
    int32_t cacheTotal_ = 0;
    int32_t temporaryTotal_ = 0;
    bool cacheDocs_ = true;
    bool cacheFigs_ = true;
    bool cacheOther_ = true;
    std::string cacheDirectory_;
    char nextName_[13] = "znt00000.tmp";
    uint32_t internalCounter_ = 0;
    std::string pathBuffer_;
    std::unique_ptr<CookieStore> cookies_;
    CredentialsCache credentials_;
    CookieDomainNode authHints_;
    NodeList decryptContexts_;
    uint32_t cardHandle_ = 0;
    int32_t lastCardError_ = 0;
    // Set once the card library is loaded: closes the card and frees it.
    static void (*cardTeardown_)(UrlRegistry&);

    UrlTable* TableOf(int relation);
    void DropToGeneral(UrlRecord* record, bool deleteFile);
    void ReadCacheIndex();
    // Answers whether the cache was preserved.
    bool WriteCacheIndexAndLinks();
    void ReadVisitedLinks();
    void WriteVisitedLinks();
    std::vector<UrlRecord*> CollectForIndex();
    static void ReleaseRecord(UrlRecord* record);
};
