#include "script/PropertyNameTable.h"

#include <cstdint>
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

// Every name is looked up on each property access, so the names sit in an
// open-addressed hash table built once.
constexpr unsigned kSlots = 1024;  // a power of two, well above the name count

unsigned HashText(const char* s, size_t length) {
    unsigned h = 2166136261u;
    for (size_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(s[i])) * 16777619u;
    return h;
}

struct NameSlots {
    int16_t ids[kSlots];
    uint8_t lengths[PropertyNameTable::kCount];
    NameSlots() {
        for (int16_t& id : ids) id = -1;
        for (int i = 0; i < PropertyNameTable::kCount; ++i) {
            size_t length = std::strlen(kNames[i]);
            lengths[i] = static_cast<uint8_t>(length);
            unsigned slot = HashText(kNames[i], length) & (kSlots - 1);
            while (ids[slot] >= 0) slot = (slot + 1) & (kSlots - 1);
            ids[slot] = static_cast<int16_t>(i);
        }
    }
};
}  // namespace

namespace PropertyNameTable {

int IdOf(const char* name, size_t length) {
    if (!name || length == 0 || length > 17) return -1;
    static const NameSlots table;
    for (unsigned slot = HashText(name, length) & (kSlots - 1);; slot = (slot + 1) & (kSlots - 1)) {
        int id = table.ids[slot];
        if (id < 0) return -1;
        if (SameName(kNames[id], table.lengths[id], name, length)) return id;
    }
}

int IdOf(const char* name) {
    return name ? IdOf(name, NameLength(name)) : -1;
}

const char* NameOf(int id) {
    return id >= 0 && id < kCount ? kNames[id] : nullptr;
}

}  // namespace PropertyNameTable
