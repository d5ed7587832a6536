#include "script/PropertyNameTable.h"

#include <algorithm>
#include <cstring>

namespace {
// In id order: grouped by length, as the host's ids expect.
const char* const kNames[PropertyNameTable::kCount] = {
    "E",
    "PI",
    "go",
    "LN2",
    "URL",
    "UTC",
    "NaN",
    "max",
    "tan",
    "abs",
    "big",
    "min",
    "sin",
    "cos",
    "log",
    "pow",
    "top",
    "src",
    "sub",
    "sun",
    "sup",
    "exp",
    "java",
    "Date",
    "name",
    "Math",
    "self",
    "hash",
    "back",
    "bold",
    "ceil",
    "href",
    "link",
    "type",
    "acos",
    "form",
    "join",
    "open",
    "next",
    "text",
    "eval",
    "asin",
    "atan",
    "blur",
    "host",
    "port",
    "sort",
    "sqrt",
    "LN10",
    "clear",
    "reset",
    "fixed",
    "Array",
    "isNaN",
    "index",
    "Image",
    "taint",
    "links",
    "title",
    "split",
    "small",
    "parse",
    "blink",
    "forms",
    "floor",
    "value",
    "round",
    "alert",
    "width",
    "close",
    "focus",
    "write",
    "LOG2E",
    "SQRT2",
    "lowsrc",
    "charAt",
    "getDay",
    "escape",
    "domain",
    "Object",
    "window",
    "select",
    "anchor",
    "target",
    "hspace",
    "vspace",
    "border",
    "embeds",
    "Number",
    "images",
    "random",
    "parent",
    "method",
    "height",
    "prompt",
    "cookie",
    "action",
    "length",
    "LOG10E",
    "reload",
    "assign",
    "status",
    "search",
    "String",
    "onload",
    "scroll",
    "closed",
    "frames",
    "opener",
    "strike",
    "onblur",
    "submit",
    "history",
    "writeln",
    "forward",
    "valueOf",
    "getDate",
    "setDate",
    "getTime",
    "setTime",
    "setYear",
    "getYear",
    "SQRT1_2",
    "appName",
    "untaint",
    "plugins",
    "checked",
    "onreset",
    "applets",
    "replace",
    "reverse",
    "onabort",
    "onclick",
    "onerror",
    "bgColor",
    "fgColor",
    "confirm",
    "indexOf",
    "anchors",
    "italics",
    "options",
    "onfocus",
    "current",
    "onsubmit",
    "filename",
    "document",
    "selected",
    "onunload",
    "encoding",
    "onchange",
    "pathname",
    "location",
    "previous",
    "fontsize",
    "toString",
    "netscape",
    "hostname",
    "complete",
    "Function",
    "Packages",
    "parseInt",
    "suffixes",
    "unescape",
    "elements",
    "protocol",
    "referrer",
    "getMonth",
    "setMonth",
    "getHours",
    "setHours",
    "navigator",
    "linkColor",
    "mimeTypes",
    "MAX_VALUE",
    "MIN_VALUE",
    "fontcolor",
    "substring",
    "userAgent",
    "vlinkColor",
    "alinkColor",
    "onmouseout",
    "parseFloat",
    "setSeconds",
    "getSeconds",
    "setMinutes",
    "getMinutes",
    "appVersion",
    "setTimeout",
    "lastIndexOf",
    "javaEnabled",
    "onmouseover",
    "description",
    "appCodeName",
    "toGMTString",
    "toLowerCase",
    "toUpperCase",
    "defaultValue",
    "element_name",
    "taintEnabled",
    "clearTimeout",
    "lastModified",
    "enabledPlugin",
    "selectedIndex",
    "defaultStatus",
    "defaultChecked",
    "toLocaleString",
    "defaultSelected",
    "getTimezoneOffset",
    "NEGATIVE_INFINITY",
    "POSITIVE_INFINITY",
};

// Ids sorted by name text, built once, for a binary search.
struct SortedIds {
    int ids[PropertyNameTable::kCount];
    SortedIds() {
        for (int i = 0; i < PropertyNameTable::kCount; ++i) ids[i] = i;
        std::sort(ids, ids + PropertyNameTable::kCount,
                  [](int a, int b) { return std::strcmp(kNames[a], kNames[b]) < 0; });
    }
};

int CompareText(const char* tableName, const char* name, size_t length) {
    int c = std::strncmp(tableName, name, length);
    if (c != 0) return c;
    return tableName[length] == 0 ? 0 : 1;
}
}  // namespace

namespace PropertyNameTable {

int IdOf(const char* name, size_t length) {
    if (!name || length == 0 || length > 17 || std::memchr(name, 0, length)) return -1;
    static const SortedIds sorted;
    int low = 0, high = kCount - 1;
    while (low <= high) {
        int mid = (low + high) / 2;
        int c = CompareText(kNames[sorted.ids[mid]], name, length);
        if (c == 0) return sorted.ids[mid];
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    return -1;
}

int IdOf(const char* name) {
    return name ? IdOf(name, std::strlen(name)) : -1;
}

const char* NameOf(int id) {
    return id >= 0 && id < kCount ? kNames[id] : nullptr;
}

}  // namespace PropertyNameTable
