#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "script/EngineMemory.h"
#include "script/Script.h"
#include "script/ScriptLexer.h"
#include "script/ScriptParser.h"
#include "script/ZntJs.h"

namespace {

// The tree as nested lists: a leaf is its text (or its token), a node is
// "(token children...)".
std::string Dump(const SyntaxNode* n) {
    if (!n->FirstChild()) {
        if (n->TextLength() || n->token == kTokString)
            return n->token == kTokString ? "'" + std::string(n->Text()) + "'" : n->Text();
        return std::to_string(n->token);
    }
    std::string out = "(" + std::to_string(n->token);
    for (const SyntaxNode* c = n->FirstChild(); c; c = c->Next()) out += " " + Dump(c);
    return out + ")";
}

struct Parsed {
    int code;
    std::string tree;  // the statements, one dump each, joined by " | "
    std::string excerpt;
};

Parsed Parse(const std::string& text, bool eventHandler = false) {
    Script script(0, eventHandler);
    const char* cursor = text.data();
    ParseResult r = ParseScriptQuietly(&script, &cursor, text.data() + text.size(), false);
    Parsed p{r.code, "", r.excerpt};
    if (script.root) {
        for (const SyntaxNode* c = script.root->FirstChild(); c; c = c->Next()) {
            if (!p.tree.empty()) p.tree += " | ";
            p.tree += Dump(c);
        }
    }
    return p;
}

TEST(ScriptParser, BuildsTreesByPrecedenceAndGrouping) {
    struct Case {
        const char* text;
        const char* tree;
    };
    const Case cases[] = {
        {"a = b = 3", "(322 a (322 b 3))"},
        {"8 - 3 - 2", "(293 (293 8 3) 2)"},
        {"-x * 2", "(308 (303 x) 2)"},
        {"a - -b", "(293 a (303 b))"},
        {"a + b * c", "(300 a (308 b c))"},
        {"a * b + c", "(300 (308 a b) c)"},
        {"a || b && c", "(316 a (313 b c))"},
        {"a < b == c", "(323 (324 a b) c)"},
        {"x = 1 y = 2", "(322 x 1) | (322 y 2)"},
        {"a += b ? c : d", "(302 a (340 b c d))"},
        {"if (a) b; else c;", "(505 a b c)"},
        {"if (a) if (b) c; else d", "(505 a (505 b c d))"},
        {"for (p in obj) s", "(512 p obj s)"},
        {"for (var p in obj) s", "(512 (508 p) obj s)"},
        {"for (i = 0; i < 3; i++) ;", "(502 (322 i 0) (324 i 3) (291 i) 652)"},
        {"for (;;) break", "(502 652 652 652 500)"},
        {"while (x) { x--; continue }", "(509 x (651 (294 x) 501))"},
        {"var a, b = 2", "(508 a (322 b 2))"},
        {"function f(a, b) { return a }", "(504 f (44 a b) (651 (507 a)))"},
        {"function g() {}", "(504 g 44 651)"},
        {"a.b.c(1, 'x')[2]", "(299 (650 (46 (46 a b) c) (44 1 'x')) 2)"},
        {"new Date().getTime()", "(650 (46 (401 (650 Date 44)) getTime) 44)"},
        {"new Image", "(401 Image)"},
        {"typeof x + 1", "(300 (400 x) 1)"},
        {"!a.b", "(320 (46 a b))"},
        {"++a.b; c--", "(301 (46 a b)) | (294 c)"},
        {"with (d) write(1)", "(511 d (650 write (44 1)))"},
        {"a, b", "(44 a b)"},
        {"'a\\tb\\'c\\q'", "'a\tb'cq'"},
        {"f()()", "(650 (650 f 44) 44)"},
        {"x = (1 + 2) * 3", "(322 x (308 (300 1 2) 3))"},
        {"a\n(b)", "(650 a (44 b))"},  // line ends carry no meaning
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.text);
        EXPECT_EQ(p.code, 1111) << c.text;
        EXPECT_EQ(p.tree, c.tree) << c.text;
    }
}

TEST(ScriptParser, RejectsWhatTheGrammarDoesNot) {
    const char* cases[] = {
        "+x",
        "}",
        "return 1",
        "x = ",
        "a ? b",
        "(1",
        "f(1, 2",
        "null.x",
        "3[1]",
        "1 = 2",
        "a + = b",
        "break",
        "continue",
        "function (a) {}",
        "var 1",
        "if a",
        "else x",
        "{ a",
        "x #",
        "a.",
        "for (a; b) c",
        "++1",
        "while (1) function f() { break }",
    };
    for (const char* text : cases) EXPECT_EQ(Parse(text).code, 1000) << text;
}

TEST(ScriptParser, ReturnOnlyInFunctionsAndHandlers) {
    EXPECT_EQ(Parse("return false").code, 1000);
    EXPECT_EQ(Parse("return false", true).code, 1111);
    EXPECT_EQ(Parse("function f() { return 1 }").code, 1111);
    EXPECT_EQ(Parse("function f() { if (a) return; x }").tree, "(504 f 44 (651 (505 a 507) x))");
}

TEST(ScriptParser, PrintsTreesBackAsText) {
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"a[i]+=f(1,'x')", "a[i]+=f(1,\"x\")"},
        {"x>>>=y", "x>>>=y"},
        {"c ? a : b", "(c) ? a : b"},
        {"typeof x", "typeof(x)"},
        {"if (a) b; else c", "if (a) b else c"},
        {"while (i < 3) { i++; j-- }", "while (i<3) {i++;j--}"},
        {"new Image()", "new Image()"},
        {"var a = 1, b", "var a=1,b"},
        {"-a - !b", "-a-!b"},
    };
    for (const Case& c : cases) {
        Script script(0, false);
        const char* cursor = c.text;
        ASSERT_EQ(ParseScriptQuietly(&script, &cursor, c.text + strlen(c.text), false).code, 1111) << c.text;
        EXPECT_EQ(PrintNode(script.root->FirstChild()), c.printed);
    }
    // The buffer form cuts to its size and refuses buffers under 21 bytes.
    Script script(0, false);
    const char* text = "aaaaaaaaaa+bbbbbbbbbb+cccccccccc";
    const char* cursor = text;
    ASSERT_EQ(ParseScriptQuietly(&script, &cursor, text + strlen(text), false).code, 1111);
    char buffer[64];
    EXPECT_EQ(PrintNode(script.root->FirstChild(), buffer, 20), 0u);
    EXPECT_EQ(PrintNode(script.root->FirstChild(), buffer, 21), 20u);
    EXPECT_STREQ(buffer, "aaaaaaaaaa+bbbbbbbbb");
}

// Scripts fed whole and fed split at every byte into two calls (the first
// announcing more text) parse to the same tree.
TEST(ScriptParser, SplitTextParsesLikeWholeText) {
    const char* scripts[] = {
        "var total = 0; for (i = 0; i < 10; i++) { total += i * 2 }",
        "function add(a, b) { return a + b }\nx = add(1, 2) >>> 1",
        "s = 'it\\'s \"here\"' + \"x\" // done\n/* block */ t = .5e1",
        "if (a) b(); else { c = d ? e : f }",
        "x = 1 y = 2",
        "a <!-- hidden\nb >>= 3; c >>>= 4; d = e != f",
        "with (document) write('<b>' + title + '</b>')",
        "for (p in obj) if (p) break",
    };
    for (const char* text : scripts) {
        std::string whole = Parse(text).tree;
        ASSERT_FALSE(whole.empty()) << text;
        size_t n = strlen(text);
        for (size_t split = 0; split <= n; ++split) {
            Script script(0, false);
            std::string first(text, split);
            const char* cursor = first.data();
            ParseResult r1 = ParseScriptQuietly(&script, &cursor, first.data() + first.size(), true);
            ASSERT_EQ(r1.code, 700) << text << " split at " << split;
            // The host keeps the unconsumed rest and adds the new text to it.
            std::string rest =
                std::string(cursor, static_cast<const char*>(first.data() + first.size())) + (text + split);
            cursor = rest.data();
            ParseResult r2 = ParseScriptQuietly(&script, &cursor, rest.data() + rest.size(), false);
            ASSERT_EQ(r2.code, 1111) << text << " split at " << split;
            std::string tree;
            for (const SyntaxNode* c = script.root->FirstChild(); c; c = c->Next()) {
                if (!tree.empty()) tree += " | ";
                tree += Dump(c);
            }
            EXPECT_EQ(tree, whole) << text << " split at " << split;
        }
    }
}

TEST(ScriptParser, ErrorExcerptStartsShortlyBeforeTheError) {
    // 30 characters into a line: the excerpt begins 20 before the error.
    std::string line = "first();\nvalue = alpha + beta + gamma; )oops; more";
    Parsed p = Parse(line);
    ASSERT_EQ(p.code, 1000);
    size_t error = line.find(")oops");
    EXPECT_EQ(p.excerpt, line.substr(error - 20));
    // Not further back than a line end.
    p = Parse("a = 1;\nb = )");
    EXPECT_EQ(p.excerpt, "b = )");
    // Not further back than where this call began.
    Script script(0, false);
    std::string first = "x = 1; y = ";
    const char* cursor = first.data();
    ASSERT_EQ(ParseScriptQuietly(&script, &cursor, first.data() + first.size(), true).code, 700);
    std::string second = "* 2";
    cursor = second.data();
    ParseResult r = ParseScriptQuietly(&script, &cursor, second.data() + second.size(), false);
    EXPECT_EQ(r.code, 1000);
    EXPECT_EQ(r.excerpt, "* 2");
    // Later calls only repeat the code.
    cursor = second.data();
    ParseResult again = ParseScriptQuietly(&script, &cursor, second.data() + second.size(), false);
    EXPECT_EQ(again.code, 1000);
    EXPECT_FALSE(again.fresh);
}

TEST(ScriptParser, RunawayNestingIsASyntaxErrorNotACrash) {
    const int n = 100000;
    struct Case {
        const char* name;
        std::string text;
    };
    std::string functions;
    for (int i = 0; i < n; ++i) functions += "function f" + std::to_string(i % 10) + "() {";
    std::string chain = "x = a";
    for (int i = 0; i < n; ++i) chain += "+a";
    std::string elses = "if (a) b;";
    for (int i = 0; i < n; ++i) elses += " else if (a) b;";
    const Case cases[] = {
        {"brackets", std::string(n, '(') + "1" + std::string(n, ')')},
        {"open brackets", std::string(n, '(')},
        {"blocks", std::string(n, '{') + std::string(n, '}')},
        {"index", "a" + std::string(n, '[')},
        {"functions", functions},
        {"minus signs", std::string(n, '-') + "x"},
        {"long chain", chain},
        {"assignments",
         [] {
             std::string s;
             for (int i = 0; i < 100000; ++i) s += "a=";
             return s + "1";
         }()},
        {"else if", elses},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text).code, 1000) << c.name;
    // Moderate nesting is fine.
    EXPECT_EQ(Parse(std::string(50, '(') + "1" + std::string(50, ')')).code, 1111);
}

TEST(ScriptParser, TreesGoBackToTheHeap) {
    long before = EngineMemory::LiveBlocks();
    {
        Script script(0, false);
        const char* text = "function f(a) { return a * 2 } var x = f(3); if (x) { y = [x] }";
        const char* cursor = text;
        (void)ParseScriptQuietly(&script, &cursor, text + strlen(text), false);
        EXPECT_GT(EngineMemory::LiveBlocks(), before);
    }
    EXPECT_EQ(EngineMemory::LiveBlocks(), before);
}

}  // namespace
