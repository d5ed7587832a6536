#include "net/FtpConnection.h"

#include <cstring>

#include "core/StringHelpers.h"
#include "net/FtpReplies.h"
#include "net/NetErrors.h"
#include "net/NetSettings.h"
#include "net/SocketRegistry.h"
#include "net/UrlSettings.h"

namespace {

constexpr char kDefaultPassword[] = "kvemo@";
constexpr uint32_t kDataMessages[] = {kMsgDataReady, kMsgConnected, kMsgConnectionEnded, kMsgConnectionFailed};

bool OneOf(int code, std::initializer_list<int> codes) {
    for (int c : codes) {
        if (code == c) return true;
    }
    return false;
}

// "WORD argument\r\n" with the argument's escapes decoded; false when the
// argument would break the command line.
bool Command(const char* word, const std::string& escapedArgument, std::string& out) {
    std::string argument;
    if (!DecodeFtpArgument(escapedArgument, argument)) return false;
    out = word;
    out += ' ';
    out += argument;
    out += "\r\n";
    return true;
}

bool SafeText(const std::string& escaped) {
    std::string ignored;
    return DecodeFtpArgument(escaped, ignored);
}

}  // namespace

// ---- the data channel ------------------------------------------------------

FtpDataConnection::FtpDataConnection(MessageHandler* target, const char* host, uint16_t port,
                                     std::string uploadFile)
    : Connection(target, host, port, true), uploadFile_(std::move(uploadFile)) {
    gracefulClose_ = true;
    hostExpansion_ = false;
    // What went over a data channel cannot be asked for again on a new one.
    restartable_ = false;
}

FtpDataConnection::~FtpDataConnection() {
    if (file_) std::fclose(file_);
}

int32_t FtpDataConnection::SendRequest(std::string& out) {
    out.clear();  // nothing until the server has accepted STOR
    return 0;
}

void FtpDataConnection::OnDataArrived() {
    Report(kMsgDataReady, 0);
}

int FtpDataConnection::ReadData(char* buffer, int size) {
    return Receive(buffer, size);
}

void FtpDataConnection::StartUpload() {
    if (uploadStarted_) return;
    uploadStarted_ = true;
    file_ = uploadFile_.empty() ? nullptr : std::fopen(uploadFile_.c_str(), "rb");
    if (!file_) {
        ReportError(kErrFtpUploadRefused);
        Close();
        return;
    }
    MoreToSend();
}

bool FtpDataConnection::MoreToSend() {
    if (PendingBytes() > 0) return true;
    if (!uploadStarted_ || uploadEnded_ || !file_) return false;
    std::string block(static_cast<size_t>(GetNetSettings().NetworkBufferBytes()), '\0');
    size_t n = std::fread(&block[0], 1, block.size(), file_);
    if (n > 0) {
        block.resize(n);
        QueueSend(std::move(block));
        return true;
    }
    bool failed = std::ferror(file_) != 0;
    std::fclose(file_);
    file_ = nullptr;
    uploadEnded_ = true;
    // Everything is with the system now; the control connection closes this
    // socket gracefully when it hears the end, which tells the server that
    // the file is complete.
    if (failed)
        ReportError(kErrFtpUploadRefused);
    else
        Report(kMsgConnectionEnded, 0);
    return false;
}

// ---- the control channel ---------------------------------------------------

FtpConnection::FtpConnection(MessageHandler* target, const char* host, uint16_t port, const char* path,
                             const char* user, const char* password, int transferType, const char* uploadList)
    : Connection(target, host, port ? port : 21, false),
      path_(path ? path : ""),
      user_(user ? user : ""),
      password_(password ? password : ""),
      transferType_(transferType == 0 ? kFtpImage : transferType) {
    if (uploadList && *uploadList) {
        uploads_.assign(uploadList, uploadList + std::strlen(uploadList) + 1);
        uploadCursor_ = uploads_.data();
        uploading_ = true;
    }
    // The login and the walk are not sent twice on a reset connection.
    restartable_ = false;
}

FtpConnection::~FtpConnection() {
    ReleaseDataConnection();
}

std::string FtpConnection::GetServerMessage() {
    std::string message;
    message.swap(serverMessage_);
    return message;
}

int32_t FtpConnection::CheckRequest() {
    // Escapes are decoded into the commands: one that decodes to a line end
    // would let the address send commands of its own.
    if (!SafeText(path_) || !SafeText(user_) || !SafeText(password_)) return kErrIllegalAddress;
    for (const char* p = uploads_.empty() ? "" : uploads_.data(); *p; ++p) {
        if (*p == '\r' || *p == '\n') return kErrIllegalAddress;
    }
    return 0;
}

void FtpConnection::ResetRequest() {
    ReleaseDataConnection();
    dataState_ = kDataNone;
    reply_.clear();
    components_ = SplitFtpPath(path_);
    component_ = 0;
    endedOnFile_ = false;
    state_ = kGreeting;
    error_ = 0;
    dataStarted_ = false;
    transferConfirmed_ = false;
}

int32_t FtpConnection::PeerCloseError() {
    if (error_) return error_;
    // Closed by the server before we said goodbye: whatever came is not
    // known to be complete.
    return state_ == kQuit ? 0 : kErrFtpClosed;
}

int32_t FtpConnection::SendRequest(std::string& out) {
    return BuildCommand(out);
}

int32_t FtpConnection::BuildCommand(std::string& out) const {
    out.clear();
    bool ok = true;
    const std::string current = component_ < components_.size() ? components_[component_] : std::string();
    switch (state_) {
        case kUser:
            ok = Command("USER", user_.empty() ? "anonymous" : user_, out);
            break;
        case kPass:
            ok = Command("PASS", password_.empty() ? kDefaultPassword : password_, out);
            break;
        case kCwd:
            if (current.empty())
                out = "CWD\r\n";
            else
                ok = Command("CWD", current, out);
            break;
        case kRetr:
            if (current.empty())
                out = "RETR\r\n";
            else
                ok = Command("RETR", current, out);
            break;
        case kType:
            out = transferType_ == kFtpText ? "TYPE A\r\n" : "TYPE I\r\n";
            break;
        case kPasv:
            out = "PASV\r\n";
            break;
        case kList:
            out = "LIST\r\n";
            break;
        case kQuit:
            out = "QUIT\r\n";
            break;
        case kStor:
            out = "STOR " + uploadName_ + "\r\n";
            break;
        case kCwdRoot:
            out = "CWD /\r\n";
            break;
        default:
            break;
    }
    return ok ? 0 : kErrIllegalAddress;
}

// Enters a state and sends its command; the transfer commands wait for the
// data channel.
void FtpConnection::Go(State next) {
    state_ = next;
    bool waitsForData = next == kRetr || next == kList || next == kStor;
    if (waitsForData && dataState_ != kDataConnected) return;
    std::string command;
    if (BuildCommand(command) != 0) {
        // Checked before connecting; never sent in part.
        error_ = kErrIllegalAddress;
        state_ = kQuit;
        command = "QUIT\r\n";
    }
    if (!command.empty()) QueueSend(std::move(command));
}

void FtpConnection::Fail(int32_t code) {
    if (error_ == 0) error_ = code;
    // A server waits for an open data channel before it says goodbye.
    ReleaseDataConnection();
    Go(kQuit);
}

void FtpConnection::OnDataArrived() {
    char buffer[2048];
    for (;;) {
        int32_t n = Receive(buffer, sizeof buffer);
        if (n <= 0) break;
        reply_.append(buffer, static_cast<size_t>(n));
        FtpReply reply;
        while (TakeFtpReply(reply_, reply)) {
            OnReply(reply.code, reply.message, reply.last);
            if (!HasSocket()) return;
        }
        if (reply_.size() > kMaxFtpReplyBytes) {
            reply_.clear();
            Fail(kErrFtpInternal);
        }
    }
}

void FtpConnection::AfterLogin() {
    component_ = 0;
    if (GetUrlSettings().absoluteFtpPath)
        Go(kCwdRoot);
    else if (!components_.empty())
        Go(kCwd);
    else
        Go(kPasv);
}

// A CWD succeeded: the next component, or the transfer.
void FtpConnection::WalkOn() {
    if (component_ + 1 < components_.size()) {
        ++component_;
        Go(kCwd);
        return;
    }
    AfterWalk(false);
}

void FtpConnection::AfterWalk(bool endedOnFile) {
    endedOnFile_ = endedOnFile;
    // Files to store go as bytes too: a text transfer would change their
    // line ends.
    if ((endedOnFile && transferType_ == kFtpImage) || uploading_)
        Go(kType);
    else
        Go(kPasv);
}

void FtpConnection::OnReply(int code, const std::string& message, const std::string& last) {
    switch (state_) {
        case kGreeting:
            if (code == 220) {
                Go(kUser);
            } else if (code == 120) {
                // Ready in a while: the 220 follows.
            } else {
                // No greeting is no server to talk to, not an empty file.
                serverMessage_ = message;
                Fail(kErrFtpNotAvailable);
            }
            break;
        case kUser:
            if (code == 230) {
                AfterLogin();
            } else if (code == 331) {
                if (!password_.empty() || user_.empty() || EqualsNoCase(user_, "anonymous"))
                    Go(kPass);
                else
                    Fail(kErrFtpNeedsPassword);
            } else {
                Fail(code == 421                 ? kErrFtpNotAvailable
                     : OneOf(code, {332, 530}) ? kErrFtpLogin
                     : code == 501             ? kErrFtpUserNotFound
                                               : kErrFtpInternal);
            }
            break;
        case kPass:
            if (code == 230 || code == 202) {
                if (components_.empty() && !GetUrlSettings().absoluteFtpPath) serverMessage_ = message;
                AfterLogin();
            } else {
                Fail(code == 421                 ? kErrFtpNotAvailable
                     : OneOf(code, {332, 530}) ? kErrFtpLogin
                     : code == 501             ? kErrFtpUserNotFound
                                               : kErrFtpInternal);
            }
            break;
        case kCwd:
            if (code == 250 || code == 200) {
                if (component_ + 1 >= components_.size()) serverMessage_ = message;
                WalkOn();
            } else if (OneOf(code, {550, 553, 501}) && component_ + 1 == components_.size()) {
                AfterWalk(true);
            } else {
                Fail(code == 421                      ? kErrFtpNotAvailable
                     : code == 530                    ? kErrFtpLogin
                     : OneOf(code, {550, 553, 501}) ? kErrFtpNoDirectory
                                                    : kErrFtpInternal);
            }
            break;
        case kCwdRoot:
            if (code == 250 || code == 200 || OneOf(code, {550, 553, 501})) {
                // Refused: the walk starts from the login folder.
                component_ = 0;
                if (!components_.empty())
                    Go(kCwd);
                else
                    AfterWalk(false);
            } else {
                Fail(code == 421 ? kErrFtpNotAvailable : code == 530 ? kErrFtpLogin : kErrFtpInternal);
            }
            break;
        case kRetr:
        case kList:
            if (code == 125 || code == 150) break;
            if (code == 226 || code == 250) {
                transferConfirmed_ = true;
                if (dataState_ == kDataEnded) EndTransfer();
                break;
            }
            Fail(code == 421                                ? kErrFtpNotAvailable
                 : code == 530                              ? kErrFtpLogin
                 : OneOf(code, {550, 553, 450, 501})      ? kErrFtpFileNotFound
                 : OneOf(code, {426, 451})                ? kErrFtpClosed
                                                          : kErrFtpInternal);
            break;
        case kType:
            if (code == 200 || code == 504)
                Go(kPasv);
            else
                Fail(code == 421 ? kErrFtpNotAvailable : code == 530 ? kErrFtpLogin : kErrFtpInternal);
            break;
        case kPasv:
            if (code == 227) {
                OpenDataChannel(last);
            } else {
                Fail(code == 421   ? kErrFtpNotAvailable
                     : code == 530 ? kErrFtpLogin
                     : code == 425 ? kErrFtpNoDataChannel
                                   : kErrFtpInternal);
            }
            break;
        case kQuit:
            break;
        case kStor:
            if (code == 125 || code == 150) {
                if (data_) data_->StartUpload();
            } else if (code == 226 || code == 250) {
                transferConfirmed_ = true;
                if (dataState_ == kDataEnded) EndTransfer();
            } else {
                Fail(code == 421                            ? kErrFtpNotAvailable
                     : OneOf(code, {530, 532})            ? kErrFtpLogin
                     : OneOf(code, {550, 553, 450, 501})  ? kErrFtpUploadRefused
                     : OneOf(code, {426, 451})            ? kErrFtpClosed
                     : code == 425                        ? kErrFtpNoDataChannel
                     : OneOf(code, {452, 552})            ? kErrFtpStorageFull
                                                          : kErrFtpInternal);
            }
            break;
        default:
            Fail(kErrFtpInternal);
            break;
    }
}

// The data channel has ended and the server confirmed the transfer: the
// next file to store, or the end.
void FtpConnection::EndTransfer() {
    transferConfirmed_ = false;
    if (state_ == kStor && uploadCursor_)
        Go(kPasv);
    else
        Go(kQuit);
}

bool FtpConnection::NextUploadName() {
    if (!uploadCursor_) return false;
    char* name = nullptr;
    char* path = NextListPath(&uploadCursor_, &name);
    if (!path) return false;
    uploadPath_ = path;
    uploadName_ = name ? name : path;
    return true;
}

void FtpConnection::OpenDataChannel(const std::string& reply) {
    uint16_t port;
    if (!ParsePasvReply(reply, port)) {
        Fail(kErrFtpNoDataChannel);
        return;
    }
    ReleaseDataConnection();
    State next;
    if (uploading_) {
        next = NextUploadName() ? kStor : kList;
        dataStarted_ = false;
    } else {
        next = transferType_ != kFtpListing && endedOnFile_ ? kRetr : kList;
    }
    transferConfirmed_ = false;
    data_ = new FtpDataConnection(target_, Host().c_str(), port, next == kStor ? uploadPath_ : std::string());
    dataState_ = kDataNone;
    if (target_) RegisterDataMessages(target_);
    state_ = next;
    if (int32_t failed = data_->Connect()) {
        ReleaseDataConnection();
        dataState_ = kDataFailed;
        Fail(failed);
    }
}

void FtpConnection::RegisterDataMessages(MessageHandler* handler) {
    if (!data_ || !handler) return;
    for (uint32_t m : kDataMessages) handler->Register(this, m, data_->Id());
}

void FtpConnection::ReleaseDataConnection() {
    if (!data_) return;
    if (target_) {
        for (uint32_t m : kDataMessages) target_->Unregister(this, m, data_->Id());
    }
    FtpDataConnection* data = data_;
    data_ = nullptr;
    if (data->IsIdle()) {
        delete data;
    } else {
        data->SetTarget(nullptr);
        data->Detach();
    }
}

void FtpConnection::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    if (data_ && p1 == data_->Id()) {
        for (uint32_t m : kDataMessages) {
            if (m == message) {
                OnDataReport(message, p2);
                return;
            }
        }
    }
    Connection::OnMessage(message, p1, p2);
}

void FtpConnection::OnDataReport(uint32_t message, uint32_t p2) {
    switch (message) {
        case kMsgConnected:
            dataState_ = kDataConnected;
            Go(state_);
            break;
        case kMsgDataReady:
            if (!dataStarted_) {
                dataStarted_ = true;
                Report(kMsgFtpDataStarted, state_ == kList ? 1 : 0);
            }
            Report(kMsgDataReady, 0);
            break;
        case kMsgConnectionEnded:
        case kMsgConnectionFailed: {
            bool failed = message == kMsgConnectionFailed;
            // An empty folder sends no data, yet it is a listing.
            if (!failed && !dataStarted_ && state_ == kList) {
                dataStarted_ = true;
                Report(kMsgFtpDataStarted, 1);
            }
            ReleaseDataConnection();
            dataState_ = failed ? kDataFailed : kDataEnded;
            if (failed) {
                Fail(static_cast<int32_t>(p2));
            } else if (transferConfirmed_) {
                EndTransfer();
            }
            // Else the server's word on the transfer decides: a channel that
            // closed early is no complete file.
            break;
        }
        default:
            break;
    }
}

int FtpConnection::ReadData(char* buffer, int size) {
    return data_ ? data_->ReadData(buffer, size) : 0;
}

void FtpConnection::Close() {
    ReleaseDataConnection();
    Connection::Close();
}

void FtpConnection::SetTarget(MessageHandler* handler) {
    if (data_ && target_) {
        for (uint32_t m : kDataMessages) target_->Unregister(this, m, data_->Id());
    }
    Connection::SetTarget(handler);
    RegisterDataMessages(target_);
    if (data_) data_->SetTarget(handler);
}
