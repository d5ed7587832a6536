// The program's binding of ZNCRY32.DLL. LoadCryptoLibrary finds the library
// by name and takes its slot table; every forwarder below passes its
// arguments on unchanged and answers 0 (or null) without calling anything
// while no table is held, which callers read as failure.
#pragma once
#include <cstdint>

#include "security/CryptoSlots.h"

// 1 when the table is held (at once when it already was), else 0. Without
// the library the user is warned once per attempt (string 21335); a library
// of the wrong version or without a table is freed silently.
int LoadCryptoLibrary();
void UnloadCryptoLibrary();

namespace crypto {

// The held table, or null. Set by LoadCryptoLibrary; tests of the platform-
// free code may install a table of their own.
CryptoSlotTable Table();
void SetTable(CryptoSlotTable table);

template <class F>
F Slot(CryptoSlot slot) {
    CryptoSlotTable table = Table();
    return table ? reinterpret_cast<F>(table[slot]) : nullptr;
}

// Calls the slot with the arguments, or answers the zero of its result.
template <class R, class... Args>
R Call(CryptoSlot slot, Args... args) {
    auto f = Slot<R (*)(Args...)>(slot);
    if (!f) return R();
    return f(args...);
}

template <class... Args>
void CallVoid(CryptoSlot slot, Args... args) {
    if (auto f = Slot<void (*)(Args...)>(slot)) f(args...);
}

}  // namespace crypto

namespace crypto {

enum class Drained { kNone, kOther, kFailedDecryption };
// Empties the library's error queue: what it held, the failed decryption
// winning over any other code.
Drained DrainErrors();

}  // namespace crypto
