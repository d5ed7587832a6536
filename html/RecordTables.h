// One table per record kind says which of its fields are event handler texts
// and how its fields appear in a tree dump, so that no record writes out its
// own GetEventHandlerText or Dump. Included by ElementRecords.h; each family
// file defines the tables of its records.
#pragma once

#include <string>
#include <variant>
#include <vector>

class OwnedText;
class UrlField;

// The text of one event handler of record R.
template <typename R>
struct RecordHandler {
    int eventId;
    OwnedText R::*text;
};

// One entry of the dump of record R, written as " name=value" in table order.
template <typename R>
struct DumpEntry {
    enum Kind : unsigned char {
        kInt,     // always, as a decimal number
        kUnless,  // a decimal number, unless it is `omit`
        kFlag,    // "=1" when the field is not 0
        kHex,     // a colour: "0x%08X", or a negative number as it is
        kChar,    // the byte as a character, unless it is `omit`
        kText,    // quoted, when set
        kUrl,     // the full name in <>, when set
        kCustom,  // written by `write`
        kCommon,  // ID, CLASS and STYLE of every record
    };
    const char* name;
    Kind kind;
    std::variant<std::monostate, int32_t R::*, int16_t R::*, uint8_t R::*, OwnedText R::*, UrlField R::*,
                 void (*)(const R&, std::string&)>
        field;
    long omit = 0;
};

template <typename R>
struct RecordTable {
    std::vector<DumpEntry<R>> dump;
    std::vector<RecordHandler<R>> handlers;
};

// Writers of one dump field, shared by the tables and the custom entries.
void AppendField(std::string& out, const char* name, const std::string& value);
void AppendInt(std::string& out, const char* name, long value);
void AppendText(std::string& out, const char* name, const OwnedText& text);
void AppendUrl(std::string& out, const char* name, const UrlField& url);
void AppendHex(std::string& out, const char* name, int32_t value);
