// The crypto library under Wine: its version, and digests, ciphers and key
// derivation against the answers of the openssl command.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "security/BlockCipher.h"
#include "security/CryptoLibrary.h"
#include "security/MessageDigest.h"
#include "security/PublicKey.h"
#include "security/SecurityLibrary.h"
#include "tests/security/SecurityTestData.h"

using namespace security_test;

namespace {

class Crypto : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(StartSecurityLibrary(), 1); }
};

TEST_F(Crypto, LibraryReportsItsVersion) {
    HMODULE library = GetModuleHandleA("ZNCRY32.DLL");
    ASSERT_NE(library, nullptr);
    auto version = reinterpret_cast<uint32_t (*)()>(GetProcAddress(library, "ZNCRY_DLL_version"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), 0x3010000u);
    EXPECT_EQ(LoadCryptoLibrary(), 1);  // held already
}

TEST_F(Crypto, DigestsMatchTheCommandLine) {
    struct Case {
        int index;
        const char* input;
        const char* answer;
    } cases[] = {{kDigestMd5, "short", "md5.short"},
                 {kDigestSha1, "short", "sha1.short"},
                 {kDigestMd5, "big", "md5.big"},
                 {kDigestSha1, "big", "sha1.big"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        MessageDigest* digest = SecurityDigest(c.index);
        ASSERT_NE(digest, nullptr);
        std::vector<uint8_t> input = std::string(c.input) == "big" ? BigInput() : Answer("short");
        // More than 64 KB in one call hashes all of it.
        ByteVector out;
        DigestBytes(*digest, input.data(), static_cast<uint32_t>(input.size()), out);
        EXPECT_EQ(Bytes(out), Answer(c.answer));
        // In pieces, with Final in between: the running digest goes on.
        digest->Init();
        size_t half = input.size() / 2;
        digest->Update(input.data(), static_cast<uint32_t>(half));
        uint8_t early[20];
        digest->Final(early);
        digest->Update(input.data() + half, static_cast<uint32_t>(input.size() - half));
        ByteVector again;
        FinalInto(*digest, again);
        EXPECT_EQ(Bytes(again), Answer(c.answer));
        ByteVector twice;
        FinalInto(*digest, twice);
        EXPECT_TRUE(twice.Equals(again));
        EXPECT_EQ(digest->GetError(), 0);
    }
    EXPECT_EQ(SecurityDigest(kDigestMd5)->Kind(), kDigestMd5);
    EXPECT_EQ(SecurityDigest(kDigestSha1)->Size(), 20u);
}

TEST_F(Crypto, CloneCarriesTheRunningState) {
    MessageDigest* md5 = SecurityDigest(kDigestMd5);
    std::vector<uint8_t> input = Answer("short");
    md5->Init();
    md5->Update(input.data(), 10);
    DigestSlot slot(md5);
    slot.Current().Update(input.data() + 10, static_cast<uint32_t>(input.size() - 10));
    ByteVector out;
    FinalInto(slot.Current(), out);
    EXPECT_EQ(Bytes(out), Answer("md5.short"));
    EXPECT_EQ(slot.Check(nullptr), 1);
    DigestSlot empty(nullptr);
    EXPECT_EQ(&empty.Current(), &SharedNullDigest());
    EXPECT_EQ(empty.Check(nullptr), 0);
}

TEST_F(Crypto, UpdateRepeatedFeedsInPiecesOf64) {
    struct Recorder : NullDigest {
        std::vector<uint32_t> calls;
        const uint8_t* Update(const uint8_t* data, uint32_t length) override {
            calls.push_back(length);
            return data + length;
        }
    } recorder;
    UpdateRepeated(recorder, 0x36, 130);
    EXPECT_EQ(recorder.calls, (std::vector<uint32_t>{64, 64, 2}));
    recorder.calls.clear();
    UpdateRepeated(recorder, 0x36, 0);
    EXPECT_TRUE(recorder.calls.empty());
}

struct CipherCase {
    int index;
    const char* answer;
    const char* key;
    int pad;
};

const char kKey16[] = "000102030405060708090a0b0c0d0e0f";
const char kKey8[] = "0123456789abcdef";
const char kKey24[] = "0123456789abcdeffedcba987654321089abcdef01234567";
const char kIv[] = "f0e1d2c3b4a59687";

TEST_F(Crypto, CiphersMatchTheCommandLineAndDecryptBack) {
    const CipherCase cases[] = {{kCipherRc4, "rc4.short", kKey16, 0},
                                {kCipherRc2Cbc, "rc2.short", kKey16, 1},
                                {kCipherDesCbc, "des.short", kKey8, 1},
                                {kCipherDesEde3Cbc, "3des.short", kKey24, 1}};
    std::vector<uint8_t> plain = Answer("short");
    for (const CipherCase& c : cases) {
        SCOPED_TRACE(c.answer);
        BlockCipher* prototype = SecurityCipher(c.index);
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(prototype->Kind(), c.index);
        auto cipher = prototype->NewSameKind();
        cipher->SetKey(FromHex(c.key).data());
        if (cipher->IvLength()) cipher->SetIv(FromHex(kIv).data());
        ByteVector out;
        EncryptVector(*cipher, Vector(plain), out, c.pad);
        EXPECT_EQ(Bytes(out), Answer(c.answer));
        EXPECT_EQ(out.Length(), cipher->OutputSize(static_cast<uint32_t>(plain.size()) + c.pad));

        auto reverse = prototype->NewSameKind();
        reverse->SetKey(FromHex(c.key).data());
        if (reverse->IvLength()) reverse->SetIv(FromHex(kIv).data());
        ByteVector back;
        DecryptVector(*reverse, out, back, c.pad);
        EXPECT_EQ(Bytes(back), plain);
        EXPECT_EQ(cipher->GetError() | reverse->GetError(), 0);
    }
}

TEST_F(Crypto, BlockSizesRoundAndPaddingIsChecked) {
    BlockCipher* des = SecurityCipher(kCipherDesCbc);
    EXPECT_EQ(des->OutputSize(16), 16u);
    EXPECT_EQ(des->OutputSize(17), 24u);
    EXPECT_EQ(SecurityCipher(kCipherRc4)->OutputSize(17), 17u);

    auto cipher = des->NewSameKind();
    cipher->SetKey(FromHex(kKey8).data());
    cipher->SetIv(FromHex(kIv).data());
    std::vector<uint8_t> plain = Answer("short");
    plain.resize(16);
    ByteVector padded, unpadded;
    EncryptVector(*cipher, Vector(plain), padded, 1);
    EXPECT_EQ(padded.Length(), 24u);
    cipher->SetIv(FromHex(kIv).data());
    EncryptVector(*cipher, Vector(plain), unpadded, 0);
    EXPECT_EQ(unpadded.Length(), 16u);
    std::vector<uint8_t> nopad = Answer("des.nopad");
    nopad.resize(16);
    EXPECT_EQ(Bytes(unpadded), nopad);

    // Decrypting with the padding check: a damaged last block is a failed
    // decryption, not garbage handed on.
    auto reverse = des->NewSameKind();
    reverse->SetKey(FromHex(kKey8).data());
    reverse->SetIv(FromHex(kIv).data());
    ByteVector back;
    DecryptVector(*reverse, unpadded, back, 1);
    EXPECT_EQ(reverse->Error(), SecurityErrorCode(2, 21));
}

TEST_F(Crypto, DerivedKeysMatchTheCommandLine) {
    const std::vector<uint8_t> salt = FromHex("0102030405060708");
    const std::vector<uint8_t> password = {'s', 'e', 'c', 'r', 'e', 't'};
    struct Case {
        int index;
        const char* answer;
    } cases[] = {{kCipherDesEde3Cbc, "derive.des-ede3-cbc"}, {kCipherDesCbc, "derive.des-cbc"},
                 {kCipherRc4, "derive.rc4"}};
    std::vector<uint8_t> plain = Answer("short");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        // Encrypting under the derived key and IV gives what the command's
        // printed key and IV give.
        auto derived = SecurityCipher(c.index)->NewSameKind();
        derived->DeriveKey(kDigestMd5, Vector(password), Vector(salt), 1);
        auto given = SecurityCipher(c.index)->NewSameKind();
        given->SetKey(Answer(c.answer, 0).data());
        if (given->IvLength()) given->SetIv(Answer(c.answer, 1).data());
        ByteVector a, b;
        EncryptVector(*derived, Vector(plain), a, 1);
        EncryptVector(*given, Vector(plain), b, 1);
        EXPECT_TRUE(a.Equals(b));
        EXPECT_GT(a.Length(), 0u);
        EXPECT_EQ(derived->GetError(), 0);
    }
}

TEST_F(Crypto, RsaKeysWorkInBlocks) {
    PublicKey key;
    ASSERT_EQ(key.DecodePublic(Vector(DataFile("rsa1024-public.der"))), 1);
    EXPECT_EQ(key.Kind(), kKeyRsa);
    EXPECT_EQ(key.KeyBits(), 1024u);
    EXPECT_EQ(key.MaxInputBlock(), 117u);
    EXPECT_EQ(key.OutputSize(100), 128u);
    EXPECT_EQ(key.OutputSize(118), 256u);
    std::vector<uint8_t> secret(150, 0x42);
    ByteVector out;
    EncryptVector(key, Vector(secret), out);
    EXPECT_EQ(out.Length(), 256u);
    EXPECT_EQ(key.GetError(), 0);
    // A public key cannot take a signature it did not make.
    std::vector<uint8_t> bogus(128, 0x01);
    EXPECT_EQ(key.VerifyRaw(secret.data(), 36, bogus.data(), 128), 0);
    EXPECT_EQ(key.Error(), SecurityErrorCode(2, 51));
}

TEST_F(Crypto, RandomBytesDifferAndHelloRandomsShareTheirTime) {
    uint8_t a[32], b[32];
    MakeClientRandom(a);
    MakeClientRandom(b);
    EXPECT_NE(0, std::memcmp(a + 4, b + 4, 28));
    uint32_t ta = static_cast<uint32_t>(a[0] << 24 | a[1] << 16 | a[2] << 8 | a[3]);
    uint32_t tb = static_cast<uint32_t>(b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]);
    EXPECT_LE(tb - ta, 1u);
}

}  // namespace
