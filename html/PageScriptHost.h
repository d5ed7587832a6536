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
};
