// ZNCRY32.DLL: the program's crypto library, over OpenSSL's libcrypto. It
// fills the slot table of security/CryptoSlots.h, owns every context, key,
// certificate and store it hands out, and reports libcrypto's findings in
// the program's codes. The old ciphers come from libcrypto's own low-level
// implementations linked in here: nothing is loaded from disk at run time.
#pragma once
#include <cstdint>

#include "security/CryptoSlots.h"

namespace zncry {

// The library's error queue: codes pushed here come out before libcrypto's.
void PushError(uint32_t code);
uint32_t PopError();
// Moves libcrypto's pending errors into the queue, translated; with
// asDecryption every one of them is reported as a failed decryption.
void DrainLibcryptoErrors(bool asDecryption);

void FillDigestSlots(CryptoSlotFunction* table);
void FillCipherSlots(CryptoSlotFunction* table);
void FillKeySlots(CryptoSlotFunction* table);
void FillCertificateSlots(CryptoSlotFunction* table);
void FillRandomSlots(CryptoSlotFunction* table);
void FillKeyPairSlots(CryptoSlotFunction* table);

template <class F>
void Put(CryptoSlotFunction* table, CryptoSlot slot, F function) {
    table[slot] = reinterpret_cast<CryptoSlotFunction>(function);
}

}  // namespace zncry
