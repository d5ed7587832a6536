// What a page needs of the script engine to run the scripts of its SCRIPT
// elements in document order: load the collected text (ScriptLoader), make
// an evaluation context in the page's window object, evaluate it (the
// script may write into the page through DocumentContent::WriteText) and
// delete the context. The program's script host implements it.
#pragma once

#include <cstdint>

#include "html/ElementRecords.h"

class DocumentContent;

// Answers of Evaluate besides the script's result.
constexpr int kScriptBusy = 1234;

class PageScriptHost : public ScriptLoader {
public:
    // A context for the compiled script of the record, 0 when none can be made.
    virtual int32_t CreateEvalContext(int32_t windowObject, ScriptRecord& script) = 0;
    // Runs the context for the page; kScriptBusy when another evaluation is
    // running (try again later).
    virtual int Evaluate(int32_t context, DocumentContent& content) = 0;
    virtual void DeleteEvalContext(int32_t context) = 0;
    // Compiles an event handler's text into a handler object (0 on a syntax
    // error); kind is the handler kind of the event (1099, 1104 ...).
    virtual int32_t LoadEventHandler(int kind, const char* text, int length, int32_t scriptContext) = 0;
    // A further count on an object, and giving one back.
    virtual int32_t NewInstance(int32_t object) = 0;
    virtual void DeleteObject(int32_t object) = 0;
};

// A record's compiled handler of an event, compiled from its text on the
// first request and kept; 0 when the record has no text for the event or
// the event is not one of its own.
int32_t GetEventHandler(ElementRecord& record, int eventId, PageScriptHost& host, int32_t scriptContext);
// Replaces a record's handler of the event named by a script property id
// (onclick 132 ...) with a new instance of handler; unknown ids do nothing.
void SetEventHandler(ElementRecord& record, int propertyId, int32_t handler, PageScriptHost& host);
