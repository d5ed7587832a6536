// UrlRecord: the one place where a URL's loading state lives. Made and
// listed by the URL registry (which holds one count), shared through
// UrlHandle (each handle holds one more), deleted by whichever release takes
// the count below 1.
//
// The class is one record with several concerns; its members are defined
// where their concern is:
//   UrlRecord.cpp        the name, scheme, flags and counts, host and port
//   UrlTargets.cpp       the windows waiting for it, load requests, retries
//                        with credentials
//   UrlStartLoad.cpp     starting a load and choosing what produces the bytes
//   UrlStateMachine.cpp  the producer's reports turned into states and notices
//   UrlDelivery.cpp      arriving data: memory block, cache file, page content
//   UrlData.cpp          the data kept: cache files, saving, content kinds
// The reload policy and the request target are free functions over it
// (UrlReloadPolicy.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"
#include "core/MessageCallback.h"
#include "core/MessageTargetList.h"
#include "net/UrlHandle.h"
#include "net/UrlNames.h"
#include "net/UrlSchemeParts.h"

class UrlPageContent;
class UrlImageContent;
class MessageHandler;
struct ListingEntry;
class MessageSource;
class HttpConnection;
struct RequestTarget;

// The disk cache's folder (ending in a path separator), set by the registry;
// the full path of a cache file is this followed by the record's file name.
void SetUrlCacheDirectory(const char* directory);
const std::string& UrlCacheDirectory();

// Load status (bits 0-2 of the status byte).
enum LoadStatus : int {
    kLoadNever = 0,  // never loaded: a new record
    kLoadEmpty = 1,  // not fetched (offline), could not start, stopped or discarded
    kLoadLoaded = 2,
    kLoadLoading = 3,
    kLoadNews = 4,        // owned by the news code
    kLoadFailed = 5,      // an error was reported to the targets
    kLoadDelivering = 7,  // stored data is being delivered from the cache file
};

// Where the data is (storage bits 0-1).
enum StorageKind : int { kStoredNowhere = 0, kStoredInMemory = 1, kStoredInFile = 2 };

// The registry table of a record (storage bits 4-5).
enum CacheRelation : int { kListGeneral = 0, kListCache = 1, kListTemporary = 2, kListNever = 3 };

// Flag bits.
constexpr uint8_t kFlagTempCopy = 0x01;  // our temporary copy of a file: URL's file
constexpr uint8_t kFlagPrivate = 0x02;   // never written to the visited links
constexpr uint8_t kFlagKeepFile = 0x10;  // the file is the user's: never deleted
constexpr uint8_t kFlagForceReload = 0x20;
constexpr uint8_t kFlagReloadStarted = 0x40;
constexpr uint8_t kFlagStaleImage = 0x80;  // also: drop the old content at the next reply

// Status bits besides the load status.
constexpr uint8_t kStatusCardEncrypted = 0x08;
constexpr uint8_t kStatusVisited = 0x40;
constexpr uint8_t kStatusTempFileCopy = 0x80;

// Kind byte bits 0-2.
constexpr uint8_t kKindNotDelivering = 0x01;
constexpr uint8_t kKindInlineLoad = 0x02;
constexpr uint8_t kKindAnnounced = 0x04;

// The string table's "Directory listing of ".
constexpr unsigned kStringListingTitle = 20104;

// Redirect chains are followed at most this far: chains restored from the
// cache index can loop, and a loop must not hang a getter.
constexpr int kMaxRedirectChain = 16;

// The local path that a file: URL names ("//localhost/", "//./" and "///"
// skipped, %XX decoded, '/' to the folder separator, '|' to a drive colon).
std::string LocalPathOfFileUrl(const char* name);

// Copies a file in blocks; a short write fails. The target is replaced; a
// target that is the file itself is left as it is.
[[nodiscard]] bool CopyFileData(const char* from, const char* to);

// Saved fields of one cache index entry (see UrlRegistry).
struct CacheIndexEntry {
    std::string name;
    std::string location;
    std::string fileName;
    std::string date;
    std::string contentType;
    std::string refreshUrl;
    uint16_t refreshDelay = 0xFFFF;
    uint32_t loadTime = 0;
    uint32_t lastUse = 0;
    uint32_t expires = 0;
    uint16_t useCount = 0;
    uint32_t contentLength = 0;
    uint32_t bytesLoaded = 0;
    uint8_t loadStatus = 0;
    uint8_t contentKind = 0;
    std::string postBody;
};

class UrlRecord : public ListNode, public MessageCallback {
public:
    // The shared empty record (count 0, no name).
    UrlRecord();
    // name: resolved against no base when resolve is set (the scheme is the
    // resolution's); copied as given otherwise (scheme 0). Count 1.
    UrlRecord(const char* name, bool resolve);
    // From a disk cache index entry. Count 1.
    explicit UrlRecord(const CacheIndexEntry& entry);
    ~UrlRecord() override;

    const char* Key() const override { return name_.empty() ? nullptr : name_.c_str(); }

    // Counting (handles and the registry).
    void AddRef() { ++refCount_; }
    int32_t ReleaseRef() { return --refCount_; }
    int32_t RefCount() const { return refCount_; }

    // The record at the end of the http/https redirect chain (this record
    // when there is none); bounded, so a loop ends.
    UrlRecord* ChainEnd();
    const UrlRecord* ChainEnd() const { return const_cast<UrlRecord*>(this)->ChainEnd(); }

    uint32_t GetId(bool chain = false) const { return (chain ? ChainEnd() : this)->id_; }
    // Null when there is no name.
    const char* GetName(bool chain = false) const;
    int GetScheme() const {
        return scheme_ == 0xFE ? static_cast<int>(kSchemeUnknown) : static_cast<int>(scheme_);
    }
    int GetLoadStatus(bool chain = false);
    int GetContentKind() const { return ChainEnd()->kind_ >> 3; }
    void SetContentKind(int kind) { ChainEnd()->SetContentKindHere(kind); }
    void SetContentKindHere(int kind) { kind_ = static_cast<uint8_t>((kind_ & 7) | ((kind & 31) << 3)); }
    int32_t GetContentLength() const { return ChainEnd()->contentLength_; }
    int32_t GetLoadedBytes() const { return ChainEnd()->bytesLoaded_; }
    const char* GetFileName(bool chain = true) const;
    uint32_t GetExpires() const;
    // The reply's Refresh: the address as the server wrote it (empty: the
    // record's own) and the delay in seconds, -1 when the reply had none.
    std::string GetRefreshUrl() const;
    int GetRefreshDelay() const;
    // The reply's status code (0 before a reply) and Location text, of the
    // end of the redirect chain.
    int GetHttpStatus() const;
    std::string GetLocation() const;
    // The record a redirect sent this one to: the next one, or with deep the
    // last of the chain; the empty handle when it was not redirected.
    UrlHandle GetRedirectTarget(bool deep) const;

    // What the next request sends (http and https only; others ignore it).
    // pending: the body has not been sent yet; a POST whose body was sent
    // is not sent again without being given anew.
    void SetHttpMethod(uint16_t method);
    void SetPostData(const char* body, bool pending);                          // drops an upload source
    void SetUploadObject(std::unique_ptr<UploadSource> upload, bool pending);  // drops the body text
    void SetPostContentType(const char* type);
    // The mail a mailto record sends when it is loaded (a form posted by
    // mail); other records ignore it. The message, when set, replaces the
    // body and brings its own content headers.
    MailPart* GetMailPart(bool make);
    void SetMailFrom(const char* text);
    void SetMailTo(const char* text);
    void SetMailCc(const char* text);
    void SetMailBcc(const char* text);
    void SetMailSubject(const char* text);
    void SetMailBody(const char* body, const char* contentType);
    void SetMailMessage(std::unique_ptr<UploadSource> message);
    // True for a mailto record that holds a mail to send.
    bool CarriesMail() const;
    // Set by a form's submission, until the window that opens the answer
    // has let it go (it may ask the user first) or a request goes out.
    void SetFormPending(bool on) { formPending_ = on; }
    bool IsFormPending() const { return formPending_; }
    uint32_t GetModifiedTime() const;
    HttpPart* GetHttpPart() const;
    bool IsImage() const;
    bool IsPrivate() const { return (flags_ & kFlagPrivate) != 0; }

    // Use and visits.
    void Touch(uint32_t now, bool markVisited = true);
    bool IsVisited(uint32_t now, uint32_t linkExpiry);
    void SetVisited(bool on) { SetBit(status_, kStatusVisited, on); }
    uint32_t GetLastUse() const { return lastUse_; }
    void SetLastUse(uint32_t t) { lastUse_ = t; }
    uint32_t GetUseCount() const { return useCount_; }
    uint32_t GetLoadTime() const { return loadTime_; }
    void SetLoadTime(uint32_t t) { loadTime_ = t; }

    // Documents and images showing the data.
    void AddUser(int n = 1);
    void RemoveUser(int n = 1, bool chain = false);
    int32_t GetInUse() const { return inUse_; }

    // Byte fields (value masked to the field, other bits kept).
    void SetScheme(int scheme) { scheme_ = static_cast<uint8_t>(scheme); }
    int GetStorage() const { return storage_ & 3; }
    void SetStorage(int v) { storage_ = static_cast<uint8_t>((storage_ & ~3) | (v & 3)); }
    int GetEncoding() const { return (storage_ >> 2) & 3; }
    void SetEncoding(int v) { storage_ = static_cast<uint8_t>((storage_ & ~0x0C) | ((v & 3) << 2)); }
    int GetCacheRelation() const { return (storage_ >> 4) & 3; }
    void SetCacheRelation(int v) { storage_ = static_cast<uint8_t>((storage_ & ~0x30) | ((v & 3) << 4)); }
    int GetLoadStatusHere() const { return status_ & 7; }
    void SetLoadStatus(int v) { status_ = static_cast<uint8_t>((status_ & ~7) | (v & 7)); }
    int GetPageMark() const { return (status_ >> 4) & 3; }
    void SetPageMark(int v) { status_ = static_cast<uint8_t>((status_ & ~0x30) | ((v & 3) << 4)); }
    bool IsCardEncrypted() const { return (status_ & kStatusCardEncrypted) != 0; }
    void SetCardEncrypted(bool on) { SetBit(status_, kStatusCardEncrypted, on); }
    bool IsTempFileCopy() const { return (status_ & kStatusTempFileCopy) != 0; }
    void SetTempFileCopy(bool on) { SetBit(status_, kStatusTempFileCopy, on); }
    void SetDelivered(bool on) { SetBit(kind_, kKindNotDelivering, on); }
    bool IsInlineLoad() const { return (kind_ & kKindInlineLoad) != 0; }
    void SetInlineLoad(bool on) { SetBit(kind_, kKindInlineLoad, on); }
    bool IsKindAnnounced() const { return (kind_ & kKindAnnounced) != 0; }
    void SetKindAnnounced(bool on) { SetBit(kind_, kKindAnnounced, on); }
    uint8_t GetFlags() const { return flags_; }
    void SetStaleImage(bool on) { SetBit(flags_, kFlagStaleImage, on); }
    void SetReloadStarted(bool on) { SetBit(flags_, kFlagReloadStarted, on); }
    void SetTempCopy(bool on) { SetBit(flags_, kFlagTempCopy, on); }
    void SetForceReload(bool on) { SetBit(flags_, kFlagForceReload, on); }
    void SetKeepFile(bool on) { SetBit(flags_, kFlagKeepFile, on); }
    void SetPrivate(bool on) { SetBit(flags_, kFlagPrivate, on); }
    uint8_t GetSecurityLevel() const { return securityLevel_; }
    void SetSecurityLevel(uint8_t level) { securityLevel_ = level; }

    // Origin of javascript: and internal records.
    UrlHandle GetOriginUrl() const;
    void SetOrigin(const UrlHandle& origin);

    // The kind-specific part (made on demand by the Make calls).
    SchemePart* GetSchemePart() const { return schemePart_.get(); }
    HttpPart* MakeHttpPart();
    void SetSchemePart(std::unique_ptr<SchemePart> part) { schemePart_ = std::move(part); }
    // Turns a Location kept from the cache index into the redirect target.
    void ResolveRedirect();
    // The redirect target of an http/https record, or null.
    UrlRecord* GetRedirectRecord() const;

    // Content type: the HTTP part's, else the stored one; null when unknown.
    const char* GetContentType() const;
    void SetStoredContentType(const char* type) { contentType_ = type ? type : ""; }

    const char* GetChallenge() const { return challenge_.empty() ? nullptr : challenge_.c_str(); }
    void SetChallenge(const char* text) { challenge_ = text ? text : ""; }
    // The realm of a "Basic realm=..." challenge, or empty.
    std::string GetBasicRealm() const;

    // The POST body of an http record's request, or null.
    const char* GetPostBody() const;

    // Host parsers on the record's name.
    [[nodiscard]] bool GetHost(char* buf, size_t size, bool withPort) const;
    [[nodiscard]] bool GetHostAndPort(size_t maxHost, HostAndPort& out) const;

    // Deletes the record's cache file (see the .cpp) and frees the name.
    void DeleteCacheFile();
    // The full path of the local file: cache files sit in the registry's
    // directory, file: URLs and kept files carry their own.
    std::string GetLocalFilePath(bool chain = false) const;
    void SetFileName(const char* name) { fileName_ = name ? name : ""; }
    const std::string& FileNameRef() const { return fileName_; }
    std::string& PreviousFileName() { return previousFileName_; }

    void SetContentLength(int32_t n) { contentLength_ = n; }
    void SetLoadedBytes(int32_t n) { bytesLoaded_ = n; }
    void SetUseCount(uint32_t n) { useCount_ = n; }

    UrlPageContent* GetPageContent() const { return pageContent_.get(); }
    void SetPageContent(std::unique_ptr<UrlPageContent> content);
    // The decoded image of a loaded or loading image URL (follows the
    // redirect chain): made on demand, and fed from the stored data when
    // the load is over and no image holds it (never made, trimmed since,
    // or stale after a reload). Null for kinds no decoder reads.
    UrlImageContent* GetImageContent();
    // The image the data goes into, when one was made.
    UrlImageContent* ImageContentHere() const { return imageContent_.get(); }
    void ReleaseContent();
    // http/https: drops the redirect target, then the content.
    void ReleaseRedirectAndContent();

    // ---- Data (UrlData.cpp). The block holds the whole content while it is
    // small (memory storage); in file storage only the bytes not yet taken by
    // a consumer (kept) and those not yet written to the file (new).
    static constexpr int32_t kMaxBlock = 32766;
    // Largest read of one step into a cache file.
    static constexpr int32_t kMaxTransfer = 1 << 20;
    // Makes or grows the block (wanted 0: grow when the kept bytes fill more
    // than half of it) and answers it; null when no memory could be had.
    char* LockBuffer(int32_t wanted);
    void UnlockBuffer();
    bool IsBufferLocked() const { return lockCount_ > 0; }
    int32_t GetBufferCapacity() const { return capacity_; }
    void FreeBuffer();
    char* Buffer() const { return block_.get(); }
    int32_t KeptBytes() const { return kept_; }
    int32_t NewBytes() const { return newBytes_; }
    void SetKeptBytes(int32_t n) { kept_ = n; }
    void SetNewBytes(int32_t n) { newBytes_ = n; }
    // Appends without delivery; true when the bytes went to the file.
    bool AppendRaw(const char* bytes, int32_t length);
    // Gives the record a new cache file (name only, in the cache folder);
    // false when none could be made.
    [[nodiscard]] bool MakeCacheFileName();
    // The extension for a new cache file: letters and digits only.
    std::string CacheFileExtension() const;
    // Appends count bytes to the local file; false when it cannot be written.
    [[nodiscard]] bool AppendToFile(const char* bytes, int32_t count);
    std::FILE* OpenLocalFile(const char* mode) const;
    void CloseOpenFile();
    // Closes the file and gives it up: deleted when it is ours, else only
    // its name is dropped.
    void ReleaseLocalFile();
    std::FILE*& OpenFileRef() { return openFile_; }
    int GetStatusCheckingFile(bool chain = false);
    void Reset();
    // Writes memory data to a cache file; true when the data is in a file.
    bool StoreInCacheFile();
    [[nodiscard]] bool SaveToFile(const char* path);
    [[nodiscard]] bool KeepAsFile(const char* path);
    // Copies up to length bytes from offset; answers the count.
    int32_t ReadLocalData(int32_t offset, int32_t length, char* out);
    // Content kind of a type and a name (or extension); see UrlData.cpp.
    int KindFromContentType(const char* type, const char* name, const char* extension);
    void SetContentType(const char* type);
    void GuessKindFromExtension();
    // Idle and unused: memory data goes to the cache file (records of the
    // disk cache) or is dropped; the page content is released.
    void ReleaseUnusedData();
    // Expands a file that arrived compressed ("x-compress") into a new cache
    // file, which replaces it; on failure the old file stays. True on success.
    [[nodiscard]] bool DecodeCompressedFile();
    // Encoding bits: the stored data is compressed.
    static constexpr int kEncodingCompressed = 2;

    // ---- Directory listings (UrlListing.cpp). Each replaces what the record
    // stores with the generated page; false when the page could not be
    // stored (StoreError tells why). titlePrefix is the string table's
    // "Directory listing of ".
    // The stored LIST reply of an FTP load; loginUser is the name the FTP
    // connection logged in with (links of the page keep it).
    [[nodiscard]] bool BuildFtpListing(bool parentLink, const std::string& welcome, const char* loginUser,
                                       const char* titlePrefix);
    // The local folder of a file: record.
    [[nodiscard]] bool BuildLocalListing(const char* titlePrefix);
    int32_t StoreError() const { return storeError_; }

    // ---- Loading (Windows program: UrlTargets.cpp, UrlStartLoad.cpp,
    // UrlStateMachine.cpp, UrlDelivery.cpp). The windows waiting for this URL
    // are its targets; the first one's handler delivers the producer's
    // reports to OnMessage.
    MessageTargetList& Targets() { return targets_; }
    MessageHandler* FirstTarget() const { return targets_.First(); }
    bool IsLoadingFor(const MessageHandler* handler) const;
    // Starts a load for target (see UrlStartLoad.cpp). 0 when started,
    // answered or reported; -1 when this target already waits for this load;
    // else the producer's error code (also reported).
    int StartLoad(MessageHandler* target, const UrlHandle& origin, bool isInline, bool quiet);
    // Asks for the data again, directly or through StartLoad.
    void RequestLoad(MessageHandler* target, const UrlHandle& referrer, bool conditional, bool isInline,
                     bool flagB, bool flagC);
    void RemoveTarget(MessageHandler* handler);
    void ReplaceTarget(MessageHandler* oldHandler, MessageHandler* newHandler);
    void RemoveTargetKeepLoad(MessageHandler* handler) { ReplaceTarget(handler, nullptr); }
    // Retries a load that the server refused for want of credentials.
    [[nodiscard]] bool RetryWithCredentials(const char* user, const char* password);
    // The producer's reports, handed to the loading state machine.
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;
    MessageSource* GetConnection() const;
    // Deletes an idle producer, or hands a busy one to the main handler.
    void DropConnection();
    // Redirect hops that led to the current load.
    int RedirectHops() const { return redirectHops_; }

    // Data arriving from the producer: answers the bytes read, or -1 when
    // the load had to be stopped (it has been reported).
    int32_t ReceiveData();
    // Appends generated content; false when it could not be stored (the load
    // has then been failed).
    bool AppendData(const char* bytes, int32_t length);
    void FlushData(bool finished);
    // Feeds the page content what it has not taken yet.
    void DeliverData(bool final, int32_t limit = 0x7FFFFFFF);
    // Feeds the decoded image what it has not taken yet (made on demand for
    // the image kinds); true when the picture changed.
    bool DeliverImageData(bool final);
    // The page content of a loaded page, made and filled from the stored data
    // when there is none (from a cache file a chunk per 0x8188, load status 7
    // meanwhile, handler hearing the progress). Follows the redirect chain.
    UrlPageContent* GetDocumentContent(MessageHandler* handler);
    void ContinueDelivery();
    void SniffAndAnnounce(bool finished);
    // Ends a load with an error: status 5 (2 when the copy set aside for
    // the request is taken back), 0x8181, 0x8004 (error, id), the producer
    // dropped and the targets cleared.
    void FailLoad(int32_t error, uint32_t errorFilter);
    // The copy a new request set aside becomes the record's data again
    // (the server said it still stands, or the request failed before any
    // new data came); false when there is none or its file is gone.
    bool TakeBackKeptCopy();

private:
    friend class UrlHandle;

    // Fields in the order of their meaning; see UrlRecord.cpp for defaults.
    uint32_t id_ = 0;
    std::string name_;
    std::string fileName_;
    std::string previousFileName_;
    uint8_t scheme_ = 0;
    uint8_t flags_ = 0;
    uint8_t storage_ = 0;
    uint8_t status_ = 0;
    uint8_t kind_ = 0;
    std::string contentType_;
    uint8_t securityLevel_ = 10;
    int32_t refCount_ = 1;
    std::unique_ptr<UrlPageContent> pageContent_;
    std::unique_ptr<UrlImageContent> imageContent_;
    int32_t imageFed_ = 0;  // bytes the image has taken
    uint32_t loadTime_ = 0;
    uint32_t lastUse_ = 0;
    uint32_t useCount_ = 0;
    int32_t inUse_ = 0;
    int32_t contentLength_ = 0;
    int32_t bytesLoaded_ = 0;
    std::FILE* openFile_ = nullptr;
    std::unique_ptr<UrlHandle> origin_;
    std::unique_ptr<SchemePart> schemePart_;
    std::string challenge_;
    std::unique_ptr<char[]> block_;
    int32_t capacity_ = 0;
    int32_t kept_ = 0;
    int32_t newBytes_ = 0;
    int lockCount_ = 0;
    MessageTargetList targets_;
    // In file storage: the bytes read but not yet written to the file.
    std::unique_ptr<char[]> transfer_;
    int32_t transferCapacity_ = 0;
    int32_t delivered_ = 0;  // bytes the page content has taken
    int redirectHops_ = 0;
    bool finishing_ = false;

    // The stored bytes from offset on, as far as one piece goes: in the
    // block, in the transfer buffer or read from the file into chunk.
    // False when nothing could be had.
    bool StoredBytesAt(int32_t offset, char* chunk, int32_t chunkSize, const char*& bytes, int32_t& length);
    static void (*loadMachine_)(UrlRecord&, uint32_t, uint32_t, uint32_t);
    static void (*teardown_)(UrlRecord&);
    static void AttachLoadMachine();
    void HandleMessage(uint32_t message, uint32_t p1, uint32_t p2);
    // The handler the record registered with for its producer's reports.
    MessageHandler* registeredWith_ = nullptr;
    bool pendingConditional_ = false;
    bool formPending_ = false;
    int32_t storeError_ = 0;  // why the last AppendRaw could not keep its bytes

    bool IsHttpRecord() const { return scheme_ == kSchemeHttp || scheme_ == kSchemeHttps; }
    bool IsKindCachedHere() const;
    int32_t ReadLocalDataFromFile(int32_t offset, int32_t length, char* out) const;
    int StartLoadInternal(MessageHandler* target, const UrlHandle& origin, bool isInline, bool flagB,
                          bool quiet, int hops);
    void RequestLoadInternal(MessageHandler* target, const UrlHandle& referrer, bool conditional,
                             bool isInline, bool flagB, bool flagC, int hops);
    void RegisterFor(MessageHandler* handler, uint32_t message, uint32_t id);
    // Status, 0x8181 and 0x8004 (unless quiet), targets cleared.
    void ReportStartFailure(int status, int32_t error, bool quiet);
    void HandOverProducer();
    // Writes the block's bytes not yet in the file; false when the load failed.
    bool FlushNewBytes(bool ownFile);
    int StartHttp(MessageHandler* target, const UrlHandle& origin, bool quiet);
    int StartLocalFile(MessageHandler* target, bool quiet);
    int StartFtp(MessageHandler* target, bool quiet);
    int StartMail(MessageHandler* target, bool quiet);
    void StartLocalListing(bool quiet);
    void OnFtpDataStarted(uint32_t connectionId, uint32_t listing);
    // An FTP load's end: a listing becomes its page. False when the load
    // failed meanwhile (it has been reported).
    bool FinishFtpTransfer();
    FtpPart* GetFtpPart() const;
    int StartInternal(const UrlHandle& origin, bool quiet);
    void Unregister();
    void RegisterForConnection(MessageHandler* handler, uint32_t connectionId);
    // What a request carries from the store (UrlAuthorization.cpp): the
    // name's user and password, and for http and https the cookies and the
    // credentials that pre-authentication knows.
    void SendStoredHeaders(HttpConnection& connection, HttpPart& http, const RequestTarget& where);
    // A challenge answered from the credentials cache: true when the load
    // was started again with them.
    bool RetryWithStoredCredentials(HttpConnection& connection, HttpPart& http, int status);
    // Sends the request again on the same connection, the old reply's data
    // dropped; false when it could not start (the load has failed).
    bool RestartRequest(HttpConnection& connection);
    void OnHeaders(uint32_t connectionId);
    void OnData(uint32_t producerId);
    void OnEnd(uint32_t producerId);
    void OnError(uint32_t producerId, int32_t code);
    // A multipart reply: the splitter's parts (see MultipartSplitter.h).
    void StartMultipart(const std::string& parameters);
    MultipartSplitter* ActiveSplitter() const;
    void OnPartBegins();
    void OnPartData();
    void OnPartEnds();
    // Reads the producer's data, or the current part's through the splitter.
    int32_t ReadFromProducer(MessageSource* producer, char* into, int32_t size);
    // Decrypts a card-encrypted cache file into a new one, which replaces it,
    // and takes the kind from the document's type. 0 or the error id.
    int32_t DecryptCardFile();
    void FollowRedirect();
    void Finish();
    bool IsStockErrorPage() const;
    bool ProducerMatches(uint32_t id) const;
    void AnnounceContent(uint32_t filter);

    std::string ListingBase(const char* loginUser) const;
    bool WriteListingText(const std::string& text);
    bool WriteListingHeader(bool withTitle, const char* loginUser, const char* titlePrefix);
    bool WriteListingEntries(const std::vector<ListingEntry>& entries, int nameWidth);
    void StartListingStore();

    void InitCommon();
    static void SetBit(uint8_t& byte, uint8_t bit, bool on) {
        byte = static_cast<uint8_t>(on ? (byte | bit) : (byte & ~bit));
    }
};
