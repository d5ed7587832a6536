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
    const double cases[] = {
        0,    -0.0, 7,     -7,  10,    -2147483648.0, 123456789012345.0, 999999999999999.0,
        1e15, 1e16, -1e15, 0.5, -2.25, 1e21,          4294967296.0};
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

}  // namespace
