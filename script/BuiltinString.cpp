// The String methods (ids 1026-1045): HTML wrappers, searching, cutting,
// splitting and changing case, all on the text of `this`.
#include <cmath>
#include <string_view>

#include "script/Builtins.h"
#include "script/EngineState.h"
#include "script/PrimitiveValues.h"

namespace {

enum StringId {
    kAnchor = 1026,
    kBig,
    kBlink,
    kBold,
    kCharAt,
    kFixed,
    kFontcolor,
    kFontsize,
    kIndexOf,
    kItalics,
    kLastIndexOf,
    kLink,
    kSmall,
    kSplit,
    kStrike,
    kSub,
    kSubstring,
    kSup,
    kToLowerCase,
    kToUpperCase,
};

struct Wrapper {
    int id;
    const char* open;   // for wrappers with an argument: up to the argument
    const char* close;  // for wrappers with an argument: after the argument
    const char* end;
};

// The text goes between open and end; for the four with an argument,
// open + argument + close come first. The argument is inserted as it is.
const Wrapper kWrappers[] = {
    {kAnchor, "<A NAME=", ">", "</A>"},
    {kBig, "<BIG>", "", "</BIG>"},
    {kBlink, "<BLINK>", "", "</BLINK>"},
    {kBold, "<B>", "", "</B>"},
    {kFixed, "<TT>", "", "</TT>"},
    {kFontcolor, "<FONT COLOR=", ">", "</FONT>"},
    {kFontsize, "<FONT SIZE=", ">", "</FONT>"},
    {kItalics, "<I>", "", "</I>"},
    {kLink, "<A HREF=", ">", "</A>"},
    {kSmall, "<SMALL>", "", "</SMALL>"},
    {kStrike, "<STRIKE>", "", "</STRIKE>"},
    {kSub, "<SUB>", "", "</SUB>"},
    {kSup, "<SUP>", "", "</SUP>"},
};

// A position argument as a whole number, clamped to [low, high]; NaN and
// missing arguments give `missing`.
double Position(const CallRecord& call, size_t i, double missing, double low, double high) {
    EngineValue* v = Argument(call, i);
    if (!v || v->Typeof() == TypeofKind::Undefined || v->IsNaN()) return missing;
    double d = std::trunc(v->ToNumber());
    if (std::isnan(d)) return missing;
    return d < low ? low : (d > high ? high : d);
}

ValueRef Text(const EngineString& s) {
    if (s.size() > kMaxStringLength) return {};
    return MakeString(s.data(), s.size());
}

// Appends a piece of the text; false when the array is full or memory ran out.
bool AppendPiece(ArrayObject* array, const char* text, size_t length) {
    StringValue* piece = MakeString(text, length);
    if (!piece) return false;
    if (array->Append(piece)) return true;
    DiscardIfUnowned(piece);
    return false;
}

// Where `wanted` first occurs in `text` at or after `from`; npos when nowhere.
// An empty text is found at `from`. Compared here by bytes rather than through
// the C library, whose search is slow on some systems.
size_t Find(std::string_view text, std::string_view wanted, size_t from) {
    if (wanted.size() > text.size() || from > text.size() - wanted.size()) {
        return wanted.empty() && from <= text.size() ? from : std::string_view::npos;
    }
    if (wanted.empty()) return from;
    const char first = wanted[0];
    size_t last = text.size() - wanted.size();
    for (size_t i = from; i <= last; ++i) {
        if (text[i] != first) continue;
        size_t k = 1;
        while (k < wanted.size() && text[i + k] == wanted[k]) ++k;
        if (k == wanted.size()) return i;
    }
    return std::string_view::npos;
}

ValueRef Split(std::string_view text, const CallRecord& call) {
    ValueRef result = new ArrayObject;
    auto* array = static_cast<ArrayObject*>(result.get());
    if (!HasArgument(call, 1)) {
        return AppendPiece(array, text.data(), text.size()) ? result : ValueRef();
    }
    EngineString separator = ArgumentText(call, 1);
    if (separator.empty()) {
        // An empty separator splits into single characters.
        for (size_t i = 0; i < text.size(); ++i) {
            if (!AppendPiece(array, text.data() + i, 1)) return {};
        }
        return result;
    }
    size_t start = 0;
    for (;;) {
        size_t found = Find(text, std::string_view(separator.data(), separator.size()), start);
        size_t end = found == std::string_view::npos ? text.size() : found;
        if (!AppendPiece(array, text.data() + start, end - start)) return {};
        if (found == std::string_view::npos) break;
        start = found + separator.size();
    }
    return result;
}

}  // namespace

ValueRef PerformStringMethod(CallRecord& call, int id) {
    if (!call.thisObject) return {};
    // A String object's text is used where it is (the object holds it for
    // the call); any other value's text is copied, as it may be a number's
    // shared buffer that converting an argument would overwrite.
    EngineString copy;
    std::string_view text;
    if (auto* object = dynamic_cast<StringObject*>(call.thisObject)) {
        text = std::string_view(object->Data(), object->Length());
    } else {
        copy = call.thisObject->ToText();
        text = std::string_view(copy.data(), copy.size());
    }
    double length = static_cast<double>(text.size());
    for (const Wrapper& w : kWrappers) {
        if (w.id != id) continue;
        EngineString result(w.open);
        if (*w.close) {
            if (!HasArgument(call, 1)) return {};
            result += ArgumentText(call, 1);
            result += w.close;
        }
        result.append(text.data(), text.size());
        result += w.end;
        return Text(result);
    }
    switch (id) {
        case kCharAt: {
            EngineValue* v = Argument(call, 1);
            double i = v && !v->IsNaN() ? std::trunc(v->ToNumber()) : 0;
            if (i >= 2147483647.0) return {};
            if (i < 0 || i >= length) return MakeString("", 0);
            return MakeString(text.data() + static_cast<size_t>(i), 1);
        }
        case kIndexOf: {
            EngineString wanted = ArgumentText(call, 1);
            auto from = static_cast<size_t>(Position(call, 2, 0, 0, length));
            size_t found = Find(text, std::string_view(wanted.data(), wanted.size()), from);
            return MakeNumber(found == std::string_view::npos ? -1 : static_cast<double>(found));
        }
        case kLastIndexOf: {
            EngineString wanted = ArgumentText(call, 1);
            auto from = static_cast<size_t>(Position(call, 2, length, 0, length));
            size_t found = text.rfind(std::string_view(wanted.data(), wanted.size()), from);
            return MakeNumber(found == std::string_view::npos ? -1 : static_cast<double>(found));
        }
        case kSubstring: {
            double a = Position(call, 1, 0, 0, length);
            double b = Position(call, 2, length, 0, length);
            if (b < a) std::swap(a, b);
            return MakeString(text.data() + static_cast<size_t>(a), static_cast<size_t>(b - a));
        }
        case kSplit:
            return Split(text, call);
        case kToLowerCase:
        case kToUpperCase: {
            // Letters of the plain Latin alphabet; other bytes stay as they are.
            EngineString changed(text.data(), text.size());
            for (char& c : changed) {
                if (id == kToLowerCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
                if (id == kToUpperCase && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            }
            return Text(changed);
        }
        default:
            return {};
    }
}
