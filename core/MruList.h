// The most-recently-used list behind the typed-address history: entry 0 is
// the most recent. Saved as a count line and then one line per entry, the
// oldest first, so that loading (each line goes to the front) restores it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TextFile;

class MruList {
public:
    // The most entries a list can hold.
    static constexpr int16_t kMaxEntries = 255;

    // A capacity below 1 gives a list that keeps nothing.
    explicit MruList(int capacity);

    // Trims the text and moves an equal entry to the front, or puts a copy in
    // front (dropping the oldest when full). Null or blank text and a list of
    // capacity 0 change nothing.
    void Add(const char* text);
    // Iteration from the most recent entry; null after the last.
    const char* First();
    const char* Next();
    // Drops the oldest entries beyond the new capacity.
    void SetCapacity(int capacity);

    int16_t Count() const { return static_cast<int16_t>(entries_.size()); }
    int16_t Capacity() const { return capacity_; }

    bool SaveTo(TextFile& file) const;
    void LoadFrom(TextFile& file);

private:
    int16_t capacity_ = 0;
    int16_t index_ = 0;
    std::vector<std::string> entries_;
};
