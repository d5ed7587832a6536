// How a frame set divides its length: the shares of pixel, percent and
// relative sizes, the borders between them, and lists that would divide by
// zero or overflow.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "documents/FrameSizes.h"

namespace {

struct FrameLength {
    int unit;
    int32_t value;
};

std::vector<FrameSpan> Divide(const std::vector<FrameLength>& lengths, int32_t length, int32_t border) {
    std::vector<FrameSpan> spans;
    for (const FrameLength& s : lengths) spans.push_back({s.unit, s.value});
    NormaliseFramePercentages(spans.data(), static_cast<int>(spans.size()));
    DivideFrameLength(spans.data(), static_cast<int>(spans.size()), length, border);
    return spans;
}

std::vector<int32_t> Sizes(const std::vector<FrameSpan>& spans) {
    std::vector<int32_t> out;
    for (const FrameSpan& s : spans) out.push_back(s.size);
    return out;
}

constexpr int kRel = kFrameRelative, kPct = kFramePercent, kPx = kFramePixels;

TEST(FrameSizes, SharesFollowTheList) {
    struct Case {
        const char* what;
        std::vector<FrameLength> lengths;
        int32_t length, border;
        std::vector<int32_t> sizes;
    };
    const Case cases[] = {
        {"100,*,* in 400 with border 2", {{kPx, 100}, {kRel, 1}, {kRel, 1}}, 400, 2, {100, 146, 146}},
        // 50% of the whole 204 is more than the 200 left between the
        // borders: the first gives up its share of the shortfall.
        {"60%,60% is scaled to 50% each", {{kPct, 60}, {kPct, 60}}, 204, 2, {98, 102}},
        {"*,2* shares the rest 1:2", {{kRel, 1}, {kRel, 2}}, 304, 2, {100, 200}},
        {"pixel frames alone share the whole length", {{kPx, 100}, {kPx, 300}}, 404, 2, {100, 300}},
        {"pixels and percent", {{kPx, 100}, {kPct, 50}}, 404, 2, {100, 300}},
        {"one frame fills the set", {{kRel, 1}}, 250, 5, {250}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sizes(Divide(c.lengths, c.length, c.border)), c.sizes) << c.what;
    }
}

TEST(FrameSizes, PositionsLeaveTwiceTheBorderBetweenFrames) {
    auto spans = Divide({{kPx, 100}, {kRel, 1}, {kRel, 1}}, 400, 2);
    EXPECT_EQ(spans[0].position, 0);
    EXPECT_EQ(spans[1].position, 104);
    EXPECT_EQ(spans[2].position, 254);
    EXPECT_EQ(spans[2].position + spans[2].size, 400);
}

TEST(FrameSizes, ListsThatSumToZeroOrOverflowStayInTheSet) {
    const std::vector<std::vector<FrameLength>> lists = {
        {{kRel, 0}, {kRel, 0}},                 // "0*,0*"
        {{kPct, 0}, {kPct, 0}, {kRel, 0}},      // "0%,0%,0*"
        {{kPx, 0}, {kPx, 0}},                   // "0,0"
        {{kPx, 0}, {kPct, 0}, {kRel, 1}},
        {{kPx, INT32_MAX}, {kPct, INT32_MAX}, {kRel, INT32_MAX}},
        {{kPx, -5}, {kRel, -1}},
    };
    for (int32_t length : {0, 3, 400, INT32_MAX}) {
        for (const auto& list : lists) {
            auto spans = Divide(list, length, 2);
            int64_t end = 0;
            for (const FrameSpan& s : spans) {
                EXPECT_GE(s.size, 0);
                EXPECT_GE(s.position, end);
                end = static_cast<int64_t>(s.position) + s.size;
            }
            // Only the borders may reach past a set narrower than they are.
            EXPECT_LE(end, std::max<int64_t>(length, 4 * static_cast<int64_t>(list.size()))) << "length " << length;
        }
    }
}

TEST(FrameSizes, ASetNarrowerThanItsBordersGivesEmptyFrames) {
    auto spans = Divide({{kRel, 1}, {kRel, 1}, {kRel, 1}}, 6, 2);
    for (const FrameSpan& s : spans) EXPECT_EQ(s.size, 0);
}

}  // namespace
