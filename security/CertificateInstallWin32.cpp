// The installers as the user meets them: the chain shown for confirmation,
// the outcome told in a message, the store replaced only on success.
#include <windows.h>

#include <memory>
#include <new>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/DialogRuntime.h"
#include "resources/SecurityIds.h"
#include "security/Certificate.h"
#include "security/CertificateInstall.h"
#include "security/SecurityDialogs.h"
#include "security/SecurityManager.h"
#include "security/SecurityPrompts.h"
#include "security/SecurityStrings.h"

namespace {

HWND Owner(void* parent) {
    return static_cast<HWND>(parent);
}

void Tell(void* parent, UINT id) {
    (void)ShowStringMessage(Owner(parent), id, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

// The certificate a dialog shows: a stored one (its own DER) or one of the
// chain.
void ShowCertificateDialog(void* parent, int mode, const CertificateList& chain, uint32_t shown,
                           const MediumByteVector& shownDer) {
    Certificate view;
    if (shownDer.Length()) {
        view.LoadSingle(shownDer);
        shown = 0;
    } else {
        view.LoadChain(chain);
    }
    OpenCertificateDialog(Owner(parent), mode, view, shown);
}

// The first error bit in the order the user is told: true when one was
// reported (the installation stops).
bool ReportStatus(void* parent, uint32_t status, const CertificateList& chain, uint32_t shown,
                  const MediumByteVector& shownDer) {
    if (status & kInstallExpired) {
        (void)MessageBoxA(Owner(parent), "The certificate has expired.", "Installation Failed", MB_OK | MB_ICONSTOP);
        return true;
    }
    if (status & kInstallStoredAuthorityExpired) {
        ShowCertificateDialog(parent, kCertDialogExpiredAuthority, chain, shown, shownDer);
        return true;
    }
    struct Bit {
        uint32_t bit;
        UINT message;
    };
    static const Bit kBits[] = {
        {kInstallNoMatchingKey, IDS_CERT_NO_MATCHING_KEY}, {kInstallFailed, IDS_CERT_INSTALL_FAILED},
        {kInstallBadOrder, IDS_CERT_BAD_ORDER},            {kInstallDifferentClient, IDS_CERT_DIFFERENT_CLIENT},
        {kInstallUnavailable, IDS_SECURITY_NOT_AVAILABLE},
    };
    for (const Bit& b : kBits) {
        if (status & b.bit) {
            Tell(parent, b.message);
            return true;
        }
    }
    if (status & kInstallDifferentAuthority) Tell(parent, IDS_CERT_DIFFERENT_CA);
    return false;
}

}  // namespace

int InstallCertificates(void* parent, int mode, const CertificateList& chain, bool allow, bool warn) {
    auto working = std::unique_ptr<SecurityManager>(new (std::nothrow) SecurityManager(true));
    if (working) working->Load(kLoadPersonal | kLoadAuthorities);
    if (!working || !working->personalLoaded || !working->authoritiesLoaded || !working->haveCertificateSupport) {
        Tell(parent, IDS_CERT_INSTALL_FAILED);
        return 0;
    }
    mode = ResolveInstallMode(*working, mode, chain);
    bool personal = mode == kInstallPersonal;
    if (personal && working->passwordBlob.Length() == 0) {
        // The password change works on this installation's manager.
        SecurityManager* outer = g_workingSecurityManager;
        g_workingSecurityManager = working.get();
        int changed = ChangeSecurityPassword(parent);
        g_workingSecurityManager = outer;
        if (!changed) {
            Tell(parent, IDS_PASSWORD_SET_FAILED);
            return 0;
        }
    }
    uint32_t shown = 0;
    MediumByteVector shownDer;
    uint32_t status = InstallChainIntoStore(*working, mode, chain, allow, warn, false, shown, shownDer);
    uint32_t signerMissing = kInstallPersonalSignerMissing | kInstallAuthoritySignerMissing | kInstallUpperSignerMissing;
    while (personal && (status & signerMissing)) {
        g_certificateDialogResult = 0;
        ShowCertificateDialog(parent, kCertDialogSignerNotFound, chain, shown, shownDer);
        if (g_certificateDialogResult != 1) return 0;
        // The user vouched for the signer: the installation goes on
        // without it, once.
        working.reset(new (std::nothrow) SecurityManager(true));
        if (!working) return 0;
        working->Load(kLoadPersonal | kLoadAuthorities);
        status = InstallChainIntoStore(*working, mode, chain, allow, warn, true, shown, shownDer);
        status &= ~signerMissing;
    }
    if (ReportStatus(parent, status, chain, shown, shownDer)) return 0;
    ReplaceSharedSecurityManager(working.release());
    return 1;
}

static bool EndsWithPem(const char* source) {
    size_t n = std::strlen(source);
    return n >= 4 && lstrcmpiA(source + n - 4, ".pem") == 0;
}

static bool ReadWholeFile(const char* path, std::string& out) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char buffer[8192];
    size_t n;
    // A certificate file is small; a huge one is not a certificate.
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && out.size() < (16u << 20)) out.append(buffer, n);
    bool ok = !std::ferror(f) && out.size() < (16u << 20);
    std::fclose(f);
    return ok;
}

int ImportPemCertificates(void* parent, int mode, const char* source) {
    std::string text;
    bool read = source && (EndsWithPem(source) ? ReadWholeFile(source, text) : (text = source, true));
    CertificateList chain;
    if (!read || !DecodePemCertificates(text.data(), text.size(), chain)) {
        Tell(parent, IDS_CERT_UNKNOWN_FORMAT);
        return 0;
    }
    Certificate shown;
    shown.LoadChain(chain);
    g_certificateDialogResult = 0;
    if (OpenCertificateList(Owner(parent), kCertListPem, &shown) != 1) return 0;
    return InstallCertificates(parent, mode, chain, true, false);
}

int InstallCertificateFile(void* parent, int mode, const char* path) {
    std::string bytes;
    if (!path || !ReadWholeFile(path, bytes) || bytes.empty()) {
        Tell(parent, IDS_CERT_UNKNOWN_FORMAT);
        return 0;
    }
    CertificateList chain;
    if (!DecodePemCertificates(bytes.data(), bytes.size(), chain)) {
        MediumByteVector der;
        der.SetBytes(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
        Certificate probe;
        probe.LoadSingle(der);
        if (probe.Count() != 1 || der.Length() != bytes.size()) {
            Tell(parent, IDS_CERT_UNKNOWN_FORMAT);
            return 0;
        }
        chain.Append(der);
    }
    Certificate shown;
    shown.LoadChain(chain);
    int listMode = mode == kInstallPersonal ? kCertListInstallPersonal : kCertListInstallAuthority;
    if (OpenCertificateList(Owner(parent), listMode, &shown) != 1) return 0;
    return InstallCertificates(parent, mode, chain, true, false);
}
