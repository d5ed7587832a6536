#include "core/MruList.h"

#include <algorithm>
#include <cstring>

#include "core/TextFile.h"

namespace {

int16_t ClampCapacity(int capacity) {
    return static_cast<int16_t>(std::clamp(capacity, 0, static_cast<int>(MruList::kMaxEntries)));
}

}  // namespace

MruList::MruList(int capacity) : capacity_(ClampCapacity(capacity)) {}

void MruList::Add(const char* text) {
    if (!text || capacity_ == 0) return;
    // Trim before comparing, so " a " finds the entry "a" instead of adding a
    // second copy of it.
    const char* start = text;
    while (*start && std::strchr(" \t\r\n\f\v", *start)) ++start;
    size_t length = std::strlen(start);
    while (length > 0 && std::strchr(" \t\r\n\f\v", start[length - 1])) --length;
    if (length == 0) return;
    std::string entry(start, length);
    auto found = std::find(entries_.begin(), entries_.end(), entry);
    if (found != entries_.end()) {
        std::rotate(entries_.begin(), found, found + 1);
        return;
    }
    if (static_cast<int16_t>(entries_.size()) >= capacity_) entries_.pop_back();
    entries_.insert(entries_.begin(), std::move(entry));
}

const char* MruList::First() {
    index_ = 0;
    return entries_.empty() ? nullptr : entries_[0].c_str();
}

const char* MruList::Next() {
    if (index_ + 1 >= static_cast<int>(entries_.size())) return nullptr;
    return entries_[++index_].c_str();
}

void MruList::SetCapacity(int capacity) {
    capacity_ = ClampCapacity(capacity);
    if (static_cast<int16_t>(entries_.size()) > capacity_) entries_.resize(capacity_);
}

bool MruList::SaveTo(TextFile& file) const {
    bool ok = file.WriteShort(Count());
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        ok = file.WriteLine(entry->c_str()) && ok;
    }
    return ok;
}

void MruList::LoadFrom(TextFile& file) {
    int16_t count = file.ReadShort();
    for (int16_t i = 0; i < count; ++i) Add(file.ReadLine());
}
