#include "security/SecurityDialogs.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/WindowBase.h"
#include "resources/CoreIds.h"
#include "resources/SecurityIds.h"
#include "security/Certificate.h"
#include "security/CertificateInstall.h"
#include "security/CertificateText.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "security/SecurityPrompts.h"
#include "security/SecurityStrings.h"

uint32_t g_certificateDialogResult = 0;
int g_securityDialogsBusy = 0;

namespace {

constexpr int kSecurityHelpContext = 20140;
constexpr int kCipherHelpContext = 20141;
constexpr int kCertificateHelpContext = 20142;
constexpr int kPasswordTextLimit = 255;

HINSTANCE Instance() {
    return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

std::string LoadText(UINT id) {
    char text[400] = "";
    LoadStringA(Instance(), id, text, sizeof text);
    return text;
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// Counts a security dialog as open for as long as it runs.
struct BusyScope {
    BusyScope() { ++g_securityDialogsBusy; }
    ~BusyScope() { --g_securityDialogsBusy; }
};

INT_PTR RunModal(DialogBase& dialog, const char* name, HWND owner) {
    BusyScope busy;
    return dialog.RunModal(Instance(), name, owner);
}

// ---- SECURITYDLG ------------------------------------------------------------

class SecuritySettingsDialog : public DialogBase {
public:
    SecuritySettingsDialog() : DialogBase(kSecurityHelpContext) {}
    ~SecuritySettingsDialog() override { DropWorking(); }

protected:
    INT_PTR OnInitDialog() override {
        DropWorking();
        g_workingSecurityManager = new (std::nothrow) SecurityManager(true);
        SecurityManager* m = g_workingSecurityManager;
        if (!m) {
            EndDialog(Handle(), 2);
            return TRUE;
        }
        HWND d = Handle();
        Check(d, IDC_SEC_ENABLE_SSL2, m->enableSsl2 != 0);
        Check(d, IDC_SEC_ENABLE_SSL3, m->enableSsl3 != 0);
        Check(d, IDC_SEC_ENABLE_TLS10, m->enableTls10 != 0);
        Check(d, IDC_SEC_WARN_FORM, g_preferences && g_preferences->Get(PrefInt::WarnInsecureForm) != 0);
        Check(d, IDC_SEC_ASK_ONCE, m->askPasswordPolicy == 0);
        Check(d, IDC_SEC_ASK_EVERY_TIME, m->askPasswordPolicy == 1);
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        HWND d = Handle();
        switch (LOWORD(wParam)) {
            case IDOK: return OnOk();
            case IDCANCEL: return OnCancel();
            case IDC_SEC_CONFIGURE_V2:
            case IDC_SEC_CONFIGURE_V3: OpenCipherDialog(d, LOWORD(wParam)); return TRUE;
            case IDC_SEC_PERSONAL: OpenCertificateList(d, kCertListPersonal, nullptr); return TRUE;
            case IDC_SEC_AUTHORITIES: OpenCertificateList(d, kCertListAuthorities, nullptr); return TRUE;
            case IDC_SEC_SET_PASSWORD: ChangeSecurityPasswordAndTell(d); return TRUE;
            case IDC_SEC_HELP: OpenHelpTopic(d, 1, kSecurityHelpContext); return TRUE;
            default: return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    INT_PTR OnOk() {
        HWND d = Handle();
        SecurityManager* m = g_workingSecurityManager;
        if (!m) return OnCancel();
        m->enableSsl2 = Checked(d, IDC_SEC_ENABLE_SSL2);
        m->enableSsl3 = Checked(d, IDC_SEC_ENABLE_SSL3);
        m->enableTls10 = Checked(d, IDC_SEC_ENABLE_TLS10);
        m->securityEnabled = m->enableSsl2 || m->enableSsl3 || m->enableTls10 ? 1 : 0;
        if (g_preferences) g_preferences->Set(PrefInt::WarnInsecureForm, Checked(d, IDC_SEC_WARN_FORM) ? 1 : 0);
        if (Checked(d, IDC_SEC_ASK_ONCE))
            m->askPasswordPolicy = 0;
        else if (Checked(d, IDC_SEC_ASK_EVERY_TIME))
            m->askPasswordPolicy = 1;
        bool enabled = m->securityEnabled != 0;
        g_workingSecurityManager = nullptr;
        ReplaceSharedSecurityManager(m);
        if (!enabled) StopSecurityLibrary();
        EndDialog(d, 1);
        return TRUE;
    }

    INT_PTR OnCancel() {
        DropWorking();
        if (!g_securityManager || !g_securityManager->securityEnabled) StopSecurityLibrary();
        EndDialog(Handle(), 2);
        return TRUE;
    }

    static void DropWorking() {
        delete g_workingSecurityManager;
        g_workingSecurityManager = nullptr;
    }
};

// ---- SSLCONFIG --------------------------------------------------------------

class CipherDialog : public DialogBase {
public:
    explicit CipherDialog(int mode) : DialogBase(kCipherHelpContext), mode_(mode) {}

protected:
    INT_PTR OnInitDialog() override {
        HWND d = Handle();
        const char* name = Ssl2() ? "SSL v2" : "SSL v3/TLS v1";
        SetWindowTextA(d, name);
        SetDlgItemTextA(d, IDC_SSLCONFIG_PROTOCOL, name);
        SecurityManager* m = g_workingSecurityManager;
        HWND list = GetDlgItem(d, IDC_SSLCONFIG_LIST);
        for (int n = 0;; ++n) {
            std::unique_ptr<CipherSuite> suite = GetCipherSuite(n);
            if (!suite) break;
            if (suite->IsSsl3() == Ssl2()) continue;
            const CipherSuiteRow& row = suite->Row();
            auto item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text));
            if (item < 0) continue;
            rows_.push_back(&row);
            SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(rows_.size() - 1));
            bool saved = Ssl2() ? m->preferences.savedSsl2Kinds.Contains(Ssl2CipherKindItem(row.id[0], row.id[1], row.id[2]))
                                : m->preferences.savedSsl3Suites.Contains(CipherSuiteItem(row.id[1], row.id[2]));
            if (saved) SendMessageA(list, LB_SETSEL, TRUE, item);
        }
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDOK: Save(); EndDialog(Handle(), 1); return TRUE;
            case IDCANCEL: EndDialog(Handle(), 2); return TRUE;
            case IDC_SEC_HELP: OpenHelpTopic(Handle(), 1, kCipherHelpContext); return TRUE;
            default: return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    bool Ssl2() const { return mode_ == IDC_SEC_CONFIGURE_V2; }

    void Save() {
        SecurityManager* m = g_workingSecurityManager;
        HWND list = GetDlgItem(Handle(), IDC_SSLCONFIG_LIST);
        auto count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
        std::vector<int> selected(count > 0 ? static_cast<size_t>(count) : 0);
        if (count > 0) SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(selected.data()));
        CipherPreferences& p = m->preferences;
        if (Ssl2())
            p.savedSsl2Kinds.Resize(0);
        else
            p.savedSsl3Suites.Resize(0);
        // From the last selected row to the first: the saved order is the
        // order of preference.
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
            auto index = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(*it), 0);
            if (index < 0 || static_cast<size_t>(index) >= rows_.size()) continue;
            const uint8_t* id = rows_[static_cast<size_t>(index)]->id;
            if (Ssl2())
                p.savedSsl2Kinds.Append(Ssl2CipherKindItem(id[0], id[1], id[2]));
            else
                p.savedSsl3Suites.Append(CipherSuiteItem(id[1], id[2]));
        }
        if (Ssl2())
            p.activeSsl2Kinds.Copy(p.savedSsl2Kinds);
        else
            p.activeSsl3Suites.Copy(p.savedSsl3Suites);
    }

    int mode_;
    std::vector<const CipherSuiteRow*> rows_;
};

// ---- ASKPASSWORD ------------------------------------------------------------

class PasswordDialog : public DialogBase {
public:
    PasswordDialog(const char* prompt, ByteVector& out) : DialogBase(kSecurityHelpContext), prompt_(prompt), out_(out) {}

protected:
    INT_PTR OnInitDialog() override {
        if (prompt_ && *prompt_) SetDlgItemTextA(Handle(), IDC_ASKPASSWORD_PROMPT, prompt_);
        SendDlgItemMessageA(Handle(), IDC_ASKPASSWORD_EDIT, EM_LIMITTEXT, kPasswordTextLimit, 0);
        SetFocus(GetDlgItem(Handle(), IDC_ASKPASSWORD_EDIT));
        return FALSE;  // the focus is set
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDOK: {
                char text[kPasswordTextLimit + 1] = "";
                int n = GetDlgItemTextA(Handle(), IDC_ASKPASSWORD_EDIT, text, sizeof text);
                out_.SetBytes(reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(n > 0 ? n : 0));
                SecureZeroMemory(text, sizeof text);
                SetDlgItemTextA(Handle(), IDC_ASKPASSWORD_EDIT, "");
                EndDialog(Handle(), 1);
                return TRUE;
            }
            case IDCANCEL: EndDialog(Handle(), 2); return TRUE;
            default: return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    const char* prompt_;
    ByteVector& out_;
};

// ---- the certificate view ---------------------------------------------------

std::string NameText(const Certificate* chain, uint32_t i, bool issuer) {
    std::string text;
    if (chain) JoinNameFields(text, chain->NameFields(i, issuer));
    return text;
}

void ShowCertificate(HWND d, const Certificate* chain, uint32_t i) {
    SetDlgItemTextA(d, IDC_CERT_NAME, NameText(chain, i, false).c_str());
    SetDlgItemTextA(d, IDC_CERT_ISSUER, NameText(chain, i, true).c_str());
    SetDlgItemTextA(d, IDC_CERT_TEXT, chain ? CertificateViewText(*chain, i).c_str() : "");
}

// The manager a certificate dialog works with: the working one, else the
// shared one.
SecurityManager* DialogManager() {
    return g_workingSecurityManager ? g_workingSecurityManager : g_securityManager;
}

// Refuses a certificate dialog that cannot work: false (the user told).
bool CertificateDialogsAvailable(HWND owner) {
    SecurityManager* m = DialogManager();
    // The store is made on first use, here as anywhere.
    if (!m) m = SecurityManager::Acquire();
    if (m && !m->unavailable && !m->securityEnabled) {
        ShowSecurityMessage(owner, IDS_SECURITY_NOT_AVAILABLE);
        return false;
    }
    if (!m || m->unavailable || !m->haveCertificateSupport) {
        ShowSecurityMessage(owner, IDS_SECURITY_OPERATION_DISABLED);
        return false;
    }
    return true;
}

// ---- PERSONALCERT -----------------------------------------------------------

struct CaptionAndHeading {
    int mode;
    UINT caption;
    UINT heading;
};

constexpr CaptionAndHeading kListModes[] = {
    {kCertListPersonal, IDS_CERT_CAPTION_PERSONAL, IDS_CERT_HEADING_PERSONAL},
    {kCertListAuthorities, IDS_CERT_CAPTION_SITE, IDS_CERT_HEADING_SITE},
    {kCertListInstallAuthority, IDS_CERT_CAPTION_INSTALL_CA, IDS_CERT_HEADING_INSTALL_CA},
    {kCertListInstallPersonal, IDS_CERT_CAPTION_INSTALL_CLIENT, IDS_CERT_HEADING_INSTALL_CLIENT},
    {kCertListPem, IDS_CERT_CAPTION_PEM, IDS_CERT_HEADING_PEM},
    {kCertListSelectClient, IDS_CERT_CAPTION_SELECT_CLIENT, IDS_CERT_HEADING_SELECT_CLIENT},
    {kCertListSendWarning, IDS_CERT_CAPTION_WARNING, IDS_CERT_HEADING_SEND},
    {kCertListWrongName, IDS_CERT_CAPTION_WRONG_NAME, IDS_CERT_HEADING_WRONG_NAME},
    {kCertListSignerNotFound, IDS_CERT_CAPTION_SIGNER, IDS_CERT_HEADING_SIGNER},
    {kCertListQuestion, IDS_CERT_CAPTION_QUESTION, IDS_CERT_HEADING_QUESTION},
};

class CertificateListDialog : public DialogBase {
public:
    CertificateListDialog(int mode, const Certificate* chain, const std::vector<StoredCertificate*>* candidates)
        : DialogBase(kCertificateHelpContext), mode_(mode), chain_(chain), candidates_(candidates) {}

protected:
    INT_PTR OnInitDialog() override {
        HWND d = Handle();
        for (const CaptionAndHeading& m : kListModes) {
            if (m.mode != mode_) continue;
            SetWindowTextA(d, LoadText(m.caption).c_str());
            SetDlgItemTextA(d, IDC_CERT_HEADING, LoadText(m.heading).c_str());
        }
        selfSignedTop_ = mode_ == kCertListSignerNotFound && chain_ && chain_->Count() &&
                         chain_->IsSelfSigned(chain_->Count() - 1);
        if (selfSignedTop_) SetDlgItemTextA(d, IDC_CERT_HEADING, LoadText(IDS_CERT_HEADING_ROOT).c_str());
        bool listMode = mode_ == kCertListPersonal || mode_ == kCertListAuthorities;
        if (mode_ == kCertListSendWarning || mode_ == kCertListWrongName || mode_ == kCertListSignerNotFound ||
            mode_ == kCertListQuestion)
            SetDlgItemTextA(d, IDOK, LoadText(IDS_CERT_ACCEPT_BUTTON).c_str());
        if (selfSignedTop_) {
            SetDlgItemTextA(d, IDC_CERT_DELETE, LoadText(IDS_CERT_INSTALL_BUTTON).c_str());
            Check(d, IDC_CERT_ALLOW, true);
            Check(d, IDC_CERT_WARN, false);
        } else if (!listMode) {
            ShowWindow(GetDlgItem(d, IDC_CERT_DELETE), SW_HIDE);
        }
        bool flags = mode_ == kCertListAuthorities || selfSignedTop_;
        EnableWindow(GetDlgItem(d, IDC_CERT_ALLOW), flags);
        EnableWindow(GetDlgItem(d, IDC_CERT_WARN), flags);
        FillRows();
        HWND list = GetDlgItem(d, IDC_CERT_LIST);
        for (size_t i = 0; i < rows_.size(); ++i) {
            auto item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows_[i].name.c_str()));
            if (item >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        }
        Select(0);
        if (listMode) EnableWindow(GetDlgItem(d, IDC_CERT_DELETE), !rows_.empty());
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        HWND d = Handle();
        switch (LOWORD(wParam)) {
            case IDOK: return OnOk();
            case IDCANCEL:
                g_certificateDialogResult = 0;
                rows_.clear();
                EndDialog(d, 2);
                return TRUE;
            case IDC_CERT_LIST:
                if (HIWORD(wParam) == LBN_SELCHANGE) Select(static_cast<int>(SendMessageA(GetDlgItem(d, IDC_CERT_LIST), LB_GETCURSEL, 0, 0)));
                return TRUE;
            case IDC_CERT_ALLOW:
            case IDC_CERT_WARN:
                if (Row* row = Selected()) {
                    row->notAllowed = !Checked(d, IDC_CERT_ALLOW);
                    row->warn = Checked(d, IDC_CERT_WARN);
                }
                return TRUE;
            case IDC_CERT_DELETE: return selfSignedTop_ ? OnInstall() : OnDelete();
            case IDC_SEC_HELP: OpenHelpTopic(d, 1, kCertificateHelpContext); return TRUE;
            default: return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    struct Row {
        std::string name;
        const Certificate* chain = nullptr;
        uint32_t index = 0;
        StoredCertificate* stored = nullptr;
        bool deleted = false;
        bool warn = false;
        bool notAllowed = false;
    };

    static std::string EntryName(const ByteVector& displayName) {
        const char* p = reinterpret_cast<const char*>(displayName.Data());
        return p ? std::string(p, strnlen(p, displayName.Length())) : std::string();
    }

    void FillRows() {
        SecurityManager* m = DialogManager();
        if (mode_ == kCertListPersonal || mode_ == kCertListAuthorities) {
            bool personal = mode_ == kCertListPersonal;
            m->Load(personal ? kLoadPersonal : kLoadAuthorities);
            OwningNodeList& list = personal ? m->personalCertificates : m->authorities;
            for (ListNode* n = list.First(); n; n = n->Next()) {
                auto* entry = static_cast<StoredCertificate*>(n);
                Row row;
                row.name = EntryName(entry->displayName);
                row.stored = entry;
                row.chain = entry->certificate.Length() ? entry->Parsed() : nullptr;
                row.warn = entry->warnBeforeSending != 0;
                row.notAllowed = entry->allowConnections == 0;
                rows_.push_back(row);
            }
        } else if (mode_ == kCertListSelectClient && candidates_) {
            for (StoredCertificate* entry : *candidates_) {
                Row row;
                row.name = EntryName(entry->displayName);
                row.stored = entry;
                row.chain = entry->Parsed();
                rows_.push_back(row);
            }
        } else if (chain_) {
            for (uint32_t i = 0; i < chain_->Count(); ++i) {
                ShortByteVector name;
                CertificateDisplayName(chain_->NameFields(i, false), name);
                Row row;
                row.name = EntryName(name);
                row.chain = chain_;
                row.index = i;
                rows_.push_back(row);
            }
        }
    }

    Row* Selected() {
        HWND list = GetDlgItem(Handle(), IDC_CERT_LIST);
        auto item = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (item < 0) return nullptr;
        auto index = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(item), 0);
        return index >= 0 && static_cast<size_t>(index) < rows_.size() ? &rows_[static_cast<size_t>(index)] : nullptr;
    }

    void Select(int item) {
        HWND d = Handle();
        SendMessageA(GetDlgItem(d, IDC_CERT_LIST), LB_SETCURSEL, static_cast<WPARAM>(item), 0);
        Row* row = Selected();
        ShowCertificate(d, row ? row->chain : nullptr, row ? row->index : 0);
        if (row && mode_ == kCertListAuthorities) {
            Check(d, IDC_CERT_ALLOW, !row->notAllowed);
            Check(d, IDC_CERT_WARN, row->warn);
        }
    }

    INT_PTR OnDelete() {
        HWND d = Handle();
        HWND list = GetDlgItem(d, IDC_CERT_LIST);
        auto item = SendMessageA(list, LB_GETCURSEL, 0, 0);
        Row* row = Selected();
        if (!row) return TRUE;
        row->deleted = true;
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(item), 0);
        auto left = SendMessageA(list, LB_GETCOUNT, 0, 0);
        if (left > 0) Select(item > 0 ? static_cast<int>(item - 1) : 0);
        else ShowCertificate(d, nullptr, 0);
        EnableWindow(GetDlgItem(d, IDC_CERT_DELETE), left > 0);
        return TRUE;
    }

    // The root the server sent, installed as an authority with the boxes'
    // flags; the chain is then accepted.
    INT_PTR OnInstall() {
        HWND d = Handle();
        CertificateList top;
        const CertificateList& encoded = chain_->Encoded();
        top.Append(encoded.Item(encoded.Count() - 1));
        InstallCertificates(d, false, top, Checked(d, IDC_CERT_ALLOW), Checked(d, IDC_CERT_WARN));
        g_certificateDialogResult = 1;
        EndDialog(d, 1);
        return TRUE;
    }

    INT_PTR OnOk() {
        HWND d = Handle();
        if (mode_ == kCertListPersonal || mode_ == kCertListAuthorities) {
            for (Row& row : rows_) {
                if (row.deleted) {
                    row.stored->Remove();
                    delete row.stored;
                } else if (mode_ == kCertListAuthorities) {
                    row.stored->allowConnections = row.notAllowed ? 0 : 1;
                    row.stored->warnBeforeSending = row.warn ? 1 : 0;
                }
            }
        } else if (mode_ == kCertListSelectClient) {
            Row* row = Selected();
            g_certificateDialogResult = row ? static_cast<uint32_t>(row - rows_.data()) + 1 : 0;
        } else {
            g_certificateDialogResult = 1;
        }
        EndDialog(d, 1);
        return TRUE;
    }

    int mode_;
    const Certificate* chain_;
    const std::vector<StoredCertificate*>* candidates_;
    std::vector<Row> rows_;
    bool selfSignedTop_ = false;
};

// ---- ACCEPTCERTIFI ----------------------------------------------------------

class CertificateDialog : public DialogBase {
public:
    CertificateDialog(int mode, const Certificate& chain, uint32_t shown)
        : DialogBase(kCertificateHelpContext), mode_(mode), chain_(chain), shown_(shown) {}

protected:
    INT_PTR OnInitDialog() override {
        HWND d = Handle();
        if (mode_ == kCertDialogExpiredAuthority) {
            SetWindowTextA(d, LoadText(IDS_CERT_CAPTION_EXPIRED).c_str());
            SetDlgItemTextA(d, IDC_ACCEPT_TEXT, LoadText(IDS_CERT_TEXT_EXPIRED).c_str());
            ShowWindow(GetDlgItem(d, IDCANCEL), SW_HIDE);
            SetDlgItemTextA(d, IDC_ACCEPT_INSTALL, LoadText(IDS_CERT_REMOVE_BUTTON).c_str());
        } else if (mode_ == kCertDialogSignerNotFound) {
            SetWindowTextA(d, LoadText(IDS_CERT_CAPTION_SIGNER).c_str());
            SetDlgItemTextA(d, IDC_ACCEPT_TEXT, LoadText(IDS_CERT_TEXT_SIGNER).c_str());
            ShowWindow(GetDlgItem(d, IDC_ACCEPT_INSTALL), SW_HIDE);
        }
        EnableWindow(GetDlgItem(d, IDC_CERT_ALLOW), FALSE);
        EnableWindow(GetDlgItem(d, IDC_CERT_WARN), FALSE);
        ShowCertificate(d, &chain_, shown_);
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        HWND d = Handle();
        switch (LOWORD(wParam)) {
            case IDC_ACCEPT_ACCEPT:
            case IDOK:
                if (mode_ == kCertListWrongName || mode_ == kCertDialogExpiredAuthority ||
                    mode_ == kCertDialogSignerNotFound)
                    g_certificateDialogResult = 1;
                EndDialog(d, 1);
                return TRUE;
            case IDCANCEL:
                g_certificateDialogResult = 0;
                EndDialog(d, 2);
                return TRUE;
            case IDC_ACCEPT_INSTALL:
                if (mode_ == kCertDialogExpiredAuthority) RemoveExpired();
                g_certificateDialogResult = 0;
                EndDialog(d, 2);
                return TRUE;
            case IDC_SEC_HELP: OpenHelpTopic(d, 1, kCertificateHelpContext); return TRUE;
            default: return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    // Removes the stored authority of the shown certificate's subject; the
    // store is replaced and saved as the settings dialog's OK does.
    void RemoveExpired() {
        auto* working = new (std::nothrow) SecurityManager(true);
        if (!working) return;
        working->Load(kLoadAuthorities);
        ShortByteVector subject;
        chain_.NameLine(shown_, false, subject);
        if (StoredCertificate* entry = working->FindAuthorityBySubject(subject)) {
            entry->Remove();
            delete entry;
        }
        ReplaceSharedSecurityManager(working);
    }

    int mode_;
    const Certificate& chain_;
    uint32_t shown_;
};

}  // namespace

INT_PTR OpenSecurityDialog(HWND owner) {
    SecuritySettingsDialog dialog;
    return RunModal(dialog, "SECURITYDLG", owner);
}

INT_PTR OpenCipherDialog(HWND owner, int mode) {
    if (!g_workingSecurityManager) {
        ShowSecurityMessage(owner, IDS_SECURITY_NOT_AVAILABLE);
        return -1;
    }
    CipherDialog dialog(mode);
    return RunModal(dialog, "SSLCONFIG", owner);
}

INT_PTR AskPasswordDialog(HWND owner, const char* prompt, ByteVector& out) {
    PasswordDialog dialog(prompt, out);
    return RunModal(dialog, "ASKPASSWORD", owner);
}

INT_PTR OpenCertificateList(HWND owner, int mode, const Certificate* chain,
                            const std::vector<StoredCertificate*>* candidates) {
    if (!CertificateDialogsAvailable(owner)) return -1;
    CertificateListDialog dialog(mode, chain, candidates);
    return RunModal(dialog, "PERSONALCERT", owner);
}

INT_PTR OpenCertificateDialog(HWND owner, int mode, const Certificate& chain, uint32_t shown) {
    CertificateDialog dialog(mode, chain, shown);
    return RunModal(dialog, "ACCEPTCERTIFI", owner);
}

static LRESULT OnSecurityCommand(HWND window, UINT, WPARAM, LPARAM) {
    OpenSecurityDialog(window);
    return 0;
}

void RegisterSecurityCommands() {
    RegisterCommand(CMD_SECURITY, &OnSecurityCommand);
}

std::string CertificateViewText(const Certificate& chain, uint32_t i, const char* connectionLine) {
    std::string text = connectionLine ? connectionLine : "";
    CertificateEntry entry;
    if (!FillCertificateEntry(chain, i, entry)) return text;
    std::string body, subject, issuer;
    FormatCertificateText(entry, body, subject, issuer);
    return text + body;
}

void GatherSeedFromFiles(const char* directory) {
    if (!directory || !*directory) return;
    std::string folder = directory;
    if (folder.back() != '\\') folder += '\\';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    struct Large {
        uint64_t size;
        std::string path;
    };
    std::vector<Large> largest;
    constexpr size_t kRemembered = 10;
    do {
        AddRandomSeed(reinterpret_cast<const uint8_t*>(&found), sizeof found);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        uint64_t size = uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow;
        Large file{size, folder + found.cFileName};
        if (largest.size() < kRemembered) {
            largest.push_back(file);
        } else {
            auto smallest = std::min_element(largest.begin(), largest.end(),
                                             [](const Large& a, const Large& b) { return a.size < b.size; });
            if (smallest->size < size) *smallest = file;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    // Each file is read in pieces, and only so far: the seed needs variety,
    // not all of a large cache file.
    constexpr uint64_t kMostPerFile = 1 << 20;
    for (const Large& file : largest) {
        FILE* f = std::fopen(file.path.c_str(), "rb");
        if (!f) continue;
        uint8_t buffer[4096];
        uint64_t total = 0;
        size_t n;
        while (total < kMostPerFile && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            AddRandomSeed(buffer, static_cast<uint32_t>(n));
            total += n;
        }
        std::fclose(f);
    }
}
