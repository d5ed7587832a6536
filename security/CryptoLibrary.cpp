#include "security/CryptoLibrary.h"

namespace crypto {

static CryptoSlotTable g_table = nullptr;

CryptoSlotTable Table() {
    return g_table;
}

void SetTable(CryptoSlotTable table) {
    g_table = table;
}

}  // namespace crypto

namespace crypto {

Drained DrainErrors() {
    Drained found = Drained::kNone;
    // Bounded, in case a library never runs dry.
    for (int i = 0; i < 1000; ++i) {
        uint32_t code = Call<uint32_t>(kSlotPopError);
        if (!code) break;
        if (IsFailedDecryption(code)) found = Drained::kFailedDecryption;
        else if (found == Drained::kNone) found = Drained::kOther;
    }
    return found;
}

}  // namespace crypto
