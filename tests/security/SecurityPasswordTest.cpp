// The security password, key generation for a form, certificate
// installation and the security dialogs, under Wine and Xvfb with the real
// crypto library: the prompts are answered as a user would, certificates
// come from Debian's openssl command (tests/security/issue-certificates.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/Preferences.h"
#include "resources/SecurityIds.h"
#include "security/CertificateInstall.h"
#include "security/PasswordSeal.h"
#include "security/SecurityDialogs.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "security/SecurityPrompts.h"
#include "tests/security/PasswordAnswerer.h"
#include "tests/security/SecurityTestData.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace security_test;
using namespace testing_support;

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::string text = ReadWholeFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

SecureByteVector Text(const char* s) {
    SecureByteVector v;
    v.SetBytes(reinterpret_cast<const uint8_t*>(s), static_cast<uint32_t>(strlen(s)));
    return v;
}

std::string DisplayName(const StoredCertificate& entry) {
    return std::string(reinterpret_cast<const char*>(entry.displayName.Data()));
}

// The authorities the user installed: the store's built-in roots left out.
std::vector<StoredCertificate*> UserAuthorities(const SecurityManager& manager) {
    std::vector<StoredCertificate*> out;
    for (ListNode* node = manager.authorities.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        if (!entry->builtIn) out.push_back(entry);
    }
    return out;
}

// The text of the next message box of the program ("Zintu"), pressed OK.
class MessageWatcher {
public:
    MessageWatcher() : presser_("Zintu", IDOK) {}
    std::string Text() const { return presser_.SeenText(); }
    int Count() const { return presser_.Presses(); }

private:
    DialogPresser presser_;
};

// The Unix path of a file of the scratch folder (the script runs outside
// Wine).
std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char* (*)(LPCWSTR);
    auto convert = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return "";
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* unix = convert(wide.c_str());
    std::string out = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Runs tests/security/issue-certificates.sh on the folder; true once it
// finished.
bool IssueCertificates(const std::string& folder) {
    std::string script = UnixPath(SourcePath("tests/security/issue-certificates.sh"));
    std::string command = "/bin/sh " + script + " " + UnixPath(folder);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The Unix process is not Wine's to wait for: its last file tells.
    for (int i = 0; i < 600 && GetFileAttributesA((folder + "\\done").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    return GetFileAttributesA((folder + "\\done").c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DerChain(const std::vector<std::string>& files, CertificateList& chain) {
    chain.Resize(0);
    for (const std::string& file : files) {
        MediumByteVector der;
        std::string bytes = ReadWholeFile(file);
        der.SetBytes(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
        chain.Append(der);
    }
}

MediumByteVector Der(const std::vector<uint8_t>& bytes) {
    MediumByteVector der;
    der.SetBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return der;
}

class SecurityPassword : public ::testing::Test {
protected:
    void SetUp() override {
        g_instance = GetModuleHandleA(nullptr);
        RegisterPanelMessages();
        CreateDirectoryA(dir_.File("user").c_str(), nullptr);
        WriteWholeFile(ini_, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n");
        prefs_ = std::make_unique<Preferences>(ini_.c_str());
        prefs_->LoadAll();
        g_preferences = prefs_.get();
        SetSecurityProfileDirectory(dir_.File("user"));
        ASSERT_EQ(StartSecurityLibrary(), 1);
    }
    void TearDown() override {
        delete g_workingSecurityManager;
        while (g_securityManager) g_securityManager->Release();
        SetSecurityProfileDirectory("");
        g_preferences = nullptr;
        prefs_.reset();
    }
    std::string File(const char* name) const { return dir_.File(std::string("user\\") + name); }
    std::string Ini(const char* section, const char* key) {
        char value[100];
        GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, ini_.c_str());
        return value;
    }
    // A personal entry whose "private key" is the text, sealed under the
    // manager's remembered key (as key generation leaves it).
    static void AddSealedEntry(SecurityManager& m, const char* id, const char* secret) {
        auto* entry = new StoredCertificate();
        entry->keyId.SetBytes(reinterpret_cast<const uint8_t*>(id), 20);
        std::unique_ptr<BlockCipher> context = m.NewStoreContext();
        std::unique_ptr<DigestBase> sha = SecurityDigest(kDigestSha1)->NewSameKind();
        SealWithPassword(Text(secret), m.cachedKey, kPrivateKeyLabel, *context, *sha, entry->encryptedKey,
                         entry->keyCheck);
        entry->AppendTo(m.personalCertificates);
    }
    static int OpenEntry(SecurityManager& m, StoredCertificate& entry, const ByteVector& password, ByteVector& out) {
        std::unique_ptr<BlockCipher> context = m.NewStoreContext();
        std::unique_ptr<DigestBase> sha = SecurityDigest(kDigestSha1)->NewSameKind();
        SecureByteVector master;
        int r = OpenWithPassword(m.passwordBlob, m.passwordCheck, password, kPasswordLabel, context.get(), *sha, master);
        if (r != kSealOpened) return r;
        SecureByteVector key;
        key.Concat(password, master);
        return OpenWithPassword(entry.encryptedKey, entry.keyCheck, key, kPrivateKeyLabel, context.get(), *sha, out);
    }

    ScratchDir dir_;
    std::string ini_ = dir_.File("zintu-test.ini");
    std::unique_ptr<Preferences> prefs_;
};

TEST_F(SecurityPassword, SealOpensOnlyWithItsKeyAndLabel) {
    SecurityManager m(true);
    std::unique_ptr<BlockCipher> context = m.NewStoreContext();
    ASSERT_TRUE(context);
    std::unique_ptr<DigestBase> sha = SecurityDigest(kDigestSha1)->NewSameKind();
    SecureByteVector sealed, check;
    SealWithPassword(Text("master secret bytes"), Text("alpha"), kPasswordLabel, *context, *sha, sealed, check);
    ASSERT_EQ(check.Length(), kSealCheckLength);
    EXPECT_EQ(sealed.Length(), 24u) << "19 bytes and one block of padding";
    struct Case {
        const char* name;
        const char* key;
        const char* label;
        bool context;
        int expected;
    } cases[] = {
        {"right key", "alpha", kPasswordLabel, true, kSealOpened},
        {"wrong key", "alphb", kPasswordLabel, true, kSealWrongKey},
        {"other label", "alpha", kPrivateKeyLabel, true, kSealWrongKey},
        {"no context", "alpha", kPasswordLabel, false, kSealNoContext},
    };
    for (const Case& c : cases) {
        SecureByteVector opened;
        int r = OpenWithPassword(sealed, check, Text(c.key), c.label, c.context ? context.get() : nullptr, *sha, opened);
        EXPECT_EQ(r, c.expected) << c.name;
        if (c.expected == kSealOpened) {
            EXPECT_TRUE(opened.Equals(Text("master secret bytes"))) << c.name;
        }
        if (c.expected == kSealNoContext) {
            EXPECT_EQ(opened.Length(), 0u) << c.name;
        }
    }
}

TEST_F(SecurityPassword, FirstPasswordWritesCheckAndBlob) {
    SecurityManager m(true);
    ASSERT_EQ(m.SetPassword(SecureByteVector(), Text("alpha")), 1);
    std::vector<uint8_t> file = ReadBytes(File("zncert.dat"));
    // Version, the check (length 8), the blob (length 136), no entries.
    ASSERT_EQ(file.size(), 4u + 4 + 8 + 4 + 136 + 4);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 4, file.begin() + 8), FromHex("00000008"));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 16, file.begin() + 20), FromHex("00000088"));
    SecurityManager again(true);
    again.Load(kLoadPersonal);
    EXPECT_EQ(again.CheckPassword(Text("alpha")), 1);
    EXPECT_EQ(again.CheckPassword(Text("alphA")), 0);
    EXPECT_EQ(again.SetPassword(Text("wrong"), Text("beta")), 0);
    EXPECT_EQ(ReadBytes(File("zncert.dat")), file);
}

TEST_F(SecurityPassword, ChangeResealsEveryKeyOrNone) {
    std::vector<uint8_t> before;
    {
        SecurityManager m(true);
        m.askPasswordPolicy = 0;
        ASSERT_EQ(m.SetPassword(SecureByteVector(), Text("old")), 1);
        SecureByteVector master;
        ASSERT_EQ(OpenWithPassword(m.passwordBlob, m.passwordCheck, Text("old"), kPasswordLabel,
                                   m.NewStoreContext().get(), *SecurityDigest(kDigestSha1)->NewSameKind(), master),
                  kSealOpened);
        m.cachedKey.Concat(Text("old"), master);
        AddSealedEntry(m, "first key id 00000000", "first secret");
        AddSealedEntry(m, "second key id 0000000", "second secret");
        m.Save();
        ASSERT_EQ(m.SetPassword(Text("old"), Text("new")), 1);
        const char* secrets[] = {"first secret", "second secret"};
        int i = 0;
        for (ListNode* n = m.personalCertificates.First(); n; n = n->Next(), ++i) {
            auto& entry = *static_cast<StoredCertificate*>(n);
            SecureByteVector key;
            EXPECT_EQ(OpenEntry(m, entry, Text("new"), key), kSealOpened);
            EXPECT_TRUE(key.Equals(Text(secrets[i])));
            EXPECT_EQ(OpenEntry(m, entry, Text("old"), key), kSealWrongKey);
        }
        before = ReadBytes(File("zncert.dat"));
    }
    // One damaged entry: the change fails and nothing changes, neither the
    // files nor what the next Save would write.
    SecurityManager m(true);
    m.Load(kLoadPersonal);
    auto* second = static_cast<StoredCertificate*>(m.personalCertificates.Last());
    second->keyCheck.Data()[0] ^= 1;
    auto* first = static_cast<StoredCertificate*>(m.personalCertificates.First());
    SecureShortByteVector firstKey(first->encryptedKey);
    EXPECT_EQ(m.SetPassword(Text("new"), Text("newer")), 0);
    EXPECT_EQ(ReadBytes(File("zncert.dat")), before);
    EXPECT_TRUE(first->encryptedKey.Equals(firstKey)) << "the first entry was re-sealed for nothing";
    second->keyCheck.Data()[0] ^= 1;
    m.Save();
    EXPECT_EQ(ReadBytes(File("zncert.dat")), before);
}

TEST_F(SecurityPassword, FormKeyThenItsCertificate) {
    char out[16384] = "";
    {
        PasswordAnswerer answers({"secret", "secret"});
        ASSERT_EQ(GenerateFormKey("form challenge", KeySizeFromChoice(3), out, sizeof out), 1);
        EXPECT_EQ(answers.Prompts(), (std::vector<std::string>{"Please enter a security password.",
                                                               "Please reenter the new security password:"}));
    }
    ASSERT_TRUE(g_securityManager);
    auto* entry = static_cast<StoredCertificate*>(g_securityManager->personalCertificates.First());
    ASSERT_TRUE(entry);
    EXPECT_EQ(DisplayName(*entry), "1024 Bit Private Key. No Certificate Loaded");
    EXPECT_EQ(entry->keyId.Length(), 20u);
    EXPECT_EQ(entry->certificate.Length(), 0u);

    // The form's text is a signed public key and challenge that openssl
    // accepts; it issues a certificate for that key.
    std::string work = dir_.File("ca");
    CreateDirectoryA(work.c_str(), nullptr);
    WriteWholeFile(work + "\\spkac.txt", std::string("SPKAC=") + out + "\n");
    ASSERT_TRUE(IssueCertificates(work));
    EXPECT_NE(ReadWholeFile(work + "\\verify.txt").find("Signature OK"), std::string::npos);

    CertificateList ca;
    std::string caPem = ReadWholeFile(work + "\\ca.pem");
    ASSERT_TRUE(DecodePemCertificates(caPem.c_str(), caPem.size(), ca));
    {
        // A certificate for a key the store does not hold.
        MessageWatcher box;
        CertificateList other;
        DerChain({work + "\\other.der"}, other);
        other.Append(ca.Item(0));
        EXPECT_EQ(InstallCertificates(nullptr, kInstallPersonal, other, true, false), 0);
        EXPECT_NE(box.Text().find("no matching private key"), std::string::npos) << box.Text();
    }
    CertificateList chain;
    DerChain({work + "\\client.der"}, chain);
    chain.Append(ca.Item(0));
    EXPECT_EQ(InstallCertificates(nullptr, kInstallByKey, chain, true, false), 1);
    entry = static_cast<StoredCertificate*>(g_securityManager->personalCertificates.First());
    ASSERT_TRUE(entry);
    EXPECT_EQ(g_securityManager->personalCertificates.Count(), 1u);
    EXPECT_EQ(DisplayName(*entry), "Form Key Holder");
    EXPECT_TRUE(entry->certificate.Equals(chain.Item(0)));
    ASSERT_EQ(UserAuthorities(*g_securityManager).size(), 1u);

    // The key opens with the password and is the certificate's key: what
    // its public key encrypts, the private key decrypts.
    PasswordAnswerer answers({"wrong", "secret"});
    ErrorHolder report;
    std::unique_ptr<PublicKey> privateKey = g_securityManager->UnlockPrivateKey(*entry, nullptr, &report);
    ASSERT_TRUE(privateKey) << report.Error().code;
    EXPECT_EQ(answers.Prompts().size(), 2u);
    EXPECT_EQ(answers.Prompts()[1], "Wrong password, please enter the correct security password:");
    std::unique_ptr<PublicKey> publicKey = entry->Parsed()->GetPublicKey(0);
    ByteVector sealed, opened;
    EncryptVector(*publicKey, Text("hello key"), sealed);
    DecryptVector(*privateKey, sealed, opened);
    EXPECT_TRUE(opened.Equals(Text("hello key")));
}

TEST_F(SecurityPassword, PemAuthorityAndAClashingRoot) {
    std::string work = dir_.File("ca");
    CreateDirectoryA(work.c_str(), nullptr);
    ASSERT_TRUE(IssueCertificates(work));
    std::string shownText;
    {
        DialogDriver confirm("Install PEM Certificate", [&](HWND d) {
            shownText = StaticTexts(d);
            CheckWindowScreenshot(d, "personalcert-pem");
            PressDialogButton(d, IDOK);
        });
        EXPECT_EQ(ImportPemCertificates(nullptr, kInstallAuthorities, (work + "\\ca.pem").c_str()), 1);
    }
    EXPECT_NE(shownText.find("Install this PEM encoded certificate chain in the database?"), std::string::npos);
    {
        SecurityManager stored(true);
        stored.Load(kLoadAuthorities);
        ASSERT_EQ(UserAuthorities(stored).size(), 1u);
        StoredCertificate* ca = UserAuthorities(stored)[0];
        EXPECT_EQ(DisplayName(*ca), "Zintu Test CA");
        EXPECT_EQ(ca->allowConnections, 1u);
        EXPECT_EQ(ca->warnBeforeSending, 0u);
    }
    // An intermediate with a root of the same subject as the stored one:
    // the intermediate goes in, the stored root stays, the user is told.
    {
        MessageWatcher box;
        DialogDriver confirm("Install PEM Certificate", [](HWND d) { PressDialogButton(d, IDOK); });
        EXPECT_EQ(ImportPemCertificates(nullptr, kInstallAuthorities, (work + "\\chain2.pem").c_str()), 1);
        EXPECT_NE(box.Text().find("A different certificate already exist"), std::string::npos) << box.Text();
    }
    SecurityManager stored(true);
    stored.Load(kLoadAuthorities);
    std::vector<StoredCertificate*> installed = UserAuthorities(stored);
    ASSERT_EQ(installed.size(), 2u);
    CertificateList ca;
    std::string pem = ReadWholeFile(work + "\\ca.pem");
    ASSERT_TRUE(DecodePemCertificates(pem.c_str(), pem.size(), ca));
    EXPECT_TRUE(installed[0]->certificate.Equals(ca.Item(0)));
    EXPECT_EQ(DisplayName(*installed[1]), "Zintu Test Intermediate 2");
    // Text that is no certificate at all.
    MessageWatcher bad;
    EXPECT_EQ(ImportPemCertificates(nullptr, kInstallAuthorities, "-----BEGIN CERTIFICATE-----\nnonsense\n"), 0);
    PumpUntil([&] { return bad.Count() > 0; });
    EXPECT_NE(bad.Text().find("unknown or has an illegal format"), std::string::npos) << bad.Text();
}

TEST_F(SecurityPassword, SettingsDialogWritesProtocolsOnOk) {
    DialogDriver driver("Security Settings", [](HWND d) {
        CheckWindowScreenshot(d, "securitydlg");
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_SEC_ENABLE_SSL2), BST_CHECKED);
        SendDlgItemMessageA(d, IDC_SEC_ENABLE_SSL2, BM_CLICK, 0, 0);
        PressDialogButton(d, IDOK);
    });
    EXPECT_EQ(OpenSecurityDialog(nullptr), 1);
    EXPECT_TRUE(driver.Found());
    EXPECT_EQ(Ini("SECURITY PREFS", "Enable SSL v2"), "0");
    EXPECT_EQ(Ini("SECURITY PREFS", "Enable SSL v3"), "1");
    ASSERT_TRUE(g_securityManager);
    EXPECT_EQ(g_securityManager->enableSsl2, 0u);
    SecurityManager again(true);
    EXPECT_EQ(again.enableSsl2, 0u);
}

TEST_F(SecurityPassword, CancelAfterPasswordChangeKeepsTheChange) {
    {
        SecurityManager m(true);
        ASSERT_EQ(m.SetPassword(SecureByteVector(), Text("old")), 1);
    }
    // The shared manager as a connection would hold it.
    SecurityManager* shared = SecurityManager::Acquire();
    shared->Load(kLoadPersonal);
    MessageWatcher told;
    PasswordAnswerer answers({"old", "new", "new"});
    DialogDriver driver("Security Settings", [&told](HWND d) {
        PressDialogButton(d, IDC_SEC_SET_PASSWORD);
        // Once the prompts and the message are done, Cancel.
        for (int i = 0; i < 750 && told.Count() == 0; ++i) Sleep(20);
        Sleep(300);
        PressDialogButton(d, IDCANCEL);
    });
    EXPECT_EQ(OpenSecurityDialog(nullptr), 2);
    EXPECT_EQ(answers.Prompts().size(), 3u);
    EXPECT_NE(told.Text().find("Successfully changed"), std::string::npos) << told.Text();
    ASSERT_EQ(g_securityManager, shared);
    shared->Save();
    SecurityManager again(true);
    again.Load(kLoadPersonal);
    EXPECT_EQ(again.CheckPassword(Text("new")), 1);
    EXPECT_EQ(again.CheckPassword(Text("old")), 0);
}

TEST_F(SecurityPassword, CipherListAndCertificateDialogsShow) {
    g_workingSecurityManager = new SecurityManager(true);
    std::vector<std::string> ciphers;
    {
        DialogDriver driver("SSL v2", [&](HWND d) {
            CheckWindowScreenshot(d, "sslconfig");
            HWND list = GetDlgItem(d, IDC_SSLCONFIG_LIST);
            int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                char text[100] = "";
                SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                ciphers.push_back(text);
            }
            // Nothing selected saves an empty list.
            SendMessageA(list, LB_SETSEL, FALSE, -1);
            PressDialogButton(d, IDOK);
        });
        EXPECT_EQ(OpenCipherDialog(nullptr, IDC_SEC_CONFIGURE_V2), 1);
    }
    EXPECT_FALSE(ciphers.empty());
    EXPECT_EQ(g_workingSecurityManager->preferences.savedSsl2Kinds.Count(), 0u);
    EXPECT_EQ(g_workingSecurityManager->preferences.activeSsl2Kinds.Count(), 0u);

    Certificate chain;
    CertificateList ders;
    ders.Append(Der(DataFile("leaf.der")));
    ders.Append(Der(DataFile("inter.der")));
    chain.LoadChain(ders);
    std::string text;
    {
        DialogDriver driver("Wrong certificate name", [&](HWND d) {
            CheckWindowScreenshot(d, "personalcert");
            char t[4000] = "";
            GetDlgItemTextA(d, IDC_CERT_TEXT, t, sizeof t);
            text = t;
            PressDialogButton(d, IDOK);
        });
        g_certificateDialogResult = 0;
        EXPECT_EQ(OpenCertificateList(nullptr, kCertListWrongName, &chain), 1);
        EXPECT_EQ(g_certificateDialogResult, 1u);
    }
    EXPECT_NE(text.find("Certificate Version : 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Public-Key (2048 bit):"), std::string::npos) << text;
    {
        DialogDriver driver("Certificate signer not found", [](HWND d) {
            CheckWindowScreenshot(d, "acceptcertifi");
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_ACCEPT_INSTALL)));
            PressDialogButton(d, IDCANCEL);
        });
        g_certificateDialogResult = 1;
        EXPECT_EQ(OpenCertificateDialog(nullptr, kCertDialogSignerNotFound, chain, 0), 2);
        EXPECT_EQ(g_certificateDialogResult, 0u);
    }
}

}  // namespace
