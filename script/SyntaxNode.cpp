#include "script/SyntaxNode.h"

#include <cstring>
#include <new>

#include "script/EngineState.h"
#include "script/ScriptLexer.h"

SyntaxNode* SyntaxNode::Make(int token, const char* text, size_t length, intptr_t pool) {
    size_t size = sizeof(SyntaxNode) + length + 1;
    void* block;
    if (pool) {
        // A host that gives no memory gets a syntax error, not a crash.
        block = engine && engine->allocate ? engine->allocate(pool, static_cast<unsigned>(size)) : nullptr;
    } else {
        block = EngineMemory::Allocate(size);
    }
    if (!block) return nullptr;
    auto* node = new (block) SyntaxNode;
    node->token = token;
    node->fromPool = pool != 0;
    node->link.carrier = node;
    node->text = reinterpret_cast<char*>(node + 1);
    if (length) std::memcpy(node->text, text, length);
    node->text[length] = 0;
    node->textLength = length;
    return node;
}

void SyntaxNode::Destroy(SyntaxNode* node) {
    if (!node || node->fromPool) return;
    while (SyntaxNode* child = node->FirstChild()) {
        child->link.Unlink();
        Destroy(child);
    }
    node->link.Unlink();
    node->~SyntaxNode();
    EngineMemory::Free(node);
}

void SyntaxNode::Append(SyntaxNode* child) {
    children.InsertBefore(&child->link);
    child->parent = this;
    ++childCount;
    if (child->height + 1 > height) height = static_cast<uint16_t>(child->height + 1);
}

namespace {

void Print(const SyntaxNode* n, std::string& out, size_t limit);

void PrintList(const SyntaxNode* n, std::string& out, size_t limit, const char* separator) {
    bool first = true;
    for (const SyntaxNode* c = n ? n->FirstChild() : nullptr; c && out.size() < limit; c = c->Next()) {
        if (!first) out += separator;
        first = false;
        Print(c, out, limit);
    }
}

void Print(const SyntaxNode* n, std::string& out, size_t limit) {
    if (!n || out.size() >= limit) return;
    const SyntaxNode* a = n->Child(0);
    const SyntaxNode* b = n->Child(1);
    switch (n->token) {
        case kTokString:
            out += '"';
            out.append(n->Text(), n->TextLength());
            out += '"';
            return;
        case kTokNull:
            out += "null";
            return;
        case kTokTrue:
            out += "true";
            return;
        case kTokFalse:
            out += "false";
            return;
        case kTokThis:
            out += "this";
            return;
        case '.':
            Print(a, out, limit);
            out += '.';
            Print(b, out, limit);
            return;
        case kTokIndex:
            Print(a, out, limit);
            out += '[';
            Print(b, out, limit);
            out += ']';
            return;
        case kTokCall:
            Print(a, out, limit);
            out += '(';
            PrintList(b, out, limit, ",");
            out += ')';
            return;
        case kTokBlock:
            out += '{';
            PrintList(n, out, limit, ";");
            out += '}';
            return;
        case kTokScriptRoot:
            PrintList(n, out, limit, ";");
            return;
        case ',':
            PrintList(n, out, limit, ",");
            return;
        case kTokIncrement:
        case kTokDecrement:
        case kTokMinus:
        case kTokNot:
        case '~':
            out += TokenSymbol(n->token);
            Print(a, out, limit);
            return;
        case kTokPostIncrement:
        case kTokPostDecrement:
            Print(a, out, limit);
            out += TokenSymbol(n->token);
            return;
        case kTokConditional:
            out += '(';
            Print(a, out, limit);
            out += ") ? ";
            Print(b, out, limit);
            out += " : ";
            Print(n->Child(2), out, limit);
            return;
        case kTokTypeof:
            out += "typeof(";
            Print(a, out, limit);
            out += ')';
            return;
        case kTokVoid:
            out += "void ";
            Print(a, out, limit);
            return;
        case kTokNew:
            out += "new ";
            Print(a, out, limit);
            return;
        case kTokVar:
            out += "var ";
            PrintList(n, out, limit, ",");
            return;
        case kTokReturn:
            out += "return ";
            Print(a, out, limit);
            return;
        case kTokBreak:
            out += "break";
            return;
        case kTokContinue:
            out += "continue";
            return;
        case kTokEmpty:
            return;
        case kTokIf:
            out += "if (";
            Print(a, out, limit);
            out += ") ";
            Print(b, out, limit);
            if (n->ChildCount() > 2) {
                out += " else ";
                Print(n->Child(2), out, limit);
            }
            return;
        case kTokWhile:
        case kTokWith:
            out += n->token == kTokWhile ? "while (" : "with (";
            Print(a, out, limit);
            out += ") ";
            Print(b, out, limit);
            return;
        case kTokFor:
            out += "for (";
            Print(a, out, limit);
            out += ';';
            Print(b, out, limit);
            out += ';';
            Print(n->Child(2), out, limit);
            out += ") ";
            Print(n->Child(3), out, limit);
            return;
        case kTokForIn:
            out += "for (";
            Print(a, out, limit);
            out += " in ";
            Print(b, out, limit);
            out += ") ";
            Print(n->Child(2), out, limit);
            return;
        case kTokFunction:
            out += "function ";
            Print(a, out, limit);
            out += '(';
            PrintList(b, out, limit, ",");
            out += ") ";
            Print(n->Child(2), out, limit);
            return;
        default:
            break;
    }
    if (const char* symbol = TokenSymbol(n->token)) {
        Print(a, out, limit);
        out += symbol;
        Print(b, out, limit);
        return;
    }
    out.append(n->Text(), n->TextLength());
}

}  // namespace

std::string PrintNode(const SyntaxNode* node) {
    std::string out;
    Print(node, out, 1u << 20);
    return out;
}

size_t PrintNode(const SyntaxNode* node, char* buffer, size_t size) {
    if (!buffer || size < 21) return 0;
    std::string out;
    Print(node, out, size);
    size_t n = out.size() < size - 1 ? out.size() : size - 1;
    std::memcpy(buffer, out.data(), n);
    buffer[n] = 0;
    return n;
}
