#include "security/BuiltInRoots.h"

#include <memory>
#include <new>

#include "security/CertificateInstall.h"
#include "security/SecurityManager.h"

// The authority of that subject name, read from the certificates
// themselves: entries of older files keep no subject name of their own.
static StoredCertificate* AuthorityNamed(SecurityManager& manager, const ByteVector& subject) {
    for (ListNode* node = manager.authorities.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        Certificate* parsed = entry->Parsed();
        ShortByteVector name;
        if (parsed) parsed->NameLine(0, false, name);
        if (parsed ? name.Equals(subject) : entry->subjectKey.Equals(subject)) return entry;
    }
    return nullptr;
}

int InstallBuiltInRoots(SecurityManager& manager) {
    int added = 0;
    for (const DerCertificate* root = kBuiltInRoots; root->data; ++root) {
        CertificateList list;
        MediumByteVector der;
        der.SetBytes(root->data, root->length);
        list.Append(der);
        Certificate parsed;
        parsed.LoadChain(list);
        if (parsed.GetError() || parsed.Count() != 1) continue;
        ShortByteVector subject;
        parsed.NameLine(0, false, subject);
        if (StoredCertificate* existing = AuthorityNamed(manager, subject)) {
            // The user's own entry of that name stays as it is; the same
            // certificate is only marked as one of ours.
            if (existing->certificate.Equals(der)) existing->builtIn = 1;
            continue;
        }
        std::unique_ptr<StoredCertificate> entry(new (std::nothrow) StoredCertificate());
        if (!entry) break;
        DescribeStoredCertificate(parsed, 0, *entry);
        entry->allowConnections = 1;
        entry->warnBeforeSending = 0;
        entry->builtIn = 1;
        entry.release()->AppendTo(manager.authorities);
        ++added;
    }
    return added;
}
