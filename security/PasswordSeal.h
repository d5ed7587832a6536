// Sealing secrets under a password: the master secret under the user's
// security password, each private key under the password and the master
// secret together. A sealed value carries an 8-byte check that tells a
// wrong key from a right one.
#pragma once
#include <cstdint>

#include "security/BlockCipher.h"
#include "security/MessageDigest.h"

// The two labels mixed into the check (hashed without a terminator).
extern const char kPasswordLabel[];
extern const char kPrivateKeyLabel[];

constexpr uint32_t kSealCheckLength = 8;
constexpr uint32_t kMasterSecretLength = 128;

enum : int { kSealOpened = 0, kSealWrongKey = -1, kSealNoContext = -2 };

// The cipher context is the store cipher (DES-EDE3-CBC), the digest the
// check digest (SHA-1). Key and IV come from the key and the check.
void SealWithPassword(const ByteVector& plaintext, const ByteVector& key, const char* label, BlockCipher& context,
                      DigestBase& digest, ByteVector& ciphertext, ByteVector& check);
// kSealOpened when the check matches; kSealWrongKey when it does not (the
// plaintext is then whatever the decryption gave, or empty);
// kSealNoContext without a cipher context (plaintext emptied).
[[nodiscard]] int OpenWithPassword(const ByteVector& ciphertext, const ByteVector& check, const ByteVector& key,
                                   const char* label, BlockCipher* context, DigestBase& digest,
                                   ByteVector& plaintext);

// The key sizes a form's key-generation field lists: choices 1 to 7 give
// 512 to 2048 bits, any other 0.
uint32_t KeySizeFromChoice(int choice);
