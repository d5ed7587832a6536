// A stand-in for the script engine library that lacks one of its 17
// exports (JS_NewInstance): the host must free it and never load it again.
// The others do nothing.
#define EXPORT extern "C" __declspec(dllexport)

EXPORT void* JS_Init(void*, void*, void*, void*, void*, void*) { return nullptr; }
EXPORT void JS_Destroy() {}
EXPORT void* JS_CreateScript(void*) { return nullptr; }
EXPORT void JS_DeleteScript(void*) {}
EXPORT int JS_LoadScript(void*, const char**, const char*, int) { return 5555; }
EXPORT void* JS_LoadEventHandler(int, const char*, int, void*) { return nullptr; }
EXPORT void* JS_CreateEvalContext(void*, void*, void*, void*) { return nullptr; }
EXPORT void JS_DeleteEvalContext(void*) {}
EXPORT int JS_Evaluate(void*, void**) { return 5555; }
EXPORT void* JS_CreateObject(int, void*, void*) { return nullptr; }
EXPORT void JS_DeleteObject(void*) {}
EXPORT void* JS_AddObjectIdx(void*, int, int, int, void*, void*) { return nullptr; }
EXPORT const char* JS_GetObjectStringValue(void*, int, int) { return nullptr; }
EXPORT const char* JS_GetStringValue(void*) { return nullptr; }
EXPORT void* JS_GetObjectHandleValue(void*, int, int) { return nullptr; }
EXPORT void* JS_GetObjectByName(void*, const char*) { return nullptr; }
