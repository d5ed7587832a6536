#include "security/SslConnection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "core/AppGlobals.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "security/HandshakeItems.h"
#include "security/HandshakeMessage.h"
#include "security/HostNamePattern.h"
#include "security/SecurityDialogs.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"

// The code a failed secure layer reports to its protocol client with 0x8230:
// the user has seen the security message already.
constexpr uint32_t kSecureLayerFailed = 0x8256;
// The input pump: socket input that came while a security box was open is
// read once the box has closed (retried every 500 ms until then).
constexpr uint32_t kMsgSslInputPump = 0x8252;
constexpr uint32_t kInputRetryMs = 500;
// How often a connection waiting on another's handshake asks again.
constexpr uint32_t kSessionWaitMs = 300;

// ---- tables ----------------------------------------------------------------

namespace {

// Record level: 0 ignore, 1 alerts, 2 handshake, 3 ChangeCipherSpec, 4
// deliver data, 5 deliver late data, 6 an SSL 2.0 record, 14 unexpected.
const SslTableRow kRecordTable[] = {
    {1, 21, 1, 1},   {1, 22, 2, 1},   {2, 21, 1, 1},   {2, 22, 2, 1},   {3, 21, 1, 3},   {3, 22, 2, 3},
    {3, 509, 6, 3},  {3, 23, 14, 10}, {4, 20, 14, 10}, {4, 21, 1, 4},   {4, 22, 2, 4},   {4, 509, 6, 4},
    {4, 23, 14, 10}, {5, 20, 3, 7},   {5, 21, 1, 5},   {6, 20, 3, 8},   {6, 21, 1, 6},   {7, 21, 1, 7},
    {7, 22, 2, 7},   {7, 23, 14, 10}, {8, 21, 1, 8},   {8, 22, 2, 8},   {8, 23, 14, 10}, {9, 20, 14, 10},
    {9, 21, 1, 9},   {9, 22, 2, 1},   {9, 23, 4, 9},   {9, 509, 4, 9},  {10, 21, 1, 10}, {10, 22, 0, 10},
    {10, 23, 4, 10}, {10, 509, 5, 10}, {11, 21, 1, 11}, {11, 22, 0, 11}, {11, 23, 4, 11}, {11, 509, 5, 11},
    {13, 510, 0, 13}, {0, 23, 4, 0},  {0, 21, 1, 0},   {14, 23, 14, 10},
};

// Handshake level: 0 ignore, 7 HelloRequest, 8 ServerHello, 9 Certificate,
// 10 ServerKeyExchange, 11 CertificateRequest, 12 ServerHelloDone, 13
// Finished, 14 unexpected.
const SslTableRow kHandshakeTable[] = {
    {9, 0, 7, 3},    {1, 0, 0, 1},    {2, 0, 0, 2},    {3, 0, 0, 3},    {3, 2, 8, 4},    {3, 2, 8, 4},
    {4, 0, 0, 4},    {4, 11, 9, 4},   {4, 12, 10, 4},  {4, 13, 11, 4},  {4, 14, 12, 5},  {7, 0, 0, 7},
    {7, 20, 13, 9},  {8, 0, 0, 8},    {8, 20, 13, 9},  {10, 0, 0, 10},  {10, 2, 0, 10},  {10, 11, 0, 10},
    {10, 12, 0, 10}, {10, 14, 0, 10}, {10, 20, 0, 10}, {10, 0, 0, 10},  {11, 2, 0, 11},  {11, 11, 0, 11},
    {11, 12, 0, 11}, {11, 14, 0, 11}, {11, 20, 0, 11}, {14, 0, 14, 10},
};

// Alert level: only the next state is read.
const SslTableRow kAlertTable[] = {
    {13, 80, 15, 10}, {13, 47, 16, 10}, {13, 10, 14, 10}, {13, 0, 17, 10}, {13, 30, 18, 10}, {13, 20, 19, 10},
    {1, 40, 20, 10},  {3, 40, 20, 10},  {4, 42, 21, 10},  {4, 43, 21, 10},  {4, 44, 21, 10},  {4, 43, 21, 10},
    {4, 45, 21, 10},  {4, 317, 21, 10}, {4, 46, 21, 10},  {4, 41, 22, 4},   {5, 42, 21, 10},  {5, 43, 21, 10},
    {5, 44, 21, 10},  {5, 43, 21, 10},  {5, 45, 21, 10},  {5, 317, 21, 10}, {5, 46, 21, 10},  {7, 40, 20, 10},
    {8, 40, 20, 10},  {14, 511, 23, 10},
};

// The rows of the name-check codes stand before the default row, or the
// search would never reach them.
const SslErrorRow kErrorTable[] = {
    {0, 0, 0},          {41, 0, 0},         {100, 0, 0},        {90, 0, 0},         {10, 21253, 1},
    {20, 21253, 1},     {21, 21253, 1},     {22, 21253, 1},     {30, 21253, 1},     {40, 21252, 1},
    {42, 21258, 1},     {43, 21259, 0},     {44, 21260, 0},     {45, 21261, 0},     {46, 21262, 0},
    {47, 21253, 1},     {48, 21264, 1},     {49, 21265, 1},     {50, 21253, 1},     {51, 21253, 1},
    {60, 21268, 1},     {70, 21269, 1},     {71, 21270, 0},     {80, 21271, 1},     {298, 21274, 1},
    {554, 21331, 1},    {296, 21272, 1},    {552, 21319, 1},    {317, 21261, 0},    {336, 21271, 1},
    {592, 21328, 1},    {848, 21332, 1},    {1104, 21333, 1},   {16639, 21338, 0},  {327, 21339, 0},
    {583, 21340, 0},    {511, 21273, 1},
};

}  // namespace

const SslTableRow& LookUpSslRow(const SslTableRow* table, uint32_t state, uint32_t event) {
    for (const SslTableRow* row = table;; ++row) {
        if (row->state == kSslEndOfTable) return *row;
        if ((row->state == kSslAnyState || row->state == state) && row->event == event) return *row;
    }
}

const SslTableRow* SslRecordTable() { return kRecordTable; }
const SslTableRow* SslHandshakeTable() { return kHandshakeTable; }
const SslTableRow* SslAlertTable() { return kAlertTable; }

const SslErrorRow& LookUpSslError(uint32_t code) {
    for (const SslErrorRow& row : kErrorTable)
        if (row.code == code || row.code == kCodeUnknown) return row;
    return kErrorTable[sizeof kErrorTable / sizeof *kErrorTable - 1];
}

// ---- what the user sees ------------------------------------------------------

int g_securityDialogBusy = 0;

namespace {

// The connection's questions are modal to the frame: while one is open the
// user can close no window, and with it the connection that asks.
HWND QuestionOwner() {
    return g_frameWindow && IsWindow(g_frameWindow) ? g_frameWindow : nullptr;
}

// The caption from its string (21276 to 21279), cut to 49 characters.
void Caption(uint32_t code, bool fromServer, bool fatal, char* out, size_t size) {
    UINT id = (fatal ? 21278 : 21276) + (fromServer ? 1 : 0);
    char format[64];
    if (LoadStringResource(id, format, sizeof format) <= 0)
        std::snprintf(format, sizeof format, "Secure Connection: %s (%%u)%s", fatal ? "Fatal Error" : "Warning",
                      fromServer ? " from Server" : "");
    char caption[128];
    std::snprintf(caption, sizeof caption, format, code);
    std::snprintf(out, size < 50 ? size : 50, "%s", caption);
}

void DefaultShowFatal(uint32_t code, bool fromServer) {
    const SslErrorRow& row = LookUpSslError(code);
    if (!row.stringId || !g_messageBoxes) return;
    char caption[64];
    Caption(code, fromServer, true, caption, sizeof caption);
    g_messageBoxes->ShowError(QuestionOwner(), row.stringId, caption, nullptr);
}

bool DefaultAskWarning(uint32_t code, bool fromServer) {
    const SslErrorRow& row = LookUpSslError(code);
    if (!g_messageBoxes) return false;
    char caption[64];
    Caption(code, fromServer, false, caption, sizeof caption);
    return g_messageBoxes->AskYesNo(QuestionOwner(), row.stringId, caption, nullptr, true) == IDYES;
}

// The certificate dialog shows the chain with the question of its mode;
// only Accept (OK) accepts, and Install in mode 7 after installing the root.
bool DefaultConfirm(int mode, const Certificate& chain, const char*) {
    g_certificateDialogResult = 0;
    return OpenCertificateList(QuestionOwner(), mode, &chain) == 1 && g_certificateDialogResult == 1;
}

// The certificate dialog lists the candidates; OK sends the one selected,
// Cancel none.
uint32_t DefaultChooseClientCertificate(const std::vector<StoredCertificate*>& candidates) {
    g_certificateDialogResult = 0;
    if (OpenCertificateList(QuestionOwner(), kCertListSelectClient, nullptr, &candidates) != 1) return 0;
    return g_certificateDialogResult <= candidates.size() ? g_certificateDialogResult : 0;
}

const SslUserInterface kDefaultUi = {DefaultShowFatal, DefaultAskWarning, DefaultConfirm,
                                     DefaultChooseClientCertificate};
const SslUserInterface* g_ui = &kDefaultUi;

// Counts the busy counter up around a box.
struct DialogBusy {
    DialogBusy() { ++g_securityDialogBusy; }
    ~DialogBusy() { --g_securityDialogBusy; }
};

}  // namespace

void SetSslUserInterface(const SslUserInterface* ui) {
    g_ui = ui ? ui : &kDefaultUi;
}

// ---- session cache and accepted certificates ------------------------------------

struct SslSessionCacheEntry {
    uint32_t address = 0;
    uint16_t port = 0;
    std::string host;  // the certificate host: servers behind one proxy differ
    ShortByteVector sessionId;
    uint16_t suite = 0;
    ProtocolVersionItem version;
    SecureShortByteVector masterSecret;
    // An SSL 2.0 session (version 2.0): its cipher kind, master key and key
    // argument.
    const CipherSuiteRow* ssl2Kind = nullptr;
    SecureShortByteVector ssl2MasterKey;
    ShortByteVector ssl2KeyArg;
    bool ssl3Only = false;  // the server dropped a hello above SSL 3.0
    bool valid = true;
    bool established = false;
    int users = 0;
    int level = 0;
};

namespace {

std::vector<std::unique_ptr<SslSessionCacheEntry>>& SessionCache() {
    static std::vector<std::unique_ptr<SslSessionCacheEntry>> cache;
    return cache;
}

SslSessionCacheEntry* FindSession(uint32_t address, uint16_t port, const std::string& host) {
    for (auto& entry : SessionCache())
        if (entry->valid && entry->address == address && entry->port == port && entry->host == host)
            return entry.get();
    return nullptr;
}

void ReleaseSession(SslSessionCacheEntry*& entry) {
    if (!entry) return;
    --entry->users;
    auto& cache = SessionCache();
    if (!entry->valid && entry->users <= 0)
        cache.erase(std::remove_if(cache.begin(), cache.end(), [&](auto& e) { return e.get() == entry; }),
                    cache.end());
    entry = nullptr;
}

struct Accepted {
    std::string der;
    std::string host;
};

std::vector<Accepted>& AcceptedCertificates() {
    static std::vector<Accepted> accepted;
    return accepted;
}

std::string DerOf(const Certificate& chain, uint32_t i) {
    const ByteVector& der = chain.Encoded().Item(i);
    return std::string(reinterpret_cast<const char*>(der.Data()), der.Length());
}

bool IsAccepted(const Certificate& chain, const std::string& host) {
    std::string der = DerOf(chain, 0);
    for (const Accepted& a : AcceptedCertificates())
        if (a.der == der && a.host == host) return true;
    return false;
}

void Accept(const Certificate& chain, const std::string& host) {
    if (!IsAccepted(chain, host)) AcceptedCertificates().push_back({DerOf(chain, 0), host});
}

const CipherSuiteRow* SuiteRow(uint16_t code) {
    for (const CipherSuiteRow& row : kCipherSuiteTable)
        if (row.protocol == 1 && (row.id[1] << 8 | row.id[2]) == code) return &row;
    return nullptr;
}

void ReleaseManager(SecurityManager* manager) {
    if (manager) manager->Release();
}

}  // namespace

void ClearSslSessionCache() {
    SessionCache().clear();
}

void ClearAcceptedCertificates() {
    AcceptedCertificates().clear();
}

// ---- construction ------------------------------------------------------------

SslConnection::SslConnection(MessageHandler* target, const char* host, uint16_t port, const char* certificateHost,
                             bool viaProxy)
    : Connection(target, host, port ? port : 443, false),
      manager_(SecurityManager::Acquire(), ReleaseManager),
      certificateHost_(certificateHost ? certificateHost : ""),
      viaProxy_(viaProxy),
      passThrough_(viaProxy) {
    if (!manager_) {
        SetSecurityError(kErrorLibrary, kCodeOutOfMemory);
    } else if (manager_->unavailable || !SecurityLibraryStarted()) {
        SetSecurityError(kErrorLibrary, kCodeSecurityNotAvailable);
    }
}

SslConnection::~SslConnection() {
    if (g_mainHandler) {
        g_mainHandler->CancelDelayed(kMsgSslInputPump, Id(), 0);
        g_mainHandler->CancelDelayed(kMsgSslStartHandshake, Id(), 0);
    }
    // A session this connection was still negotiating never will be.
    if (entry_ && !entry_->established) entry_->valid = false;
    ReleaseSession(entry_);
}

uint32_t SslConnection::SecurityLevel() const {
    auto* row = static_cast<const CipherSuiteRow*>(suiteRow_);
    if (!row || state_ != kSslOpen) return 10;
    return static_cast<uint32_t>(ssl2Level_ ? ssl2Level_ : level_);
}

int SslConnection::OnConnected(uint32_t) {
    if (GetError()) {
        HandleError(Error(), kSslClosed, false);
        return 2;
    }
    ResetHandshake();
    // Through a proxy every new socket (a reconnect too) opens its tunnel
    // first.
    passThrough_ = viaProxy_;
    if (!passThrough_) state_ = SendClientHello();
    return state_ == kSslClosed ? 2 : 1;
}

// Everything of one handshake, so that a reconnect starts afresh; the
// client's queued request stays.
void SslConnection::ResetHandshake() {
    raw_.clear();
    reading_.reset();
    plain_.clear();
    plainRead_ = 0;
    handshakeBytes_.clear();
    transcript_.Resize(0);
    for (CipherState* current : {&writeCurrent_, &readCurrent_}) {
        current->cipher.reset();
        current->mac.reset();
        current->sequence = SequenceNumber();
    }
    writePending_.reset();
    readPending_.reset();
    version_.reset();
    ssl2_.reset();
    ssl2Version_.reset();
    writeSsl2_ = readSsl2_ = ssl2Hello_ = false;
    firstRecord_ = true;
    inputDeferred_ = false;
    state_ = kSslIdle;
    closing_ = closeStarted_ = resumed_ = ownFinishedSent_ = lateData_ = false;
    ResetKeyExchange();
    expectedServerFinished_.Resize(0);
    masterSecret_.Resize(0);
    sessionId_.Resize(0);
    suiteRow_ = nullptr;
    ssl2Level_ = level_ = 0;
}

void SslConnection::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    if (message == kMsgSslInputPump && p1 == Id()) {
        if (g_securityDialogBusy > 0) {
            PostLater(kMsgSslInputPump, kInputRetryMs);
            return;
        }
        g_mainHandler->Unregister(this, kMsgSslInputPump, Id());
        inputDeferred_ = false;
        OnSocketData();
        return;
    }
    if (message != kMsgSslStartHandshake || p1 != Id()) {
        Connection::OnMessage(message, p1, p2);
        return;
    }
    if (g_securityDialogBusy > 0 && g_mainHandler) {
        PostLater(kMsgSslStartHandshake, kInputRetryMs);
        return;
    }
    if (g_mainHandler) g_mainHandler->Unregister(this, kMsgSslStartHandshake, Id());
    if (state_ == kSslWaitingForSession && !reconnect_) {
        state_ = SendClientHello();
        return;
    }
    if (!reconnect_) return;
    reconnect_ = false;
    if (!target_) return;
    if (int error = Connect()) ReportError(error);
}

// The server closed the socket before the handshake completed. One that
// drops a hello announcing TLS may still speak SSL 3.0 or 2.0: the
// connection starts over without TLS; otherwise the handshake failed.
bool SslConnection::TakeOverPeerClose() {
    if (openReached_ || closing_ || passThrough_ || state_ == kSslIdle || state_ >= kSslOpen) return false;
    const SecurityManager& m = *manager_;
    bool handshaking = state_ == kSslHelloSent || state_ == kSslServerHelloReceived ||
                       state_ == kSslClientFinishedSent || state_ == kSslServerCipherChanged;
    bool aboveSsl3 = offered_.Major() > 3 || (offered_.Major() == 3 && offered_.Minor() > 0);
    if (handshaking && !sessionOffered_ && !ssl3Only_ && aboveSsl3 && (m.enableSsl3 || m.enableSsl2)) {
        StartFallback();
        return true;
    }
    state_ = RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosedDuringHandshake, false);
    return true;
}

void SslConnection::StartFallback() {
    if (entry_) entry_->valid = false;
    ReleaseSession(entry_);
    ssl3Only_ = true;
    Connection::Close();
    ResetHandshake();
    // The client sends its request again once the new socket stands.
    outgoing_.clear();
    reconnect_ = true;
    if (g_mainHandler) {
        g_mainHandler->Register(this, kMsgSslStartHandshake, Id());
        g_mainHandler->Post(kMsgSslStartHandshake, Id(), 0);
    }
}

void SslConnection::EndPassThrough() {
    if (!passThrough_) return;
    passThrough_ = false;
    state_ = SendClientHello();
}

// ---- output ----------------------------------------------------------------

// The write side's version: SSL 2.0 from an SSL 2.0-format hello until an
// SSL 3.0 ServerHello chooses the version.
ProtocolVersion* SslConnection::WriteVersion() const {
    return writeSsl2_ ? static_cast<ProtocolVersion*>(ssl2Version_.get()) : version_.get();
}

std::unique_ptr<ProtectableRecord> SslConnection::NewWriteRecord() const {
    if (ProtocolVersion* version = WriteVersion()) return version->NewRecord();
    return std::unique_ptr<ProtectableRecord>(new (std::nothrow) SslPlainRecord);
}

void SslConnection::SendRecord(uint32_t contentType, const uint8_t* data, uint32_t length) {
    std::unique_ptr<ProtectableRecord> record = NewWriteRecord();
    if (!record) return;
    if (!writeSsl2_) record->SetVersion(version_ ? version_->VersionNumber() : offered_);
    record->SetContentType(contentType);
    record->SetBytes(data, length);
    record->BeginProtect();
    std::unique_ptr<ProtectableRecord> sent = record->Protect(writeCurrent_, 0);
    if (!sent) {
        SetSecurityError(record->Error().errorClass, record->Error().code);
        return;
    }
    std::string wire(sent->EncodedSize(), '\0');
    sent->Write(reinterpret_cast<uint8_t*>(&wire[0]));
    Connection::QueueSend(std::move(wire));
}

void SslConnection::SendHandshake(uint32_t type, const ByteVector& body) {
    std::string message(4 + body.Length(), '\0');
    auto* p = reinterpret_cast<uint8_t*>(&message[0]);
    p[0] = static_cast<uint8_t>(type);
    WriteBigEndian(p + 1, body.Length(), 3);
    if (body.Length()) std::memcpy(p + 4, body.Data(), body.Length());
    transcript_.Append(p, static_cast<uint32_t>(message.size()));
    if (version_) version_->UpdateHandshakeHashes(p, static_cast<uint32_t>(message.size()));
    SendRecord(kContentHandshake, p, static_cast<uint32_t>(message.size()));
}

void SslConnection::QueueSend(std::string data) {
    if (passThrough_) {
        Connection::QueueSend(std::move(data));
        return;
    }
    outgoing_ += data;
    if (state_ == kSslOpen) FlushApplicationData();
}

// An SSL 2.0 record with a block cipher has a 3-byte header, whose length
// field holds below 16384 bytes with the MAC and the padding.
constexpr size_t kSsl2MaxData = 16000;

void SslConnection::FlushApplicationData() {
    while (!outgoing_.empty()) {
        size_t n = std::min<size_t>(outgoing_.size(), writeSsl2_ ? kSsl2MaxData : kMaxPlainFragment);
        SendRecord(writeSsl2_ ? kContentSsl2 : kContentApplicationData,
                   reinterpret_cast<const uint8_t*>(outgoing_.data()), static_cast<uint32_t>(n));
        outgoing_.erase(0, n);
    }
}

void SslConnection::SendAlert(uint32_t level, uint32_t code) {
    if (writeSsl2_) {
        // SSL 2.0 has no alerts: an ERROR message says it.
        Ssl2Message error;
        error.SetType(kSsl2Error);
        error.errorCode = Ssl2CodeForError(code);
        std::vector<uint8_t> bytes(error.MessageSize());
        uint8_t* end = error.WriteMessage(bytes.data());
        SendRecord(kContentSsl2, bytes.data(), static_cast<uint32_t>(end - bytes.data()));
        return;
    }
    uint8_t alert[2] = {static_cast<uint8_t>(level), static_cast<uint8_t>(code)};
    SendRecord(kContentAlert, alert, 2);
}

// ---- input -----------------------------------------------------------------

bool SslConnection::ReadSocketOnce() {
    char buffer[4096];
    int32_t n = Connection::Receive(buffer, sizeof buffer);
    if (n <= 0) return false;
    raw_.append(buffer, static_cast<size_t>(n));
    FeedRecords();
    return true;
}

// One of the connection's own messages, after the delay; at once where the
// program keeps no queue of delayed messages, so that none is lost.
void SslConnection::PostLater(uint32_t message, uint32_t delayMs) {
    if (!g_mainHandler->PostDelayed(message, Id(), 0, delayMs)) g_mainHandler->Post(message, Id(), 0);
}

// While a security box is open nothing is read: what the box decides (go
// on or close) must come before any record that follows.
bool SslConnection::DeferInput() {
    if (g_securityDialogBusy <= 0 || !g_mainHandler) return false;
    if (!inputDeferred_) {
        inputDeferred_ = true;
        g_mainHandler->Register(this, kMsgSslInputPump, Id());
        PostLater(kMsgSslInputPump, kInputRetryMs);
    }
    return true;
}

void SslConnection::FeedRecords() {
    // A connection that chose to close reads no further; one that went on
    // after a warning (state 10 without closing) still takes what came.
    while (!raw_.empty() && !closing_) {
        if (!reading_) {
            // After an SSL 2.0-format hello, a first byte with the top bit
            // set is an SSL 2.0 header; below it an SSL 3.0 record type.
            if (firstRecord_) {
                firstRecord_ = false;
                readSsl2_ = ssl2Hello_ && static_cast<uint8_t>(raw_[0]) >= 0x80;
            }
            if (readSsl2_)
                reading_.reset(new (std::nothrow) Ssl2Record);
            else
                reading_.reset(new (std::nothrow) SslProtectedRecord);
        }
        if (!reading_) {
            state_ = RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
            return;
        }
        uint32_t left = static_cast<uint32_t>(raw_.size());
        reading_->Read(reinterpret_cast<const uint8_t*>(raw_.data()), left);
        raw_.erase(0, raw_.size() - left);
        if (reading_->GetError()) {
            SecurityErrorCode error = reading_->Error();
            reading_.reset();
            state_ = HandleError(error, kSslClosed, false);
            return;
        }
        if (!reading_->IsComplete()) return;
        ProcessRecord(std::move(reading_));
    }
}

void SslConnection::OnSocketData() {
    if (passThrough_) {
        NotifyClientData();
        return;
    }
    if (DeferInput()) return;
    // After the peer's close, read on to the end: the close itself is
    // seen when nothing is left.
    if (state_ < kSslOpen)
        while (ReadSocketOnce() && closed_ && state_ < kSslOpen) {
        }
    // Once open, the client reads through Receive, which also meets the end.
    if (state_ >= kSslOpen && openReached_) NotifyClientData();
}

int32_t SslConnection::Receive(char* buffer, int32_t size) {
    if (passThrough_) return Connection::Receive(buffer, size);
    while (plainRead_ >= plain_.size()) {
        plain_.clear();
        plainRead_ = 0;
        if (!openReached_ || !HasSocket() || DeferInput() || !ReadSocketOnce()) return 0;
    }
    size_t n = std::min(plain_.size() - plainRead_, static_cast<size_t>(size > 0 ? size : 0));
    std::memcpy(buffer, plain_.data() + plainRead_, n);
    plainRead_ += n;
    return static_cast<int32_t>(n);
}

void SslConnection::ProcessRecord(std::unique_ptr<ProtectableRecord> record) {
    // A server that answers the SSL 2.0-format hello in SSL 3.0 records is
    // spoken to in them from now on, its alerts too: in the version its
    // records carry until its ServerHello settles it (SSL 3.0 for a version
    // this program does not speak).
    if (writeSsl2_ && !readSsl2_ && state_ == kSslHelloSent) {
        ErrorHolder unsupported;
        ProtocolVersionItem v = record->Version();
        version_ = MakeProtocolVersion(v.Major(), v.Minor(), SecurityDigest(kDigestMd5),
                                       SecurityDigest(kDigestSha1), &unsupported);
        if (!version_)
            version_ = MakeProtocolVersion(3, 0, SecurityDigest(kDigestMd5), SecurityDigest(kDigestSha1),
                                           &unsupported);
        if (!version_) {
            state_ = RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
            return;
        }
        writeSsl2_ = false;
    }
    // Only the reply to the hello may name another version than ours.
    if (version_ && state_ != kSslHelloSent && !(record->Version() == version_->VersionNumber())) {
        state_ = RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
        return;
    }
    if (!readCurrent_.cipher && !readCurrent_.mac) {
        // SSL 2.0 numbers the records sent in the clear too.
        if (readSsl2_) readCurrent_.sequence.Increment();
    } else {
        record->BeginUnprotect();
        std::unique_ptr<ProtectableRecord> plain = record->Unprotect(readCurrent_, 0);
        if (!plain) {
            state_ = HandleError(record->Error(), kSslClosed, false);
            return;
        }
        record = std::move(plain);
    }
    uint32_t type = CheckContentType(record->ContentType());
    if (type == kContentUnknown) return;
    const SslTableRow& row = LookUpSslRow(kRecordTable, state_, type);
    switch (row.action) {
        case 1: state_ = ReadAlerts(*record); break;
        case 2: state_ = ReadHandshake(*record); break;
        case 3: state_ = ReadChangeCipherSpec(*record, row.next); break;
        case 4:
        case 5:
            // Data is only ever the peer's once the handshake completed:
            // cleartext after a failed handshake is dropped. Late data (an
            // SSL 2.0 record after the close) only where allowed.
            if ((state_ == kSslOpen || openReached_) && (row.action == 4 || lateData_))
                plain_.append(reinterpret_cast<const char*>(record->Data()), record->Length());
            if (row.action == 4) state_ = row.next;
            break;
        case 6:
            if (!ssl2_) {
                state_ = RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
                break;
            }
            ssl2_->SetState(state_);
            state_ = ssl2_->DispatchSsl2Message(record->Data(), record->Length(), kSslClosed);
            break;
        case 14:
            if (!closing_) state_ = RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, row.next, false);
            break;
        default: break;
    }
}

uint32_t SslConnection::ReadHandshake(const ProtectableRecord& record) {
    handshakeBytes_.append(reinterpret_cast<const char*>(record.Data()), record.Length());
    uint32_t state = state_;
    while (handshakeBytes_.size() >= 4 && state != kSslClosed && state != kSslClosedDuringHandshake) {
        auto* p = reinterpret_cast<const uint8_t*>(handshakeBytes_.data());
        uint32_t length = uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
        if (length > 0x10000) return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
        if (handshakeBytes_.size() < 4 + length) break;
        std::string message = handshakeBytes_.substr(0, 4 + length);
        handshakeBytes_.erase(0, 4 + length);
        auto* m = reinterpret_cast<const uint8_t*>(message.data());
        uint32_t type = CheckHandshakeType(m[0]);
        // The server's Finished is checked against the hashes before it.
        if (type != kHelloRequest && type != kFinished) {
            transcript_.Append(m, static_cast<uint32_t>(message.size()));
            if (version_) version_->UpdateHandshakeHashes(m, static_cast<uint32_t>(message.size()));
        }
        const SslTableRow& row = LookUpSslRow(kHandshakeTable, state, type);
        state_ = state;
        switch (row.action) {
            case 8: state = OnServerHello(m + 4, length); break;
            case 9: state = OnCertificate(m + 4, length); break;
            case 10: state = OnServerKeyExchange(m + 4, length); break;
            case 11: state = OnCertificateRequest(m + 4, length); break;
            case 12: state = OnServerHelloDone(); break;
            case 13:
                state = OnFinished(m + 4, length);
                if (state == kSslOpen) {
                    transcript_.Append(m, static_cast<uint32_t>(message.size()));
                    if (version_) version_->UpdateHandshakeHashes(m, static_cast<uint32_t>(message.size()));
                    state = CompleteHandshake();
                }
                break;
            case 7:
                // The server asks for a new handshake: it runs under the
                // keys in force until the new ones take over.
                transcript_.Resize(0);
                lateData_ = ownFinishedSent_ = resumed_ = false;
                ResetKeyExchange();
                expectedServerFinished_.Resize(0);
                state = SendClientHello();
                break;
            case 0: state = row.next; break;
            default:
                if (!closing_) state = RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
                break;
        }
    }
    return state;
}

uint32_t SslConnection::ReadChangeCipherSpec(const ProtectableRecord& record, uint32_t next) {
    if (record.Length() != 1 || record.Data()[0] != 1)
        return RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
    if (!readPending_) return RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
    ActivatePending(false);
    // The server's Finished is always checked, resumed or not.
    version_->ComputeFinished(false, expectedServerFinished_);
    return next;
}

uint32_t SslConnection::ReadAlerts(const ProtectableRecord& record) {
    uint32_t state = state_;
    for (uint32_t i = 0; i + 1 < record.Length(); i += 2) {
        uint32_t level = CheckAlertLevel(record.Data()[i]);
            uint32_t code = CheckAlertCode(record.Data()[i + 1]);
        const SslTableRow& row = LookUpSslRow(kAlertTable, state, code);
        bool carryOn;
        {
            DialogBusy busy;
            if (level == kErrorWarning) {
                const SslErrorRow& error = LookUpSslError(code);
                if (error.terminating) {
                    g_ui->showFatal(code, true);
                    carryOn = false;
                } else {
                    carryOn = !error.stringId || g_ui->askWarning(code, true);
                }
            } else {
                g_ui->showFatal(code, true);
                carryOn = false;
            }
        }
        if (code == kCodeCloseNotify) {
            gracefulClose_ = true;
            // Answered in kind, so that a server waiting for it closes the
            // socket and the reply ends.
            if (!closeStarted_ && (writeCurrent_.cipher || writeCurrent_.mac)) {
                closeStarted_ = true;
                SendAlert(kErrorWarning, kCodeCloseNotify);
            }
        }
        if (!carryOn) {
            closing_ = true;
            state = CloseSecure(row.next);
        } else {
            state = row.next;
        }
    }
    return state;
}

// ---- errors and closing --------------------------------------------------------

uint32_t SslConnection::RaiseAndHandle(uint32_t errorClass, uint32_t code, uint32_t next, bool silent) {
    return HandleError(SecurityErrorCode(errorClass, code), next, silent);
}

uint32_t SslConnection::HandleError(const SecurityErrorCode& error, uint32_t next, bool silent) {
    bool carryOn = false;
    if (!closing_) {
        DialogBusy busy;
        if (error.errorClass == kErrorWarning) {
            const SslErrorRow& row = LookUpSslError(error.code);
            // Only Yes continues, and never for a terminating code.
            if (row.terminating) {
                if (!silent) g_ui->showFatal(error.code, false);
            } else {
                carryOn = silent || !row.stringId || g_ui->askWarning(error.code, false);
            }
        } else if (!silent) {
            g_ui->showFatal(error.code, false);
        }
        ErrorHolder alert;
        alert.SetSecurityError(error.errorClass, error.code);
        bool mid = state_ != kSslIdle && state_ != kSslClosed && state_ != kSslClosedDuringHandshake;
        ProtocolVersion* version = WriteVersion();
        if (mid && version && version->TranslateError(alert) &&
            (alert.Error().errorClass == kErrorWarning || alert.Error().errorClass == kErrorFatal))
            SendAlert(alert.Error().errorClass, alert.Error().code);
    }
    if (error.errorClass != kErrorWarning || !carryOn) {
        closing_ = true;
        return CloseSecure(next);
    }
    return next;
}

uint32_t SslConnection::CloseSecure(uint32_t state) {
    if (!closeStarted_) {
        closeStarted_ = true;
        if (writeCurrent_.cipher || writeCurrent_.mac) SendAlert(kErrorWarning, kCodeCloseNotify);
    }
    if (entry_ && !entry_->established) entry_->valid = false;
    uint32_t next = state == kSslOpen || state_ == kSslOpen ? kSslClosed : kSslClosedDuringHandshake;
    if (closing_ && !failureReported_) {
        failureReported_ = true;
        Report(kMsgConnectionFailed, kSecureLayerFailed);
    }
    Connection::Close();
    return next;
}

void SslConnection::Close() {
    if (state_ == kSslOpen && !closeStarted_ && HasSocket()) {
        closeStarted_ = true;
        SendAlert(kErrorWarning, kCodeCloseNotify);
    }
    Connection::Close();
}

void SslConnection::ActivatePending(bool write) {
    std::unique_ptr<CipherState>& pending = write ? writePending_ : readPending_;
    CipherState& current = write ? writeCurrent_ : readCurrent_;
    if (!pending) return;
    current.cipher = std::move(pending->cipher);
    current.mac = std::move(pending->mac);
    // SSL 2.0's sequence numbers run on across the switch.
    if (!(write ? writeSsl2_ : readSsl2_)) current.sequence = SequenceNumber();
    pending.reset();
}

// ---- the handshake ---------------------------------------------------------------

// The enabled SSL 3.0/TLS suites the program can run, the cached one first.
std::vector<uint16_t> SslConnection::SuitesToOffer() const {
    std::vector<uint16_t> suites;
    const SecurityManager& m = *manager_;
    if (!m.enableSsl3 && !m.enableTls10) return suites;
    const CipherSuiteList& active = m.preferences.activeSsl3Suites;
    // The cached suite goes first, when it is still among the enabled ones.
    if (entry_ && entry_->suite) {
        for (uint32_t i = 0; i < active.Count(); ++i)
            if (active.Item(i).Code() == entry_->suite) suites.push_back(entry_->suite);
    }
    for (uint32_t i = 0; i < active.Count(); ++i) {
        uint16_t code = active.Item(i).Code();
        const CipherSuiteRow* row = SuiteRow(code);
        if (!row || std::find(suites.begin(), suites.end(), code) != suites.end()) continue;
        suites.push_back(code);
    }
    return suites;
}

uint32_t SslConnection::SendClientHello() {
    const SecurityManager& m = *manager_;
    bool v3 = m.enableSsl3 || m.enableTls10;
    if (!v3 && !m.enableSsl2) return RaiseAndHandle(kErrorLibrary, kCodeNoCipherEnabled, kSslClosed, false);
    ReleaseSession(entry_);
    SslSessionCacheEntry* found = FindSession(GetPeerAddress(), Port(), certificateHost_);
    if (found && !found->established) {
        // Another connection is negotiating this server's session: this one
        // asks again in a while and then resumes it (or, should that
        // handshake fail, starts one of its own).
        if (g_mainHandler) {
            g_mainHandler->Register(this, kMsgSslStartHandshake, Id());
            PostLater(kMsgSslStartHandshake, kSessionWaitMs);
        }
        return kSslWaitingForSession;
    }
    entry_ = found;
    if (entry_) {
        ++entry_->users;
        if (entry_->ssl3Only) ssl3Only_ = true;
    }
    std::vector<uint16_t> suites = SuitesToOffer();
    // A server not met before (or only SSL 2.0 enabled), or one that spoke
    // SSL 2.0, gets the hello that every version understands.
    if (!v3 || !entry_ || entry_->version.Major() < 3) return SendSsl2Hello(suites);
    if (suites.empty()) return RaiseAndHandle(kErrorLibrary, kCodeNoCipherEnabled, kSslClosed, false);
    writeSsl2_ = false;
    offered_ = m.enableTls10 && !ssl3Only_ ? ProtocolVersionItem(3, 1) : ProtocolVersionItem(3, 0);
    sessionOffered_ = entry_->sessionId.Length() != 0;

    uint8_t random[32];
    MakeClientRandom(random);
    clientRandom_.SetBytes(random, 32);
    ShortByteVector body;
    uint8_t version[2] = {offered_.Major(), offered_.Minor()};
    body.Append(version, 2);
    body.Append(random, 32);
    uint8_t idLength = static_cast<uint8_t>(entry_->sessionId.Length());
    body.Append(&idLength, 1);
    body.Append(entry_->sessionId);
    uint8_t field[2];
    WriteBigEndian(field, static_cast<uint32_t>(suites.size() * 2), 2);
    body.Append(field, 2);
    for (uint16_t code : suites) {
        WriteBigEndian(field, code, 2);
        body.Append(field, 2);
    }
    uint8_t compression[2] = {1, 0};
    body.Append(compression, 2);
    offeredSuites_ = suites;
    SendHandshake(kClientHello, body);
    return kSslHelloSent;
}

// The SSL 2.0-format CLIENT-HELLO: the SSL 2.0 kinds when SSL 2.0 is on,
// then the SSL 3.0/TLS suites as three bytes each, and a 16-byte challenge
// that is also the end of the client random.
uint32_t SslConnection::SendSsl2Hello(const std::vector<uint16_t>& suites) {
    const SecurityManager& m = *manager_;
    if (m.enableTls10 && !ssl3Only_)
        offered_ = ProtocolVersionItem(3, 1);
    else if (m.enableSsl3)
        offered_ = ProtocolVersionItem(3, 0);
    else
        offered_ = ProtocolVersionItem(2, 0);
    // An SSL 2.0 session of this server is offered again by its id; a
    // server met for the first time gets an entry now, which other
    // connections to it wait on until this handshake has ended.
    sessionOffered_ = entry_ && entry_->version.Major() < 3 && entry_->ssl2Kind && entry_->sessionId.Length();
    if (!entry_ && !NewSessionEntry()) return RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
    offeredKinds_.Resize(0);
    if (m.enableSsl2) offeredKinds_.Copy(m.preferences.activeSsl2Kinds);

    Ssl2Message hello;
    hello.SetType(kSsl2ClientHello);
    hello.version = Ssl2HelloVersion(offered_);
    for (uint32_t i = 0; i < offeredKinds_.Count(); ++i) hello.cipherKinds.Append(offeredKinds_.Item(i).Bytes(), 3);
    if (offered_.Major() >= 3) {
        for (uint16_t code : suites) {
            uint8_t kind[3] = {0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
            hello.cipherKinds.Append(kind, 3);
        }
    }
    if (hello.cipherKinds.Length() == 0)
        return RaiseAndHandle(kErrorLibrary, kCodeNoCipherEnabled, kSslClosed, false);
    uint8_t random[32] = {};
    GetRandomBytes(random + 16, 16);
    clientRandom_.SetBytes(random, 32);
    hello.challenge.SetBytes(random + 16, 16);
    if (sessionOffered_) hello.sessionId.Assign(entry_->sessionId);

    ssl2Version_.reset(new (std::nothrow) Ssl2Version);
    if (ssl2Version_) ssl2_.reset(new (std::nothrow) Ssl2Handshake(*this, *ssl2Version_));
    if (!ssl2Version_ || !ssl2_) return RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
    ssl2Version_->SetMd5(SecurityDigest(kDigestMd5));
    ssl2_->SetChallenge(hello.challenge);
    offeredSuites_ = suites;
    writeSsl2_ = ssl2Hello_ = true;

    std::vector<uint8_t> bytes(hello.MessageSize());
    uint8_t* end = hello.WriteMessage(bytes.data());
    uint32_t length = static_cast<uint32_t>(end - bytes.data());
    // An SSL 3.0 server hashes the message without its record header.
    transcript_.Append(bytes.data(), length);
    SendRecord(kContentSsl2, bytes.data(), length);
    return kSslHelloSent;
}

uint32_t SslConnection::OnServerHello(const uint8_t* body, uint32_t length) {
    if (length < 2 + 32 + 1) return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    ProtocolVersionItem version(body[0], body[1]);
    uint32_t idLength = body[34];
    if (idLength > 32 || length != 35 + idLength + 3)
        return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    const uint8_t* id = body + 35;
    uint16_t suite = static_cast<uint16_t>(id[idLength] << 8 | id[idLength + 1]);
    // Only the null compression method was offered.
    ErrorHolder check;
    CheckCompressionMethod(id[idLength + 2], &check);
    if (check.GetError()) return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    bool versionOk = (version == ProtocolVersionItem(3, 0) && offered_.Major() >= 3) ||
                     (version == ProtocolVersionItem(3, 1) && offered_ == ProtocolVersionItem(3, 1));
    if (!versionOk || std::find(offeredSuites_.begin(), offeredSuites_.end(), suite) == offeredSuites_.end())
        return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
    ErrorHolder report;
    version_ = MakeProtocolVersion(version.Major(), version.Minor(), SecurityDigest(kDigestMd5),
                                   SecurityDigest(kDigestSha1), &report);
    if (!version_) return HandleError(report.Error(), kSslClosed, false);
    // The server chose SSL 3.0 or TLS: the write side follows.
    writeSsl2_ = false;
    version_->UpdateHandshakeHashes(transcript_.Data(), transcript_.Length());
    serverRandom_.SetBytes(body + 2, 32);
    version_->SetValue(kValueClientRandom, clientRandom_);
    version_->SetValue(kValueServerRandom, serverRandom_);
    sessionId_.SetBytes(id, idLength);
    suite_ = suite;
    suiteRow_ = SuiteRow(suite);
    if (!suiteRow_) return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);

    if (entry_ && idLength && sessionId_.Equals(entry_->sessionId)) {
        if (!(entry_->version == version) || entry_->suite != suite)
            return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
        masterSecret_.Assign(entry_->masterSecret);
        level_ = entry_->level;
        version_->SetValue(kValueMasterSecret, masterSecret_);
        if (!DeriveKeys()) return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
        resumed_ = true;
        return kSslResumeAccepted;
    }
    // A new session: it fills the entry made at the hello, or one in place
    // of the session the hello offered.
    SslSessionCacheEntry* entry = entry_ && !entry_->established ? entry_ : NewSessionEntry();
    if (!entry) return RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
    entry->sessionId.Assign(sessionId_);
    entry->suite = suite;
    entry->version = version;
    entry->ssl3Only = ssl3Only_;
    entry->level = level_ = static_cast<const CipherSuiteRow*>(suiteRow_)->level;
    return kSslServerHelloReceived;
}

uint32_t SslConnection::OnCertificate(const uint8_t* body, uint32_t length) {
    if (certificateReceived_) return RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
    certificateReceived_ = true;
    CertificateList list;
    uint32_t left = length;
    list.Read(body, left);
    ErrorHolder report;
    if (left != 0 || !list.IsComplete() || !list.Check(&report) || list.Count() == 0)
        return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    chain_.LoadChain(list);
    if (chain_.GetError() || chain_.Count() == 0) return HandleError(chain_.Error(), kSslClosed, false);
    if (!CheckServerCertificate()) return state_ == kSslClosed || state_ == kSslClosedDuringHandshake ? state_ : kSslClosed;
    serverKey_ = chain_.GetPublicKey(0);
    if (!serverKey_) return RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
    if (serverKey_->Kind() != kKeyRsa) return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    // An export suite may not carry its secret under a key above 512 bits:
    // the server signs a temporary key of its own with the certificate's.
    auto* row = static_cast<const CipherSuiteRow*>(suiteRow_);
    keyExchangeNeeded_ = row && row->exportSuite && serverKey_->KeyBits() > 512;
    if (keyExchangeNeeded_) signingKey_ = std::move(serverKey_);
    return kSslServerHelloReceived;
}

void SslConnection::ResetKeyExchange() {
    clientChain_.Resize(0);
    clientKey_.reset();
    certificateReceived_ = certificateRequested_ = false;
    keyExchangeNeeded_ = keyExchangeReceived_ = false;
    serverKey_.reset();
    signingKey_.reset();
}

// The temporary RSA key of an export suite: modulus and exponent, signed
// with the certificate's key over both randoms and the parameters.
uint32_t SslConnection::OnServerKeyExchange(const uint8_t* body, uint32_t length) {
    if (!certificateReceived_ || keyExchangeReceived_ || !keyExchangeNeeded_ || !signingKey_)
        return RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
    keyExchangeReceived_ = true;
    RsaParametersItem parameters;
    DigitallySignedItem received(kSignedRsa, SecurityDigest(kDigestMd5), SecurityDigest(kDigestSha1));
    uint32_t left = length;
    const uint8_t* at = parameters.Read(body, left);
    if (parameters.IsComplete() && left) received.Read(at, left);
    ErrorHolder report;
    if (left != 0 || !parameters.IsComplete() || !received.IsComplete() || !parameters.Check(&report))
        return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    DigitallySignedItem computed(kSignedRsa, SecurityDigest(kDigestMd5), SecurityDigest(kDigestSha1));
    ShortByteVector signedPart;
    signedPart.SetBytes(body, length - received.EncodedSize());
    computed.Init();
    computed.Update(clientRandom_);
    computed.Update(serverRandom_);
    computed.Update(signedPart);
    computed.Final();
    signingKey_->SetIsPrivate(false);
    if (!received.CheckAgainst(computed, signingKey_.get(), &report)) return HandleError(report.Error(), kSslClosed, false);
    serverKey_ = signingKey_->NewEmpty();
    if (!serverKey_) return RaiseAndHandle(kErrorLibrary, kCodeOutOfMemory, kSslClosed, false);
    if (!serverKey_->SetComponent(0, parameters.modulus) || !serverKey_->SetComponent(1, parameters.exponent))
        return RaiseAndHandle(kErrorFatal, kCodeIllegalParameter, kSslClosed, false);
    serverKey_->SetIsPrivate(false);
    return kSslServerHelloReceived;
}

// The server asks who the client is: after its Certificate only. The user
// chooses among the personal certificates that fit, or sends none.
uint32_t SslConnection::OnCertificateRequest(const uint8_t* body, uint32_t length) {
    if (!certificateReceived_ || certificateRequested_)
        return RaiseAndHandle(kErrorFatal, kCodeUnexpectedMessage, kSslClosed, false);
    certificateRequested_ = true;
    CertificateRequestItem request;
    uint32_t left = length;
    request.Read(body, left);
    ErrorHolder report;
    if (left != 0 || !request.IsComplete()) return RaiseAndHandle(kErrorFatal, kCodeDecodeError, kSslClosed, false);
    // The names must decode; certificate types this program has no keys for
    // (a TLS server lists ECDSA's, 64, beside RSA's) are passed over, not
    // refused.
    if (!request.authorities.Check(&report)) return HandleError(report.Error(), kSslClosed, false);
    ChooseClientChain(request.types, request.authorities);
    return kSslServerHelloReceived;
}

namespace {

// The certificate type a request names for a key: 1 RSA, 2 DSA.
uint8_t CertificateTypeOf(const Certificate& certificate) {
    std::unique_ptr<PublicKey> key = certificate.GetPublicKey(0);
    if (!key) return 0;
    return key->Kind() == kKeyRsa ? 1 : key->Kind() == kKeyDsa ? 2 : 0;
}

}  // namespace

bool SslConnection::ChooseClientChain(const ByteListItem& types, const ShortVectorList& authorities) {
    clientChain_.Resize(0);
    clientKey_.reset();
    SecurityManager& m = *manager_;
    m.Load(kLoadPersonal | kLoadAuthorities);
    std::vector<StoredCertificate*> candidates;
    std::vector<std::vector<StoredCertificate*>> links;
    for (ListNode* node = m.personalCertificates.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        Certificate* parsed = entry->certificate.Length() ? entry->Parsed() : nullptr;
        if (!parsed || !types.Contains(CertificateTypeOf(*parsed))) continue;
        ClientChain chain;
        if (m.BuildClientChain(chain, entry, authorities) != 2) continue;
        candidates.push_back(entry);
        links.push_back(chain.links);
    }
    if (candidates.empty()) return false;
    uint32_t chosen;
    {
        DialogBusy busy;
        chosen = (g_ui->chooseClientCertificate ? g_ui : &kDefaultUi)->chooseClientCertificate(candidates);
    }
    if (chosen == 0 || chosen > candidates.size()) return false;
    StoredCertificate* entry = candidates[chosen - 1];
    {
        // The key stays sealed until the user has chosen; a password the
        // user does not give sends no certificate.
        DialogBusy busy;
        ErrorHolder report;
        clientKey_ = m.UnlockPrivateKey(*entry, nullptr, &report);
    }
    if (!clientKey_) return false;
    clientChain_.Append(entry->certificate);
    for (StoredCertificate* link : links[chosen - 1]) clientChain_.Append(link->certificate);
    return true;
}

bool SslConnection::SendCertificateVerify() {
    SecureShortByteVector md5, sha, hashes;
    version_->CertificateVerifyHashes(md5, sha);
    if (md5.Length() != 16 || sha.Length() != 20) return false;
    hashes.Concat(md5, sha);
    ShortByteVector signature;
    clientKey_->SetIsPrivate(true);
    EncryptVector(*clientKey_, hashes, signature, 0);
    if (clientKey_->GetError() || signature.Length() == 0) return false;
    ShortByteVector body;
    uint8_t field[2];
    WriteBigEndian(field, signature.Length(), 2);
    body.Append(field, 2);
    body.Append(signature);
    SendHandshake(kCertificateVerify, body);
    return true;
}

// The chain against the store and the user: 1 accepted. A refusal has gone
// through the error path already.
bool SslConnection::CheckServerCertificate() {
    ErrorHolder verify;
    int verified = chain_.Verify(&verify);
    bool expired = verify.Error().code == kCodeCertificateExpired || verify.Error().code == kCodeExpiredWarning;
    if (!verified && !expired) {
        SecurityErrorCode error = verify.GetError() ? verify.Error() : SecurityErrorCode(kErrorFatal, 42);
        state_ = HandleError(error, kSslClosed, false);
        return false;
    }
    uint32_t count = chain_.Count();
    std::vector<int> status(count + 1, 0);
    // The issuer of the top certificate among the stored authorities.
    ByteVector issuer;
    chain_.NameLine(count - 1, true, issuer);
    StoredCertificate* authority = nullptr;
    for (ListNode* node = manager_->authorities.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        Certificate* parsed = entry->Parsed();
        if (!parsed) continue;
        ByteVector subject;
        parsed->NameLine(0, false, subject);
        if (subject.Equals(issuer)) {
            authority = entry;
            break;
        }
    }
    if (authority) {
        // The top certificate must carry the authority's signature.
        CertificateList whole;
        whole.Copy(chain_.Encoded());
        whole.Resize(whole.Count() + 1);
        whole.Item(whole.Count() - 1).Assign(authority->certificate);
        Certificate extended;
        extended.LoadChain(whole);
        ErrorHolder report;
        int ok = extended.Verify(&report);
        bool onlyExpired = report.Error().code == kCodeCertificateExpired || report.Error().code == kCodeExpiredWarning;
        if (!ok && !onlyExpired) {
            state_ = HandleError(report.GetError() ? report.Error() : SecurityErrorCode(kErrorFatal, 42),
                                 kSslClosed, false);
            return false;
        }
        if (!authority->allowConnections) {
            state_ = RaiseAndHandle(kErrorFatal, kCodeAccessDenied, kSslClosed, false);
            return false;
        }
        if (authority->warnBeforeSending) status[count] = 1;
    } else if (!IsAccepted(chain_, certificateHost_)) {
        status[count - 1] = 3;
    }
    if (expired) status[0] |= 16;
    return ConfirmServerCertificate(status);
}

bool SslConnection::ConfirmServerCertificate(const std::vector<int>& status) {
    DialogBusy busy;
    const char* host = certificateHost_.c_str();
    bool accepted = IsAccepted(chain_, certificateHost_);
    if (!accepted && (status[0] & 16)) {
        if (!g_ui->confirmCertificate(10, chain_, host)) {
            state_ = RaiseAndHandle(kErrorFatal, kCodeCertificateExpired, kSslClosed, true);
            return false;
        }
    }
    bool unconfirmed = std::any_of(status.begin(), status.end(), [](int s) { return (s & 1) != 0; });
    if (!accepted && unconfirmed) {
        if (!g_ui->confirmCertificate(7, chain_, host)) {
            state_ = RaiseAndHandle(kErrorFatal, kCodeUnknownCa, kSslClosed, true);
            return false;
        }
    }
    if (accepted) return true;
    // Accepting an authority never skips the name: the certificate must
    // still be the host's, or the user must say so for this host.
    std::vector<std::string> subject = chain_.NameFields(0, false);
    std::string commonName = subject.empty() ? std::string() : subject[0];
    int matched = 0;
    if (!commonName.empty() && !certificateHost_.empty()) {
        HostNamePattern pattern(true);
        pattern.Compile(commonName.c_str());
        if (pattern.GetError()) {
            state_ = HandleError(pattern.Error(), kSslClosed, false);
            return false;
        }
        pattern.Match(host, matched);
    }
    if (!matched && !g_ui->confirmCertificate(5, chain_, host)) {
        state_ = RaiseAndHandle(kErrorFatal, kCodeCertificateUnknown, kSslClosed, true);
        return false;
    }
    Accept(chain_, certificateHost_);
    return true;
}

// Fresh pending states of both directions with the suite's cipher and the
// version's MAC, ready for the key block.
bool SslConnection::MakePendingStates(const CipherSuiteRow& row, const ProtocolVersion& version) {
    writePending_.reset(new (std::nothrow) CipherState);
    readPending_.reset(new (std::nothrow) CipherState);
    if (!writePending_ || !readPending_) return false;
    for (CipherState* state : {writePending_.get(), readPending_.get()}) {
        if (row.cipher) {
            BlockCipher* prototype = SecurityCipher(row.cipher);
            if (!prototype) return false;
            state->cipher = prototype->NewSameKind();
            if (!state->cipher) return false;
        }
        state->mac = version.NewRecordMac();
        if (!state->mac) return false;
        state->mac->SetDigest(SecurityDigest(row.digest));
    }
    return true;
}

bool SslConnection::DeriveKeys() {
    auto* row = static_cast<const CipherSuiteRow*>(suiteRow_);
    if (!row || !MakePendingStates(*row, *version_)) return false;
    CipherPair client{static_cast<BlockCipher*>(writePending_->cipher.get()), writePending_->mac.get()};
    CipherPair server{static_cast<BlockCipher*>(readPending_->cipher.get()), readPending_->mac.get()};
    version_->ComputeKeyBlock(masterSecret_, client, server, row->exportSuite, row->exportKeyLength);
    return !version_->GetError();
}

void SslConnection::SendChangeCipherSpecAndFinished() {
    uint8_t one = 1;
    SendRecord(kContentChangeCipherSpec, &one, 1);
    ActivatePending(true);
    SecureShortByteVector finished;
    version_->ComputeFinished(true, finished);
    SendHandshake(kFinished, finished);
    ownFinishedSent_ = true;
}

uint32_t SslConnection::OnServerHelloDone() {
    // Without the server's key (or the temporary one an export suite
    // needs) there is nothing to carry the secret.
    if (!certificateReceived_ || !serverKey_ || (keyExchangeNeeded_ && !keyExchangeReceived_))
        return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
    bool tls = version_->VersionNumber() == ProtocolVersionItem(3, 1);
    bool sendsCertificate = certificateRequested_ && clientKey_ && clientChain_.Count() != 0;
    if (sendsCertificate) {
        ShortByteVector chain;
        chain.Resize(clientChain_.EncodedSize());
        clientChain_.Write(chain.Data());
        SendHandshake(kCertificateMessage, chain);
    } else if (certificateRequested_) {
        if (tls) {
            ShortByteVector empty;
            uint8_t none[3] = {0, 0, 0};
            empty.SetBytes(none, 3);
            SendHandshake(kCertificateMessage, empty);
        } else {
            SendAlert(kErrorWarning, kCodeNoCertificate);
        }
    }
    uint8_t preMaster[48];
    preMaster[0] = offered_.Major();
    preMaster[1] = offered_.Minor();
    MakePreMasterSecret(preMaster + 2);
    SecureShortByteVector secret;
    secret.SetBytes(preMaster, 48);
    WipeMemory(preMaster, sizeof preMaster);
    ShortByteVector encrypted;
    serverKey_->SetIsPrivate(false);
    EncryptVector(*serverKey_, secret, encrypted, 0);
    if (serverKey_->GetError() || encrypted.Length() == 0)
        return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
    ShortByteVector exchange;
    if (tls) {
        uint8_t field[2];
        WriteBigEndian(field, encrypted.Length(), 2);
        exchange.Append(field, 2);
    }
    exchange.Append(encrypted);
    SendHandshake(kClientKeyExchange, exchange);
    level_ = LevelForServerKey(level_, serverKey_->KeyBits());
    if (entry_) entry_->level = level_;
    version_->ComputeMasterSecret(masterSecret_, secret);
    version_->SetValue(kValueMasterSecret, masterSecret_);
    if (masterSecret_.Length() != 48 || !DeriveKeys())
        return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
    if (sendsCertificate && !SendCertificateVerify())
        return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
    SendChangeCipherSpecAndFinished();
    return kSslClientFinishedSent;
}

uint32_t SslConnection::OnFinished(const uint8_t* body, uint32_t length) {
    bool good = expectedServerFinished_.Length() != 0 && length == expectedServerFinished_.Length() &&
                EqualInConstantTime(body, expectedServerFinished_.Data(), length);
    if (!good) return RaiseAndHandle(kErrorFatal, kCodeHandshakeFailure, kSslClosed, false);
    return kSslOpen;
}

uint32_t SslConnection::CompleteHandshake() {
    if (resumed_ && !ownFinishedSent_) SendChangeCipherSpecAndFinished();
    state_ = kSslOpen;
    openReached_ = true;
    if (entry_) {
        entry_->established = true;
        if (!resumed_) entry_->masterSecret.Assign(masterSecret_);
    }
    Report(kMsgSecurityLevel, SecurityLevel());
    FlushApplicationData();
    return kSslOpen;
}

// ---- the SSL 2.0 steps' view of the connection -----------------------------------

void SslConnection::QueueSsl2Record(const uint8_t* bytes, uint32_t length) {
    SendRecord(kContentSsl2, bytes, length);
}

bool SslConnection::Ssl2Enabled() const {
    return manager_->enableSsl2 != 0;
}

bool SslConnection::Ssl3OrTlsEnabled() const {
    return manager_->enableSsl3 || manager_->enableTls10;
}

const Ssl2CipherKindList& SslConnection::OfferedKinds() const {
    return offeredKinds_;
}

bool SslConnection::SetUpSuite(const CipherSuiteRow& suite, const ByteVector& masterKey, const ByteVector&,
                               Ssl2Version& version) {
    suiteRow_ = &suite;
    if (!MakePendingStates(suite, version)) return false;
    // SSL 2.0's pairs are the client's write side and read side.
    CipherPair write{static_cast<BlockCipher*>(writePending_->cipher.get()), writePending_->mac.get()};
    CipherPair read{static_cast<BlockCipher*>(readPending_->cipher.get()), readPending_->mac.get()};
    version.ComputeKeyBlock(masterKey, write, read, suite.exportSuite, suite.exportKeyLength);
    return !version.GetError();
}

void SslConnection::ActivatePendingState() {
    ActivatePending(true);
    ActivatePending(false);
}

int SslConnection::ConfirmServerCertificate(const Certificate& chain, bool& unknown) {
    unknown = true;
    chain_.LoadChain(chain.Encoded());
    if (chain_.GetError() || chain_.Count() == 0) {
        state_ = HandleError(chain_.GetError() ? chain_.Error() : SecurityErrorCode(kErrorFatal, 42), kSslClosed,
                             false);
        return 0;
    }
    return CheckServerCertificate() ? 1 : 0;
}

// SSL 2.0 asks for a certificate of an RSA key.
bool SslConnection::ChooseClientCertificate(Ssl2ClientCredentials& chosen) {
    ByteListItem rsa;
    rsa.SetCount(1);
    rsa.At(0) = 1;
    if (!ChooseClientChain(rsa, ShortVectorList())) return false;
    chosen.certificate.Assign(clientChain_.Item(0));
    chosen.privateKey = std::move(clientKey_);
    return true;
}

uint32_t SslConnection::FailHandshake(const SecurityErrorCode& error, uint32_t nextState, bool silent) {
    return HandleError(error, nextState, silent);
}

bool SslConnection::OfferedSsl2Session(const CipherSuiteRow*& kind, ByteVector& masterKey, ByteVector& keyArg,
                                       int& level) const {
    if (!sessionOffered_ || !entry_ || !entry_->ssl2Kind) return false;
    kind = entry_->ssl2Kind;
    masterKey.Assign(entry_->ssl2MasterKey);
    keyArg.Assign(entry_->ssl2KeyArg);
    level = entry_->level;
    return true;
}

// A completed SSL 2.0 handshake that made a new session keeps it for the
// server, replacing the one offered (if any).
void SslConnection::RememberSsl2Session(int level) {
    bool keep = ssl2_->Suite() && ssl2_->SessionId().Length() != 0 && ssl2_->SessionId().Length() <= 32;
    SslSessionCacheEntry* entry = !keep ? nullptr : entry_ && !entry_->established ? entry_ : NewSessionEntry();
    if (!entry) {
        // Nothing to resume by: the entry goes, so that nobody waits on it.
        if (entry_ && !entry_->established) entry_->valid = false;
        return;
    }
    entry->sessionId.Assign(ssl2_->SessionId());
    entry->version = ProtocolVersionItem(2, 0);
    entry->ssl2Kind = ssl2_->Suite();
    entry->ssl2MasterKey.Assign(ssl2_->MasterKey());
    entry->ssl2KeyArg.Assign(ssl2_->KeyArg());
    entry->ssl3Only = ssl3Only_;
    entry->level = level;
    entry->established = true;
}

// A fresh entry for this server's session, in the cache in place of any
// other of the same server (an unused one is freed); the connection refers
// to it.
SslSessionCacheEntry* SslConnection::NewSessionEntry() {
    if (entry_) entry_->valid = false;
    ReleaseSession(entry_);
    auto fresh = std::unique_ptr<SslSessionCacheEntry>(new (std::nothrow) SslSessionCacheEntry);
    if (!fresh) return nullptr;
    fresh->address = GetPeerAddress();
    fresh->port = Port();
    fresh->host = certificateHost_;
    fresh->version = ProtocolVersionItem(0, 0);
    fresh->ssl3Only = ssl3Only_;
    fresh->users = 1;
    auto& cache = SessionCache();
    for (auto& e : cache)
        if (e->address == fresh->address && e->port == fresh->port && e->host == fresh->host) e->valid = false;
    cache.erase(std::remove_if(cache.begin(), cache.end(), [](auto& e) { return !e->valid && e->users <= 0; }),
                cache.end());
    entry_ = fresh.get();
    cache.push_back(std::move(fresh));
    return entry_;
}

void SslConnection::HandshakeComplete(int level) {
    resumed_ = ssl2_ && ssl2_->Resumed();
    if (ssl2_ && !resumed_) RememberSsl2Session(level);
    ssl2Level_ = level;
    lateData_ = true;
    state_ = kSslOpen;
    openReached_ = true;
    Report(kMsgSecurityLevel, static_cast<uint32_t>(level));
    FlushApplicationData();
}
