// The security password prompts, the password change and the form's key
// generation as the user meets them (dialogs and message boxes of the
// Windows side). parent is the owner window (a HWND), or null.
#pragma once
#include <cstdint>
#include <string>

#include "resources/SecurityIds.h"
#include "security/ByteVector.h"

class SecurityManager;


// 1 when the user pressed OK (out holds the typed text); on Cancel out is
// emptied and 0 answered. The prompt is string promptId.
[[nodiscard]] int AskSecurityPassword(int promptId, ByteVector& out, void* parent);
// Asks until the answer opens the manager's master secret; Cancel: 0.
[[nodiscard]] int AskExistingPassword(SecurityManager& manager, int promptId, ByteVector& out, void* parent);
// Asks twice; 1 only when both answers are equal, else out is emptied.
[[nodiscard]] int AskNewPassword(int promptId, int reenterId, ByteVector& out, void* parent);
[[nodiscard]] int AskPasswordChange(SecurityManager& manager, int oldId, int newId, int reenterId,
                                    ByteVector& oldPassword, ByteVector& newPassword, bool askOld, void* parent);
// The menu command: 1 when the password was changed. The caller tells the
// user the outcome.
[[nodiscard]] int ChangeSecurityPassword(void* parent);
// ChangeSecurityPassword with its outcome shown.
int ChangeSecurityPasswordAndTell(void* parent);

// The form's key-generation field: 1 with the text to submit in out.
[[nodiscard]] int GenerateFormKey(const char* challenge, uint32_t bits, char* out, uint32_t outSize);
// The same for a form's submission: the text in text; false (the user told
// why, or having cancelled) when no key was made.
bool MakeFormKeyText(int bits, const char* challenge, std::string& text);

// A message box of the security library: string id, the program's caption.
void ShowSecurityMessage(void* parent, int stringId);
