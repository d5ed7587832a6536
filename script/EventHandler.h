// An event handler loaded from the text of an element's attribute: its
// parsed script, the object it belongs to, and the body it evaluates.
#pragma once

#include "script/EngineValue.h"

class SyntaxNode;

class EventHandler : public EngineValue {
public:
    bool ToBoolean() const override { return true; }
    const char* ToText() override { return "function"; }
    TypeofKind Typeof() const override { return TypeofKind::Function; }

    int id = 0;
    ValueRef script;
    ValueRef instance;
    SyntaxNode* body = nullptr;
};
