// The two exports, the error queue and the table.
#include <openssl/crypto.h>
#include <openssl/err.h>

#include <deque>

#include "outside/zncry/ZnCry.h"

namespace zncry {

// The program calls from one thread; the queue needs no lock.
static std::deque<uint32_t> g_errors;

void PushError(uint32_t code) {
    // Bounded: a caller that never drains cannot make it grow for ever.
    if (g_errors.size() < 64) g_errors.push_back(code ? code : PackCryptoError(255, 1));
}

// libcrypto's codes: library in bits 23-30, reason in the low 23 bits.
static uint32_t Translate(unsigned long code) {
    uint32_t library = static_cast<uint32_t>(ERR_GET_LIB(code)) & 0xFF;
    uint32_t reason = static_cast<uint32_t>(ERR_GET_REASON(code)) & 0xFFF;
    if (library == 0 && reason == 0) reason = 1;
    return PackCryptoError(library, reason);
}

void DrainLibcryptoErrors(bool asDecryption) {
    while (unsigned long code = ERR_get_error()) PushError(asDecryption ? kCryptoErrorBadDecrypt : Translate(code));
}

uint32_t PopError() {
    DrainLibcryptoErrors(false);
    if (g_errors.empty()) return 0;
    uint32_t code = g_errors.front();
    g_errors.pop_front();
    return code;
}

}  // namespace zncry

static CryptoSlotFunction g_table[kCryptoSlotCount];

extern "C" uint32_t ZNCRY_DLL_version() {
    return kCryptoLibraryVersion;
}

extern "C" CryptoSlotTable ZNCRY_DLL_jump_table() {
    static bool ready = false;
    if (!ready) {
        // No configuration file: nothing is read from a folder at run time.
        if (!OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr)) return nullptr;
        zncry::Put(g_table, kSlotPopError, &zncry::PopError);
        zncry::FillDigestSlots(g_table);
        zncry::FillCipherSlots(g_table);
        zncry::FillKeySlots(g_table);
        zncry::FillCertificateSlots(g_table);
        zncry::FillRandomSlots(g_table);
        zncry::FillKeyPairSlots(g_table);
        ready = true;
    }
    return g_table;
}
