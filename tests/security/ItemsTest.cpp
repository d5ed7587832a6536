// Error pairs, fixed items and byte vectors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "security/ByteVector.h"
#include "security/DataItem.h"

namespace {

std::vector<uint8_t> Encode(const DataItem& item) {
    std::vector<uint8_t> out(item.EncodedSize());
    EXPECT_EQ(item.Write(out.data()), out.data() + out.size());
    return out;
}

TEST(SecurityErrorCode, StoresOnlyValidClassesAndCodes) {
    struct Case {
        uint32_t cls, code, wantClass, wantCode;
    } cases[] = {
        {2, 47, 2, 47},         {1, 317, 1, 317},     {2, 23, 2, 80},     {3, 42, 511, 42},
        {511, 511, 511, 511},   {0, 0, 0, 0},         {511, 16639, 511, 16639},
        {511, 327, 511, 327},   {511, 583, 511, 583}, {511, 999, 511, 80},
    };
    for (const Case& c : cases) {
        SecurityErrorCode pair(c.cls, c.code);
        EXPECT_EQ(pair.errorClass, c.wantClass) << c.cls << "," << c.code;
        EXPECT_EQ(pair.code, c.wantCode) << c.cls << "," << c.code;
    }
}

struct Handler : ErrorHolder {
    int handles = 0;
    int calls = 0;
    int OnError(const SecurityErrorCode&) override { return ++calls, handles; }
};

TEST(ErrorHolder, ErrorClimbsToTheFirstHolderThatHandlesIt) {
    Handler top, middle;
    top.handles = 7;
    middle.SetParent(&top);
    ErrorHolder leaf;
    leaf.SetParent(&middle);
    EXPECT_EQ(leaf.RaiseSecurityError(2, 50), 7);
    EXPECT_EQ(middle.calls, 1);
    EXPECT_EQ(top.calls, 1);
    SecurityErrorCode got;
    ASSERT_EQ(top.GetError(&got), 1);
    EXPECT_EQ(got, SecurityErrorCode(2, 50));
    EXPECT_TRUE(leaf.Raised());
    leaf.ClearError();
    EXPECT_FALSE(leaf.Raised());
    EXPECT_EQ(leaf.GetError(), 0);
    EXPECT_EQ(leaf.Error(), SecurityErrorCode());
}

struct CountingVersion : ProtocolVersionItem {
    int completions = 0;
    void OnComplete() override { ++completions; }
};

TEST(FixedItems, ByteAtATimeEqualsWholeAndRestartsWhenComplete) {
    CountingVersion version;
    const uint8_t bytes[] = {3, 0, 3, 1};
    uint32_t left = 1;
    version.Read(bytes, left);
    EXPECT_EQ(version.completions, 0);
    left = 1;
    version.Read(bytes + 1, left);
    EXPECT_EQ(version.completions, 1);
    EXPECT_EQ(version.Major(), 3);
    EXPECT_EQ(version.Minor(), 0);
    // Complete already: the next bytes start it over.
    left = 2;
    version.Read(bytes + 2, left);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(version.Minor(), 1);
    EXPECT_EQ(version.completions, 2);
}

TEST(FixedItems, AlertDecodesAndChecksItsPair) {
    struct Case {
        uint8_t level, description;
        uint32_t wantClass, wantCode;
        int valid;
    } cases[] = {{2, 40, 2, 40, 1}, {1, 0, 1, 0, 1}, {7, 40, 511, 40, 0}, {2, 23, 2, 80, 0}};
    for (const Case& c : cases) {
        AlertItem alert;
        const uint8_t bytes[] = {c.level, c.description};
        uint32_t left = 2;
        alert.Read(bytes, left);
        EXPECT_EQ(alert.Pair(), SecurityErrorCode(c.wantClass, c.wantCode));
        ErrorHolder report;
        EXPECT_EQ(alert.Check(&report), c.valid);
        EXPECT_EQ(report.GetError(), c.valid ? 0 : 1);
    }
    EXPECT_EQ(Encode(AlertItem(2, 42)), (std::vector<uint8_t>{2, 42}));
}

TEST(FixedItems, ByteListHolds255ValuesAndAnswersADummyPastTheEnd) {
    ByteListItem list;
    list.SetCount(255);
    for (unsigned i = 0; i < 255; ++i) list.At(i) = static_cast<uint8_t>(i);
    EXPECT_EQ(list.EncodedSize(), 256u);
    auto bytes = Encode(list);
    ByteListItem copy;
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint32_t one = 1;
        copy.Read(&bytes[i], one);
    }
    EXPECT_TRUE(copy.IsComplete());
    EXPECT_TRUE(copy.Contains(254));
    EXPECT_FALSE(ByteListItem::OutOfRange());
    ByteListItem small;
    small.SetCount(1);
    small.At(5) = 9;
    EXPECT_TRUE(ByteListItem::OutOfRange());
    EXPECT_FALSE(small.Contains(9));
}

TEST(FixedItems, ChangeCipherSpecAcceptsOnlyOne) {
    for (uint8_t byte : {1, 2}) {
        ChangeCipherSpecBody body;
        uint32_t left = 1;
        body.Read(&byte, left);
        EXPECT_EQ(left, 0u);
        EXPECT_EQ(body.GetError(), byte == 1 ? 0 : 1);
        if (byte != 1) {
            EXPECT_EQ(body.Error(), SecurityErrorCode(2, 47));
        }
    }
}

TEST(ByteVector, ShortVectorRefusesPastItsMaximumAndKeepsItsBytes) {
    ShortByteVector v;
    std::vector<uint8_t> big(65536, 0xAB);
    v.SetBytes(big.data(), 65535);
    EXPECT_EQ(v.GetError(), 0);
    EXPECT_EQ(v.Length(), 65535u);
    v.Append(big.data(), 1);
    EXPECT_EQ(v.Error(), SecurityErrorCode(511, 47));
    EXPECT_EQ(v.Length(), 65535u);
    EXPECT_EQ(v.Data()[65534], 0xAB);
}

TEST(ByteVector, LengthNearTheTopOfTheRangeIsRefusedNotWrapped) {
    for (uint32_t n : {0xFFFFFFF0u, 0xFFFFFFFBu}) {
        ByteVector v;
        v.SetString("keep");
        EXPECT_FALSE(v.Resize(n));
        EXPECT_EQ(v.Error(), SecurityErrorCode(511, 336)) << n;
        EXPECT_EQ(v.Length(), 4u);
    }
    ByteVector v;
    EXPECT_FALSE(v.Resize(0xFFFFFFFCu));
    EXPECT_EQ(v.Error(), SecurityErrorCode(511, 47));
}

TEST(ByteVector, ParsesOneByteAtATime) {
    SmallByteVector v;
    const uint8_t bytes[] = {3, 'A', 'B', 'C'};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(v.IsComplete() && i > 0);
        uint32_t one = 1;
        v.Read(bytes + i, one);
    }
    EXPECT_TRUE(v.IsComplete());
    ASSERT_EQ(v.Length(), 3u);
    EXPECT_EQ(std::memcmp(v.Data(), "ABC", 3), 0);
    EXPECT_EQ(Encode(MediumByteVector()), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(ByteVector, CopiesAndFormatsWithinBounds) {
    ByteVector v;
    v.SetString("abcdef");
    uint8_t out[8];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(v.CopyOut(4, out, 8), out + 2);
    EXPECT_EQ(v.CopyOut(7, out, 8), out);
    EXPECT_EQ(v.CopyOutZeroFilled(4, out, 4), out + 4);
    EXPECT_EQ(std::memcmp(out, "ef\0\0", 4), 0);
    ByteVector other;
    other.SetString("XY");
    EXPECT_EQ(v.CopyFrom(3, other, 0, 5), 3u);
    EXPECT_EQ(std::memcmp(v.Data(), "abcXY\0", 6), 0);
    char buffer[8];
    EXPECT_EQ(v.AppendFormat(nullptr, 8, "%d", 1), -1);
    EXPECT_EQ(v.Length(), 6u);
    // Longer than the caller's buffer: cut, not overrun.
    EXPECT_EQ(v.AppendFormat(buffer, sizeof buffer, "%s-%d", "0123456789", 42), 7);
    EXPECT_EQ(v.Length(), 13u);
    ByteVector a, b, joined;
    a.SetString("ab");
    b.SetString("cd");
    joined.Concat(a, b);
    ByteVector expected;
    expected.SetString("abcd");
    EXPECT_TRUE(joined.Equals(expected));
    EXPECT_TRUE(ByteVector().Equals(ByteVector()));
    joined.Append(joined);
    EXPECT_EQ(joined.Length(), 8u);
}

TEST(ByteVector, BorrowsAndReturnsToOwnStorage) {
    uint8_t outside[4] = {1, 2, 3, 4};
    ByteVector v;
    v.SetBytes(outside, 2);
    v.SetExternalBuffer(outside);
    EXPECT_EQ(v.Data(), outside);
    EXPECT_TRUE(v.Resize(4));
    EXPECT_EQ(v.Data()[3], 4);
    v.SetExternalBuffer(nullptr);
    EXPECT_NE(v.Data(), outside);
    EXPECT_EQ(v.Length(), 4u);
}

FILE* FileWith(const std::vector<uint8_t>& bytes) {
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

TEST(ByteVector, FileFormReadsBackAndRefusesDamage) {
    std::vector<uint8_t> content(40000);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7);
    ByteVector v;
    v.SetBytes(content.data(), static_cast<uint32_t>(content.size()));
    FILE* f = std::tmpfile();
    v.WriteTo(f);
    std::rewind(f);
    ByteVector back;
    ErrorHolder report;
    EXPECT_EQ(back.ReadFrom(f, &report), 1);
    EXPECT_TRUE(back.Equals(v));
    std::fclose(f);

    // A damaged length: far more than the file holds, or near the top of the
    // range. Both fail cleanly, without a huge allocation.
    for (std::vector<uint8_t> bytes : {std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xF0, 1, 2, 3},
                                       std::vector<uint8_t>{0x7F, 0, 0, 0, 1, 2, 3},
                                       std::vector<uint8_t>{0, 0}}) {
        FILE* damaged = FileWith(bytes);
        ByteVector r;
        ErrorHolder rep;
        EXPECT_EQ(r.ReadFrom(damaged, &rep), 0);
        EXPECT_EQ(rep.GetError(), 1);
        EXPECT_EQ(r.GetError(), 1);
        std::fclose(damaged);
    }
}

}  // namespace
