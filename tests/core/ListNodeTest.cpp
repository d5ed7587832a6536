#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"

namespace {

struct Named : ListNode {
    explicit Named(char n, std::string* log = nullptr) : name(n), log(log) {}
    ~Named() override {
        if (log) *log += std::string(1, name) + (IsLinked() ? "+" : "-");
    }
    char name;
    std::string* log;
};

// The names first to last, checked against the walk from last to first.
std::string Walk(const NodeList& list) {
    std::string forward, backward;
    for (ListNode* n = list.First(); n; n = n->Next()) forward += static_cast<Named*>(n)->name;
    for (ListNode* n = list.Last(); n; n = n->Prev()) backward.insert(0, 1, static_cast<Named*>(n)->name);
    EXPECT_EQ(forward, backward) << "the two directions of the ring disagree";
    EXPECT_EQ(list.Count(), forward.size());
    EXPECT_EQ(list.IsEmpty(), forward.empty());
    return forward;
}

TEST(NodeListTest, EmptyListHasNoNodes) {
    NodeList list;
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(list.IsEmpty());
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
}

TEST(NodeListTest, LinkingPlacesNodesAndUnlinkingJoinsNeighbours) {
    NodeList list;
    Named a('a'), b('b'), c('c'), d('d'), e('e'), f('f');
    struct Step {
        const char* what;
        std::function<void()> run;
        const char* expected;
    };
    const std::vector<Step> steps = {
        {"append to empty", [&] { EXPECT_EQ(&a.AppendTo(list), &list); }, "a"},
        {"append", [&] { b.AppendTo(list); }, "ab"},
        {"after the head is first", [&] { c.InsertAfter(list); }, "cab"},
        {"before the head is last", [&] { EXPECT_EQ(&d.InsertBefore(list), &list); }, "cabd"},
        {"after a node", [&] { e.InsertAfter(a); }, "caebd"},
        {"before the first node", [&] { f.InsertBefore(c); }, "fcaebd"},
        {"remove the first", [&] { f.Remove(); }, "caebd"},
        {"remove the last", [&] { d.Remove(); }, "caeb"},
        {"remove a middle one", [&] { a.Remove(); }, "ceb"},
        {"remove an unlinked node", [&] { a.Remove(); }, "ceb"},
        {"relink a linked node moves it", [&] { c.InsertBefore(list); }, "ebc"},
        {"insert after itself", [&] { b.InsertAfter(b); }, "ebc"},
        {"insert after an unlinked node", [&] { a.InsertAfter(f); }, "ebc"},
        {"remove the rest", [&] { e.Remove(), b.Remove(), c.Remove(); }, ""},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(Walk(list), step.expected) << step.what;
    }
    for (Named* n : {&a, &b, &c, &d, &e, &f}) {
        EXPECT_FALSE(n->IsLinked()) << n->name;
        EXPECT_EQ(n->Next(), nullptr);
        EXPECT_EQ(n->Prev(), nullptr);
    }
}

TEST(NodeListTest, EndsOfTheRingAnswerNull) {
    NodeList list;
    Named a('a'), b('b');
    a.AppendTo(list);
    EXPECT_EQ(a.Next(), nullptr);
    EXPECT_EQ(a.Prev(), nullptr);
    b.AppendTo(list);
    EXPECT_EQ(a.Prev(), nullptr);
    EXPECT_EQ(a.Next(), &b);
    EXPECT_EQ(b.Next(), nullptr);
    EXPECT_EQ(b.Prev(), &a);
    a.Remove(), b.Remove();
}

TEST(NodeListTest, MovingANodeLeavesItsOldListWhole) {
    NodeList first, second;
    Named a('a'), b('b'), c('c');
    a.AppendTo(first), b.AppendTo(first), c.AppendTo(first);
    b.AppendTo(second);
    EXPECT_EQ(Walk(first), "ac");
    EXPECT_EQ(Walk(second), "b");
    a.Remove(), b.Remove(), c.Remove();
}

TEST(NodeListTest, ClearDeletesFirstToLastEachAlreadyUnlinked) {
    std::string log;
    NodeList list;
    for (char n : {'a', 'b', 'c'}) (new Named(n, &log))->AppendTo(list);
    list.Clear();
    EXPECT_EQ(log, "a-b-c-");
    EXPECT_TRUE(list.IsEmpty());
}

// A node that owns a partner elsewhere in the same list and deletes it.
struct Owner : Named {
    Owner(char n, std::string* log, ListNode* partner) : Named(n, log), partner(partner) {}
    ~Owner() override {
        partner->Remove();
        delete partner;
    }
    ListNode* partner;
};

TEST(NodeListTest, ClearCopesWithDestructorsThatDeleteOtherNodes) {
    std::string log;
    NodeList list;
    auto* d = new Named('d', &log);
    (new Named('a', &log))->AppendTo(list);
    (new Owner('b', &log, d))->AppendTo(list);
    (new Named('c', &log))->AppendTo(list);
    d->AppendTo(list);
    (new Named('e', &log))->AppendTo(list);
    list.Clear();
    EXPECT_EQ(log, "a-d-b-c-e-");
    EXPECT_TRUE(list.IsEmpty());
}

TEST(NodeListTest, DestroyingTheListDeletesNoNode) {
    std::string log;
    auto a = std::make_unique<Named>('a', &log);
    auto b = std::make_unique<Named>('b', &log);
    {
        NodeList list;
        a->AppendTo(list), b->AppendTo(list);
    }
    EXPECT_EQ(log, "");
}

}  // namespace
