#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>

#include "script/EngineMemory.h"
#include "script/EngineState.h"
#include "script/ObjectValue.h"
#include "script/Operators.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"
#include "script/ScriptLexer.h"
#include "tests/script/TestHost.h"

namespace {

TEST(PropertyNameTable, IdsAreSharedWithTheHost) {
    struct Case {
        const char* name;
        int id;
    };
    const Case cases[] = {
        {"E", 0},
        {"PI", 1},
        {"forms", 63},
        {"value", 65},
        {"length", 97},
        {"onload", 104},
        {"appName", 123},
        {"location", 151},
        {"userAgent", 177},
        {"appVersion", 186},
        {"appCodeName", 192},
        {"selectedIndex", 202},
        {"POSITIVE_INFINITY", 209},
        {"Value", -1},
        {"POSITIVE_INFINITYX", -1},
        {"", -1},
        {"valu", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(PropertyNameTable::IdOf(c.name), c.id) << c.name;
    for (int id = 0; id < PropertyNameTable::kCount; ++id) {
        EXPECT_EQ(PropertyNameTable::IdOf(PropertyNameTable::NameOf(id)), id);
    }
    EXPECT_EQ(PropertyNameTable::NameOf(210), nullptr);
    EXPECT_EQ(PropertyNameTable::IdOf("value", 3), -1);  // a prefix is not the name
}

TEST(EscapeText, CodesOnlyTheListedBytes) {
    struct Case {
        const char* in;
        const char* escaped;
    };
    const Case cases[] = {
        {"a b!", "a%20b%21"}, {"a/b", "a/b"}, {"(\"x\")\r\n", "%28%22x%22%29%0D%0A"},
        {"\xb4", "%B4"},      {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(EscapeText(c.in, strlen(c.in)).c_str()), c.escaped);
        EXPECT_EQ(std::string(UnescapeText(c.escaped, strlen(c.escaped)).c_str()), c.in);
    }
    const char* un[][2] = {{"%41%00", "A%00"}, {"%4", "%4"}, {"%zz%41", "%zzA"}, {"100%", "100%"}};
    for (auto& u : un) EXPECT_EQ(std::string(UnescapeText(u[0], strlen(u[0])).c_str()), u[1]);
}

TEST(ToInt32, WrapsModuloTwoToThe32) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {
        {0, 0},
        {-0.0, 0},
        {1.9, 1},
        {-1.9, -1},
        {2147483647.0, 2147483647},
        {2147483647.5, 2147483647},
        {2147483648.0, INT32_MIN},
        {-2147483648.0, INT32_MIN},
        {-2147483649.0, 2147483647},
        {4294967301.0, 5},
        {1e20, 1661992960},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), 0},
        {-std::numeric_limits<double>::infinity(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ToInt32(c.in), c.out) << c.in;
}

TEST(NumberText, WholeNumbersPrintAsTheGeneralFormatDoes) {
    // Around the limits of the 32-bit and the 64-bit ways, and of a digit pair.
    // clang-format off
    const double cases[] = {
        0, -0.0, 7, -7, 10, 99, 100, 105, -3090, -2147483648.0, 2147483648.0,
        4294967295.0, -4294967295.0, 4294967295.5, 4294967296.0,
        123456789012345.0, 999999999999999.0, 1e15, 1e16, -1e15, 0.5, -2.25, 1e21};
    // clang-format on
    for (double d : cases) {
        NumberValue n(d);
        char expected[40];
        std::snprintf(expected, sizeof expected, "%.16g", d == 0 ? 0.0 : d);
        EXPECT_STREQ(n.ToText(), expected) << d;
    }
}

class ValuesWithEngine : public ::testing::Test {
protected:
    script_test::TestHost host;
};

TEST_F(ValuesWithEngine, StringsConvertToNumbersOnlyWhenWholeLiterals) {
    struct Case {
        const char* text;
        double number;
    };
    const Case cases[] = {{"12abc", 0}, {"-1.5e2", -150}, {"42", 42},  {"+7", 7},    {"0x1A", 26},
                          {"", 0},      {" 5", 0},        {".5", 0.5}, {"1e3", 1000}};
    for (const Case& c : cases) {
        ValueRef s = MakeString(c.text);
        EXPECT_EQ(s->ToNumber(), c.number) << c.text;
    }
    EXPECT_EQ(std::string(ValueRef(MakeNumberFromLiteral(kTokOctal, "017"))->ToText()), "15");
    EXPECT_EQ(std::string(ValueRef(MakeNumberFromLiteral(kTokHex, "0x1F"))->ToText()), "31");
    EXPECT_EQ(std::string(ValueRef(MakeNumber(0.1))->ToText()), "0.1");
    EXPECT_EQ(std::string(ValueRef(MakeNaN())->ToText()), "NaN");
}

TEST_F(ValuesWithEngine, ReleasedNumbersFillTheCacheThenAreFreed) {
    NumberCache::Clear();
    EngineValue* numbers[300];
    for (auto& n : numbers) {
        n = MakeNumber(1);
        ++n->refCount;
    }
    long live = EngineMemory::LiveBlocks();
    for (auto& n : numbers) ReleaseValue(n);
    EXPECT_EQ(NumberCache::Count(), 256);
    EXPECT_EQ(EngineMemory::LiveBlocks(), live - 44);
    // Taken back from the cache, counted afresh.
    NumberValue* again = MakeNumber(5);
    EXPECT_EQ(again->refCount, 0);
    EXPECT_EQ(NumberCache::Count(), 255);
    DiscardIfUnowned(again);
}

TEST_F(ValuesWithEngine, StoringIntoASlotCountsReferences) {
    ValueRef a = new ObjectValue;
    EngineValue* raw = a.get();
    EXPECT_EQ(raw->refCount, 1);
    ValueRef b = a;
    EXPECT_EQ(raw->refCount, 2);
    b = raw;  // the slot holds it already: nothing changes
    EXPECT_EQ(raw->refCount, 2);
    b = nullptr;
    EXPECT_EQ(raw->refCount, 1);
}

TEST_F(ValuesWithEngine, ObjectsHoldingEachOtherStayAllocated) {
    long before = EngineMemory::LiveBlocks();
    ObjectValue* a = new ObjectValue;
    {
        ValueRef holdA = a;
        ValueRef b = new ObjectValue;
        a->PutOwn("other", b.get());
        static_cast<ObjectValue*>(b.get())->PutOwn("other", a);
    }
    EXPECT_GT(EngineMemory::LiveBlocks(), before);  // counting does not reclaim rings
    ValueRef last = a;  // break the ring by hand so that the test itself leaves nothing
    a->ClearOwn();
    last = nullptr;
    EXPECT_EQ(EngineMemory::LiveBlocks(), before);
}

TEST_F(ValuesWithEngine, ConcatenationCopiesANumbersSharedText) {
    // Both sides' texts come from one shared buffer for numbers; the result
    // must still hold both.
    ValueRef n1 = MakeNumber(12), s = MakeString("-"), n2 = MakeNumber(34);
    ValueRef left = ApplyInfix(kTokPlus, n1.get(), s.get());
    ValueRef joined = ApplyInfix(kTokPlus, left.get(), n2.get());
    EXPECT_STREQ(joined->ToText(), "12-34");
    ValueRef a = MakeNumber(1), b = MakeString("2");
    EXPECT_STREQ(ApplyInfix(kTokPlus, a.get(), b.get())->ToText(), "12");
    ValueRef ten = MakeString("10"), two = MakeString("9");
    // Strings compare as texts, numbers against strings as numbers.
    EXPECT_TRUE(ApplyInfix(kTokLess, ten.get(), two.get())->ToBoolean());
    ValueRef nine = MakeNumber(9);
    EXPECT_FALSE(ApplyInfix(kTokLess, ten.get(), nine.get())->ToBoolean());
}

// A long text is shared by the strings made by appending to it; each must
// keep its own text, and a text handed out must stay as it was.
TEST_F(ValuesWithEngine, StringsSharingAppendedTextKeepTheirOwn) {
    long before = EngineMemory::LiveBlocks();
    {
        const std::string base = "abcdefghijklmnopqrstuvwxyz0123456789";
        auto plus = [](const ValueRef& a, const char* b) {
            ValueRef right = MakeString(b);
            return ApplyInfix(kTokPlus, a.get(), right.get());
        };
        ValueRef s = MakeString(base.c_str());
        ValueRef x = plus(s, "X");
        ValueRef y = plus(s, "Y");  // s is no longer the whole shared text
        ValueRef xz = plus(x, "Z");
        const char* handedOut = xz->ToText();
        ValueRef xzw = plus(xz, "W");
        ValueRef twice = ApplyInfix(kTokPlus, xzw.get(), xzw.get());
        EXPECT_STREQ(handedOut, (base + "XZ").c_str());
        EXPECT_EQ(std::string(xzw->ToText()), base + "XZW");
        EXPECT_EQ(std::string(twice->ToText()), base + "XZW" + base + "XZW");
        EXPECT_EQ(std::string(y->ToText()), base + "Y");
        EXPECT_EQ(std::string(x->ToText()), base + "X");
        EXPECT_EQ(std::string(s->ToText()), base);
        EXPECT_EQ(static_cast<StringValue*>(s.get())->Length(), base.size());
        EXPECT_TRUE(ApplyInfix(kTokLess, s.get(), x.get())->ToBoolean());
        EXPECT_FALSE(ApplyInfix(kTokEqual, x.get(), y.get())->ToBoolean());

        // A number's text shared with a longer one converts only its own digits.
        ValueRef digits = MakeString("00000000000000000000000000000012");
        ValueRef longer = plus(digits, "3");
        EXPECT_EQ(digits->ToNumber(), 12);
        EXPECT_EQ(longer->ToNumber(), 123);
    }
    EXPECT_EQ(EngineMemory::LiveBlocks(), before);
}

// Scripts that build, search and sort texts, with the edge cases of each.
TEST_F(ValuesWithEngine, ScriptsBuildSearchAndSortTexts) {
    struct Case {
        const char* script;
        const char* result;
    };
    const Case cases[] = {
        {"t = ''; for (i = 0; i < 30; i++) t += 'ab' + i; u = t; t += '!'; u.length + ':' + t.substring(106)",
         "110:ab29!"},
        {"t = ''; for (i = 0; i < 40; i++) t = t + i; k = t.substring(0, 60); t += k; t.indexOf(k, 1)", "70"},
        {"p = ''; for (i = 0; i < 9; i++) p += 'wxyz'; q = p + 'a'; r = p + 'b'; p + '|' + q.length + r",
         "wxyzwxyzwxyzwxyzwxyzwxyzwxyzwxyzwxyz|37wxyzwxyzwxyzwxyzwxyzwxyzwxyzwxyzwxyzb"},
        {"s = '0000000000000000000000000000007'; t = s + '5'; s * 2 + t * 1", "89"},
        {"'aab'.indexOf('ab')", "1"},
        {"'abcab'.indexOf('abc', 1)", "-1"},
        {"'abc'.indexOf('c', 2) + 'abc'.indexOf('', 2) + 'abc'.indexOf('', 9)", "7"},
        {"new String('a--b--').split('--').join('|')", "a|b|"},
        {"s = 'xyx'; s.lastIndexOf('x') + s.charAt(1) + s.toUpperCase() + s.bold()", "2yXYX<B>xyx</B>"},
        {"a = new Array('b', 'ab', 'a', 'B', ''); a.sort(); a.join()", ",B,a,ab,b"},
        {"a = new Array('\xe9', 'z', 'e'); a.sort(); a.join()", "e,z,\xe9"},
        {"a = new Array(10, '1', 1, '0'); a.sort(); a.join() + typeof a[1] + typeof a[2]",
         "0,1,1,10stringnumber"},
        {"a = new Array(3); a[1] = 'x'; a[2] = null; a.sort(); a.join('-') + a.length", "--x3"},
    };
    for (const Case& c : cases) {
        script_test::Outcome o = host.Run(c.script);
        EXPECT_EQ(o.result, c.result) << c.script;
    }
}

}  // namespace
