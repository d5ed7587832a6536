// The mail client: sends one message to the mail server (greeting, HELO,
// MAIL FROM, one RCPT TO per recipient in the order To, CC, BCC, DATA with
// the headers and the body, QUIT).
//
// Reports besides those of Connection: 0x8291 (id, string id << 16 |
// recipient index from 1) for each refused recipient, which does not stop
// the others; at the end 0x8230 (id, error code), with 33425 when some
// recipients were refused and the others got the message, or 0x8232.
// Every failure goes through RSET to QUIT.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "net/Connection.h"
#include "net/SmtpMessage.h"
#include "net/UploadSource.h"

// Mail error codes (string-table ids).
enum SmtpError : int32_t {
    kErrMailNotAvailable = 33088,     // "Mail server not available"
    kErrMailInternal = 33089,         // "Internal error."
    kErrMailBusy = 33090,             // "mailbox unavailable (busy) or local error ..."
    kErrMailPermanent = 33091,        // "Permanent problems with the mail server. ..."
    kErrMailError = 33092,            // "Mail error"
    kErrMailboxUnavailable = 33093,   // "Mailbox unavailable (e.g. not found or no access)"
    kErrMailUserNotLocal = 33094,     // "User not local (please try <forward path> ???)"
    kErrMailSomeRefused = 33425,      // some recipients were refused
};

class SmtpConnection : public virtual Connection {
public:
    // bodyStream (not owned; it must live until the connection ends), when
    // given, replaces the body text and brings its own content headers.
    SmtpConnection(MessageHandler* target, const char* host, uint16_t port, const char* to, const char* cc,
                   const char* bcc, const char* from, const char* subject, const char* contentType,
                   const char* body, UploadSource* bodyStream);
    ~SmtpConnection() override;

    // The recipient with the 1-based index (To, then CC, then BCC); false
    // when there is none or it does not fit.
    [[nodiscard]] bool GetRecipient(int index, char* buffer, size_t size) const;

    int ReadData(char*, int) override { return 0; }
    int32_t CopyBodyToFile(std::FILE*) override { return 0; }

protected:
    int32_t CheckRequest() override;
    int32_t SendRequest(std::string& out) override;
    void ResetRequest() override;
    void OnDataArrived() override;
    bool MoreToSend() override;
    int32_t PeerCloseError() override;

private:
    enum State : int32_t {
        kGreeting = 0,
        kHelo = 1,
        kMailFrom = 2,
        kRcpt = 3,
        kData = 4,
        kBody = 5,
        kRset = 6,
        kQuit = 9,
    };

    std::string Command();
    void Go(State next);
    void Fail(int32_t code);
    void OnReply(int code);
    void AfterRecipient();
    std::string NextBodyPiece();

    std::string to_, cc_, bcc_, from_, subject_, contentType_, body_;
    bool noSender_;
    UploadSource* stream_;
    std::vector<std::string> recipients_;
    size_t recipientIndex_ = 0;  // RCPT commands sent
    int accepted_ = 0;
    State state_ = kGreeting;
    int32_t error_ = 0;
    std::string reply_;
    size_t bodyCursor_ = 0;
    bool bodyDone_ = false;
    bool sourceDone_ = false;
    DotStuffer stuffer_;
};
