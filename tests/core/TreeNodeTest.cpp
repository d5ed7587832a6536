#include <gtest/gtest.h>
#include <map>
#include <string>

#include "core/TreeNode.h"

namespace {

struct Named : TreeNode {
    Named(std::string n, std::string* log = nullptr) : name(std::move(n)), log(log) {}
    ~Named() override {
        if (log) *log += name + (IsLinked() || Parent() ? "+ " : "- ");
    }
    std::string name;
    std::string* log;
};

std::string NameOf(const TreeNode* node) {
    return node ? static_cast<const Named*>(node)->name : "null";
}

// R(A(A1) B): the example tree. Built on the heap, owned by R.
struct SmallTree {
    Named* r = new Named("R");
    Named* a = new Named("A");
    Named* a1 = new Named("A1");
    Named* b = new Named("B");
    SmallTree() {
        a->AppendToParent(*r);
        b->AppendToParent(*r);
        a1->AppendToParent(*a);
    }
    ~SmallTree() { delete r; }
};

TEST(TreeNodeTest, WalksOfTheSmallTree) {
    SmallTree t;
    struct Case {
        const char* what;
        const TreeNode* got;
        const char* expected;
    };
    const Case cases[] = {
        {"next of R", t.r->NextInOrder(false), "A"},
        {"next of A", t.a->NextInOrder(false), "A1"},
        {"next of A1", t.a1->NextInOrder(false), "B"},
        {"next of B", t.b->NextInOrder(false), "null"},
        {"next of A skipping its children", t.a->NextInOrder(true), "B"},
        {"next of R skipping its children", t.r->NextInOrder(true), "null"},
        {"previous of B", t.b->PrevInOrder(true), "A1"},
        {"previous of A", t.a->PrevInOrder(true), "R"},
        {"previous of R", t.r->PrevInOrder(true), "null"},
        {"last of R's subtree", t.r->PrevInOrder(false), "B"},
        {"last of A1's subtree", t.a1->PrevInOrder(false), "A1"},
        {"next leaf of A", t.a->NextLeaf(), "B"},
        {"next leaf of A1", t.a1->NextLeaf(), "B"},
        {"next leaf of B", t.b->NextLeaf(), "null"},
        {"previous leaf of B", t.b->PrevLeaf(), "A1"},
        {"previous leaf of A", t.a->PrevLeaf(), "null"},
        {"first leaf of R", t.r->FirstLeaf(), "A1"},
        {"first leaf of B", t.b->FirstLeaf(), "B"},
        {"last descendant of R", t.r->LastDescendant(), "B"},
        {"last descendant of A", t.a->LastDescendant(), "A1"},
        {"parent of A1", t.a1->Parent(), "A"},
        {"parent of R", t.r->Parent(), "null"},
        {"first child of R", t.r->FirstChild(), "A"},
        {"last child of R", t.r->LastChild(), "B"},
        {"first child of B", t.b->FirstChild(), "null"},
    };
    for (const Case& c : cases) EXPECT_EQ(NameOf(c.got), c.expected) << c.what;

    EXPECT_EQ(t.r->ChildCount(), 2u);
    EXPECT_EQ(t.b->ChildCount(), 0u);
    EXPECT_EQ(t.r->Depth(), 0u);
    EXPECT_EQ(t.a1->Depth(), 2u);
    EXPECT_TRUE(t.r->Contains(t.a1));
    EXPECT_TRUE(t.a1->Contains(t.a1));
    EXPECT_FALSE(t.a1->Contains(t.r));
    EXPECT_FALSE(t.b->Contains(t.a1));
}

TEST(TreeNodeTest, IsBeforeComparesBranchesBelowTheCommonAncestor) {
    SmallTree t;
    Named* a2 = new Named("A2");
    a2->AppendToParent(*t.a);
    Named* b1 = new Named("B1");
    b1->AppendToParent(*t.b);
    SmallTree other;
    struct Case {
        const TreeNode* self;
        const TreeNode* other;
        bool expected;
    };
    const Case cases[] = {
        {t.a1, t.b, true},      {t.b, t.a1, false},    {t.a1, a2, true},   {a2, t.a1, false},
        {t.a1, b1, true},       {b1, t.a1, false},     {t.a, b1, true},    {t.a1, t.a1, false},
        {t.r, t.a1, false},     {t.a1, t.r, false},    {t.a, t.a1, false}, {t.a1, other.b, false},
        {other.a1, t.b, false}, {t.r, other.r, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.self->IsBefore(c.other), c.expected) << NameOf(c.self) << " before " << NameOf(c.other);
    }
}

// R(A(A1(A11) A2) B C(C1 C2(C21))) walked whole in both directions.
TEST(TreeNodeTest, DocumentOrderWalksVisitEveryNodeOnce) {
    std::map<std::string, Named*> n;
    auto add = [&](const char* name, const char* parent) {
        n[name] = new Named(name);
        if (parent) n[name]->AppendToParent(*n[parent]);
    };
    add("R", nullptr);
    add("A", "R"), add("A1", "A"), add("A11", "A1"), add("A2", "A");
    add("B", "R"), add("C", "R"), add("C1", "C"), add("C2", "C"), add("C21", "C2");

    std::string forward;
    for (TreeNode* x = n["R"]; x; x = x->NextInOrder(false)) forward += NameOf(x) + " ";
    EXPECT_EQ(forward, "R A A1 A11 A2 B C C1 C2 C21 ");

    std::string backward;
    for (TreeNode* x = n["R"]->PrevInOrder(false); x; x = x->PrevInOrder(true)) backward += NameOf(x) + " ";
    EXPECT_EQ(backward, "C21 C2 C1 C B A2 A11 A1 A R ");

    std::string leaves;
    for (TreeNode* x = n["R"]->FirstLeaf(); x; x = x->NextLeaf()) leaves += NameOf(x) + " ";
    EXPECT_EQ(leaves, "A11 A2 B C1 C21 ");

    std::string leavesBack;
    for (TreeNode* x = n["R"]->LastDescendant(); x; x = x->PrevLeaf()) leavesBack += NameOf(x) + " ";
    EXPECT_EQ(leavesBack, "C21 C1 B A2 A11 ");

    // Within C's subtree alone, skipping it entirely ends the walk.
    EXPECT_EQ(n["C"]->NextInOrder(true), nullptr);
    EXPECT_EQ(NameOf(n["A1"]->NextInOrder(true)), "A2");
    EXPECT_EQ(NameOf(n["A11"]->NextInOrder(false)), "A2");
    delete n["R"];
}

TEST(TreeNodeTest, RootInAnotherListNeverReachesItsListMates) {
    NodeList roots;
    SmallTree first, second;
    first.r->AppendTo(roots);
    second.r->AppendTo(roots);
    EXPECT_EQ(first.r->NextInOrder(true), nullptr);
    EXPECT_EQ(first.r->NextLeaf(), nullptr);
    EXPECT_EQ(first.b->NextInOrder(false), nullptr);
    EXPECT_EQ(first.b->NextLeaf(), nullptr);
    EXPECT_EQ(second.r->PrevInOrder(true), nullptr);
    EXPECT_EQ(second.a->PrevLeaf(), nullptr);
    EXPECT_EQ(first.r->NextSibling(), nullptr);
    first.r->Remove();
    second.r->Remove();
}

TEST(TreeNodeTest, SiblingInsertionDetachAndMoves) {
    SmallTree t;
    auto* x = new Named("X");
    x->InsertAfterSibling(*t.a);
    EXPECT_EQ(x->Parent(), t.r);
    EXPECT_EQ(NameOf(t.a->NextSibling()), "X");
    auto* y = new Named("Y");
    y->InsertBeforeSibling(*t.a);
    EXPECT_EQ(NameOf(t.r->FirstChild()), "Y");
    EXPECT_EQ(t.r->ChildCount(), 4u);

    // Moving a child under another parent leaves the old siblings whole.
    x->AppendToParent(*t.a1);
    EXPECT_EQ(t.r->ChildCount(), 3u);
    EXPECT_EQ(NameOf(t.a->NextSibling()), "B");
    EXPECT_EQ(x->Depth(), 3u);

    y->Detach();
    EXPECT_EQ(y->Parent(), nullptr);
    EXPECT_FALSE(y->IsLinked());
    EXPECT_EQ(NameOf(t.r->FirstChild()), "A");
    delete y;

    // Beside a root that sits in no list there is nowhere to go.
    Named lone("L"), z("Z");
    z.InsertAfterSibling(lone);
    EXPECT_FALSE(z.IsLinked());
}

TEST(TreeNodeTest, DeletingANodeDeletesItsSubtreeChildrenAlreadyDetached) {
    std::string log;
    auto* r = new Named("R", &log);
    auto* a = new Named("A", &log);
    auto* a1 = new Named("A1", &log);
    auto* b = new Named("B", &log);
    a->AppendToParent(*r);
    a1->AppendToParent(*a);
    b->AppendToParent(*r);
    delete r;
    // Each node's own destructor runs before it deletes its children.
    EXPECT_EQ(log, "R- A- A1- B- ");
}

}  // namespace
