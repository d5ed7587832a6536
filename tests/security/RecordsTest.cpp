// Item lists, records and handshake messages: every fixture parses the same
// fed one byte at a time as fed whole.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "security/DataItemArray.h"
#include "security/HandshakeMessage.h"
#include "security/SslRecord.h"
#include "tests/security/HexBytes.h"

namespace {

std::vector<uint8_t> Encode(const DataItem& item) {
    std::vector<uint8_t> out(item.EncodedSize());
    item.Write(out.data());
    return out;
}

// Feeds the bytes in pieces of the given size; answers how many were used.
size_t Feed(DataItem& item, const std::vector<uint8_t>& bytes, size_t piece) {
    size_t used = 0;
    while (used < bytes.size()) {
        uint32_t left = static_cast<uint32_t>(std::min(piece, bytes.size() - used));
        uint32_t before = left;
        item.Read(bytes.data() + used, left);
        used += before - left;
        if (item.GetError() || item.IsComplete() || before == left) break;
    }
    return used;
}

struct Fixture {
    const char* name;
    std::function<std::unique_ptr<DataItem>()> make;
    const char* hex;
    bool ok;  // parses completely without error, and encodes back to the bytes
};

const Fixture kFixtures[] = {
    {"suites", [] { return std::make_unique<CipherSuiteList>(); }, "0004 000A 0005", true},
    {"ssl2 kinds", [] { return std::make_unique<Ssl2CipherKindList>(); }, "0006 010080 0700C0", true},
    {"names", [] { return std::make_unique<ShortVectorList>(); }, "0007 0002 4142 0001 43", true},
    {"certificates", [] { return std::make_unique<CertificateList>(); }, "000009 000002 3000 000001 AA", true},
    {"empty certificate", [] { return std::make_unique<CertificateList>(); }, "000008 000002 3000 000000", false},
    {"plain record", [] { return std::make_unique<SslPlainRecord>(); }, "16 0301 0003 010203", true},
    {"alert record", [] { return std::make_unique<SslPlainRecord>(); }, "15 0300 0002 0228", true},
    {"empty record", [] { return std::make_unique<SslPlainRecord>(); }, "17 0301 0000", true},
    {"server hello", [] { return std::make_unique<HandshakeMessage>(); }, "02 000004 03010203", true},
    {"hello done", [] { return std::make_unique<HandshakeMessage>(); }, "0E 000000", true},
    {"key exchange", [] { return std::make_unique<HandshakeMessage>(); }, "10 000003 AABBCC", true},
    {"certificate", [] { return std::make_unique<HandshakeMessage>(); },
     "0B 00000A 000007 000004 30020500", true},
    {"finished", [] { return std::make_unique<HandshakeMessage>(); }, "14 00000C 000102030405060708090A0B",
     true},
    {"suite cut short", [] { return std::make_unique<CipherSuiteList>(); }, "0003 000A 00", false},
    {"oversized record", [] { return std::make_unique<SslPlainRecord>(); }, "17 0301 4001 00", false},
    {"certificate longer than declared", [] { return std::make_unique<HandshakeMessage>(); },
     "0B 000003 000007 000004 30020500", false},
    {"certificate shorter than declared", [] { return std::make_unique<HandshakeMessage>(); },
     "0B 00000B 000007 000004 30020500 00", false},
};

TEST(SecurityItems, EveryFixtureParsesTheSameByteAtATimeAsWhole) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        auto bytes = Hex(f.hex);
        auto whole = f.make();
        auto single = f.make();
        size_t usedWhole = Feed(*whole, bytes, bytes.size());
        size_t usedSingle = Feed(*single, bytes, 1);
        EXPECT_EQ(usedWhole, usedSingle);
        EXPECT_EQ(whole->GetError(), single->GetError());
        EXPECT_EQ(whole->Error(), single->Error());
        EXPECT_EQ(whole->IsComplete(), single->IsComplete());
        ErrorHolder report;
        bool passes = whole->IsComplete() && !whole->GetError() && whole->Check(&report);
        EXPECT_EQ(passes, f.ok) << whole->Error().errorClass << "," << whole->Error().code;
        if (f.ok) {
            EXPECT_EQ(Encode(*whole), bytes);
            EXPECT_EQ(Encode(*single), bytes);
        }
    }
}

TEST(ItemLists, ReadsElementsAndReportsACutElement) {
    CipherSuiteList suites;
    auto bytes = Hex("0004 000A 0005");
    Feed(suites, bytes, bytes.size());
    ASSERT_EQ(suites.Count(), 2u);
    EXPECT_EQ(suites.Item(0).Code(), 0x000A);
    EXPECT_EQ(suites.Item(1).Code(), 0x0005);
    EXPECT_TRUE(suites.Contains(CipherSuiteItem(0, 5)));
    EXPECT_EQ(suites.Item(9).Code(), 0);  // past the end: the shared empty element

    CipherSuiteList cut;
    bytes = Hex("0003 000A 00");
    Feed(cut, bytes, bytes.size());
    EXPECT_EQ(cut.Error(), SecurityErrorCode(2, 50));
}

TEST(ItemLists, ChecksRefuseEmptyListsAndEmptyCertificates) {
    ErrorHolder report;
    CipherSuiteList none;
    EXPECT_EQ(none.Check(&report), 0);
    EXPECT_EQ(report.Error(), SecurityErrorCode(2, 47));

    CertificateList chain;
    ASSERT_TRUE(chain.Resize(1));
    report.ClearError();
    EXPECT_EQ(chain.Check(&report), 0);
    EXPECT_EQ(report.Error(), SecurityErrorCode(2, 47));
}

TEST(ItemLists, GrowsWithSlackAndFreesWhenEmptied) {
    ShortVectorList list;
    ASSERT_TRUE(list.Resize(1));
    EXPECT_EQ(list.Capacity(), 33u);
    EXPECT_EQ(list.Item(0).Parent(), &list);
    list.Item(0).RaiseSecurityError(2, 50);
    EXPECT_EQ(list.Error(), SecurityErrorCode(2, 50));
    ASSERT_TRUE(list.Resize(0));
    EXPECT_EQ(list.Capacity(), 0u);
}

TEST(SslRecords, PlainRecordsRefuseMoreThan16384BytesProtectedOnesAccept) {
    auto header = Hex("17 0301 4001");
    SslPlainRecord plain;
    Feed(plain, header, header.size());
    EXPECT_EQ(plain.Error(), SecurityErrorCode(2, 47));
    SslProtectedRecord protectedRecord;
    std::vector<uint8_t> whole = header;
    whole.resize(5 + 16385, 0x5A);
    EXPECT_EQ(Feed(protectedRecord, whole, 1), whole.size());
    EXPECT_EQ(protectedRecord.GetError(), 0);
    EXPECT_TRUE(protectedRecord.IsComplete());
    EXPECT_EQ(protectedRecord.Length(), 16385u);

    SslPlainRecord unknownType;
    auto odd = Hex("63 0301 0000");
    Feed(unknownType, odd, odd.size());
    EXPECT_EQ(unknownType.ContentType(), 511u);
}

TEST(HandshakeMessages, ClientHelloSkipsSurplusOthersMustFillTheirLength) {
    HandshakeMessage hello;
    ASSERT_TRUE(hello.SetType(kClientHello));
    auto bytes = Hex("01 000002 0301");
    Feed(hello, bytes, 1);
    EXPECT_EQ(hello.GetError(), 0);
    EXPECT_EQ(hello.OpaqueBody()->Length(), 2u);

    HandshakeMessage unknown;
    bytes = Hex("63 000001 00");
    Feed(unknown, bytes, bytes.size());
    EXPECT_EQ(unknown.Type(), 255u);
    EXPECT_EQ(unknown.Error(), SecurityErrorCode(2, 47));
}

TEST(OutgoingChunks, CopyOrAdoptTheirBlock) {
    const uint8_t bytes[] = {1, 2, 3};
    OutgoingChunk copied(bytes, 3);
    ASSERT_TRUE(copied.Valid());
    EXPECT_NE(copied.ReadPointer(), bytes);
    copied.Consume(2);
    EXPECT_EQ(copied.Remaining(), 1u);
    EXPECT_EQ(*copied.ReadPointer(), 3);
    std::unique_ptr<uint8_t[]> block(new uint8_t[2]{7, 8});
    const uint8_t* raw = block.get();
    OutgoingChunk adopted(std::move(block), 2, kContentHandshake);
    EXPECT_EQ(adopted.ReadPointer(), raw);
    EXPECT_EQ(adopted.ContentType(), 22u);
}

}  // namespace
