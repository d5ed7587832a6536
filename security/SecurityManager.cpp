#include "security/SecurityManager.h"

#include <cstdio>
#include <new>

#include "security/BuiltInRoots.h"
#include "security/SecurityLibrary.h"

SecurityManager* g_securityManager = nullptr;
SecurityManager* g_workingSecurityManager = nullptr;

void ReplaceSharedSecurityManager(SecurityManager* working) {
    if (!working) return;
    if (working == g_workingSecurityManager) g_workingSecurityManager = nullptr;
    if (SecurityManager* old = g_securityManager) {
        // The remembered key moves over only when the new manager has none
        // of its own: after a password change the old one no longer opens
        // the keys.
        if (old->RefCount() == 1 && old->askPasswordPolicy == 0 && working->askPasswordPolicy == 0 &&
            working->cachedKey.Length() == 0)
            working->cachedKey.Assign(old->cachedKey);
        g_securityManager = nullptr;
        old->Release();
    }
    g_securityManager = working;
    working->Save();
}

static const char kOptionsFile[] = "znssl.dat";
static const char kPersonalFile[] = "zncert.dat";
static const char kAuthoritiesFile[] = "zncacert.dat";
static const char kIniSsl2[] = "Enable SSL v2";
static const char kIniSsl3[] = "Enable SSL v3";
static const char kIniTls10[] = "Enable TLS v1.0";

// A personal certificate needs no more than this many authorities above it;
// the bound also ends a loop of authorities that issue each other.
static constexpr size_t kMaxChainLinks = 16;

// The files' own integers are little-endian, unlike everything on the wire.
static bool WriteLe(FILE* f, uint32_t value, unsigned width) {
    uint8_t bytes[4];
    for (unsigned i = 0; i < width; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return std::fwrite(bytes, 1, width, f) == width;
}

static bool ReadLe(FILE* f, uint32_t& value, unsigned width) {
    uint8_t bytes[4];
    if (std::fread(bytes, 1, width, f) != width) return false;
    value = 0;
    for (unsigned i = width; i-- > 0;) value = value << 8 | bytes[i];
    return true;
}

static bool KnownVersion(uint32_t version) {
    return version == kSecurityFileVersion || version == kSecurityFileVersion30 ||
           version == kSecurityFileVersion30a;
}

Certificate* StoredCertificate::Parsed() {
    if (parsed_) return parsed_.get();
    auto parsed = std::unique_ptr<Certificate>(new (std::nothrow) Certificate());
    if (!parsed) return nullptr;
    parsed->LoadSingle(certificate);
    if (parsed->GetError() || parsed->Count() != 1) return nullptr;
    parsed_ = std::move(parsed);
    return parsed_.get();
}

SecurityManager::SecurityManager(bool loadNow) {
    preferencePointers_[0] = &preferences;
    preferencePointers_[1] = &preferences;
    if (loadNow) Load(0);
}

SecurityManager::~SecurityManager() {
    if (g_securityManager == this) g_securityManager = nullptr;
    if (g_workingSecurityManager == this) g_workingSecurityManager = nullptr;
}

SecurityManager* SecurityManager::Acquire() {
    if (g_securityManager) {
        g_securityManager->AddRef();
        return g_securityManager;
    }
    g_securityManager = new (std::nothrow) SecurityManager(true);
    return g_securityManager;
}

void SecurityManager::Release() {
    if (--refCount_ == 0) delete this;
}

CipherPreferences* SecurityManager::PreferencesFor(const char*, int, int) {
    return preferencePointers_[0] ? preferencePointers_[0] : preferencePointers_[1];
}

// Steps 1 and 2 of loading: start the library and learn what it offers.
bool SecurityManager::StartOptions() {
    preferences.compressionMethods.SetCount(1);
    preferences.compressionMethods.At(0) = 0;
    securityEnabled = 0;
    haveCertificateSupport = haveStoreCipher = 0;
    if (!StartSecurityLibrary()) {
        unavailable = 1;
        return false;
    }
    unavailable = 0;
    enableSsl3 = enableTls10 = 1;
    askPasswordPolicy = 1;
    haveCertificateSupport = 1;
    haveStoreCipher = SecurityCipher(kCipherDesEde3Cbc) ? 1 : 0;
    availableSuites.Clear();
    availableSsl3Suites.Resize(0);
    availableSsl2Kinds.Resize(0);
    for (int n = 0;; ++n) {
        std::unique_ptr<CipherSuite> suite = GetCipherSuite(n);
        if (!suite) break;
        const uint8_t* id = suite->Row().id;
        if (suite->IsSsl3())
            availableSsl3Suites.Append(CipherSuiteItem(id[1], id[2]));
        else
            availableSsl2Kinds.Append(Ssl2CipherKindItem(id[0], id[1], id[2]));
        suite.release()->AppendTo(availableSuites);
    }
    return true;
}

// No options file: every suite of some strength, strongest (last) first.
void SecurityManager::DefaultOptions() {
    enableSsl2 = enableSsl3 = enableTls10 = securityEnabled = 1;
    preferences.savedSsl3Suites.Resize(0);
    preferences.savedSsl2Kinds.Resize(0);
    for (ListNode* node = availableSuites.Last(); node; node = node->Prev()) {
        auto* suite = static_cast<CipherSuite*>(node);
        if (suite->EffectiveKeyLength() < 5) continue;
        const uint8_t* id = suite->Row().id;
        if (suite->IsSsl3())
            preferences.savedSsl3Suites.Append(CipherSuiteItem(id[1], id[2]));
        else
            preferences.savedSsl2Kinds.Append(Ssl2CipherKindItem(id[0], id[1], id[2]));
    }
    preferences.activeSsl3Suites.Copy(preferences.savedSsl3Suites);
    preferences.activeSsl2Kinds.Copy(preferences.savedSsl2Kinds);
    optionsLoaded = 1;
}

// A list kept in the file as a vector holding the list's own encoding.
static bool ReadListVector(FILE* file, DataItemArray& list) {
    ByteVector bytes;
    if (!bytes.ReadFrom(file, nullptr)) return false;
    list.Resize(0);
    list.ClearError();
    uint32_t left = bytes.Length();
    list.Read(bytes.Data(), left);
    return !list.GetError() && list.IsComplete() && left == 0;
}

static bool WriteListVector(FILE* file, const DataItemArray& list) {
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> encoded(list.EncodeToNewBuffer(size));
    if (!encoded) return false;
    ByteVector bytes;
    bytes.SetBytes(encoded.get(), size);
    if (bytes.GetError()) return false;
    bytes.WriteTo(file);
    return std::ferror(file) == 0;
}

bool SecurityManager::ReadOptions(FILE* file, uint32_t& version) {
    if (!ReadLe(file, version, 4) || !KnownVersion(version)) return false;
    uint32_t ssl2 = 0, ssl3 = 0, policy = 1;
    if (!ReadLe(file, ssl2, 2) || !ReadLe(file, ssl3, 2)) {
        enableSsl2 = enableSsl3 = enableTls10 = 0;
        return false;
    }
    if (version == kSecurityFileVersion) {
        enableSsl2 = ReadSecurityIniInt(kIniSsl2, 1) ? 1 : 0;
        enableSsl3 = ReadSecurityIniInt(kIniSsl3, 1) ? 1 : 0;
        enableTls10 = ReadSecurityIniInt(kIniTls10, 1) ? 1 : 0;
    } else {
        enableSsl2 = ssl2 ? 1 : 0;
        enableSsl3 = enableTls10 = ssl3 ? 1 : 0;
    }
    if (!ReadLe(file, policy, 2)) return false;
    askPasswordPolicy = static_cast<uint16_t>(policy);
    return ReadListVector(file, preferences.savedSsl3Suites) && ReadListVector(file, preferences.savedSsl2Kinds);
}

void SecurityManager::LoadOptions() {
    std::string path = SecurityProfilePath(kOptionsFile);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        DefaultOptions();
        Save();
        return;
    }
    uint32_t version = 0;
    bool complete = ReadOptions(file, version);
    std::fclose(file);
    FilterAvailable(preferences.activeSsl3Suites, availableSsl3Suites, preferences.savedSsl3Suites, true);
    FilterAvailable(preferences.activeSsl2Kinds, availableSsl2Kinds, preferences.savedSsl2Kinds, true);
    securityEnabled = enableSsl2 || enableSsl3 || enableTls10 ? 1 : 0;
    if (!securityEnabled) StopSecurityLibrary();
    // An unreadable, unknown or damaged file is kept as it is: it may be a
    // newer program's, and nothing read from it is trusted.
    optionsLoaded = complete ? 1 : 0;
    if (complete && version != kSecurityFileVersion) {
        Load(kLoadPersonal | kLoadAuthorities);
        Save();
    }
}

void SecurityManager::Load(int mask) {
    if (!optionsLoaded) {
        if (!StartOptions()) return;
        LoadOptions();
    }
    if (unavailable) return;
    bool older = false;
    if ((mask & kLoadPersonal) && !personalLoaded && LoadCertificates(true, older)) {
        personalLoaded = 1;
        fileVersion = kSecurityFileVersion;
    }
    if ((mask & kLoadAuthorities) && !authoritiesLoaded && LoadCertificates(false, older)) {
        authoritiesLoaded = 1;
    }
}

// Reads one entry; false when the file ends or holds nonsense inside it.
static bool ReadEntry(FILE* file, bool personal, uint32_t version, StoredCertificate& entry) {
    uint32_t kind = 0;
    if (!ReadLe(file, kind, 2)) return false;
    entry.kind = static_cast<uint16_t>(kind);
    if (!entry.displayName.ReadFrom(file, nullptr) || !entry.subjectKey.ReadFrom(file, nullptr) ||
        !entry.certificate.ReadFrom(file, nullptr))
        return false;
    if (personal) {
        return entry.keyCheck.ReadFrom(file, nullptr) && entry.encryptedKey.ReadFrom(file, nullptr) &&
               entry.keyId.ReadFrom(file, nullptr);
    }
    uint32_t allow = 0, warn = 0, builtIn = 0;
    if (!ReadLe(file, allow, 2) || !ReadLe(file, warn, 2)) return false;
    if (version != kSecurityFileVersion30 && !ReadLe(file, builtIn, 2)) return false;
    entry.allowConnections = allow;
    entry.warnBeforeSending = warn;
    entry.builtIn = builtIn;
    return true;
}

bool SecurityManager::LoadCertificates(bool personal, bool& olderFile) {
    std::string path = SecurityProfilePath(personal ? kPersonalFile : kAuthoritiesFile);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        // A new authorities list starts with the built-in roots.
        if (!personal) InstallBuiltInRoots(*this);
        (personal ? personalLoaded : authoritiesLoaded) = 1;
        Save();
        return true;
    }
    uint32_t version = 0, count = 0;
    bool complete = ReadLe(file, version, 4) && KnownVersion(version);
    if (complete && personal)
        complete = passwordCheck.ReadFrom(file, nullptr) && passwordBlob.ReadFrom(file, nullptr);
    if (complete) complete = ReadLe(file, count, 4);
    OwningNodeList& list = personal ? personalCertificates : authorities;
    // The count comes from the file: entries are read one by one and the
    // first that cannot be read ends the file.
    for (uint32_t i = 0; complete && i < count; ++i) {
        auto entry = std::unique_ptr<StoredCertificate>(new (std::nothrow) StoredCertificate());
        if (!entry || !ReadEntry(file, personal, version, *entry)) {
            complete = false;
            break;
        }
        if (!personal && version != kSecurityFileVersion) {
            if (Certificate* parsed = entry->Parsed()) CertificateDisplayName(parsed->NameFields(0, false), entry->displayName);
        }
        entry.release()->AppendTo(list);
    }
    std::fclose(file);
    olderFile = olderFile || (complete && version != kSecurityFileVersion);
    // A file of an older version knew no built-in roots: they are merged in.
    if (complete && !personal && version != kSecurityFileVersion) InstallBuiltInRoots(*this);
    return complete;
}

bool SecurityManager::WriteOptions(FILE* file) const {
    return WriteLe(file, kSecurityFileVersion, 4) && WriteLe(file, enableSsl2, 2) && WriteLe(file, enableSsl3, 2) &&
           WriteLe(file, askPasswordPolicy, 2) && WriteListVector(file, preferences.savedSsl3Suites) &&
           WriteListVector(file, preferences.savedSsl2Kinds);
}

bool SecurityManager::WriteCertificates(FILE* file, bool personal) const {
    const OwningNodeList& list = personal ? personalCertificates : authorities;
    bool ok = WriteLe(file, kSecurityFileVersion, 4);
    if (personal) {
        passwordCheck.WriteTo(file);
        passwordBlob.WriteTo(file);
    }
    ok = ok && WriteLe(file, list.Count(), 4);
    for (ListNode* node = list.First(); ok && node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        ok = WriteLe(file, entry->kind, 2);
        entry->displayName.WriteTo(file);
        entry->subjectKey.WriteTo(file);
        entry->certificate.WriteTo(file);
        if (personal) {
            entry->keyCheck.WriteTo(file);
            entry->encryptedKey.WriteTo(file);
            entry->keyId.WriteTo(file);
        } else {
            ok = ok && WriteLe(file, entry->allowConnections, 2) && WriteLe(file, entry->warnBeforeSending, 2) &&
                 WriteLe(file, entry->builtIn, 2);
        }
    }
    return ok && std::ferror(file) == 0;
}

// Writes into a temporary file and only then replaces the old one, so a
// failure part-way (a full disk) never costs the stored keys.
template <class Writer>
static void SaveFile(const char* name, Writer write) {
    std::string path = SecurityProfilePath(name);
    std::string temporary = path + ".new";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return;
    bool ok = write(file);
    ok = std::fclose(file) == 0 && ok;
    if (!ok || !ReplaceSecurityFile(temporary, path)) std::remove(temporary.c_str());
}

void SecurityManager::Save() {
    if (optionsLoaded) {
        SaveFile(kOptionsFile, [this](FILE* f) { return WriteOptions(f); });
        WriteSecurityIniInt(kIniSsl2, static_cast<int>(enableSsl2));
        WriteSecurityIniInt(kIniSsl3, static_cast<int>(enableSsl3));
        WriteSecurityIniInt(kIniTls10, static_cast<int>(enableTls10));
    }
    if (personalLoaded) SaveFile(kPersonalFile, [this](FILE* f) { return WriteCertificates(f, true); });
    if (authoritiesLoaded) SaveFile(kAuthoritiesFile, [this](FILE* f) { return WriteCertificates(f, false); });
}

StoredCertificate* SecurityManager::EntryAt(bool personal, uint32_t n) {
    Load(personal ? kLoadPersonal : kLoadAuthorities);
    ListNode* node = (personal ? personalCertificates : authorities).First();
    for (; node && n > 0; --n) node = node->Next();
    return static_cast<StoredCertificate*>(node);
}

bool SecurityManager::SetAuthorityFlags(bool personal, uint32_t n, bool allow, bool warn) {
    if (personal) return false;
    StoredCertificate* entry = EntryAt(false, n);
    if (!entry) return false;
    entry->allowConnections = allow ? 1 : 0;
    entry->warnBeforeSending = warn ? 1 : 0;
    return true;
}

bool SecurityManager::DeleteEntry(bool personal, uint32_t n) {
    StoredCertificate* entry = EntryAt(personal, n);
    if (!entry) return false;
    entry->Remove();
    delete entry;
    return true;
}

template <class List>
static void Filter(List& active, const List& available, const List& saved, bool reverse) {
    active.Resize(0);
    uint32_t count = available.Count();
    for (uint32_t k = 0; k < count; ++k) {
        const auto& item = available.Item(reverse ? count - 1 - k : k);
        if (saved.Contains(item)) active.Append(item);
    }
}

void SecurityManager::FilterAvailable(CipherSuiteList& active, const CipherSuiteList& available,
                                      const CipherSuiteList& saved, bool reverse) {
    Filter(active, available, saved, reverse);
}

void SecurityManager::FilterAvailable(Ssl2CipherKindList& active, const Ssl2CipherKindList& available,
                                      const Ssl2CipherKindList& saved, bool reverse) {
    Filter(active, available, saved, reverse);
}

int SecurityManager::BuildClientChain(ClientChain& chain, StoredCertificate* entry,
                                      const ShortVectorList& serverCaNames) {
    chain.entry = entry;
    chain.links.clear();
    if (!entry || entry->certificate.Length() == 0) return 0;
    Certificate* current = entry->Parsed();
    if (!current) {
        chain.RaiseSecurityError(kErrorFatal, kCodeBadCertificate);
        return 0;
    }
    Load(kLoadAuthorities);
    bool found = false, root = false;
    while (chain.links.size() < kMaxChainLinks) {
        StoredCertificate* issuer = nullptr;
        for (ListNode* node = authorities.First(); node && !issuer; node = node->Next()) {
            auto* candidate = static_cast<StoredCertificate*>(node);
            Certificate* parsed = candidate->Parsed();
            if (!parsed) continue;
            ByteVector issuerName, subjectName;
            current->NameLine(0, true, issuerName);
            parsed->NameLine(0, false, subjectName);
            if (issuerName.Length() && issuerName.Equals(subjectName)) issuer = candidate;
        }
        if (!issuer) break;
        found = true;
        Certificate* parsed = issuer->Parsed();
        if (!parsed) {
            chain.RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return 0;
        }
        chain.links.push_back(issuer);
        if (parsed->IsSelfSigned(0)) {
            root = true;
            break;
        }
        current = parsed;
    }
    if (serverCaNames.Count() == 0) found = true;
    if (!found) return 0;
    return root ? 2 : 1;
}

void CertificateDisplayName(const std::vector<std::string>& fields, ShortByteVector& out) {
    out.Resize(0);
    std::string name;
    if (fields.size() >= 5) {
        const std::string &cn = fields[0], &o = fields[1], &ou = fields[2], &l = fields[3];
        if (!cn.empty())
            name = cn;
        else if (!ou.empty())
            name = l.empty() ? ou : ou + ", " + l;
        else if (!l.empty())
            name = l;
        else
            name = o;
    }
    out.SetBytes(reinterpret_cast<const uint8_t*>(name.c_str()), static_cast<uint32_t>(name.size() + 1));
}
