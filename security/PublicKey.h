// An RSA (or other) key of the crypto library, with the RSA block operations
// of the handshakes as a stream: input is cut into blocks, a partial block
// waits in a buffer until it fills or the final call.
#pragma once
#include <memory>

#include "security/BlockCipher.h"

enum : int { kKeyNone = 0, kKeyRsa = 6, kKeyDsa = 7, kKeyOther = 8 };

class PublicKey : public CipherBase {
public:
    // Takes the library's key object (may be null).
    explicit PublicKey(void* key = nullptr);
    PublicKey(const PublicKey&) = delete;
    PublicKey& operator=(const PublicKey&) = delete;
    ~PublicKey() override;

    int IsBlockCipher() const override { return 1; }
    int Kind() const override;
    void SetEncrypt() override { Begin(true); }
    uint8_t* EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) override;
    uint8_t* EncryptFinal(uint8_t* out, uint32_t& outLength, int pad = 0) override;
    void SetDecrypt() override { Begin(false); }
    uint8_t* DecryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) override;
    uint8_t* DecryptFinal(uint8_t* out, uint32_t& outLength, int pad = 0) override;
    uint32_t BlockSizeIn() const override { return MaxInputBlock(); }
    uint32_t BlockSizeOut() const override { return OutputBlock(); }

    void BeginEncrypt() { Begin(true); }
    void BeginDecrypt() { Begin(false); }
    uint32_t MaxInputBlock() const;
    uint32_t OutputBlock() const;
    void SetIsPrivate(bool isPrivate) { isPrivate_ = isPrivate; }
    void SetEncoded(const ByteVector& der) { encoded_.Assign(der); }
    // 1 when the signature decrypts (publicly) to exactly the expected bytes.
    int VerifyRaw(const uint8_t* expected, uint32_t length, const uint8_t* signature, uint32_t signatureLength);
    uint32_t KeyBits() const;
    // RSA: 0 the modulus, 1 the exponent, big-endian.
    int SetComponent(int index, const ByteVector& value);
    std::unique_ptr<PublicKey> NewEmpty() const;
    std::unique_ptr<PublicKey> Clone() const;
    // Replaces the key by the decoding of the DER bytes; failure raises
    // (511, 80).
    int DecodePublic(const ByteVector& der);

    void* LibraryKey() const { return key_; }

private:
    void Begin(bool encrypting);
    uint32_t ModulusSize() const;
    uint8_t* Stream(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength);
    uint8_t* Flush(uint8_t* out, uint32_t& outLength);
    // One block through the library; answers the bytes written.
    uint32_t Block(const uint8_t* in, uint32_t length, uint8_t* out);

    void* key_;
    bool isPrivate_ = false;
    bool encrypting_ = true;
    uint32_t blockLength_ = 0;
    uint32_t buffered_ = 0;
    SecureByteVector buffer_;
    ByteVector encoded_;
};

int VerifyVectors(PublicKey& key, const ByteVector& expected, const ByteVector& signature);
