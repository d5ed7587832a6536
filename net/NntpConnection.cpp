#include "net/NntpConnection.h"

#include <cstdio>
#include <cstdlib>

#include "net/NetErrors.h"

namespace {

// Headers that XOVER gives: From, Subject, Date, Lines, Message-ID, References.
constexpr uint32_t kOverviewHeaders = kHeaderFrom | kHeaderSubject | kHeaderDate | kHeaderLines |
                                      kHeaderMessageId | kHeaderReferences;

const char* XhdrHeaderName(uint32_t bit) {
    static const char* const kNames[] = {
        "From",     "Subject",  "Date",         "Lines",        "Message-ID", "Newsgroups",
        "Reply-To", "References", "Followup-To", "Expires",     "Sender",     "Distribution",
        "Organization", "Keywords", "Summary",  "Path",         "Content-Type", "Content-Transfer-Encoding"};
    for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        if (bit == 1u << i) return kNames[i];
    }
    return nullptr;
}

// The lowest bit of mask above after (0: from the first).
uint32_t NextBit(uint32_t mask, uint32_t after) {
    for (uint32_t bit = after ? after << 1 : 1; bit != 0; bit <<= 1) {
        if ((mask & bit) && XhdrHeaderName(bit)) return bit;
    }
    return 0;
}

bool OneOf(int code, std::initializer_list<int> codes) {
    for (int c : codes) {
        if (c == code) return true;
    }
    return false;
}

bool HasLineEnd(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

NntpConnection::NntpConnection(MessageHandler* target, const char* host, uint16_t port, bool keepOpen)
    : Connection(target, host, port ? port : 119, false), keepOpen_(keepOpen) {
    gracefulClose_ = true;
    // A posting that reached the server must not go twice.
    restartable_ = false;
}

NntpConnection::~NntpConnection() = default;

void NntpConnection::SetGroupListRequest(NntpReceiver* receiver) {
    kind_ = kGroupList;
    receiver_ = receiver;
}

void NntpConnection::SetNewGroupsRequest(NntpReceiver* receiver, const std::string& since) {
    kind_ = kNewGroups;
    receiver_ = receiver;
    since_ = since;
}

void NntpConnection::SetOverviewRequest(NntpReceiver* receiver, const std::string& group, uint32_t headerMask,
                                        uint32_t maxArticles) {
    kind_ = kOverview;
    receiver_ = receiver;
    group_ = group;
    headerMask_ = headerMask;
    maxArticles_ = maxArticles < 10 ? 10 : maxArticles;
}

void NntpConnection::SetGroupRequest(NntpReceiver* receiver, const std::string& group) {
    kind_ = kGroupCounts;
    receiver_ = receiver;
    group_ = group;
}

void NntpConnection::SetNewArticlesRequest(NntpReceiver* receiver, const std::string& group,
                                           const std::string& since) {
    kind_ = kNewArticles;
    receiver_ = receiver;
    group_ = group;
    since_ = since;
}

void NntpConnection::SetGroupArticleRequest(NntpReceiver* receiver, const std::string& group, uint32_t number) {
    kind_ = kGroupArticle;
    receiver_ = receiver;
    group_ = group;
    number_ = number;
    messageId_.clear();
}

void NntpConnection::SetArticleRequest(NntpReceiver* receiver, const std::string& messageId, uint32_t number) {
    kind_ = kArticle;
    receiver_ = receiver;
    messageId_ = messageId;
    number_ = number;
}

void NntpConnection::SetPostRequest(const std::string& article) {
    kind_ = kPost;
    receiver_ = nullptr;
    article_ = article;
}

void NntpConnection::SetQuitRequest() {
    kind_ = kQuitOnly;
    receiver_ = nullptr;
}

void NntpConnection::SetCredentials(const char* user, const char* password) {
    hasCredentials_ = user && password;
    user_ = hasCredentials_ ? user : "";
    password_ = hasCredentials_ ? password : "";
}

int32_t NntpConnection::CheckRequest() {
    // Each of these goes into a command line: a line end would add commands.
    for (const std::string* s : {&group_, &messageId_, &since_, &user_, &password_}) {
        if (HasLineEnd(*s)) return kErrIllegalAddress;
    }
    return 0;
}

int32_t NntpConnection::StartRequest() {
    if (int32_t refused = CheckRequest()) return refused;
    linesHanded_ = 0;
    error_ = 0;
    if (greeted_ && HasSocket() && state_ == kIdle) {
        Go(FirstState());
        return 0;
    }
    return Connect();
}

void NntpConnection::ResetRequest() {
    greeted_ = false;
    state_ = kIdle;
    textMode_ = false;
    error_ = 0;
    reply_.clear();
    lacksXover_ = lacksXhdr_ = false;
}

int32_t NntpConnection::SendRequest(std::string& out) {
    out.clear();  // the server speaks first
    return 0;
}

NntpConnection::State NntpConnection::FirstState() const {
    switch (kind_) {
        case kGroupList:
            return kList;
        case kNewGroups:
            return kNewGroupsState;
        case kOverview:
        case kGroupArticle:
            return kGroup;
        case kGroupCounts:
            return kGroupOnly;
        case kNewArticles:
            return kNewNews;
        case kArticle:
            return kArticleState;
        case kPost:
            return kPostState;
        default:
            return kQuit;
    }
}

std::string NntpConnection::Command() const {
    char numbers[64];
    const ArticleRange* range = range_ < ranges_.size() ? &ranges_[range_] : nullptr;
    switch (state_) {
        case kArticleState:
            if (!messageId_.empty()) return "ARTICLE " + messageId_ + "\r\n";
            std::snprintf(numbers, sizeof numbers, "ARTICLE %lu\r\n", static_cast<unsigned long>(number_));
            return numbers;
        case kGroup:
        case kGroupOnly:
            return "GROUP " + group_ + "\r\n";
        case kList:
            return "LIST\r\n";
        case kPostState:
            return "POST\r\n";
        case kPosting:
            return posting_;
        case kNewGroupsState:
            return "NEWGROUPS " + since_ + "\r\n";
        case kNewNews:
            return "NEWNEWS " + (group_.empty() ? std::string("*") : group_) + " " + since_ + "\r\n";
        case kXhdr:
            if (!range) return std::string();
            std::snprintf(numbers, sizeof numbers, " %lu-%lu\r\n", static_cast<unsigned long>(range->first),
                          static_cast<unsigned long>(range->last));
            return std::string("XHDR ") + XhdrHeaderName(xhdrBit_) + numbers;
        case kXover:
            if (!range) return std::string();
            std::snprintf(numbers, sizeof numbers, "XOVER %lu-%lu\r\n", static_cast<unsigned long>(range->first),
                          static_cast<unsigned long>(range->last));
            return numbers;
        case kQuit:
            return "QUIT\r\n";
        case kAuthUser:
            return "AUTHINFO USER " + user_ + "\r\n";
        case kAuthPass:
            return "AUTHINFO PASS " + password_ + "\r\n";
        default:
            return std::string();
    }
}

void NntpConnection::Go(State next) {
    state_ = next;
    textMode_ = false;
    if (next == kPosting) posting_ = StuffNntpPosting(article_);
    std::string command = Command();
    if (!command.empty()) QueueSend(std::move(command));
}

void NntpConnection::Done(uint32_t count) {
    Report(kMsgNewsDone, count);
    if (keepOpen_)
        state_ = kIdle;
    else
        Go(kQuit);
}

void NntpConnection::Fail(int32_t code) {
    bool fatal = code == kErrNewsNotAvailable || code == kErrNewsProgram;
    if (keepOpen_ && !fatal) {
        Report(kMsgNewsFailed, static_cast<uint32_t>(code));
        state_ = kIdle;
        textMode_ = false;
        return;
    }
    error_ = code;
    Go(kQuit);
}

bool NntpConnection::Authenticate(int code) {
    if ((code != 450 && code != 480) || state_ == kAuthUser || state_ == kAuthPass) return false;
    afterAuth_ = state_;
    if (hasCredentials_)
        Go(kAuthUser);
    else
        Fail(kErrNewsNeedsLogin);
    return true;
}

void NntpConnection::OnDataArrived() {
    char buffer[4096];
    for (;;) {
        int32_t n = Receive(buffer, sizeof buffer);
        if (n <= 0) break;
        reply_.append(buffer, static_cast<size_t>(n));
        uint32_t before = linesHanded_;
        for (;;) {
            if (textMode_) {
                std::string line;
                bool end = false;
                if (!TakeNntpTextLine(reply_, line, end)) break;
                if (end) {
                    textMode_ = false;
                    if (linesHanded_ > before) Report(kMsgNewsProgress, linesHanded_ - before);
                    before = linesHanded_;
                    OnTextEnd();
                } else {
                    ++linesHanded_;
                    OnTextLine(line);
                }
            } else {
                int code;
                std::string line;
                if (!TakeNntpStatus(reply_, code, line)) break;
                OnStatus(code, line);
            }
            if (!HasSocket()) return;
        }
        if (linesHanded_ > before) Report(kMsgNewsProgress, linesHanded_ - before);
    }
}

void NntpConnection::OnStatus(int code, const std::string& line) {
    if (state_ != kIdle && Authenticate(code)) return;
    bool ok2xx = code >= 200 && code < 300;
    switch (state_) {
        case kIdle:
            if (greeted_) break;  // nothing was asked
            if (code == 200 || code == 201) {
                greeted_ = true;
                if (kind_ == kPost && code == 201)
                    Fail(kErrNewsPostDenied);
                else
                    Go(FirstState());
            } else if (code == 400) {
                Report(kMsgNewsFailed, kErrNewsNotAvailable);
            } else {
                Fail(kErrNewsNotAvailable);
            }
            break;
        case kGroup:
        case kGroupOnly: {
            uint32_t count = 0, first = 0, last = 0;
            if (code == 211) {
                bool parsed = ParseGroupReply(line, count, first, last);
                if (parsed && receiver_) receiver_->OnGroupCounts(count, first, last);
                if (state_ == kGroupOnly || !parsed) {
                    if (!parsed) error_ = kErrNewsProgram;
                    Done(0);
                } else if (kind_ == kGroupArticle) {
                    Go(kArticleState);
                } else {
                    ranges_ = WantedRanges(receiver_ ? receiver_->WantedArticles() : std::vector<uint32_t>(), first,
                                           last, maxArticles_);
                    range_ = 0;
                    NextOverviewStep();
                }
            } else {
                Fail(code == 411 ? kErrNewsGroupUnknown : code == 502 ? kErrNewsGroupDenied : kErrNewsProgram);
            }
            break;
        }
        case kXover:
            if (ok2xx) {
                textMode_ = true;
            } else if (code == 400) {
                Fail(kErrNewsNotAvailable);
            } else {
                lacksXover_ = true;
                NextOverviewStep();
            }
            break;
        case kXhdr:
            if (ok2xx) {
                textMode_ = true;
            } else if (code == 400) {
                Fail(kErrNewsNotAvailable);
            } else {
                lacksXhdr_ = true;
                NextOverviewStep();
            }
            break;
        case kArticleState:
            if (code == 220)
                textMode_ = true;
            else
                Fail(OneOf(code, {423, 430}) ? kErrNewsArticleMissing
                     : code == 400            ? kErrNewsNotAvailable
                                              : kErrNewsProgram);
            break;
        case kList:
        case kNewGroupsState:
        case kNewNews:
            if (code == 215 || code == 231 || code == 230)
                textMode_ = true;
            else
                Fail(code == 400 ? kErrNewsNotAvailable : kErrNewsProgram);
            break;
        case kPostState:
        case kPosting:
            if (state_ == kPostState && code == 340)
                Go(kPosting);
            else if (state_ == kPosting && code == 240)
                Done(0);
            else
                Fail(code == 440 ? kErrNewsPostDenied : code == 441 ? kErrNewsPostFailed : kErrNewsProgram);
            break;
        case kAuthUser:
        case kAuthPass:
            if (state_ == kAuthUser && (code == 381 || code == 350)) {
                Go(kAuthPass);
            } else if (code == 281 || code == 250) {
                Go(afterAuth_);  // the interrupted command again
            } else if (OneOf(code, {452, 482, 502}) || (state_ == kAuthPass && code == 503)) {
                Fail(kErrNewsLoginRefused);
            } else {
                Fail(code == 500 || code == 501 ? kErrNewsAuthFailed : kErrNewsProgram);
            }
            break;
        case kQuit:
            break;
        default:
            Fail(kErrNewsProgram);
            break;
    }
}

void NntpConnection::OnTextLine(const std::string& line) {
    if (!receiver_) return;
    switch (state_) {
        case kList:
        case kNewGroupsState:
            receiver_->OnGroupListLine(line);
            break;
        case kArticleState:
            receiver_->OnArticleLine(line);
            break;
        case kNewNews:
            receiver_->OnNewArticleId(line);
            break;
        case kXover: {
            OverviewLine o;
            if (!ParseOverviewLine(line, o)) break;
            const std::pair<uint32_t, const std::string*> fields[] = {
                {kHeaderFrom, &o.from},           {kHeaderSubject, &o.subject},
                {kHeaderDate, &o.date},           {kHeaderLines, &o.lines},
                {kHeaderMessageId, &o.messageId}, {kHeaderReferences, &o.references}};
            for (const auto& f : fields) {
                if (headerMask_ & f.first) receiver_->OnHeaderField(o.number, f.first, *f.second);
            }
            break;
        }
        case kXhdr: {
            size_t space = line.find(' ');
            if (space == std::string::npos) break;
            uint32_t number = static_cast<uint32_t>(std::strtoul(line.c_str(), nullptr, 10));
            receiver_->OnHeaderField(number, xhdrBit_, line.substr(space + 1));
            break;
        }
        default:
            break;
    }
}

void NntpConnection::OnTextEnd() {
    switch (state_) {
        case kList:
        case kNewGroupsState:
            Done(kind_ == kGroupList ? linesHanded_ : 0);
            break;
        case kXover:
            ++range_;
            NextOverviewStep();
            break;
        case kXhdr:
            if (uint32_t bit = NextBit(headerMask_, xhdrBit_)) {
                xhdrBit_ = bit;
                Go(kXhdr);
            } else {
                ++range_;
                NextOverviewStep();
            }
            break;
        default:
            Done(0);
            break;
    }
}

void NntpConnection::NextOverviewStep() {
    if (range_ >= ranges_.size()) {
        Done(0);
        return;
    }
    if (!lacksXover_ && (headerMask_ & ~kOverviewHeaders) == 0) {
        Go(kXover);
    } else if (!lacksXhdr_ && NextBit(headerMask_, 0)) {
        xhdrBit_ = NextBit(headerMask_, 0);
        Go(kXhdr);
    } else {
        // A server without XOVER and XHDR is not served article by article.
        Fail(kErrNewsProgram);
    }
}

int32_t NntpConnection::PeerCloseError() {
    if (error_) return error_;
    if (state_ == kQuit || (keepOpen_ && greeted_ && state_ == kIdle)) return 0;
    // Closed in the middle of a request: what came is not complete.
    return kErrNewsNotAvailable;
}
