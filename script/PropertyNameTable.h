// The fixed property names shared with the host: a name's index in the table
// is its name id (0-209), which the host switches on in its callbacks.
#pragma once

#include <cstddef>

namespace PropertyNameTable {
constexpr int kCount = 210;
constexpr int kSelfText = 0xffff;  // asks a host object for its own text
// -1 when the name is not in the table (names longer than 17 have none).
int IdOf(const char* name, size_t length);
int IdOf(const char* name);
// Null for an id outside the table.
const char* NameOf(int id);
}  // namespace PropertyNameTable

// Property names are short: measuring and comparing them inline is quicker
// than a call into the C library for every lookup.
inline size_t NameLength(const char* name) {
    const char* p = name;
    while (*p) ++p;
    return static_cast<size_t>(p - name);
}
// Whether a property's name (with its length) is the name looked up; the
// lengths first, as most names differ in length.
inline bool SameName(const char* have, size_t haveLength, const char* name, size_t length) {
    if (haveLength != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (have[i] != name[i]) return false;
    }
    return true;
}
inline bool IsName(const char* name, const char* wanted) {
    while (*name && *name == *wanted) ++name, ++wanted;
    return *name == *wanted;
}

// Name ids the engine itself needs.
enum PropertyNameId : int {
    kNameLocation = 151,
    kNameLength = 97,
};
