#include "script/ScriptParser.h"

#include <cstring>
#include <memory>

#include "script/EngineState.h"
#include "script/ScriptLexer.h"

namespace {

struct NodeDeleter {
    void operator()(SyntaxNode* n) const { SyntaxNode::Destroy(n); }
};
using NodePtr = std::unique_ptr<SyntaxNode, NodeDeleter>;

enum class Status { Ok, NeedMore, Error };

constexpr int kNeedMoreToken = -1;  // matches nothing the grammar expects

// The binary operators by level (a lower level binds tighter); 0 = not one.
int BinaryLevel(int t) {
    switch (t) {
        case kTokMultiply:
        case kTokDivide:
        case kTokModulo:
            return 2;
        case kTokPlus:
        case kTokMinus:
            return 3;
        case kTokShiftLeft:
        case kTokShiftRight:
        case kTokUnsignedShiftRight:
            return 4;
        case kTokLess:
        case kTokLessEqual:
        case kTokGreater:
        case kTokGreaterEqual:
            return 5;
        case kTokEqual:
        case kTokNotEqual:
            return 6;
        case kTokBitAnd:
            return 7;
        case kTokBitXor:
            return 8;
        case kTokBitOr:
            return 9;
        case kTokLogicalAnd:
            return 10;
        case kTokLogicalOr:
            return 11;
        default:
            return 0;
    }
}

bool IsAssignment(int t) {
    switch (t) {
        case kTokAssign:
        case kTokPlusAssign:
        case kTokMinusAssign:
        case kTokDivideAssign:
        case kTokMultiplyAssign:
        case kTokModuloAssign:
        case kTokAndAssign:
        case kTokOrAssign:
        case kTokXorAssign:
        case kTokShiftLeftAssign:
        case kTokShiftRightAssign:
        case kTokUnsignedShiftRightAssign:
            return true;
        default:
            return false;
    }
}

bool IsAssignable(const SyntaxNode* n) {
    return n->token == kTokIdentifier || n->token == '.' || n->token == kTokIndex;
}

bool CanStartExpression(int t) {
    switch (t) {
        case kTokIdentifier:
        case kTokNull:
        case kTokTrue:
        case kTokFalse:
        case kTokThis:
        case kTokDecimal:
        case kTokOctal:
        case kTokHex:
        case kTokFloat:
        case kTokString:
        case kTokEscapedString:
        case '(':
        case kTokMinus:
        case kTokNot:
        case '~':
        case kTokIncrement:
        case kTokDecrement:
        case kTokTypeof:
        case kTokNew:
        case kTokVoid:
        case kTokPlus:
            return true;
        default:
            return false;
    }
}

class Parser {
public:
    Parser(Script* script, bool moreText)
        : tokens_(script->pending),
          pool_(script->pool),
          more_(moreText),
          eventHandler_(script->eventHandler) {}

    Status status = Status::Ok;
    size_t pos = 0;
    size_t errorAt = 0;

    NodePtr ParseStatement();

private:
    struct Nesting {
        Parser& p;
        bool ok;
        explicit Nesting(Parser& parser) : p(parser), ok(++parser.depth_ <= kMaxParseNesting) {
            if (!ok) p.Fail();
        }
        ~Nesting() { --p.depth_; }
    };

    int Peek(size_t ahead = 0) {
        if (pos + ahead < tokens_.size()) return tokens_[pos + ahead].token;
        if (more_) {
            // The next token decides, and it has not arrived yet.
            if (status == Status::Ok) status = Status::NeedMore;
            return kNeedMoreToken;
        }
        return kTokEnd;
    }
    void Fail() {
        if (status == Status::Ok) {
            status = Status::Error;
            errorAt = pos;
        }
    }
    bool Expect(int token) {
        if (Peek() == token) {
            ++pos;
            return true;
        }
        Fail();
        return false;
    }
    void OptionalSemicolon() {
        if (Peek() == ';') ++pos;
    }
    NodePtr Make(int token, const char* text = "", size_t length = 0) {
        NodePtr n(SyntaxNode::Make(token, text, length, pool_));
        if (!n) Fail();
        return n;
    }
    NodePtr MakeFromToken(int token) {
        const EngineString& text = tokens_[pos].text;
        ++pos;
        return Make(token, text.data(), text.size());
    }
    // Hangs child below parent; false (and a syntax error) when the tree
    // would grow too high or a part is missing.
    bool Attach(const NodePtr& parent, NodePtr child) {
        if (!parent || !child) {
            Fail();
            return false;
        }
        if (child->height + 1 > kMaxTreeHeight) {
            Fail();
            return false;
        }
        parent->Append(child.release());
        return true;
    }
    NodePtr Join(int token, NodePtr a, NodePtr b) {
        NodePtr n = Make(token);
        if (!Attach(n, std::move(a)) || !Attach(n, std::move(b))) return {};
        return n;
    }
    NodePtr Wrap(int token, NodePtr a) {
        NodePtr n = Make(token);
        if (!Attach(n, std::move(a))) return {};
        return n;
    }

    NodePtr ParseBlock();
    NodePtr ParseVar();
    NodePtr ParseIf();
    NodePtr ParseLoopBody();
    NodePtr ParseWhile();
    NodePtr ParseFor();
    NodePtr ParseWith();
    NodePtr ParseFunction();
    NodePtr ParseReturn();
    NodePtr ParseJump(int token);
    NodePtr ParseExpression();
    NodePtr ParseAssign();
    NodePtr ParseConditional();
    NodePtr ParseBinary(int maxLevel);
    NodePtr ParseUnary();
    NodePtr ParseNew();
    NodePtr ParsePostfix(NodePtr node);
    NodePtr ParseArguments();
    NodePtr ParsePrimary();
    NodePtr ParseIdentifier() {
        if (Peek() != kTokIdentifier) {
            Fail();
            return {};
        }
        return MakeFromToken(kTokIdentifier);
    }

    EngineVector<Script::PendingToken>& tokens_;
    intptr_t pool_;
    bool more_;
    bool eventHandler_;
    int depth_ = 0;
    int functionDepth_ = 0;
    int loopDepth_ = 0;
};

NodePtr Parser::ParseStatement() {
    Nesting nesting(*this);
    if (!nesting.ok) return {};
    switch (Peek()) {
        case '{':
            return ParseBlock();
        case ';':
            ++pos;
            return Make(kTokEmpty);
        case kTokVar: {
            NodePtr n = ParseVar();
            if (n) OptionalSemicolon();
            return n;
        }
        case kTokIf:
            return ParseIf();
        case kTokWhile:
            return ParseWhile();
        case kTokFor:
            return ParseFor();
        case kTokWith:
            return ParseWith();
        case kTokFunction:
            return ParseFunction();
        case kTokReturn:
            return ParseReturn();
        case kTokBreak:
            return ParseJump(kTokBreak);
        case kTokContinue:
            return ParseJump(kTokContinue);
        default: {
            NodePtr n = ParseExpression();
            if (n) OptionalSemicolon();
            return n;
        }
    }
}

NodePtr Parser::ParseBlock() {
    if (!Expect('{')) return {};
    NodePtr block = Make(kTokBlock);
    while (block && Peek() != '}') {
        if (!Attach(block, ParseStatement())) return {};
    }
    if (!block || !Expect('}')) return {};
    return block;
}

NodePtr Parser::ParseVar() {
    ++pos;
    NodePtr var = Make(kTokVar);
    for (;;) {
        NodePtr name = ParseIdentifier();
        if (!name) return {};
        if (Peek() == kTokAssign) {
            ++pos;
            name = Join(kTokAssign, std::move(name), ParseAssign());
        }
        if (!Attach(var, std::move(name))) return {};
        if (Peek() != ',') break;
        ++pos;
    }
    return var;
}

NodePtr Parser::ParseIf() {
    ++pos;
    if (!Expect('(')) return {};
    NodePtr condition = ParseExpression();
    if (!condition || !Expect(')')) return {};
    NodePtr node = Join(kTokIf, std::move(condition), ParseStatement());
    if (node && Peek() == kTokElse) {
        ++pos;
        if (!Attach(node, ParseStatement())) return {};
    }
    return node;
}

NodePtr Parser::ParseLoopBody() {
    ++loopDepth_;
    NodePtr body = ParseStatement();
    --loopDepth_;
    return body;
}

NodePtr Parser::ParseWhile() {
    ++pos;
    if (!Expect('(')) return {};
    NodePtr condition = ParseExpression();
    if (!condition || !Expect(')')) return {};
    return Join(kTokWhile, std::move(condition), ParseLoopBody());
}

NodePtr Parser::ParseFor() {
    ++pos;
    if (!Expect('(')) return {};
    // for (name in object) and for (var name in object)
    bool withVar = Peek() == kTokVar;
    if (Peek(withVar ? 1 : 0) == kTokIdentifier && Peek(withVar ? 2 : 1) == kTokIn) {
        NodePtr variable;
        if (withVar) {
            ++pos;
            variable = Wrap(kTokVar, ParseIdentifier());
        } else {
            variable = ParseIdentifier();
        }
        ++pos;  // in
        NodePtr object = ParseExpression();
        if (!variable || !object || !Expect(')')) return {};
        NodePtr node = Join(kTokForIn, std::move(variable), std::move(object));
        if (!Attach(node, ParseLoopBody())) return {};
        return node;
    }
    if (status != Status::Ok) return {};
    NodePtr node = Make(kTokFor);
    const int ends[3] = {';', ';', ')'};
    for (int clause = 0; clause < 3; ++clause) {
        NodePtr part;
        if (Peek() == ends[clause]) {
            part = Make(kTokEmpty);
        } else if (clause == 0 && Peek() == kTokVar) {
            part = ParseVar();
        } else {
            part = ParseExpression();
        }
        if (!Attach(node, std::move(part)) || !Expect(ends[clause])) return {};
    }
    if (!Attach(node, ParseLoopBody())) return {};
    return node;
}

NodePtr Parser::ParseWith() {
    ++pos;
    if (!Expect('(')) return {};
    NodePtr object = ParseExpression();
    if (!object || !Expect(')')) return {};
    return Join(kTokWith, std::move(object), ParseStatement());
}

NodePtr Parser::ParseFunction() {
    ++pos;
    NodePtr node = Wrap(kTokFunction, ParseIdentifier());
    if (!node || !Expect('(')) return {};
    NodePtr parameters = Make(',');
    if (Peek() != ')') {
        for (;;) {
            if (!Attach(parameters, ParseIdentifier())) return {};
            if (Peek() != ',') break;
            ++pos;
        }
    }
    if (!Expect(')') || !Attach(node, std::move(parameters))) return {};
    ++functionDepth_;
    int loops = loopDepth_;
    loopDepth_ = 0;  // a break in the body cannot leave a loop outside it
    NodePtr body = ParseBlock();
    loopDepth_ = loops;
    --functionDepth_;
    if (!Attach(node, std::move(body))) return {};
    return node;
}

NodePtr Parser::ParseReturn() {
    if (functionDepth_ == 0 && !eventHandler_) {
        Fail();
        return {};
    }
    ++pos;
    NodePtr node = Make(kTokReturn);
    if (node && CanStartExpression(Peek())) {
        if (!Attach(node, ParseExpression())) return {};
    }
    if (node) OptionalSemicolon();
    return node;
}

NodePtr Parser::ParseJump(int token) {
    if (loopDepth_ == 0) {
        Fail();
        return {};
    }
    ++pos;
    NodePtr node = Make(token);
    if (node) OptionalSemicolon();
    return node;
}

NodePtr Parser::ParseExpression() {
    NodePtr first = ParseAssign();
    if (!first || Peek() != ',') return first;
    NodePtr list = Make(',');
    if (!Attach(list, std::move(first))) return {};
    while (Peek() == ',') {
        ++pos;
        if (!Attach(list, ParseAssign())) return {};
    }
    return list;
}

NodePtr Parser::ParseAssign() {
    Nesting nesting(*this);
    if (!nesting.ok) return {};
    NodePtr left = ParseConditional();
    if (!left) return {};
    int t = Peek();
    if (!IsAssignment(t)) return left;
    if (!IsAssignable(left.get())) {
        Fail();
        return {};
    }
    ++pos;
    return Join(t, std::move(left), ParseAssign());
}

NodePtr Parser::ParseConditional() {
    NodePtr condition = ParseBinary(11);
    if (!condition || Peek() != '?') return condition;
    ++pos;
    NodePtr node = Join(kTokConditional, std::move(condition), ParseAssign());
    if (!node || !Expect(':')) return {};
    if (!Attach(node, ParseAssign())) return {};
    return node;
}

NodePtr Parser::ParseBinary(int maxLevel) {
    NodePtr left = ParseUnary();
    while (left) {
        int t = Peek();
        int level = BinaryLevel(t);
        if (level == 0 || level > maxLevel) break;
        ++pos;
        // The right side takes only tighter symbols, so equal levels group left.
        left = Join(t == kTokMinus ? kTokInfixMinus : t, std::move(left), ParseBinary(level - 1));
    }
    return left;
}

NodePtr Parser::ParseUnary() {
    Nesting nesting(*this);
    if (!nesting.ok) return {};
    int t = Peek();
    switch (t) {
        case kTokMinus:
        case kTokNot:
        case '~':
        case kTokTypeof:
        case kTokVoid:
            ++pos;
            return Wrap(t, ParseUnary());
        case kTokIncrement:
        case kTokDecrement: {
            ++pos;
            NodePtr term = ParseUnary();
            if (term && !IsAssignable(term.get())) {
                Fail();
                return {};
            }
            return Wrap(t, std::move(term));
        }
        case kTokNew:
            return ParsePostfix(ParseNew());
        default:
            return ParsePostfix(ParsePrimary());  // `+x` fails here: no unary plus
    }
}

NodePtr Parser::ParseNew() {
    ++pos;
    NodePtr callee = ParseIdentifier();
    while (callee) {
        if (Peek() == '.') {
            ++pos;
            callee = Join('.', std::move(callee), ParseIdentifier());
        } else if (Peek() == '[') {
            ++pos;
            callee = Join(kTokIndex, std::move(callee), ParseExpression());
            if (!Expect(']')) return {};
        } else {
            break;
        }
    }
    if (callee && Peek() == '(') callee = Join(kTokCall, std::move(callee), ParseArguments());
    return Wrap(kTokNew, std::move(callee));
}

NodePtr Parser::ParsePostfix(NodePtr node) {
    while (node) {
        int t = Peek();
        int kind = node->token;
        bool literal = kind == kTokNull || kind == kTokTrue || kind == kTokFalse ||
                       (kind >= kTokDecimal && kind <= kTokFloat);
        if (t == '.' || t == '[') {
            if (literal) {
                Fail();
                return {};
            }
            ++pos;
            if (t == '.') {
                node = Join('.', std::move(node), ParseIdentifier());
            } else {
                node = Join(kTokIndex, std::move(node), ParseExpression());
                if (node && !Expect(']')) return {};
            }
        } else if (t == '(' && (IsAssignable(node.get()) || kind == kTokCall)) {
            node = Join(kTokCall, std::move(node), ParseArguments());
        } else if ((t == kTokIncrement || t == kTokDecrement) && IsAssignable(node.get())) {
            ++pos;
            node = Wrap(t == kTokIncrement ? kTokPostIncrement : kTokPostDecrement, std::move(node));
        } else {
            break;
        }
    }
    return node;
}

NodePtr Parser::ParseArguments() {
    if (!Expect('(')) return {};
    NodePtr list = Make(',');
    if (list && Peek() != ')') {
        for (;;) {
            if (!Attach(list, ParseAssign())) return {};
            if (Peek() != ',') break;
            ++pos;
        }
    }
    if (!list || !Expect(')')) return {};
    return list;
}

NodePtr Parser::ParsePrimary() {
    int t = Peek();
    switch (t) {
        case kTokIdentifier:
        case kTokDecimal:
        case kTokOctal:
        case kTokHex:
        case kTokFloat:
        case kTokString:
            return MakeFromToken(t);
        case kTokEscapedString: {
            std::string decoded = DecodeEscapes(tokens_[pos].text.data(), tokens_[pos].text.size());
            ++pos;
            return Make(kTokString, decoded.data(), decoded.size());
        }
        case kTokNull:
        case kTokTrue:
        case kTokFalse:
        case kTokThis:
            ++pos;
            return Make(t);
        case '(': {
            Nesting nesting(*this);
            if (!nesting.ok) return {};
            ++pos;
            NodePtr inner = ParseExpression();
            if (!inner || !Expect(')')) return {};
            return inner;
        }
        default:
            Fail();
            return {};
    }
}

std::string Excerpt(const char* point, const char* callStart, const char* end) {
    const char* s = point;
    for (int back = 0; back < 20 && s > callStart && s[-1] != '\n' && s[-1] != '\r'; ++back) --s;
    size_t n = static_cast<size_t>(end - s);
    if (n > 1023) n = 1023;
    return std::string(s, n);
}

}  // namespace

std::string DecodeEscapes(const char* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= length) break;  // a backslash at the very end is dropped
        switch (text[i]) {
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            default:
                out += text[i];
                break;
        }
    }
    return out;
}

ParseResult ParseScriptQuietly(Script* script, const char** cursor, const char* end, bool moreText) {
    if (script->lastToken == kTokEnd) return {1111, {}};
    if (script->lastToken == 1000) return {1000, {}};
    const char* callStart = *cursor;
    auto fail = [&](const char* point) {
        script->lastToken = 1000;
        script->pending.clear();
        *cursor = end;
        return ParseResult{1000, Excerpt(point, callStart, end), true};
    };
    try {
        if (!script->root) {
            script->root = SyntaxNode::Make(kTokScriptRoot, "", 0, script->pool);
            if (!script->root) return fail(callStart);
        }
        // Read every whole token of this text; a cut-off one stays at the cursor.
        const char* p = *cursor;
        for (;;) {
            const char* start;
            size_t length;
            const char* before = p;
            int token = NextToken(&p, &start, &length, end, moreText, true);
            if (token == kTokEnd) break;
            if (token == kTokComment) continue;
            const char* where = before;
            while (where < p && static_cast<unsigned char>(*where) <= ' ' && *where != 0) ++where;
            script->pending.push_back({token, EngineString(start ? start : "", length), where});
            if (token == kTokInvalid) break;
        }
        *cursor = p;

        Parser parser(script, moreText);
        while (parser.pos < script->pending.size()) {
            size_t statementStart = parser.pos;
            NodePtr statement = parser.ParseStatement();
            if (parser.status == Status::NeedMore) {
                parser.pos = statementStart;
                break;
            }
            if (parser.status == Status::Error || !statement) {
                size_t at = parser.errorAt;
                const char* point = at < script->pending.size() ? script->pending[at].where : p;
                return fail(point ? point : callStart);
            }
            script->root->Append(statement.release());
        }
        script->pending.erase(script->pending.begin(),
                              script->pending.begin() + static_cast<long>(parser.pos));
        // Tokens kept for the next call no longer point into this text.
        for (Script::PendingToken& t : script->pending) t.where = nullptr;
    } catch (const std::bad_alloc&) {
        return fail(callStart);
    }
    if (moreText) return {700, {}};
    script->lastToken = kTokEnd;
    return {1111, {}};
}

int ParseScript(Script* script, const char** cursor, const char* end, bool moreText) {
    ParseResult result = ParseScriptQuietly(script, cursor, end, moreText);
    // Reported once, when it happened; later calls only repeat the code.
    if (result.fresh) ReportError(0, 1000, result.excerpt.c_str());
    return result.code;
}

Script::~Script() {
    // A host pool owns its nodes; only a tree of the engine heap is freed here.
    if (!pool && !poolTookTree) SyntaxNode::Destroy(root);
}
