// The security and certificate dialogs: the settings (SECURITYDLG), the
// cipher choice (SSLCONFIG), the password prompt (ASKPASSWORD), the
// certificate lists and questions (PERSONALCERT) and the certificate
// warning (ACCEPTCERTIFI). All modal; each answers what EndDialog got, or
// -1 when it could not be made or was refused (the user has been told).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "security/ByteVector.h"

class Certificate;
class StoredCertificate;

// Modes of the certificate list dialog.
enum : int {
    kCertListInstallAuthority = 1,
    kCertListInstallPersonal = 2,
    kCertListSelectClient = 3,
    kCertListSendWarning = 4,
    kCertListWrongName = 5,
    kCertListSignerNotFound = 7,
    kCertListPem = 9,
    kCertListQuestion = 10,
    kCertListPersonal = 10733,
    kCertListAuthorities = 10734,
};

// Modes of the certificate dialog.
enum : int { kCertDialogExpiredAuthority = 6, kCertDialogSignerNotFound = 8 };

// What the last certificate dialog decided: 0 cancelled, 1 accepted, or
// the chosen client certificate's index + 1.
extern uint32_t g_certificateDialogResult;
// Counted up while a security dialog runs (the secure connections defer
// their messages meanwhile).
extern int g_securityDialogsBusy;

INT_PTR OpenSecurityDialog(HWND owner);
// mode: IDC_SEC_CONFIGURE_V2 or IDC_SEC_CONFIGURE_V3.
INT_PTR OpenCipherDialog(HWND owner, int mode);
// 1 OK (out holds the typed text without a terminator), 2 Cancel.
INT_PTR AskPasswordDialog(HWND owner, const char* prompt, ByteVector& out);
// The list modes show the working manager's store; the others the chain
// (or, selecting a client certificate, the candidates).
INT_PTR OpenCertificateList(HWND owner, int mode, const Certificate* chain,
                            const std::vector<StoredCertificate*>* candidates = nullptr);
// shown is the chain entry whose text is shown first.
INT_PTR OpenCertificateDialog(HWND owner, int mode, const Certificate& chain, uint32_t shown);

// The certificate view's text of chain entry i, after an optional
// connection line ("Connection : SSL v3.0   ").
std::string CertificateViewText(const Certificate& chain, uint32_t i, const char* connectionLine = nullptr);

// The menu commands the security dialogs carry out (Security preferences),
// registered with the command dispatcher at start-up.
void RegisterSecurityCommands();

// Gathers random seed from the files of the profile folder before a key is
// generated: every file's find record, then the contents of the 10 largest.
void GatherSeedFromFiles(const char* directory);
