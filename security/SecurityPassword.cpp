// The security password of the store: the master secret sealed under it,
// personal keys sealed under both, the change of password, unlocking a key
// and generating a key pair.
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "security/CryptoLibrary.h"
#include "security/PasswordSeal.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "security/SecurityPrompts.h"

static constexpr uint32_t kKeyIdLength = 20;

static DigestBase* CheckDigest() {
    return SecurityDigest(kDigestSha1);
}

std::unique_ptr<BlockCipher> SecurityManager::NewStoreContext() const {
    BlockCipher* cipher = SecurityCipher(kCipherDesEde3Cbc);
    if (!cipher) return nullptr;
    std::unique_ptr<BlockCipher> context = cipher->NewSameKind();
    if (context && context->GetError()) context.reset();
    return context;
}

static int Open(const ByteVector& ciphertext, const ByteVector& check, const ByteVector& key, const char* label,
                BlockCipher* context, ByteVector& plaintext) {
    DigestBase* digest = CheckDigest();
    if (!digest) {
        plaintext.Resize(0);
        return kSealNoContext;
    }
    std::unique_ptr<DigestBase> fresh = digest->NewSameKind();
    return OpenWithPassword(ciphertext, check, key, label, context, *fresh, plaintext);
}

static bool Seal(const ByteVector& plaintext, const ByteVector& key, const char* label, BlockCipher& context,
                 ByteVector& ciphertext, ByteVector& check) {
    DigestBase* digest = CheckDigest();
    if (!digest) return false;
    std::unique_ptr<DigestBase> fresh = digest->NewSameKind();
    SealWithPassword(plaintext, key, label, context, *fresh, ciphertext, check);
    return ciphertext.Length() != 0 && check.Length() == kSealCheckLength;
}

int SecurityManager::CheckPassword(const ByteVector& password) {
    std::unique_ptr<BlockCipher> context = NewStoreContext();
    SecureByteVector master;
    return Open(passwordBlob, passwordCheck, password, kPasswordLabel, context.get(), master) == kSealOpened ? 1 : 0;
}

int SecurityManager::SetPassword(const ByteVector& oldPassword, const ByteVector& newPassword) {
    Load(kLoadPersonal);
    if (!personalLoaded) return 0;
    std::unique_ptr<BlockCipher> context = NewStoreContext();
    if (!context) return 0;
    SecureByteVector master;
    GetRandomBytesInto(master, kMasterSecretLength);
    if (master.Length() != kMasterSecretLength) return 0;
    SecureByteVector newBlob, newCheck;
    if (!Seal(master, newPassword, kPasswordLabel, *context, newBlob, newCheck)) return 0;
    SecureByteVector newKey;
    newKey.Concat(newPassword, master);
    // Every key is re-sealed into a copy first; the entries change only when
    // all of them could be, so a failure leaves the store as it was.
    struct Resealed {
        StoredCertificate* entry;
        SecureShortByteVector key;
        ShortByteVector check;
    };
    std::vector<Resealed> resealed;
    if (passwordBlob.Length() != 0) {
        SecureByteVector oldMaster;
        if (Open(passwordBlob, passwordCheck, oldPassword, kPasswordLabel, context.get(), oldMaster) != kSealOpened)
            return 0;
        SecureByteVector oldKey;
        oldKey.Concat(oldPassword, oldMaster);
        for (ListNode* node = personalCertificates.First(); node; node = node->Next()) {
            auto* entry = static_cast<StoredCertificate*>(node);
            SecureByteVector key;
            if (Open(entry->encryptedKey, entry->keyCheck, oldKey, kPrivateKeyLabel, context.get(), key) !=
                kSealOpened)
                return 0;
            resealed.push_back({entry, {}, {}});
            if (!Seal(key, newKey, kPrivateKeyLabel, *context, resealed.back().key, resealed.back().check))
                return 0;
        }
    }
    for (Resealed& r : resealed) {
        r.entry->encryptedKey.Assign(r.key);
        r.entry->keyCheck.Assign(r.check);
    }
    if (passwordBlob.Length() != 0) cachedKey.Assign(newKey);
    if (askPasswordPolicy == 1) cachedKey.Resize(0);
    passwordBlob.Assign(newBlob);
    passwordCheck.Assign(newCheck);
    Save();
    return 1;
}

// cachedKey from the password the user gives; false when none opens it.
static bool UnlockCachedKey(SecurityManager& manager, BlockCipher* context, void* parent, ErrorHolder* report) {
    SecureByteVector password;
    if (!AskSecurityPassword(IDS_PASSWORD_ENTER, password, parent)) {
        if (report) report->RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
        return false;
    }
    for (;;) {
        SecureByteVector master;
        int result = Open(manager.passwordBlob, manager.passwordCheck, password, kPasswordLabel, context, master);
        if (result == kSealOpened) {
            manager.cachedKey.Concat(password, master);
            return true;
        }
        if (result == kSealNoContext || !AskSecurityPassword(IDS_PASSWORD_WRONG, password, parent)) {
            if (report) report->RaiseSecurityError(kErrorLibrary, kCodeInternalError);
            return false;
        }
    }
}

std::unique_ptr<PublicKey> SecurityManager::UnlockPrivateKey(StoredCertificate& entry, void* parent,
                                                            ErrorHolder* report) {
    std::unique_ptr<BlockCipher> context = NewStoreContext();
    if (!context) {
        if (report) report->RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
        return nullptr;
    }
    if (cachedKey.Length() == 0 && !UnlockCachedKey(*this, context.get(), parent, report)) return nullptr;
    SecureByteVector der;
    int result = Open(entry.encryptedKey, entry.keyCheck, cachedKey, kPrivateKeyLabel, context.get(), der);
    if (askPasswordPolicy == 1) cachedKey.Resize(0);
    void* libraryKey = result == kSealOpened ? crypto::Call<void*>(kSlotPrivateKeyFromDer,
                                                                   static_cast<const uint8_t*>(der.Data()),
                                                                   static_cast<int>(der.Length()))
                                             : nullptr;
    if (!libraryKey) {
        if (report) report->RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return nullptr;
    }
    auto key = std::unique_ptr<PublicKey>(new (std::nothrow) PublicKey(libraryKey));
    if (!key) {
        crypto::CallVoid(kSlotFreeKey, libraryKey);
        return nullptr;
    }
    key->SetIsPrivate(true);
    return key;
}

// The library's buffer of a generated key: freed (wiped) through it.
struct KeyBuffer {
    uint8_t* bytes = nullptr;
    int length = 0;
    ~KeyBuffer() { crypto::CallVoid(kSlotFreeKeyBuffer, bytes, length); }
};

// cachedKey for sealing a new key: asks for the password, or for a first
// one (setting it) when there is none yet.
static bool KeyForSealing(SecurityManager& manager, BlockCipher* context, void* parent) {
    if (manager.cachedKey.Length() != 0) return true;
    SecureByteVector password;
    if (manager.passwordBlob.Length() != 0) {
        if (!AskExistingPassword(manager, IDS_PASSWORD_ENTER, password, parent)) return false;
    } else {
        if (!AskNewPassword(IDS_PASSWORD_FIRST, IDS_PASSWORD_REENTER, password, parent)) return false;
        if (!manager.SetPassword(SecureByteVector(), password)) {
            ShowSecurityMessage(parent, IDS_PASSWORD_CHANGE_FAILED);
            return false;
        }
    }
    SecureByteVector master;
    if (Open(manager.passwordBlob, manager.passwordCheck, password, kPasswordLabel, context, master) != kSealOpened) {
        manager.cachedKey.Resize(0);
        return false;
    }
    manager.cachedKey.Concat(password, master);
    return true;
}

int SecurityManager::GenerateKeyPair(int type, uint32_t bits, const char* challenge, char* out, uint32_t outSize,
                                     CryptoProgress progress, void* progressArgument,
                                     const std::function<void()>& generated, void* parent) {
    if (type != kKeyRsa || !out || outSize == 0) return 0;
    out[0] = '\0';
    KeyBuffer buffer;
    buffer.bytes = crypto::Call<uint8_t*>(kSlotGenerateKeyPair, static_cast<int>(bits), challenge, out,
                                          static_cast<int>(outSize), progress, progressArgument, &buffer.length);
    if (generated) generated();
    if (!buffer.bytes || buffer.length <= static_cast<int>(kKeyIdLength)) return 0;
    auto entry = std::unique_ptr<StoredCertificate>(new (std::nothrow) StoredCertificate());
    if (!entry) return 0;
    entry->keyId.SetBytes(buffer.bytes, kKeyIdLength);
    SecureByteVector privateKey;
    privateKey.SetBytes(buffer.bytes + kKeyIdLength, static_cast<uint32_t>(buffer.length) - kKeyIdLength);
    if (entry->keyId.Length() != kKeyIdLength || privateKey.Length() == 0) return 0;
    Load(kLoadPersonal);
    std::unique_ptr<BlockCipher> context = NewStoreContext();
    if (!personalLoaded || !context) return 0;
    if (!KeyForSealing(*this, context.get(), parent)) return 0;
    bool sealed = Seal(privateKey, cachedKey, kPrivateKeyLabel, *context, entry->encryptedKey, entry->keyCheck);
    if (askPasswordPolicy == 1) cachedKey.Resize(0);
    if (!sealed) return 0;
    char name[200];
    std::snprintf(name, sizeof name, "%u Bit Private Key. No Certificate Loaded", bits);
    entry->displayName.SetBytes(reinterpret_cast<const uint8_t*>(name), static_cast<uint32_t>(std::strlen(name) + 1));
    entry.release()->AppendTo(personalCertificates);
    Save();
    return 1;
}

void SecurityManager::TakePasswordChange(const SecurityManager& changed) {
    passwordBlob.Assign(changed.passwordBlob);
    passwordCheck.Assign(changed.passwordCheck);
    cachedKey.Resize(0);
    if (askPasswordPolicy == 0 && changed.askPasswordPolicy == 0) cachedKey.Assign(changed.cachedKey);
    for (ListNode* node = personalCertificates.First(); node; node = node->Next()) {
        auto* mine = static_cast<StoredCertificate*>(node);
        for (ListNode* other = changed.personalCertificates.First(); other; other = other->Next()) {
            auto* theirs = static_cast<StoredCertificate*>(other);
            if (!theirs->keyId.Equals(mine->keyId)) continue;
            mine->encryptedKey.Assign(theirs->encryptedKey);
            mine->keyCheck.Assign(theirs->keyCheck);
            break;
        }
    }
}

StoredCertificate* SecurityManager::FindAuthorityBySubject(const ByteVector& subjectName) {
    for (ListNode* node = authorities.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        if (entry->subjectKey.Equals(subjectName)) return entry;
    }
    return nullptr;
}

StoredCertificate* SecurityManager::FindPersonalByKeyId(const ByteVector& keyId) {
    for (ListNode* node = personalCertificates.First(); node; node = node->Next()) {
        auto* entry = static_cast<StoredCertificate*>(node);
        if (entry->keyId.Length() && entry->keyId.Equals(keyId)) return entry;
    }
    return nullptr;
}
