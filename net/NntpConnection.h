// The news client: one connection to a news server that carries one request
// at a time and may stay open for the next (keep-open). What the server
// sends goes to the request's NntpReceiver, which the news objects of the
// mail and news subsystem implement; the client only reports progress.
//
// Reports to the target besides those of Connection: 0x8310 (id, count)
// lines handed on; 0x8311 (id, 0, or the number of lines of a group list)
// the request succeeded; 0x8312 (id, error code) the request failed on a
// connection that stays open; 0x8230 / 0x8232 when the connection ends.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "net/Connection.h"
#include "net/NntpReplies.h"

// News error codes (string-table ids).
enum NntpError : int32_t {
    kErrNewsGroupUnknown = 32912,     // "The news-group is not known on the news server"
    kErrNewsArticleMissing = 32913,   // "The news-article could not be found on the news server"
    kErrNewsNotAvailable = 33024,     // "The news server is not available. ..."
    kErrNewsProgram = 33025,          // "Program error in the news handling"
    kErrNewsGroupDenied = 33027,      // "Could not post to the news group. Access denied"
    kErrNewsPostDenied = 33028,       // "Could not post to the news group. Access denied"
    kErrNewsPostFailed = 33029,       // "Could not post to the news group"
    kErrNewsNeedsLogin = 33030,       // the server asks for a user name and password
    kErrNewsLoginRefused = 33031,     // the server refused them
    kErrNewsAuthFailed = 33032,       // "Authentication to newsserver failed."
};

// Header bits of overview and XHDR requests.
enum NewsHeaderBit : uint32_t {
    kHeaderFrom = 1,
    kHeaderSubject = 2,
    kHeaderDate = 4,
    kHeaderLines = 8,
    kHeaderMessageId = 16,
    kHeaderReferences = 128,
};

// Where a request's results go (the news objects). Every method has a
// default that drops what it gets.
class NntpReceiver {
public:
    virtual ~NntpReceiver() = default;
    // A line of LIST or NEWGROUPS.
    virtual void OnGroupListLine(const std::string& line) {}
    // A GROUP reply: the article count and the first and last numbers.
    virtual void OnGroupCounts(uint32_t count, uint32_t first, uint32_t last) {}
    // The article numbers whose headers an overview request wants.
    virtual std::vector<uint32_t> WantedArticles() { return {}; }
    // One header of one article (a NewsHeaderBit).
    virtual void OnHeaderField(uint32_t article, uint32_t bit, const std::string& value) {}
    // A line of an article (HEAD or ARTICLE), its escapes undone.
    virtual void OnArticleLine(const std::string& line) {}
    // A message id of NEWNEWS.
    virtual void OnNewArticleId(const std::string& id) {}
};

class NntpConnection : public virtual Connection {
public:
    enum Kind : int32_t {
        kGroupList = 0,
        kNewGroups = 1,
        kOverview = 2,
        kGroupCounts = 3,
        kNewArticles = 4,
        kGroupArticle = 5,
        kArticle = 6,
        kPost = 7,
        kQuitOnly = 8,
    };

    NntpConnection(MessageHandler* target, const char* host, uint16_t port, bool keepOpen);
    ~NntpConnection() override;

    // Request setters; the receiver is not owned and must live until the
    // request ends.
    void SetGroupListRequest(NntpReceiver* receiver);
    void SetNewGroupsRequest(NntpReceiver* receiver, const std::string& since);  // "YYMMDD HHMMSS"
    void SetOverviewRequest(NntpReceiver* receiver, const std::string& group, uint32_t headerMask,
                            uint32_t maxArticles);
    void SetGroupRequest(NntpReceiver* receiver, const std::string& group);
    void SetNewArticlesRequest(NntpReceiver* receiver, const std::string& group, const std::string& since);
    void SetGroupArticleRequest(NntpReceiver* receiver, const std::string& group, uint32_t number);
    // By message id ("<...>"), or by number when the id is empty.
    void SetArticleRequest(NntpReceiver* receiver, const std::string& messageId, uint32_t number);
    void SetPostRequest(const std::string& article);
    void SetQuitRequest();
    // Starts the request set last: 0, or a program error code (reported by
    // nobody: the caller reports it).
    [[nodiscard]] int32_t StartRequest();

    void SetCredentials(const char* user, const char* password);

    int ReadData(char*, int) override { return 0; }
    int32_t CopyBodyToFile(std::FILE*) override { return 0; }

protected:
    int32_t CheckRequest() override;
    int32_t SendRequest(std::string& out) override;
    void ResetRequest() override;
    void OnDataArrived() override;
    bool DrainOnPeerClose() override { return false; }
    int32_t PeerCloseError() override;

private:
    enum State : int32_t {
        kIdle = 0,
        kHead = 1,
        kArticleState = 2,
        kGroup = 3,
        kList = 4,
        kPostState = 5,
        kPosting = 6,
        kNewGroupsState = 7,
        kNewNews = 8,
        kXhdr = 9,
        kXover = 10,
        kQuit = 12,
        kGroupOnly = 13,
        kAuthUser = 14,
        kAuthPass = 15,
    };

    std::string Command() const;
    void Go(State next);
    void Done(uint32_t count);
    void Fail(int32_t code);
    State FirstState() const;
    void OnStatus(int code, const std::string& line);
    void OnTextLine(const std::string& line);
    void OnTextEnd();
    void NextOverviewStep();
    bool Authenticate(int code);

    bool keepOpen_;
    bool greeted_ = false;
    Kind kind_ = kQuitOnly;
    NntpReceiver* receiver_ = nullptr;
    std::string group_, messageId_, since_, article_;
    uint32_t number_ = 0;
    uint32_t headerMask_ = 0;
    uint32_t maxArticles_ = 500;
    std::vector<ArticleRange> ranges_;
    size_t range_ = 0;
    uint32_t xhdrBit_ = 0;
    bool lacksXover_ = false;
    bool lacksXhdr_ = false;
    uint32_t linesHanded_ = 0;
    std::string user_, password_;
    bool hasCredentials_ = false;
    State afterAuth_ = kIdle;
    State state_ = kIdle;
    bool textMode_ = false;
    int32_t error_ = 0;
    std::string reply_;
    std::string posting_;
};
