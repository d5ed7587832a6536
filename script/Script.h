// A script being parsed (possibly in pieces as its text arrives) and the
// tree it has built so far. Counted: by the host, and by every context,
// handler and function that uses its tree.
#pragma once

#include <cstdint>

#include "script/EngineValue.h"
#include "script/SyntaxNode.h"

class Script : public EngineValue {
public:
    Script(intptr_t pool, bool eventHandler) : pool(pool), eventHandler(eventHandler) {}
    ~Script() override;
    bool ToBoolean() const override { return true; }
    const char* ToText() override { return "script"; }
    TypeofKind Typeof() const override { return TypeofKind::Object; }

    // A token read but not yet part of a finished statement, kept (with a copy
    // of its text) until the statement it belongs to is complete.
    struct PendingToken {
        int token;
        EngineString text;
        const char* where;  // in the current call's text, null for earlier calls
    };

    intptr_t pool;
    bool eventHandler;  // top-level `return` allowed (handlers, eval, Function)
    bool poolTookTree = false;
    // 1111 at first; kTokEnd once the whole text was parsed; 1000 after an error.
    int lastToken = 1111;
    SyntaxNode* root = nullptr;
    EngineVector<PendingToken> pending;
};
