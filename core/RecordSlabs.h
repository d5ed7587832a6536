// Slabs for small records made and freed by the ten thousand (the boxes
// of a formatted page): each slab is one block of the heap that serves
// pieces of a single size, handed out by moving an offset, so a piece
// carries no header of its own, and a freed piece is reused by the next
// record of its size.
//
// A slab whose pieces are all free goes back to the heap, except the last
// one of its size, which stays to serve the next record. Pieces larger
// than kLargest come from the heap directly. Single-threaded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class RecordSlabs {
public:
    static constexpr size_t kSlabSize = 64 * 1024;
    static constexpr size_t kLargest = 512;
    static constexpr size_t kGrain = 8;

    RecordSlabs();
    // Every slab goes back; the pieces still in use must be gone by then.
    ~RecordSlabs();
    RecordSlabs(const RecordSlabs&) = delete;
    RecordSlabs& operator=(const RecordSlabs&) = delete;

    // A piece of at least size bytes, aligned to kGrain (enough for records
    // without over-aligned members); throws std::bad_alloc when the system
    // has no memory, as new does.
    void* Allocate(size_t size);
    // Gives back a piece from Allocate with the same size.
    void Free(void* piece, size_t size);

    // Slabs held now, of all sizes.
    size_t SlabCount() const { return slabs_.size(); }

private:
    struct Slab;
    static constexpr size_t kClasses = kLargest / kGrain + 1;
    Slab* NewSlab(size_t cls);
    Slab* SlabOf(const void* piece) const;
    void Unlist(Slab* slab);
    void List(Slab* slab);

    // Per size class, the slabs with a free piece.
    Slab* open_[kClasses];
    // Every slab, by address: a freed piece finds its slab here.
    std::vector<Slab*> slabs_;
};
