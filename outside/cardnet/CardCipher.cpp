#include "outside/cardnet/CardCipher.h"

namespace cardnet {

namespace {

constexpr uint32_t kFnvStart = 2166136261u;
constexpr size_t kCheckSize = 4;
constexpr size_t kFixedHeader = 6;

uint32_t Fnv(const std::string& s) {
    uint32_t h = kFnvStart;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

uint32_t AddToCheck(uint32_t check, uint8_t c) {
    return (check ^ c) * 16777619u;
}

}  // namespace

uint8_t KeyId(const std::string& key) {
    return static_cast<uint8_t>(Fnv(key) >> 24);
}

KeyStream::KeyStream(const std::string& key) : state_(Fnv(key) | 1) {}

uint8_t KeyStream::Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<uint8_t>(state_ >> 11);
}

std::string Encrypt(const std::string& key, const std::string& type, const std::string& body) {
    std::string out = "CNE1";
    out.push_back(static_cast<char>(KeyId(key)));
    out.push_back(static_cast<char>(type.size()));
    out += type;
    KeyStream stream(key);
    uint32_t check = kFnvStart;
    for (char c : body) {
        check = AddToCheck(check, static_cast<uint8_t>(c));
        out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ stream.Next()));
    }
    for (size_t i = 0; i < kCheckSize; ++i) out.push_back(static_cast<char>(check >> (8 * i)));
    return out;
}

Decryptor::Decryptor(const std::string& key) : key_(key), stream_(key), check_(kFnvStart) {}

Status Decryptor::Feed(const uint8_t* input, int32_t length, uint8_t* output, int32_t outputSpace,
                       int32_t& outputLength, bool last) {
    outputLength = 0;
    if (finished_ && length > 0) return kFormat;
    for (int32_t i = 0; i < length; ++i) {
        pending_.push_back(static_cast<char>(input[i]));
        if (!headerRead_) {
            if (pending_.size() == 4 && pending_ != "CNE1") return kFormat;
            if (pending_.size() == 5 && static_cast<uint8_t>(pending_[4]) != KeyId(key_)) return kNoAccess;
            if (pending_.size() >= kFixedHeader &&
                pending_.size() == kFixedHeader + static_cast<uint8_t>(pending_[5])) {
                type_ = pending_.substr(kFixedHeader);
                headerRead_ = true;
                pending_.clear();
            }
            continue;
        }
        if (pending_.size() <= kCheckSize) continue;
        // The oldest held byte cannot be part of the check any more.
        if (outputLength >= outputSpace) return kNoMemory;
        uint8_t plain = static_cast<uint8_t>(pending_[0]) ^ stream_.Next();
        check_ = AddToCheck(check_, plain);
        output[outputLength++] = plain;
        pending_.erase(0, 1);
    }
    if (!last) return kOk;
    finished_ = true;
    if (!headerRead_ || pending_.size() != kCheckSize) return kFormat;
    uint32_t check = 0;
    for (size_t i = 0; i < kCheckSize; ++i) check |= static_cast<uint32_t>(static_cast<uint8_t>(pending_[i])) << (8 * i);
    return check == check_ ? kOk : kRedundancy;
}

}  // namespace cardnet
