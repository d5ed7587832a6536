#include "security/PasswordSeal.h"

#include <cstring>

const char kPasswordLabel[] = "Quartz Relay Ember Lantern Mist";
const char kPrivateKeyLabel[] = "Copper Willow Harbor Signal Thread";

static void ComputeCheck(DigestBase& digest, const ByteVector& key, const char* label, const ByteVector& plaintext,
                         ByteVector& check) {
    digest.Init();
    UpdateVector(digest, key);
    digest.Update(reinterpret_cast<const uint8_t*>(label), static_cast<uint32_t>(std::strlen(label)));
    UpdateVector(digest, plaintext);
    SecureByteVector whole;
    FinalInto(digest, whole);
    check.SetBytes(whole.Data(), whole.Length() < kSealCheckLength ? whole.Length() : kSealCheckLength);
}

void SealWithPassword(const ByteVector& plaintext, const ByteVector& key, const char* label, BlockCipher& context,
                      DigestBase& digest, ByteVector& ciphertext, ByteVector& check) {
    ComputeCheck(digest, key, label, plaintext, check);
    context.DeriveKey(kDigestMd5, key, check, 1);
    EncryptVector(context, plaintext, ciphertext, 1);
    // A check without its ciphertext (or one from a failed digest) is no
    // sealed value: both are emptied so that callers see the failure.
    if (context.GetError() || check.Length() != kSealCheckLength || ciphertext.Length() == 0) {
        ciphertext.Resize(0);
        check.Resize(0);
    }
}

int OpenWithPassword(const ByteVector& ciphertext, const ByteVector& check, const ByteVector& key, const char* label,
                     BlockCipher* context, DigestBase& digest, ByteVector& plaintext) {
    if (!context) {
        plaintext.Resize(0);
        return kSealNoContext;
    }
    context->DeriveKey(kDigestMd5, key, check, 1);
    if (!context->GetError()) DecryptVector(*context, ciphertext, plaintext, 1);
    // A wrong key mostly shows as bad padding: that is a wrong key too, and
    // the context is left clean for the next attempt.
    bool failed = context->GetError() != 0;
    context->ClearError();
    if (failed) {
        plaintext.Resize(0);
        return kSealWrongKey;
    }
    SecureByteVector computed;
    ComputeCheck(digest, key, label, plaintext, computed);
    if (check.Length() != kSealCheckLength || !computed.Equals(check)) return kSealWrongKey;
    return kSealOpened;
}

uint32_t KeySizeFromChoice(int choice) {
    return choice >= 1 && choice <= 7 ? static_cast<uint32_t>(choice + 1) * 256 : 0;
}
