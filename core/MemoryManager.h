// The one global keeper of memory policy.
//
// It knows the current MemoryPool, into which parsing, styling and the script
// engine put their pieces without passing a pool around; owners bracket a
// building phase with SwapCurrentPool and restore the previous pool after.
// It keeps the usage of image and document memory (maintained by the pools)
// against two budgets; past a budget it asks the least recently used images
// to drop their decoded data and idle documents to release their content. It
// never destroys them: they give memory back through their pools' FreeAll.
//
// Made at start-up with both budgets 0, before the settings are loaded; the
// budgets are set once they are. Single-threaded.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/ListNode.h"
#include "core/MemoryClients.h"
#include "core/MemoryPool.h"
#include "core/RecycledRecords.h"

// A recycled list node with a pointer and a word (style declaration nodes,
// matched-rule nodes); both are clear when new.
struct SmallNode : ListNode {
    void* data = nullptr;
    uint32_t word = 0;
    void Reset() { data = nullptr; }
};

class MemoryManager {
public:
    static constexpr size_t kScratchBufferSize = 4097;
    static constexpr int kPrefilledSmallNodes = 50;
    // The URL registry is purged at a full document trim that follows this
    // many others since the last purge, and only when more than this many
    // seconds have passed since it.
    static constexpr int kFullTrimsBetweenPurges = 21;
    static constexpr uint32_t kSecondsBetweenPurges = 20;

    MemoryManager(uint32_t imageBudget, uint32_t documentBudget);
    MemoryManager(const MemoryManager&) = delete;
    MemoryManager& operator=(const MemoryManager&) = delete;
    ~MemoryManager();

    // Sets the current pool (null clears it) and answers the previous one.
    MemoryPool* SwapCurrentPool(MemoryPool* pool);
    MemoryPool* CurrentPool() const { return currentPool_; }

    // A piece of the current pool; null when there is none or it fails.
    void* Allocate(uint32_t size);
    // Offers a piece back to the current pool's chunks, last to first; 1
    // when one took it, 0 otherwise (and when there is no current pool).
    int FreeBlock(void* address, uint32_t size);
    // Null for null. With a current pool, a copy in the pool (null when the
    // pool fails). Without one, a heap string field's copy (SetStringField),
    // which the caller frees with free(); an empty string then gives null.
    char* StrDup(const char* text);
    // Null for null. A copy of at most n bytes, ending at the string's own
    // end when it is shorter, terminated; from the current pool, else from
    // the heap (free()). Null when the allocation fails.
    char* StrNDup(const char* text, size_t n);
    // Null for size 0; from the current pool when set, else from the heap
    // (free()).
    void* AllocateFromPoolOrHeap(uint32_t size);
    // Frees the field's old heap string and stores a heap copy of text, also
    // of an empty one; null for null. Heap strings are freed with free().
    void SetCountedString(char** field, const char* text);

    SmallNode* TakeSmallNode() { return smallNodes_.Take(); }
    void ReturnSmallNode(SmallNode* node) { smallNodes_.Give(node); }
    unsigned SpareSmallNodes() const { return smallNodes_.Count(); }

    // Borrowed for the length of one call; nobody keeps them across another
    // user's call.
    char* GetScratchBuffer1() { return scratch_[0]; }
    char* GetScratchBuffer2() { return scratch_[1]; }
    char* GetScratchBuffer3() { return scratch_[2]; }

    // Store the budget and trim that kind at once.
    void SetImageBudget(uint32_t bytes);
    void SetDocumentBudget(uint32_t bytes);
    uint32_t ImageBudget() const { return imageBudget_; }
    uint32_t DocumentBudget() const { return documentBudget_; }
    uint32_t ImageUsage() const { return imageUsage_; }
    uint32_t DocumentUsage() const { return documentUsage_; }

    // Called by the pools. An addition trims that kind at once; a
    // subtraction never takes the usage below 0. Uncounted pools change
    // nothing.
    void AddPoolUsage(PoolKind kind, uint32_t bytes);
    void SubtractPoolUsage(PoolKind kind, uint32_t bytes);

    // Release the least recently used images, or idle documents, until usage
    // is below the budget or none is left that agrees.
    void TrimImageMemory();
    void TrimDocumentMemory();

    // A document that stops being shown goes to the end of the idle list.
    void TouchDocument(ReleasableDocument* document);
    // Takes the document off the idle list (it became active, or dies).
    void ForgetDocument(ReleasableDocument* document);
    // Moves the image to the most recently used end, or lists it, holding a
    // use of it while it is listed.
    void TouchImage(ReleasableImage* image);
    // Takes the image off the list and drops the use held for it.
    void ForgetImage(ReleasableImage* image);
    unsigned IdleDocumentCount() const { return idleDocuments_.Count(); }
    unsigned ImageCount() const { return images_.Count(); }

    // The registry asked to purge after many full document trims; borrowed.
    // Purges are spaced on the program's coarse clock.
    void SetUrlReleaser(UnusedUrlReleaser* releaser) { urlReleaser_ = releaser; }

private:
    template <class Entry>
    bool ReleaseUntilBelow(NodeList& entries, const uint32_t& usage, uint32_t target);
    void CountFullTrim();

    NodeList idleDocuments_;  // least recently idle first
    NodeList images_;         // least recently used first
    uint32_t imageBudget_;
    uint32_t documentBudget_;
    uint32_t imageUsage_ = 0;
    uint32_t documentUsage_ = 0;
    char scratch_[3][kScratchBufferSize] = {};
    RecycledRecords<SmallNode> smallNodes_{kPrefilledSmallNodes};
    int trimCounter_ = 0;
    uint32_t cleanStamp_ = 0;  // when the URL records were last purged
    MemoryPool* currentPool_ = nullptr;
    UnusedUrlReleaser* urlReleaser_ = nullptr;
};

// The program's memory manager; null while there is none (every user tests
// it). Pools count their bytes and find the current pool through it.
extern MemoryManager* g_memoryManager;
