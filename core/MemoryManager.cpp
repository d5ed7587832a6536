#include "core/MemoryManager.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/CoarseClock.h"
#include "core/PoolChunk.h"
#include "core/StringHelpers.h"

MemoryManager* g_memoryManager = nullptr;

namespace {

// Entries of the idle-document and image lists. An image entry holds a use
// of its image, so that a listed image stays alive until the entry goes.
struct DocumentEntry : ListNode {
    explicit DocumentEntry(ReleasableDocument* document) : target(document) {}
    ReleasableDocument* target;
};

struct ImageEntry : ListNode {
    explicit ImageEntry(ReleasableImage* image) : target(image) { target->AddUse(); }
    ~ImageEntry() override { target->DropUse(); }
    ReleasableImage* target;
};

template <class Entry, class Target>
Entry* FindEntry(const NodeList& list, const Target* target) {
    for (ListNode* node = list.First(); node; node = node->Next()) {
        auto* entry = static_cast<Entry*>(node);
        if (entry->target == target) return entry;
    }
    return nullptr;
}

// Moves the target's entry to the most recent end, or lists it there.
template <class Entry, class Target>
void TouchEntry(NodeList& list, Target* target) {
    if (!target) return;
    Entry* entry = FindEntry<Entry>(list, target);
    if (!entry) entry = new (std::nothrow) Entry(target);
    if (entry) entry->AppendTo(list);
}

template <class Entry, class Target>
void ForgetEntry(NodeList& list, const Target* target) {
    if (Entry* entry = FindEntry<Entry>(list, target)) {
        entry->Remove();
        delete entry;
    }
}

// Puts the entries that refused back at the front, in their old order,
// ahead of those not yet asked.
void PutBackInFront(NodeList& setAside, NodeList& list) {
    while (ListNode* node = setAside.Last()) {
        node->Remove();
        node->InsertAfter(list);
    }
}

char* HeapCopy(const char* text, size_t length) {
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

// A terminated copy of length bytes in the pool; null when it has no room.
char* PoolCopy(MemoryPool& pool, const char* text, size_t length) {
    if (length >= PoolChunk::kSize) return nullptr;
    auto* copy = static_cast<char*>(pool.Allocate(static_cast<uint32_t>(length + 1)));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

}  // namespace

MemoryManager::MemoryManager(uint32_t imageBudget, uint32_t documentBudget)
    : imageBudget_(imageBudget), documentBudget_(documentBudget), cleanStamp_(CoarseClockNow()) {}

MemoryManager::~MemoryManager() {
    idleDocuments_.Clear();
    images_.Clear();
    if (g_memoryManager == this) g_memoryManager = nullptr;
}

MemoryPool* MemoryManager::SwapCurrentPool(MemoryPool* pool) {
    MemoryPool* previous = currentPool_;
    currentPool_ = pool;
    return previous;
}

void* MemoryManager::Allocate(uint32_t size) {
    return currentPool_ ? currentPool_->Allocate(size) : nullptr;
}

int MemoryManager::FreeBlock(void* address, uint32_t size) {
    return currentPool_ ? currentPool_->FreeBlock(address, size) : 0;
}

char* MemoryManager::StrDup(const char* text) {
    if (!text) return nullptr;
    size_t length = std::strlen(text);
    if (currentPool_) return PoolCopy(*currentPool_, text, length);
    char* copy = nullptr;
    SetStringField(&copy, text);
    return copy;
}

char* MemoryManager::StrNDup(const char* text, size_t n) {
    if (!text) return nullptr;
    // Never read beyond the string's own end: callers pass buffer sizes.
    const void* end = std::memchr(text, '\0', n);
    size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - text) : n;
    return currentPool_ ? PoolCopy(*currentPool_, text, length) : HeapCopy(text, length);
}

void* MemoryManager::AllocateFromPoolOrHeap(uint32_t size) {
    if (size == 0) return nullptr;
    return currentPool_ ? currentPool_->Allocate(size) : std::malloc(size);
}

void MemoryManager::SetCountedString(char** field, const char* text) {
    if (!field) return;
    if (text)
        SetStringFieldAlways(field, text);
    else
        FreeStringField(field);
}

void MemoryManager::SetImageBudget(uint32_t bytes) {
    imageBudget_ = bytes;
    TrimImageMemory();
}

void MemoryManager::SetDocumentBudget(uint32_t bytes) {
    documentBudget_ = bytes;
    TrimDocumentMemory();
}

void MemoryManager::AddPoolUsage(PoolKind kind, uint32_t bytes) {
    if (kind == PoolKind::Image) {
        imageUsage_ += bytes;
        TrimImageMemory();
    } else if (kind == PoolKind::Document) {
        documentUsage_ += bytes;
        TrimDocumentMemory();
    }
}

void MemoryManager::SubtractPoolUsage(PoolKind kind, uint32_t bytes) {
    uint32_t* usage = kind == PoolKind::Image      ? &imageUsage_
                      : kind == PoolKind::Document ? &documentUsage_
                                                   : nullptr;
    if (usage) *usage = bytes > *usage ? 0 : *usage - bytes;
}

// Asks the entries, front (least recent) first, to release their memory.
// Each is taken off the list while it is asked, so that whatever it does
// meanwhile (forgetting itself, allocating and so trimming again) cannot
// pull the walk from under us. Those that agree are dropped; those that
// refuse keep their places in front. Answers true when usage fell below the
// target, false when the list ran out first.
template <class Entry>
bool MemoryManager::ReleaseUntilBelow(NodeList& entries, const uint32_t& usage, uint32_t target) {
    NodeList refused;
    bool reached = false;
    while (!reached) {
        auto* entry = static_cast<Entry*>(entries.First());
        if (!entry) break;
        entry->Remove();
        if (entry->target->ReleaseData())
            delete entry;
        else
            entry->AppendTo(refused);
        reached = usage < target;
    }
    PutBackInFront(refused, entries);
    return reached;
}

void MemoryManager::TrimImageMemory() {
    if (imageUsage_ <= imageBudget_) return;
    ReleaseUntilBelow<ImageEntry>(images_, imageUsage_, imageBudget_);
}

void MemoryManager::TrimDocumentMemory() {
    if (documentUsage_ <= documentBudget_) return;
    if (!ReleaseUntilBelow<DocumentEntry>(idleDocuments_, documentUsage_, documentBudget_)) CountFullTrim();
}

// A full trim (every idle document asked, still over budget) suggests that
// the URL records hold what the documents cannot release. Purging them is
// costly, so it waits for many full trims and some time since the last one.
void MemoryManager::CountFullTrim() {
    if (trimCounter_++ < kFullTrimsBetweenPurges) return;
    uint32_t now = CoarseClockNow();
    // Unsigned difference: correct across a wrap of the clock.
    if (now - cleanStamp_ <= kSecondsBetweenPurges) return;
    trimCounter_ = 0;
    cleanStamp_ = now;
    if (urlReleaser_) urlReleaser_->ReleaseUnusedData();
}

void MemoryManager::TouchDocument(ReleasableDocument* document) {
    TouchEntry<DocumentEntry>(idleDocuments_, document);
}

void MemoryManager::ForgetDocument(ReleasableDocument* document) {
    ForgetEntry<DocumentEntry>(idleDocuments_, document);
}

void MemoryManager::TouchImage(ReleasableImage* image) {
    TouchEntry<ImageEntry>(images_, image);
}

void MemoryManager::ForgetImage(ReleasableImage* image) {
    ForgetEntry<ImageEntry>(images_, image);
}
