// SSL 2.0 records and messages and SSL 3.0 records arrive from servers: any
// bytes, in any pieces, must parse within bounds, a byte at a time ending
// as the whole does, and unprotecting without keys must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "security/Ssl2.h"
#include "security/SslRecord.h"

static size_t Feed(DataItem& item, const uint8_t* data, size_t size, size_t piece) {
    size_t used = 0;
    while (used < size) {
        uint32_t left = static_cast<uint32_t>(size - used < piece ? size - used : piece);
        uint32_t before = left;
        item.Read(data + used, left);
        if (left > before) std::abort();
        used += before - left;
        if (item.GetError() || item.IsComplete() || before == left) break;
    }
    return used;
}

static void Records(const uint8_t* data, size_t size, bool ssl2) {
    std::unique_ptr<ProtectableRecord> whole, single;
    if (ssl2) {
        whole.reset(new Ssl2Record);
        single.reset(new Ssl2Record);
    } else {
        whole.reset(new SslProtectedRecord);
        single.reset(new SslProtectedRecord);
    }
    size_t a = Feed(*whole, data, size, size);
    size_t b = Feed(*single, data, size, 1);
    if (a != b || whole->IsComplete() != single->IsComplete() || whole->Error() != single->Error())
        std::abort();
    if (!whole->IsComplete() || whole->GetError()) return;
    std::vector<uint8_t> out(whole->EncodedSize());
    if (!out.empty() && whole->Write(out.data()) > out.data() + out.size()) std::abort();
    CipherState clear;
    whole->BeginUnprotect();
    std::unique_ptr<ProtectableRecord> plain = whole->Unprotect(clear, 3);
    while (!plain && whole->ProtectionPending()) plain = whole->Unprotect(clear, 3);
    if (plain && plain->Length() > whole->Length()) std::abort();
}

static void Message(const uint8_t* data, size_t size) {
    Ssl2Message whole, pieces;
    uint32_t left = static_cast<uint32_t>(size);
    whole.ReadMessage(data, left);
    for (size_t i = 0; i < size; ++i) {
        uint32_t one = 1;
        pieces.ReadMessage(data + i, one);
    }
    ErrorHolder report;
    if (whole.IsComplete() && whole.CheckMessage(&report)) {
        std::vector<uint8_t> out(whole.MessageSize());
        if (whole.WriteMessage(out.data()) != out.data() + out.size()) std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    switch (data[0] % 3) {
        case 0: Records(data + 1, size - 1, true); break;
        case 1: Records(data + 1, size - 1, false); break;
        default: Message(data + 1, size - 1); break;
    }
    return 0;
}
