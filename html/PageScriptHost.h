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

class HtmlElement;
class PageProperties;

class PageScriptHost : public ScriptLoader {
public:
    // False when no engine can be had (scripting off or no library): pages
    // then show their NOSCRIPT content.
    virtual bool Available() { return true; }
    // An element was added to a page that has a document script object: it
    // gets its script object (links, images, forms and their fields).
    virtual void RegisterElement(HtmlElement& element, PageProperties& page) {}
    // A context for the compiled script of the record, 0 when none can be made.
    virtual ScriptObject CreateEvalContext(ScriptObject windowObject, ScriptRecord& script) = 0;
    // Runs the context for the page; kScriptBusy when another evaluation is
    // running (try again later).
    virtual int Evaluate(ScriptObject context, DocumentContent& content) = 0;
    virtual void DeleteEvalContext(ScriptObject context) = 0;
    // Compiles an event handler's text into a handler object (0 on a syntax
    // error); kind is the handler kind of the event (1099, 1104 ...).
    virtual ScriptObject LoadEventHandler(int kind, const char* text, int length, ScriptObject scriptContext) = 0;
    // A further count on an object, and giving one back.
    virtual ScriptObject NewInstance(ScriptObject object) = 0;
    virtual void DeleteObject(ScriptObject object) = 0;
};

// The host every new page starts with (the program installs its script
// host; null: pages run no scripts unless given a host).
void SetDefaultPageScriptHost(PageScriptHost* host);
PageScriptHost* DefaultPageScriptHost();

// A record's compiled handler of an event, compiled from its text on the
// first request and kept; 0 when the record has no text for the event or
// the event is not one of its own.
ScriptObject GetEventHandler(ElementRecord& record, int eventId, PageScriptHost& host, ScriptObject scriptContext);
// Replaces a record's handler of the event named by a script property id
// (onclick 132 ...) with a new instance of handler; unknown ids do nothing.
void SetEventHandler(ElementRecord& record, int propertyId, ScriptObject handler, PageScriptHost& host);
