// Documents encrypted for a card holder: the binding of the card-reader
// library CARDNET.DLL (loaded by name on first use) and one decryption
// context per record being decrypted. The registry keeps the card handle,
// the contexts and the last card error (see UrlRegistry.h).
#pragma once

#include <cstdint>

#include "core/ListNode.h"

// The message id of a library status (statuses 1 to 5 are reader or card
// trouble, which makes the next EnsureCard open the card again).
int32_t CardErrorForStatus(int32_t status);
bool IsCardTrouble(int32_t error);

class DecryptContext : public ListNode {
public:
    static constexpr int32_t kOutputSize = 8192;
    static constexpr int32_t kTypeSize = 128;

    DecryptContext(uint32_t recordId, uint32_t cardHandle);
    // Frees the output block and closes the library's decrypt handle.
    ~DecryptContext() override;

    uint32_t RecordId() const { return recordId_; }
    // Decrypts input into the output block. Only what the block can still
    // hold is handed to the library; consumed tells how much that was.
    // output/outputLength: the block and the decrypted bytes waiting in it;
    // type: the document's MIME type, empty until known. 0 or an error id
    // (also kept as the registry's last card error).
    int32_t Decrypt(const char* input, int32_t length, int32_t* consumed, const char** output,
                    int32_t* outputLength, const char** type, bool last);
    // Drops the first count bytes of the output.
    void Consume(int32_t count);

private:
    uint32_t recordId_;
    uint32_t cardHandle_;
    uint32_t decryptHandle_ = 0;
    void* block_ = nullptr;  // movable global memory
    char* locked_ = nullptr;
    int32_t used_ = 0;
    char type_[kTypeSize] = {};

    bool Lock();
    void Unlock();
};
