#include "security/MessageDigest.h"

#include <cstring>
#include <new>

#include "security/CryptoLibrary.h"

MessageDigest::MessageDigest(const CryptoDigestInfo* descriptor) : descriptor_(descriptor) {
    if (descriptor_) context_ = crypto::Call<void*>(kSlotDigestContextNew);
}

MessageDigest::~MessageDigest() {
    if (context_) crypto::CallVoid(kSlotDigestContextFree, context_);
}

uint32_t MessageDigest::Size() const {
    return descriptor_ ? static_cast<uint32_t>(descriptor_->size) : 0;
}

int MessageDigest::Kind() const {
    if (!descriptor_) return kDigestNone;
    switch (static_cast<int16_t>(descriptor_->objectNumber)) {
        case kObjectMd5: return kDigestMd5;
        case kObjectSha1Legacy:
        case kObjectSha1: return kDigestSha1;
        default: return kDigestNone;
    }
}

bool MessageDigest::CheckLibrary() {
    if (crypto::DrainErrors() == crypto::Drained::kNone) return true;
    RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    return false;
}

void MessageDigest::Init() {
    if (!context_ || !crypto::Call<int>(kSlotDigestInit, context_, descriptor_)) {
        crypto::DrainErrors();
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return;
    }
    CheckLibrary();
}

// The whole length goes to the library: any amount of data is hashed.
const uint8_t* MessageDigest::Update(const uint8_t* data, uint32_t length) {
    if (length == 0) return data;
    if (!context_ || !crypto::Call<int>(kSlotDigestUpdate, context_, static_cast<const void*>(data),
                                        static_cast<unsigned>(length))) {
        crypto::DrainErrors();
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    }
    return data + length;
}

// Finalises a copy, so the running digest goes on.
uint8_t* MessageDigest::Final(uint8_t* out) {
    uint32_t size = Size();
    void* copy = context_ ? crypto::Call<void*>(kSlotDigestContextNew) : nullptr;
    unsigned written = 0;
    bool ok = copy && crypto::Call<int>(kSlotDigestContextCopy, copy, static_cast<const void*>(context_)) &&
              crypto::Call<int>(kSlotDigestFinal, copy, out, &written) && written == size;
    if (copy) crypto::CallVoid(kSlotDigestContextFree, copy);
    if (!ok) {
        crypto::DrainErrors();
        std::memset(out, 0, size);
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    }
    return out + size;
}

void MessageDigest::FinalThrough(ByteVector& out) {
    SecureByteVector digest;
    FinalInto(*this, digest);
    int size = crypto::Call<int>(kSlotDigestWhole, descriptor_, static_cast<const uint8_t*>(digest.Data()),
                                 static_cast<unsigned>(digest.Length()), static_cast<uint8_t*>(nullptr));
    if (size <= 0 || !out.Resize(static_cast<uint32_t>(size))) {
        out.Resize(0);
        return;
    }
    crypto::Call<int>(kSlotDigestWhole, descriptor_, static_cast<const uint8_t*>(digest.Data()),
                      static_cast<unsigned>(digest.Length()), out.Data());
}

int MessageDigest::Check(ErrorHolder* target) {
    bool healthy = crypto::DrainErrors() == crypto::Drained::kNone;
    if (!healthy && target) target->RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    return healthy && !GetError() && context_ ? 1 : 0;
}

std::unique_ptr<DigestBase> MessageDigest::NewSameKind() const {
    auto fresh = std::unique_ptr<MessageDigest>(new (std::nothrow) MessageDigest(descriptor_));
    if (fresh && descriptor_ && !fresh->context_) fresh.reset();
    return fresh;
}

std::unique_ptr<DigestBase> MessageDigest::Clone() const {
    auto copy = std::unique_ptr<MessageDigest>(new (std::nothrow) MessageDigest(descriptor_));
    if (!copy || (descriptor_ && !copy->context_)) return nullptr;
    if (context_) crypto::Call<int>(kSlotDigestContextCopy, copy->context_, static_cast<const void*>(context_));
    return copy;
}

NullDigest& SharedNullDigest() {
    static NullDigest shared;
    return shared;
}

void UpdateVector(DigestBase& digest, const ByteVector& vector) {
    digest.Update(vector.Data(), vector.Length());
}

void UpdateRepeated(DigestBase& digest, uint8_t byte, uint32_t n) {
    uint8_t block[64];
    std::memset(block, byte, sizeof block);
    while (n > 0) {
        uint32_t piece = n < sizeof block ? n : sizeof block;
        digest.Update(block, piece);
        n -= piece;
    }
}

void UpdateString(DigestBase& digest, const char* text) {
    if (text) digest.Update(reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)));
}

void FinalInto(DigestBase& digest, ByteVector& vector) {
    vector.Resize(digest.Size());
    if (vector.Raised()) {
        vector.Resize(0);
        return;
    }
    if (digest.Size()) digest.Final(vector.Data());
}

void DigestBytes(DigestBase& digest, const uint8_t* bytes, uint32_t n, ByteVector& vector) {
    digest.Init();
    digest.Update(bytes, n);
    FinalInto(digest, vector);
}

void DigestVector(DigestBase& digest, const ByteVector& input, ByteVector& output) {
    digest.Init();
    UpdateVector(digest, input);
    FinalInto(digest, output);
}

DigestSlot& DigestSlot::operator=(const DigestSlot& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

void DigestSlot::Reset() {
    owned_.reset();
}

int DigestSlot::Adopt(std::unique_ptr<DigestBase> digest) {
    if (!digest) {
        RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
        return 0;
    }
    owned_ = std::move(digest);
    owned_->SetParent(this);
    return 1;
}

int DigestSlot::SetFresh(const DigestBase* digest) {
    Reset();
    return digest ? Adopt(digest->NewSameKind()) : 1;
}

int DigestSlot::SetClone(const DigestBase* digest) {
    Reset();
    return digest ? Adopt(digest->Clone()) : 1;
}

int DigestSlot::CopyFrom(const DigestSlot& other) {
    return SetClone(other.owned_.get());
}

int DigestSlot::Check(ErrorHolder* report) {
    if (GetError()) {
        if (report) report->RaiseFrom(*this);
        return 0;
    }
    return owned_ ? owned_->Check(report) : 0;
}

void DigestSlot::ClearError() {
    ErrorHolder::ClearError();
    Current().ClearError();
}
