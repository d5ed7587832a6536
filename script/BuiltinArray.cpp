// The Array methods (ids 1096-1098): join, reverse and sort, on arrays only.
#include <algorithm>

#include "script/Builtins.h"
#include "script/EngineState.h"
#include "script/PrimitiveValues.h"

namespace {

enum ArrayId { kJoin = 1096, kReverse = 1097 };

// An element's text as join and sort see it: undefined and null elements
// are empty.
EngineString ElementText(EngineValue* v) {
    if (!v || v->IsUndefinedOrNull()) return EngineString();
    return EngineString(v->ToText());
}

}  // namespace

ValueRef PerformArrayMethod(CallRecord& call, int id) {
    // A method taken off its array and called alone has no object to work on.
    ArrayObject* array = call.thisObject ? call.thisObject->AsArray() : nullptr;
    if (!array) return {};
    EngineVector<ValueRef>& elements = array->elements;
    if (id == kJoin) {
        // The separator goes between elements; without one it is a comma.
        EngineString separator = HasArgument(call, 1) ? ArgumentText(call, 1) : EngineString(",");
        EngineString result;
        for (size_t i = 0; i < elements.size(); ++i) {
            if (i) result += separator;
            result += ElementText(elements[i].get());
            if (result.size() > kMaxStringLength) return {};
        }
        return MakeString(result.data(), result.size());
    }
    if (id == kReverse) {
        std::reverse(elements.begin(), elements.end());
        return {};
    }
    // sort: by the elements' texts, byte-wise ascending. A string's text is
    // used where it is; other elements' texts are copied once, up front.
    struct Keyed {
        const char* text;
        size_t length;
        size_t index;
    };
    EngineVector<Keyed> keyed;
    EngineVector<EngineString> copies;
    keyed.reserve(elements.size());
    copies.reserve(elements.size());  // never moves, so pointers into it stay
    for (size_t i = 0; i < elements.size(); ++i) {
        EngineValue* v = elements[i].get();
        if (v && v->IsString()) {
            auto* s = static_cast<StringValue*>(v);
            keyed.push_back({s->Data(), s->Length(), i});
        } else {
            copies.push_back(ElementText(v));
            keyed.push_back({copies.back().data(), copies.back().size(), i});
        }
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        size_t n = std::min(a.length, b.length);
        for (size_t k = 0; k < n; ++k) {
            auto x = static_cast<unsigned char>(a.text[k]), y = static_cast<unsigned char>(b.text[k]);
            if (x != y) return x < y;
        }
        return a.length < b.length;
    });
    EngineVector<ValueRef> sorted;
    sorted.reserve(elements.size());
    for (const Keyed& k : keyed) sorted.push_back(std::move(elements[k.index]));
    elements.swap(sorted);
    return {};
}
