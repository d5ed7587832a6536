// The Array methods (ids 1096-1098): join, reverse and sort, on arrays only.
#include <algorithm>
#include <cstring>

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
    auto* array = dynamic_cast<ArrayObject*>(call.thisObject);
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
    // sort: by the elements' texts, byte-wise ascending.
    struct Keyed {
        EngineString text;
        ValueRef value;
    };
    EngineVector<Keyed> keyed;
    keyed.reserve(elements.size());
    for (const ValueRef& v : elements) keyed.push_back({ElementText(v.get()), v});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        int c = std::memcmp(a.text.data(), b.text.data(), std::min(a.text.size(), b.text.size()));
        return c < 0 || (c == 0 && a.text.size() < b.text.size());
    });
    for (size_t i = 0; i < keyed.size(); ++i) elements[i] = keyed[i].value;
    return {};
}
