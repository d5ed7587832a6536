// Putting certificates into the store: a downloaded chain, a PEM file or
// text. The store logic (InstallChainIntoStore) reports its findings as
// status bits; the installers tell the user.
#pragma once
#include <cstdint>

#include "security/DataItemArray.h"

class Certificate;
class SecurityManager;
class StoredCertificate;

// The fields the store keeps of the chain's certificate i: its DER, key
// type, subject name and display name.
void DescribeStoredCertificate(const Certificate& chain, uint32_t i, StoredCertificate& entry);

// Status bits of a chain installation, in the order they are reported.
enum : uint32_t {
    kInstallNoMatchingKey = 0x1,
    kInstallFailed = 0x2,
    kInstallBadOrder = 0x4,
    kInstallPersonalSignerMissing = 0x8,
    kInstallAuthoritySignerMissing = 0x10,
    kInstallUpperSignerMissing = 0x20,
    kInstallDifferentAuthority = 0x40,
    kInstallStoredAuthorityExpired = 0x80,
    kInstallDifferentClient = 0x100,
    kInstallUnavailable = 0x200,
    kInstallExpired = 0x400,
};

// Modes: a personal chain, an authority chain, or personal when the store
// holds the leaf's key (else authorities).
enum : int { kInstallAuthorities = 0, kInstallPersonal = 1, kInstallByKey = 2 };

// Checks the chain (DER, leaf first) against the manager's store and adds
// it; the union of the bits found (0: installed without remarks). shown
// receives the index of the certificate a following dialog shows (in the
// chain, or with kInstallStoredAuthorityExpired / kInstallUpperSignerMissing
// the stored authority's DER in shownDer).
uint32_t InstallChainIntoStore(SecurityManager& manager, int mode, const CertificateList& chain, bool allow,
                               bool warn, bool confirmed, uint32_t& shown, MediumByteVector& shownDer);
// kInstallPersonal or kInstallAuthorities for a mode.
int ResolveInstallMode(SecurityManager& manager, int mode, const CertificateList& chain);

// The whole installation with its messages (parent is a HWND or null): 1
// when the chain went into the store (which is then saved and shared).
int InstallCertificates(void* parent, int mode, const CertificateList& chain, bool allow, bool warn);
// A file name ending in ".pem" (read whole) or PEM text.
int ImportPemCertificates(void* parent, int mode, const char* source);
// A loaded certificate file of content kind 17, 18 or 19 (modes 1, 0, 2):
// DER, or PEM text.
int InstallCertificateFile(void* parent, int mode, const char* path);
// The certificates of PEM text as DER; false when there is none.
bool DecodePemCertificates(const char* text, size_t length, CertificateList& out);
