#include "net/UrlErrorBoxes.h"

#include <windows.h>

#include <string>

#include "core/MessageBoxes.h"
#include "net/UrlAuthority.h"

namespace {

constexpr size_t kShownPasswordLength = 5;

}  // namespace

void ShowUrlErrorWithPrefix(HWND owner, UINT id, UrlHandle url, const char* prefix) {
    if (!g_messageBoxes) return;
    const char* name = url.GetName();
    std::string masked = name ? name : "";
    MaskUrlPassword(&masked[0], kShownPasswordLength);
    masked.resize(std::char_traits<char>::length(masked.c_str()));
    g_messageBoxes->ShowError(owner, id, masked.c_str(), prefix);
}

void ShowUrlError(HWND owner, UINT id, UrlHandle url) {
    ShowUrlErrorWithPrefix(owner, id, url, nullptr);
}
