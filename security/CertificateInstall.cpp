#include "security/CertificateInstall.h"

#include <memory>
#include <new>

#include "security/Certificate.h"
#include "security/CryptoLibrary.h"
#include "security/SecurityManager.h"

static constexpr int kKeyIdLength = 20;

static bool LeafKeyId(const Certificate& chain, ShortByteVector& keyId) {
    const Certificate::Entry* leaf = chain.EntryAt(0);
    uint8_t id[kKeyIdLength];
    if (!leaf || crypto::Call<int>(kSlotCertificateKeyId, leaf->certificate, static_cast<uint8_t*>(id)) != kKeyIdLength)
        return false;
    keyId.SetBytes(id, kKeyIdLength);
    return true;
}

int ResolveInstallMode(SecurityManager& manager, int mode, const CertificateList& chain) {
    if (mode != kInstallByKey) return mode;
    Certificate parsed;
    parsed.LoadChain(chain);
    ShortByteVector keyId;
    manager.Load(kLoadPersonal);
    if (LeafKeyId(parsed, keyId) && manager.FindPersonalByKeyId(keyId)) return kInstallPersonal;
    return kInstallAuthorities;
}

void DescribeStoredCertificate(const Certificate& chain, uint32_t i, StoredCertificate& entry) {
    entry.certificate.Assign(chain.Encoded().Item(i));
    std::unique_ptr<PublicKey> key = chain.GetPublicKey(i);
    entry.kind = static_cast<uint16_t>(key ? key->Kind() : 0);
    chain.NameLine(i, false, entry.subjectKey);
    CertificateDisplayName(chain.NameFields(i, false), entry.displayName);
}

// Verifies the certificate against a stored authority's certificate: 0 fine,
// else the bit it gives.
static uint32_t CheckAgainstStored(const MediumByteVector& certificate, const MediumByteVector& issuer) {
    CertificateList pair;
    pair.Append(certificate);
    pair.Append(issuer);
    Certificate both;
    both.LoadChain(pair);
    if (both.Count() != 2) return kInstallFailed;
    int ok = both.Verify(nullptr);
    if (both.EntryAt(1)->expired) return kInstallStoredAuthorityExpired;
    return ok ? 0u : uint32_t{kInstallFailed};
}

// Step 4: the top of the chain against the stored authorities above it.
static uint32_t CheckSigners(SecurityManager& manager, const Certificate& chain, bool personal, bool confirmed,
                             uint32_t& shown, MediumByteVector& shownDer) {
    uint32_t top = chain.Count() - 1;
    if (chain.IsSelfSigned(top)) return 0;
    ShortByteVector issuerName;
    chain.NameLine(top, true, issuerName);
    StoredCertificate* issuer = manager.FindAuthorityBySubject(issuerName);
    if (!issuer) {
        if (confirmed) return 0;
        shown = top;
        return personal ? kInstallPersonalSignerMissing : kInstallAuthoritySignerMissing;
    }
    uint32_t status = 0;
    const MediumByteVector* below = &chain.Encoded().Item(top);
    // Bounded: stored authorities that name each other must not loop.
    for (int depth = 0; issuer && depth < 16; ++depth) {
        uint32_t bit = CheckAgainstStored(*below, issuer->certificate);
        if (bit == kInstallFailed) return status | bit;
        if (bit) {
            status |= bit;
            shownDer.Assign(issuer->certificate);
        }
        Certificate* parsed = issuer->Parsed();
        if (!parsed || parsed->IsSelfSigned(0)) break;
        ShortByteVector upper;
        parsed->NameLine(0, true, upper);
        StoredCertificate* next = manager.FindAuthorityBySubject(upper);
        if (!next) {
            status |= kInstallUpperSignerMissing;
            shownDer.Assign(issuer->certificate);
            break;
        }
        below = &issuer->certificate;
        issuer = next;
    }
    return status;
}

uint32_t InstallChainIntoStore(SecurityManager& manager, int mode, const CertificateList& chain, bool allow,
                               bool warn, bool confirmed, uint32_t& shown, MediumByteVector& shownDer) {
    shown = 0;
    shownDer.Resize(0);
    if (!manager.haveCertificateSupport || !manager.haveStoreCipher) return kInstallUnavailable;
    mode = ResolveInstallMode(manager, mode, chain);
    bool personal = mode == kInstallPersonal;
    Certificate parsed;
    parsed.LoadChain(chain);
    // An empty or undecodable chain installs nothing.
    if (parsed.Count() == 0 || parsed.Count() != chain.Count()) return kInstallFailed;
    int verified = parsed.Verify(nullptr);
    for (uint32_t i = 0; i < parsed.Count(); ++i) {
        if (parsed.EntryAt(i)->expired) return kInstallExpired;
    }
    if (!verified) return parsed.Error().code == kCodeChainOutOfOrder ? kInstallBadOrder : kInstallFailed;
    manager.Load(kLoadPersonal | kLoadAuthorities);
    uint32_t status = CheckSigners(manager, parsed, personal, confirmed, shown, shownDer);
    if (status & kInstallFailed) return status;
    uint32_t first = 0;
    if (personal) {
        ShortByteVector keyId;
        StoredCertificate* entry = LeafKeyId(parsed, keyId) ? manager.FindPersonalByKeyId(keyId) : nullptr;
        if (!entry) return status | kInstallNoMatchingKey;
        if (entry->certificate.Length() && !entry->certificate.Equals(chain.Item(0)))
            return status | kInstallDifferentClient;
        DescribeStoredCertificate(parsed, 0, *entry);
        first = 1;
    }
    uint32_t top = parsed.Count() - 1;
    for (uint32_t i = first; i < parsed.Count(); ++i) {
        ShortByteVector subject;
        parsed.NameLine(i, false, subject);
        StoredCertificate* existing = manager.FindAuthorityBySubject(subject);
        // Only the certificate an authority chain is about may replace a
        // stored authority; one that comes along with a chain never does,
        // or a downloaded chain could swap a trusted root for its own.
        if (existing && (personal || i > 0)) {
            if (!existing->certificate.Equals(chain.Item(i))) status |= kInstallDifferentAuthority;
            continue;
        }
        std::unique_ptr<StoredCertificate> made;
        StoredCertificate* entry = existing;
        if (!entry) {
            made.reset(new (std::nothrow) StoredCertificate());
            if (!made) return status | kInstallFailed;
            entry = made.get();
        }
        DescribeStoredCertificate(parsed, i, *entry);
        entry->allowConnections = i == top ? (allow ? 1 : 0) : 1;
        entry->warnBeforeSending = i == top ? (warn ? 1 : 0) : 0;
        if (made) made.release()->AppendTo(manager.authorities);
    }
    return status;
}

bool DecodePemCertificates(const char* text, size_t length, CertificateList& out) {
    out.Resize(0);
    if (!text || length == 0 || length > 0x7FFFFFFF) return false;
    for (int i = 0;; ++i) {
        int n = crypto::Call<int>(kSlotPemCertificate, text, static_cast<int>(length), i, static_cast<uint8_t*>(nullptr), 0);
        if (n <= 0) break;
        MediumByteVector der;
        if (!der.Resize(static_cast<uint32_t>(n))) return false;
        if (crypto::Call<int>(kSlotPemCertificate, text, static_cast<int>(length), i, der.Data(), n) != n) return false;
        out.Append(der);
    }
    return out.Count() > 0;
}
