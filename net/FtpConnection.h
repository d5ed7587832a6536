// The passive-mode FTP client: one control connection that logs in, walks
// the path with CWD, and fetches one file (RETR), one listing (LIST) or
// stores files (STOR), each over a data connection to the port that the
// server names in its PASV reply.
//
// The owner sees one connection: the control connection forwards its data
// channel's reports under its own id. Besides the reports of Connection:
// 0x8300 (id, 1 for a listing else 0) once, at the first data; 0x8231 (id,
// 0) whenever data can be read with ReadData; 0x8232, or 0x8230 with the
// stored error code, when the control channel ends after QUIT. Every failure
// of the exchange is stored and reported only then.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "net/Connection.h"

// FTP error codes (string-table ids).
enum FtpError : int32_t {
    kErrFtpNotAvailable = 33056,     // "FTP server not available"
    kErrFtpInternal = 33057,         // "Internal error in FTP module"
    kErrFtpLogin = 33058,            // "Could not connect to FTP server. May require ..."
    kErrFtpUserNotFound = 33059,     // "User not found on FTP server"
    kErrFtpNeedsPassword = 33060,    // "Connection to this FTP server requires user name and password"
    kErrFtpNoDirectory = 33061,      // "FTP directory not found"
    kErrFtpFileNotFound = 33062,     // "File not found"
    kErrFtpClosed = 33063,           // "Connection closed by remote FTP server"
    kErrFtpNoDataChannel = 33064,    // "Could not open remote FTP channel"
    kErrFtpUploadRefused = 33065,    // the upload was refused or its file unreadable
    kErrFtpStorageFull = 33066,      // the server's storage is full
};

// Transfer types of an FTP load.
enum FtpTransferType : int { kFtpText = 1, kFtpImage = 2, kFtpListing = 3 };

// The data channel: reads what the server sends, or sends an upload file.
class FtpDataConnection : public virtual Connection {
public:
    FtpDataConnection(MessageHandler* target, const char* host, uint16_t port, std::string uploadFile);
    ~FtpDataConnection() override;

    int ReadData(char* buffer, int size) override;
    int32_t CopyBodyToFile(std::FILE*) override { return 0; }
    // The server accepted STOR: the file goes out. 33065 is reported when it
    // cannot be read.
    void StartUpload();

protected:
    int32_t SendRequest(std::string& out) override;
    void ResetRequest() override {}
    void OnDataArrived() override;
    bool MoreToSend() override;

private:
    std::string uploadFile_;
    std::FILE* file_ = nullptr;
    bool uploadStarted_ = false;
    bool uploadEnded_ = false;
};

class FtpConnection : public virtual Connection {
public:
    // path: the URL path, still %-escaped, without its leading '/'.
    // uploadList: file names to store (see NextListPath), or null.
    FtpConnection(MessageHandler* target, const char* host, uint16_t port, const char* path, const char* user,
                  const char* password, int transferType, const char* uploadList);
    ~FtpConnection() override;

    const char* GetUser() const { return user_.empty() ? nullptr : user_.c_str(); }
    void SetUser(const char* user) { user_ = user ? user : ""; }
    void SetPassword(const char* password) { password_ = password ? password : ""; }
    // The text of the last informative reply (a welcome text), handed out once.
    std::string GetServerMessage();
    // Whether the transfer under way is a directory listing.
    bool IsListing() const { return state_ == kList; }

    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;
    void Close() override;
    void SetTarget(MessageHandler* handler) override;
    int ReadData(char* buffer, int size) override;
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
        kGreeting = 0,
        kUser = 1,
        kPass = 2,
        kCwd = 3,
        kRetr = 4,
        kType = 5,
        kPasv = 6,
        kList = 7,
        kQuit = 9,
        kStor = 10,
        kCwdRoot = 11,
    };
    enum DataState : int32_t { kDataNone = 0, kDataConnected = 1, kDataEnded = 2, kDataFailed = 3 };

    [[nodiscard]] int32_t BuildCommand(std::string& out) const;
    void Go(State next);
    void Fail(int32_t code);
    void OnReply(int code, const std::string& message, const std::string& last);
    void AfterLogin();
    void WalkOn();
    void AfterWalk(bool endedOnFile);
    void OpenDataChannel(const std::string& reply);
    void OnDataReport(uint32_t message, uint32_t p2);
    void RegisterDataMessages(MessageHandler* handler);
    void ReleaseDataConnection();
    void EndTransfer();
    bool NextUploadName();

    std::string path_;
    std::string user_, password_;
    int transferType_;
    FtpDataConnection* data_ = nullptr;
    DataState dataState_ = kDataNone;
    std::string reply_;
    std::vector<std::string> components_;
    size_t component_ = 0;
    bool endedOnFile_ = false;
    State state_ = kGreeting;
    int32_t error_ = 0;
    bool dataStarted_ = false;
    bool transferConfirmed_ = false;  // the server answered 226 or 250
    std::string serverMessage_;
    // The upload list (changed in place as it is walked), its cursor, and
    // the file being stored with its name on the server.
    std::vector<char> uploads_;
    char* uploadCursor_ = nullptr;
    bool uploading_ = false;
    std::string uploadPath_, uploadName_;
};
