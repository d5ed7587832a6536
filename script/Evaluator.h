// Runs a syntax tree with an explicit stack of frames instead of native
// recursion, so that an evaluation can stop after a budget of steps and go
// on at the next JS_Evaluate call exactly where it stopped.
#pragma once

#include <cstdint>

#include "script/EngineValue.h"
#include "script/ObjectValue.h"

class SyntaxNode;
class Script;

constexpr int kStepBudget = 8000;
// Frames alive at once in one context; deeper recursion is a run-time error.
constexpr int kMaxFrames = 10000;
// Frames kept on the shared free list for reuse.
constexpr int kKeptFreeFrames = 256;

// How a frame ends when its node is left.
enum class FrameBoundary : uint8_t {
    None,
    FunctionBody,  // a script function's call: yields the returned value or undefined
    Constructor,   // a constructor's body: yields the new object
    ScriptRoot,    // the context's script, or one run by eval: yields its last value
};

class EvalFrame : public EngineHeapObject {
public:
    void Reset();

    SyntaxNode* node = nullptr;
    int phase = 0;
    SyntaxNode* cursor = nullptr;              // the child being worked on in statement and argument lists
    SyntaxNode* pendingDeclaration = nullptr;  // var: the declaration whose value is being computed
    ValueRef result;                           // the last child's value (empty for statements without one)
    ValueRef completion;                       // the last statement value of a list
    ValueRef held[2];                          // operands kept while later children run
    ValueRef activation;                       // parameters and vars of the current call (null at top level)
    ValueRef thisObject;
    ValueRef enclosing;
    ValueRef withObject;
    ValueRef callee;
    ValueRef arguments;
    ValueRef evalScript;
    EvalFrame* withChain = nullptr;  // nearest frame at or below with a `with` object
    // The assignment to a name or the return that takes this frame's value
    // when it finishes (they then have no frames of their own).
    SyntaxNode* waiting = nullptr;
    EngineVector<EngineString> names;  // for-in
    size_t index = 0;
    FrameBoundary boundary = FrameBoundary::None;
    EvalFrame* below = nullptr;
};

class EvalContext : public EngineHeapObject {
public:
    EvalContext() = default;
    ~EvalContext();

    // Sets up the first frame at start (the script's root or a handler's
    // body) and binds the function declarations directly below it.
    bool Start(EngineValue* scope, Script* script, SyntaxNode* start, EngineValue* thisObject);
    // 1234 when the budget ran out, 1789/7777/9000 when finished (value in
    // *result), 1001 after a run-time error (reported).
    [[nodiscard]] int Run(ValueRef* result);

    ValueRef object;  // the scope object
    ValueRef script;
    int budget = 0;
    bool busy = false;
    bool failed = false;
    bool finished = false;

private:
    int Step(EvalFrame* f);
    bool Push(EvalFrame* f, SyntaxNode* node);
    void Eval(EvalFrame* f, SyntaxNode* node);
    ValueRef Compute(EvalFrame* f, SyntaxNode* node);
    bool EvalReturnInPlace(EvalFrame* f, SyntaxNode* node);
    bool EvalIfInPlace(EvalFrame* f, SyntaxNode* node);
    bool EvalAssignCallInPlace(EvalFrame* f, SyntaxNode* node);
    bool EvalCallInPlace(EvalFrame* f, SyntaxNode* call, SyntaxNode* waiting);
    bool EvalReturnOfFrame(EvalFrame* f, SyntaxNode* node);
    void FinishAssignment(SyntaxNode* assignment, ValueRef value);
    void Deliver(ValueRef v, SyntaxNode* waiting);
    ValueRef ComputeChild(EvalFrame* f, SyntaxNode* node);
    bool ComputeTarget(EvalFrame* f, SyntaxNode* target, ValueRef* holder, EngineString* key,
                       const char** name);
    // Goes on to the node's child-th child; the frame continues at nextPhase.
    void EvalChild(EvalFrame* f, int child, int nextPhase);
    void Finish(EngineValue* value);
    void PopFrame();
    int Fail(SyntaxNode* node);
    bool Unwind(int token, EngineValue* value);
    void StartCall(EvalFrame* f, EngineValue* function, EngineValue* thisObject, ArrayObject* arguments,
                   FrameBoundary boundary);
    void BindFunctions(SyntaxNode* parent, ObjectValue* target, EngineValue* scriptHolder,
                       EngineValue* enclosing);

    ValueRef Lookup(EvalFrame* f, const char* name, size_t length, uint32_t* hint);
    ObjectValue* AssignmentTarget(EvalFrame* f, const char* name);
    ValueRef Member(EvalFrame* f, EngineValue* object, const char* name);
    // object[index]
    ValueRef Element(EvalFrame* f, EngineValue* object, EngineValue* index);
    ValueRef Store(EvalFrame* f, SyntaxNode* target, EngineValue* object, const char* name,
                   EngineValue* value);
    ValueRef LeafValue(EvalFrame* f, SyntaxNode* node);
    // The work of an assignment or increment once its target and value are
    // known; null on a run-time error.
    ValueRef Assign(EvalFrame* f, SyntaxNode* n, EngineValue* holder, const char* name, ValueRef value);
    ValueRef Increment(EvalFrame* f, SyntaxNode* n, EngineValue* holder, const char* name);

    int StepList(EvalFrame* f);
    int StepReturn(EvalFrame* f);
    int StepIf(EvalFrame* f);
    int StepWhile(EvalFrame* f);
    int StepWith(EvalFrame* f);
    int StepConditional(EvalFrame* f);
    int StepMember(EvalFrame* f);
    int StepUnary(EvalFrame* f);
    int StepInfix(EvalFrame* f);
    int StepAssign(EvalFrame* f);
    int StepIncrement(EvalFrame* f);
    // Keeps the last argument's value and starts the next one; false when all are in.
    bool NextArgument(EvalFrame* f);
    int StepCall(EvalFrame* f);
    int StepBuiltinCall(EvalFrame* f);
    int StepNew(EvalFrame* f);
    int StepVar(EvalFrame* f);
    int StepFor(EvalFrame* f);
    int StepForIn(EvalFrame* f);

    EvalFrame* top_ = nullptr;
    int depth_ = 0;
    ValueRef finalValue_;
    SyntaxNode* errorNode_ = nullptr;
};

// The scope object of the context being evaluated, or null.
EngineValue* CurrentContextObject();
