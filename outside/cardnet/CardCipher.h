// The document format of our simulated card reader: platform-free, so the
// tests can make encrypted documents and the library can read them.
//
//   "CNE1", key id (1 byte), type length (1 byte), the MIME type,
//   the body XORed with a key stream, then a 4-byte check of the plain body.
//
// The key stream comes from the card's key; a document made for another key
// has another key id and is refused.
#pragma once

#include <cstdint>
#include <string>

namespace cardnet {

// Statuses of the library's functions (the program maps them to messages).
enum Status : int32_t {
    kOk = 0,
    kCommunication = 1,  // nothing answers on that port
    kNoPower = 2,        // no reader at all
    kNotCompatible = 3,
    kNoAnswer = 4,
    kNoAccess = 5,  // the document is for another card
    kNoMemory = 6,  // the output does not hold the result
    kFormat = 7,    // not one of our documents
    kRedundancy = 8,  // the check does not match: damaged
};

uint8_t KeyId(const std::string& key);
std::string Encrypt(const std::string& key, const std::string& type, const std::string& body);

// The key stream of a key: the same bytes for encryption and decryption.
class KeyStream {
public:
    explicit KeyStream(const std::string& key);
    uint8_t Next();

private:
    uint32_t state_;
};

// Streaming decryption of one document.
class Decryptor {
public:
    explicit Decryptor(const std::string& key);
    // Takes input, writes at most outputSpace bytes; outputLength is what
    // was written. typeOut receives the type once the header is read.
    Status Feed(const uint8_t* input, int32_t length, uint8_t* output, int32_t outputSpace,
                int32_t& outputLength, bool last);
    const std::string& Type() const { return type_; }
    bool HeaderRead() const { return headerRead_; }

private:
    std::string key_;
    KeyStream stream_;
    uint32_t check_ = 2166136261u;
    bool headerRead_ = false;
    bool finished_ = false;
    std::string pending_;  // header bytes, then the last four bytes held back
    std::string type_;
};

}  // namespace cardnet
