// The password prompts, the password change and the form's key generation
// with their dialogs and messages.
#include "security/SecurityPrompts.h"

#include <windows.h>

#include <new>
#include <vector>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/Preferences.h"
#include "core/ProgressDialog.h"
#include "security/SecurityDialogs.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "security/SecurityStrings.h"

namespace {

constexpr int kPromptLimit = 159;

HWND Owner(void* parent) {
    return static_cast<HWND>(parent);
}

bool g_generatingKey = false;

}  // namespace

void ShowSecurityMessage(void* parent, int stringId) {
    (void)ShowStringMessage(Owner(parent), static_cast<UINT>(stringId), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

int AskSecurityPassword(int promptId, ByteVector& out, void* parent) {
    char prompt[kPromptLimit + 1] = "";
    LoadStringA(g_instance ? g_instance : GetModuleHandleA(nullptr), static_cast<UINT>(promptId), prompt,
                sizeof prompt);
    if (AskPasswordDialog(Owner(parent), prompt, out) == 1) return 1;
    out.Resize(0);
    return 0;
}

int AskExistingPassword(SecurityManager& manager, int promptId, ByteVector& out, void* parent) {
    if (!AskSecurityPassword(promptId, out, parent)) return 0;
    while (!manager.CheckPassword(out)) {
        if (!AskSecurityPassword(IDS_PASSWORD_WRONG, out, parent)) return 0;
    }
    return 1;
}

int AskNewPassword(int promptId, int reenterId, ByteVector& out, void* parent) {
    SecureByteVector again;
    if (AskSecurityPassword(promptId, out, parent) && AskSecurityPassword(reenterId, again, parent) &&
        again.Equals(out))
        return 1;
    out.Resize(0);
    return 0;
}

int AskPasswordChange(SecurityManager& manager, int oldId, int newId, int reenterId, ByteVector& oldPassword,
                      ByteVector& newPassword, bool askOld, void* parent) {
    if ((!askOld || AskExistingPassword(manager, oldId, oldPassword, parent)) &&
        AskNewPassword(newId, reenterId, newPassword, parent))
        return 1;
    oldPassword.Resize(0);
    newPassword.Resize(0);
    return 0;
}

int ChangeSecurityPassword(void* parent) {
    SecurityManager* working = g_workingSecurityManager;
    std::unique_ptr<SecurityManager> fresh;
    if (!working) {
        fresh.reset(new (std::nothrow) SecurityManager(true));
        if (!fresh) return 0;
        working = fresh.get();
    }
    working->Load(kLoadPersonal);
    if (!working->personalLoaded) return 0;
    bool set = working->passwordBlob.Length() != 0;
    SecureByteVector oldPassword, newPassword;
    if (!AskPasswordChange(*working, IDS_PASSWORD_OLD, set ? IDS_PASSWORD_NEW : IDS_PASSWORD_FIRST,
                           IDS_PASSWORD_REENTER, oldPassword, newPassword, set, parent) ||
        !working->SetPassword(oldPassword, newPassword))
        return 0;
    if (fresh) {
        ReplaceSharedSecurityManager(fresh.release());
    } else if (g_securityManager && g_securityManager != working) {
        // The change is in the files already; the shared manager takes it
        // too, or its next Save (after a Cancel of the settings) would
        // write the old keys back.
        g_securityManager->TakePasswordChange(*working);
    }
    return 1;
}

int ChangeSecurityPasswordAndTell(void* parent) {
    int changed = ChangeSecurityPassword(parent);
    (void)ShowStringMessage(Owner(parent), changed ? IDS_PASSWORD_CHANGED : IDS_PASSWORD_CHANGE_FAILED, nullptr,
                            MB_OK | (changed ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return changed;
}

// One step of the bar per call; 1 (stop) once the user cancelled.
static int KeyGenerationProgress(void* argument) {
    HWND window = static_cast<HWND>(argument);
    if (!window) return 0;
    if (ProgressDialog::IsCancelled(window)) return 1;
    if (!IsWindow(window)) return 0;
    ProgressDialog::SetBarState(window, ProgressDialog::GetBarState(window) + 1);
    // Only the progress window's own messages: the rest of the program
    // waits until the key is made.
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (IsWindow(window)) UpdateWindow(window);
    return ProgressDialog::IsCancelled(window) ? 1 : 0;
}

int GenerateFormKey(const char* challenge, uint32_t bits, char* out, uint32_t outSize) {
    if (g_generatingKey) return 0;
    SecurityManager* manager = g_securityManager;
    if (!manager) manager = SecurityManager::Acquire();
    if (!manager) return 0;
    if (!manager->securityEnabled || !manager->haveStoreCipher) {
        ShowSecurityMessage(nullptr, manager->securityEnabled ? IDS_SECURITY_OPERATION_DISABLED : IDS_SECURITY_NOT_AVAILABLE);
        return 0;
    }
    if (g_preferences) GatherSeedFromFiles(g_preferences->GetUserDirectory());
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    char caption[41] = "", text[81] = "";
    LoadStringA(instance, IDS_KEYGEN_CAPTION, caption, sizeof caption);
    LoadStringA(instance, IDS_KEYGEN_TEXT, text, sizeof text);
    HWND window = OpenProgressDialog(nullptr, caption, text, 0);
    if (window) ProgressDialog::SetBarState(window, 0);
    g_generatingKey = true;
    int result = manager->GenerateKeyPair(kKeyRsa, bits, challenge, out, outSize, &KeyGenerationProgress, window,
                                          [&window] {
                                              ReleaseProgressDialog(window);
                                              window = nullptr;
                                          },
                                          nullptr);
    g_generatingKey = false;
    return result;
}

bool MakeFormKeyText(int bits, const char* challenge, std::string& text) {
    // As long as the longest text a KEYGEN field may send.
    std::vector<char> out(16384, '\0');
    text.clear();
    if (bits <= 0 || !GenerateFormKey(challenge, static_cast<uint32_t>(bits), out.data(),
                                      static_cast<uint32_t>(out.size())))
        return false;
    out.back() = '\0';
    text = out.data();
    return !text.empty();
}
