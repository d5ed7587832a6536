// The exported interface of the script engine library ZNTJS32: 17 plain C
// functions (cdecl, undecorated names) and the six host callbacks handed to
// JS_Init. The host binds the exports by name after loading the library.
//
// Calling order: JS_Init once; then scripts, contexts and objects; JS_Destroy
// last, after the host has released every engine object it holds.
// Ownership: objects returned by JS_CreateObject, JS_NewInstance,
// JS_CreateScript, JS_LoadEventHandler and handed out by JS_Evaluate carry a
// count for the host, released with JS_DeleteObject (JS_DeleteScript,
// JS_DeleteEvalContext for scripts and contexts). Everything else returned
// (JS_AddObjectIdx, JS_GetObjectHandleValue, JS_GetObjectByName, texts) is
// borrowed. Values the callbacks return are borrowed too: the engine takes
// its own count. Handles and pointers are 32-bit in the Windows build.
#pragma once

#include <stdint.h>

#if defined(_WIN32)
#define ZNTJS_CALL __cdecl
#else
#define ZNTJS_CALL
#endif

#ifdef __cplusplus
class EngineValue;
class Script;
class EvalContext;
class EventHandler;
class SyntaxNode;
typedef EngineValue* JsObject;
typedef Script* JsScript;
typedef EvalContext* JsContext;
typedef EventHandler* JsHandler;
typedef SyntaxNode* JsNode;
#else
typedef void* JsObject;
typedef void* JsScript;
typedef void* JsContext;
typedef void* JsHandler;
typedef void* JsNode;
#endif

typedef intptr_t JsHostHandle;

// Shared result codes.
enum {
    JS_MORE_TEXT = 700,
    JS_SYNTAX_ERROR = 1000,
    JS_RUNTIME_ERROR = 1001,
    JS_PARSED = 1111,
    JS_NOT_FINISHED = 1234,
    JS_FINISHED = 1789,
    JS_FINISHED_TRUE = 7777,
    JS_FINISHED_FALSE = 9000,
    JS_NO_SCRIPT = 5555,
};

// Callbacks. HostGetValue: nonzero when a value was given (a text when
// *textOut is set, else the number *numberOut). HostSetValue returns the text
// the property holds afterwards; an EventHandler it receives is the
// engine's, and a host that keeps it takes a count with JS_NewInstance.
// HostCallFunction's result is an engine value
// (or, by id, a flag); *out1 may carry a text. HostAllocate gives memory for
// syntax nodes of a script made with a host pool.
typedef int(ZNTJS_CALL* HostGetValueFn)(JsHostHandle handle, int nameId, int classId, char** textOut,
                                        int* numberOut);
typedef JsObject(ZNTJS_CALL* HostGetObjectFn)(JsHostHandle handle, int nameId, int classId);
typedef const char*(ZNTJS_CALL* HostSetValueFn)(JsHostHandle handle, int nameId, int classId,
                                                const char* text, JsHandler handler, int token);
typedef intptr_t(ZNTJS_CALL* HostCallFunctionFn)(JsHostHandle handle, JsHostHandle second, int builtinId,
                                                 JsObject arguments, intptr_t* out1, int* out2);
typedef void*(ZNTJS_CALL* HostAllocateFn)(intptr_t pool, unsigned size);
typedef void(ZNTJS_CALL* HostReportErrorFn)(JsHostHandle handle, int code, const char* message);

#define ZNTJS_EXPORTS(X)                                                                            \
    X(JsNode, JS_Init,                                                                              \
      (HostGetValueFn, HostGetObjectFn, HostSetValueFn, HostCallFunctionFn, HostAllocateFn,         \
       HostReportErrorFn))                                                                          \
    X(void, JS_Destroy, (void))                                                                     \
    X(JsScript, JS_CreateScript, (intptr_t pool))                                                   \
    X(void, JS_DeleteScript, (JsScript))                                                            \
    X(int, JS_LoadScript, (JsScript, const char** cursor, const char* end, int moreText))           \
    X(JsHandler, JS_LoadEventHandler, (int id, const char* text, int length, JsObject instance))    \
    X(JsContext, JS_CreateEvalContext, (JsObject object, JsScript, JsHandler, JsObject thisObject)) \
    X(void, JS_DeleteEvalContext, (JsContext))                                                      \
    X(int, JS_Evaluate, (JsContext, JsObject * out))                                                \
    X(JsObject, JS_CreateObject, (int classId, JsHostHandle handle, JsObject parent))               \
    X(void, JS_DeleteObject, (JsObject))                                                            \
    X(JsObject, JS_NewInstance, (JsObject))                                                         \
    X(JsObject, JS_AddObjectIdx,                                                                    \
      (JsObject parent, int nameId, int classId, int unused, JsHostHandle handle, JsObject object)) \
    X(const char*, JS_GetObjectStringValue, (JsObject, int index, int mode))                        \
    X(const char*, JS_GetStringValue, (JsObject))                                                   \
    X(JsObject, JS_GetObjectHandleValue, (JsObject, int index, int mode))                           \
    X(JsObject, JS_GetObjectByName, (JsObject, const char* name))

#ifdef __cplusplus
extern "C" {
#endif
#define ZNTJS_DECLARE(ret, name, args) ret ZNTJS_CALL name args;
ZNTJS_EXPORTS(ZNTJS_DECLARE)
#undef ZNTJS_DECLARE
#ifdef __cplusplus
}
#endif
