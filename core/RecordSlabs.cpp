#include "core/RecordSlabs.h"

#include <algorithm>
#include <functional>
#include <new>

struct RecordSlabs::Slab {
    Slab* prev;
    Slab* next;
    void* freed;  // a chain through the freed pieces
    uint32_t cls;
    uint32_t bump;  // offset of the first piece never handed out
    uint32_t live;
    bool listed;
};

namespace {
// Pieces start past the header, at a multiple of the grain.
constexpr size_t kHeaderBytes = 4 * sizeof(void*) + 16;
constexpr size_t kFirstPiece = (kHeaderBytes + RecordSlabs::kGrain - 1) & ~(RecordSlabs::kGrain - 1);

size_t PieceSize(size_t cls) { return cls * RecordSlabs::kGrain; }
}  // namespace

RecordSlabs::RecordSlabs() {
    for (Slab*& s : open_) s = nullptr;
}

RecordSlabs::~RecordSlabs() {
    for (Slab* s : slabs_) ::operator delete(s);
}

void RecordSlabs::List(Slab* slab) {
    slab->prev = nullptr;
    slab->next = open_[slab->cls];
    if (slab->next) slab->next->prev = slab;
    open_[slab->cls] = slab;
    slab->listed = true;
}

void RecordSlabs::Unlist(Slab* slab) {
    if (slab->prev) {
        slab->prev->next = slab->next;
    } else {
        open_[slab->cls] = slab->next;
    }
    if (slab->next) slab->next->prev = slab->prev;
    slab->prev = slab->next = nullptr;
    slab->listed = false;
}

RecordSlabs::Slab* RecordSlabs::NewSlab(size_t cls) {
    static_assert(sizeof(Slab) <= kHeaderBytes, "the header fits before the first piece");
    static_assert(kFirstPiece + kLargest <= kSlabSize, "a slab holds a piece of every size");
    // Room in the index first, so that a failure leaves nothing behind.
    slabs_.reserve(slabs_.size() + 1);
    auto* slab = static_cast<Slab*>(::operator new(kSlabSize));
    slab->freed = nullptr;
    slab->cls = static_cast<uint32_t>(cls);
    slab->bump = static_cast<uint32_t>(kFirstPiece);
    slab->live = 0;
    List(slab);
    // The heap mostly hands out rising addresses: the slab goes at the end.
    slabs_.insert(std::upper_bound(slabs_.begin(), slabs_.end(), slab, std::less<Slab*>()), slab);
    return slab;
}

RecordSlabs::Slab* RecordSlabs::SlabOf(const void* piece) const {
    auto* at = static_cast<const unsigned char*>(piece);
    auto after = std::upper_bound(slabs_.begin(), slabs_.end(), at, [](const unsigned char* p, const Slab* s) {
        return std::less<const unsigned char*>()(p, reinterpret_cast<const unsigned char*>(s));
    });
    return *(after - 1);
}

void* RecordSlabs::Allocate(size_t size) {
    if (size == 0) size = 1;
    if (size > kLargest) return ::operator new(size);
    const size_t cls = (size + kGrain - 1) / kGrain;
    const size_t piece = PieceSize(cls);
    Slab* slab = open_[cls] ? open_[cls] : NewSlab(cls);
    void* p;
    if (slab->freed) {
        p = slab->freed;
        slab->freed = *static_cast<void**>(p);
    } else {
        p = reinterpret_cast<unsigned char*>(slab) + slab->bump;
        slab->bump += static_cast<uint32_t>(piece);
    }
    ++slab->live;
    if (!slab->freed && slab->bump + piece > kSlabSize) Unlist(slab);
    return p;
}

void RecordSlabs::Free(void* piece, size_t size) {
    if (!piece) return;
    if (size == 0) size = 1;
    if (size > kLargest) {
        ::operator delete(piece);
        return;
    }
    Slab* slab = SlabOf(piece);
    *static_cast<void**>(piece) = slab->freed;
    slab->freed = piece;
    --slab->live;
    if (!slab->listed) List(slab);
    // An empty slab goes back unless it is the only one left of its size.
    if (slab->live == 0 && (slab->prev || slab->next)) {
        Unlist(slab);
        slabs_.erase(std::lower_bound(slabs_.begin(), slabs_.end(), slab, std::less<Slab*>()));
        ::operator delete(slab);
    }
}
