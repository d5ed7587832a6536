#include "net/SmtpConnection.h"

#include <algorithm>
#include <cstring>

#include "core/Dates.h"
#include "core/UserAgent.h"
#include "net/NetErrors.h"
#include "net/NetSettings.h"
#include "net/Winsock.h"

namespace {

std::string Text(const char* s) {
    return s ? s : "";
}

bool OneOf(int code, std::initializer_list<int> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace

SmtpConnection::SmtpConnection(MessageHandler* target, const char* host, uint16_t port, const char* to,
                               const char* cc, const char* bcc, const char* from, const char* subject,
                               const char* contentType, const char* body, UploadSource* bodyStream)
    : Connection(target, host, port ? port : 25, false),
      to_(Text(to)),
      cc_(Text(cc)),
      bcc_(Text(bcc)),
      subject_(Text(subject)),
      contentType_(Text(contentType)),
      body_(bodyStream ? std::string() : Text(body)),
      noSender_(!from || !*from),
      stream_(bodyStream) {
    from_ = noSender_ ? kPlaceholderSender : from;
    const std::string& name = GetNetSettings().mailName;
    if (!noSender_ && !name.empty()) from_ += " (" + name + ")";
    recipients_ = SplitRecipients(to_, cc_, bcc_);
    // A message that reached the server must not go out twice.
    restartable_ = false;
}

SmtpConnection::~SmtpConnection() = default;

bool SmtpConnection::GetRecipient(int index, char* buffer, size_t size) const {
    if (index < 1 || static_cast<size_t>(index) > recipients_.size() || !buffer) return false;
    const std::string& r = recipients_[static_cast<size_t>(index) - 1];
    if (r.size() + 1 > size) return false;
    std::memcpy(buffer, r.c_str(), r.size() + 1);
    return true;
}

int32_t SmtpConnection::CheckRequest() {
    // Every field goes into a command or a header line: a line end in one
    // would let the address add commands or headers of its own.
    for (const std::string* field : {&to_, &cc_, &bcc_, &from_, &subject_, &contentType_}) {
        if (HasLineBreak(*field)) return kErrIllegalAddress;
    }
    if (HasLineBreak(GetNetSettings().mailAddress)) return kErrIllegalAddress;
    return 0;
}

void SmtpConnection::ResetRequest() {
    state_ = kGreeting;
    error_ = 0;
    reply_.clear();
    recipientIndex_ = 0;
    accepted_ = 0;
    bodyCursor_ = 0;
    bodyDone_ = false;
    sourceDone_ = false;
    stuffer_ = DotStuffer();
}

int32_t SmtpConnection::SendRequest(std::string& out) {
    out = Command();
    return 0;
}

std::string SmtpConnection::Command() {
    switch (state_) {
        case kHelo:
            recipientIndex_ = 0;
            accepted_ = 0;
            return std::string("HELO ") + GetLocalHostName() + "\r\n";
        case kMailFrom: {
            const std::string& address = GetNetSettings().mailAddress;
            std::string sender = noSender_ || address.empty() ? std::string(kPlaceholderSender) : address;
            return "MAIL FROM:<" + sender + ">\r\n";
        }
        case kRcpt:
            return "RCPT TO:<" + recipients_[recipientIndex_++] + ">\r\n";
        case kData:
            return "DATA\r\n";
        case kBody: {
            SmtpHeaderFields f;
            char date[64];
            if (FormatNowHttp(date, sizeof date)) f.date = date;
            f.to = to_;
            f.cc = cc_;
            f.from = from_;
            f.subject = subject_;
            char agent[64];
            size_t n = BuildUserAgent(agent, sizeof agent);
            f.mailer = n > 0 ? std::string(agent, n) : std::string("Zintu/3.0");
            f.contentType = contentType_;
            f.bodyHasHeaders = stream_ != nullptr;
            return SmtpHeaders(f);
        }
        case kRset:
            return "RSET\r\n";
        case kQuit:
            return "QUIT\r\n";
        default:
            return std::string();
    }
}

void SmtpConnection::Go(State next) {
    state_ = next;
    std::string command = Command();
    if (!command.empty()) QueueSend(std::move(command));
}

void SmtpConnection::Fail(int32_t code) {
    error_ = code;
    Go(kRset);
}

// The next piece of the body, stuffed; the end of the data after the last.
std::string SmtpConnection::NextBodyPiece() {
    if (sourceDone_) {
        bodyDone_ = true;
        return stuffer_.Finish();
    }
    int32_t size = GetNetSettings().NetworkBufferBytes();
    std::string piece;
    if (stream_) {
        piece.resize(static_cast<size_t>(size));
        int32_t count = 0;
        bool done = false;
        stream_->ReadEncoded(&piece[0], count, size, done);
        count = std::clamp(count, 0, size);
        piece.resize(static_cast<size_t>(count));
        // A stream that gives nothing more is at its end, or the message
        // would never end.
        sourceDone_ = done || count == 0;
    } else {
        size_t n = std::min(body_.size() - bodyCursor_, static_cast<size_t>(size));
        piece = body_.substr(bodyCursor_, n);
        bodyCursor_ += n;
        sourceDone_ = bodyCursor_ >= body_.size();
    }
    std::string stuffed = stuffer_.Stuff(piece);
    if (stuffed.empty()) return NextBodyPiece();
    return stuffed;
}

bool SmtpConnection::MoreToSend() {
    if (PendingBytes() > 0) return true;
    if (state_ != kBody || bodyDone_) return false;
    QueueSend(NextBodyPiece());
    return true;
}

void SmtpConnection::OnDataArrived() {
    char buffer[1024];
    for (;;) {
        int32_t n = Receive(buffer, sizeof buffer);
        if (n <= 0) break;
        reply_.append(buffer, static_cast<size_t>(n));
        int code;
        while (TakeSmtpReply(reply_, code)) {
            OnReply(code);
            if (!HasSocket()) return;
        }
        if (reply_.size() > 65536) {
            reply_.clear();
            if (state_ != kRset && state_ != kQuit) Fail(kErrMailInternal);
        }
    }
}

void SmtpConnection::AfterRecipient() {
    if (recipientIndex_ < recipients_.size())
        Go(kRcpt);
    else if (accepted_ > 0)
        Go(kData);
    else
        Go(kRset);
}

void SmtpConnection::OnReply(int code) {
    switch (state_) {
        case kGreeting:
            if (code != 220)
                Fail(code == 421 ? kErrMailNotAvailable : kErrMailInternal);
            else if (recipients_.empty())
                Fail(kErrMailError);  // nobody to send to
            else
                Go(kHelo);
            break;
        case kHelo:
            if (code == 250)
                Go(kMailFrom);
            else
                Fail(code == 421 ? kErrMailNotAvailable : kErrMailInternal);
            break;
        case kMailFrom:
            if (code == 250)
                Go(kRcpt);
            else
                Fail(code == 421                ? kErrMailNotAvailable
                     : OneOf(code, {451, 452}) ? kErrMailBusy
                     : code == 552             ? kErrMailPermanent
                                               : kErrMailInternal);
            break;
        case kRcpt: {
            int32_t refused = 0;
            if (code == 250 || code == 251) {
                ++accepted_;
            } else if (OneOf(code, {450, 451, 452})) {
                refused = kErrMailBusy;
            } else if (OneOf(code, {500, 501, 553})) {
                refused = kErrMailError;
            } else if (code == 550) {
                refused = kErrMailboxUnavailable;
            } else if (code == 551) {
                refused = kErrMailUserNotLocal;
            } else {
                Fail(code == 421 ? kErrMailNotAvailable : code == 552 ? kErrMailPermanent : kErrMailInternal);
                break;
            }
            if (refused) {
                Report(kMsgRecipientRefusedReport,
                       static_cast<uint32_t>(refused) << 16 | static_cast<uint32_t>(recipientIndex_));
                error_ = kErrMailSomeRefused;
            }
            AfterRecipient();
            break;
        }
        case kData:
            if (code == 354)
                Go(kBody);
            else
                Fail(code == 421 ? kErrMailNotAvailable : code == 451 ? kErrMailBusy : kErrMailInternal);
            break;
        case kBody:
            if (!bodyDone_ || PendingBytes() > 0) {
                // A reply before the end of the data: the server gave up.
                Fail(code == 421 ? kErrMailNotAvailable : kErrMailInternal);
            } else if (code == 250) {
                Go(kQuit);
            } else {
                Fail(code == 421                     ? kErrMailNotAvailable
                     : OneOf(code, {451, 452})      ? kErrMailBusy
                     : OneOf(code, {552, 554})      ? kErrMailPermanent
                                                    : kErrMailInternal);
            }
            break;
        case kRset:
            Go(kQuit);
            break;
        case kQuit:
            break;
        default:
            Fail(kErrMailInternal);
            break;
    }
}

int32_t SmtpConnection::PeerCloseError() {
    if (error_) return error_;
    // Closed before the goodbye: the message is not known to have gone.
    return state_ == kQuit ? 0 : kErrMailNotAvailable;
}
