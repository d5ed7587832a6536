#include "security/ErrorHolder.h"

// The TLS 1.0 alert descriptions, then the library's own codes. The last
// three belong to the certificate name check: without them a bad name
// pattern would be reported as an internal error.
static const uint32_t kValidCodes[] = {0,   10,  20,  21,  22,  30,  40,  41,   42,    43,  44,  45,
                                       46,  47,  48,  49,  50,  51,  60,  70,   71,    80,  90,  100,
                                       296, 552, 336, 317, 298, 554, 592, 848, 1104, 16639, 327, 583};

bool IsValidSecurityCode(uint32_t code) {
    if (code == kCodeUnknown) return true;
    for (uint32_t valid : kValidCodes)
        if (valid == code) return true;
    return false;
}

void SecurityErrorCode::Set(uint32_t cls, uint32_t cd) {
    errorClass = cls <= kErrorFatal || cls == kErrorLibrary ? cls : kErrorLibrary;
    code = IsValidSecurityCode(cd) ? cd : kCodeInternalError;
}

int ErrorHolder::GetError(SecurityErrorCode* out) const {
    if (error_.errorClass == kErrorNone) return 0;
    if (out) *out = error_;
    return 1;
}

void ErrorHolder::ClearError() {
    error_.Clear();
    raised_ = 0;
}

int ErrorHolder::RaiseSecurityError(uint32_t errorClass, uint32_t code) {
    // Climbs iteratively: a deep chain of parents cannot exhaust the stack.
    SecurityErrorCode pair(errorClass, code);
    for (ErrorHolder* holder = this; holder; holder = holder->parent_) {
        holder->error_ = pair;
        holder->raised_ = 1;
        if (int handled = holder->OnError(pair)) return handled;
    }
    return 0;
}
