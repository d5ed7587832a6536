#include "script/BuiltinObjects.h"
#include "script/Builtins.h"

ValueRef PerformDateMethod(CallRecord& call, int id) {
    return {};
}
double DateFromArguments(ArrayObject* arguments) {
    return 0;
}
const char* DateObject::ToText() {
    return "date";
}
