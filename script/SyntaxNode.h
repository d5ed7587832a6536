// The syntax tree that the parser builds and the evaluator walks. A node sits
// on its parent's ring list of children; its literal text is stored right
// behind it in the same block, so that nodes of a host pool need nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "script/EngineMemory.h"

// A member of a ring list. The sentinel of a ring has no carrier, so a walk
// stops when it reaches it.
struct ListMember {
    ListMember* next = this;
    ListMember* prev = this;
    void* carrier = nullptr;

    void InsertBefore(ListMember* member) {
        member->next = this;
        member->prev = prev;
        prev->next = member;
        prev = member;
    }
    void Unlink() {
        prev->next = next;
        next->prev = prev;
        next = prev = this;
    }
};

class SyntaxNode {
public:
    // Makes a node with a copy of the text: from the engine heap when pool is
    // 0, else through the host's allocator. Null when out of memory.
    static SyntaxNode* Make(int token, const char* text, size_t length, intptr_t pool);
    // Frees a heap-made subtree (children first). Pool-made trees belong to the pool.
    static void Destroy(SyntaxNode* node);

    void Append(SyntaxNode* child);
    SyntaxNode* FirstChild() const { return static_cast<SyntaxNode*>(children.next->carrier); }
    SyntaxNode* Next() const { return static_cast<SyntaxNode*>(link.next->carrier); }
    SyntaxNode* Child(int index) const {
        SyntaxNode* c = FirstChild();
        while (c && index-- > 0) c = c->Next();
        return c;
    }
    int ChildCount() const { return childCount; }
    const char* Text() const { return text; }
    size_t TextLength() const { return textLength; }

    int token;
    uint16_t height = 1;  // levels in this subtree, bounded by the parser
    bool fromPool = false;
    SyntaxNode* parent = nullptr;
    ListMember link;      // on the parent's child ring
    ListMember children;  // sentinel
    int childCount = 0;
    char* text;
    size_t textLength;
    // A number literal's value, parsed the first time it is evaluated.
    bool numberParsed = false;
    double number = 0;
    // What the evaluator learned of this subtree the first time it met it
    // (a subtree is complete by then): whether it is an expression it can
    // compute without frames, and how many nodes it holds (an upper bound
    // of its steps).
    enum class Shape : uint8_t { Unknown, Frames, InPlace };
    Shape shape = Shape::Unknown;
    uint32_t weight = 0;
    // An identifier's: the property slot where its name was found last.
    uint32_t slotHint = 0;
    // Known to be stepped as an infix symbol (found out on its first step).
    bool runsAsInfix = false;
};

// The subtree as script text, cut to fit; used in run-time error messages.
// Writes only when at least 21 bytes are available; returns the length written.
size_t PrintNode(const SyntaxNode* node, char* buffer, size_t size);
std::string PrintNode(const SyntaxNode* node);
