// Records, handshake messages, the items of their bodies and item lists
// arrive from servers: any bytes, in any pieces, must parse within bounds,
// and parsing a byte at a time must end as parsing the whole does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "security/DataItemArray.h"
#include "security/HandshakeItems.h"
#include "security/HandshakeMessage.h"
#include "security/SslRecord.h"

static std::unique_ptr<DataItem> Make(uint8_t kind) {
    switch (kind % 9) {
        case 0: return std::make_unique<SslPlainRecord>();
        case 1: return std::make_unique<SslProtectedRecord>();
        case 2: return std::make_unique<HandshakeMessage>();
        case 3: return std::make_unique<CipherSuiteList>();
        case 4: return std::make_unique<CertificateList>();
        case 5: return std::make_unique<Ssl2CipherKindList>();
        // The bodies of a ServerKeyExchange and a CertificateRequest.
        case 6: return std::make_unique<RsaParametersItem>();
        case 7: return std::make_unique<DigitallySignedItem>(kSignedRsa, nullptr, nullptr);
        default: return std::make_unique<CertificateRequestItem>();
    }
}

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    auto whole = Make(data[0]);
    auto single = Make(data[0]);
    size_t a = Feed(*whole, data + 1, size - 1, size);
    size_t b = Feed(*single, data + 1, size - 1, 1);
    if (a != b || whole->Error() != single->Error() || whole->IsComplete() != single->IsComplete())
        std::abort();
    ErrorHolder report;
    if (whole->IsComplete() && !whole->GetError() && whole->Check(&report)) {
        std::vector<uint8_t> out(whole->EncodedSize());
        if (whole->Write(out.data()) != out.data() + out.size()) std::abort();
    }
    return 0;
}
