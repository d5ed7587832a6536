#include "net/CardReader.h"

#include <windows.h>

#include <cstring>

#include "core/Preferences.h"
#include "net/UrlErrors.h"
#include "net/UrlRegistry.h"

namespace {

// The library's six entry points (each answers 0 on success and writes a
// status through its last argument).
using CardOpenFn = int (*)(int32_t*, int32_t, int32_t, uint32_t*, int32_t*);
using CardCloseFn = int (*)(uint32_t, int32_t*);
using CardOpenDecryptFn = int (*)(uint32_t*, uint32_t, int32_t*);
using CardDecryptFn = int (*)(uint32_t*, const char*, int32_t*, char*, int32_t*, char*, int32_t, int32_t,
                                   uint32_t, int32_t*, int32_t*);
using CardCloseDecryptFn = int (*)(uint32_t*, uint32_t, int32_t*);
using CardStatusFn = int (*)();

struct CardLibrary {
    HMODULE module = nullptr;
    CardOpenFn open = nullptr;
    CardCloseFn close = nullptr;
    CardOpenDecryptFn openDecrypt = nullptr;
    CardDecryptFn decrypt = nullptr;
    CardCloseDecryptFn closeDecrypt = nullptr;
    CardStatusFn status = nullptr;
};
CardLibrary g_card;

template <typename T>
bool Bind(T& slot, const char* name) {
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(g_card.module, name)));
    return slot != nullptr;
}

void FreeCardLibrary() {
    if (g_card.module) FreeLibrary(g_card.module);
    g_card = CardLibrary();
}

// The registry's destruction closes the card and frees the library.
void CloseCardAtExit(UrlRegistry& registry) {
    registry.CloseCard();
    FreeCardLibrary();
}

}  // namespace

int32_t CardErrorForStatus(int32_t status) {
    switch (status) {
        case 1:
            return kErrCardCommunication;
        case 2:
            return kErrCardNoPower;
        case 3:
            return kErrCardNotCompatible;
        case 4:
            return kErrCardNoAnswer;
        case 5:
            return kErrCardNoAccess;
        case 6:
            return kErrCardNoMemory;
        case 7:
            return kErrCannotDecrypt;
        case 8:
            return kErrCardRedundancy;
        default:
            return kErrCardUndefined;
    }
}

bool IsCardTrouble(int32_t error) {
    return error >= kErrCardCommunication && error <= kErrCardNoAccess;
}

// ------------------------------------------------------------ the registry

bool UrlRegistry::LoadCardLibrary() {
    if (g_card.module) return true;
    g_card.module = LoadLibraryA("CARDNET.DLL");
    if (g_card.module == nullptr) {
        lastCardError_ = kErrCardLibraryMissing;
        return false;
    }
    bool all = Bind(g_card.open, "Card_Open") && Bind(g_card.close, "Card_Close") &&
               Bind(g_card.openDecrypt, "Card_Open_Decrypt") && Bind(g_card.decrypt, "Card_Decrypt") &&
               Bind(g_card.closeDecrypt, "Card_Close_Decrypt") && Bind(g_card.status, "Card_Status_Decrypt");
    if (!all) {
        FreeCardLibrary();
        lastCardError_ = kErrCardLibraryWrong;
        return false;
    }
    cardTeardown_ = CloseCardAtExit;
    return true;
}

bool UrlRegistry::EnsureCard(uint32_t& card) {
    card = 0;
    if (!LoadCardLibrary()) return false;
    if (cardHandle_ != 0 && IsCardTrouble(lastCardError_)) {
        CloseCard();
        lastCardError_ = 0;
    }
    if (cardHandle_ == 0) {
        int32_t port = g_preferences ? g_preferences->Get(PrefInt::CardnetPort) : 0;
        bool detect = port == 0;
        HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        int32_t status = 0;
        uint32_t handle = 0;
        bool ok = g_card.open(&port, 9600, detect ? 1 : 0, &handle, &status) == 0 && handle != 0;
        if (!ok) {
            int32_t ignored = 0;
            if (handle != 0) g_card.close(handle, &ignored);
            handle = 0;
            if (status == 1 && !detect) {
                // Nothing on the port we were told: look for the reader.
                ok = g_card.open(&port, 9600, 1, &handle, &status) == 0 && handle != 0;
                if (ok && g_preferences) (void)g_preferences->Set(PrefInt::CardnetPort, port);
            }
        }
        SetCursor(before);
        if (!ok) {
            lastCardError_ = CardErrorForStatus(status);
            return false;
        }
        cardHandle_ = handle;
    }
    card = cardHandle_;
    return true;
}

void UrlRegistry::CloseCard() {
    if (cardHandle_ != 0 && g_card.close) {
        int32_t status = 0;
        g_card.close(cardHandle_, &status);
    }
    cardHandle_ = 0;
}

DecryptContext* UrlRegistry::FindDecryptContext(uint32_t recordId, bool create) {
    for (ListNode* n = decryptContexts_.First(); n; n = n->Next()) {
        auto* c = static_cast<DecryptContext*>(n);
        if (c->RecordId() == recordId) return c;
    }
    if (!create) return nullptr;
    uint32_t card = 0;
    if (!EnsureCard(card)) return nullptr;
    auto* context = new (std::nothrow) DecryptContext(recordId, card);
    if (context == nullptr) {
        lastCardError_ = kErrCardNoMemory;
        return nullptr;
    }
    context->AppendTo(decryptContexts_);
    return context;
}

void UrlRegistry::CloseDecryptContext(DecryptContext*& context) {
    if (context == nullptr) return;
    context->Remove();
    delete context;
    context = nullptr;
}

// ------------------------------------------------------ decrypt contexts

DecryptContext::DecryptContext(uint32_t recordId, uint32_t cardHandle)
    : recordId_(recordId), cardHandle_(cardHandle) {}

DecryptContext::~DecryptContext() {
    Unlock();
    if (block_) GlobalFree(static_cast<HGLOBAL>(block_));
    if (decryptHandle_ != 0 && g_card.closeDecrypt) {
        int32_t status = 0;
        g_card.closeDecrypt(&decryptHandle_, cardHandle_, &status);
    }
}

bool DecryptContext::Lock() {
    if (locked_) return true;
    if (!block_) block_ = GlobalAlloc(GMEM_MOVEABLE, kOutputSize);
    if (!block_) return false;
    locked_ = static_cast<char*>(GlobalLock(static_cast<HGLOBAL>(block_)));
    return locked_ != nullptr;
}

void DecryptContext::Unlock() {
    if (locked_ && block_) GlobalUnlock(static_cast<HGLOBAL>(block_));
    locked_ = nullptr;
}

int32_t DecryptContext::Decrypt(const char* input, int32_t length, int32_t* consumed, const char** output,
                                int32_t* outputLength, const char** type, bool last) {
    UrlRegistry* registry = UrlRegistry::Instance();
    *consumed = 0;
    *outputLength = 0;
    *output = nullptr;
    *type = type_;
    if (registry == nullptr) return kErrCardUndefined;
    uint32_t card = 0;
    if (!registry->EnsureCard(card)) return registry->LastCardError();
    cardHandle_ = card;
    registry->SetLastCardError(0);
    auto fail = [&](int32_t status) {
        int32_t error = CardErrorForStatus(status);
        registry->SetLastCardError(error);
        return error;
    };
    int32_t status = 0;
    if (decryptHandle_ == 0 && g_card.openDecrypt(&decryptHandle_, cardHandle_, &status) != 0) {
        decryptHandle_ = 0;
        return fail(status);
    }
    if (!Lock()) {
        registry->SetLastCardError(kErrCardNoMemory);
        return kErrCardNoMemory;
    }
    *output = locked_;
    *outputLength = used_;
    if (length <= 0 && !last) return 0;
    // The library writes at most as much as it reads: it is handed no more
    // than the block can still hold, and the caller comes back for the rest.
    int32_t give = length < kOutputSize - used_ ? length : kOutputSize - used_;
    if (give < 0) give = 0;
    bool finalCall = last && give == length;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int32_t inLength = give;
        int32_t space = kOutputSize - used_;
        int32_t ignored = 0;
        bool typeKnown = type_[0] != 0;
        int result = g_card.decrypt(&decryptHandle_, input, &inLength, locked_ + used_, &space,
                                    typeKnown ? nullptr : type_, typeKnown ? 0 : kTypeSize, finalCall ? 1 : 0,
                                    cardHandle_, &ignored, &status);
        if (result == 0) {
            type_[kTypeSize - 1] = 0;
            if (space < 0) space = 0;
            if (space > kOutputSize - used_) space = kOutputSize - used_;
            used_ += space;
            *outputLength = used_;
            *consumed = give;
            return 0;
        }
        int32_t error = fail(status);
        if (attempt > 0 || !IsCardTrouble(error)) return error;
        // The reader or card failed: open it again and try once more.
        if (!registry->EnsureCard(card)) return registry->LastCardError();
        cardHandle_ = card;
        int32_t closeStatus = 0;
        if (decryptHandle_ != 0) g_card.closeDecrypt(&decryptHandle_, cardHandle_, &closeStatus);
        decryptHandle_ = 0;
        if (g_card.openDecrypt(&decryptHandle_, cardHandle_, &status) != 0) {
            decryptHandle_ = 0;
            return fail(status);
        }
    }
    return registry->LastCardError();
}

void DecryptContext::Consume(int32_t count) {
    if (count > used_) count = used_;
    if (count > 0 && locked_) std::memmove(locked_, locked_ + count, static_cast<size_t>(used_ - count));
    if (count > 0) used_ -= count;
    Unlock();
}
