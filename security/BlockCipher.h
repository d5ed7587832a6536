// Ciphers behind one interface: the library's symmetric ciphers
// (BlockCipher), the stand-in before any keys exist (NullCipher), and RSA
// keys (PublicKey), so that whole-vector encryption serves all three.
#pragma once
#include <memory>

#include "security/ByteVector.h"
#include "security/CryptoSlots.h"

enum : int {
    kCipherNone = 0,
    kCipherRc4 = 1,
    kCipherRc2Cbc = 2,
    kCipherDesCbc = 3,
    kCipherDesEde3Cbc = 4,
    kCipherIdeaCbc = 5,
};

class CipherBase : public ErrorHolder {
public:
    ~CipherBase() override = default;
    virtual int IsBlockCipher() const = 0;
    virtual int Kind() const = 0;
    virtual void SetEncrypt() = 0;
    // Answer out + outLength.
    virtual uint8_t* EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) = 0;
    virtual uint8_t* EncryptFinal(uint8_t* out, uint32_t& outLength, int pad) = 0;
    virtual void SetDecrypt() = 0;
    virtual uint8_t* DecryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) = 0;
    virtual uint8_t* DecryptFinal(uint8_t* out, uint32_t& outLength, int pad) = 0;
    virtual uint32_t BlockSizeIn() const = 0;
    virtual uint32_t BlockSizeOut() const = 0;
    // The room the output of n input bytes needs: whole output blocks for a
    // block cipher (or an RSA key), n otherwise.
    uint32_t OutputSize(uint32_t n) const;
};

class BlockCipher : public CipherBase {
public:
    // A null descriptor raises (511, 80).
    explicit BlockCipher(const CryptoCipherInfo* descriptor);
    BlockCipher(const BlockCipher& other);
    BlockCipher& operator=(const BlockCipher&) = delete;
    // The library wipes the context before freeing it.
    ~BlockCipher() override;

    int IsBlockCipher() const override { return BlockSize() > 1; }
    int Kind() const override;
    void SetEncrypt() override { SetDirection(1); }
    uint8_t* EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) override;
    uint8_t* EncryptFinal(uint8_t* out, uint32_t& outLength, int pad) override;
    void SetDecrypt() override { SetDirection(0); }
    uint8_t* DecryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) override;
    uint8_t* DecryptFinal(uint8_t* out, uint32_t& outLength, int pad) override;
    uint32_t BlockSizeIn() const override { return BlockSize(); }
    uint32_t BlockSizeOut() const override { return BlockSize(); }

    uint32_t KeyLength() const;
    uint32_t IvLength() const;
    const uint8_t* SetKey(const uint8_t* key);
    const uint8_t* SetIv(const uint8_t* iv);
    std::unique_ptr<BlockCipher> NewSameKind() const;
    // Key and IV from a password and salt (the library's derivation with
    // MD5 for digest kind 1, SHA-1 for 2; other kinds do nothing).
    void DeriveKey(int digestKind, const ByteVector& password, const ByteVector& salt, int count);

    const CryptoCipherInfo* Descriptor() const { return descriptor_; }

private:
    uint32_t BlockSize() const;
    bool EnsureContext();
    void SetDirection(int encrypt);
    uint8_t* Step(CryptoSlot slot, const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength);
    uint8_t* Finish(CryptoSlot slot, uint8_t* out, uint32_t& outLength, int pad);
    // Raises for what the library reported: a failed decryption (2, 21),
    // anything else (511, 80).
    void CheckLibrary(bool callFailed);

    const CryptoCipherInfo* descriptor_;
    void* context_ = nullptr;
    int encrypt_ = 1;
};

class NullCipher : public CipherBase {
public:
    int IsBlockCipher() const override { return 0; }
    int Kind() const override { return kCipherNone; }
    void SetEncrypt() override {}
    uint8_t* EncryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) override;
    uint8_t* EncryptFinal(uint8_t* out, uint32_t& outLength, int) override { return outLength = 0, out; }
    void SetDecrypt() override {}
    uint8_t* DecryptUpdate(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t& outLength) override {
        return EncryptUpdate(in, length, out, outLength);
    }
    uint8_t* DecryptFinal(uint8_t* out, uint32_t& outLength, int) override { return outLength = 0, out; }
    uint32_t BlockSizeIn() const override { return 1; }
    uint32_t BlockSizeOut() const override { return 1; }
    uint32_t KeyLength() const { return 0; }
};

// The whole input through the cipher into the output (see the .cpp). A
// vector that cannot be sized is emptied and nothing is processed.
void EncryptVector(CipherBase& cipher, const ByteVector& input, ByteVector& output, int pad = 0);
void DecryptVector(CipherBase& cipher, const ByteVector& input, ByteVector& output, int pad = 0);
