// A certificate chain as received from a server (or stored for the user):
// its order is checked here, its signatures and dates by the crypto library,
// whose findings become security errors; and the texts the certificate
// dialogs show.
//
// Ownership: the chain owns its library certificates and store; keys handed
// out by GetPublicKey belong to the caller.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "security/DataItemArray.h"
#include "security/PublicKey.h"

class Certificate : public ErrorHolder {
public:
    struct Entry {
        void* certificate = nullptr;
        bool checked = false;
        bool bad = false;
        bool expired = false;
    };

    Certificate();
    Certificate(const Certificate& other);
    Certificate& operator=(const Certificate&) = delete;
    ~Certificate() override;

    // One entry per DER vector, leaf first. A certificate that cannot be
    // decoded ends the chain there and raises (2, 42).
    void LoadChain(const ItemList<MediumByteVector>& ders);
    void LoadSingle(const ByteVector& der);
    // 1 when the chain is in order and the library accepts it; errors and
    // warnings are raised here and copied to the target.
    int Verify(ErrorHolder* target);

    uint32_t Count() const { return static_cast<uint32_t>(entries_.size()); }
    const Entry* EntryAt(uint32_t i) const { return i < entries_.size() ? &entries_[i] : nullptr; }
    const CertificateList& Encoded() const { return encoded_; }

    // The name fields of entry i (subject or issuer): slots 0 common name,
    // 1 organisation, 2 unit, 3 locality, 4 state and country, then
    // "long name: value" for any other entry. Empty when i is out of range.
    std::vector<std::string> NameFields(uint32_t i, bool issuer) const;
    void NameLine(uint32_t i, bool issuer, ByteVector& out) const;
    void EmailAddress(uint32_t i, bool issuer, ByteVector& out) const;
    std::unique_ptr<PublicKey> GetPublicKey(uint32_t i) const;
    uint32_t GetKeyBits(uint32_t i) const;
    bool IsSelfSigned(uint32_t i) const;

private:
    static int VerifyCallback(int ok, int depth, int code, void* argument);
    int OnFinding(int ok, int depth, int code);
    // The chain's own answer for a certificate whose issuer the library did
    // not find: one of the entries the server sent, its issuer (if any) is
    // judged against the stored authorities later.
    int LookUp(int depth);
    void Clear();
    void Fail(uint32_t index, uint32_t errorClass, uint32_t code);

    std::vector<Entry> entries_;
    void* store_ = nullptr;
    CertificateList encoded_;
};

// Bytes 32 to 126 as they are, any other as \xHH.
std::string EscapeNameValue(const uint8_t* bytes, size_t length);
