#include "script/Evaluator.h"

#include <cmath>
#include <cstring>

#include "script/BuiltinClasses.h"
#include "script/EngineState.h"
#include "script/Operators.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"
#include "script/Script.h"
#include "script/ScriptDispatcher.h"
#include "script/ScriptLexer.h"
#include "script/ScriptParser.h"
#include "script/SyntaxNode.h"

namespace {

constexpr int kContinue = 0;
constexpr int kRuntimeError = 1001;

// The leaf tokens lie between kTokEmpty and kTokString: a table over that
// range answers without a chain of comparisons (asked for nearly every node).
struct LeafTable {
    bool leaf[kTokString - kTokEmpty + 1] = {};
    constexpr LeafTable() {
        const int tokens[] = {kTokIdentifier, kTokNull, kTokTrue,  kTokFalse,  kTokThis, kTokDecimal,
                              kTokOctal,      kTokHex,  kTokFloat, kTokString, kTokEmpty};
        for (int t : tokens) leaf[t - kTokEmpty] = true;
    }
};
constexpr LeafTable kLeafTable;

bool IsLeaf(int token) {
    return token >= kTokEmpty && token <= kTokString && kLeafTable.leaf[token - kTokEmpty];
}

bool IsLoop(const SyntaxNode* n) {
    return n && (n->token == kTokFor || n->token == kTokWhile || n->token == kTokForIn);
}

// Whether Step hands the node to StepInfix (keep in step with its switch).
bool RunsAsInfix(const SyntaxNode* n) {
    switch (n->token) {
        case kTokScriptRoot:
        case kTokBlock:
        case ',':
        case kTokVar:
        case kTokIf:
        case kTokWhile:
        case kTokFor:
        case kTokForIn:
        case kTokWith:
        case kTokReturn:
        case kTokBreak:
        case kTokContinue:
        case kTokFunction:
        case kTokCall:
        case kTokBuiltinCall:
        case kTokNew:
        case kTokConditional:
        case '.':
        case kTokIndex:
        case kTokIncrement:
        case kTokDecrement:
        case kTokPostIncrement:
        case kTokPostDecrement:
        case kTokMinus:
        case kTokNot:
        case '~':
        case kTokTypeof:
        case kTokVoid:
        case kTokAssign:
            return false;
        default:
            return !CompoundOperator(n->token) && TokenSymbol(n->token) && n->ChildCount() == 2;
    }
}

ObjectValue* AsObject(EngineValue* v) {
    return v && v->IsObject() ? static_cast<ObjectValue*>(v) : nullptr;
}

bool HasProperty(ObjectValue* object, const char* name) {
    if (object->FindOwn(name)) return true;
    int id = PropertyNameTable::IdOf(name);
    return id >= 0 && object->LookUpClassProperty(id).kind != ClassAnswer::NotFound;
}

// A call's activation object that nothing outside the call holds is cleared
// when the call ends: the inner functions bound in it refer back to it, and
// counting alone would never free that ring.
void BreakCallCycles(EvalFrame* f) {
    ObjectValue* activation = AsObject(f->activation.get());
    if (!activation) return;
    int inner = 0;
    for (const ObjectValue::Property& p : activation->properties) {
        if (!p.value || !p.value->IsFunction()) continue;
        FunctionObject* function = p.value->AsScriptFunction();
        if (!function || function->enclosing.get() != activation) continue;
        if (function->refCount != 1) return;  // it escaped the call: keep the ring
        ++inner;
    }
    if (inner > 0 && activation->refCount == 1 + inner) activation->ClearOwn();
}

// Whether a kept activation holds exactly these parameters' names, in order.
bool HoldsParameterNames(const EngineVector<ObjectValue::Property>& slots, SyntaxNode* parameters) {
    if (slots.size() != static_cast<size_t>(parameters->ChildCount())) return false;
    const ObjectValue::Property* slot = slots.data();
    for (SyntaxNode* p = parameters->FirstChild(); p; p = p->Next(), ++slot) {
        if (!SameName(slot->name.data(), slot->name.size(), p->Text(), p->TextLength())) return false;
    }
    return true;
}

ObjectValue* TakeActivation() {
    if (engine->spareActivationCount > 0) return engine->spareActivations[--engine->spareActivationCount];
    return new ObjectValue;
}

ArrayObject* TakeArgumentList() {
    if (engine->spareArgumentListCount > 0)
        return engine->spareArgumentLists[--engine->spareArgumentListCount];
    return new ArrayObject;
}

// A finished call's activation or argument list that only its frame holds
// is emptied and kept: calls are frequent, and making these objects anew
// each time is a good part of their cost.
template <typename T, typename Empty>
void KeepForReuse(ValueRef& slot, T** spares, int* count, Empty empty) {
    auto* o = static_cast<T*>(slot.get());
    if (!o || o->refCount != 1 || *count >= EngineState::kSpareCount || o->classObject || o->prototype)
        return;
    empty(o);
    if (o->refCount != 1) return;  // emptying gave it another holder: let it go
    slot.Detach();
    o->refCount = 0;
    spares[(*count)++] = o;
}

}  // namespace

void ReleaseSpareCallObjects() {
    while (engine->spareActivationCount > 0) delete engine->spareActivations[--engine->spareActivationCount];
    while (engine->spareArgumentListCount > 0)
        delete engine->spareArgumentLists[--engine->spareArgumentListCount];
}

void EvalFrame::Reset() {
    node = nullptr;
    phase = 0;
    cursor = nullptr;
    pendingDeclaration = nullptr;
    result = nullptr;
    completion = nullptr;
    held[0] = nullptr;
    held[1] = nullptr;
    activation = nullptr;
    thisObject = nullptr;
    enclosing = nullptr;
    withObject = nullptr;
    callee = nullptr;
    arguments = nullptr;
    evalScript = nullptr;
    withChain = nullptr;
    waiting = nullptr;
    names.clear();
    index = 0;
    boundary = FrameBoundary::None;
    below = nullptr;
}

EngineValue* CurrentContextObject() {
    return engine && engine->currentContext ? engine->currentContext->object.get() : nullptr;
}

EvalContext::~EvalContext() {
    while (top_) PopFrame();
}

void EvalContext::PopFrame() {
    EvalFrame* f = top_;
    top_ = f->below;
    --depth_;
    if (f->boundary == FrameBoundary::FunctionBody || f->boundary == FrameBoundary::Constructor) {
        BreakCallCycles(f);
        if (engine) {
            KeepForReuse<ObjectValue>(f->activation, engine->spareActivations, &engine->spareActivationCount,
                                      // The names stay: the next call of the same
                                      // function finds its parameters in place.
                                      [](ObjectValue* o) {
                                          for (ObjectValue::Property& p : o->properties) p.value = nullptr;
                                      });
            KeepForReuse<ArrayObject>(f->arguments, engine->spareArgumentLists,
                                      &engine->spareArgumentListCount, [](ArrayObject* a) {
                                          a->elements.clear();
                                          a->properties.clear();
                                      });
        }
    }
    f->Reset();
    // The free list keeps enough frames for ordinary scripts; the frames of
    // one deep recursion are not kept for the rest of the session.
    if (engine && engine->freeFrameCount < kKeptFreeFrames) {
        f->below = engine->freeFrames;
        engine->freeFrames = f;
        ++engine->freeFrameCount;
    } else {
        delete f;
    }
}

bool EvalContext::Push(EvalFrame* parent, SyntaxNode* node) {
    if (depth_ >= kMaxFrames) return false;
    EvalFrame* f = engine->freeFrames;
    if (f) {
        engine->freeFrames = f->below;
        --engine->freeFrameCount;
    } else {
        f = new EvalFrame;
    }
    f->node = node;
    if (parent) {
        f->activation = parent->activation;
        f->thisObject = parent->thisObject;
        f->enclosing = parent->enclosing;
        f->withChain = parent->withObject ? parent : parent->withChain;
    }
    f->below = top_;
    top_ = f;
    ++depth_;
    return true;
}

namespace {
bool IsTarget(const SyntaxNode* t) {
    return t->token == kTokIdentifier || t->token == '.' || t->token == kTokIndex;
}

// Whether the node itself is of a kind the evaluator can compute without a
// frame (its children are judged separately).
bool ComputableKind(const SyntaxNode* n) {
    int count = n->ChildCount();
    switch (n->token) {
        case kTokMinus:
        case kTokNot:
        case '~':
        case kTokTypeof:
        case kTokVoid:
            return count == 1;
        case kTokConditional:
            return count == 3;
        case '.':
        case kTokIndex:
            return count == 2;
        case kTokIncrement:
        case kTokDecrement:
        case kTokPostIncrement:
        case kTokPostDecrement:
            return count == 1 && IsTarget(n->FirstChild());
        case kTokAssign:
            return count == 2 && IsTarget(n->FirstChild());
        default:
            if (CompoundOperator(n->token)) return count == 2 && IsTarget(n->FirstChild());
            return RunsAsInfix(n);
    }
}

void Classify(SyntaxNode* n) {
    if (n->shape != SyntaxNode::Shape::Unknown) return;
    if (IsLeaf(n->token)) {
        n->weight = 1;
        n->shape = n->token == kTokEmpty ? SyntaxNode::Shape::Frames : SyntaxNode::Shape::InPlace;
        return;
    }
    n->weight = 1;
    n->shape = SyntaxNode::Shape::Frames;
    // Statements and calls always take frames; their parts are judged when met.
    if (!ComputableKind(n)) return;
    bool inPlace = true;
    uint64_t weight = 1;
    for (SyntaxNode* c = n->FirstChild(); c; c = c->Next()) {
        Classify(c);
        weight += c->weight;
        if (c->shape != SyntaxNode::Shape::InPlace) inPlace = false;
    }
    n->weight = weight > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(weight);
    if (inPlace) n->shape = SyntaxNode::Shape::InPlace;
}
}  // namespace

void EvalContext::Eval(EvalFrame* f, SyntaxNode* node) {
    // Every node costs a step, also those computed in place, so that no loop
    // runs without using up the budget.
    --budget;
    if (IsLeaf(node->token)) {
        f->result = LeafValue(f, node);
        return;
    }
    if (node->shape == SyntaxNode::Shape::Unknown) Classify(node);
    if (node->token == kTokReturn && (EvalReturnInPlace(f, node) || EvalReturnOfFrame(f, node))) return;
    if (node->token == kTokIf && EvalIfInPlace(f, node)) return;
    if (node->token == kTokBlock && node->ChildCount() == 1 && node->FirstChild()->token != kTokFunction &&
        budget > 0) {
        // A block of one statement has the statement's value: the statement
        // goes straight to this frame, beginning as the block's frame would
        // in its first step.
        Eval(f, node->FirstChild());
        return;
    }
    if ((node->token == kTokAssign || CompoundOperator(node->token)) && EvalAssignCallInPlace(f, node))
        return;
    if (node->token == kTokCall && budget > 0 && EvalCallInPlace(f, node, nullptr)) return;
    // An expression is computed in one go, with native recursion, when the
    // budget covers every node it holds: it then takes the same steps as
    // its frames would, and the budget never runs out in its middle.
    if (node->shape == SyntaxNode::Shape::InPlace && static_cast<int64_t>(budget) + 1 >= node->weight) {
        if (ValueRef v = Compute(f, node)) f->result = std::move(v);
        return;
    }
    if (!Push(f, node)) errorNode_ = node;
}

// A return whose value is computed in place needs no frame of its own: it
// takes the same two steps (its own and its value's) and leaves at once.
bool EvalContext::EvalReturnInPlace(EvalFrame* f, SyntaxNode* node) {
    SyntaxNode* value = node->FirstChild();
    if (value) {
        Classify(value);
        if (value->shape != SyntaxNode::Shape::InPlace || static_cast<int64_t>(budget) < value->weight)
            return false;
    }
    ValueRef v = value ? ComputeChild(f, value) : ValueRef(SharedUndefined());
    if (!v) return true;  // the error is noted
    // f may be gone afterwards: every caller of Eval returns right after it.
    if (!Unwind(kTokReturn, v.get())) errorNode_ = node;
    return true;
}

// A return whose value needs frames of its own has those frames hand the
// value on to it when they finish (see Deliver): the return itself needs
// no frame. Its value's evaluation begins at once, as the return's frame
// would begin it in its first step.
bool EvalContext::EvalReturnOfFrame(EvalFrame* f, SyntaxNode* node) {
    SyntaxNode* value = node->FirstChild();
    // Assignments of calls keep their own waiting place; leaves are computed in place.
    if (!value || budget <= 0 || IsLeaf(value->token) || value->token == kTokAssign ||
        CompoundOperator(value->token))
        return false;
    int depth = depth_;
    Eval(f, value);
    if (errorNode_) return true;
    if (depth_ == depth + 1 && !top_->waiting) {
        top_->waiting = node;
    } else if (top_ == f) {
        Deliver(std::move(f->result), node);  // computed in place after all
    }
    return true;
}

// An `if` whose condition is computed in place needs no frame either: its
// value is the chosen branch's, which can go straight to the frame below.
// The budget must leave a step for the branch, as the frame's would.
bool EvalContext::EvalIfInPlace(EvalFrame* f, SyntaxNode* node) {
    SyntaxNode* condition = node->FirstChild();
    if (!condition) return false;
    Classify(condition);
    if (condition->shape != SyntaxNode::Shape::InPlace || static_cast<int64_t>(budget) <= condition->weight)
        return false;
    ValueRef truth = ComputeChild(f, condition);
    if (!truth) return true;  // the error is noted
    SyntaxNode* branch = truth->ToBoolean() ? condition->Next() : condition->Next()->Next();
    if (!branch) {
        f->result = nullptr;
        return true;
    }
    Eval(f, branch);
    return true;
}

ValueRef EvalContext::ComputeChild(EvalFrame* f, SyntaxNode* node) {
    --budget;
    if (IsLeaf(node->token)) return LeafValue(f, node);
    return Compute(f, node);
}

// The object and property name an assignment or increment works on; false
// (with the error noted) when a part of the target failed.
bool EvalContext::ComputeTarget(EvalFrame* f, SyntaxNode* target, ValueRef* holder, EngineString* key,
                                const char** name) {
    if (target->token == kTokIdentifier) {
        *name = target->Text();
        return true;
    }
    *holder = ComputeChild(f, target->FirstChild());
    if (!*holder) return false;
    if (target->token == '.') {
        *name = target->Child(1)->Text();
        return true;
    }
    ValueRef index = ComputeChild(f, target->Child(1));
    if (!index) return false;
    // A copy: a number's text lives in a buffer the next conversion reuses.
    key->assign(index->ToText());
    *name = key->c_str();
    return true;
}

// The value of an expression marked for computing in place, its own step
// already counted. Null after a run-time error, with errorNode_ set.
ValueRef EvalContext::Compute(EvalFrame* f, SyntaxNode* n) {
    int token = n->token;
    SyntaxNode* a = n->FirstChild();
    ValueRef v;
    switch (token) {
        case kTokMinus:
        case kTokNot:
        case '~':
        case kTokTypeof:
        case kTokVoid: {
            ValueRef operand = ComputeChild(f, a);
            if (!operand) return {};
            v = ApplyUnary(token, operand.get());
            break;
        }
        case kTokConditional: {
            ValueRef condition = ComputeChild(f, a);
            if (!condition) return {};
            return ComputeChild(f, condition->ToBoolean() ? a->Next() : a->Next()->Next());
        }
        case '.':
        case kTokIndex: {
            ValueRef holder = ComputeChild(f, a);
            if (!holder) return {};
            if (token == '.') {
                // An object's own property, found where the name was found
                // before; functions answer some names from the call instead.
                SyntaxNode* name = a->Next();
                ObjectValue* o = AsObject(holder.get());
                if (o && o->OwnPropertiesFirst() && !o->AsScriptFunction()) {
                    ObjectValue::Property* p =
                        o->FindOwnSlot(name->Text(), name->TextLength(), &name->slotHint);
                    if (p && p->value) return p->value;
                }
                v = Member(f, holder.get(), name->Text());
                break;
            }
            ValueRef index = ComputeChild(f, a->Next());
            if (!index) return {};
            v = Element(f, holder.get(), index.get());
            break;
        }
        case kTokIncrement:
        case kTokDecrement:
        case kTokPostIncrement:
        case kTokPostDecrement: {
            ValueRef holder;
            EngineString key;
            const char* name;
            if (!ComputeTarget(f, a, &holder, &key, &name)) return {};
            v = Increment(f, n, holder.get(), name);
            break;
        }
        default: {
            if (token == kTokAssign || CompoundOperator(token)) {
                ValueRef holder;
                EngineString key;
                const char* name;
                if (!ComputeTarget(f, a, &holder, &key, &name)) return {};
                ValueRef value = ComputeChild(f, a->Next());
                if (!value) return {};
                v = Assign(f, n, holder.get(), name, std::move(value));
                break;
            }
            // Infix symbols; && and || look at the right side only when they must.
            ValueRef left = ComputeChild(f, a);
            if (!left) return {};
            if (token == kTokLogicalAnd && !left->ToBoolean()) return SharedBoolean(false);
            if (token == kTokLogicalOr && left->ToBoolean()) return SharedBoolean(true);
            ValueRef right = ComputeChild(f, a->Next());
            if (!right) return {};
            v = ApplyInfix(token, left.get(), right.get());
            break;
        }
    }
    if (!v) errorNode_ = n;
    return v;
}

void EvalContext::EvalChild(EvalFrame* f, int child, int nextPhase) {
    f->phase = nextPhase;
    Eval(f, f->node->Child(child));
}

void EvalContext::Finish(EngineValue* value) {
    ValueRef v(value);
    EvalFrame* f = top_;
    switch (f->boundary) {
        case FrameBoundary::FunctionBody:
            v = SharedUndefined();
            break;
        case FrameBoundary::Constructor:
            v = f->thisObject;
            break;
        default:
            break;
    }
    SyntaxNode* waiting = f->waiting;
    PopFrame();
    Deliver(std::move(v), waiting);
}

// Hands a left frame's value to the frame below (or makes it the result of
// the evaluation): to the assignment or return that waits for it, if any.
// A return that waits is done as its own frame's last step would do it; a
// chain of them (a return of a call whose body returns a call ...) is
// followed here frame by frame.
void EvalContext::Deliver(ValueRef v, SyntaxNode* waiting) {
    while (top_ && waiting && waiting->token == kTokReturn) {
        if (budget <= 0) {
            // The budget is used up: the return's frame finishes it next time.
            if (!Push(top_, waiting)) {
                errorNode_ = waiting;
                return;
            }
            top_->phase = 1;
            top_->result = std::move(v);
            return;
        }
        while (top_ && top_->boundary == FrameBoundary::None) PopFrame();
        if (!top_) {
            errorNode_ = waiting;  // a return outside a function
            return;
        }
        if (top_->boundary == FrameBoundary::Constructor) v = top_->thisObject;
        waiting = top_->waiting;
        PopFrame();
    }
    if (!top_) {
        finalValue_ = std::move(v);
        finished = true;
    } else if (waiting) {
        FinishAssignment(waiting, std::move(v));
    } else {
        top_->result = std::move(v);
    }
}

// A call whose value an assignment to a name stores ran without the
// assignment's own frame (see EvalAssignCallInPlace); the store is done as
// that frame's last step would do it, or, when the budget is used up, left
// to such a frame for the next evaluation.
void EvalContext::FinishAssignment(SyntaxNode* assignment, ValueRef value) {
    if (budget <= 0) {
        if (!Push(top_, assignment)) {
            errorNode_ = assignment;
            return;
        }
        top_->phase = 4;
        top_->result = std::move(value);
        return;
    }
    ValueRef stored = Assign(top_, assignment, nullptr, assignment->FirstChild()->Text(), std::move(value));
    if (!stored) {
        errorNode_ = assignment;
        return;
    }
    top_->result = std::move(stored);
}

// An assignment of a call's value to a name: the call's frame does the
// store when it finishes, so the assignment needs no frame of its own.
bool EvalContext::EvalAssignCallInPlace(EvalFrame* f, SyntaxNode* node) {
    SyntaxNode* target = node->FirstChild();
    if (!target || target->token != kTokIdentifier || node->ChildCount() != 2) return false;
    SyntaxNode* call = target->Next();
    // The assignment's frame would have had a step of its own before the call's.
    if (call->token != kTokCall || budget <= 0) return false;
    --budget;
    if (EvalCallInPlace(f, call, node)) return true;
    if (!Push(f, call)) {
        errorNode_ = call;
        return true;
    }
    top_->waiting = node;
    return true;
}

// A call of a named function whose arguments are all computed in place,
// when the budget covers them: the callee and the arguments are taken here
// and a script function's body starts at once, without the call's frame.
// Its value goes to f, or to the assignment or return waiting for it. The call's own
// step is already counted.
bool EvalContext::EvalCallInPlace(EvalFrame* f, SyntaxNode* call, SyntaxNode* waiting) {
    SyntaxNode* callee = call->FirstChild();
    SyntaxNode* list = callee ? callee->Next() : nullptr;
    if (!list || callee->token != kTokIdentifier) return false;
    int64_t weight = 1;
    for (SyntaxNode* a = list->FirstChild(); a; a = a->Next()) {
        Classify(a);
        if (a->shape != SyntaxNode::Shape::InPlace) return false;
        weight += a->weight;
    }
    // Strictly more: the frames would have had a step left to begin the body.
    if (budget <= weight) return false;
    --budget;
    ValueRef function = LeafValue(f, callee);
    FunctionObject* script = function->AsScriptFunction();
    if (!script) {
        // Built-ins and what is not a function go the usual way, on from
        // where the callee is known.
        if (!Push(f, call)) {
            errorNode_ = call;
            return true;
        }
        top_->phase = 3;
        top_->result = std::move(function);
        top_->waiting = waiting;
        return true;
    }
    ValueRef held = TakeArgumentList();
    auto* arguments = static_cast<ArrayObject*>(held.get());
    arguments->elements.reserve(static_cast<size_t>(list->ChildCount()));
    for (SyntaxNode* a = list->FirstChild(); a; a = a->Next()) {
        ValueRef v = ComputeChild(f, a);
        if (!v) return true;  // the error is noted
        arguments->Append(v.get());
    }
    StartCall(f, script, nullptr, arguments, FrameBoundary::FunctionBody);
    if (errorNode_) {
        errorNode_ = call;
        return true;
    }
    top_->waiting = waiting;
    return true;
}

int EvalContext::Fail(SyntaxNode* node) {
    errorNode_ = node;
    return kRuntimeError;
}

bool EvalContext::Unwind(int token, EngineValue* value) {
    ValueRef v(value);
    if (token == kTokReturn) {
        while (top_ && top_->boundary == FrameBoundary::None) PopFrame();
        if (!top_) return false;
        if (top_->boundary == FrameBoundary::Constructor) v = top_->thisObject;
        SyntaxNode* waiting = top_->waiting;
        PopFrame();
        Deliver(std::move(v), waiting);
        return true;
    }
    // break and continue: to the innermost loop (for, while and for-in alike)
    while (top_ && !IsLoop(top_->node) && top_->boundary == FrameBoundary::None) PopFrame();
    if (!top_ || !IsLoop(top_->node)) return false;
    EvalFrame* loop = top_;
    if (token == kTokBreak) {
        Finish(loop->completion.get());
        return true;
    }
    loop->result = nullptr;
    loop->phase = loop->node->token == kTokWhile ? 0 : (loop->node->token == kTokFor ? 3 : 2);
    return true;
}

ValueRef EvalContext::LeafValue(EvalFrame* f, SyntaxNode* node) {
    switch (node->token) {
        case kTokIdentifier:
            return Lookup(f, node->Text(), node->TextLength(), &node->slotHint);
        case kTokNull:
            return SharedNull();
        case kTokTrue:
            return SharedBoolean(true);
        case kTokFalse:
            return SharedBoolean(false);
        case kTokThis:
            return f->thisObject ? f->thisObject : object;
        case kTokString: {
            ValueRef s = MakeString(node->Text(), node->TextLength());
            return s ? s : ValueRef(SharedUndefined());
        }
        case kTokEmpty:
            return {};
        default: {
            if (!node->numberParsed) {
                ValueRef parsed = MakeNumberFromLiteral(node->token, node->Text());
                if (!parsed) return SharedUndefined();
                node->number = parsed->ToNumber();
                node->numberParsed = true;
            }
            ValueRef n = MakeNumber(node->number);
            return n ? n : ValueRef(SharedUndefined());
        }
    }
}

namespace {
// A property of an object in the scope chain: its own properties first,
// without the general lookup, when that is what the lookup would do first.
ValueRef ScopeProperty(EngineValue* holder, const char* name, size_t length, uint32_t* hint) {
    if (ObjectValue* o = AsObject(holder); o && o->OwnPropertiesFirst()) {
        if (ObjectValue::Property* p = o->FindOwnSlot(name, length, hint)) {
            if (p->value) return p->value;
            return o->GetProperty(name);  // a slot without a value: as the full lookup answers
        }
    }
    return holder->GetProperty(name);
}

EngineValue* OwnValue(ObjectValue* o, const char* name, size_t length, uint32_t* hint) {
    ObjectValue::Property* p = o->FindOwnSlot(name, length, hint);
    return p ? p->value.get() : nullptr;
}
}  // namespace

ValueRef EvalContext::Lookup(EvalFrame* f, const char* name, size_t length, uint32_t* hint) {
    EngineValue* seen = nullptr;
    for (EvalFrame* w = f->withObject ? f : f->withChain; w; w = w->withChain) {
        if (w->withObject.get() == seen) continue;
        seen = w->withObject.get();
        if (ValueRef v = seen->GetProperty(name)) return v;
    }
    if (ObjectValue* activation = AsObject(f->activation.get())) {
        if (EngineValue* v = OwnValue(activation, name, length, hint)) return v;
        if (ObjectValue* enclosing = AsObject(f->enclosing.get())) {
            if (EngineValue* v = OwnValue(enclosing, name, length, hint)) return v;
        }
    }
    if (f->thisObject && f->thisObject.get() != object.get()) {
        if (ValueRef v = ScopeProperty(f->thisObject.get(), name, length, hint)) return v;
    }
    if (ValueRef v = ScopeProperty(object.get(), name, length, hint)) return v;
    return SharedNull();
}

ObjectValue* EvalContext::AssignmentTarget(EvalFrame* f, const char* name) {
    for (EvalFrame* w = f->withObject ? f : f->withChain; w; w = w->withChain) {
        ObjectValue* with = AsObject(w->withObject.get());
        if (with && HasProperty(with, name)) return with;
    }
    if (ObjectValue* activation = AsObject(f->activation.get())) {
        if (activation->FindOwn(name)) return activation;
        ObjectValue* enclosing = AsObject(f->enclosing.get());
        if (enclosing && enclosing->FindOwn(name)) return enclosing;
    }
    ObjectValue* self = AsObject(f->thisObject.get());
    if (self && self != object.get() && HasProperty(self, name)) return self;
    // A name never declared becomes a property of the scope object.
    return AsObject(object.get());
}

ValueRef EvalContext::Member(EvalFrame* f, EngineValue* value, const char* name) {
    if (value->IsUndefinedOrNull()) return {};
    if (value->IsString()) {
        auto* s = static_cast<StringValue*>(value);
        if (IsName(name, "length")) return MakeNumber(static_cast<double>(s->Length()));
        ValueRef wrapper = MakeStringObject(s);
        if (!wrapper) return SharedUndefined();
        ValueRef v = wrapper->GetProperty(name);
        return v ? v : ValueRef(SharedUndefined());
    }
    if ((IsName(name, "arguments") || IsName(name, "length")) && value->AsScriptFunction()) {
        // Answered from the current call.
        EvalFrame* call = f;
        while (call && call->boundary != FrameBoundary::FunctionBody &&
               call->boundary != FrameBoundary::Constructor)
            call = call->below;
        auto* arguments = call ? static_cast<ArrayObject*>(call->arguments.get()) : nullptr;
        if (name[0] == 'a') return arguments ? ValueRef(arguments) : ValueRef(SharedNull());
        return MakeNumber(arguments ? static_cast<double>(arguments->elements.size()) : 0);
    }
    ValueRef v;
    if (value->IsObject()) {
        v = value->GetProperty(name);
    } else {
        // Numbers and booleans answer only the methods every value has.
        ObjectValue plain;
        ++plain.refCount;
        v = plain.GetProperty(name);
    }
    return v ? v : ValueRef(SharedUndefined());
}

ValueRef EvalContext::Element(EvalFrame* f, EngineValue* value, EngineValue* index) {
    // A whole number indexes an array directly; it is what its text would name.
    if (ArrayObject* array = value->AsArray(); array && index->IsNumber() && !index->IsNaN()) {
        double d = index->ToNumber();
        if (d >= 0 && d <= static_cast<double>(ArrayObject::kMaxElements) && d == std::floor(d)) {
            EngineValue* element = array->At(static_cast<size_t>(d));
            return element ? element : SharedUndefined();
        }
    }
    EngineString name(index->ToText());
    return Member(f, value, name.c_str());
}

ValueRef EvalContext::Store(EvalFrame* f, SyntaxNode* target, EngineValue* holder, const char* name,
                            EngineValue* value) {
    ObjectValue* o;
    if (target->token == kTokIdentifier) {
        o = AssignmentTarget(f, name);
        // A property the object has already is replaced in its slot, as
        // SetProperty would; the identifier remembers the slot.
        if (o) {
            if (ObjectValue::Property* p = o->FindOwnSlot(name, target->TextLength(), &target->slotHint)) {
                p->value = value;
                return value;
            }
        }
    } else {
        if (holder->IsUndefinedOrNull()) return {};
        o = AsObject(holder);
        if (!o) return value;  // a property of a plain value is not kept
    }
    if (!o) return {};
    ValueRef stored = o->SetProperty(name, value, kTokAssign, true);
    return stored ? stored : ValueRef(value);
}

void EvalContext::BindFunctions(SyntaxNode* parent, ObjectValue* target, EngineValue* scriptHolder,
                                EngineValue* enclosing) {
    for (SyntaxNode* c = parent->FirstChild(); c; c = c->Next()) {
        if (c->token != kTokFunction || !c->FirstChild() || c->FirstChild()->token != kTokIdentifier)
            continue;
        ValueRef function = new FunctionObject(c, scriptHolder, enclosing);
        target->SetProperty(c->FirstChild()->Text(), function.get(), kTokAssign, true);
    }
}

bool EvalContext::Start(EngineValue* scope, Script* s, SyntaxNode* start, EngineValue* thisObject) {
    object = scope;
    script = s;
    if (!Push(nullptr, start)) return false;
    top_->boundary = FrameBoundary::ScriptRoot;
    top_->thisObject = thisObject;
    if (ObjectValue* target = AsObject(scope)) BindFunctions(start, target, s, nullptr);
    return true;
}

void EvalContext::StartCall(EvalFrame* f, EngineValue* function, EngineValue* thisObject,
                            ArrayObject* arguments, FrameBoundary boundary) {
    auto* fn = static_cast<FunctionObject*>(function);
    // Calls stop short of the frame limit, so that a runaway recursion is
    // reported at the call that went too deep rather than at whatever
    // expression inside the function happened to need the last frame.
    if (depth_ >= kMaxFrames - kMaxTreeHeight || !Push(f, fn->Body())) {
        errorNode_ = f->node;
        return;
    }
    EvalFrame* body = top_;
    ObjectValue* activation = TakeActivation();
    body->activation = activation;
    body->thisObject = thisObject ? thisObject : object.get();
    body->enclosing = fn->enclosing;
    body->arguments = arguments;
    body->boundary = boundary;
    SyntaxNode* parameters = fn->Parameters();
    EngineVector<ObjectValue::Property>& slots = activation->properties;
    size_t i = 0;
    if (HoldsParameterNames(slots, parameters)) {
        for (ObjectValue::Property& slot : slots) {
            EngineValue* a = arguments->At(i++);
            slot.value = a ? a : SharedUndefined();
        }
    } else {
        slots.clear();
        slots.reserve(static_cast<size_t>(parameters->ChildCount()) + 2);
        // A parameter named twice keeps the later argument.
        for (SyntaxNode* p = parameters->FirstChild(); p; p = p->Next()) {
            EngineValue* a = arguments->At(i++);
            activation->PutOwn(p->Text(), p->TextLength(), a ? a : SharedUndefined());
        }
    }
    BindFunctions(fn->Body(), activation, fn->script.get(), activation);
}

int EvalContext::Run(ValueRef* result) {
    auto code = [](EngineValue* v) {
        if (v && v->IsBoolean()) return static_cast<BooleanValue*>(v)->flag ? 7777 : 9000;
        return 1789;
    };
    if (failed) return kRuntimeError;
    budget = kStepBudget;
    try {
        while (top_ && !finished) {
            if (budget <= 0) return 1234;
            errorNode_ = nullptr;
            int status = Step(top_);
            if (status == kContinue && errorNode_) status = kRuntimeError;  // too deep
            if (status != kContinue) {
                char message[1024];
                if (!PrintNode(errorNode_ ? errorNode_ : top_->node, message, sizeof message)) message[0] = 0;
                failed = true;
                while (top_) PopFrame();
                auto* o = AsObject(object.get());
                ReportError(o ? o->HostHandle() : 0, kRuntimeError, message);
                return kRuntimeError;
            }
        }
    } catch (const std::bad_alloc&) {
        failed = true;
        while (top_) PopFrame();
        ReportError(0, kRuntimeError, "out of memory");
        return kRuntimeError;
    }
    finished = true;
    *result = finalValue_;
    return code(finalValue_.get());
}

int EvalContext::Step(EvalFrame* f) {
    SyntaxNode* n = f->node;
    switch (n->token) {
        case kTokScriptRoot:
        case kTokBlock:
        case ',':
            return StepList(f);
        case kTokVar:
            return StepVar(f);
        case kTokIf:
            return StepIf(f);
        case kTokWhile:
            return StepWhile(f);
        case kTokFor:
            return StepFor(f);
        case kTokForIn:
            return StepForIn(f);
        case kTokWith:
            return StepWith(f);
        case kTokReturn:
            return StepReturn(f);
        case kTokBreak:
        case kTokContinue:
            return Unwind(n->token, nullptr) ? kContinue : Fail(n);
        case kTokFunction:
            Finish(nullptr);
            return kContinue;  // bound when the context or call began
        case kTokCall:
            return StepCall(f);
        case kTokBuiltinCall:
            return StepBuiltinCall(f);
        case kTokNew:
            return StepNew(f);
        case kTokConditional:
            return StepConditional(f);
        case '.':
        case kTokIndex:
            return StepMember(f);
        case kTokIncrement:
        case kTokDecrement:
        case kTokPostIncrement:
        case kTokPostDecrement:
            return StepIncrement(f);
        case kTokMinus:
        case kTokNot:
        case '~':
        case kTokTypeof:
        case kTokVoid:
            return StepUnary(f);
        default:
            break;
    }
    if (n->runsAsInfix) return StepInfix(f);
    if (CompoundOperator(n->token) || n->token == kTokAssign) return StepAssign(f);
    if (!RunsAsInfix(n)) return Fail(n);  // a node kind without an action
    n->runsAsInfix = true;
    return StepInfix(f);
}

int EvalContext::StepReturn(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0 && n->FirstChild()) {
        f->phase = 1;
        Eval(f, n->FirstChild());
        return kContinue;
    }
    return Unwind(kTokReturn, f->result ? f->result.get() : SharedUndefined()) ? kContinue : Fail(n);
}

int EvalContext::StepIf(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
    } else if (f->phase == 1) {
        bool truth = f->result->ToBoolean();
        f->result = nullptr;
        f->phase = 2;
        if (truth) {
            Eval(f, n->Child(1));
        } else if (n->ChildCount() > 2) {
            Eval(f, n->Child(2));
        } else {
            Finish(nullptr);
        }
    } else {
        Finish(f->result.get());
    }
    return kContinue;
}

int EvalContext::StepWhile(EvalFrame* f) {
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
    } else if (f->phase == 1) {
        if (!f->result->ToBoolean()) {
            Finish(f->completion.get());
            return kContinue;
        }
        f->result = nullptr;
        EvalChild(f, 1, 2);
    } else {
        if (f->result) f->completion = std::move(f->result);
        f->phase = 0;
    }
    return kContinue;
}

int EvalContext::StepWith(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
    } else if (f->phase == 1) {
        if (!f->result->IsObject()) return Fail(n);
        f->withObject = std::move(f->result);
        EvalChild(f, 1, 2);
    } else {
        Finish(f->result.get());
    }
    return kContinue;
}

int EvalContext::StepConditional(EvalFrame* f) {
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
    } else if (f->phase == 1) {
        bool truth = f->result->ToBoolean();
        f->result = nullptr;
        EvalChild(f, truth ? 1 : 2, 2);
    } else {
        Finish(f->result.get());
    }
    return kContinue;
}

int EvalContext::StepMember(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
    } else if (f->phase == 1 && n->token == kTokIndex) {
        f->held[0] = std::move(f->result);
        EvalChild(f, 1, 2);
    } else {
        ValueRef v = n->token == '.' ? Member(f, f->result.get(), n->Child(1)->Text())
                                     : Element(f, f->held[0].get(), f->result.get());
        if (!v) return Fail(n);
        Finish(v.get());
    }
    return kContinue;
}

int EvalContext::StepUnary(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
        return kContinue;
    }
    ValueRef v = ApplyUnary(n->token, f->result.get());
    if (!v) return Fail(n);
    Finish(v.get());
    return kContinue;
}

// Infix symbols; && and || look at the right side only when they must.
int EvalContext::StepInfix(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0) {
        EvalChild(f, 0, 1);
    } else if (f->phase == 1) {
        f->held[0] = std::move(f->result);
        bool truth = f->held[0]->ToBoolean();
        if (n->token == kTokLogicalAnd && !truth) {
            Finish(SharedBoolean(false));
        } else if (n->token == kTokLogicalOr && truth) {
            Finish(SharedBoolean(true));
        } else {
            EvalChild(f, 1, 2);
        }
    } else {
        ValueRef v = ApplyInfix(n->token, f->held[0].get(), f->result.get());
        if (!v) return Fail(n);
        Finish(v.get());
    }
    return kContinue;
}

int EvalContext::StepList(EvalFrame* f) {
    if (f->phase == 0) {
        f->cursor = f->node->FirstChild();
        f->phase = 1;
    } else if (f->result) {
        f->completion = std::move(f->result);
    }
    while (f->cursor && f->cursor->token == kTokFunction) f->cursor = f->cursor->Next();
    if (!f->cursor) {
        Finish(f->completion.get());
        return kContinue;
    }
    SyntaxNode* c = f->cursor;
    f->cursor = c->Next();
    Eval(f, c);
    return kContinue;
}

// Phases 0-2 of an assignment or increment find the object and the property
// name of the target; they return true once phase 3 is reached.
namespace {
bool ResolveTarget(EvalFrame* f, SyntaxNode* target, int* phase, SyntaxNode** evaluate) {
    *evaluate = nullptr;
    switch (*phase) {
        case 0:
            if (target->token == '.' || target->token == kTokIndex) {
                *phase = 1;
                *evaluate = target->Child(0);
                return false;
            }
            *phase = 3;
            return true;
        case 1:
            f->held[0] = std::move(f->result);
            if (target->token == '.') {
                *phase = 3;
                return true;
            }
            *phase = 2;
            *evaluate = target->Child(1);
            return false;
        case 2:
            f->held[1] = MakeString(f->result->ToText());
            f->result = nullptr;
            *phase = 3;
            return true;
        default:
            return true;
    }
}

const char* TargetName(EvalFrame* f, SyntaxNode* target) {
    if (target->token == kTokIdentifier) return target->Text();
    if (target->token == '.') return target->Child(1)->Text();
    return f->held[1] ? f->held[1]->ToText() : "";
}
}  // namespace

int EvalContext::StepAssign(EvalFrame* f) {
    SyntaxNode* n = f->node;
    SyntaxNode* target = n->Child(0);
    if (f->phase < 3) {
        SyntaxNode* next;
        if (!ResolveTarget(f, target, &f->phase, &next)) {
            Eval(f, next);
            return kContinue;
        }
        if (target->token == kTokIndex && !f->held[1]) return Fail(n);
    }
    if (f->phase == 3) {
        EvalChild(f, 1, 4);
        return kContinue;
    }
    ValueRef stored = Assign(f, n, f->held[0].get(), TargetName(f, target), std::move(f->result));
    if (!stored) return Fail(n);
    Finish(stored.get());
    return kContinue;
}

ValueRef EvalContext::Assign(EvalFrame* f, SyntaxNode* n, EngineValue* holder, const char* name,
                             ValueRef value) {
    SyntaxNode* target = n->Child(0);
    if (CompoundOperator(n->token)) {
        ValueRef old = target->token == kTokIdentifier
                           ? Lookup(f, name, target->TextLength(), &target->slotHint)
                           : Member(f, holder, name);
        if (!old) return {};
        value = ApplyCompound(n->token, old.get(), value.get());
        if (!value) return {};
    }
    return Store(f, target, holder, name, value.get());
}

int EvalContext::StepIncrement(EvalFrame* f) {
    SyntaxNode* n = f->node;
    SyntaxNode* target = n->Child(0);
    SyntaxNode* next;
    if (!ResolveTarget(f, target, &f->phase, &next)) {
        Eval(f, next);
        return kContinue;
    }
    ValueRef v = Increment(f, n, f->held[0].get(), TargetName(f, target));
    if (!v) return Fail(n);
    Finish(v.get());
    return kContinue;
}

ValueRef EvalContext::Increment(EvalFrame* f, SyntaxNode* n, EngineValue* holder, const char* name) {
    SyntaxNode* target = n->Child(0);
    ValueRef old = target->token == kTokIdentifier ? Lookup(f, name, target->TextLength(), &target->slotHint)
                                                   : Member(f, holder, name);
    if (!old) return {};
    // Numbers are never changed while held, so a number serves as it is.
    ValueRef oldNumber = old->IsNumber() ? old : ValueRef(MakeNumber(old->ToNumber()));
    bool up = n->token == kTokIncrement || n->token == kTokPostIncrement;
    ValueRef changed = ApplyInfix(up ? kTokPlus : kTokInfixMinus, oldNumber.get(), engine->one.get());
    if (!changed || !Store(f, target, holder, name, changed.get())) return {};
    bool postfix = n->token == kTokPostIncrement || n->token == kTokPostDecrement;
    return postfix ? oldNumber : changed;
}

bool EvalContext::NextArgument(EvalFrame* f) {
    if (f->result) static_cast<ArrayObject*>(f->arguments.get())->Append(f->result.get());
    f->result = nullptr;
    if (!f->cursor) return false;
    SyntaxNode* a = f->cursor;
    f->cursor = a->Next();
    Eval(f, a);
    return true;
}

int EvalContext::StepCall(EvalFrame* f) {
    SyntaxNode* n = f->node;
    SyntaxNode* callee = n->Child(0);
    switch (f->phase) {
        case 0:
            if (callee->token == '.' || callee->token == kTokIndex) {
                f->phase = 1;
                Eval(f, callee->Child(0));
            } else {
                f->phase = 3;
                Eval(f, callee);
            }
            return kContinue;
        case 1:
            f->held[0] = std::move(f->result);
            if (callee->token == kTokIndex) {
                f->phase = 2;
                Eval(f, callee->Child(1));
                return kContinue;
            }
            [[fallthrough]];
        case 2: {
            EngineString name(callee->token == '.' ? callee->Child(1)->Text() : f->result->ToText());
            EngineValue* holder = f->held[0].get();
            if (holder->IsString()) {
                // A method of a string primitive works on a temporary String object.
                auto* s = static_cast<StringValue*>(holder);
                f->held[0] = MakeStringObject(s);
                if (!f->held[0]) return Fail(n);
            }
            f->callee = Member(f, f->held[0].get(), name.c_str());
            if (!f->callee) return Fail(n);
            break;
        }
        case 3:
            f->callee = std::move(f->result);
            break;
        case 5:
            if (NextArgument(f)) return kContinue;
            f->phase = 6;
            if (f->callee->IsFunction()) {
                if (BuiltinFunction* builtin = f->callee->AsBuiltinFunction()) {
                    if (!Push(f, engine->builtinCallNode)) return Fail(n);
                    top_->callee = builtin;
                    top_->held[0] = f->held[0];
                    top_->arguments = f->arguments;
                    return kContinue;
                }
                // The call's frame would only pass the body's value on: the
                // body's frame takes its place, and its waiting assignment.
                ValueRef callee = std::move(f->callee);
                ValueRef self = std::move(f->held[0]);
                ValueRef arguments = std::move(f->arguments);
                SyntaxNode* waiting = f->waiting;
                PopFrame();
                StartCall(top_, callee.get(), self.get(), static_cast<ArrayObject*>(arguments.get()),
                          FrameBoundary::FunctionBody);
                if (errorNode_) return Fail(n);
                top_->waiting = waiting;
                return kContinue;
            }
            return Fail(n);  // not a function
        default:
            Finish(f->result ? f->result.get() : SharedUndefined());
            return kContinue;
    }
    // Collect the arguments left to right.
    ArrayObject* arguments = TakeArgumentList();
    f->arguments = arguments;
    arguments->elements.reserve(static_cast<size_t>(n->Child(1)->ChildCount()));
    f->result = nullptr;
    f->cursor = n->Child(1)->FirstChild();
    f->phase = 5;
    return kContinue;
}

int EvalContext::StepBuiltinCall(EvalFrame* f) {
    if (f->phase == 1) {
        Finish(f->result ? f->result.get() : SharedUndefined());
        return kContinue;
    }
    CallRecord call{static_cast<BuiltinFunction*>(f->callee.get()),
                    f->held[0].get(),
                    static_cast<ArrayObject*>(f->arguments.get()),
                    {}};
    ValueRef v = PerformBuiltin(call);
    if (!call.evalScript) {
        Finish(v ? v.get() : SharedUndefined());
        return kContinue;
    }
    // eval: the parsed script runs here, in the caller's scopes.
    f->phase = 1;
    f->evalScript = call.evalScript;
    auto* s = static_cast<Script*>(call.evalScript.get());
    if (!Push(f, s->root)) return Fail(f->node);
    top_->boundary = FrameBoundary::ScriptRoot;
    ObjectValue* target = AsObject(f->activation ? f->activation.get() : object.get());
    if (target) BindFunctions(s->root, target, s, f->activation.get());
    return kContinue;
}

int EvalContext::StepNew(EvalFrame* f) {
    SyntaxNode* n = f->node;
    SyntaxNode* inner = n->Child(0);
    bool withArguments = inner->token == kTokCall;
    switch (f->phase) {
        case 0:
            f->phase = 1;
            Eval(f, withArguments ? inner->Child(0) : inner);
            return kContinue;
        case 1:
            f->callee = std::move(f->result);
            f->arguments = new ArrayObject;
            f->cursor = withArguments ? inner->Child(1)->FirstChild() : nullptr;
            f->phase = 2;
            return kContinue;
        case 2:
            if (!NextArgument(f)) f->phase = 3;
            return kContinue;
        case 3:
            break;
        default:
            Finish(f->result ? f->result.get() : SharedUndefined());
            return kContinue;
    }
    auto* arguments = static_cast<ArrayObject*>(f->arguments.get());
    EngineValue* constructor = f->callee.get();
    if (FunctionObject* fn = constructor ? constructor->AsScriptFunction() : nullptr) {
        ValueRef instance = new ObjectValue;
        static_cast<ObjectValue*>(instance.get())->prototype = fn->GetProperty("prototype");
        f->phase = 4;
        StartCall(f, fn, instance.get(), arguments, FrameBoundary::Constructor);
        return errorNode_ ? Fail(n) : kContinue;
    }
    auto* builtin = dynamic_cast<BuiltinObject*>(constructor);
    if (!builtin) return Fail(n);  // not a constructor
    if (builtin->id == kImageObject) {
        // The host makes the image in the document of the window's handle.
        ObjectValue* window = AsObject(object.get());
        intptr_t handle = window ? window->HostHandle() : 0;
        intptr_t out1 = 0;
        int out2 = 0;
        intptr_t made = engine->callFunction
                            ? engine->callFunction(handle, handle, kImageObject, arguments, &out1, &out2)
                            : 0;
        Finish(made ? reinterpret_cast<EngineValue*>(made) : SharedNull());
        return kContinue;
    }
    if (builtin->id == kArrayObject) {
        ValueRef array = new ArrayObject;
        auto* a = static_cast<ArrayObject*>(array.get());
        if (arguments->elements.size() == 1 && arguments->At(0)->IsNumber()) {
            double count = arguments->At(0)->ToNumber();
            if (!(count >= 0 && count <= static_cast<double>(ArrayObject::kMaxElements))) return Fail(n);
            a->elements.assign(static_cast<size_t>(count), ValueRef(SharedUndefined()));
        } else {
            a->elements = arguments->elements;
        }
        Finish(a);
        return kContinue;
    }
    ValueRef instance = ConstructBuiltin(builtin, arguments);
    if (!instance) return Fail(n);  // not a constructor
    Finish(instance.get());
    return kContinue;
}

int EvalContext::StepVar(EvalFrame* f) {
    ObjectValue* target = AsObject(f->activation ? f->activation.get() : object.get());
    if (!target) return Fail(f->node);
    if (f->phase == 0) {
        f->cursor = f->node->FirstChild();
        f->phase = 1;
    } else if (f->pendingDeclaration) {
        // A given value is assigned even when the name exists already.
        target->SetProperty(f->pendingDeclaration->Child(0)->Text(), f->result.get(), kTokAssign, true);
        f->pendingDeclaration = nullptr;
        f->result = nullptr;
    }
    while (f->cursor) {
        SyntaxNode* d = f->cursor;
        f->cursor = d->Next();
        if (d->token == kTokAssign) {
            f->pendingDeclaration = d;
            Eval(f, d->Child(1));
            return kContinue;
        }
        if (!HasProperty(target, d->Text())) target->PutOwn(d->Text(), SharedUndefined());
    }
    Finish(nullptr);
    return kContinue;
}

int EvalContext::StepFor(EvalFrame* f) {
    SyntaxNode* n = f->node;
    // A part computed in place lets the loop go on within this step, as long
    // as the budget would let the evaluation loop come back to it. (Were f
    // left, a frame could sit where it was only if one was pushed since,
    // which happens only once the budget is used up.)
    auto goOn = [&] { return top_ == f && f->node == n && !errorNode_ && budget > 0; };
    for (;;) {
        switch (f->phase) {
            case 0:
                EvalChild(f, 0, 1);
                if (goOn()) continue;
                return kContinue;
            case 1: {
                f->result = nullptr;
                SyntaxNode* condition = n->Child(1);
                f->phase = 2;
                if (condition->token == kTokEmpty) continue;  // an empty condition is true
                Eval(f, condition);
                if (goOn()) continue;
                return kContinue;
            }
            case 2:
                if (f->result && !f->result->ToBoolean()) {
                    Finish(f->completion.get());
                    return kContinue;
                }
                f->result = nullptr;
                EvalChild(f, 3, 3);
                if (goOn()) continue;
                return kContinue;
            default:
                if (f->result) f->completion = std::move(f->result);
                EvalChild(f, 2, 1);
                if (goOn()) continue;
                return kContinue;
        }
    }
}

int EvalContext::StepForIn(EvalFrame* f) {
    SyntaxNode* n = f->node;
    if (f->phase == 0) {
        EvalChild(f, 1, 1);
        return kContinue;
    }
    if (f->phase == 1) {
        if (ObjectValue* o = AsObject(f->result.get())) o->EnumerateNames(f->names);
        f->result = nullptr;
        f->index = 0;
        f->phase = 2;
        return kContinue;
    }
    if (f->result) f->completion = std::move(f->result);
    if (f->index >= f->names.size()) {
        Finish(f->completion.get());
        return kContinue;
    }
    ValueRef name = MakeString(f->names[f->index].data(), f->names[f->index].size());
    ++f->index;
    if (!name) return Fail(n);
    SyntaxNode* variable = n->Child(0);
    if (variable->token == kTokVar) {
        ObjectValue* target = AsObject(f->activation ? f->activation.get() : object.get());
        if (!target) return Fail(n);
        target->SetProperty(variable->Child(0)->Text(), name.get(), kTokAssign, true);
    } else if (!Store(f, variable, nullptr, variable->Text(), name.get())) {
        return Fail(n);
    }
    Eval(f, n->Child(2));
    return kContinue;
}
