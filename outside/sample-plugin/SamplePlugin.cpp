// A sample plug-in library: its version block declares one MIME type for the
// plug-in scan. Its entry points do the least a plug-in must: they answer
// that all went well and give no functions.
#include <windows.h>

#include <cstdint>

namespace {

constexpr int16_t kNoError = 0;
constexpr int16_t kInvalidParameter = 9;

}  // namespace

extern "C" {

__declspec(dllexport) int16_t WINAPI NP_GetEntryPoints(void* functions) {
    return functions ? kNoError : kInvalidParameter;
}

__declspec(dllexport) int16_t WINAPI NP_Initialize(void* browserFunctions) {
    return browserFunctions ? kNoError : kInvalidParameter;
}

__declspec(dllexport) int16_t WINAPI NP_Shutdown() {
    return kNoError;
}

}  // extern "C"
