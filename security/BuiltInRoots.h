// The program's built-in root certificates: twelve well-known authorities in
// DER form, joined to the certificate store's authorities when it is made
// (and merged into an authorities file of an older version), so that a new
// user can reach secure sites without installing an authority first.
#pragma once
#include <cstdint>

class SecurityManager;

struct DerCertificate {
    const uint8_t* data;
    uint32_t length;
};

// Ends with {nullptr, 0}. Made by tools/make-built-in-roots.sh.
extern const DerCertificate kBuiltInRoots[];

// For each root that decodes: one whose subject is not among the
// authorities yet is appended, allowed, without a warning and marked
// built-in; one whose subject is there with the same DER is only marked
// built-in. A root that does not decode is skipped; running out of memory
// stops. Answers how many were appended.
int InstallBuiltInRoots(SecurityManager& manager);
